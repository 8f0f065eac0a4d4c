// The separate elevated tool that puts the IPsec values in place: started, never waited for.
#pragma once

#include "base/EventLog.h"
#include "platform/Platform.h"

// Starts "Tolvex Regset.exe" from the program's own folder, elevated on systems 6 and later, and
// records the start.
void LaunchRegistryTool(Platform& platform, CEventLog& log);
