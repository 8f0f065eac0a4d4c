#include "framework/IdleActivity.h"

#include "platform/Constants.h"

void CIdleActivity::OnMessageTaken(const Message& msg)
{
    if (IsActivity(msg))
        m_bPassDue = true;
}

bool CIdleActivity::IsActivity(const Message& msg)
{
    if (msg.message == win::WM_MOUSEMOVE || msg.message == win::WM_NCMOUSEMOVE) {
        if (msg.message == m_nLastMouseMessage && msg.pt == m_ptLastMouse)
            return false;
        m_nLastMouseMessage = msg.message;
        m_ptLastMouse = msg.pt;
        return true;
    }
    return msg.message != win::WM_PAINT && msg.message != win::WM_SYSTIMER;
}
