// The dialog's side of the notification-area icon, and its visibility.
#include "base/ResourceIds.h"
#include "ui/TolvexDesktopWinDlg.h"

bool CTolvexDesktopWinDlg::WindowProc(const MessageArgs& args, std::intptr_t& result)
{
    if (m_nIdentifyMessage != 0 && args.message == m_nIdentifyMessage) {
        m_log.Record(u"another start of the program asked for this copy");
        result = kIdentity;
        return true;
    }
    if (m_nScriptMessage != 0 && args.message == m_nScriptMessage) {
        result = OnScriptCommand(args.wParam);
        return true;
    }
    if (args.message == WM_TRAYICON)
        OnTrayIconEvent(args.lParam);
    else
        m_trayIcon.OnMessage(args.message);
    return CDialog::WindowProc(args, result);
}

void CTolvexDesktopWinDlg::OnTrayIconEvent(std::intptr_t mouseEvent)
{
    const Point cursor = ui().GetCursorPos();
    if (mouseEvent == win::WM_LBUTTONDBLCLK) {
        ui().PostMessage(m_hWnd, win::WM_NULL, 0, 0);
        return;
    }
    if (mouseEvent != win::WM_LBUTTONDOWN && mouseEvent != win::WM_RBUTTONDOWN)
        return;
    // The dialog must be in the foreground, hidden or not, or the menu would not close when the
    // user clicks elsewhere.
    ui().SetForegroundWindow(m_hWnd);
    const MenuHandle menu = platform().resources.LoadMenu(IDR_POPUPMENU);
    if (menu == nullptr)
        return;
    if (const MenuHandle popup = ui().GetSubMenu(menu, 0))
        ui().TrackPopupMenu(popup, win::TPM_RIGHTBUTTON, cursor, m_hWnd);
    ui().DestroyMenu(menu);
}

void CTolvexDesktopWinDlg::OnDestroy()
{
    // The window's own clean-up first; the icon goes last.
    ui().DefaultProcessing(m_hWnd, win::WM_DESTROY, 0, 0);
    m_trayIcon.Remove();
}

void CTolvexDesktopWinDlg::OnShowCommand()
{
    ui().SetFocus(m_hWnd);
    ui().ShowWindow(m_hWnd, win::SW_SHOW);
}

void CTolvexDesktopWinDlg::OnHideButton() { ui().ShowWindow(m_hWnd, win::SW_HIDE); }

std::intptr_t CTolvexDesktopWinDlg::OnActivateRequest(std::uintptr_t, std::intptr_t)
{
    ui().ShowWindow(m_hWnd, win::SW_SHOW);
    ui().SetForegroundWindow(m_hWnd);
    ui().SetFocus(m_hWnd);
    return 0;
}
