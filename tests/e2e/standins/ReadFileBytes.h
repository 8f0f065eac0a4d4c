// A whole file's bytes, read while any other program may write, rename or delete it; nothing when
// it cannot be opened. Shared by the driver and the stand-in dialer.
#pragma once

#include <windows.h>

#include <string>

inline std::string ReadFileBytes(const std::wstring& path)
{
    std::string bytes;
    const HANDLE file = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                    nullptr, OPEN_EXISTING, 0, nullptr);
    char piece[65536];
    DWORD read = 0;
    while (file != INVALID_HANDLE_VALUE && ReadFile(file, piece, sizeof(piece), &read, nullptr) && read != 0)
        bytes.append(piece, read);
    CloseHandle(file);
    return bytes;
}
