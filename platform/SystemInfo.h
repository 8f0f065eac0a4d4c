// Facts about the running system.
#pragma once

#include "platform/Types.h"

class ISystemInfo {
public:
    virtual ~ISystemInfo() = default;
    // Fills the record as the platform reports it to this program now.
    virtual bool GetVersionEx(OsVersionInfo& info) = 0;
};
