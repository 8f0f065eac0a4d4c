#include "connection/DialerTool.h"

#include "platform/Constants.h"

namespace {

constexpr unsigned kSystemDirBufferChars = 256;

// The tool's switch for the action.
const char16_t* SwitchOf(DialerAction action)
{
    switch (action) {
    case DialerAction::Add:
        return u"-a";
    case DialerAction::Edit:
        return u"-e";
    case DialerAction::Dial:
        return u"-d";
    case DialerAction::HangUp:
        return u"-h";
    }
    return u"";
}

// Safe inside a command line's quotation marks: no quotation mark and no control character.
bool IsQuotable(const WideString& text)
{
    for (const char16_t ch : text.view()) {
        if (ch == u'"' || ch < 0x20 || ch == 0x7F)
            return false;
    }
    return !text.IsEmpty();
}

}  // namespace

WideString FormatDialerParameters(DialerAction action, const WideString& phoneBookPath, const WideString& entryName)
{
    return WideString::Format(u"-f \"%s\" %s \"%s\"", {phoneBookPath.view(), SwitchOf(action), entryName.view()});
}

WideString GetSystemDirPath(ISystemInfo& system)
{
    // The platform is asked to fill a buffer of 256 characters, announced as 255.
    const std::optional<WideString> directory = system.GetSystemDirectory(kSystemDirBufferChars - 1);
    if (!directory || directory->IsEmpty())
        return WideString();
    return *directory + u"\\";
}

void RunDialerTool(Platform& platform, CEventLog& log, DialerAction action, const WideString& phoneBookPath,
                   const WideString& entryName)
{
    const char16_t* letter = SwitchOf(action);
    const WideString systemDir = GetSystemDirPath(platform.system);
    if (!IsQuotable(systemDir) || !IsQuotable(phoneBookPath)) {
        log.Record(u"dialer %s not started: no system directory or phonebook path fit to quote", {letter});
        return;
    }
    platform.shell.StartProgram(systemDir + u"rasphone.exe", FormatDialerParameters(action, phoneBookPath, entryName),
                                win::SW_SHOW);
    log.Record(u"dialer %s started: %s", {letter, phoneBookPath.view()});
}
