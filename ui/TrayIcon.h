// The program's icon in the notification area: its record, added, changed and removed, and
// added again when a restarted shell announces a new taskbar.
#pragma once

#include "platform/WindowSystem.h"

constexpr char16_t kTipNotConnected[] = u"Tolvex VPN Manager";
constexpr char16_t kTipConnected[] = u"Tolvex VPN Manager -- Connected";

class CTrayIcon {
public:
    CTrayIcon(IWindowSystem& ui, IconHandle icon);

    // Adds the icon for the window: mouse events on it arrive there as callbackMessage.
    void Add(WindowHandle owner, unsigned callbackMessage, const char16_t* tip);
    // Sends the tip, with the icon set again.
    void SetTip(const char16_t* tip);
    void Remove();
    // Adds the icon again when the message announces a new taskbar: a hidden dialog must never
    // become unreachable.
    void OnMessage(unsigned message);

private:
    void CopyTip(const char16_t* tip);

    IWindowSystem& m_ui;
    NotifyIconRecord m_notifyIconData;
    unsigned m_nTaskbarCreatedMessage = 0;
};
