// The notification-area icon through a restart of the taskbar, and its tip.
#include "Scenario.h"
#include "base/ResourceIds.h"

using namespace e2e;

namespace {

class TrayIcon : public Scenario {};

TEST_F(TrayIcon, TipReadsTheProgramsName)
{
    StartApp();
    ASSERT_TRUE(WaitUntil(TrayIconShown));
    EXPECT_TRUE(WaitForTrayTip(kTipDown));
}

// A taskbar that is created anew has no icons until their programs add them again. Here the
// icon is taken away as a dying taskbar loses it, and the new taskbar's announcement is sent.
TEST_F(TrayIcon, ComesBackWhenTheTaskbarIsCreatedAgain)
{
    StartApp();
    ASSERT_TRUE(WaitUntil(TrayIconShown));
    ASSERT_TRUE(RemoveTrayIcon(m_hDlg));
    ASSERT_TRUE(WaitUntil([] { return !TrayIconShown(); }));

    BroadcastTaskbarCreated();
    ASSERT_TRUE(WaitUntil(TrayIconShown));
    EXPECT_TRUE(WaitForTrayTip(kTipDown));
    // It is the program's icon: its menu opens from it and shows the hidden dialog.
    HideToTray();
    ClickTrayIcon();
    ASSERT_TRUE(WaitUntil([] { return FindPopupMenu() != nullptr; }));
    TypeKey('S');
    EXPECT_TRUE(WaitUntil([&] { return ShowsDialog(); }));
}

}  // namespace
