// The start routine of the Windows program.
#include <windows.h>

#include "app/TolvexDesktopWinApp.h"
#include "platform/win32/Win32DynamicCalls.h"
#include "platform/win32/Win32Platform.h"

namespace {

CWin32Platform g_platform;

}  // namespace

// One application object per process, made before anything else runs.
CTolvexDesktopWinApp theApp(g_platform.Get());

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int)
{
    dyn::UseSystemDllDirectoryOnly();
    theApp.InitInstance();
    return theApp.GetExitCode();
}
