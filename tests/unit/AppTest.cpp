// Start-up: one copy per logon, and a socket layer of the right version before the dialog.
#include <gtest/gtest.h>

#include "app/TolvexDesktopWinApp.h"
#include "base/ResourceIds.h"
#include "fakes/FakePlatform.h"
#include "platform/Constants.h"

namespace {

TEST(App, ASecondCopyBringsTheFirstForwardAndEnds)
{
    FakePlatform fake;
    fake.app.mutexLastError = win::ERROR_ALREADY_EXISTS;
    fake.ui.templates[IDD_TOLVEXDESKTOPWIN_DIALOG] = {};
    CTolvexDesktopWinApp app(fake.platform);
    fake.ui.runningCopy = reinterpret_cast<WindowHandle>(0x99);
    EXPECT_FALSE(app.InitInstance());
    EXPECT_EQ(fake.app.mutexName, "TolvexDesktopWin") << "named after the executable";
    EXPECT_EQ(fake.ui.foreground, fake.ui.runningCopy);
    EXPECT_EQ(fake.ui.focus, fake.ui.runningCopy);
}

TEST(App, ASocketLayerOfAnotherVersionEndsTheStartWithMessage103)
{
    for (const auto& [result, version] : std::vector<std::pair<int, std::uint16_t>>{{10091, 0x0101}, {0, 0x0202}}) {
        FakePlatform fake;
        fake.app.socketsResult = result;
        fake.app.socketsVersion = version;
        CTolvexDesktopWinApp app(fake.platform);
        EXPECT_FALSE(app.InitInstance());
        ASSERT_EQ(fake.ui.boxes.size(), 1u);
        EXPECT_EQ(fake.ui.boxes[0].text, "#103");
        EXPECT_EQ(fake.ui.boxes[0].owner, nullptr);
        EXPECT_TRUE(fake.ui.notifications.empty()) << "no dialog";
    }
}

}  // namespace
