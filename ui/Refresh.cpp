// The command-state refresh: the buttons, the tray tip and the link follow the phonebook and the
// adapter list, pass by pass; the timer turns the activity indicator.
#include "base/ResourceIds.h"
#include "connection/ConnectionState.h"
#include "ui/TolvexDesktopWinDlg.h"

std::intptr_t CTolvexDesktopWinDlg::OnIdleRefresh()
{
    UpdateDialogControls();
    return 0;
}

void CTolvexDesktopWinDlg::OnUpdateSettings(CCmdUI& cmdUI)
{
    const bool configured = IsEntryConfigured(GetPhoneBookPath(), LoadEntryName()) != 0;
    cmdUI.SetText(platform().resources.LoadString(configured ? IDS_EDIT_SETTINGS : IDS_CREATE_SETTINGS));
}

void CTolvexDesktopWinDlg::OnUpdateConnect(CCmdUI& cmdUI)
{
    if (!m_linkWatch.IsWorkingPass())
        return;
    if (IsEntryConfigured(GetPhoneBookPath(), LoadEntryName()) == 0) {
        cmdUI.Enable(false);
        return;
    }
    cmdUI.Enable(true);

    OsVersionInfo reportedNow;
    platform().system.GetVersionEx(reportedNow);
    const LinkView view = m_linkWatch.SeeLink(GetConnectionState(), reportedNow);
    if (view.tip != nullptr)
        m_trayIcon.SetTip(view.tip);
    if (view.showDialog)
        ui().ShowWindow(m_hWnd, win::SW_SHOW);
    // A phonebook error ends the pass here, before the label changes: the next working pass that
    // finds the link down dials again.
    if (view.dialAgain)
        OnConnect();
    m_linkWatch.OnPassDone();
    cmdUI.SetText(view.labelId != 0 ? platform().resources.LoadString(view.labelId) : WideString(kDetectionFailed));
}

void CTolvexDesktopWinDlg::OnTimer(std::uintptr_t nIDEvent)
{
    if (nIDEvent != IDT_REFRESH)
        return;
    const char16_t* frame = m_linkWatch.OnTick();
    // Written at every tick, also when it does not change.
    if (m_stcActivity.m_hWnd != nullptr)
        ui().SetWindowText(m_stcActivity.m_hWnd, frame);
}

int CTolvexDesktopWinDlg::GetConnectionState()
{
    return ::GetConnectionState(m_osVersionInfo.dwMajorVersion, platform().adapters);
}
