// The main dialog as the units compose it, for what only the composition decides: Quit and its
// boxes, a re-dial that fails on the phonebook, the tray icon's record, the window's end. The
// tours under Wine show the rest.
#include <gtest/gtest.h>

#include <cstring>

#include "base/ResourceIds.h"
#include "fakes/FakePlatform.h"
#include "platform/Constants.h"
#include "ui/TolvexDesktopWinDlg.h"

namespace {

constexpr char kPath[] = "C:\\Users\\u\\AppData\\Roaming\\Tolvex Computer\\TolvexPhoneBook.pbk";
constexpr char kEntry[] = "[Tolvex Cell VPN]\r\nIpInterfaceMetric=1\r\n";

class MainDialog : public ::testing::Test {
protected:
    MainDialog() { fake.ui.templates[IDD_TOLVEXDESKTOPWIN_DIALOG] = {IDC_SETTINGS, win::IDCANCEL, IDC_CONNECT}; }

    WindowHandle Hwnd() const { return dialog.GetSafeHwnd(); }
    void Command(int id) { fake.ui.Deliver(Hwnd(), win::WM_COMMAND, static_cast<unsigned>(id)); }
    void Pass() { fake.ui.Deliver(Hwnd(), win::WM_KICKIDLE); }
    void Link(bool up) { fake.adapters.adapters = {{u"Tolvex Cell VPN", up ? 23u : 6u}}; }
    std::vector<std::string> Boxes() const
    {
        std::vector<std::string> texts;
        for (const auto& box : fake.ui.boxes)
            texts.push_back(box.text);
        return texts;
    }
    std::vector<std::string> Dialled() const
    {
        std::vector<std::string> actions;
        for (const auto& start : fake.shell.starts)
            actions.push_back(start.parameters.value_or("").substr(std::strlen(kPath) + 6, 2));
        return actions;
    }

    FakePlatform fake;
    CTolvexDesktopWinDlg dialog{fake.platform};
};

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
        {true, 2, true, {win::IDYES}, true, {"#145", "#61861"}, {}, -1},
    };
    for (const auto& c : cases) {
        FakePlatform fake;
        fake.ui.templates[IDD_TOLVEXDESKTOPWIN_DIALOG] = {};
        fake.system.admin = c.admin;
        fake.files.Put(kPath, std::string(kEntry) + (c.refused && c.up ? "IpInterfaceMetric=0\r\n" : ""));
        fake.adapters.adapters = {{u"Tolvex Cell VPN", c.up ? 23u : 6u}};
        CTolvexDesktopWinDlg dialog(fake.platform);
        fake.ui.steps = {[&] {
            fake.registry.SetDword(kPolicyAgentKey, kEncapsulation, c.rule);
            fake.registry.KeyAt(kPolicyAgentKey).refuseWrite = c.refused && !c.up;
            fake.ui.answers = c.answers;
            fake.files.failAt = c.refused && c.up ? fake.files.operations + 6 : -1;  // the rewrite's write
            fake.ui.Deliver(dialog.GetSafeHwnd(), win::WM_COMMAND, win::IDCANCEL);
        }};
        EXPECT_EQ(dialog.DoModal(), c.ended);
        std::vector<std::string> boxes, dialled;
        for (const auto& box : fake.ui.boxes)
            boxes.push_back(box.text);
        for (const auto& start : fake.shell.starts)
            dialled.push_back(start.parameters->substr(std::strlen(kPath) + 6, 2));
        EXPECT_EQ(boxes, c.boxes);
        EXPECT_EQ(dialled, c.dialled);
    }
}

TEST_F(MainDialog, TheTraysQuitDoesNothingWhileABoxWaitsForItsAnswer)
{
    fake.files.Put(kPath, kEntry);
    Link(true);
    fake.ui.answers = {win::IDOK, win::IDYES};
    fake.ui.steps = {[&] {
        fake.ui.whileBoxOpen = [&] { Command(win::IDCANCEL); };
        Command(win::IDOK);  // Enter: the dial parameters' box
    }};
    EXPECT_EQ(dialog.DoModal(), -1) << "not ended beneath the box";
    EXPECT_EQ(fake.ui.boxes.size(), 1u);
    EXPECT_EQ(Dialled(), std::vector<std::string>{"-d"}) << "one dial, no hang-up";
}

TEST_F(MainDialog, ARedialThatFailsOnThePhoneBookIsReportedAndTriedAgainAtTheNextPass)
{
    fake.system.minor = 2;
    fake.files.Put(kPath, kEntry);
    Link(true);
    fake.ui.CreateDialogFromTemplate(IDD_TOLVEXDESKTOPWIN_DIALOG, nullptr, dialog);
    Pass();
    Link(false);
    Pass();
    fake.files.failAt = fake.files.operations + 1;  // the read of the re-dial's rewrite
    Pass();
    EXPECT_EQ(Boxes(), std::vector<std::string>{"#61861"});
    EXPECT_EQ(Narrow(fake.ui.Window(fake.ui.Control(Hwnd(), IDC_CONNECT)).text.view()), "#109") << "the label of before";
    fake.ui.events.clear();
    Pass();
    Pass();
    EXPECT_EQ(Dialled(), std::vector<std::string>{"-d"});
    EXPECT_EQ(std::count(fake.ui.events.begin(), fake.ui.events.end(), "show"), 0) << "not shown again";
}

TEST_F(MainDialog, TheIconIsHeardFromANewTaskbarAndGoesLastWithTheWindow)
{
    fake.files.Put(kPath, "[Other]\nIpInterfaceMetric=0\n");
    fake.ui.CreateDialogFromTemplate(IDD_TOLVEXDESKTOPWIN_DIALOG, nullptr, dialog);
    Command(IDC_CONNECT);
    EXPECT_EQ(fake.files.Bytes(kPath), "[Other]\r\nIpInterfaceMetric=1\r\n") << "Connect rewrites, entry or not";
    EXPECT_TRUE(fake.shell.starts.empty());

    EXPECT_EQ(fake.ui.allowedMessages, std::set<unsigned>{0xC123}) << "heard also when running elevated";
    fake.ui.Deliver(Hwnd(), 0xC123);
    ASSERT_EQ(fake.ui.notifications.size(), 2u);
    EXPECT_EQ(fake.ui.notifications[1].first, win::NIM_ADD);
    fake.ui.DestroyWindow(Hwnd());
    EXPECT_EQ(fake.ui.events.back(), "default processing 2") << "the window's own clean-up first";
    EXPECT_EQ(fake.ui.notifications.back().first, win::NIM_DELETE);

    const std::u16string longTip(300, u'x');
    CTrayIcon(fake.ui, nullptr).SetTip(longTip.c_str());
    EXPECT_EQ(std::u16string(fake.ui.notifications.back().second.szTip), longTip.substr(0, 127)) << "copied with a bound";
}

}  // namespace
