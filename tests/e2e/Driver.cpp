#include "Driver.h"

#include <shellapi.h>
#include <shlobj.h>
#include <tlhelp32.h>

#include <cstdio>
#include <vector>

#include "base/ResourceIds.h"

namespace e2e {

namespace {

std::wstring Env(const wchar_t* name)
{
    wchar_t buffer[1024];
    const DWORD length = GetEnvironmentVariableW(name, buffer, 1024);
    return length > 0 && length < 1024 ? std::wstring(buffer, length) : std::wstring();
}

struct FindArgs {
    DWORD pid;
    const wchar_t* className;
    bool visibleOnly;
    HWND exclude;
    HWND found;
    int requiredControl = 0;
};

BOOL CALLBACK FindProc(HWND hwnd, LPARAM lParam)
{
    auto* args = reinterpret_cast<FindArgs*>(lParam);
    DWORD pid = 0;
    GetWindowThreadProcessId(hwnd, &pid);
    if (args->pid != 0 && pid != args->pid)
        return TRUE;
    if (hwnd == args->exclude || (args->visibleOnly && !IsWindowVisible(hwnd)))
        return TRUE;
    wchar_t cls[64] = {};
    GetClassNameW(hwnd, cls, 64);
    if (args->className != nullptr && wcscmp(cls, args->className) != 0)
        return TRUE;
    if (args->requiredControl != 0 && GetDlgItem(hwnd, args->requiredControl) == nullptr)
        return TRUE;
    args->found = hwnd;
    return FALSE;
}

HWND FindTopLevelExcept(DWORD pid, const wchar_t* className, bool visibleOnly, HWND exclude)
{
    FindArgs args{pid, className, visibleOnly, exclude, nullptr};
    EnumWindows(FindProc, reinterpret_cast<LPARAM>(&args));
    return args.found;
}

void SendMouse(DWORD flags)
{
    INPUT input{};
    input.type = INPUT_MOUSE;
    input.mi.dwFlags = flags;
    SendInput(1, &input, sizeof(input));
}

}  // namespace

bool WaitUntil(const std::function<bool()>& condition, int timeoutMs)
{
    const DWORD start = GetTickCount();
    for (;;) {
        if (condition())
            return true;
        if (static_cast<int>(GetTickCount() - start) > timeoutMs)
            return false;
        Sleep(50);
    }
}

std::wstring InstalledAppPath()
{
    const std::wstring path = Env(L"TOLVEX_APP");
    return path.empty() ? L"C:\\Program Files\\Tolvex\\TolvexDesktopWin.exe" : path;
}

App::App(const std::wstring& currentDirectory)
{
    std::wstring commandLine = L"\"" + InstalledAppPath() + L"\"";
    STARTUPINFOW si{};
    si.cb = sizeof(si);
    if (!CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr,
                        currentDirectory.empty() ? nullptr : currentDirectory.c_str(), &si, &m_pi))
        std::fprintf(stderr, "cannot start %ls: %lu\n", commandLine.c_str(), GetLastError());
}

App::~App()
{
    if (m_pi.hProcess == nullptr)
        return;
    if (!HasExited()) {
        TerminateProcess(m_pi.hProcess, 1);
        WaitForSingleObject(m_pi.hProcess, 5000);
    }
    CloseHandle(m_pi.hThread);
    CloseHandle(m_pi.hProcess);
    // The notification area drops the icon of a killed process only on its next look.
    Sleep(200);
}

bool App::HasExited()
{
    return m_pi.hProcess == nullptr || WaitForSingleObject(m_pi.hProcess, 0) == WAIT_OBJECT_0;
}

bool App::WaitForExit(int timeoutMs)
{
    return m_pi.hProcess == nullptr || WaitForSingleObject(m_pi.hProcess, timeoutMs) == WAIT_OBJECT_0;
}

