// Facts about the running system.
#pragma once

#include <optional>

#include "base/EventLog.h"
#include "base/WideString.h"
#include "platform/Types.h"

class ISystemInfo {
public:
    virtual ~ISystemInfo() = default;
    // The version as the platform reports it to this program now (GetVersionExW, with the
    // record's size set by the platform side).
    virtual OsVersionInfo GetVersion() = 0;
    // The system directory without a final backslash, as it fits a buffer of bufferChars
    // characters; none when the platform could not tell.
    virtual std::optional<WideString> GetSystemDirectory(unsigned bufferChars) = 0;
    // The user's roaming application-data folder, without creating it; none when unknown.
    virtual std::optional<WideString> GetAppDataFolder() = 0;
    // The shell's administrator test, looked up by its ordinal; false when it cannot be found.
    virtual bool IsUserAnAdmin() = 0;
    // The system's text for one of its error codes, in the user's language.
    virtual WideString DescribeError(long code) = 0;
    virtual LocalTime GetLocalTime() = 0;
    // The language of the user's interface, which picks the program's resources (a LANGID).
    virtual unsigned GetUserInterfaceLanguage() = 0;
};
