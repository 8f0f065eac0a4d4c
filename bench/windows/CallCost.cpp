// Makes one of the calls the program's refresh makes, many times over, so that its CPU cost
// across the whole Wine session (this process, the server, the desktop process, the device
// host, the X server) can be measured apart:
//
//   CallCost.exe KIND COUNT PAUSE_MS SIGNAL
//   CallCost.exe hold
//
//   hold        waits, doing nothing, until it is ended: keeps the session's desktop up
//   none        nothing: the process's own start and end, and the pauses
//   adapters    the adapter enumeration as the program makes it: the sizing call, a buffer of
//               whole 2048-byte granules, the filling call, every record's name copied
//   adapters-once   the same answer from one call into a buffer kept from call to call (a
//               second call only when the list has outgrown it)
//   adapters-lean   the program's two calls, asking the platform to leave out the addresses,
//               which the program never reads (GAA_FLAG_SKIP_UNICAST and the like)
//   iftable     the same two facts (type and name of every interface) from GetIfTable2
//   findfile    FindFirstFileW + FindClose on the program's phonebook path
//   notifyicon  Shell_NotifyIconW(NIM_MODIFY) of an icon added once, the same tip every time
//   settext     SetWindowTextW of the empty text on an empty static control of a shown dialog
//
// Between two calls it waits PAUSE_MS while handling its messages, so that what a call leaves
// to other processes (a repaint) is done before the next call. The measuring script samples the
// session while this process is alive on both sides of the calls: the process creates the file
// SIGNAL.ready once set up and waits for SIGNAL.go before the first call; after the last it
// creates SIGNAL.done and waits for SIGNAL.exit.
#include <winsock2.h>
#include <ws2tcpip.h>
#include <windows.h>
#include <iphlpapi.h>
#include <shellapi.h>
#include <shlobj.h>

#include <cstdlib>
#include <cwchar>
#include <string>
#include <vector>

namespace {

void Pump(DWORD milliseconds)
{
    const DWORD end = ::GetTickCount() + milliseconds;
    for (;;) {
        MSG msg;
        while (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
            ::TranslateMessage(&msg);
            ::DispatchMessageW(&msg);
        }
        const DWORD now = ::GetTickCount();
        if (static_cast<LONG>(end - now) <= 0)
            return;
        ::MsgWaitForMultipleObjects(0, nullptr, FALSE, end - now, QS_ALLINPUT);
    }
}

std::size_t ReadNames(const IP_ADAPTER_ADDRESSES* first)
{
    std::size_t names = 0;
    for (const IP_ADAPTER_ADDRESSES* adapter = first; adapter != nullptr; adapter = adapter->Next) {
        std::wstring name = adapter->FriendlyName;
        names += name.size() + adapter->IfType;
    }
    return names;
}

bool EnumerateAdapters(ULONG flags)
{
    ULONG size = 0;
    if (::GetAdaptersAddresses(AF_UNSPEC, flags, nullptr, nullptr, &size) != ERROR_BUFFER_OVERFLOW)
        return false;
    size = (size + 2047) / 2048 * 2048;
    auto* buffer = static_cast<IP_ADAPTER_ADDRESSES*>(std::malloc(size));
    if (buffer == nullptr)
        return false;
    const bool filled = ::GetAdaptersAddresses(AF_UNSPEC, flags, nullptr, buffer, &size) == NO_ERROR;
    const std::size_t names = filled ? ReadNames(buffer) : 0;
    std::free(buffer);
    return filled && names != 0;
}

bool ReadInterfaceTable()
{
    MIB_IF_TABLE2* table = nullptr;
    if (::GetIfTable2(&table) != NO_ERROR)
        return false;
    std::size_t names = 0;
    for (ULONG i = 0; i < table->NumEntries; ++i) {
        std::wstring name = table->Table[i].Alias;
        names += name.size() + table->Table[i].Type;
    }
    ::FreeMibTable(table);
    return names != 0;
}

bool EnumerateAdaptersOnce()
{
    static std::vector<unsigned char> kept(16 * 1024);
    for (int attempt = 0; attempt < 3; ++attempt) {
        ULONG size = static_cast<ULONG>(kept.size());
        auto* buffer = reinterpret_cast<IP_ADAPTER_ADDRESSES*>(kept.data());
        const ULONG result = ::GetAdaptersAddresses(AF_UNSPEC, GAA_FLAG_INCLUDE_PREFIX, nullptr, buffer, &size);
        if (result == NO_ERROR)
            return ReadNames(buffer) != 0;
        if (result != ERROR_BUFFER_OVERFLOW)
            return false;
        kept.resize((size + 2047) / 2048 * 2048);
    }
    return false;
}

void Signal(const std::wstring& path)
{
    const HANDLE file = ::CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    if (file != INVALID_HANDLE_VALUE)
        ::CloseHandle(file);
}

void AwaitSignal(const std::wstring& path)
{
    while (::GetFileAttributesW(path.c_str()) == INVALID_FILE_ATTRIBUTES)
        Pump(20);
}

std::wstring PhoneBookPath()
{
    wchar_t appData[MAX_PATH] = {};
    ::SHGetFolderPathW(nullptr, CSIDL_APPDATA, nullptr, 0, appData);
    return std::wstring(appData) + L"\\Tolvex Computer\\TolvexPhoneBook.pbk";
}

}  // namespace