HWND App::WaitForMainDialog(int timeoutMs)
{
    WaitUntil([&] {
        FindArgs args{Pid(), L"#32770", false, nullptr, nullptr, IDC_CONNECT};
        EnumWindows(FindProc, reinterpret_cast<LPARAM>(&args));
        return (m_hMain = args.found) != nullptr;
    }, timeoutMs);
    return m_hMain;
}

HWND App::FindMessageBox()
{
    return FindTopLevelExcept(Pid(), L"#32770", true, m_hMain);
}

HWND App::WaitForMessageBox(int timeoutMs)
{
    HWND box = nullptr;
    WaitUntil([&] { return (box = FindMessageBox()) != nullptr; }, timeoutMs);
    return box;
}

namespace {

struct CaptionArgs {
    DWORD pid;
    const std::wstring* caption;
    bool visibleOnly;
    HWND found;
};

BOOL CALLBACK FindCaptionProc(HWND hwnd, LPARAM lParam)
{
    auto* args = reinterpret_cast<CaptionArgs*>(lParam);
    DWORD pid = 0;
    GetWindowThreadProcessId(hwnd, &pid);
    if (pid != args->pid || (args->visibleOnly && !IsWindowVisible(hwnd)) || WindowText(hwnd) != *args->caption)
        return TRUE;
    args->found = hwnd;
    return FALSE;
}

}  // namespace

HWND App::FindDialogByCaption(const std::wstring& caption, bool visibleOnly)
{
    CaptionArgs args{Pid(), &caption, visibleOnly, nullptr};
    EnumWindows(FindCaptionProc, reinterpret_cast<LPARAM>(&args));
    return args.found;
}

bool SecondCopyEnds(int timeoutMs)
{
    App second;
    return second.WaitForExit(timeoutMs);
}

std::wstring WindowText(HWND hwnd)
{
    wchar_t buffer[1024] = {};
    GetWindowTextW(hwnd, buffer, 1024);
    return buffer;
}

std::wstring MessageBoxText(HWND box)
{
    return WindowText(GetDlgItem(box, 0xFFFF));
}

HWND FindTopLevel(DWORD pid, const wchar_t* className, bool visibleOnly)
{
    return FindTopLevelExcept(pid, className, visibleOnly, nullptr);
}

HWND FindPopupMenu()
{
    return FindTopLevelExcept(0, L"#32768", true, nullptr);
}

void ClickButton(HWND dialog, int id)
{
    PostMessageW(GetDlgItem(dialog, id), BM_CLICK, 0, 0);
}

void PressKey(HWND dialog, WORD vk)
{
    GUITHREADINFO info{};
    info.cbSize = sizeof(info);
    HWND target = dialog;
    if (GetGUIThreadInfo(GetWindowThreadProcessId(dialog, nullptr), &info) && info.hwndFocus != nullptr)
        target = info.hwndFocus;
    PostMessageW(target, WM_KEYDOWN, vk, 1);
    PostMessageW(target, WM_KEYUP, vk, 0xC0000001);
}

void TypeKey(WORD vk)
{
    INPUT inputs[2] = {};
    inputs[0].type = INPUT_KEYBOARD;
    inputs[0].ki.wVk = vk;
    inputs[1] = inputs[0];
    inputs[1].ki.dwFlags = KEYEVENTF_KEYUP;
    SendInput(2, inputs, sizeof(INPUT));
}

void ClickAt(int x, int y, bool right)
{
    SetCursorPos(x, y);
    Sleep(50);
    SendMouse(right ? MOUSEEVENTF_RIGHTDOWN : MOUSEEVENTF_LEFTDOWN);
    SendMouse(right ? MOUSEEVENTF_RIGHTUP : MOUSEEVENTF_LEFTUP);
}

void DoubleClickAt(int x, int y)
{
    ClickAt(x, y);
    ClickAt(x, y);
}

POINT TrayIconPoint()
{
    RECT tray{};
    GetWindowRect(FindWindowW(L"Shell_TrayWnd", nullptr), &tray);
    return {tray.right - 10, (tray.top + tray.bottom) / 2};
}

