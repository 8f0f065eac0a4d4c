// The command-state refresh: the buttons, the tray tip and the link flag follow the phonebook
// and the adapter list, pass by pass; the timer turns the activity indicator.
#include <algorithm>

#include "connection/ConnectionState.h"
#include "platform/Constants.h"
#include "ui/TolvexDesktopWinDlg.h"
#include "ui/resources/resource.h"

namespace {

constexpr char16_t kTipConnected[] = u"Tolvex VPN Manager -- Connected";
constexpr char16_t kTipNotConnected[] = u"Tolvex VPN Manager";
constexpr char16_t kDetectionFailed[] = u"Error";

// The activity indicator, one frame per tick: a bar turning through four positions.
constexpr const char16_t* kActivityFrames[8] = {
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
    cmdUI.SetText(WideString::Load(platform().resources, configured ? IDS_EDIT_SETTINGS : IDS_CREATE_SETTINGS));
}

void CTolvexDesktopWinDlg::OnUpdateConnect(CCmdUI& cmdUI)
{
    // The adapter list is read on every second pass only.
    if (++m_nUpdateConnectCalls % 2 == 0)
        return;
    if (IsEntryConfigured(GetPhoneBookPath(), LoadEntryName()) == 0) {
        cmdUI.Enable(false);
        return;
    }
    cmdUI.Enable(true);

    const int state = GetConnectionState(*this);
    if (state == kLinkUp) {
        const WideString label = WideString::Load(platform().resources, IDS_DISCONNECT);
        SetTrayTip(kTipConnected);
        m_bConnected = 1;
        // Passes that still see the link up after the user's own Disconnect leave it undialled.
        m_bRedial = m_bUserHungUp ? 0 : 1;
        cmdUI.SetText(label);
    } else if (state == kLinkDown) {
        const WideString label = WideString::Load(platform().resources, IDS_CONNECT);
        SetTrayTip(kTipNotConnected);
        if (m_bConnected == 1)
            ui().ShowWindow(m_hWnd, win::SW_SHOW);
        m_bConnected = 0;
        if (m_bRedial == 1) {
            // The version the platform reports now: 6.2 on every release from Windows 8 on.
            OsVersionInfo now;
            platform().system.GetVersionEx(now);
            // A phonebook error ends the pass here and leaves the flag set: the next working
            // pass that finds the link down tries again.
            if (now.dwMajorVersion == 6 && now.dwMinorVersion == 2)
                OnConnect();
        }
        m_bRedial = 0;
        // The user's hang-up is done once the link is seen down.
        m_bUserHungUp = false;
        cmdUI.SetText(label);
    } else {
        cmdUI.SetText(kDetectionFailed);
    }
}

void CTolvexDesktopWinDlg::SetTrayTip(const char16_t* tip)
{
    const std::u16string_view text(tip);
    std::fill(std::begin(m_notifyIconData.szTip), std::end(m_notifyIconData.szTip), u'\0');
    std::copy(text.begin(), text.end(), m_notifyIconData.szTip);
    m_notifyIconData.hIcon = platform().resources.LoadIcon(IDR_MAINFRAME);
    ui().NotifyIcon(win::NIM_MODIFY, m_notifyIconData);
}

void CTolvexDesktopWinDlg::OnTimer(std::uintptr_t nIDEvent)
{
    if (nIDEvent != IDT_REFRESH)
        return;
    ++m_nTicks;
    // Written at every tick, also when it does not change.
    if (m_stcActivity.m_hWnd != nullptr)
        ui().SetWindowText(m_stcActivity.m_hWnd, m_bConnected == 1 ? kActivityFrames[m_nTicks % 8] : u"");
}
