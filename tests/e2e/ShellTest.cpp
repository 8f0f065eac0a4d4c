// The program as a user first meets it: the dialog, the system menu, the notification area,
// a second start, and every way of closing it.
#include <gtest/gtest.h>

#include "Driver.h"
#include "base/ResourceIds.h"

using namespace e2e;

namespace {

constexpr UINT kActivateRequest = WM_USER + 0x70;
constexpr UINT kHideToTray = 0xF020;
constexpr UINT kAboutBox = 16;

class Shell : public ::testing::Test {
protected:
    void SetUp() override
    {
        m_hDlg = m_app.WaitForMainDialog();
        ASSERT_NE(m_hDlg, nullptr);
        ASSERT_TRUE(WaitUntil([&] { return IsWindowVisible(m_hDlg) != FALSE; }));
        ASSERT_TRUE(WaitUntil(TrayIconShown));
    }

    void HideToTray()
    {
        PostMessageW(m_hDlg, WM_SYSCOMMAND, kHideToTray, 0);
        ASSERT_TRUE(WaitUntil([&] { return !IsWindowVisible(m_hDlg); }));
    }

    void ExpectEndedWithoutTrayIcon()
    {
        EXPECT_TRUE(m_app.WaitForExit());
        EXPECT_TRUE(WaitUntil([] { return !TrayIconShown(); }));
    }

