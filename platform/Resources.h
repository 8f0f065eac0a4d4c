// The program's resources, looked up by identifier in the user's interface language.
#pragma once

#include "base/WideString.h"
#include "platform/Types.h"

class IResources {
public:
    virtual ~IResources() = default;
    // A missing entry gives the empty string.
    virtual WideString LoadString(unsigned id) const = 0;
    virtual IconHandle LoadIcon(unsigned id) const = 0;
    virtual MenuHandle LoadMenu(unsigned id) const = 0;
    // The file version of the program's own version resource, "1.0.0.8"; empty without one.
    virtual WideString LoadVersion() const = 0;
};
