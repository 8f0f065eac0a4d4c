#include "framework/WinApp.h"

#include "framework/MessageBox.h"

int CWinApp::MessageBox(unsigned stringId, unsigned type) const
{
    return ShowMessageBox(m_platform, nullptr, m_platform.resources.LoadString(stringId), type);
}
