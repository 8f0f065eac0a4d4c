// What a start of the program is asked to do by its command line: nothing but run (no argument),
// show the usage, or hand one command to the running copy. Exactly one switch, "/" or "-" and a
// name in any letter case, blanks around it ignored; anything else is a usage error.
#pragma once

#include <string_view>

#include "ui/Scripting.h"

struct CommandLine {
    enum class Kind { Run, Help, UsageError, Command };
    Kind kind = Kind::Run;
    ScriptCommand command = ScriptCommand::Status;
};

// line: the process's whole command line, the program's name first, as Windows hands it over
// (quoted or not); modulePath: the program's own path, which an unquoted name with blanks is.
CommandLine ParseCommandLine(std::u16string_view line, std::u16string_view modulePath);
