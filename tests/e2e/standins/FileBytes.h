// A whole file's bytes, read or written while other programs may read, write, rename or delete
// it. Shared by the driver and the stand-in dialer.
#pragma once

#include <windows.h>

#include <string>

// Nothing when the file cannot be opened.
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

// Written whole under another name first, then renamed: a reader sees the old bytes or the new,
// never a part.
inline bool WriteFileBytes(const std::wstring& path, const std::string& bytes)
{
    const std::wstring partial = path + L".partial";
    const HANDLE file = CreateFileW(partial.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    DWORD written = 0;
    return WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) && CloseHandle(file)
        && MoveFileExW(partial.c_str(), path.c_str(), MOVEFILE_REPLACE_EXISTING);
}
