// What a Windows program under Wine cannot do itself (make a network device, take a picture of
// the X display), asked of the session's Linux helper (hostd.py): a request file, complete
// before it takes its name, and the answer the helper writes back. Shared by the stand-in dialer
// and the driver.
#pragma once

#include <windows.h>

#include <string>

#include "FileBytes.h"

// Hands the request (an action and its arguments, a line each) over and waits for the answer;
// true when it was "ok".
inline bool AskHost(const std::string& request)
{
    const std::wstring folder = L"C:\\tolvex-e2e\\", token = std::to_wstring(GetCurrentProcessId()) + L"-" + std::to_wstring(GetTickCount());
    const std::wstring answer = folder + L"host-reply-" + token;
    const bool handed = WriteFileBytes(folder + L"host-request-" + token, request);
    // The helper answers every request; a missing answer means it is not there.
    for (DWORD start = GetTickCount(); handed && GetFileAttributesW(answer.c_str()) == INVALID_FILE_ATTRIBUTES; Sleep(20)) {
        if (GetTickCount() - start > 30000)
            return false;
    }
    const bool ok = handed && ReadFileBytes(answer).rfind("ok", 0) == 0;
    DeleteFileW(answer.c_str());
    return ok;
}
