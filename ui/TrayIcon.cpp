// The notification-area icon and the dialog's visibility.
#include <algorithm>

#include "framework/WinApp.h"
#include "ui/TolvexDesktopWinDlg.h"
#include "ui/resources/resource.h"

namespace {

constexpr char16_t kTip[] = u"Tolvex VPN Manager";

}  // namespace

void CTolvexDesktopWinDlg::AddTrayIcon()
{
    m_notifyIconData.hWnd = m_hWnd;
    m_notifyIconData.uID = 0;
    m_notifyIconData.uFlags = win::NIF_MESSAGE | win::NIF_ICON | win::NIF_TIP;
    m_notifyIconData.hIcon = platform().resources.LoadIcon(IDR_MAINFRAME);
    m_notifyIconData.uCallbackMessage = WM_TRAYICON;
    std::copy(std::begin(kTip), std::end(kTip), m_notifyIconData.szTip);
    ui().NotifyIcon(win::NIM_ADD, m_notifyIconData);
    // A restarted shell announces a new taskbar; the icon is added again then, or a hidden
    // dialog could never be reached.
    m_nTaskbarCreatedMessage = ui().RegisterWindowMessage(u"TaskbarCreated");
}

void CTolvexDesktopWinDlg::OnDestroy()
{
    ui().NotifyIcon(win::NIM_DELETE, m_notifyIconData);
}

bool CTolvexDesktopWinDlg::WindowProc(const MessageArgs& args, std::intptr_t& result)
{
    if (args.message == WM_TRAYICON)
        OnTrayIconEvent(args.lParam);
    else if (m_nTaskbarCreatedMessage != 0 && args.message == m_nTaskbarCreatedMessage)
        ui().NotifyIcon(win::NIM_ADD, m_notifyIconData);
    return CDialog::WindowProc(args, result);
}

void CTolvexDesktopWinDlg::OnTrayIconEvent(std::intptr_t mouseEvent)
{
    const Point cursor = ui().GetCursorPos();
    switch (mouseEvent) {
    case win::WM_LBUTTONDOWN:
    case win::WM_RBUTTONDOWN:
        ShowTrayPopupMenu(cursor);
        break;
    case win::WM_LBUTTONDBLCLK:
        ui().PostMessage(m_hWnd, win::WM_NULL, 0, 0);
        break;
    default:
        break;
    }
}

void CTolvexDesktopWinDlg::ShowTrayPopupMenu(Point at)
{
    // The dialog must be in the foreground, hidden or not, or the menu would not close when
    // the user clicks elsewhere.
    ui().SetForegroundWindow(m_hWnd);
    const MenuHandle menu = platform().resources.LoadMenu(IDR_POPUPMENU);
    if (menu == nullptr)
        return;
    if (const MenuHandle popup = ui().GetSubMenu(menu, 0))
        ui().TrackPopupMenu(popup, win::TPM_RIGHTBUTTON, at, m_hWnd);
    ui().DestroyMenu(menu);
}

void CTolvexDesktopWinDlg::OnShowCommand()
{
    ui().SetFocus(m_hWnd);
    ui().ShowWindow(m_hWnd, win::SW_SHOW);
}

void CTolvexDesktopWinDlg::OnHideButton()
{
    ui().ShowWindow(m_hWnd, win::SW_HIDE);
}

std::intptr_t CTolvexDesktopWinDlg::OnActivateRequest(std::uintptr_t, std::intptr_t)
{
    ui().ShowWindow(m_hWnd, win::SW_SHOW);
    ui().SetForegroundWindow(m_hWnd);
    ui().SetFocus(m_hWnd);
    return 0;
}
