// The user's commands: Connect and disconnect, OK (Enter), and the entry settings.
#include "connection/ConnectionState.h"
#include "connection/DialerTool.h"
#include "framework/WinApp.h"
#include "platform/Constants.h"
#include "ui/TolvexDesktopWinDlg.h"
#include "ui/resources/resource.h"

WideString CTolvexDesktopWinDlg::LoadEntryName() const
{
    return WideString::Load(platform().resources, IDS_ENTRY_NAME);
}

void CTolvexDesktopWinDlg::OnConnect()
{
    // The link is looked at first, before the phonebook is read or written.
    const int state = GetConnectionState(*this);
    RewriteInterfaceMetric();
    const WideString path = GetPhoneBookPath();
    const WideString entryName = LoadEntryName();
    if (IsEntryConfigured(path, entryName) == 0)
        return;
    if (state == kLinkUp) {
        // The user takes the link down: the drop that follows is not to be dialled again.
        m_bRedial = 0;
        m_bUserHungUp = true;
        RunDialerTool(platform(), DialerAction::HangUp, path, entryName);
    } else {
        m_bUserHungUp = false;
        RunDialerTool(platform(), DialerAction::Dial, path, entryName);
    }
}

void CTolvexDesktopWinDlg::OnOK()
{
    const WideString path = GetPhoneBookPath();
    const WideString entryName = LoadEntryName();
    if (IsEntryConfigured(path, entryName) == 0) {
        RunDialerTool(platform(), DialerAction::HangUp, path, entryName);
        return;
    }
    m_app.MessageBox(FormatDialerParameters(DialerAction::Dial, path, entryName), win::MB_OK | win::MB_ICONEXCLAMATION);
    RunDialerTool(platform(), DialerAction::Dial, path, entryName);
}

void CTolvexDesktopWinDlg::OnSettings()
{
    const WideString path = GetPhoneBookPath();
    const WideString entryName = LoadEntryName();
    if (IsEntryConfigured(path, entryName) != 0) {
        RunDialerTool(platform(), DialerAction::Edit, path, entryName);
        return;
    }
    if (m_app.MessageBox(IDS_NOT_SET_UP_YET, win::MB_OKCANCEL | win::MB_ICONEXCLAMATION) == win::IDOK)
        RunDialerTool(platform(), DialerAction::Add, path, entryName);
}
