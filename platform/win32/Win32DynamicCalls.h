// Every call the programs look up at run time, in one place. Libraries come from the system
// directory only: never from the program's folder or the current directory, where a planted copy
// could wait.
#pragma once

#include <windows.h>

#include <functional>
#include <string>

namespace dyn {

// Limits every later library load of the process to the system directory, where the system
// offers that (Windows 8, and 7 with its update); called first thing at start.
void UseSystemDllDirectoryOnly();
// The library loaded by its full path in the system directory; null when it is not there.
HMODULE LoadSystemLibrary(const wchar_t* name);

BOOL SetLayeredWindowAttributes(HWND hwnd, COLORREF colorKey, BYTE alpha, DWORD flags);
// The shell's administrator test, exported by ordinal 680; false when it cannot be found.
bool IsUserAnAdmin();
// The IP helper's adapter enumeration; ERROR_PROC_NOT_FOUND when the library is missing.
ULONG GetAdaptersAddresses(ULONG family, ULONG flags, void* buffer, ULONG* size);
// Lets message reach hwnd from processes of lower rights, where the system has that filter.
void AllowMessageFromLowerPrivilege(HWND hwnd, UINT message);


// Files named relative to an open folder, through the native calls of ntdll (loaded in every
// process), which the documented calls offer no way to: each answers the system's error code.
// Opens or creates name in folder as NtCreateFile does; always synchronous, and never through a
// reparse point there.
DWORD OpenInFolder(HANDLE folder, const std::wstring& name, ACCESS_MASK access, ULONG attributes, ULONG share,
                   ULONG disposition, ULONG options, HANDLE& file);
// Gives the open file another name in folder; never over an existing file.
DWORD RenameInFolder(HANDLE file, HANDLE folder, const std::wstring& name);
// Calls found with each name in the folder that matches the wildcard pattern, and its time of
// last write.
DWORD ListFolder(HANDLE folder, const std::wstring& pattern, const std::function<void(std::wstring, ULONGLONG)>& found);

}  // namespace dyn
