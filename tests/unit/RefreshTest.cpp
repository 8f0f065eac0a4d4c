// The command-state refresh as a state machine: each case is a sequence of refresh passes, each
// pass with the world as it finds it and what the dialog shows afterwards.
#include "DialogFixture.h"

namespace {

using namespace std::string_literals;

enum class Link { Up, Down, Failing };

struct Pass {
    bool entry;
    Link link;
    // What the pass leaves behind.
    std::string label;           // of button 1004
    bool enabled;
    std::string tip;             // of the last NIM_MODIFY, "" when none was sent yet
    int connected;
    bool visible;
    std::vector<char> dialled;   // dialer actions started during this pass
};

class Refresh : public DialogFixture {
public:
    void SetUp() override { Create(); }

    void Arrange(bool entry, Link link)
    {
        if (entry)
            fake.files.files[kPath] = kEntry;
        else
            fake.files.files.erase(kPath);
        fake.adapters = FakeAdapters();
        if (link == Link::Up)
            fake.adapters.adapters = {{u"Tolvex Cell VPN", 23}};
        else if (link == Link::Down)
            fake.adapters.adapters = {{u"Ethernet", 6}};
    }

    // One working pass: the first call of a pair works, the second returns at once.
    void WorkingPass()
    {
        Send(win::WM_KICKIDLE);
        Send(win::WM_KICKIDLE);
    }

    std::string LastTip() const
    {
        for (auto it = fake.ui.notifyCalls.rbegin(); it != fake.ui.notifyCalls.rend(); ++it) {
            if (it->first == win::NIM_MODIFY)
                return Narrow(it->second.szTip);
        }
        return "";
    }

