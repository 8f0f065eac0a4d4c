// The command-state refresh: the buttons, the tray tip and the link follow the phonebook and the
// adapter list, pass by pass; the timer turns the activity indicator.
#include "base/ResourceIds.h"
#include "ui/TolvexDesktopWinDlg.h"

namespace {

// The Connect button's label when the adapter list could not be read, in every language.
constexpr char16_t kDetectionFailed[] = u"Error";

// The indicator's frames: a bar turning through four positions, twice.
constexpr const char16_t* kActivityFrames[CLinkWatch::kFrames] = {
    u"\uFF5C", u"\uFF0F", u"\u2015", u"\uFF3C", u"\uFF5C", u"\uFF0F", u"\u2015", u"\uFF3C",
};

}  // namespace

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

    const LinkState state = GetConnectionState();
    if (m_linkWatch.IsChange(state)) {
        constexpr const char16_t* kStates[] = {u"up", u"down", u"unreadable"};
        m_log.Record(u"link: %s; point-to-point adapters: %s",
                     {kStates[static_cast<int>(state)], DescribePointToPointAdapters(platform().adapters).view()});
    }
    const LinkView view = m_linkWatch.SeeLink(state, platform().system.GetVersion());
    if (view.state != LinkState::Unknown)
        m_trayIcon.SetTip(view.state == LinkState::Up ? kTipConnected : kTipNotConnected);
    if (view.showDialog)
        ui().ShowWindow(m_hWnd, win::SW_SHOW);
    // A re-dial that fails on the phonebook ends the pass here, before the label changes: the
    // next working pass that finds the link down dials again, and the user is told once.
    if (view.dialAgain) {
        if (const auto failure = ConnectOrHangUp(LinkIntent::Connect).failure) {
            if (m_linkWatch.IsFirstFailedRedial())
                ReportFileError(*failure);
            return;
        }
    }
    m_linkWatch.OnPassDone();
    switch (view.state) {
    case LinkState::Up:
        cmdUI.SetText(platform().resources.LoadString(IDS_DISCONNECT));
        break;
    case LinkState::Down:
        cmdUI.SetText(platform().resources.LoadString(IDS_CONNECT));
        break;
    case LinkState::Unknown:
        cmdUI.SetText(kDetectionFailed);
        break;
    }
}

void CTolvexDesktopWinDlg::OnTimer(std::uintptr_t nIDEvent)
{
    if (nIDEvent != IDT_REFRESH)
        return;
    const std::optional<std::uint32_t> frame = m_linkWatch.OnTick();
    // Written at every tick, also when it does not change.
    if (m_stcActivity.m_hWnd != nullptr)
        ui().SetWindowText(m_stcActivity.m_hWnd, frame ? kActivityFrames[*frame] : u"");
}

LinkState CTolvexDesktopWinDlg::GetConnectionState()
{
    return ::GetConnectionState(m_osVersionInfo.dwMajorVersion, platform().adapters);
}