bool TrayIconShown()
{
    // The icon is the only one in the test desktop's notification area: any pixel there that
    // differs from the bare taskbar means it is drawn.
    const POINT at = TrayIconPoint();
    HDC dc = GetDC(nullptr);
    const COLORREF background = GetPixel(dc, at.x - 60, at.y);
    bool shown = false;
    for (int dy = -6; dy <= 6 && !shown; ++dy) {
        for (int dx = -6; dx <= 6 && !shown; ++dx)
            shown = GetPixel(dc, at.x + dx, at.y + dy) != background;
    }
    ReleaseDC(nullptr, dc);
    return shown;
}

void ClickTrayIcon(bool right)
{
    const POINT at = TrayIconPoint();
    ClickAt(at.x, at.y, right);
}

namespace {

HWND ShownTrayTooltip()
{
    DWORD shellPid = 0;
    GetWindowThreadProcessId(FindWindowW(L"Shell_TrayWnd", nullptr), &shellPid);
    return shellPid == 0 ? nullptr : FindTopLevelExcept(shellPid, L"tooltips_class32", true, nullptr);
}

void MoveMouseTo(int x, int y)
{
    INPUT input{};
    input.type = INPUT_MOUSE;
    input.mi.dx = MulDiv(x, 65536, GetSystemMetrics(SM_CXSCREEN)) + 1;
    input.mi.dy = MulDiv(y, 65536, GetSystemMetrics(SM_CYSCREEN)) + 1;
    input.mi.dwFlags = MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE;
    SendInput(1, &input, sizeof(input));
}

}  // namespace

std::wstring ReadTrayTip(int timeoutMs)
{
    // Off the icon first, so that the tooltip closes and shows the current text when it opens.
    const POINT at = TrayIconPoint();
    MoveMouseTo(at.x - 300, at.y - 300);
    WaitUntil([] { return ShownTrayTooltip() == nullptr; }, 2000);
    MoveMouseTo(at.x, at.y);
    Sleep(50);
    MoveMouseTo(at.x + 1, at.y);
    HWND tooltip = nullptr;
    WaitUntil([&] { return (tooltip = ShownTrayTooltip()) != nullptr; }, timeoutMs);
    std::wstring text;
    if (tooltip != nullptr) {
        wchar_t buffer[256] = {};
        DWORD_PTR copied = 0;
        if (SendMessageTimeoutW(tooltip, WM_GETTEXT, 256, reinterpret_cast<LPARAM>(buffer), SMTO_ABORTIFHUNG, 2000, &copied))
            text = buffer;
    }
    MoveMouseTo(at.x - 300, at.y - 300);
    return text;
}

bool WaitForTrayTip(const std::wstring& tip, int timeoutMs)
{
    std::wstring last;
    const bool read = WaitUntil([&] { return (last = ReadTrayTip()) == tip; }, timeoutMs);
    if (!read)
        std::fprintf(stderr, "tray tip: wanted \"%ls\", last read \"%ls\"\n", tip.c_str(), last.c_str());
    return read;
}

bool RemoveTrayIcon(HWND owner)
{
    NOTIFYICONDATAW data{};
    data.cbSize = sizeof(data);
    data.hWnd = owner;
    data.uID = 0;
    return Shell_NotifyIconW(NIM_DELETE, &data) != FALSE;
}

void BroadcastTaskbarCreated()
{
    const UINT message = RegisterWindowMessageW(L"TaskbarCreated");
    DWORD_PTR ignored = 0;
    SendMessageTimeoutW(HWND_BROADCAST, message, 0, 0, SMTO_ABORTIFHUNG, 5000, &ignored);
}

