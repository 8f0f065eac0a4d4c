// The start routine of the registry tool.
#include <windows.h>

#include "platform/win32/Win32DynamicCalls.h"
#include "platform/win32/Win32Platform.h"
#include "platform/win32/Win32Text.h"
#include "regset/RegsetTool.h"

namespace {

// The main program starts this tool hidden, and the system applies a hidden start to the
// process's first main window, which here would be a message box. That show command is spent on
// a window of the tool's own that never appears.
void SpendHiddenStart()
{
    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    ::GetStartupInfoW(&startup);
    if ((startup.dwFlags & STARTF_USESHOWWINDOW) == 0 || startup.wShowWindow != SW_HIDE)
        return;
    const HWND window = ::CreateWindowExW(0, L"STATIC", L"", WS_OVERLAPPED | WS_CAPTION, 0, 0, 0, 0, nullptr, nullptr,
                                          ::GetModuleHandleW(nullptr), nullptr);
    ::ShowWindow(window, SW_SHOWDEFAULT);
    ::DestroyWindow(window);
}

}  // namespace

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR commandLine, int)
{
    dyn::UseSystemDllDirectoryOnly();
    SpendHiddenStart();
    CWin32Platform platform;
    return CRegsetTool(platform.Get()).Run(HasQuietSwitch(FromWide(commandLine).view()));
}
