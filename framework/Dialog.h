// The modal dialog the system's windows stand on: creation from a template, the message map,
// the modal loop with its idle passes, and the OK/Cancel defaults.
#pragma once

#include <cstdint>

#include "framework/CmdUI.h"
#include "framework/IdleActivity.h"
#include "framework/MessageMap.h"
#include "platform/Platform.h"

class CWinApp;

// A child control bound to a dialog by its identifier.
class CControl {
public:
    WindowHandle m_hWnd = nullptr;
};

class CDialog : public IDialogSink {
public:
    CDialog(CWinApp& app, unsigned templateId, CDialog* pParent = nullptr);
    ~CDialog() override;
    CDialog(const CDialog&) = delete;
    CDialog& operator=(const CDialog&) = delete;

    // Creates the dialog with its owner disabled, runs the modal loop until EndDialog, destroys
    // the window and returns the value EndDialog was given (-1 when the window was not made).
    std::intptr_t DoModal();
    void EndDialog(std::intptr_t result);

    WindowHandle GetSafeHwnd() const { return m_hWnd; }
    Platform& platform() const;

protected:
    virtual void DoDataExchange() {}
    virtual bool OnInitDialog();
    // Sees every message before the message map; the default runs the map, then the defaults.
    virtual bool WindowProc(const MessageArgs& args, std::intptr_t& result);
    virtual bool DispatchMessageMap(const MessageArgs&, std::intptr_t&) { return false; }
    virtual bool DispatchCommandUpdate(unsigned, CCmdUI&) { return false; }

    virtual void OnOK() { EndDialog(win::IDOK); }
    virtual void OnCancel() { EndDialog(win::IDCANCEL); }

    // Runs the command-state updaters of the child controls, in window order. A control with no
    // updater is left as it is.
    void UpdateDialogControls();
    void BindControl(CControl& control, int id);

    IWindowSystem& ui() const;
    CWinApp& m_app;
    WindowHandle m_hWnd = nullptr;

private:
    bool OnWindowMessage(WindowHandle hwnd, unsigned message, std::uintptr_t wParam,
                         std::intptr_t lParam, std::intptr_t& result) final;
    void RunModalLoop();

    unsigned m_nTemplateId;
    CDialog* m_pParent;
    bool m_bEndModal = false;
    std::intptr_t m_nModalResult = -1;
};
