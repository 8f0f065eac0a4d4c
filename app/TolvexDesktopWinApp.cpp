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
// A copy that is alive but busy (its start-up elevation prompt, a slow adapter list at logon), or
// still making its dialog, is looked for again for about this long.
constexpr std::uint32_t kWaitForCopyMs = 10000;
constexpr unsigned kLookAgainMs = 250;
// A command reads the adapter list and the phonebook, which may be large, before it answers.
constexpr unsigned kCommandTimeoutMs = 15000;
constexpr unsigned long kAccessDenied = 5;

}  // namespace

CTolvexDesktopWinApp::~CTolvexDesktopWinApp()
{
    if (m_bSocketsStarted)
        platform().app.CleanupSockets();
}

bool CTolvexDesktopWinApp::InitInstance()
{
    const CommandLine request = ParseCommandLine(platform().app.GetCommandLine(), platform().app.GetModuleFileName());
    if (request.kind != CommandLine::Kind::Run) {
        m_exitCode = RunScriptCommand(request);
        return false;
    }
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
    for (const std::uint32_t start = platform().app.GetTickCount();; platform().app.Sleep(kLookAgainMs)) {
        for (const char16_t* caption : kRunningCaptions) {
            for (const WindowHandle window : ui.FindWindows(kDialogClass, caption)) {
                unsigned long error = 0;
                if (ui.SendMessageTimeout(window, identify, 0, 0, kIdentifyTimeoutMs, error) == CTolvexDesktopWinDlg::kIdentity)
                    return window;
            }
        }
        if (platform().app.GetTickCount() - start >= kWaitForCopyMs)
            return nullptr;
    }
}

// A start with a switch: the usage, or the command handed to the running copy and its answer.
// It never makes the single-instance mutex, so it is never taken for the running copy, never
// starts a copy and never brings one forward.
ScriptExit CTolvexDesktopWinApp::RunScriptCommand(const CommandLine& request)
{
    switch (request.kind) {
    case CommandLine::Kind::Help:
        MessageBox(IDS_USAGE, win::MB_OK | win::MB_ICONINFORMATION);
        return ScriptExit::Done;
    case CommandLine::Kind::UsageError:
        MessageBox(IDS_USAGE, win::MB_OK);
        return ScriptExit::UsageError;
    case CommandLine::Kind::Run:
    case CommandLine::Kind::Command:
        break;
    }
    if (!platform().app.MutexExists(GetAppName(platform().app)))
        return ScriptExit::NotRunning;
    const WindowHandle dialog = FindRunningDialog();
    if (dialog == nullptr)
        return ScriptExit::Busy;
    IWindowSystem& ui = platform().ui;
    unsigned long error = 0;
    const std::optional<std::intptr_t> answer = ui.SendMessageTimeout(
        dialog, ui.RegisterWindowMessage(kScriptCommandMessage), static_cast<std::uintptr_t>(request.command), 0,
        kCommandTimeoutMs, error);
    if (!answer)
        return error == kAccessDenied ? ScriptExit::Refused : ScriptExit::Busy;
    return ScriptExitOf(*answer);
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
