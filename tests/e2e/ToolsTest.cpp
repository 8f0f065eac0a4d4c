// Helpers for people rather than scenarios; disabled, so the suite never runs them.
#include <gtest/gtest.h>

#include "Driver.h"

// `make run` without a display: a picture of the desktop with the program on it.
TEST(Tools, DISABLED_SaveScreenshot)
{
    e2e::SaveScreenshot(L"run-screenshot");
}
