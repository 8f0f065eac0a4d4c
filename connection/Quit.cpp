// Every way of closing the program: the Quit button, the tray menu's Quit, Esc, the close box.
#include "connection/ConnectionState.h"
#include "framework/WinApp.h"
#include "platform/Constants.h"
#include "sysconfig/NatTraversal.h"
#include "ui/TolvexDesktopWinDlg.h"
#include "ui/resources/resource.h"

void CTolvexDesktopWinDlg::OnQuit()
{
    RepairNatTraversal(m_app);
    if (GetConnectionState(*this) == kLinkUp) {
        if (m_app.MessageBox(IDS_CONFIRM_DISCONNECT_QUIT, win::MB_YESNO) == win::IDNO)
            return;
        // A phonebook error here ends Quit too: the link stays up and the program runs on.
        OnConnect();
    }
    EndDialog(win::IDCANCEL);
}
