// The main dialog as the units compose it: start-up, the user's commands, Quit, the refresh as
// the user sees it, the tray icon, and the end of a session.
#include <gtest/gtest.h>

#include "base/ResourceIds.h"
#include "fakes/FakePlatform.h"
#include "ui/TolvexDesktopWinDlg.h"

namespace {

constexpr char kPath[] = "C:\\Users\\u\\AppData\\Roaming\\Tolvex Computer\\TolvexPhoneBook.pbk";
constexpr char kEntry[] = "[Tolvex Cell VPN]\r\nIpInterfaceMetric=1\r\n";

class MainDialog : public ::testing::Test {
protected:
    MainDialog()
    {
        fake.ui.templates[IDD_TOLVEXDESKTOPWIN_DIALOG] = {IDC_SETTINGS, win::IDCANCEL, IDC_CONNECT, IDC_ACTIVITY};
    }

    // The dialog runs; each step acts when its loop is idle. The result it ended with, or -1.
    std::intptr_t Run(std::deque<std::function<void()>> steps)
    {
        fake.ui.steps = std::move(steps);
        return dialog.DoModal();
    }
    void Start() { hwnd = fake.ui.CreateDialogFromTemplate(IDD_TOLVEXDESKTOPWIN_DIALOG, nullptr, dialog); }
    WindowHandle Hwnd() const { return dialog.GetSafeHwnd(); }
    void Command(int id) { fake.ui.Command(Hwnd(), id); }
    void Pass() { fake.ui.Deliver(Hwnd(), win::WM_KICKIDLE); }
    void Link(bool up) { fake.adapters.adapters = {{up ? u"Tolvex Cell VPN" : u"Ethernet", up ? 23u : 6u}}; }
    std::string Label(int id) { return Narrow(fake.ui.Window(fake.ui.Control(Hwnd(), id)).text.view()); }
    // The parameters of every start of the dialer tool so far.
    std::vector<std::string> Dialled() const
    {
        std::vector<std::string> lines;
        for (const auto& start : fake.shell.starts) {
            if (start.file.ends_with("rasphone.exe"))
                lines.push_back(start.parameters.value_or(""));
        }
        return lines;
    }
    std::string Dial(char action) const
    {
        return std::string("-f \"") + kPath + "\" -" + action + " \"Tolvex Cell VPN\"";
    }
    std::vector<std::string> Boxes() const
    {
        std::vector<std::string> texts;
        for (const auto& box : fake.ui.boxes)
            texts.push_back(box.text);
        return texts;
    }

