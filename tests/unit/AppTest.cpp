// One copy per logon under the executable's own name; a socket layer of another version than 1.1
// ends the start with message 103, before any window.
#include <gtest/gtest.h>

#include "app/TolvexDesktopWinApp.h"
#include "fakes/FakePlatform.h"

TEST(App, ASocketLayerOfAnotherVersionEndsTheStartWithMessage103)
{
    for (const auto& [result, version] : std::vector<std::pair<int, std::uint16_t>>{{10091, 0x0101}, {0, 0x0202}}) {
        FakePlatform fake;
        fake.app.socketsResult = result;
        fake.app.socketsVersion = version;
        EXPECT_FALSE(CTolvexDesktopWinApp(fake.platform).InitInstance());
        EXPECT_EQ(fake.app.mutexName, "TolvexDesktopWin") << "a renamed copy is a program of its own";
        ASSERT_EQ(fake.ui.boxes.size(), 1u);
        EXPECT_EQ(fake.ui.boxes[0].text, "#103");
        EXPECT_EQ(fake.ui.boxes[0].owner, nullptr);
        EXPECT_TRUE(fake.ui.notifications.empty()) << "no dialog";
    }
}
