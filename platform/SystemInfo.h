// Facts about the running system.
#pragma once

#include "base/WideString.h"
#include "platform/Types.h"

class ISystemInfo {
public:
    virtual ~ISystemInfo() = default;
    // The version as the platform reports it to this program now (GetVersionExW, with the
    // record's size set by the platform side).
    virtual bool GetVersionEx(OsVersionInfo& info) = 0;
    // The system directory without a final backslash, as it fits a buffer of bufferChars
    // characters; false when the platform could not tell.
    virtual bool GetSystemDirectory(WideString& path, unsigned bufferChars) = 0;
    // The user's roaming application-data folder, without creating it; false when unknown.
    virtual bool GetAppDataFolder(WideString& path) = 0;
    // The shell's administrator test, looked up by its ordinal; false when it cannot be found.
    virtual bool IsUserAnAdmin() = 0;
    // The system's text for one of its error codes, in the user's language.
    virtual WideString DescribeError(long code) = 0;
};
