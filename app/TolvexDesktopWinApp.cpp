#include "app/TolvexDesktopWinApp.h"

#include "base/ResourceIds.h"
#include "framework/MessageBox.h"
#include "platform/Constants.h"
#include "ui/TolvexDesktopWinDlg.h"

namespace {

// Windows Sockets 1.1: major version in the low byte, minor in the high byte.
constexpr std::uint16_t kSocketsVersion = 0x0101;
// The main dialog's captions in the English and the Japanese layout, and the system's class of
// dialog windows.
constexpr const char16_t* kRunningCaptions[] = {u"Tolvex Cell VPN Manager", u"VPN Manager"};
constexpr char16_t kDialogClass[] = u"#32770";
// Long enough for a running copy busy with a message box; a hung one is not waited for.
constexpr unsigned kIdentifyTimeoutMs = 2000;

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

    CTolvexDesktopWinDlg dlg(platform());
    dlg.DoModal();
    return false;
}

bool CTolvexDesktopWinApp::ActivateRunningCopy()
{
    IWindowSystem& ui = platform().ui;
    if (const WindowHandle running = FindRunningDialog()) {
        ui.SetForegroundWindow(running);
        ui.ShowWindow(running, win::SW_SHOWNORMAL);
        ui.SetFocus(running);
    }
    return false;
}

// The running copy's dialog in either language: among the dialogs of its captions, the one that
// answers the dialog's own message. Another program's window of the same caption (an Explorer
// window showing the install folder, say) is never touched.
WindowHandle CTolvexDesktopWinApp::FindRunningDialog()
{
    IWindowSystem& ui = platform().ui;
    const unsigned identify = ui.RegisterWindowMessage(CTolvexDesktopWinDlg::kIdentifyMessage);
    if (identify == 0)
        return nullptr;
    for (const char16_t* caption : kRunningCaptions) {
        for (const WindowHandle window : ui.FindWindows(kDialogClass, caption)) {
            if (ui.SendMessageTimeout(window, identify, 0, 0, kIdentifyTimeoutMs) == CTolvexDesktopWinDlg::kIdentity)
                return window;
        }
    }
    return nullptr;
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
