// The main dialog: the one window of the program and the owner of the state the rest shares.
#pragma once

#include <cstdint>
#include <string>

#include "base/WideString.h"
#include "framework/Dialog.h"
#include "platform/Constants.h"
#include "platform/Types.h"

class CTolvexDesktopWinDlg : public CDialog {
public:
    static constexpr std::uintptr_t IDT_REFRESH = 137;
    static constexpr unsigned IDM_HIDETOTRAY = 0xF020;  // the same value as SC_MINIMIZE
    static constexpr unsigned IDM_ABOUTBOX = 16;
    static constexpr unsigned WM_TRAYICON = win::WM_USER + 0x64;
    static constexpr unsigned WM_ACTIVATE_REQUEST = win::WM_USER + 0x70;

    explicit CTolvexDesktopWinDlg(CWinApp& app);
    ~CTolvexDesktopWinDlg() override;

    // Main dialog
    // Both answer false when the system's default processing is to run.
    bool OnSysCommand(unsigned id, std::intptr_t lParam);
    bool OnPaint();
    IconHandle OnQueryDragIcon() const { return m_hIcon; }

    // Notification-area icon and window visibility
    void OnDestroy();
    void OnShowCommand();
    void OnHideButton();
    std::intptr_t OnActivateRequest(std::uintptr_t wParam, std::intptr_t lParam);

    // Command-state refresh
    std::intptr_t OnIdleRefresh();
    void OnUpdateSettings(CCmdUI& cmdUI);
    void OnUpdateConnect(CCmdUI& cmdUI);
    void OnTimer(std::uintptr_t nIDEvent);

    // The user's commands
    void OnOK() override;
    void OnConnect();
    void OnSettings();
    void OnQuit();

    // Phonebook
    WideString GetPhoneBookPath();
    int FindEntrySection(const WideString& path, const WideString& entryName);
    int IsEntryConfigured(const WideString& path, const WideString& entryName);
    void RewriteInterfaceMetric();

    OsVersionInfo m_osVersionInfo;
    WideString m_strPhoneBookPath;
    std::int32_t m_bEntryFound = 0;
    std::int32_t m_bConnected = 0;
    IconHandle m_hIcon = nullptr;
    NotifyIconRecord m_notifyIconData;
    CControl m_btnSettings;
    CControl m_btnConnect;
    CControl m_stcActivity;

protected:
    void DoDataExchange() override;
    bool OnInitDialog() override;
    bool WindowProc(const MessageArgs& args, std::intptr_t& result) override;
    bool DispatchMessageMap(const MessageArgs& args, std::intptr_t& result) override;
    bool DispatchCommandUpdate(unsigned id, CCmdUI& cmdUI) override;

private:
    void ExtendSystemMenu();
    void MakeLayered();
    void AddTrayIcon();
    void OnTrayIconEvent(std::intptr_t mouseEvent);
    void ShowTrayPopupMenu(Point at);
    void WriteReplacingPhoneBook(const WideString& path, const std::string& content);
    WideString LoadEntryName() const;

    static const MessageMap<CTolvexDesktopWinDlg> s_messageMap;

    void SetTrayTip(const char16_t* tip);

    // The refresh's own state. Unsigned, so that the counters wrap without harm.
    std::uint32_t m_nUpdateConnectCalls = 0;
    std::uint32_t m_nTicks = 0;
    std::int32_t m_bRedial = 0;
    // The user asked for the link to go down and it has not been seen down yet: the drop that
    // follows, however many passes later, is not dialled again.
    bool m_bUserHungUp = false;
    unsigned m_nTaskbarCreatedMessage = 0;
};
