#include "ui/TolvexDesktopWinDlg.h"

#include "base/ResourceIds.h"
#include "sysconfig/BindingOrder.h"
#include "sysconfig/RegistryTool.h"
#include "ui/AboutDlg.h"

using Map = MessageMap<CTolvexDesktopWinDlg>;

const Map CTolvexDesktopWinDlg::s_messageMap = {
    Map::Message(WM_ACTIVATE_REQUEST, [](auto& dlg, const MessageArgs& args) {
        return Handled(dlg.OnActivateRequest(args.wParam, args.lParam));
    }),
    Map::Message(win::WM_KICKIDLE, [](auto& dlg, const MessageArgs&) { return Handled(dlg.OnIdleRefresh()); }),
    Map::UpdateCommand(IDC_SETTINGS, [](auto& dlg, CCmdUI& cmdUI) { dlg.OnUpdateSettings(cmdUI); }),
    Map::UpdateCommand(IDC_CONNECT, [](auto& dlg, CCmdUI& cmdUI) { dlg.OnUpdateConnect(cmdUI); }),
    Map::Message(win::WM_SYSCOMMAND, [](auto& dlg, const MessageArgs& args) {
        return dlg.OnSysCommand(static_cast<unsigned>(args.wParam), args.lParam) ? Handled() : DefaultProcessing();
    }),
    Map::Message(win::WM_PAINT, [](auto& dlg, const MessageArgs&) {
        return dlg.OnPaint() ? Handled() : DefaultProcessing();
    }),
    Map::Message(win::WM_QUERYDRAGICON, [](auto& dlg, const MessageArgs&) {
        return Handled(reinterpret_cast<std::intptr_t>(dlg.OnQueryDragIcon()));
    }),
    Map::Command(win::IDOK, [](auto& dlg, const MessageArgs&) { dlg.OnOK(); return Handled(); }),
    Map::Command(IDC_SETTINGS, [](auto& dlg, const MessageArgs&) { dlg.OnSettings(); return Handled(); }),
    Map::Command(IDC_CONNECT, [](auto& dlg, const MessageArgs&) { dlg.OnConnect(); return Handled(); }),
    Map::Command(win::IDCANCEL, [](auto& dlg, const MessageArgs&) { dlg.OnQuit(); return Handled(); }),
    Map::Message(win::WM_DESTROY, [](auto& dlg, const MessageArgs&) { dlg.OnDestroy(); return Handled(); }),
    Map::Command(ID_POPUP_SHOW, [](auto& dlg, const MessageArgs&) { dlg.OnShowCommand(); return Handled(); }),
    Map::Command(IDC_HIDE, [](auto& dlg, const MessageArgs&) { dlg.OnHideButton(); return Handled(); }),
    Map::Message(win::WM_TIMER, [](auto& dlg, const MessageArgs& args) {
        dlg.OnTimer(args.wParam);
        return DefaultProcessing();
    }),
    Map::Message(win::WM_QUERYENDSESSION, [](auto& dlg, const MessageArgs&) { return Handled(dlg.OnQueryEndSession()); }),
    Map::Message(win::WM_ENDSESSION, [](auto& dlg, const MessageArgs& args) {
        dlg.OnEndSession(args.wParam != 0);
        return Handled();
    }),
};

CTolvexDesktopWinDlg::CTolvexDesktopWinDlg(Platform& platform)
    : CDialog(platform, IDD_TOLVEXDESKTOPWIN_DIALOG),
      m_log([&platform] { return platform.system.GetLocalTime(); }),
      m_phoneBook(platform.files, platform.system, platform.resources.LoadString(IDS_PHONEBOOK_FILE_NAME), m_log),
      m_linkWatch(m_log),
      m_hIcon(platform.resources.LoadIcon(IDR_MAINFRAME)),
      m_trayIcon(platform.ui, m_hIcon),
      m_dlgDiagnostics(platform, *this, m_log)
{
}

bool CTolvexDesktopWinDlg::DispatchMessageMap(const MessageArgs& args, std::intptr_t& result)
{
    return s_messageMap.Dispatch(*this, args, result);
}

void CTolvexDesktopWinDlg::DispatchCommandUpdate(unsigned id, CCmdUI& cmdUI)
{
    s_messageMap.Update(*this, id, cmdUI);
}

void CTolvexDesktopWinDlg::DoDataExchange()
{
    // The buttons are reached through their updaters; bound, as the dialog has always bound them.
    BindControl(m_btnSettings, IDC_SETTINGS);  // mutate: skip
    BindControl(m_btnConnect, IDC_CONNECT);    // mutate: skip
    BindControl(m_stcActivity, IDC_ACTIVITY);
}

