#include <windows.h>
#include <shlobj.h>

#include <algorithm>

#include "platform/win32/Win32Platform.h"
#include "platform/win32/Win32Text.h"

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

bool CWin32SystemInfo::GetSystemDirectory(WideString& path, unsigned bufferChars)
{
    wchar_t buffer[MAX_PATH + 1] = {};
    const UINT length = ::GetSystemDirectoryW(buffer, bufferChars < MAX_PATH ? bufferChars : MAX_PATH);
    if (length == 0 || length >= bufferChars)
        return false;
    path = FromW(buffer, length);
    return true;
}

bool CWin32SystemInfo::GetAppDataFolder(WideString& path)
{
    wchar_t buffer[MAX_PATH] = {};
    if (!::SHGetSpecialFolderPathW(nullptr, buffer, CSIDL_APPDATA, FALSE))
        return false;
    path = FromW(buffer);
    return true;
}

bool CWin32SystemInfo::IsUserAnAdmin()
{
    // Exported by ordinal only on some releases.
    using IsUserAnAdminFn = BOOL(WINAPI*)();
    HMODULE shell32 = ::LoadLibraryW(L"shell32.dll");
    if (shell32 == nullptr)
        return false;
    bool admin = false;
    if (auto proc = ::GetProcAddress(shell32, MAKEINTRESOURCEA(680)))
        admin = reinterpret_cast<IsUserAnAdminFn>(reinterpret_cast<void*>(proc))() != FALSE;
    ::FreeLibrary(shell32);
    return admin;
}