    App m_app;
    HWND m_hDlg = nullptr;
};

TEST_F(Shell, DialogShowsCaptionAndThreeButtons)
{
    EXPECT_EQ(WindowText(m_hDlg), L"Tolvex Cell VPN Manager");
    EXPECT_NE(GetDlgItem(m_hDlg, IDC_SETTINGS), nullptr);
    EXPECT_EQ(WindowText(GetDlgItem(m_hDlg, IDCANCEL)), L"&Quit");
    EXPECT_NE(GetDlgItem(m_hDlg, IDC_CONNECT), nullptr);
    EXPECT_EQ(GetWindowLongW(m_hDlg, GWL_EXSTYLE) & WS_EX_APPWINDOW, 0);
    EXPECT_NE(GetWindowLongW(m_hDlg, GWL_EXSTYLE) & WS_EX_LAYERED, 0);
    SaveScreenshot(L"dialog-en");
}

TEST_F(Shell, AboutBoxOpensFromSystemMenuAndClosesWithOkAndEsc)
{
    for (const bool withEsc : {false, true}) {
        PostMessageW(m_hDlg, WM_SYSCOMMAND, kAboutBox, 0);
        HWND about = nullptr;
        ASSERT_TRUE(WaitUntil([&] { return (about = m_app.FindDialogByCaption(L"About Tolvex Cell VPN Manager")) != nullptr; }));
        EXPECT_FALSE(IsWindowEnabled(m_hDlg)) << "the About box is modal over the dialog";
        if (withEsc)
            PressKey(about, VK_ESCAPE);
        else
            ClickButton(about, IDOK);
        EXPECT_TRUE(WaitUntil([&] { return !IsWindow(about); })) << (withEsc ? "Esc" : "OK");
        EXPECT_TRUE(WaitUntil([&] { return IsWindowEnabled(m_hDlg) != FALSE; }));
    }
    EXPECT_FALSE(m_app.HasExited());
}

TEST_F(Shell, HideToTrayAndTheTButtonHideTheDialogAndKeepTheIcon)
{
    HideToTray();
    EXPECT_TRUE(TrayIconShown());
    PostMessageW(m_hDlg, kActivateRequest, 0, 0);
    ASSERT_TRUE(WaitUntil([&] { return IsWindowVisible(m_hDlg) != FALSE; }));

    ClickButton(m_hDlg, IDC_HIDE);
    EXPECT_TRUE(WaitUntil([&] { return !IsWindowVisible(m_hDlg); }));
    EXPECT_TRUE(TrayIconShown());
    EXPECT_FALSE(m_app.HasExited());
}

TEST_F(Shell, TrayIconPressOpensPopupAndShowBringsTheDialogBack)
{
    HideToTray();
    for (const bool right : {false, true}) {
        ClickTrayIcon(right);
        HWND popup = nullptr;
        ASSERT_TRUE(WaitUntil([&] { return (popup = FindPopupMenu()) != nullptr; })) << (right ? "right" : "left");
        TypeKey(VK_ESCAPE);
        ASSERT_TRUE(WaitUntil([] { return FindPopupMenu() == nullptr; }));
    }
    EXPECT_FALSE(IsWindowVisible(m_hDlg)) << "the popup alone shows nothing";

    ClickTrayIcon();
    ASSERT_TRUE(WaitUntil([] { return FindPopupMenu() != nullptr; }));
    TypeKey('S');
    EXPECT_TRUE(WaitUntil([&] { return IsWindowVisible(m_hDlg) != FALSE; }));
}

TEST_F(Shell, ActivateRequestShowsAndActivatesTheDialog)
{
    HideToTray();
    PostMessageW(m_hDlg, kActivateRequest, 0, 0);
    EXPECT_TRUE(WaitUntil([&] { return IsWindowVisible(m_hDlg) && GetForegroundWindow() == m_hDlg; }));
}

TEST_F(Shell, SecondStartWhileHiddenShowsTheFirstCopyAndEnds)
{
    HideToTray();
    EXPECT_TRUE(SecondCopyEnds());
    EXPECT_TRUE(WaitUntil([&] { return IsWindowVisible(m_hDlg) != FALSE; }));
    EXPECT_FALSE(m_app.HasExited());
}

TEST_F(Shell, EnterNeverClosesTheDialog)
{
    PressKey(m_hDlg, VK_RETURN);
    Sleep(500);
    EXPECT_FALSE(m_app.HasExited());
    EXPECT_TRUE(IsWindowVisible(m_hDlg));
}

TEST_F(Shell, EscEndsTheProgramAndTheIconGoes)
{
    PressKey(m_hDlg, VK_ESCAPE);
    ExpectEndedWithoutTrayIcon();
}

TEST_F(Shell, CloseBoxEndsTheProgramAndTheIconGoes)
{
    PostMessageW(m_hDlg, WM_SYSCOMMAND, SC_CLOSE, 0);
    ExpectEndedWithoutTrayIcon();
}

TEST_F(Shell, TrayMenuQuitEndsTheProgramWhileHidden)
{
    HideToTray();
    ClickTrayIcon(true);
    ASSERT_TRUE(WaitUntil([] { return FindPopupMenu() != nullptr; }));
    TypeKey('Q');
    ExpectEndedWithoutTrayIcon();
}

// Run with the Japanese user interface (LANG=ja_JP.UTF-8) only.
class Japanese : public Shell {};

TEST_F(Japanese, DialogHasJapaneseCaptionAndLabels)
{
    EXPECT_EQ(WindowText(m_hDlg), L"VPN Manager");
    EXPECT_EQ(WindowText(GetDlgItem(m_hDlg, IDCANCEL)), L"\u7D42\u4E86(&Q)");
    EXPECT_EQ(WindowText(GetDlgItem(m_hDlg, IDC_CONNECT)), L"\u63A5\u7D9A(&C)");
    EXPECT_EQ(GetDlgItem(m_hDlg, IDC_HIDE), nullptr);
    SaveScreenshot(L"dialog-ja");
}

TEST_F(Japanese, SecondStartEndsSilentlyAndLeavesTheFirstHidden)
{
    HideToTray();
    EXPECT_TRUE(SecondCopyEnds());
    Sleep(500);
    EXPECT_FALSE(IsWindowVisible(m_hDlg));
    EXPECT_FALSE(m_app.HasExited());
}

}  // namespace
