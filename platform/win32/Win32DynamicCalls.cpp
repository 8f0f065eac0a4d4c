#include "platform/win32/Win32DynamicCalls.h"

#include <winternl.h>

#include <string>
#include <vector>

namespace {

// The process's one reference to each library it looks calls up in: kept until the process ends.
template <class Fn>
Fn Lookup(const wchar_t* library, const char* name)
{
    const HMODULE module = dyn::LoadSystemLibrary(library);
    return module != nullptr ? reinterpret_cast<Fn>(reinterpret_cast<void*>(::GetProcAddress(module, name))) : nullptr;
}

// A call of ntdll, which every process has loaded: looking it up loads nothing.
template <class Fn>
Fn NativeCall(const char* name)
{
    return reinterpret_cast<Fn>(reinterpret_cast<void*>(::GetProcAddress(::GetModuleHandleW(L"ntdll.dll"), name)));
}

DWORD ToError(NTSTATUS status)
{
    using Fn = ULONG(NTAPI*)(NTSTATUS);
    static const Fn convert = NativeCall<Fn>("RtlNtStatusToDosError");
    return status == 0 ? ERROR_SUCCESS : convert != nullptr ? convert(status) : ERROR_GEN_FAILURE;
}

// The string views the native calls take; name outlives it.
UNICODE_STRING Counted(const std::wstring& name)
{
    const auto bytes = static_cast<USHORT>(name.size() * sizeof(wchar_t));
    return {bytes, bytes, const_cast<PWSTR>(name.c_str())};
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

DWORD OpenInFolder(HANDLE folder, const std::wstring& name, ACCESS_MASK access, ULONG attributes, ULONG share,
                   ULONG disposition, ULONG options, HANDLE& file)
{
    using Fn = NTSTATUS(NTAPI*)(PHANDLE, ACCESS_MASK, POBJECT_ATTRIBUTES, PIO_STATUS_BLOCK, PLARGE_INTEGER, ULONG, ULONG,
                                ULONG, ULONG, PVOID, ULONG);
    static const Fn call = NativeCall<Fn>("NtCreateFile");
    file = nullptr;
    if (call == nullptr)
        return ERROR_PROC_NOT_FOUND;
    UNICODE_STRING counted = Counted(name);
    OBJECT_ATTRIBUTES object{};
    InitializeObjectAttributes(&object, &counted, OBJ_CASE_INSENSITIVE, folder, nullptr);
    IO_STATUS_BLOCK io{};
    return ToError(call(&file, access | SYNCHRONIZE, &object, &io, nullptr, attributes, share, disposition,
                        options | FILE_SYNCHRONOUS_IO_NONALERT | FILE_OPEN_REPARSE_POINT, nullptr, 0));
}

DWORD RenameInFolder(HANDLE file, HANDLE folder, const std::wstring& name)
{
    using Fn = NTSTATUS(NTAPI*)(HANDLE, PIO_STATUS_BLOCK, PVOID, ULONG, FILE_INFORMATION_CLASS);
    static const Fn call = NativeCall<Fn>("NtSetInformationFile");
    if (call == nullptr)
        return ERROR_PROC_NOT_FOUND;
    // The record ends with the name, which it counts in bytes.
    std::vector<unsigned char> record(sizeof(FILE_RENAME_INFORMATION) + name.size() * sizeof(wchar_t));
    auto* rename = reinterpret_cast<FILE_RENAME_INFORMATION*>(record.data());
    rename->ReplaceIfExists = FALSE;
    rename->RootDirectory = folder;
    rename->FileNameLength = static_cast<ULONG>(name.size() * sizeof(wchar_t));
    std::copy(name.begin(), name.end(), rename->FileName);
    IO_STATUS_BLOCK io{};
    return ToError(call(file, &io, rename, static_cast<ULONG>(record.size()), FileRenameInformation));
}

DWORD ListFolder(HANDLE folder, const std::wstring& pattern, const std::function<void(std::wstring, ULONGLONG)>& found)
{
    using Fn = NTSTATUS(NTAPI*)(HANDLE, HANDLE, PVOID, PVOID, PIO_STATUS_BLOCK, PVOID, ULONG, FILE_INFORMATION_CLASS,
                                BOOLEAN, PUNICODE_STRING, BOOLEAN);
    static const Fn call = NativeCall<Fn>("NtQueryDirectoryFile");
    if (call == nullptr)
        return ERROR_PROC_NOT_FOUND;
    UNICODE_STRING mask = Counted(pattern);
    // 8-byte aligned, as the records are.
    std::vector<ULONGLONG> buffer(512);
    // The pattern counts at the first call, which starts the listing; later calls go on from there.
    for (BOOLEAN first = TRUE;; first = FALSE) {
        IO_STATUS_BLOCK io{};
        const NTSTATUS status = call(folder, nullptr, nullptr, nullptr, &io, buffer.data(),
                                     static_cast<ULONG>(buffer.size() * sizeof(ULONGLONG)), FileDirectoryInformation,
                                     FALSE, first ? &mask : nullptr, first);
        // STATUS_NO_MORE_FILES, and STATUS_NO_SUCH_FILE when nothing matched at all.
        if (status == static_cast<NTSTATUS>(0x80000006) || status == static_cast<NTSTATUS>(0xC000000F))
            return ERROR_SUCCESS;
        if (status != 0)
            return ToError(status);
        for (auto* entry = reinterpret_cast<const unsigned char*>(buffer.data());;) {
            const auto* info = reinterpret_cast<const FILE_DIRECTORY_INFORMATION*>(entry);
            if ((info->FileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0)
                found(std::wstring(info->FileName, info->FileNameLength / sizeof(wchar_t)),
                      static_cast<ULONGLONG>(info->LastWriteTime.QuadPart));
            if (info->NextEntryOffset == 0)
                break;
            entry += info->NextEntryOffset;
        }
    }
}

}  // namespace dyn
