#include <algorithm>

#include "platform/win32/Win32Platform.h"

bool CWin32SystemInfo::GetVersionEx(OsVersionInfo& info)
{
    OSVERSIONINFOW native{};
    native.dwOSVersionInfoSize = info.dwOSVersionInfoSize;
    // Deprecated for its version lie, which is exactly what the program asks for.
#if defined(__GNUC__)
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
#endif
    const BOOL ok = ::GetVersionExW(&native);
#if defined(__GNUC__)
#pragma GCC diagnostic pop
#endif
    info.dwMajorVersion = native.dwMajorVersion;
    info.dwMinorVersion = native.dwMinorVersion;
    info.dwBuildNumber = native.dwBuildNumber;
    info.dwPlatformId = native.dwPlatformId;
    std::copy(std::begin(native.szCSDVersion), std::end(native.szCSDVersion), info.szCSDVersion);
    return ok != FALSE;
}
