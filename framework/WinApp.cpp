#include "framework/WinApp.h"

#include "framework/Dialog.h"
#include "platform/Constants.h"

namespace {

unsigned WithDefaultIcon(unsigned type)
{
    if ((type & win::MB_ICONMASK) != 0)
        return type;
    switch (type & win::MB_TYPEMASK) {
    case win::MB_OK:
    case win::MB_OKCANCEL:
        return type | win::MB_ICONEXCLAMATION;
    case win::MB_YESNO:
    case win::MB_YESNOCANCEL:
        return type | win::MB_ICONQUESTION;
    default:
        return type;
    }
}

}  // namespace

WideString FileTitleOf(const WideString& path)
{
    std::u16string_view name = path.view();
    const auto slash = name.find_last_of(u"\\/:");
    if (slash != std::u16string_view::npos)
        name.remove_prefix(slash + 1);
    const auto dot = name.find_last_of(u'.');
    if (dot != std::u16string_view::npos)
        name = name.substr(0, dot);
    return WideString(name);
}

CWinApp::CWinApp(Platform& platform)
    : m_platform(platform), m_strAppName(FileTitleOf(platform.app.GetModuleFileName()))
{
}

int CWinApp::MessageBox(const WideString& text, unsigned type) const
{
    WindowHandle owner = nullptr;
    if (m_pMainWnd != nullptr && m_pMainWnd->GetSafeHwnd() != nullptr)
        owner = m_platform.ui.GetLastActivePopup(m_pMainWnd->GetSafeHwnd());
    return m_platform.ui.MessageBox(owner, text, m_strAppName, WithDefaultIcon(type));
}

int CWinApp::MessageBox(unsigned stringId, unsigned type) const
{
    return MessageBox(WideString::Load(m_platform.resources, stringId), type);
}
