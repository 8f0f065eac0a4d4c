// The main dialog as the units compose it: the commands and their boxes, the refresh, Quit, a
// re-dial that fails on the phonebook, the tray icon, the system menu and the window's end. The
// tours under Wine show the same on the real platform, once each.
#include <gtest/gtest.h>

#include <cstring>

#include "base/ResourceIds.h"
#include "fakes/FakePlatform.h"
#include "platform/Constants.h"
#include "ui/TolvexDesktopWinDlg.h"

namespace {

using Step = FakeFileSystem::Step;
constexpr char kFolder[] = "C:\\Users\\u\\AppData\\Roaming\\Tolvex Computer";
constexpr char kPath[] = "C:\\Users\\u\\AppData\\Roaming\\Tolvex Computer\\TolvexPhoneBook.pbk";
constexpr char kEntry[] = "[Tolvex Cell VPN]\r\nIpInterfaceMetric=1\r\n";
constexpr char kDialLine[] = "-f \"C:\\Users\\u\\AppData\\Roaming\\Tolvex Computer\\TolvexPhoneBook.pbk\" -d \"Tolvex Cell VPN\"";
enum class Link { Down, Up, Unreadable };

class MainDialog : public ::testing::Test {
protected:
    MainDialog()
    {
        fake.ui.templates[IDD_TOLVEXDESKTOPWIN_DIALOG] = {IDC_SETTINGS, win::IDCANCEL, IDC_CONNECT, IDC_ACTIVITY};
        fake.files.nodes[kFolder].directory = true;
    }

    WindowHandle Hwnd() const { return dialog.GetSafeHwnd(); }
    void Create() { fake.ui.CreateDialogFromTemplate(IDD_TOLVEXDESKTOPWIN_DIALOG, nullptr, dialog); }
    void Command(int id) { fake.ui.Deliver(Hwnd(), win::WM_COMMAND, static_cast<unsigned>(id)); }
    void Pass() { fake.ui.Deliver(Hwnd(), win::WM_KICKIDLE); }
    void WorkingPass() { Pass(), Pass(); }
    void SetLink(Link link)
    {
        fake.adapters.adapters = {{u"Tolvex Cell VPN", link == Link::Up ? 23u : 6u}};
        fake.adapters.sizingResult = link == Link::Unreadable ? std::optional<unsigned long>(232) : std::nullopt;
    }
    FakeWindow& Control(int id) { return fake.ui.Window(fake.ui.Control(Hwnd(), id)); }
    std::string Label(int id) { return Narrow(Control(id).text.view()); }
    std::vector<std::string> Boxes() const
    {
        std::vector<std::string> texts;
        for (const auto& box : fake.ui.boxes)
            texts.push_back(box.text);
        return texts;
    }
    // The dialer's action letters ("-d", "-h", ...) in the order started.
    std::vector<std::string> Dialled() const
    {
        std::vector<std::string> actions;
        for (const auto& start : fake.shell.programs)
            actions.push_back(start.parameters.value_or("").substr(std::strlen(kPath) + 6, 2));
        return actions;
    }
    std::string Tip() const { return Narrow(fake.ui.notifications.back().second.szTip); }

