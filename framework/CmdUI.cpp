#include "framework/CmdUI.h"

#include "platform/Constants.h"

void CCmdUI::Enable(bool on)
{
    if (!on && m_ui.GetFocus() == m_hControl)
        m_ui.SendMessage(m_hDialog, win::WM_NEXTDLGCTL, 0, 0);
    m_ui.EnableWindow(m_hControl, on);
}

void CCmdUI::SetText(const WideString& text)
{
    if (m_ui.GetWindowText(m_hControl) != text)
        m_ui.SetWindowText(m_hControl, text);
}
