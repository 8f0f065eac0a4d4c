// Starting programs through the shell.
#pragma once

#include <optional>

#include "base/WideString.h"
#include "platform/Types.h"

class IShell {
public:
    virtual ~IShell() = default;
    // Starts file and returns without waiting. An absent verb, parameters or directory is passed
    // as a null pointer, which differs from an empty text. The result is the platform's.
    virtual std::intptr_t Execute(WindowHandle owner, const std::optional<WideString>& verb, const WideString& file,
                                  const std::optional<WideString>& parameters,
                                  const std::optional<WideString>& directory, int showCommand) = 0;
};
