// The main dialog: the one window of the program. It composes the units (the phonebook, the
// link watch, the registry policy, the tray icon), routes every message to a short handler that
// asks them, and shows what they answer.
#pragma once

#include <cstdint>
#include <optional>

#include "base/EventLog.h"
#include "base/FileError.h"
#include "base/WideString.h"
#include "connection/LinkWatch.h"
#include "framework/Dialog.h"
#include "phonebook/PhoneBook.h"
#include "platform/Constants.h"
#include "sysconfig/NatTraversal.h"
#include "ui/DiagnosticsDlg.h"
#include "ui/Scripting.h"
#include "ui/TrayIcon.h"

class CTolvexDesktopWinDlg : public CDialog {
public:
    static constexpr std::uintptr_t IDT_REFRESH = 137;
    static constexpr unsigned IDM_HIDETOTRAY = win::SC_MINIMIZE;
    static constexpr unsigned IDM_ABOUTBOX = 16;
    static constexpr unsigned IDM_DIAGNOSTICS = 32;
    static constexpr unsigned WM_TRAYICON = win::WM_USER + 0x64;
    static constexpr unsigned WM_ACTIVATE_REQUEST = win::WM_USER + 0x70;
    // A second start asks each window that may be the running copy's dialog this registered
    // message; only the dialog answers it, and with this.
    static constexpr char16_t kIdentifyMessage[] = u"Tolvex Cell VPN Manager: the running copy's dialog";
    static constexpr std::intptr_t kIdentity = 0x70767874;

    explicit CTolvexDesktopWinDlg(Platform& platform);

protected:
    void DoDataExchange() override;
    bool OnInitDialog() override;
    bool WindowProc(const MessageArgs& args, std::intptr_t& result) override;
    bool DispatchMessageMap(const MessageArgs& args, std::intptr_t& result) override;
    void DispatchCommandUpdate(unsigned id, CCmdUI& cmdUI) override;

private:
    // Main dialog (TolvexDesktopWinDlg.cpp). Both answer false when the system's default
    // processing is to run.
    bool OnSysCommand(unsigned id, std::intptr_t lParam);
    bool OnPaint();
    IconHandle OnQueryDragIcon() const { return m_hIcon; }
    void ExtendSystemMenu();
    void MakeLayered();
    void RecordStart();

    // Notification-area icon and window visibility (TrayCommands.cpp)
    void OnTrayIconEvent(std::intptr_t mouseEvent);
    void OnDestroy();
    void OnShowCommand();
    void OnHideButton();
    std::intptr_t OnActivateRequest(std::uintptr_t wParam, std::intptr_t lParam);

    // Command-state refresh (Refresh.cpp)
    std::intptr_t OnIdleRefresh();
    void OnUpdateSettings(CCmdUI& cmdUI);
    void OnUpdateConnect(CCmdUI& cmdUI);
    void OnTimer(std::uintptr_t nIDEvent);

    // The user's commands (Commands.cpp)
    // What the Connect command's code is to do with the link: the button toggles it; Quit, the
    // re-dial and the scripts each want one way only.
    enum class LinkIntent { Toggle, Connect, Disconnect };
    enum class LinkOutcome { NotSetUp, Dialled, HungUp, AlreadyUp, AlreadyDown, Unreadable, PhoneBookFailed };
    struct LinkResult {
        LinkOutcome outcome;
        std::optional<FileError> failure;  // the rewrite's, to be told
    };
    void OnOK() override;
    void OnConnect();
    // Recorded when nothing was started.
    LinkResult ConnectOrHangUp(LinkIntent intent, bool scripted = false);
    LinkResult ConnectOrHangUpAsAsked(LinkIntent intent, bool scripted);
    void Dial(const WideString& path, const WideString& entryName);
    void OnSettings();
    void OnQuit();
    // The repair first, then the link taken down when it is up, asking first where ask says so.
    void Quit(bool ask);
    void ShowRepairOutcome(NatRepair repair);
    void ReportIfAny(const std::optional<FileError>& failure);
    bool OnQueryEndSession();
    void OnEndSession(bool ending);

    // The commands of scripts (ScriptCommands.cpp)
    std::intptr_t OnScriptCommand(std::uintptr_t command);
    ScriptExit GetStatus();
    static ScriptExit ExitOf(LinkOutcome outcome);

    // The operations the handlers share, by the names they are known by.
    WideString GetPhoneBookPath() { return m_phoneBook.GetPathCreatingFolder(); }
    int IsEntryConfigured(const WideString& path, const WideString& entryName)
    {
        return m_phoneBook.ExistsAndHoldsEntry(path, entryName) ? 1 : 0;
    }
    std::optional<FileError> RewriteInterfaceMetric() { return m_phoneBook.RewriteMetricLines(GetPhoneBookPath()); }
    LinkState GetConnectionState();
    WideString LoadEntryName() const;

    static const MessageMap<CTolvexDesktopWinDlg> s_messageMap;

    OsVersionInfo m_osVersionInfo;
    // Before the units that record in it.
    CEventLog m_log;
    CPhoneBook m_phoneBook;
    CLinkWatch m_linkWatch;
    IconHandle m_hIcon = nullptr;
    CTrayIcon m_trayIcon;
    unsigned m_nIdentifyMessage = 0;
    unsigned m_nScriptMessage = 0;
    CControl m_btnSettings;
    CControl m_btnConnect;
    CControl m_stcActivity;
    CDiagnosticsDlg m_dlgDiagnostics;
};
