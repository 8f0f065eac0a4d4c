// Everything the system reaches of the operating system, one narrow interface per area.
#pragma once

#include "platform/Adapters.h"
#include "platform/AppServices.h"
#include "platform/FileSystem.h"
#include "platform/Registry.h"
#include "platform/Resources.h"
#include "platform/Shell.h"
#include "platform/SystemInfo.h"
#include "platform/WindowSystem.h"

struct Platform {
    IAppServices& app;
    IResources& resources;
    ISystemInfo& system;
    IWindowSystem& ui;
    IFileSystem& files;
    IShell& shell;
    IAdapters& adapters;
    IRegistry& registry;
};
