#include "framework/MessageBox.h"

#include "base/Path.h"
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
    const WideString name = FileNameOf(app.GetModuleFileName());
    return WideString(name.view().substr(0, name.view().find_last_of(u'.')));
}

int ShowMessageBox(Platform& platform, WindowHandle owner, const WideString& text, unsigned type)
{
    return platform.ui.MessageBox(owner, text, GetAppName(platform.app), WithDefaultIcon(type));
}
