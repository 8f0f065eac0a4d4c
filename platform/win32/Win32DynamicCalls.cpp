#include "platform/win32/Win32DynamicCalls.h"

#include <string>

namespace {

// The process's one reference to each library it looks calls up in: kept until the process ends.
template <class Fn>
Fn Lookup(const wchar_t* library, const char* name)
{
    const HMODULE module = dyn::LoadSystemLibrary(library);
    return module != nullptr ? reinterpret_cast<Fn>(reinterpret_cast<void*>(::GetProcAddress(module, name))) : nullptr;
}

}  // namespace

namespace dyn {

void UseSystemDllDirectoryOnly()
{
    using SetDefaultDllDirectoriesFn = BOOL(WINAPI*)(DWORD);
    constexpr DWORD kSearchSystem32 = 0x00000800;  // LOAD_LIBRARY_SEARCH_SYSTEM32
    // kernel32 is always loaded: looking a call up there loads nothing.
    const auto set = reinterpret_cast<SetDefaultDllDirectoriesFn>(
        reinterpret_cast<void*>(::GetProcAddress(::GetModuleHandleW(L"kernel32.dll"), "SetDefaultDllDirectories")));
    if (set != nullptr)
        set(kSearchSystem32);
    // Where it is missing, the current directory at least leaves the search.
    ::SetDllDirectoryW(L"");
}

HMODULE LoadSystemLibrary(const wchar_t* name)
{
    wchar_t folder[MAX_PATH] = {};
    const UINT length = ::GetSystemDirectoryW(folder, MAX_PATH);
    if (length == 0 || length >= MAX_PATH)
        return nullptr;
    const std::wstring path = std::wstring(folder, length) + L"\\" + name;
    return ::LoadLibraryW(path.c_str());
}

BOOL SetLayeredWindowAttributes(HWND hwnd, COLORREF colorKey, BYTE alpha, DWORD flags)
{
    using Fn = BOOL(WINAPI*)(HWND, COLORREF, BYTE, DWORD);
    static const Fn call = Lookup<Fn>(L"user32.dll", "SetLayeredWindowAttributes");
    return call != nullptr && call(hwnd, colorKey, alpha, flags);
}

bool IsUserAnAdmin()
{
    using Fn = BOOL(WINAPI*)();
    static const Fn call = Lookup<Fn>(L"shell32.dll", MAKEINTRESOURCEA(680));
    return call != nullptr && call() != FALSE;
}

ULONG GetAdaptersAddresses(ULONG family, ULONG flags, void* buffer, ULONG* size)
{
    using Fn = ULONG(WINAPI*)(ULONG, ULONG, void*, void*, ULONG*);
    static const Fn call = Lookup<Fn>(L"iphlpapi.dll", "GetAdaptersAddresses");
    return call != nullptr ? call(family, flags, nullptr, buffer, size) : ERROR_PROC_NOT_FOUND;
}

void AllowMessageFromLowerPrivilege(HWND hwnd, UINT message)
{
    constexpr DWORD kAllow = 1;  // MSGFLT_ALLOW, and MSGFLT_ADD of the older call
    using PerWindowFn = BOOL(WINAPI*)(HWND, UINT, DWORD, void*);
    using PerProcessFn = BOOL(WINAPI*)(UINT, DWORD);
    // Windows 7 filters per window; Vista only per process; older systems not at all.
    static const auto perWindow = Lookup<PerWindowFn>(L"user32.dll", "ChangeWindowMessageFilterEx");
    static const auto perProcess = Lookup<PerProcessFn>(L"user32.dll", "ChangeWindowMessageFilter");
    if (perWindow != nullptr)
        perWindow(hwnd, message, kAllow, nullptr);
    else if (perProcess != nullptr)
        perProcess(message, kAllow);
}

}  // namespace dyn
