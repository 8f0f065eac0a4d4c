// The separate elevated tool that puts the IPsec values in place: started, never waited for.
#pragma once

#include "platform/Platform.h"

// Starts "Tolvex Regset.exe" from the program's own folder, elevated on systems 6 and later.
void LaunchRegistryTool(Platform& platform);
