#include "app/TolvexDesktopWinApp.h"

#include "base/ResourceIds.h"
#include "framework/MessageBox.h"
#include "platform/Constants.h"
#include "ui/TolvexDesktopWinDlg.h"

namespace {

// Windows Sockets 1.1: major version in the low byte, minor in the high byte.
constexpr std::uint16_t kSocketsVersion = 0x0101;
constexpr char16_t kRunningCaption[] = u"Tolvex Cell VPN Manager";
constexpr char16_t kSettingsKey[] = u"Tolvex VPN Manager";

}  // namespace

CTolvexDesktopWinApp::~CTolvexDesktopWinApp()
{
    if (m_bSocketsStarted)
        platform().app.CleanupSockets();
}

bool CTolvexDesktopWinApp::InitInstance()
{
    // The mutex is named after the executable, so a renamed copy is a program of its own.
    if (platform().app.CreateOwnedMutex(GetAppName(platform().app)) == win::ERROR_ALREADY_EXISTS)
        return ActivateRunningCopy();

    platform().app.InitCommonControls(win::ICC_WIN95_CLASSES);
    if (!StartSockets()) {
        MessageBox(IDS_SOCKETS_INIT_FAILED, win::MB_OK | win::MB_ICONEXCLAMATION);
        return false;
    }
    SetRegistryKey(kSettingsKey);

    CTolvexDesktopWinDlg dlg(platform());
    dlg.DoModal();
    return false;
}

bool CTolvexDesktopWinApp::ActivateRunningCopy()
{
    IWindowSystem& ui = platform().ui;
    if (WindowHandle running = ui.FindWindowByCaption(kRunningCaption)) {
        ui.SetForegroundWindow(running);
        ui.ShowWindow(running, win::SW_SHOWNORMAL);
        ui.SetFocus(running);
    }
    return false;
}

bool CTolvexDesktopWinApp::StartSockets()
{
    std::uint16_t version = 0;
    if (platform().app.StartSockets(kSocketsVersion, version) != 0)
        return false;
    if (version != kSocketsVersion) {
        platform().app.CleanupSockets();
        platform().app.SetSocketsLastError(win::WSAVERNOTSUPPORTED);
        return false;
    }
    m_bSocketsStarted = true;
    return true;
}
