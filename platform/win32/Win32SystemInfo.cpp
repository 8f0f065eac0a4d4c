#include <windows.h>
#include <shlobj.h>

#include "platform/win32/Win32DynamicCalls.h"
#include "platform/win32/Win32Platform.h"
#include "platform/win32/Win32Text.h"

static_assert(sizeof(OSVERSIONINFOW) == 276, "the version record the program asks for");

OsVersionInfo CWin32SystemInfo::GetVersion()
{
    OSVERSIONINFOW native{};
    native.dwOSVersionInfoSize = sizeof(native);
    // Deprecated for its version lie, which is exactly what the program asks for.
#if defined(__GNUC__)
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
#endif
    ::GetVersionExW(&native);
#if defined(__GNUC__)
#pragma GCC diagnostic pop
#endif
    return {native.dwMajorVersion, native.dwMinorVersion};
}

std::optional<WideString> CWin32SystemInfo::GetSystemDirectory(unsigned bufferChars)
{
    wchar_t buffer[MAX_PATH + 1] = {};
    const UINT length = ::GetSystemDirectoryW(buffer, bufferChars < MAX_PATH ? bufferChars : MAX_PATH);
    if (length == 0 || length >= bufferChars)
        return std::nullopt;
    return FromWide(buffer, length);
}

std::optional<WideString> CWin32SystemInfo::GetAppDataFolder()
{
    wchar_t buffer[MAX_PATH] = {};
    if (!::SHGetSpecialFolderPathW(nullptr, buffer, CSIDL_APPDATA, FALSE))
        return std::nullopt;
    return FromWide(buffer);
}

bool CWin32SystemInfo::IsUserAnAdmin() { return dyn::IsUserAnAdmin(); }

WideString CWin32SystemInfo::DescribeError(long code)
{
    wchar_t* text = nullptr;
    const DWORD length = ::FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
                                          nullptr, static_cast<DWORD>(code), 0, reinterpret_cast<LPWSTR>(&text), 0, nullptr);
    WideString description = length > 0 ? FromWide(text, length) : WideString::Format(u"%d", {static_cast<int>(code)});
    ::LocalFree(text);
    // The system's texts end with a line break.
    while (!description.IsEmpty() && (description.view().back() == u'\n' || description.view().back() == u'\r'))
        description = WideString(description.view().substr(0, description.Length() - 1));
    return description;
}

LocalTime CWin32SystemInfo::GetLocalTime()
{
    SYSTEMTIME now{};
    ::GetLocalTime(&now);
    return {now.wYear, now.wMonth, now.wDay, now.wHour, now.wMinute, now.wSecond};
}

unsigned CWin32SystemInfo::GetUserInterfaceLanguage() { return ::GetUserDefaultUILanguage(); }
