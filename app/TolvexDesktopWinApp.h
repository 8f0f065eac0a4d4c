// The application object: one copy per logon, the common controls and the socket layer, then
// the main dialog for the rest of the process's life.
#pragma once

#include "app/CommandLine.h"
#include "framework/WinApp.h"
#include "ui/Scripting.h"

class CTolvexDesktopWinApp : public CWinApp {
public:
    explicit CTolvexDesktopWinApp(Platform& platform) : CWinApp(platform) {}
    ~CTolvexDesktopWinApp() override;

    // Always false: the process ends when it returns, with the exit code.
    bool InitInstance() override;
    int GetExitCode() const { return static_cast<int>(m_exitCode); }

private:
    bool ActivateRunningCopy();
    WindowHandle FindRunningDialog();
    ScriptExit RunScriptCommand(const CommandLine& request);
    bool StartSockets();

    bool m_bSocketsStarted = false;
    ScriptExit m_exitCode = ScriptExit::Done;
};
