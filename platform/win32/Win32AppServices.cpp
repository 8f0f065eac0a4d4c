#include <winsock2.h>
#include <windows.h>
#include <commctrl.h>

#include <vector>

#include "platform/win32/Win32Platform.h"
#include "platform/win32/Win32Text.h"

WideString CWin32AppServices::GetModuleFileName()
{
    std::vector<wchar_t> buffer(32768);
    const DWORD length = ::GetModuleFileNameW(nullptr, buffer.data(), static_cast<DWORD>(buffer.size()));
    return FromW(buffer.data(), length);
}

unsigned long CWin32AppServices::CreateOwnedMutex(const WideString& name)
{
    // The handle is dropped on purpose: the system releases the mutex when the process ends.
    ::CreateMutexW(nullptr, TRUE, W(name));
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
