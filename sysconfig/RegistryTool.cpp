#include "sysconfig/RegistryTool.h"

#include "base/Path.h"
#include "platform/Constants.h"
#include "sysconfig/NatTraversal.h"

namespace {

constexpr char16_t kToolName[] = u"Tolvex Regset.exe";

}  // namespace

void LaunchRegistryTool(Platform& platform, CEventLog& log)
{
    const WideString verb = ReadMajorVersion(platform.system) >= 6 ? WideString(u"runas") : WideString(u"");
    // By full path from the program's folder: an elevated start must never pick up a file of
    // that name planted in the current directory.
    const WideString folder = FolderOf(platform.app.GetModuleFileName());
    if (folder.IsEmpty())
        return;
    platform.shell.Execute(nullptr, verb, folder + kToolName, WideString(u""), std::nullopt, win::SW_HIDE);
    log.Record(u"registry tool started: %s", {(folder + kToolName).view()});
}
