// The values the portable code copied from the platform, checked against <windows.h> itself. The
// portable names are taken before <windows.h> turns the same names into its macros.
#include "platform/Constants.h"

namespace {
#define TOLVEX_TAKE_CONSTANT(type, name, value) constexpr long long kPortable_##name = static_cast<long long>(win::name);
TOLVEX_PLATFORM_CONSTANTS(TOLVEX_TAKE_CONSTANT)
#undef TOLVEX_TAKE_CONSTANT
}  // namespace

#include <winsock2.h>
#include <windows.h>
#include <commctrl.h>
#include <shellapi.h>

#define TOLVEX_CHECK_CONSTANT(type, name, value) \
    static_assert(kPortable_##name == static_cast<long long>(name), #name " differs from <windows.h>");
TOLVEX_PLATFORM_CONSTANTS(TOLVEX_CHECK_CONSTANT)
