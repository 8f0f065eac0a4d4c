// What the start routine needs of the operating system before any window exists.
#pragma once

#include <cstdint>

#include "base/WideString.h"

class IAppServices {
public:
    virtual ~IAppServices() = default;
    // Full path of the running executable.
    virtual WideString GetModuleFileName() = 0;
    // The command line the process was started with, the program's own name first.
    virtual WideString GetCommandLine() = 0;
    // Creates a named mutex owned by the caller and returns the last error read right after.
    // The handle is kept until the process ends.
    virtual unsigned long CreateOwnedMutex(const WideString& name) = 0;
    // Whether a mutex of that name exists in the logon session; it is not created.
    virtual bool MutexExists(const WideString& name) = 0;
    // Milliseconds since the system started, wrapping; and a wait of the calling thread.
    virtual std::uint32_t GetTickCount() = 0;
    virtual void Sleep(unsigned milliseconds) = 0;
    virtual void InitCommonControls(unsigned classes) = 0;
    // Windows Sockets start-up: the result code and the version the layer will use.
    virtual int StartSockets(std::uint16_t requested, std::uint16_t& version) = 0;
    virtual void CleanupSockets() = 0;
    virtual void SetSocketsLastError(int error) = 0;
    // Restarts Windows for a planned reconfiguration, with the shutdown privilege enabled first;
    // false when it was refused.
    virtual bool RestartSystem() = 0;
};
