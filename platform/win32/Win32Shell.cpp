#include <windows.h>
#include <shellapi.h>

#include <string>

#include "platform/win32/Win32Handle.h"
#include "platform/win32/Win32Platform.h"
#include "platform/win32/Win32Text.h"

namespace {

const wchar_t* OrNull(const std::optional<WideString>& text) { return text ? ToWide(*text) : nullptr; }

}  // namespace

void CWin32Shell::Execute(WindowHandle owner, const std::optional<WideString>& verb, const WideString& file,
                          const std::optional<WideString>& parameters, const std::optional<WideString>& directory,
                          int showCommand)
{
    ::ShellExecuteW(static_cast<HWND>(owner), OrNull(verb), ToWide(file), OrNull(parameters), OrNull(directory),
                    showCommand);
}

void CWin32Shell::StartProgram(const WideString& path, const WideString& parameters, int showCommand)
{
    std::wstring commandLine = L"\"" + std::wstring(ToWide(path)) + L"\" " + ToWide(parameters);
    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    startup.dwFlags = STARTF_USESHOWWINDOW;
    startup.wShowWindow = static_cast<WORD>(showCommand);
    PROCESS_INFORMATION started{};
    if (::CreateProcessW(ToWide(path), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                         &started)) {
        // Never waited for: the handles go at once.
        CHandle(started.hThread).Close();
        CHandle(started.hProcess).Close();
    }
}
