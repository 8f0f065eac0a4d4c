// The main dialog: its initialisation, the system menu, painting while minimised, the
// notification-area icon and the dialog's visibility.
#include "DialogFixture.h"

namespace {

using Dlg = CTolvexDesktopWinDlg;

class MainDialog : public DialogFixture {};

TEST_F(MainDialog, InitialisationPreparesWindowTimerAndTrayIcon)
{
    fake.system.major = 6;
    fake.system.minor = 2;
    Create();
    EXPECT_EQ(dlg.m_osVersionInfo.dwOSVersionInfoSize, 276u);
    EXPECT_EQ(dlg.m_osVersionInfo.dwMajorVersion, 6u);
    EXPECT_EQ(dlg.m_osVersionInfo.dwMinorVersion, 2u);
    EXPECT_EQ(dlg.m_hIcon, fake.resources.LoadIcon(IDR_MAINFRAME));
    EXPECT_EQ(dlg.m_btnSettings.m_hWnd, fake.ui.Control(hwnd, IDC_SETTINGS));
    EXPECT_EQ(dlg.m_btnConnect.m_hWnd, fake.ui.Control(hwnd, IDC_CONNECT));
    EXPECT_EQ(dlg.m_stcActivity.m_hWnd, fake.ui.Control(hwnd, IDC_ACTIVITY));
    EXPECT_EQ(Text(IDC_ACTIVITY), "");

    const long exStyle = fake.ui.Window(hwnd).exStyle;
    EXPECT_EQ(exStyle & win::WS_EX_APPWINDOW, 0);
    EXPECT_NE(exStyle & win::WS_EX_LAYERED, 0);
    EXPECT_TRUE(fake.ui.Window(hwnd).visible);

    ASSERT_EQ(fake.ui.notifyCalls.size(), 1u);
    const auto& [operation, record] = fake.ui.notifyCalls[0];
    EXPECT_EQ(operation, win::NIM_ADD);
    EXPECT_EQ(record.hWnd, hwnd);
    EXPECT_EQ(record.uID, 0u);
    EXPECT_EQ(record.uFlags, 7u);
    EXPECT_EQ(record.uCallbackMessage, 0x464u);
    EXPECT_EQ(record.hIcon, fake.resources.LoadIcon(IDR_MAINFRAME));
    EXPECT_EQ(std::u16string_view(record.szTip), u"Tolvex VPN Manager");
}

TEST_F(MainDialog, InitialisationStepsRunInOrder)
{
    app.SetMainWnd(&dlg);
    fake.ui.CreateDialogFromTemplate(IDD_TOLVEXDESKTOPWIN_DIALOG, nullptr, dlg);
    const auto icon = std::to_string(reinterpret_cast<std::uintptr_t>(fake.resources.LoadIcon(IDR_MAINFRAME)));
    std::vector<std::string> calls;
    for (const auto& entry : fake.ui.log) {
        if (entry.rfind("CreateDialog", 0) != 0 && entry.rfind("default", 0) != 0)
            calls.push_back(entry);
    }
    EXPECT_EQ(calls, (std::vector<std::string>{
        "SendMessage 128 1", "SendMessage 128 0", "SetWindowText 1003 ", "SetTimer 137 1000",
        "SetLayeredWindowAttributes 0 255 2", "NotifyIcon 0"}));
}

TEST_F(MainDialog, SystemMenuGetsHideAndAboutItems)
{
    struct Case {
        const char* name;
        bool noSystemMenu;
        const char16_t* about;
        const char16_t* hide;
        std::vector<std::pair<unsigned, std::string>> items;
    };
    const Case cases[] = {
        {"both texts", false, u"&About...", u"&Hide to tasktray", {{0xF020, "&Hide to tasktray"}, {0, "-"}, {16, "&About..."}}},
        {"empty About text", false, u"", u"&Hide to tasktray", {{0xF020, "&Hide to tasktray"}}},
        {"empty Hide text is still added", false, u"&About...", u"", {{0xF020, ""}, {0, "-"}, {16, "&About..."}}},
        {"no system menu", true, u"&About...", u"&Hide to tasktray", {}},
    };
    for (const auto& c : cases) {
        FakePlatform local;
        local.ui.systemMenuMissing = c.noSystemMenu;
        local.resources.strings[IDS_ABOUTBOX] = c.about;
        local.resources.strings[IDS_HIDE_TO_TASKTRAY] = c.hide;
        CTolvexDesktopWinApp localApp(local.platform);
        Dlg localDlg(localApp);
        const WindowHandle h = local.ui.CreateDialogFromTemplate(IDD_TOLVEXDESKTOPWIN_DIALOG, nullptr, localDlg);
        EXPECT_EQ(local.ui.systemMenuItems, c.items) << c.name;
        EXPECT_EQ(local.ui.notifyCalls.size(), 1u) << c.name << ": the rest of the initialisation goes on";
        EXPECT_TRUE(local.ui.Window(h).visible) << c.name;
    }
}

TEST_F(MainDialog, SystemCommands)
{
    Create();
    Send(win::WM_SYSCOMMAND, 0xF020);
    EXPECT_FALSE(fake.ui.Window(hwnd).visible);
    EXPECT_EQ(fake.ui.CountLog("default 274"), 0) << "the system's minimising does not run";

    fake.ui.Window(hwnd).visible = true;
    Send(win::WM_SYSCOMMAND, 0xF022);  // low bits are the system's own
    EXPECT_FALSE(fake.ui.Window(hwnd).visible);

    Send(win::WM_SYSCOMMAND, 0xF010);  // SC_MOVE
    EXPECT_EQ(fake.ui.CountLog("default 274"), 1);
}

TEST_F(MainDialog, AboutBoxRunsModallyOverTheDialog)
{
    Create();
    bool sawAbout = false;
    fake.ui.onQueueEmpty = [&] {
        if (fake.ui.lastDialog == hwnd)
            return;
        sawAbout = true;
        EXPECT_EQ(fake.ui.Window(fake.ui.lastDialog).templateId, unsigned{IDD_ABOUTBOX});
        EXPECT_EQ(fake.ui.Window(fake.ui.lastDialog).owner, hwnd);
        EXPECT_FALSE(fake.ui.Window(hwnd).enabled);
        fake.ui.PostCommand(fake.ui.lastDialog, win::IDOK);
        fake.ui.onQueueEmpty = nullptr;
    };
    Send(win::WM_SYSCOMMAND, Dlg::IDM_ABOUTBOX);
    EXPECT_TRUE(sawAbout);
    EXPECT_TRUE(fake.ui.Window(hwnd).enabled);
    EXPECT_FALSE(fake.ui.Window(hwnd).destroyed);
}

TEST_F(MainDialog, PaintDrawsTheIconCentredOnlyWhileMinimised)
{
    Create();
    Send(win::WM_PAINT);
    EXPECT_EQ(fake.ui.CountLog("default 15"), 1);
    EXPECT_EQ(fake.ui.CountLog("BeginPaint"), 0);

    struct Case {
        Rect client;
        std::string draw;
    };
    const Case cases[] = {
        {{0, 0, 151, 47}, "DrawIcon 60,8"},   // (151-32+1)/2, (47-32+1)/2
        {{0, 0, 32, 32}, "DrawIcon 0,0"},
        {{0, 0, 20, 10}, "DrawIcon -5,-10"},  // truncated toward zero
    };
    fake.ui.Window(hwnd).iconic = true;
    for (const auto& c : cases) {
        fake.ui.log.clear();
        fake.ui.clientRect = c.client;
        Send(win::WM_PAINT);
        EXPECT_EQ(fake.ui.log, (std::vector<std::string>{"BeginPaint", "SendMessage 39 28672", "default 39", c.draw, "EndPaint"}));
    }
    EXPECT_EQ(Send(win::WM_QUERYDRAGICON), reinterpret_cast<std::intptr_t>(dlg.m_hIcon));
}

TEST_F(MainDialog, TrayIconEvents)
{
    struct Case {
        const char* name;
        std::intptr_t mouse;
        std::vector<std::string> log;
        std::size_t posted;
    };
    const Case cases[] = {
        {"left press", win::WM_LBUTTONDOWN, {"SetForegroundWindow", "TrackPopupMenu 24577 2 100,200", "DestroyMenu 24576"}, 0},
        {"right press", win::WM_RBUTTONDOWN, {"SetForegroundWindow", "TrackPopupMenu 24577 2 100,200", "DestroyMenu 24576"}, 0},
        {"double click", win::WM_LBUTTONDBLCLK, {}, 1},
        {"release", 0x202 /* WM_LBUTTONUP */, {}, 0},
        {"move", win::WM_MOUSEMOVE, {}, 0},
    };
    Create();
    fake.ui.Window(hwnd).visible = false;
    for (const auto& c : cases) {
        fake.ui.log.clear();
        fake.ui.queue.clear();
        Send(Dlg::WM_TRAYICON, 0, c.mouse);
        std::vector<std::string> calls;
        for (const auto& entry : fake.ui.log) {
            if (entry.rfind("default", 0) != 0)
                calls.push_back(entry);
        }
        EXPECT_EQ(calls, c.log) << c.name;
        ASSERT_EQ(fake.ui.queue.size(), c.posted) << c.name;
        if (c.posted != 0)
            EXPECT_EQ(fake.ui.queue.front().message, win::WM_NULL) << c.name;
        EXPECT_FALSE(fake.ui.Window(hwnd).visible) << c.name << ": nothing shows by itself";
    }
}

TEST_F(MainDialog, TrayPopupWithoutItsMenuResourceShowsNothing)
{
    fake.resources.menusMissing = true;
    Create();
    Send(Dlg::WM_TRAYICON, 0, win::WM_RBUTTONDOWN);
    EXPECT_EQ(fake.ui.CountLog("TrackPopupMenu 24577 2 100,200"), 0);
}

TEST_F(MainDialog, ShowHideAndActivate)
{
    Create();
    Send(win::WM_COMMAND, IDC_HIDE);
    EXPECT_FALSE(fake.ui.Window(hwnd).visible);

    fake.ui.log.clear();
    Send(win::WM_COMMAND, ID_POPUP_SHOW);
    EXPECT_EQ(fake.ui.log, (std::vector<std::string>{"SetFocus", "ShowWindow 5"}));
    EXPECT_TRUE(fake.ui.Window(hwnd).visible);

    Send(win::WM_COMMAND, IDC_HIDE);
    fake.ui.log.clear();
    EXPECT_EQ(Send(Dlg::WM_ACTIVATE_REQUEST, 7, 9), 0);
    EXPECT_EQ(fake.ui.log, (std::vector<std::string>{"ShowWindow 5", "SetForegroundWindow", "SetFocus"}));
    EXPECT_TRUE(fake.ui.Window(hwnd).visible);
}

TEST_F(MainDialog, DestroyRemovesTheIconAndARestartedTaskbarGetsItBack)
{
    Create();
    Send(0xC0DE);  // "TaskbarCreated"
    fake.ui.DestroyWindow(hwnd);
    ASSERT_EQ(fake.ui.notifyCalls.size(), 3u);
    EXPECT_EQ(fake.ui.notifyCalls[1].first, win::NIM_ADD);
    EXPECT_EQ(fake.ui.notifyCalls[2].first, win::NIM_DELETE);
    EXPECT_EQ(fake.ui.notifyCalls[2].second.hWnd, hwnd);
}

TEST_F(MainDialog, TimerTurnsTheIndicatorOnlyWhileConnected)
{
    Create();
    dlg.m_bConnected = 1;
    const char16_t* expected[] = {u"\uFF0F", u"\u2015", u"\uFF3C", u"\uFF5C", u"\uFF0F", u"\u2015", u"\uFF3C", u"\uFF5C", u"\uFF0F"};
    for (const char16_t* frame : expected) {
        Send(win::WM_TIMER, Dlg::IDT_REFRESH);
        EXPECT_EQ(fake.ui.Window(fake.ui.Control(hwnd, IDC_ACTIVITY)).text, WideString(frame));
    }
    dlg.m_bConnected = 0;
    fake.ui.log.clear();
    Send(win::WM_TIMER, Dlg::IDT_REFRESH);
    Send(win::WM_TIMER, Dlg::IDT_REFRESH);
    EXPECT_EQ(fake.ui.CountLog("SetWindowText 1003 "), 2) << "written at every tick";
    Send(win::WM_TIMER, 99);
    EXPECT_EQ(fake.ui.CountLog("SetWindowText 1003 "), 2) << "another timer writes nothing";
    EXPECT_EQ(fake.ui.CountLog("default 275"), 3) << "every timer message goes on to the default";
}

TEST_F(MainDialog, EnterRunsOkWithoutEndingAndEveryCancelEnds)
{
    app.SetMainWnd(&dlg);
    int step = 0;
    fake.ui.onQueueEmpty = [&] {
        const WindowHandle h = fake.ui.lastDialog;
        if (step++ == 0)
            fake.ui.PostCommand(h, win::IDOK);
        else if (step == 2)
            fake.ui.PostMessage(h, win::WM_SYSCOMMAND, 0xF060 /* SC_CLOSE */, 0);
    };
    EXPECT_EQ(dlg.DoModal(), win::IDCANCEL);
    EXPECT_EQ(step, 2) << "IDOK did not end the dialog; the close box did";
    EXPECT_EQ(fake.ui.notifyCalls.back().first, win::NIM_DELETE);
}

}  // namespace