    FakePlatform fake;
    CTolvexDesktopWinDlg dialog{fake.platform};
    WindowHandle hwnd = nullptr;
};

TEST_F(MainDialog, MissingIpsecValuesAreToldBeforeTheDialogShowsThenTheToolStarts)
{
    fake.registry.Remove(kNdisWanKey, "TunnelMTU");
    fake.ui.whileBoxOpen = [&] {
        EXPECT_FALSE(fake.ui.Window(Hwnd()).visible);
        EXPECT_TRUE(fake.shell.starts.empty()) << "the tool starts once the box is closed";
    };
    Start();
    EXPECT_EQ(Boxes(), std::vector<std::string>{"#110"});
    ASSERT_EQ(fake.shell.starts.size(), 1u);
    EXPECT_EQ(fake.shell.starts[0].file, "C:\\Program Files\\Tolvex\\Tolvex Regset.exe");
    ASSERT_EQ(fake.ui.notifications.size(), 1u) << "the icon comes last";
    EXPECT_EQ(std::u16string(fake.ui.notifications[0].second.szTip), u"Tolvex VPN Manager");
}

TEST_F(MainDialog, QuitRepairsFirstAndAsksOnlyWhileTheLinkIsUp)
{
    const struct {
        bool up;
        std::uint32_t rule;
        bool admin;
        std::deque<int> answers;
        bool writeFails;
        std::vector<std::string> boxes;
        std::vector<char> dialled;
        std::intptr_t ended;
    } cases[] = {
        {false, 2, true, {}, false, {}, {}, win::IDCANCEL},
        {false, 0, true, {}, false, {"0"}, {}, win::IDCANCEL},
        {false, 0, true, {}, true, {"-1"}, {}, win::IDCANCEL},
        {true, 0, false, {win::IDOK, win::IDNO}, false, {"#111", "#145"}, {}, -1},
        {true, 2, true, {win::IDYES}, false, {"#145"}, {'h'}, win::IDCANCEL},
        {true, 2, true, {win::IDYES}, true, {"#145", "#61861"}, {}, -1},  // the hang-up's rewrite fails
    };
    for (const auto& c : cases) {
        FakePlatform fake;
        fake.ui.templates[IDD_TOLVEXDESKTOPWIN_DIALOG] = {IDC_CONNECT};
        fake.registry.SetDword(kPolicyAgentKey, kEncapsulation, c.rule);
        fake.registry.KeyAt(kPolicyAgentKey).refuseWrite = c.writeFails && !c.up;
        fake.system.admin = c.admin;
        fake.files.Put(kPath, std::string(kEntry) + (c.writeFails ? "IpInterfaceMetric=0\r\n" : ""));
        fake.adapters.adapters = {{u"Tolvex Cell VPN", c.up ? 23u : 6u}};
        CTolvexDesktopWinDlg dialog(fake.platform);
        fake.ui.steps = {[&] {
            fake.ui.boxes.clear();
            fake.shell.starts.clear();  // the registry tool, for a rule that is not 2
            fake.ui.answers = c.answers;
            fake.files.failAt = c.writeFails ? fake.files.operations + 6 : -1;
            fake.ui.Command(dialog.GetSafeHwnd(), win::IDCANCEL);
        }};
        EXPECT_EQ(dialog.DoModal(), c.ended);
        std::vector<std::string> boxes;
        for (const auto& box : fake.ui.boxes)
            boxes.push_back(box.text);
        EXPECT_EQ(boxes, c.boxes);
        std::vector<std::string> dialled;
        for (const char action : c.dialled)
            dialled.push_back(Dial(action));
        std::vector<std::string> started;
        for (const auto& start : fake.shell.starts)
            started.push_back(start.parameters.value_or(""));
        EXPECT_EQ(started, dialled);
    }
}

TEST_F(MainDialog, TheTraysQuitDoesNothingWhileABoxWaitsForItsAnswer)
{
    fake.files.Put(kPath, kEntry);
    Link(true);
    fake.ui.answers = {win::IDOK, win::IDYES};
    const std::intptr_t ended = Run({[&] {
        fake.ui.whileBoxOpen = [&] { Command(win::IDCANCEL); };
        fake.ui.Deliver(Hwnd(), win::WM_COMMAND, win::IDOK);  // Enter: the dial parameters' box
    }});
    EXPECT_EQ(ended, -1);
    EXPECT_EQ(Boxes(), std::vector<std::string>{Dial('d')});
    EXPECT_EQ(Dialled(), std::vector<std::string>{Dial('d')}) << "one dial, no hang-up beneath it";
}

TEST_F(MainDialog, EnterAndSettingsStartTheDialerAsTheEntryDecides)
{
    const struct {
        bool entry;
        int command;
        int answer;
        std::vector<std::string> boxes;
        std::vector<char> dialled;
    } cases[] = {
        {true, win::IDOK, win::IDOK, {"-f \"P\" -d \"N\""}, {'d'}},  // the box first, its whole text the parameters
        {false, win::IDOK, win::IDOK, {}, {'h'}},
        {true, IDC_SETTINGS, win::IDOK, {}, {'e'}},
        {false, IDC_SETTINGS, win::IDOK, {"#129"}, {'a'}},
        {false, IDC_SETTINGS, win::IDCANCEL, {"#129"}, {}},
    };
    for (const auto& c : cases) {
        FakePlatform fake;
        fake.ui.templates[IDD_TOLVEXDESKTOPWIN_DIALOG] = {};
        if (c.entry)
            fake.files.Put(kPath, kEntry);
        fake.ui.answers = {c.answer};
        fake.ui.whileBoxOpen = [&] { EXPECT_TRUE(fake.shell.starts.empty()) << "the box comes before the tool"; };
        CTolvexDesktopWinDlg dialog(fake.platform);
        const WindowHandle hwnd = fake.ui.CreateDialogFromTemplate(IDD_TOLVEXDESKTOPWIN_DIALOG, nullptr, dialog);
        fake.ui.Command(hwnd, c.command);
        std::vector<std::string> boxes, expectedBoxes, started, expectedStarts;
        for (const auto& box : fake.ui.boxes)
            boxes.push_back(box.text);
        for (const auto& box : c.boxes)
            expectedBoxes.push_back(box == "#129" ? box : Dial('d'));
        for (const auto& start : fake.shell.starts)
            started.push_back(start.parameters.value_or(""));
        for (const char action : c.dialled)
            expectedStarts.push_back(Dial(action));
        EXPECT_EQ(boxes, expectedBoxes) << c.command;
        EXPECT_EQ(started, expectedStarts) << c.command;
    }
}

TEST_F(MainDialog, ConnectRewritesThePhoneBookEvenWithoutTheEntryAndStartsNothing)
{
    fake.files.Put(kPath, "[Other]\nIpInterfaceMetric=0\n");
    Start();
    Command(IDC_CONNECT);
    EXPECT_EQ(fake.files.Bytes(kPath), "[Other]\r\nIpInterfaceMetric=1\r\n");
    EXPECT_TRUE(fake.shell.starts.empty());
}

TEST_F(MainDialog, TheRefreshFollowsTheEntryAndTheLinkAndDialsADropOn62)
{
    fake.system.minor = 2;
    Link(false);
    Start();
    fake.ui.Window(fake.ui.Control(Hwnd(), IDC_CONNECT)).text = u"&CONNECT";
    Pass();
    EXPECT_EQ(Label(IDC_SETTINGS), "#107");
    EXPECT_FALSE(fake.ui.Window(fake.ui.Control(Hwnd(), IDC_CONNECT)).enabled);
    EXPECT_EQ(Label(IDC_CONNECT), "&CONNECT") << "disabled with the layout's text";

    fake.files.Put(kPath, kEntry);
    Pass();
    Pass();
    EXPECT_EQ(Label(IDC_SETTINGS), "#106");
    EXPECT_EQ(Label(IDC_CONNECT), "#108");
    Link(true);
    Pass();
    Pass();
    EXPECT_EQ(Label(IDC_CONNECT), "#109");
    EXPECT_EQ(std::u16string(fake.ui.notifications.back().second.szTip), u"Tolvex VPN Manager -- Connected");
    fake.ui.Deliver(Hwnd(), win::WM_SYSCOMMAND, win::SC_MINIMIZE);

    Link(false);
    Pass();
    Pass();
    EXPECT_TRUE(fake.ui.Window(Hwnd()).visible) << "a drop shows the hidden dialog";
    EXPECT_EQ(Dialled(), std::vector<std::string>{Dial('d')});
    Pass();
    Pass();
    EXPECT_EQ(Dialled(), std::vector<std::string>{Dial('d')}) << "dialled once";
}

TEST_F(MainDialog, ARedialThatFailsOnThePhoneBookIsReportedAndTriedAgainAtTheNextPass)
{
    fake.system.minor = 2;
    fake.files.Put(kPath, kEntry);
    Link(true);
    Start();
    Pass();
    Link(false);
    Pass();
    fake.files.failAt = fake.files.operations + 1;  // the read of the re-dial's rewrite
    Pass();
    EXPECT_EQ(Boxes(), std::vector<std::string>{"#61861"});
    EXPECT_EQ(Label(IDC_CONNECT), "#109") << "the label of before";
    EXPECT_TRUE(fake.shell.starts.empty());
    fake.ui.events.clear();
    Pass();
    Pass();
    EXPECT_EQ(Dialled(), std::vector<std::string>{Dial('d')});
    EXPECT_EQ(std::count(fake.ui.events.begin(), fake.ui.events.end(), "show"), 0) << "not shown again";
    EXPECT_EQ(Label(IDC_CONNECT), "#108");
}

TEST_F(MainDialog, TheTrayIconOpensItsMenuOnAPressAndComesBackWithANewTaskbar)
{
    Start();
    fake.ui.Deliver(Hwnd(), CTolvexDesktopWinDlg::WM_TRAYICON, 0, win::WM_RBUTTONDOWN);
    EXPECT_EQ(fake.ui.events.back(), "popup menu");
    EXPECT_EQ(fake.ui.foreground, Hwnd());
    fake.ui.events.clear();
    fake.ui.Deliver(Hwnd(), CTolvexDesktopWinDlg::WM_TRAYICON, 0, win::WM_LBUTTONDBLCLK);
    EXPECT_TRUE(fake.ui.events.empty()) << "a double click opens nothing";

    EXPECT_EQ(fake.ui.allowedMessages, std::set<unsigned>{0xC123}) << "heard also when running elevated";
    fake.ui.Deliver(Hwnd(), 0xC123);
    ASSERT_EQ(fake.ui.notifications.size(), 2u);
    EXPECT_EQ(fake.ui.notifications[1].first, win::NIM_ADD);

    fake.ui.DestroyWindow(Hwnd());
    EXPECT_EQ(fake.ui.events.back(), "default processing 2") << "the window's own clean-up first";
    EXPECT_EQ(fake.ui.notifications.back().first, win::NIM_DELETE);
}

TEST_F(MainDialog, TheEndOfTheSessionEndsTheProgramWithoutQuestionsAndLeavesTheLink)
{
    fake.files.Put(kPath, kEntry);
    fake.registry.SetDword(kPolicyAgentKey, kEncapsulation, 0);
    Link(true);
    const std::intptr_t ended = Run({[&] {
        EXPECT_EQ(fake.ui.Deliver(Hwnd(), win::WM_QUERYENDSESSION, 0, 1), 1);
        fake.ui.Deliver(Hwnd(), win::WM_ENDSESSION, 1, 1);
    }});
    EXPECT_EQ(ended, win::IDCANCEL);
    EXPECT_EQ(Boxes(), std::vector<std::string>{"#110"}) << "only the start-up's";
    EXPECT_EQ(Dialled(), std::vector<std::string>{});
    EXPECT_EQ(fake.registry.Get(kPolicyAgentKey, kEncapsulation)->bytes[0], 0);
}

}  // namespace
