#include "platform/win32/Win32Platform.h"

#include <cstring>
#include "platform/win32/Win32Text.h"

WideString CWin32Resources::LoadString(unsigned id) const
{
    // A zero buffer size asks for a pointer into the resource itself, whatever its length.
    const wchar_t* text = nullptr;
    const int length = ::LoadStringW(::GetModuleHandleW(nullptr), id, reinterpret_cast<LPWSTR>(&text), 0);
    return length > 0 ? FromWide(text, static_cast<std::size_t>(length)) : WideString();
}

IconHandle CWin32Resources::LoadIcon(unsigned id) const
{
    return ::LoadIconW(::GetModuleHandleW(nullptr), MAKEINTRESOURCEW(id));
}

MenuHandle CWin32Resources::LoadMenu(unsigned id) const
{
    return ::LoadMenuW(::GetModuleHandleW(nullptr), MAKEINTRESOURCEW(id));
}

// The fixed part of the version resource, found by its signature: no copy of the resource, and
// none of the version library's calls, are needed for it.
WideString CWin32Resources::LoadVersion() const
{
    const HMODULE module = ::GetModuleHandleW(nullptr);
    const HRSRC found = ::FindResourceW(module, MAKEINTRESOURCEW(VS_VERSION_INFO), MAKEINTRESOURCEW(16));  // RT_VERSION
    const auto* bytes = found != nullptr ? static_cast<const unsigned char*>(::LockResource(::LoadResource(module, found))) : nullptr;
    const DWORD size = found != nullptr ? ::SizeofResource(module, found) : 0;
    for (DWORD at = 0; bytes != nullptr && at + sizeof(VS_FIXEDFILEINFO) <= size; at += 4) {
        VS_FIXEDFILEINFO fixed;
        std::memcpy(&fixed, bytes + at, sizeof(fixed));
        if (fixed.dwSignature == 0xFEEF04BD)
            return WideString::Format(u"%d.%d.%d.%d", {static_cast<int>(HIWORD(fixed.dwFileVersionMS)), static_cast<int>(LOWORD(fixed.dwFileVersionMS)),
                                                       static_cast<int>(HIWORD(fixed.dwFileVersionLS)), static_cast<int>(LOWORD(fixed.dwFileVersionLS))});
    }
    return WideString();
}
