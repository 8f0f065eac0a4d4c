// What a Windows program under Wine cannot do itself (make a network device, take a picture of
// the X display), asked of the session's Linux helper (hostd.py): a request file, complete
// before it takes its name, and the answer the helper writes back. Shared by the stand-in dialer
// and the driver.
#pragma once

#include <windows.h>

#include <string>

#include "ReadFileBytes.h"

// Hands the request (an action and its arguments, a line each) over and waits for the answer;
// true when it was "ok".
inline bool AskHost(const std::string& request)
{
    const std::wstring folder = L"C:\\tolvex-e2e\\", token = std::to_wstring(GetCurrentProcessId()) + L"-" + std::to_wstring(GetTickCount());
    const std::wstring asked = folder + L"host-request-" + token, partial = asked + L".partial";
    const std::wstring answer = folder + L"host-reply-" + token;
    const HANDLE file = CreateFileW(partial.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    DWORD written = 0;
    const bool handed = WriteFile(file, request.data(), static_cast<DWORD>(request.size()), &written, nullptr)
        && CloseHandle(file) && MoveFileW(partial.c_str(), asked.c_str());
    // The helper answers every request; a missing answer means it is not there.
    for (DWORD start = GetTickCount(); handed && GetFileAttributesW(answer.c_str()) == INVALID_FILE_ATTRIBUTES; Sleep(20)) {
        if (GetTickCount() - start > 30000)
            return false;
    }
    const bool ok = handed && ReadFileBytes(answer).rfind("ok", 0) == 0;
    DeleteFileW(answer.c_str());
    return ok;
}
