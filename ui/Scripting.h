// What a start of the program with a switch asks of the running copy, and what it is answered:
// one registered message of the program's own carrying only the command's number, answered with
// the exit code the asking start ends with.
#pragma once

#include <cstdint>

enum class ScriptCommand : std::uintptr_t { Connect = 1, Disconnect, Status, Quit };

// The same in every language; the README's "Scripting" lists them.
enum class ScriptExit : int {
    Done = 0,             // /status: connected
    NotConnected = 1,     // /status: the entry is set up, the link is not up
    UsageError = 2,
    NotRunning = 3,       // no copy runs in this logon session
    Busy = 4,             // a box of the copy is open, it is still starting after the wait, or hung
    Refused = 5,          // Windows kept the command from a copy with higher rights
    NotSetUp = 6,
    PhoneBookFailed = 7,  // the phonebook could not be rewritten; nothing was started
    Unreadable = 8,       // the link's state cannot be read
    TooOld = 9,           // the running copy does not understand commands
};

constexpr char16_t kScriptCommandMessage[] = u"Tolvex Cell VPN Manager: a script's command to the running copy";

// Answers no dialog gives by default (which answers 0): the exit code added to a base.
constexpr std::intptr_t kScriptAnswerBase = 0x70767800;

constexpr std::intptr_t ScriptAnswerOf(ScriptExit exit) { return kScriptAnswerBase + static_cast<int>(exit); }

// A copy that knows no commands answers something else.
constexpr ScriptExit ScriptExitOf(std::intptr_t answer)
{
    const std::intptr_t code = answer - kScriptAnswerBase;
    return code >= 0 && code < static_cast<int>(ScriptExit::TooOld) ? static_cast<ScriptExit>(code) : ScriptExit::TooOld;
}
