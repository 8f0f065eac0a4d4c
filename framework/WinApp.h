// The application object the system stands on: the whole life of the process runs in
// InitInstance.
#pragma once

#include "platform/Platform.h"

class CWinApp {
public:
    explicit CWinApp(Platform& platform) : m_platform(platform) {}
    virtual ~CWinApp() = default;
    CWinApp(const CWinApp&) = delete;
    CWinApp& operator=(const CWinApp&) = delete;

    // The whole life of the process; false ends the application without a message loop.
    virtual bool InitInstance() = 0;

    Platform& platform() const { return m_platform; }

protected:
    // The one box without an owner: a failure at start, before any window exists.
    int MessageBox(unsigned stringId, unsigned type) const;

private:
    Platform& m_platform;
};