bool CTolvexDesktopWinDlg::OnInitDialog()
{
    CDialog::OnInitDialog();
    // Answered from the start: a second start may look while the registry's message is open.
    // Only the question whether a copy runs passes the filter of a copy run elevated: a program
    // of lower rights must not make it dial or write files.
    m_nIdentifyMessage = ui().RegisterWindowMessage(kIdentifyMessage);
    if (m_nIdentifyMessage != 0)
        ui().AllowMessageFromLowerPrivilege(m_hWnd, m_nIdentifyMessage);
    m_nScriptMessage = ui().RegisterWindowMessage(kScriptCommandMessage);

    m_osVersionInfo = platform().system.GetVersion();
    RecordStart();

    ExtendSystemMenu();

    ui().SendMessage(m_hWnd, win::WM_SETICON, win::ICON_BIG, reinterpret_cast<std::intptr_t>(m_hIcon));
    ui().SendMessage(m_hWnd, win::WM_SETICON, win::ICON_SMALL, reinterpret_cast<std::intptr_t>(m_hIcon));

    // The template asks for a taskbar button; the program lives in the notification area instead.
    ui().SetExStyle(m_hWnd, ui().GetExStyle(m_hWnd) & ~win::WS_EX_APPWINDOW);

    if (m_stcActivity.m_hWnd != nullptr)
        ui().SetWindowText(m_stcActivity.m_hWnd, u"");

    ui().SetTimer(m_hWnd, IDT_REFRESH, 1000);

    // Told before the dialog is first shown; the tool is started whatever the user does.
    const bool ready = IsIpsecRegistryReady(platform().registry, platform().system, m_log);
    if (IsOlderSystem(ReadMajorVersion(platform().system)))
        FixWanBindingOrder(platform().registry, m_log);
    if (!ready) {
        MessageBox(IDS_REGISTRY_MUST_BE_MODIFIED, win::MB_OK);
        LaunchRegistryTool(platform(), m_log);
    }

    MakeLayered();
    m_trayIcon.Add(m_hWnd, WM_TRAYICON, kTipNotConnected);
    return true;
}

void CTolvexDesktopWinDlg::ExtendSystemMenu()
{
    const MenuHandle sysMenu = ui().GetSystemMenu(m_hWnd, false);
    if (sysMenu == nullptr)
        return;
    ui().AppendMenuItem(sysMenu, IDM_HIDETOTRAY, platform().resources.LoadString(IDS_HIDE_TO_TASKTRAY));
    const WideString about = platform().resources.LoadString(IDS_ABOUTBOX);
    ui().AppendMenuSeparator(sysMenu);
    if (!about.IsEmpty())
        ui().AppendMenuItem(sysMenu, IDM_ABOUTBOX, about);
    ui().AppendMenuItem(sysMenu, IDM_DIAGNOSTICS, platform().resources.LoadString(IDS_DIAGNOSTICS));
}

void CTolvexDesktopWinDlg::RecordStart()
{
    m_log.Record(u"start: version %s, Windows %d.%d as told, interface language %d, %s",
                 {platform().resources.LoadVersion().view(), static_cast<int>(m_osVersionInfo.dwMajorVersion),
                  static_cast<int>(m_osVersionInfo.dwMinorVersion), static_cast<int>(platform().system.GetUserInterfaceLanguage()),
                  platform().system.IsUserAnAdmin() ? u"as administrator" : u"not as administrator"});
}

void CTolvexDesktopWinDlg::MakeLayered()
{
    ui().SetExStyle(m_hWnd, ui().GetExStyle(m_hWnd) | win::WS_EX_LAYERED);
    ui().SetLayeredWindowAttributes(m_hWnd, 0, 255, win::LWA_ALPHA);
}

bool CTolvexDesktopWinDlg::OnSysCommand(unsigned id, std::intptr_t)
{
    switch (id & 0xFFF0) {
    case IDM_HIDETOTRAY:
        // Every minimise request hides the dialog: it lives on in the notification area.
        ui().ShowWindow(m_hWnd, win::SW_HIDE);
        return true;
    case IDM_ABOUTBOX: {
        CAboutDlg dlgAbout(platform(), *this);
        dlgAbout.DoModal();
        return true;
    }
    case IDM_DIAGNOSTICS:
        m_dlgDiagnostics.Open();
        return true;
    default:
        return false;
    }
}

bool CTolvexDesktopWinDlg::OnPaint()
{
    if (!ui().IsIconic(m_hWnd))
        return false;
    const DeviceContext dc = ui().BeginPaint(m_hWnd);
    ui().SendMessage(m_hWnd, win::WM_ICONERASEBKGND, reinterpret_cast<std::uintptr_t>(dc), 0);
    const int cxIcon = ui().GetSystemMetrics(win::SM_CXICON);
    const int cyIcon = ui().GetSystemMetrics(win::SM_CYICON);
    const Rect rect = ui().GetClientRect(m_hWnd);
    const int x = static_cast<int>(rect.right - rect.left - cxIcon + 1) / 2;
    const int y = static_cast<int>(rect.bottom - rect.top - cyIcon + 1) / 2;
    ui().DrawIcon(dc, x, y, m_hIcon);
    ui().EndPaint(m_hWnd);
    return true;
}
