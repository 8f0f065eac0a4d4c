// Quit with and without a link: the question before a live link is ended, its two answers, and
// the quiet end without a link. The link is real: the stand-in dialer brought it up.
#include "Sandbox.h"
#include "Scenario.h"
#include "base/ResourceIds.h"

using namespace e2e;

namespace {

constexpr wchar_t kConfirmText[] = L"Are you sure to disconnect the VPN connection, and quit?";

class Quit : public Scenario {
protected:
    // The entry set up and its link brought up with Connect.
    void StartConnected()
    {
        AddEntryWithDialer();
        StartApp();
        ASSERT_TRUE(WaitForLabel(IDC_CONNECT, L"&Connect"));
        ClickButton(m_hDlg, IDC_CONNECT);
        ASSERT_TRUE(WaitForDialerLogLines(1));
        ASSERT_TRUE(RealLinkUp());
        ASSERT_TRUE(WaitForLabel(IDC_CONNECT, L"&Disconnect"));
    }

    HWND QuitAsks()
    {
        ClickButton(m_hDlg, IDCANCEL);
        HWND box = WaitForBox();
        if (box != nullptr) {
            EXPECT_EQ(MessageBoxText(box), kConfirmText);
            EXPECT_NE(GetDlgItem(box, IDYES), nullptr);
            EXPECT_NE(GetDlgItem(box, IDNO), nullptr);
        }
        return box;
    }
};

TEST_F(Quit, WithTheLinkUpNoKeepsTheProgramAndTheLinkAndYesHangsUpOnceAndEnds)
{
    StartConnected();
    HWND box = QuitAsks();
    ASSERT_NE(box, nullptr);
    SaveScreenshot(L"quit-asks-en");
    Answer(box, IDNO);

    // Settings starts the edit form after whatever the answer started: once that is in the log
    // and every tool has ended, a hang-up would be there as well.
    ClickButton(m_hDlg, IDC_SETTINGS);
    ASSERT_TRUE(WaitForDialerLogLines(2));
    EXPECT_EQ(ReadDialerLog(), (std::vector<std::wstring>{DialerLine(L'd'), DialerLine(L'e')}));
    EXPECT_FALSE(m_app->HasExited());
    EXPECT_TRUE(RealLinkUp());
    EXPECT_EQ(Label(IDC_CONNECT), L"&Disconnect");

    box = QuitAsks();
    ASSERT_NE(box, nullptr);
    Answer(box, IDYES);
    EXPECT_TRUE(m_app->WaitForExit());
    ASSERT_TRUE(WaitForDialerLogLines(3));
    EXPECT_EQ(ReadDialerLog(), (std::vector<std::wstring>{DialerLine(L'd'), DialerLine(L'e'), DialerLine(L'h')}));
    EXPECT_FALSE(RealLinkUp()) << "the hang-up took the link down";
}

TEST_F(Quit, FromTheTrayWhileHiddenWithTheLinkUpAsksToo)
{
    StartConnected();
    HideToTray();
    ClickTrayIcon(true);
    ASSERT_TRUE(WaitUntil([] { return FindPopupMenu() != nullptr; }));
    TypeKey('Q');
    HWND box = WaitForBox();
    ASSERT_NE(box, nullptr);
    EXPECT_EQ(MessageBoxText(box), kConfirmText);
    Answer(box, IDNO);
    EXPECT_FALSE(ShowsDialog()) << "No leaves the dialog hidden";
    EXPECT_FALSE(m_app->HasExited());
}

TEST_F(Quit, WithoutALinkEndsAtOnceWithoutAskingOrStartingTheDialer)
{
    AddEntryWithDialer();
    StartApp();
    ASSERT_TRUE(WaitForLabel(IDC_CONNECT, L"&Connect"));
    ClickButton(m_hDlg, IDCANCEL);
    // A question would keep the program running until answered.
    EXPECT_TRUE(m_app->WaitForExit());
    ASSERT_TRUE(WaitForDialersToEnd());
    EXPECT_TRUE(ReadDialerLog().empty());
}

}  // namespace
