// Every call the programs look up at run time, in one place. Libraries come from the system
// directory only: never from the program's folder or the current directory, where a planted copy
// could wait.
#pragma once

#include <windows.h>

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

}  // namespace dyn
