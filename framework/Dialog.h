// The modal dialog the system's windows stand on: creation from a template, the message map,
// the modal loop with its idle passes, the OK/Cancel defaults, and the message boxes it owns.
#pragma once

#include <cstdint>

#include "base/FileError.h"
#include "framework/CmdUI.h"
#include "framework/IdleActivity.h"
#include "framework/MessageMap.h"
#include "platform/Platform.h"

// A child control bound to a dialog by its identifier.
class CControl {
public:
    WindowHandle m_hWnd = nullptr;
};

class CDialog : public IDialogSink {
public:
    CDialog(Platform& platform, unsigned templateId, CDialog* pParent = nullptr);
    CDialog(const CDialog&) = delete;
    CDialog& operator=(const CDialog&) = delete;

    // Creates the dialog with its parent disabled, runs the modal loop until EndDialog, destroys
    // the window and returns the value EndDialog was given (-1 when the window was not made).
    std::intptr_t DoModal();
    void EndDialog(std::intptr_t result);
    // Creates the dialog beside its parent, which goes on: the parent's loop hands it its
    // messages, keys included, until DestroyWindow (or the parent's end) takes it away. False when
    // the window was not made.
    bool Create();
    void DestroyWindow();

    WindowHandle GetSafeHwnd() const { return m_hWnd; }

protected:
    virtual void DoDataExchange() {}
    virtual bool OnInitDialog();
    // Sees every message before the message map; the default runs the map, then the defaults.
    virtual bool WindowProc(const MessageArgs& args, std::intptr_t& result);
    virtual bool DispatchMessageMap(const MessageArgs&, std::intptr_t&) { return false; }
    virtual void DispatchCommandUpdate(unsigned, CCmdUI&) {}

    virtual void OnOK() { EndDialog(win::IDOK); }
    virtual void OnCancel() { EndDialog(win::IDCANCEL); }

    // Owned by this dialog's most recently active popup, captioned with the application name.
    int MessageBox(const WideString& text, unsigned type = win::MB_OK);
    int MessageBox(unsigned stringId, unsigned type = win::MB_OK);
    // The stop-icon box with the text of the failure's kind, naming the file.
    void ReportFileError(const FileError& error);
    // One of this dialog's message boxes waits for its answer.
    bool IsMessageBoxOpen() const { return m_nOpenBoxes > 0; }

    // Runs the command-state updaters of the child controls, in window order. A control with no
    // updater is left as it is.
    void UpdateDialogControls();
    void BindControl(CControl& control, int id);

    Platform& platform() const { return m_platform; }
    IWindowSystem& ui() const { return m_platform.ui; }
    WindowHandle m_hWnd = nullptr;

private:
    bool OnWindowMessage(WindowHandle hwnd, unsigned message, std::uintptr_t wParam,
                         std::intptr_t lParam, std::intptr_t& result) final;
    void ReportFailure(unsigned message);
    void RunModalLoop();

    Platform& m_platform;
    unsigned m_nTemplateId;
    CDialog* m_pParent;
    bool m_bEndModal = false;
    std::intptr_t m_nModalResult = -1;
    int m_nOpenBoxes = 0;
    CDialog* m_pModeless = nullptr;  // the dialog made beside this one, while it is there
};
