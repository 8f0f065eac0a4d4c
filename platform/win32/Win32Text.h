// The boundary between the portable 16-bit strings and the platform's wide strings.
#pragma once

#include <windows.h>

#include "base/WideString.h"

static_assert(sizeof(wchar_t) == sizeof(char16_t), "the platform's wide characters are 16-bit");

inline const wchar_t* ToWide(const WideString& s) { return reinterpret_cast<const wchar_t*>(s.c_str()); }
inline WideString FromWide(const wchar_t* s, std::size_t length)
{
    return WideString(std::u16string_view(reinterpret_cast<const char16_t*>(s), length));
}
inline WideString FromWide(const wchar_t* s) { return FromWide(s, s ? wcslen(s) : 0); }
