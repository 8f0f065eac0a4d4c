// The end-to-end driver: starts the real program under test and works it as a user would,
// through its windows, the notification area, the keyboard and the mouse.
#pragma once

#include <windows.h>

#include <functional>
#include <optional>
#include <string>

namespace e2e {

constexpr int kDefaultWaitMs = 8000;

// Polls the condition until it holds or the time runs out.
bool WaitUntil(const std::function<bool()>& condition, int timeoutMs = kDefaultWaitMs);

// The program under test, started from its installed folder; ended (if still running) on
// destruction, so that no scenario leaves a copy behind for the next.
class App {
public:
    // Started in the given current directory; an empty one keeps the driver's.
    explicit App(const std::wstring& currentDirectory = L"");
    ~App();
    App(const App&) = delete;
    App& operator=(const App&) = delete;

    DWORD Pid() const { return m_pi.dwProcessId; }
    bool WaitForExit(int timeoutMs = kDefaultWaitMs);
    bool HasExited();
    // The main dialog: the process's top-level dialog that holds the Connect button, shown or
    // not (a message box of the start-up shows before it).
    HWND WaitForMainDialog(int timeoutMs = kDefaultWaitMs);
    // A visible message box of the process (a dialog other than the main one).
    HWND WaitForMessageBox(int timeoutMs = kDefaultWaitMs);
    HWND FindMessageBox();
    HWND FindDialogByCaption(const std::wstring& caption, bool visibleOnly = true);

private:
    PROCESS_INFORMATION m_pi{};
    HWND m_hMain = nullptr;
};

// Starts the program once more; true when that copy ends by itself within the time.
bool SecondCopyEnds(int timeoutMs = kDefaultWaitMs);

std::wstring InstalledAppPath();
std::wstring WindowText(HWND hwnd);
std::wstring MessageBoxText(HWND box);
HWND FindTopLevel(DWORD pid, const wchar_t* className, bool visibleOnly);
HWND FindPopupMenu();

// Clicks a button of a dialog the way the mouse would, without waiting for what it starts.
void ClickButton(HWND dialog, int id);
// Sends a key press to the window that has the keyboard focus in the dialog's thread.
void PressKey(HWND dialog, WORD vk);
// Presses a key through the system's input, to whatever window is in the foreground.
void TypeKey(WORD vk);
void ClickAt(int x, int y, bool right = false);
void DoubleClickAt(int x, int y);

// The notification area of the virtual desktop's taskbar.
POINT TrayIconPoint();
bool TrayIconShown();
void ClickTrayIcon(bool right = false);
// The icon's tip as the taskbar shows it: the mouse rests on the icon until the taskbar's tooltip
// shows, and its text is read back. Empty when no tooltip showed within the time.
std::wstring ReadTrayTip(int timeoutMs = 4000);
// Polls the tip (hovering afresh each time) until it reads the text or the time runs out.
bool WaitForTrayTip(const std::wstring& tip, int timeoutMs = kDefaultWaitMs);
// Removes the icon a window has in the notification area (identifier 0), as a taskbar that goes
// away does.
bool RemoveTrayIcon(HWND owner);
// Tells every top-level window that the taskbar was created anew, as a restarted shell does.
void BroadcastTaskbarCreated();
// Paints the window's icon a plain colour of the driver's own; true once the taskbar shows it.
// The program sets its own picture again at each refresh that reads the link's state, so the
// mark going away shows that such a refresh has run since. A refresh that comes before the
// taskbar has painted the mark leaves it unseen: mark again.
bool MarkTrayIcon(HWND owner, int timeoutMs = 3000);
bool TrayIconMarked();

// Repaints the whole desktop and saves it as a 24-bit BMP in the screenshot folder (if any).
void SaveScreenshot(const std::wstring& name);

// Files and processes, as another Windows program sees them.
std::wstring AppDataFolder();
// The file's bytes, or nothing when it does not exist. Waits while another program holds the
// file without sharing.
std::optional<std::string> ReadFileBytes(const std::wstring& path, int timeoutMs = kDefaultWaitMs);
bool WriteFileBytes(const std::wstring& path, const std::string& bytes);
// Writes the bytes beside the file, then puts them in its place in one step: a program that reads
// the file meanwhile sees either the old or the new bytes, never a part.
bool ReplaceFileBytes(const std::wstring& path, const std::string& bytes, int timeoutMs = kDefaultWaitMs);
// The file's time of last change, or nothing when it does not exist.
std::optional<ULONGLONG> LastWriteTime(const std::wstring& path);
// Starts a program and waits for its end: its exit code, or -1 when it did not start or end.
long RunAndWait(const std::wstring& commandLine, int timeoutMs = kDefaultWaitMs);
// True once no process runs the executable of that file name (e.g. L"rasphone.exe").
bool WaitForNoProcess(const std::wstring& exeName, int timeoutMs = kDefaultWaitMs);

// Holds a file open without sharing, as another program can, until destroyed: every other open
// of it fails meanwhile. The driver is a process of its own, apart from the program under test.
class HeldFile {
public:
    explicit HeldFile(const std::wstring& path, int timeoutMs = kDefaultWaitMs);
    ~HeldFile();
    HeldFile(const HeldFile&) = delete;
    HeldFile& operator=(const HeldFile&) = delete;

    bool IsHeld() const { return m_handle != INVALID_HANDLE_VALUE; }
    void Release();

private:
    HANDLE m_handle = INVALID_HANDLE_VALUE;
};

}  // namespace e2e
