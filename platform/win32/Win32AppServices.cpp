#include <winsock2.h>
#include <windows.h>
#include <commctrl.h>

#include <vector>

#include "platform/win32/Win32Handle.h"
#include "platform/win32/Win32Platform.h"
#include "platform/win32/Win32Text.h"

WideString CWin32AppServices::GetModuleFileName()
{
    std::vector<wchar_t> buffer(32768);
    const DWORD length = ::GetModuleFileNameW(nullptr, buffer.data(), static_cast<DWORD>(buffer.size()));
    return FromWide(buffer.data(), length);
}

WideString CWin32AppServices::GetCommandLine() { return FromWide(::GetCommandLineW()); }

bool CWin32AppServices::MutexExists(const WideString& name)
{
    // One that a copy run elevated made exists as much, though this process may not open it.
    const CHandle mutex(::OpenMutexW(SYNCHRONIZE, FALSE, ToWide(name)));
    return mutex.IsValid() || ::GetLastError() == ERROR_ACCESS_DENIED;
}

std::uint32_t CWin32AppServices::GetTickCount() { return ::GetTickCount(); }

void CWin32AppServices::Sleep(unsigned milliseconds) { ::Sleep(milliseconds); }

unsigned long CWin32AppServices::CreateOwnedMutex(const WideString& name)
{
    // The handle is dropped on purpose: the system releases the mutex when the process ends.
    ::CreateMutexW(nullptr, TRUE, ToWide(name));
    return ::GetLastError();
}

void CWin32AppServices::InitCommonControls(unsigned classes)
{
    INITCOMMONCONTROLSEX icc{sizeof(icc), classes};
    ::InitCommonControlsEx(&icc);
}

int CWin32AppServices::StartSockets(std::uint16_t requested, std::uint16_t& version)
{
    WSADATA data{};
    const int result = ::WSAStartup(requested, &data);
    version = data.wVersion;
    return result;
}

void CWin32AppServices::CleanupSockets() { ::WSACleanup(); }

void CWin32AppServices::SetSocketsLastError(int error) { ::WSASetLastError(error); }

bool CWin32AppServices::RestartSystem()
{
    HANDLE opened = nullptr;
    if (!::OpenProcessToken(::GetCurrentProcess(), TOKEN_ADJUST_PRIVILEGES | TOKEN_QUERY, &opened))
        return false;
    const CHandle token(opened);
    TOKEN_PRIVILEGES privileges{};
    privileges.PrivilegeCount = 1;
    privileges.Privileges[0].Attributes = SE_PRIVILEGE_ENABLED;
    const bool enabled = ::LookupPrivilegeValueW(nullptr, SE_SHUTDOWN_NAME, &privileges.Privileges[0].Luid)
        && ::AdjustTokenPrivileges(token.Get(), FALSE, &privileges, 0, nullptr, nullptr) && ::GetLastError() == ERROR_SUCCESS;
    return enabled
        && ::ExitWindowsEx(EWX_REBOOT, SHTDN_REASON_MAJOR_OPERATINGSYSTEM | SHTDN_REASON_MINOR_RECONFIG | SHTDN_REASON_FLAG_PLANNED);
}
