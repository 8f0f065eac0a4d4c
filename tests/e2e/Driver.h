// The end-to-end driver, a Windows program run under Wine beside the program under test: it
// starts the program, works it as a user would (windows, keys, the notification area), and reads
// back what a user or another program can see (texts, boxes, files, registry values, links).
#pragma once

// The IP helper's declarations need winsock2.h before windows.h.
#include <winsock2.h>
#include <windows.h>
#include <iphlpapi.h>
#include <shlobj.h>
#include <tlhelp32.h>

#include <cstdio>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "base/ResourceIds.h"
#include "standins/HostRequest.h"

namespace e2e {

// Two refresh passes a second apart, on a loaded machine, with room to spare.
constexpr DWORD kWaitMs = 20000;

// Waits for the condition, answering what is sent to the driver's own windows meanwhile.
inline bool WaitUntil(const std::function<bool()>& condition, DWORD timeoutMs = kWaitMs)
{
    for (const DWORD start = GetTickCount(); !condition(); MsgWaitForMultipleObjects(0, nullptr, FALSE, 50, QS_ALLINPUT)) {
        if (GetTickCount() - start > timeoutMs)
            return false;
        MSG msg;
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE))
            DispatchMessageW(&msg);
    }
    return true;
}

// The driver's own helpers.
inline constexpr wchar_t kSandbox[] = L"C:\\tolvex-e2e\\";

struct Search {
    const std::function<bool(HWND)>& accept;
    HWND found = nullptr;
};

inline BOOL CALLBACK Visit(HWND hwnd, LPARAM search)
{
    auto& s = *reinterpret_cast<Search*>(search);
    s.found = s.accept(hwnd) ? hwnd : nullptr;
    return s.found == nullptr;
}

// The first top-level window the test accepts, shown or not.
inline HWND FindTopLevel(const std::function<bool(HWND)>& accept)
{
    Search search{accept};
    EnumWindows(Visit, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

inline bool IsClass(HWND hwnd, const wchar_t* name)
{
    wchar_t cls[64] = {};
    GetClassNameW(hwnd, cls, 64);
    return wcscmp(cls, name) == 0;
}

inline void Mouse(int x, int y, DWORD flags)
{
    INPUT input{};
    input.type = INPUT_MOUSE;
    input.mi.dx = MulDiv(x, 65536, GetSystemMetrics(SM_CXSCREEN)) + 1;
    input.mi.dy = MulDiv(y, 65536, GetSystemMetrics(SM_CYSCREEN)) + 1;
    input.mi.dwFlags = flags | MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE;
    SendInput(1, &input, sizeof(input));
}

inline POINT TrayIconPoint()
{
    RECT tray{};
    GetWindowRect(FindWindowW(L"Shell_TrayWnd", nullptr), &tray);
    return {tray.right - 10, (tray.top + tray.bottom) / 2};
}

// The program, started from its installed folder (or TOLVEX_APP), with the arguments given. One
// that still runs at the end is ended as Windows ends a session, so that it takes its icon with it.
class App {
public:
    explicit App(const std::wstring& currentDirectory = L"", const std::wstring& arguments = L"")
    {
        wchar_t path[1024] = L"C:\\Program Files\\Tolvex\\TolvexDesktopWin.exe";
        GetEnvironmentVariableW(L"TOLVEX_APP", path, 1024);
        std::wstring commandLine = L"\"" + std::wstring(path) + L"\" " + arguments;
        STARTUPINFOW si{sizeof(si)};
        if (!CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr,
                            currentDirectory.empty() ? nullptr : currentDirectory.c_str(), &si, &m_pi))
            std::fprintf(stderr, "cannot start %ls: %lu\n", commandLine.c_str(), GetLastError());
    }
    ~App()
    {
        if (!WaitForExit(0) && m_dialog != nullptr)
            PostMessageW(m_dialog, WM_ENDSESSION, TRUE, ENDSESSION_CLOSEAPP);
        if (!WaitForExit())
            TerminateProcess(m_pi.hProcess, 1);
        WaitForExit();
        CloseHandle(m_pi.hThread);
        CloseHandle(m_pi.hProcess);
    }
    bool WaitForExit(DWORD timeoutMs = kWaitMs) { return WaitForSingleObject(m_pi.hProcess, timeoutMs) == WAIT_OBJECT_0; }
    // The exit code, once it ended.
    DWORD ExitCode()
    {
        DWORD code = STILL_ACTIVE;
        return WaitForExit() && GetExitCodeProcess(m_pi.hProcess, &code) ? code : STILL_ACTIVE;
    }
    // The main dialog, shown or not: the process's dialog that holds the Connect button. Waited
    // for as long as the process lives: a start on a busy machine may take long.
    HWND WaitForMainDialog()
    {
        WaitUntil([&] {
            m_dialog = FindTopLevel([&](HWND hwnd) { return IsOurs(hwnd) && GetDlgItem(hwnd, IDC_CONNECT); });
            return m_dialog != nullptr || WaitForExit(0);
        }, INFINITE);
        return m_dialog;
    }
    // Where the program loaded a library of this name from; empty when it has not.
    std::wstring LoadedFrom(const wchar_t* library) const
    {
        const HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPMODULE, m_pi.dwProcessId);
        MODULEENTRY32W module{sizeof(module)};
        std::wstring path;
        for (BOOL more = Module32FirstW(snapshot, &module); more && path.empty(); more = Module32NextW(snapshot, &module))
            path = _wcsicmp(module.szModule, library) == 0 ? module.szExePath : L"";
        CloseHandle(snapshot);
        return path;
    }
    // A message box of the process, shown now.
    HWND FindMessageBox()
    {
        return FindTopLevel([&](HWND hwnd) { return IsOurs(hwnd) && IsWindowVisible(hwnd) && GetDlgItem(hwnd, 0xFFFF); });
    }

private:
    bool IsOurs(HWND hwnd) const
    {
        DWORD process = 0;
        GetWindowThreadProcessId(hwnd, &process);
        return process == m_pi.dwProcessId;
    }

    PROCESS_INFORMATION m_pi{};
    HWND m_dialog = nullptr;
};

