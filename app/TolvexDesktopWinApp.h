// The application object: one copy per logon, the common controls and the socket layer, then
// the main dialog for the rest of the process's life.
#pragma once

#include "framework/WinApp.h"

class CTolvexDesktopWinApp : public CWinApp {
public:
    explicit CTolvexDesktopWinApp(Platform& platform) : CWinApp(platform) {}
    ~CTolvexDesktopWinApp() override;

    // Always false: the process ends when it returns.
    bool InitInstance() override;

private:
    bool ActivateRunningCopy();
    WindowHandle FindRunningDialog();
    bool StartSockets();

    bool m_bSocketsStarted = false;
};
