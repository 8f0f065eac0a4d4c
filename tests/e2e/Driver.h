// The end-to-end driver, a Windows program run under Wine beside the program under test: it
// starts the program, works it as a user would (windows, keys, the notification area), and reads
// back what a user or another program can see (texts, boxes, files, registry values, links).
#pragma once

#include <windows.h>

#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace e2e {

// Two refresh passes a second apart, on a loaded machine, with room to spare.
constexpr int kWaitMs = 20000;

bool WaitUntil(const std::function<bool()>& condition, int timeoutMs = kWaitMs);

// The program, started from its installed folder (or TOLVEX_APP), ended on destruction if it
// still runs.
class App {
public:
    explicit App(const std::wstring& currentDirectory = L"");
    ~App();
    bool WaitForExit(int timeoutMs = kWaitMs);
    // The main dialog, shown or not: the process's dialog that holds the Connect button.
    HWND WaitForMainDialog();
    // A message box of the process, shown now.
    HWND FindMessageBox();

private:
    PROCESS_INFORMATION m_pi{};
};

std::wstring Text(HWND window);
// A visible message box of any process whose text contains the given words.
HWND WaitForBox(const std::wstring& containing = L"");
std::wstring BoxText(HWND box);
HWND FindWindowOf(const std::wstring& caption);
// Clicks a button of a dialog or box and waits for a box to go.
void Click(HWND dialog, int id);
void Answer(HWND box, int button);
// A key to the window that has the focus in the dialog's thread; TypeKey to the foreground.
void PressKey(HWND dialog, WORD vk);
void TypeKey(WORD vk);

// The notification area: the program's icon is the only one there.
bool TrayIconShown();
void ClickTrayIcon(bool right);
HWND FindPopupMenu();
// The icon's tip as the taskbar's tooltip shows it, hovering until it reads the text.
bool WaitForTrayTip(const std::wstring& tip);
// Removes the window's icon, as a dying taskbar loses it, and announces a new taskbar.
void RestartTaskbar(HWND owner);

void SaveScreenshot(const std::wstring& name);

// What the stand-ins and other programs leave.
std::string ReadFileBytes(const std::wstring& path);
std::vector<std::wstring> ReadLines(const std::wstring& path);
std::wstring PhoneBookPath();
// The dialer's parameters for an action letter (a, e, d, h), and what it was started with.
std::wstring DialerLine(wchar_t action);
std::vector<std::wstring> DialerLog();
// True once no stand-in dialer runs: every start so far has written its line.
bool DialersDone();
long RunAndWait(const std::wstring& commandLine);

// The sandbox around the program.
// The version Wine reports to the program while the object lives.
class ReportedVersion {
public:
    explicit ReportedVersion(const wchar_t* version);
    ~ReportedVersion();
};
// The test-only adapter list, one line ("TYPE Name" or "fail-sizing CODE"), in use for programs
// started while the object lives.
class TestAdapterList {
public:
    explicit TestAdapterList(const std::wstring& line);
    ~TestAdapterList();
    void Set(const std::wstring& line);
};
void SetDialerLinkName(const std::wstring& name);
// Whether Wine lists the point-to-point link of that name as up.
bool RealLinkUp(const std::wstring& name = L"tolvex0");
std::optional<DWORD> MachineDword(const std::wstring& key, const std::wstring& name);
void DeleteMachineValue(const std::wstring& key, const std::wstring& name);

}  // namespace e2e
