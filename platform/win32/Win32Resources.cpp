#include "platform/win32/Win32Platform.h"
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