// Asked of the window itself: an edit control of another process keeps its text to itself.
inline std::wstring Text(HWND window)
{
    std::wstring text(SendMessageW(window, WM_GETTEXTLENGTH, 0, 0) + 1, L'\0');
    text.resize(SendMessageW(window, WM_GETTEXT, text.size(), reinterpret_cast<LPARAM>(text.data())));
    return text;
}

// The clipboard's Unicode text.
inline std::wstring ClipboardText()
{
    std::wstring text;
    if (!OpenClipboard(nullptr))
        return text;
    if (const HANDLE data = GetClipboardData(CF_UNICODETEXT)) {
        text = static_cast<const wchar_t*>(GlobalLock(data));
        GlobalUnlock(data);
    }
    CloseClipboard();
    return text;
}

inline std::wstring BoxText(HWND box) { return Text(GetDlgItem(box, 0xFFFF)); }

// A visible message box of any process whose text contains the given words.
inline HWND WaitForBox(const std::wstring& containing)
{
    HWND box = nullptr;
    WaitUntil([&] {
        return (box = FindTopLevel([&](HWND hwnd) {
            return IsWindowVisible(hwnd) && IsClass(hwnd, L"#32770") && GetDlgItem(hwnd, 0xFFFF) != nullptr
                && BoxText(hwnd).find(containing) != std::wstring::npos;
        })) != nullptr;
    });
    return box;
}

// A start with a switch, as a script makes it: its exit code.
inline DWORD Script(const std::wstring& switchText) { return App(L"", switchText).ExitCode(); }

// Clicks a button of a dialog or box; Answer also waits for the box to go.
inline void Click(HWND dialog, int id) { PostMessageW(GetDlgItem(dialog, id), BM_CLICK, 0, 0); }

inline void Answer(HWND box, int button)
{
    Click(box, button);
    WaitUntil([&] { return !IsWindow(box); });
}

// A key to the window that has the focus in the dialog's thread; TypeKey to the foreground.
inline void PressKey(HWND dialog, WORD vk)
{
    GUITHREADINFO info{sizeof(info)};
    const HWND target = GetGUIThreadInfo(GetWindowThreadProcessId(dialog, nullptr), &info) && info.hwndFocus ? info.hwndFocus : dialog;
    PostMessageW(target, WM_KEYDOWN, vk, 1);
    PostMessageW(target, WM_KEYUP, vk, 0xC0000001);
}

inline void TypeKey(WORD vk)
{
    INPUT inputs[2] = {};
    inputs[0].type = inputs[1].type = INPUT_KEYBOARD;
    inputs[0].ki.wVk = inputs[1].ki.wVk = vk;
    inputs[1].ki.dwFlags = KEYEVENTF_KEYUP;
    SendInput(2, inputs, sizeof(INPUT));
}

// The notification area: the program's icon is the only one there.
inline bool TrayIconShown()
{
    // Any pixel near the icon's place that differs from the bare taskbar.
    const POINT at = TrayIconPoint();
    HDC dc = GetDC(nullptr);
    const COLORREF background = GetPixel(dc, at.x - 60, at.y);
    bool shown = false;
    for (int dy = -6; dy <= 6; ++dy) {
        for (int dx = -6; dx <= 6; ++dx)
            shown = shown || GetPixel(dc, at.x + dx, at.y + dy) != background;
    }
    ReleaseDC(nullptr, dc);
    return shown;
}