    void Run(const char* name, const std::vector<Pass>& passes, std::uint32_t minor = 2)
    {
        fake.system.major = 6;
        fake.system.minor = minor;
        fake.ui.Window(hwnd).visible = false;  // hidden in the notification area
        for (std::size_t i = 0; i < passes.size(); ++i) {
            const Pass& p = passes[i];
            Arrange(p.entry, p.link);
            const std::size_t before = fake.shell.starts.size();
            WorkingPass();
            const std::string at = std::string(name) + ", pass " + std::to_string(i + 1);
            EXPECT_EQ(Text(IDC_CONNECT), p.label) << at;
            EXPECT_EQ(fake.ui.Window(fake.ui.Control(hwnd, IDC_CONNECT)).enabled, p.enabled) << at;
            EXPECT_EQ(LastTip(), p.tip) << at;
            EXPECT_EQ(dlg.m_bConnected, p.connected) << at;
            EXPECT_EQ(fake.ui.Window(hwnd).visible, p.visible) << at;
            std::vector<std::string> expected;
            for (const char action : p.dialled)
                expected.push_back(Parameters(action));
            const auto& all = StartedParameters();
            EXPECT_EQ(std::vector<std::string>(all.begin() + static_cast<long>(before), all.end()), expected) << at;
        }
    }
};

const std::string kUpTip = "Tolvex VPN Manager -- Connected";
const std::string kDownTip = "Tolvex VPN Manager";

TEST_F(Refresh, EntryAndNoLinkAtStart)
{
    Run("start", {{true, Link::Down, "&Connect", true, kDownTip, 0, false, {}}});
    EXPECT_EQ(Text(IDC_SETTINGS), "&Edit settings");
}

TEST_F(Refresh, NoEntryDisablesConnectAndLeavesItsLayoutText)
{
    Run("no entry", {{false, Link::Up, "template", false, "", 0, false, {}}});
    EXPECT_EQ(Text(IDC_SETTINGS), "&Create settings");
    EXPECT_TRUE(fake.ui.Window(fake.ui.Control(hwnd, IDC_SETTINGS)).enabled);
    EXPECT_EQ(fake.adapters.calls, 0) << "no detection without the entry";
}

TEST_F(Refresh, DropOnVersion62ShowsTheDialogAndDialsOnce)
{
    Run("6.2", {
        {true, Link::Up, "&Disconnect", true, kUpTip, 1, false, {}},
        {true, Link::Down, "&Connect", true, kDownTip, 0, true, {'d'}},
        {true, Link::Down, "&Connect", true, kDownTip, 0, true, {}},  // a drop is acted on once
    });
}

TEST_F(Refresh, DropOnVersion61OnlyShowsTheDialog)
{
    Run("6.1", {
        {true, Link::Up, "&Disconnect", true, kUpTip, 1, false, {}},
        {true, Link::Down, "&Connect", true, kDownTip, 0, true, {}},
    }, 1);
}

TEST_F(Refresh, FailedDetectionReadsErrorAndLeavesTheRestAsItWas)
{
    Run("error between up and down", {
        {true, Link::Up, "&Disconnect", true, kUpTip, 1, false, {}},
        {true, Link::Failing, "Error", true, kUpTip, 1, false, {}},
        {true, Link::Down, "&Connect", true, kDownTip, 0, true, {'d'}},
    });
}

TEST_F(Refresh, EntryGoneWhileUpKeepsTheLabelAndTipAndDisables)
{
    Run("entry gone", {
        {true, Link::Up, "&Disconnect", true, kUpTip, 1, false, {}},
        {false, Link::Down, "&Disconnect", false, kUpTip, 1, false, {}},
        {true, Link::Down, "&Connect", true, kDownTip, 0, true, {'d'}},
    });
}

TEST_F(Refresh, UsersOwnDisconnectIsNotDialledAgain)
{
    Run("up", {{true, Link::Up, "&Disconnect", true, kUpTip, 1, false, {}}});
    Send(win::WM_COMMAND, IDC_CONNECT);
    EXPECT_EQ(StartedParameters().back(), Parameters('h'));
    Run("after the user's disconnect", {{true, Link::Down, "&Connect", true, kDownTip, 0, true, {}}});
}

TEST_F(Refresh, UsersOwnDisconnectStaysUndialledWhileTheLinkTakesItsTimeToGo)
{
    Run("up", {{true, Link::Up, "&Disconnect", true, kUpTip, 1, false, {}}});
    Send(win::WM_COMMAND, IDC_CONNECT);
    Run("the hang-up under way", {
        {true, Link::Up, "&Disconnect", true, kUpTip, 1, false, {}},
        {true, Link::Up, "&Disconnect", true, kUpTip, 1, false, {}},
        {true, Link::Down, "&Connect", true, kDownTip, 0, true, {}},
    });
    // The hang-up is over once the link was seen down: a later loss of the line is dialled,
    // however the link came back.
    Run("up again from elsewhere, then lost", {
        {true, Link::Up, "&Disconnect", true, kUpTip, 1, false, {}},
        {true, Link::Down, "&Connect", true, kDownTip, 0, true, {'d'}},
    });
}

TEST_F(Refresh, RedialWithAPhoneBookErrorIsTriedAgainWithoutShowingAgain)
{
    fake.resources.strings[IDP_FILE_DISK_FULL] = u"Disk full while accessing %1.";
    Run("up", {{true, Link::Up, "&Disconnect", true, kUpTip, 1, false, {}}});

    fake.files.files[kPath] = kEntry + "IpInterfaceMetric=0\n"s;
    fake.files.writeError = 112;
    fake.adapters = FakeAdapters();
    fake.adapters.adapters = {{u"Ethernet", 6}};
    WorkingPass();
    ASSERT_EQ(fake.ui.messageBoxes.size(), 1u);
    EXPECT_EQ(fake.ui.messageBoxes[0].text, "Disk full while accessing "s + kPath + ".");
    EXPECT_EQ(Text(IDC_CONNECT), "&Disconnect") << "the label stays";
    EXPECT_TRUE(fake.shell.starts.empty());
    EXPECT_TRUE(fake.ui.Window(hwnd).visible);

    fake.ui.Window(hwnd).visible = false;
    WorkingPass();
    EXPECT_EQ(fake.ui.messageBoxes.size(), 2u) << "tried again";
    EXPECT_FALSE(fake.ui.Window(hwnd).visible) << "without showing the window again";

    fake.files.writeError = 0;
    WorkingPass();
    EXPECT_EQ(StartedParameters(), std::vector<std::string>{Parameters('d')});
    EXPECT_EQ(Text(IDC_CONNECT), "&Connect");
    WorkingPass();
    EXPECT_EQ(fake.shell.starts.size(), 1u);
}

TEST_F(Refresh, OnlyEveryOtherCallOfTheConnectUpdaterWorks)
{
    Arrange(true, Link::Down);
    for (int call = 1; call <= 6; ++call) {
        const int before = fake.adapters.calls;
        Send(win::WM_KICKIDLE);
        EXPECT_EQ(fake.adapters.calls > before, call % 2 == 1) << call;
    }
    EXPECT_EQ(fake.ui.notifyCalls.size(), 1u + 3u) << "the add, then one NIM_MODIFY per working pass";
}

TEST_F(Refresh, SettingsLabelFollowsTheEntryAtEveryPass)
{
    Arrange(false, Link::Down);
    Send(win::WM_KICKIDLE);
    EXPECT_EQ(Text(IDC_SETTINGS), "&Create settings");
    Arrange(true, Link::Down);
    Send(win::WM_KICKIDLE);  // a pass on which the connect updater rests
    EXPECT_EQ(Text(IDC_SETTINGS), "&Edit settings");
    fake.ui.log.clear();
    Send(win::WM_KICKIDLE);
    EXPECT_EQ(fake.ui.CountLog("SetWindowText 1002 &Edit settings"), 0) << "an unchanged label is not written";
}

TEST_F(Refresh, DisablingTheFocusedConnectButtonMovesTheFocusFirst)
{
    Arrange(false, Link::Down);
    fake.ui.focus = fake.ui.Control(hwnd, IDC_CONNECT);
    Send(win::WM_KICKIDLE);
    const auto next = std::find(fake.ui.log.begin(), fake.ui.log.end(), "SendMessage 40 0");
    const auto disable = std::find(fake.ui.log.begin(), fake.ui.log.end(), "EnableWindow 0");
    ASSERT_NE(next, fake.ui.log.end());
    EXPECT_LT(next, disable);
}

TEST_F(Refresh, IndicatorTurnsWithTheTicksSinceStartWhileUp)
{
    Send(win::WM_TIMER, CTolvexDesktopWinDlg::IDT_REFRESH);
    EXPECT_EQ(Text(IDC_ACTIVITY), "");
    Arrange(true, Link::Up);
    WorkingPass();
    Send(win::WM_TIMER, CTolvexDesktopWinDlg::IDT_REFRESH);  // tick 2
    EXPECT_EQ(fake.ui.Window(fake.ui.Control(hwnd, IDC_ACTIVITY)).text, WideString(u"\u2015"));
}

}  // namespace
