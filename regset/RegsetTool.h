// "Tolvex Regset.exe", the registry modification program the main program starts when its
// start-up check finds the IPsec values missing: it puts in place exactly the values that check
// looks for, read the way the check reads them, tells the user, and offers to restart Windows.
#pragma once

#include <string_view>

#include "platform/Platform.h"

// Exit codes: the values are in place (changed or already there), or why not.
constexpr int kRegsetDone = 0;
constexpr int kRegsetNeedsAdministrator = 2;
constexpr int kRegsetWriteFailed = 3;

// "/quiet" (or "-quiet", any letter case) among the arguments: for administrators and installers.
bool HasQuietSwitch(std::u16string_view commandLine);

class CRegsetTool {
public:
    explicit CRegsetTool(Platform& platform) : m_platform(platform) {}

    // Quiet: nothing is shown and Windows is never restarted; the exit code tells the outcome.
    int Run(bool quiet);

private:
    int Tell(bool quiet, const WideString& text, unsigned type, int exitCode);

    Platform& m_platform;
};
