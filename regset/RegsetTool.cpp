#include "regset/RegsetTool.h"

#include "base/ResourceIds.h"
#include "framework/MessageBox.h"
#include "platform/Constants.h"
#include "sysconfig/NatTraversal.h"

bool HasQuietSwitch(std::u16string_view commandLine)
{
    while (!commandLine.empty()) {
        const auto space = commandLine.find(u' ');
        WideString argument(commandLine.substr(0, space));
        argument.MakeLowerAscii();
        if (argument == WideString(u"/quiet") || argument == WideString(u"-quiet"))
            return true;
        commandLine.remove_prefix(space == std::u16string_view::npos ? commandLine.size() : space + 1);
    }
    return false;
}

int CRegsetTool::Run(bool quiet)
{
    IResources& resources = m_platform.resources;
    const auto missing = FindIpsecValuesNotInPlace(m_platform.registry, ReadMajorVersion(m_platform.system));
    if (missing.empty())
        return Tell(quiet, resources.LoadString(IDS_REGSET_NOTHING_TO_CHANGE), win::MB_OK | win::MB_ICONINFORMATION, kRegsetDone);
    // Started without elevation (by hand, say): nothing is written.
    if (!m_platform.system.IsUserAnAdmin())
        return Tell(quiet, resources.LoadString(IDS_REGSET_NEEDS_ADMINISTRATOR), win::MB_OK | win::MB_ICONSTOP,
                    kRegsetNeedsAdministrator);

    WideString changed;
    for (const IpsecValue& value : missing) {
        if (const long error = WriteMachineDword(m_platform.registry, value.keyPath, value.name, value.setTo)) {
            const WideString text = WideString::Format(resources.LoadString(IDS_REGSET_WRITE_FAILED),
                                                       {value.name, m_platform.system.DescribeError(error).view()});
            return Tell(quiet, text, win::MB_OK | win::MB_ICONSTOP, kRegsetWriteFailed);
        }
        changed += WideString::Format(u"%s\\%s = %d\n", {value.keyPath, value.name, static_cast<int>(value.setTo)});
    }
    if (quiet)
        return kRegsetDone;
    const WideString question = WideString::Format(resources.LoadString(IDS_REGSET_CHANGED), {changed.view()})
        + u"\n" + resources.LoadString(IDS_REBOOT_NOW);
    if (ShowMessageBox(m_platform, nullptr, question, win::MB_YESNO) == win::IDYES)
        m_platform.app.RestartSystem();
    return kRegsetDone;
}

int CRegsetTool::Tell(bool quiet, const WideString& text, unsigned type, int exitCode)
{
    if (!quiet)
        ShowMessageBox(m_platform, nullptr, text, type);
    return exitCode;
}