int wmain(int argc, wchar_t** argv)
{
    if (argc == 2 && std::wstring(argv[1]) == L"hold") {
        for (;;)
            ::Sleep(INFINITE);
    }
    if (argc != 5)
        return 2;
    const std::wstring kind = argv[1];
    const long count = std::wcstol(argv[2], nullptr, 10);
    const DWORD pause = static_cast<DWORD>(std::wcstoul(argv[3], nullptr, 10));
    const std::wstring signal = argv[4];

    // A shown dialog-like window with an empty static control, and a notification icon; made
    // for every kind, so that "none" pays for them too.
    HWND window = ::CreateWindowExW(0, L"#32770", L"Call Cost", WS_POPUP | WS_CAPTION | WS_VISIBLE, 40, 40, 240, 90,
                                    nullptr, nullptr, nullptr, nullptr);
    HWND label = ::CreateWindowExW(0, L"STATIC", L"", WS_CHILD | WS_VISIBLE | SS_CENTER, 10, 50, 20, 18, window,
                                   nullptr, nullptr, nullptr);
    NOTIFYICONDATAW icon{};
    icon.cbSize = sizeof icon;
    icon.hWnd = window;
    icon.uID = 1;
    icon.uFlags = NIF_MESSAGE | NIF_ICON | NIF_TIP;
    icon.uCallbackMessage = WM_APP;
    icon.hIcon = ::LoadIconW(nullptr, IDI_APPLICATION);
    std::wcscpy(icon.szTip, L"Call Cost");
    ::Shell_NotifyIconW(NIM_ADD, &icon);
    const std::wstring path = PhoneBookPath();
    Pump(1000);
    Signal(signal + L".ready");
    AwaitSignal(signal + L".go");

    long failures = 0;
    for (long i = 0; i < count; ++i) {
        if (kind == L"adapters") {
            failures += EnumerateAdapters(GAA_FLAG_INCLUDE_PREFIX) ? 0 : 1;
        } else if (kind == L"adapters-once") {
            failures += EnumerateAdaptersOnce() ? 0 : 1;
        } else if (kind == L"adapters-lean") {
            failures += EnumerateAdapters(GAA_FLAG_SKIP_UNICAST | GAA_FLAG_SKIP_ANYCAST | GAA_FLAG_SKIP_MULTICAST
                                          | GAA_FLAG_SKIP_DNS_SERVER) ? 0 : 1;
        } else if (kind == L"iftable") {
            failures += ReadInterfaceTable() ? 0 : 1;
        } else if (kind == L"findfile") {
            WIN32_FIND_DATAW data;
            const HANDLE search = ::FindFirstFileW(path.c_str(), &data);
            if (search == INVALID_HANDLE_VALUE)
                ++failures;
            else
                ::FindClose(search);
        } else if (kind == L"notifyicon") {
            icon.hIcon = ::LoadIconW(nullptr, IDI_APPLICATION);
            failures += ::Shell_NotifyIconW(NIM_MODIFY, &icon) ? 0 : 1;
        } else if (kind == L"settext") {
            failures += ::SetWindowTextW(label, L"") ? 0 : 1;
        } else if (kind != L"none") {
            return 2;
        }
        Pump(pause);
    }
    Signal(signal + L".done");
    AwaitSignal(signal + L".exit");

    ::Shell_NotifyIconW(NIM_DELETE, &icon);
    ::DestroyWindow(window);
    return failures == 0 ? 0 : 1;
}
