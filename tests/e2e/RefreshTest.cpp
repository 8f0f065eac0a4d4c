// The dialog following the entry and the link on its own: the labels of Settings and Connect,
// the tray tip, the activity indicator, the link dropping, and a failed adapter enumeration.
//
// A link that comes up is real: the stand-in dialer has the link daemon make a point-to-point
// device that Wine lists. A link that goes away comes from the test-only adapter list, because
// Wine keeps listing a deleted device (as not present, with its name and type) for the rest of
// its session, and the program looks at the name and type alone.
#include <set>

#include "Sandbox.h"
#include "Scenario.h"
#include "base/ResourceIds.h"

using namespace e2e;

namespace {

const std::vector<std::wstring> kLinkUp = {L"24 Loopback Pseudo-Interface 1", L"6 Ethernet", L"23 Tolvex Cell VPN"};
const std::vector<std::wstring> kLinkDown = {L"24 Loopback Pseudo-Interface 1", L"6 Ethernet"};
constexpr UINT kAboutBox = 16;
// The four frames of the activity indicator.
const std::set<std::wstring> kFrames = {L"\uFF5C", L"\uFF0F", L"\u2015", L"\uFF3C"};

class Refresh : public Scenario {};

TEST_F(Refresh, WithoutTheEntryConnectIsDisabledAndKeepsItsLayoutText)
{
    StartApp();
    EXPECT_TRUE(WaitForLabel(IDC_SETTINGS, L"&Create settings"));
    HWND connect = GetDlgItem(m_hDlg, IDC_CONNECT);
    // Disabled by a refresh that read the entry: the label is the one it had then.
    ASSERT_TRUE(WaitUntil([&] { return !IsWindowEnabled(connect); }));
    EXPECT_EQ(WindowText(connect), L"&CONNECT");
    EXPECT_TRUE(IsWindowEnabled(GetDlgItem(m_hDlg, IDC_SETTINGS)));
    EXPECT_EQ(Label(IDC_ACTIVITY), L"");
}

TEST_F(Refresh, OnceTheDialerHasWrittenTheEntryTheLabelsFollow)
{
    StartApp();
    HWND connect = GetDlgItem(m_hDlg, IDC_CONNECT);
    ASSERT_TRUE(WaitUntil([&] { return !IsWindowEnabled(connect); }));
    ClickButton(m_hDlg, IDC_SETTINGS);
    HWND box = WaitForBox();
    ASSERT_NE(box, nullptr);
    Answer(box, IDOK);
    ASSERT_TRUE(WaitForDialerLogLines(1));
    ASSERT_EQ(ReadDialerLog(), std::vector<std::wstring>{DialerLine(L'a')});

    EXPECT_TRUE(WaitForLabel(IDC_SETTINGS, L"&Edit settings"));
    EXPECT_TRUE(WaitForLabel(IDC_CONNECT, L"&Connect"));
    EXPECT_TRUE(IsWindowEnabled(connect));
    EXPECT_TRUE(WaitForTrayTip(kTipDown));
    SaveScreenshot(L"entry-set-up-en");
}

TEST_F(Refresh, ConnectBringsARealLinkUpAndTheDialogTurnsToDisconnect)
{
    AddEntryWithDialer();
    StartApp();
    ASSERT_TRUE(WaitForLabel(IDC_CONNECT, L"&Connect"));
    ASSERT_FALSE(RealLinkUp());
    EXPECT_EQ(Label(IDC_ACTIVITY), L"") << "no indicator while the link is down";

    ClickButton(m_hDlg, IDC_CONNECT);
    ASSERT_TRUE(WaitUntil([] { return RealLinkUp(); }, kDialerWaitMs)) << "the dialer brought no link up";
    EXPECT_TRUE(WaitForLabel(IDC_CONNECT, L"&Disconnect"));
    EXPECT_TRUE(WaitForTrayTip(kTipUp));

    // The indicator turns, a frame a second.
    std::set<std::wstring> seen;
    EXPECT_TRUE(WaitUntil([&] {
        const std::wstring frame = Label(IDC_ACTIVITY);
        if (!frame.empty())
            seen.insert(frame);
        return seen.size() >= 2;
    }, kRefreshWaitMs));
    for (const auto& frame : seen)
        EXPECT_EQ(kFrames.count(frame), 1u) << testing::PrintToString(frame);
    SaveScreenshot(L"connected-en");
    ASSERT_TRUE(WaitForDialerLogLines(1));
    EXPECT_EQ(ReadDialerLog(), std::vector<std::wstring>{DialerLine(L'd')});
}

TEST_F(Refresh, OnAnOlderSystemAnyPointToPointLinkCounts)
{
    AddEntryWithDialer();
    ASSERT_TRUE(RequestLink(true, L"ppp-office"));
    ASSERT_TRUE(WaitUntil([] { return RealLinkUp(L"ppp-office"); }));
    {
        // A newer system counts only a link whose name holds the entry's word.
        ReportedVersion version(L"win8");
        StartApp();
        EXPECT_TRUE(WaitForLabel(IDC_CONNECT, L"&Connect")) << testing::PrintToString(DescribeAdapters());
        m_app.reset();
    }
    ReportedVersion version(L"winxp");
    StartApp();
    EXPECT_TRUE(WaitForLabel(IDC_CONNECT, L"&Disconnect"));
    EXPECT_TRUE(WaitForTrayTip(kTipUp));
}

TEST_F(Refresh, AFailedAdapterEnumerationReadsError)
{
    TestAdapterList adapters({L"fail-sizing 232"});
    AddEntryWithDialer();
    StartApp();
    EXPECT_TRUE(WaitForLabel(IDC_CONNECT, L"Error"));
    EXPECT_TRUE(IsWindowEnabled(GetDlgItem(m_hDlg, IDC_CONNECT)));

    ASSERT_TRUE(adapters.Set(kLinkDown));
    EXPECT_TRUE(WaitForLabel(IDC_CONNECT, L"&Connect"));
    ASSERT_TRUE(adapters.Set({L"fail-filling 111"}));
    EXPECT_TRUE(WaitForLabel(IDC_CONNECT, L"Error"));
}

// Drops come from the test-only adapter list: the link goes away while the program runs.
class LinkDrop : public Scenario {
protected:
    // The program with the entry set up and the link up, its dialog hidden in the tray.
    void StartConnectedAndHide()
    {
        AddEntryWithDialer();
        StartApp();
        ASSERT_TRUE(WaitForLabel(IDC_CONNECT, L"&Disconnect"));
        ASSERT_TRUE(WaitForTrayTip(kTipUp));
    }