namespace {

// The mark: pure magenta, which the program's icon does not hold.
constexpr COLORREF kMarkColour = RGB(255, 0, 255);

int MarkedPixels()
{
    const POINT at = TrayIconPoint();
    HDC dc = GetDC(nullptr);
    int marked = 0;
    for (int dy = -5; dy <= 5; ++dy) {
        for (int dx = -5; dx <= 5; ++dx)
            marked += GetPixel(dc, at.x + dx, at.y + dy) == kMarkColour ? 1 : 0;
    }
    ReleaseDC(nullptr, dc);
    return marked;
}

}  // namespace

bool MarkTrayIcon(HWND owner, int timeoutMs)
{
    constexpr int kSize = 16;
    std::vector<DWORD> colour(kSize * kSize, 0xFFFF00FF);
    std::vector<BYTE> mask(kSize * kSize / 8, 0);
    ICONINFO info{};
    info.fIcon = TRUE;
    info.hbmColor = CreateBitmap(kSize, kSize, 1, 32, colour.data());
    info.hbmMask = CreateBitmap(kSize, kSize, 1, 1, mask.data());
    HICON icon = CreateIconIndirect(&info);
    DeleteObject(info.hbmColor);
    DeleteObject(info.hbmMask);
    NOTIFYICONDATAW data{};
    data.cbSize = sizeof(data);
    data.hWnd = owner;
    data.uID = 0;
    data.uFlags = NIF_ICON;
    data.hIcon = icon;
    const bool sent = Shell_NotifyIconW(NIM_MODIFY, &data) != FALSE;
    const bool shown = sent && WaitUntil(TrayIconMarked, timeoutMs);
    DestroyIcon(icon);
    return shown;
}

bool TrayIconMarked()
{
    RedrawWindow(FindWindowW(L"Shell_TrayWnd", nullptr), nullptr, nullptr, RDW_INVALIDATE | RDW_ALLCHILDREN | RDW_UPDATENOW);
    return MarkedPixels() > 60;
}

void SaveScreenshot(const std::wstring& name)
{
    const std::wstring folder = Env(L"TOLVEX_SCREENSHOTS");
    if (folder.empty())
        return;
    RedrawWindow(nullptr, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_ALLCHILDREN | RDW_UPDATENOW);
    Sleep(300);
    const int width = GetSystemMetrics(SM_CXSCREEN);
    const int height = GetSystemMetrics(SM_CYSCREEN);
    HDC screen = GetDC(nullptr);
    HDC memory = CreateCompatibleDC(screen);
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 24;
    info.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    HBITMAP bitmap = CreateDIBSection(screen, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    HGDIOBJ old = SelectObject(memory, bitmap);
    BitBlt(memory, 0, 0, width, height, screen, 0, 0, SRCCOPY);
    GdiFlush();
    const DWORD stride = ((width * 3 + 3) / 4) * 4;
    const DWORD imageSize = stride * height;
    BITMAPFILEHEADER file{};
    file.bfType = 0x4D42;
    file.bfOffBits = sizeof(BITMAPFILEHEADER) + sizeof(BITMAPINFOHEADER);
    file.bfSize = file.bfOffBits + imageSize;
    const std::wstring path = folder + L"\\" + name + L".bmp";
    if (FILE* out = _wfopen(path.c_str(), L"wb")) {
        std::fwrite(&file, sizeof(file), 1, out);
        std::fwrite(&info.bmiHeader, sizeof(BITMAPINFOHEADER), 1, out);
        std::fwrite(bits, imageSize, 1, out);
        std::fclose(out);
    }
    SelectObject(memory, old);
    DeleteObject(bitmap);
    DeleteDC(memory);
    ReleaseDC(nullptr, screen);
}

std::wstring AppDataFolder()
{
    wchar_t buffer[MAX_PATH] = {};
    return SUCCEEDED(SHGetFolderPathW(nullptr, CSIDL_APPDATA, nullptr, SHGFP_TYPE_CURRENT, buffer)) ? buffer : L"";
}

std::optional<std::string> ReadFileBytes(const std::wstring& path, int timeoutMs)
{
    HANDLE file = INVALID_HANDLE_VALUE;
    DWORD error = ERROR_SUCCESS;
    WaitUntil([&] {
        file = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                           OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
        error = GetLastError();
        return file != INVALID_HANDLE_VALUE || error != ERROR_SHARING_VIOLATION;
    }, timeoutMs);
    if (file == INVALID_HANDLE_VALUE)
        return std::nullopt;
    std::string bytes;
    char piece[64 * 1024];
    DWORD read = 0;
    while (ReadFile(file, piece, sizeof(piece), &read, nullptr) && read != 0)
        bytes.append(piece, read);
    CloseHandle(file);
    return bytes;
}

bool WriteFileBytes(const std::wstring& path, const std::string& bytes)
{
    const HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return false;
    DWORD written = 0;
    const bool ok = WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) && written == bytes.size();
    return CloseHandle(file) && ok;
}