    FakePlatform fake;
    CTolvexDesktopWinDlg dialog{fake.platform};
};

TEST_F(MainDialog, EachCommandShowsItsBoxFirstThenStartsItsDialer)
{
    const struct {
        bool entry;
        Link link;
        int command;
        int answer;
        std::string box;  // none when empty
        unsigned boxType;
        std::vector<std::string> dialled;
    } cases[] = {
        {false, Link::Down, IDC_SETTINGS, win::IDCANCEL, "#129", win::MB_OKCANCEL | win::MB_ICONEXCLAMATION, {}},
        {false, Link::Down, IDC_SETTINGS, win::IDOK, "#129", win::MB_OKCANCEL | win::MB_ICONEXCLAMATION, {"-a"}},
        {true, Link::Up, IDC_SETTINGS, 0, "", 0, {"-e"}},
        {true, Link::Down, IDC_CONNECT, 0, "", 0, {"-d"}},
        {true, Link::Up, IDC_CONNECT, 0, "", 0, {"-h"}},
        {true, Link::Unreadable, IDC_CONNECT, 0, "", 0, {"-d"}},
        {false, Link::Up, IDC_CONNECT, 0, "", 0, {}},
        {true, Link::Up, win::IDOK, win::IDOK, kDialLine, win::MB_OK | win::MB_ICONEXCLAMATION, {"-d"}},
        {false, Link::Down, win::IDOK, 0, "", 0, {"-h"}},
    };
    for (const auto& c : cases) {
        FakePlatform fake;
        fake.ui.templates[IDD_TOLVEXDESKTOPWIN_DIALOG] = {IDC_CONNECT};
        fake.files.nodes[kFolder].directory = true;
        if (c.entry)
            fake.files.Put(kPath, kEntry);
        fake.adapters.adapters = {{u"Tolvex Cell VPN", c.link == Link::Up ? 23u : 6u}};
        if (c.link == Link::Unreadable)
            fake.adapters.sizingResult = 232;
        fake.ui.answers = {c.answer};
        fake.ui.whileBoxOpen = [&] { EXPECT_TRUE(fake.shell.programs.empty()) << "started before the box closed"; };
        CTolvexDesktopWinDlg dialog(fake.platform);
        fake.ui.CreateDialogFromTemplate(IDD_TOLVEXDESKTOPWIN_DIALOG, nullptr, dialog);
        fake.ui.Deliver(dialog.GetSafeHwnd(), win::WM_COMMAND, static_cast<unsigned>(c.command));
        ASSERT_EQ(fake.ui.boxes.size(), c.box.empty() ? 0u : 1u) << c.command;
        if (!c.box.empty()) {
            EXPECT_EQ(fake.ui.boxes[0].text, c.box);
            EXPECT_EQ(fake.ui.boxes[0].type, c.boxType);
        }
        std::vector<std::string> dialled;
        for (const auto& start : fake.shell.programs)
            dialled.push_back(start.parameters->substr(std::strlen(kPath) + 6, 2));
        EXPECT_EQ(dialled, c.dialled) << c.command << (c.entry ? " with" : " without") << " the entry";
    }
}

// Pass by pass: the labels, the Connect button's state, the tip; the link is read every second
// pass only.
TEST_F(MainDialog, TheRefreshFollowsTheEntryAndTheLink)
{
    fake.files.nodes.erase(kFolder);
    SetLink(Link::Up);
    Create();
    const struct {
        bool entry;
        Link link;
        std::string settings, connect;
        bool enabled;
        std::string tip;
    } passes[] = {
        {false, Link::Up, "#107", "", false, "Tolvex VPN Manager"},
        {true, Link::Down, "#106", "#108", true, "Tolvex VPN Manager"},
        {true, Link::Up, "#106", "#109", true, "Tolvex VPN Manager -- Connected"},
        {true, Link::Unreadable, "#106", "Error", true, "Tolvex VPN Manager -- Connected"},
        {false, Link::Down, "#107", "Error", false, "Tolvex VPN Manager -- Connected"},
        {true, Link::Down, "#106", "#108", true, "Tolvex VPN Manager"},
    };
    for (const auto& p : passes) {
        if (p.entry)
            fake.files.Put(kPath, kEntry);
        else
            fake.files.nodes.erase(kPath);
        SetLink(p.link);
        Pass();
        EXPECT_EQ(Label(IDC_SETTINGS), p.settings);
        EXPECT_EQ(Label(IDC_CONNECT), p.connect);
        EXPECT_EQ(Control(IDC_CONNECT).enabled, p.enabled) << p.connect;
        EXPECT_EQ(Tip(), p.tip) << p.connect;
        SetLink(p.link == Link::Up ? Link::Down : Link::Up);
        Pass();
        EXPECT_EQ(Label(IDC_CONNECT), p.connect) << "the second pass only looks at the entry";
    }
    EXPECT_EQ(Label(IDC_SETTINGS), "#106");
}

// Ticks 1 to 5 with the link up from the start; then down.
TEST_F(MainDialog, TheIndicatorTurnsOnlyWhileTheLinkIsUp)
{
    fake.files.Put(kPath, kEntry);
    SetLink(Link::Up);
    Create();
    fake.ui.Deliver(Hwnd(), win::WM_TIMER, CTolvexDesktopWinDlg::IDT_REFRESH);
    EXPECT_EQ(Label(IDC_ACTIVITY), "") << "not seen up yet";
    Pass();
    std::u16string frames;
    for (int tick = 2; tick <= 6; ++tick) {
        fake.ui.Deliver(Hwnd(), win::WM_TIMER, CTolvexDesktopWinDlg::IDT_REFRESH);
        frames += Control(IDC_ACTIVITY).text.str();
    }
    EXPECT_EQ(frames, u"\u2015\uFF3C\uFF5C\uFF0F\u2015");
    fake.ui.Deliver(Hwnd(), win::WM_TIMER, 99);
    EXPECT_EQ(Control(IDC_ACTIVITY).text.str(), u"\u2015") << "another timer turns nothing";
    SetLink(Link::Down);
    WorkingPass();
    fake.ui.Deliver(Hwnd(), win::WM_TIMER, CTolvexDesktopWinDlg::IDT_REFRESH);
    EXPECT_EQ(Label(IDC_ACTIVITY), "");
}

TEST_F(MainDialog, QuitRepairsFirstAndAsksOnlyWhileTheLinkIsUp)
{
    const struct {
        bool up;
        std::uint32_t rule;
        bool admin;
        std::deque<int> answers;
        bool refused;  // the key refuses writing, or else the hang-up's rewrite fails on a write
        std::vector<std::string> boxes;
        std::vector<std::string> dialled;
        std::intptr_t ended;
    } cases[] = {
        {false, 2, true, {}, false, {}, {}, win::IDCANCEL},
        {false, 0, true, {}, false, {"0"}, {}, win::IDCANCEL},
        {false, 0, true, {}, true, {"-1"}, {}, win::IDCANCEL},
        {true, 0, false, {win::IDOK, win::IDNO}, false, {"#111", "#145"}, {}, -1},
        {true, 2, true, {win::IDYES}, false, {"#145"}, {"-h"}, win::IDCANCEL},
        // A full disk must not keep the user from disconnecting and quitting.
        {true, 2, true, {win::IDYES}, true, {"#145", "#61869"}, {"-h"}, win::IDCANCEL},
    };
    for (const auto& c : cases) {
        FakePlatform fake;
        fake.ui.templates[IDD_TOLVEXDESKTOPWIN_DIALOG] = {};
        fake.system.admin = c.admin;
        fake.files.nodes[kFolder].directory = true;
        fake.files.Put(kPath, std::string(kEntry) + (c.refused && c.up ? "IpInterfaceMetric=0\r\n" : ""));
        fake.adapters.adapters = {{u"Tolvex Cell VPN", c.up ? 23u : 6u}};
        CTolvexDesktopWinDlg dialog(fake.platform);
        fake.ui.steps = {[&] {
            fake.registry.SetDword(kPolicyAgentKey, kEncapsulation, c.rule);
            fake.registry.KeyAt(kPolicyAgentKey).refuseWrite = c.refused && !c.up;
            fake.ui.answers = c.answers;
            if (c.refused && c.up)
                fake.files.Fail(Step::Write, ".tmp", 1, 112);
            fake.ui.Deliver(dialog.GetSafeHwnd(), win::WM_COMMAND, win::IDCANCEL);
        }};
        EXPECT_EQ(dialog.DoModal(), c.ended);
        std::vector<std::string> boxes, dialled;
        for (const auto& box : fake.ui.boxes)
            boxes.push_back(box.text);
        for (const auto& start : fake.shell.programs)
            dialled.push_back(start.parameters->substr(std::strlen(kPath) + 6, 2));
        EXPECT_EQ(boxes, c.boxes);
        EXPECT_EQ(dialled, c.dialled);
    }
}

TEST_F(MainDialog, TheTraysQuitDoesNothingWhileABoxWaitsForItsAnswer)
{
    fake.files.Put(kPath, kEntry);
    SetLink(Link::Up);
    fake.ui.answers = {win::IDOK, win::IDYES};
    fake.ui.steps = {[&] {
        fake.ui.whileBoxOpen = [&] { Command(win::IDCANCEL); };
        Command(win::IDOK);  // Enter: the dial parameters' box
    }};
    EXPECT_EQ(dialog.DoModal(), -1) << "not ended beneath the box";
    EXPECT_EQ(fake.ui.boxes.size(), 1u);
    EXPECT_EQ(Dialled(), std::vector<std::string>{"-d"}) << "one dial, no hang-up";
}

// On a system that reports 6.2 a drop is dialled again. The phonebook stays unusable for two
// passes: the user is told once, the dialog is shown once, and the dial follows when it works.
TEST_F(MainDialog, ARedialThatFailsOnThePhoneBookIsToldOnceAndTriedAgainAtEachPass)
{
    fake.system.minor = 2;
    fake.files.Put(kPath, kEntry);
    SetLink(Link::Up);
    Create();
    Pass();
    SetLink(Link::Down);
    fake.ui.Window(Hwnd()).visible = false;
    fake.files.nodes[kPath].notReal = true;  // the rewrite leaves a link alone, and says so
    WorkingPass();
    EXPECT_EQ(Boxes(), std::vector<std::string>{"#61861"});
    EXPECT_EQ(Label(IDC_CONNECT), "#109") << "the label of before";
    EXPECT_TRUE(fake.ui.Window(Hwnd()).visible);
    fake.ui.events.clear();
    WorkingPass();
    EXPECT_EQ(Boxes().size(), 1u) << "told once for this drop";
    EXPECT_EQ(std::count(fake.ui.events.begin(), fake.ui.events.end(), "show"), 0) << "not shown again";
    EXPECT_EQ(Dialled(), std::vector<std::string>{});
    fake.files.nodes[kPath].notReal = false;
    WorkingPass();
    WorkingPass();
    EXPECT_EQ(Dialled(), std::vector<std::string>{"-d"}) << "dialled once it works, and once only";
    EXPECT_EQ(Label(IDC_CONNECT), "#108");
}

// The user's Disconnect is not dialled again when the link goes; a dial by Enter ends that.
TEST_F(MainDialog, ADialByEnterEndsARememberedHangUp)
{
    fake.system.minor = 2;
    fake.files.Put(kPath, kEntry);
    SetLink(Link::Up);
    Create();
    Pass();
    Command(IDC_CONNECT);
    Command(win::IDOK);
    WorkingPass();
    SetLink(Link::Down);
    WorkingPass();
    EXPECT_EQ(Dialled(), (std::vector<std::string>{"-h", "-d", "-d"})) << "the drop after Enter's dial is dialled again";
}

TEST_F(MainDialog, StartsWithItsMenuStylesAndIconAndEndsWithTheIconLast)
{
    fake.resources.strings[IDS_ABOUTBOX] = u"";
    fake.files.Put(kPath, "[Other]\nIpInterfaceMetric=0\n");
    Create();
    EXPECT_EQ(std::count(fake.ui.events.begin(), fake.ui.events.end(), "menu 61472 #112"), 1);
    EXPECT_EQ(std::count(fake.ui.events.begin(), fake.ui.events.end(), "menu separator"), 0) << "no About without its text";
    EXPECT_EQ(fake.ui.Window(Hwnd()).exStyle, win::WS_EX_LAYERED);
    ASSERT_EQ(fake.ui.notifications.size(), 1u);
    EXPECT_EQ(fake.ui.notifications[0].first, win::NIM_ADD);
    EXPECT_EQ(fake.ui.notifications[0].second.uCallbackMessage, CTolvexDesktopWinDlg::WM_TRAYICON);
    EXPECT_EQ(Tip(), "Tolvex VPN Manager");

    Command(IDC_CONNECT);
    EXPECT_EQ(fake.files.Bytes(kPath), "[Other]\r\nIpInterfaceMetric=1\r\n") << "Connect rewrites, entry or not";
    EXPECT_TRUE(fake.shell.programs.empty());

    EXPECT_EQ(fake.ui.allowedMessages.count(0xC123), 1u) << "heard also when running elevated";
    fake.ui.Deliver(Hwnd(), 0xC123);
    EXPECT_EQ(fake.ui.notifications.back().first, win::NIM_ADD) << "added again to a new taskbar";
    fake.ui.DestroyWindow(Hwnd());
    EXPECT_EQ(fake.ui.events.end()[-2], "default processing 2") << "the window's own clean-up first";
    EXPECT_EQ(fake.ui.events.back(), "icon 2") << "the icon goes last";

    const std::u16string longTip(300, u'x');
    CTrayIcon(fake.ui, nullptr).SetTip(longTip.c_str());
    EXPECT_EQ(std::u16string(fake.ui.notifications.back().second.szTip), longTip.substr(0, 127)) << "copied with a bound";
}

// Every minimise request hides, whatever the low bits; the icon's buttons open the menu on the
// press; Show, the private request and the T button, each in its order.
TEST_F(MainDialog, TheSystemMenuTheTrayAndThePrivateRequestShowAndHide)
{
    Create();
    const struct {
        unsigned message;
        std::uintptr_t wParam;
        std::intptr_t lParam;
        std::vector<std::string> events;
    } cases[] = {
        {win::WM_SYSCOMMAND, 0xF02F, 0, {"hide"}},
        {win::WM_COMMAND, ID_POPUP_SHOW, 0, {"focus", "show"}},
        {win::WM_COMMAND, IDC_HIDE, 0, {"hide"}},
        {CTolvexDesktopWinDlg::WM_ACTIVATE_REQUEST, 0, 0, {"show", "foreground ", "focus"}},
        {CTolvexDesktopWinDlg::WM_TRAYICON, 0, win::WM_LBUTTONDOWN, {"foreground ", "popup menu"}},
        {CTolvexDesktopWinDlg::WM_TRAYICON, 0, win::WM_RBUTTONDOWN, {"foreground ", "popup menu"}},
        {CTolvexDesktopWinDlg::WM_TRAYICON, 0, win::WM_LBUTTONDBLCLK, {}},
        {CTolvexDesktopWinDlg::WM_TRAYICON, 0, 0x0202, {}},  // the button's release
    };
    for (const auto& c : cases) {
        fake.ui.events.clear();
        fake.ui.Deliver(Hwnd(), c.message, c.wParam, c.lParam);
        EXPECT_EQ(fake.ui.events, c.events) << c.message << " " << c.wParam << " " << c.lParam;
    }
    Message woken;
    ASSERT_TRUE(fake.ui.PeekMessage(woken)) << "a double click wakes the loop";
    EXPECT_EQ(woken.message, win::WM_NULL);

    fake.ui.Deliver(Hwnd(), win::WM_SYSCOMMAND, 0xF060);  // close: the system's own
    EXPECT_FALSE(fake.ui.handled);
    fake.ui.Window(Hwnd()).iconic = true;
    fake.ui.events.clear();
    fake.ui.Deliver(Hwnd(), win::WM_PAINT);
    EXPECT_EQ(fake.ui.events, std::vector<std::string>{"icon drawn at 35,9"}) << "centred in 101 x 50";
}

TEST_F(MainDialog, TheBindingOrderIsFixedOnTheOlderSystemsOnlyAndTheCheckStillTells)
{
    for (const std::uint32_t major : {5u, 6u}) {
        FakePlatform fake;
        fake.ui.templates[IDD_TOLVEXDESKTOPWIN_DIALOG] = {};
        fake.system.major = major;
        fake.registry.Remove(major < 6 ? kIpsecKey : kPolicyAgentKey, kEncapsulation);
        const std::u16string bind(u"X\0\\Device\\NdisWanIp\0\0", 21);
        fake.registry.Set("SYSTEM\\CurrentControlSet\\Services\\Tcpip\\Linkage", "Bind", win::REG_MULTI_SZ,
                          std::string(reinterpret_cast<const char*>(bind.data()), bind.size() * 2));
        CTolvexDesktopWinDlg dialog(fake.platform);
        fake.ui.CreateDialogFromTemplate(IDD_TOLVEXDESKTOPWIN_DIALOG, nullptr, dialog);
        EXPECT_EQ(fake.registry.writes, major < 6 ? 1 : 0) << major;
        ASSERT_EQ(fake.ui.boxes.size(), 1u);
        EXPECT_EQ(fake.ui.boxes[0].text, "#110");
        ASSERT_EQ(fake.shell.starts.size(), 1u) << "the registry tool";
    }
}

}  // namespace