    // Once the dialog shows the drop, and the refresh that saw it, with whatever it started, is
    // over (a later refresh has run): the dialer's log.
    std::vector<std::wstring> DialerLogAfterTheDrop()
    {
        EXPECT_TRUE(WaitUntil([&] { return ShowsDialog(); }, kRefreshWaitMs));
        EXPECT_TRUE(WaitForLabel(IDC_CONNECT, L"&Connect"));
        WaitForARefreshOfTheLink();
        EXPECT_TRUE(WaitForDialersToEnd());
        return ReadDialerLog();
    }
};

TEST_F(LinkDrop, OnWindows8ADropWhileHiddenShowsTheDialogAndDialsOnce)
{
    ReportedVersion version(L"win8");
    TestAdapterList adapters(kLinkUp);
    StartConnectedAndHide();
    HideToTray();

    ASSERT_TRUE(adapters.Set(kLinkDown));
    EXPECT_TRUE(WaitUntil([&] { return ShowsDialog(); }, kRefreshWaitMs));
    ASSERT_TRUE(WaitForDialerLogLines(1));
    EXPECT_EQ(ReadDialerLog(), std::vector<std::wstring>{DialerLine(L'd')});
    EXPECT_TRUE(WaitForLabel(IDC_CONNECT, L"&Connect"));
    EXPECT_TRUE(WaitForTrayTip(kTipDown));

    // The link stays down: the refreshes after the dial dial no more.
    WaitForARefreshOfTheLink();
    WaitForARefreshOfTheLink();
    ASSERT_TRUE(WaitForDialersToEnd());
    EXPECT_EQ(ReadDialerLog(), std::vector<std::wstring>{DialerLine(L'd')});
}

TEST_F(LinkDrop, OnWindows7ADropWhileHiddenOnlyShowsTheDialog)
{
    ReportedVersion version(L"win7");
    TestAdapterList adapters(kLinkUp);
    StartConnectedAndHide();
    HideToTray();

    ASSERT_TRUE(adapters.Set(kLinkDown));
    EXPECT_TRUE(DialerLogAfterTheDrop().empty());
}

// The user's own Disconnect as it goes on a real system: the hang-up takes a moment, and the
// dialog refreshes in between, still seeing the link up; then the link goes.
TEST_F(LinkDrop, OnWindows8TheUsersOwnDisconnectShowsTheDialogAndIsNotDialledAgain)
{
    ReportedVersion version(L"win8");
    TestAdapterList adapters(kLinkUp);
    StartConnectedAndHide();

    ClickButton(m_hDlg, IDC_CONNECT);
    ASSERT_TRUE(WaitForDialerLogLines(1));
    ASSERT_EQ(ReadDialerLog(), std::vector<std::wstring>{DialerLine(L'h')});
    WaitForARefreshOfTheLink();
    EXPECT_EQ(Label(IDC_CONNECT), L"&Disconnect") << "the link is still up";
    HideToTray();

    ASSERT_TRUE(adapters.Set(kLinkDown));
    EXPECT_EQ(DialerLogAfterTheDrop(), std::vector<std::wstring>{DialerLine(L'h')}) << "the user's own disconnect was dialled again";
}

// The same when the link is gone by the first refresh after the click. The About box holds the
// refreshes back (they pause while a box of the program is open) until the link is gone.
TEST_F(LinkDrop, OnWindows8ADisconnectThatEndsTheLinkAtOnceIsNotDialledAgain)
{
    ReportedVersion version(L"win8");
    TestAdapterList adapters(kLinkUp);
    StartConnectedAndHide();

    PostMessageW(m_hDlg, WM_SYSCOMMAND, kAboutBox, 0);
    HWND about = nullptr;
    ASSERT_TRUE(WaitUntil([&] { return (about = m_app->FindDialogByCaption(L"About Tolvex Cell VPN Manager")) != nullptr; }));
    SendMessageW(m_hDlg, WM_COMMAND, MAKEWPARAM(IDC_CONNECT, BN_CLICKED), reinterpret_cast<LPARAM>(GetDlgItem(m_hDlg, IDC_CONNECT)));
    ASSERT_TRUE(WaitForDialerLogLines(1));
    ASSERT_EQ(ReadDialerLog(), std::vector<std::wstring>{DialerLine(L'h')});
    ASSERT_TRUE(adapters.Set(kLinkDown));
    HideToTray();
    Answer(about, IDOK);
    EXPECT_EQ(DialerLogAfterTheDrop(), std::vector<std::wstring>{DialerLine(L'h')});
}

}  // namespace
