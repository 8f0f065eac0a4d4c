// Starting programs: through the shell where a verb is wanted ("runas"), else directly.
#pragma once

#include <optional>

#include "base/WideString.h"
#include "platform/Types.h"

class IShell {
public:
    virtual ~IShell() = default;
    // Starts file and returns without waiting. An absent verb, parameters or directory is passed
    // as a null pointer, which differs from an empty text.
    virtual void Execute(WindowHandle owner, const std::optional<WideString>& verb, const WideString& file,
                                  const std::optional<WideString>& parameters,
                                  const std::optional<WideString>& directory, int showCommand) = 0;
    // Starts the program at its full path with CreateProcessW, never through the shell's file
    // associations (which the user's own registry can redirect): its command line is the quoted
    // path, a space and the parameters; its first window is shown as showCommand; it starts in
    // the caller's current directory and is not waited for.
    virtual void StartProgram(const WideString& path, const WideString& parameters, int showCommand) = 0;
};
