// The program as its package installs it, run by the installer test with TOLVEX_APP naming the
// installed copy: the package puts the IPsec values in place, so the first start asks for no
// registry change.
#include <gtest/gtest.h>

#include <cstdlib>

#include "Driver.h"

using namespace e2e;

TEST(Installed, StartsWithoutTheRegistryMessage)
{
    if (_wgetenv(L"TOLVEX_APP") == nullptr)
        GTEST_SKIP() << "only for a copy installed by the package (TOLVEX_APP)";
    App app;
    const HWND dialog = app.WaitForMainDialog();
    ASSERT_NE(dialog, nullptr);
    // The registry check comes before the dialog shows: its message would hold the dialog back.
    ASSERT_TRUE(WaitUntil([&] { return IsWindowVisible(dialog) != FALSE; }));
    EXPECT_EQ(app.FindMessageBox(), nullptr);
}