bool ReplaceFileBytes(const std::wstring& path, const std::string& bytes, int timeoutMs)
{
    const std::wstring partial = path + L".partial";
    if (!WriteFileBytes(partial, bytes))
        return false;
    // A reader that has the file open at that moment holds the move back for a moment.
    return WaitUntil([&] { return MoveFileExW(partial.c_str(), path.c_str(), MOVEFILE_REPLACE_EXISTING) != FALSE; }, timeoutMs);
}

std::optional<ULONGLONG> LastWriteTime(const std::wstring& path)
{
    WIN32_FILE_ATTRIBUTE_DATA data{};
    if (!GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &data))
        return std::nullopt;
    return (static_cast<ULONGLONG>(data.ftLastWriteTime.dwHighDateTime) << 32) | data.ftLastWriteTime.dwLowDateTime;
}

long RunAndWait(const std::wstring& commandLine, int timeoutMs)
{
    std::wstring line = commandLine;
    STARTUPINFOW si{};
    si.cb = sizeof(si);
    PROCESS_INFORMATION pi{};
    if (!CreateProcessW(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi))
        return -1;
    DWORD code = 0;
    const bool ended = WaitForSingleObject(pi.hProcess, static_cast<DWORD>(timeoutMs)) == WAIT_OBJECT_0 &&
                       GetExitCodeProcess(pi.hProcess, &code);
    CloseHandle(pi.hThread);
    CloseHandle(pi.hProcess);
    return ended ? static_cast<long>(code) : -1;
}

namespace {

bool ProcessRuns(const std::wstring& exeName)
{
    const HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    if (snapshot == INVALID_HANDLE_VALUE)
        return true;
    PROCESSENTRY32W entry{};
    entry.dwSize = sizeof(entry);
    bool found = false;
    for (BOOL more = Process32FirstW(snapshot, &entry); more && !found; more = Process32NextW(snapshot, &entry)) {
        const wchar_t* slash = wcsrchr(entry.szExeFile, L'\\');
        found = _wcsicmp(slash != nullptr ? slash + 1 : entry.szExeFile, exeName.c_str()) == 0;
    }
    CloseHandle(snapshot);
    return found;
}

}  // namespace

bool WaitForNoProcess(const std::wstring& exeName, int timeoutMs)
{
    return WaitUntil([&] { return !ProcessRuns(exeName); }, timeoutMs);
}

HeldFile::HeldFile(const std::wstring& path, int timeoutMs)
{
    // The program under test opens the file without sharing, too, for a moment at a time.
    WaitUntil([&] {
        m_handle = CreateFileW(path.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
        return m_handle != INVALID_HANDLE_VALUE || GetLastError() != ERROR_SHARING_VIOLATION;
    }, timeoutMs);
}

HeldFile::~HeldFile() { Release(); }

void HeldFile::Release()
{
    if (m_handle != INVALID_HANDLE_VALUE)
        CloseHandle(m_handle);
    m_handle = INVALID_HANDLE_VALUE;
}

}  // namespace e2e
