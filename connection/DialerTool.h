// The system's dialer tool, started with one of four command lines and never waited for.
#pragma once

#include "base/EventLog.h"
#include "base/WideString.h"
#include "platform/Platform.h"

enum class DialerAction { Add, Edit, Dial, HangUp };

// The action's parameters: the phonebook path and the entry name, each in quotation marks.
WideString FormatDialerParameters(DialerAction action, const WideString& phoneBookPath, const WideString& entryName);

// The system directory followed by a backslash; empty when the platform cannot tell.
WideString GetSystemDirPath(ISystemInfo& system);

// Starts "rasphone.exe" from the system directory, by its full path and never through the
// shell's file associations, and returns at once. Nothing is started
// without a phonebook path or the system directory (the tool would be pointed at the wrong file,
// or looked up relative to the current drive), nor when either holds a quotation mark or a
// control character, which could end its argument early or smuggle in another. The start, or why
// there was none, goes on the record.
void RunDialerTool(Platform& platform, CEventLog& log, DialerAction action, const WideString& phoneBookPath,
                   const WideString& entryName);
