#include <windows.h>
#include <shellapi.h>

#include "platform/win32/Win32Platform.h"
#include "platform/win32/Win32Text.h"

namespace {

const wchar_t* OrNull(const std::optional<WideString>& text) { return text ? W(*text) : nullptr; }

}  // namespace

std::intptr_t CWin32Shell::Execute(WindowHandle owner, const std::optional<WideString>& verb, const WideString& file,
                                   const std::optional<WideString>& parameters,
                                   const std::optional<WideString>& directory, int showCommand)
{
    const HINSTANCE result = ::ShellExecuteW(static_cast<HWND>(owner), OrNull(verb), W(file), OrNull(parameters),
                                             OrNull(directory), showCommand);
    return reinterpret_cast<std::intptr_t>(result);
}