inline void ClickTrayIcon(bool right)
{
    const POINT at = TrayIconPoint();
    Mouse(at.x, at.y, 0);
    Sleep(50);
    Mouse(at.x, at.y, right ? MOUSEEVENTF_RIGHTDOWN : MOUSEEVENTF_LEFTDOWN);
    Mouse(at.x, at.y, right ? MOUSEEVENTF_RIGHTUP : MOUSEEVENTF_LEFTUP);
}

inline HWND FindPopupMenu()
{
    return FindTopLevel([](HWND hwnd) { return IsWindowVisible(hwnd) && IsClass(hwnd, L"#32768"); });
}

// Removes the window's icon, as a dying taskbar loses it, and announces a new taskbar.
inline void RestartTaskbar(HWND owner)
{
    NOTIFYICONDATAW data{sizeof(data), owner};
    Shell_NotifyIconW(NIM_DELETE, &data);
    WaitUntil([] { return !TrayIconShown(); });
    DWORD_PTR ignored = 0;
    SendMessageTimeoutW(HWND_BROADCAST, RegisterWindowMessageW(L"TaskbarCreated"), 0, 0, SMTO_ABORTIFHUNG, 5000, &ignored);
}

// The whole display, saved by the session's helper among the screenshots.
inline void SaveScreenshot(const std::wstring& name) { AskHost("screenshot\n" + std::string(name.begin(), name.end())); }

// A symbolic link at path to another file, made on the Linux side (to none: the link removed).
// Wine shows it as a plain file whose handle resolves to the other.
inline bool SymbolicLink(const std::wstring& path, const std::wstring& to = L"")
{
    const auto ascii = [](const std::wstring& text) { return std::string(text.begin(), text.end()); };
    return AskHost("link\n" + ascii(path) + (to.empty() ? "" : "\n" + ascii(to)));
}

// What the stand-ins and other programs leave.

inline std::wstring AppDataPath()
{
    wchar_t appData[MAX_PATH] = {};
    SHGetFolderPathW(nullptr, CSIDL_APPDATA, nullptr, SHGFP_TYPE_CURRENT, appData);
    return appData;
}

inline std::wstring PhoneBookPath() { return AppDataPath() + L"\\Tolvex Computer\\TolvexPhoneBook.pbk"; }

// The dialer's parameters for an action letter (a, e, d, h), and what it was started with.
inline std::wstring DialerLine(wchar_t action)
{
    return L"-f \"" + PhoneBookPath() + L"\" -" + action + L" \"Tolvex Cell VPN\"";
}

// Its lines, each byte one character: the dialer writes ASCII paths only here.
inline std::vector<std::wstring> DialerLog()
{
    std::vector<std::wstring> lines(1);
    for (const char ch : ReadFileBytes(kSandbox + std::wstring(L"rasphone.log"))) {
        if (ch == '\n')
            lines.emplace_back();
        else if (ch != '\r')
            lines.back() += static_cast<wchar_t>(ch);
    }
    lines.pop_back();
    return lines;
}

// The sandbox around the program.

inline void SetDialerLinkName(const std::string& name) { WriteFileBytes(kSandbox + std::wstring(L"link-name"), name); }

// Whether Wine lists the point-to-point link of that name as up.
inline bool RealLinkUp(const std::wstring& name = L"tolvex0")
{
    ULONG size = 0;
    GetAdaptersAddresses(AF_UNSPEC, 0, nullptr, nullptr, &size);
    std::vector<char> buffer(size + 4096);
    size = static_cast<ULONG>(buffer.size());
    auto* adapter = reinterpret_cast<IP_ADAPTER_ADDRESSES*>(buffer.data());
    if (GetAdaptersAddresses(AF_UNSPEC, 0, nullptr, adapter, &size) != NO_ERROR)
        return false;
    for (; adapter != nullptr; adapter = adapter->Next) {
        if (adapter->IfType == IF_TYPE_PPP && adapter->OperStatus == IfOperStatusUp && name == adapter->FriendlyName)
            return true;
    }
    return false;
}

inline std::optional<DWORD> MachineDword(const std::wstring& key, const std::wstring& name)
{
    DWORD value = 0, size = sizeof(value);
    if (RegGetValueW(HKEY_LOCAL_MACHINE, key.c_str(), name.c_str(), RRF_RT_REG_DWORD, nullptr, &value, &size) != 0)
        return std::nullopt;
    return value;
}

inline void DeleteMachineValue(const std::wstring& key, const std::wstring& name)
{
    RegDeleteKeyValueW(HKEY_LOCAL_MACHINE, key.c_str(), name.c_str());
}

}  // namespace e2e
