#include "ui/TrayIcon.h"

#include <algorithm>
#include <string_view>

#include "platform/Constants.h"

CTrayIcon::CTrayIcon(IWindowSystem& ui, IconHandle icon) : m_ui(ui)
{
    m_notifyIconData.hIcon = icon;
}

void CTrayIcon::Add(WindowHandle owner, unsigned callbackMessage, const char16_t* tip)
{
    m_notifyIconData.hWnd = owner;
    m_notifyIconData.uID = 0;
    m_notifyIconData.uFlags = win::NIF_MESSAGE | win::NIF_ICON | win::NIF_TIP;
    m_notifyIconData.uCallbackMessage = callbackMessage;
    CopyTip(tip);
    m_ui.NotifyIcon(win::NIM_ADD, m_notifyIconData);
    m_nTaskbarCreatedMessage = m_ui.RegisterWindowMessage(u"TaskbarCreated");
    // A program running elevated would not hear the announcement from the shell otherwise.
    if (m_nTaskbarCreatedMessage != 0)
        m_ui.AllowMessageFromLowerPrivilege(owner, m_nTaskbarCreatedMessage);
}

void CTrayIcon::SetTip(const char16_t* tip)
{
    CopyTip(tip);
    m_ui.NotifyIcon(win::NIM_MODIFY, m_notifyIconData);
}

void CTrayIcon::Remove() { m_ui.NotifyIcon(win::NIM_DELETE, m_notifyIconData); }

void CTrayIcon::OnMessage(unsigned message)
{
    if (m_nTaskbarCreatedMessage != 0 && message == m_nTaskbarCreatedMessage)
        m_ui.NotifyIcon(win::NIM_ADD, m_notifyIconData);
}

void CTrayIcon::CopyTip(const char16_t* tip)
{
    // The field is cleared and takes at most its size less the terminating zero.
    const std::u16string_view text = std::u16string_view(tip).substr(0, std::size(m_notifyIconData.szTip) - 1);
    std::fill(std::begin(m_notifyIconData.szTip), std::end(m_notifyIconData.szTip), u'\0');
    std::copy(text.begin(), text.end(), m_notifyIconData.szTip);
}
