#include "framework/MessageBox.h"

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

WideString GetAppName(IAppServices& app)
{
    const WideString path = app.GetModuleFileName();
    std::u16string_view name = path.view();
    name.remove_prefix(name.find_last_of(u"\\/:") + 1);
    return WideString(name.substr(0, name.find_last_of(u'.')));
}

int ShowMessageBox(Platform& platform, WindowHandle owner, const WideString& text, unsigned type)
{
    return platform.ui.MessageBox(owner, text, GetAppName(platform.app), WithDefaultIcon(type));
}
