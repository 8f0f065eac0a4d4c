// Everything the system reaches of the operating system, one narrow interface per area.
#pragma once

#include "platform/AppServices.h"
#include "platform/Resources.h"
#include "platform/SystemInfo.h"
#include "platform/WindowSystem.h"

struct Platform {
    IAppServices& app;
    IResources& resources;
    ISystemInfo& system;
    IWindowSystem& ui;
};
