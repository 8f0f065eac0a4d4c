// What the scenarios about the link, the refresh, Quit and the registry share: the program with
// its dialog, the entry set up through the stand-in dialer, and the dialer's log.
#pragma once

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "Driver.h"

namespace e2e {

constexpr wchar_t kEntryName[] = L"Tolvex Cell VPN";
// The application name: the executable's name without folder and extension.
constexpr wchar_t kBoxCaption[] = L"TolvexDesktopWin";
constexpr wchar_t kDialerExe[] = L"rasphone.exe";
constexpr wchar_t kDialerLog[] = L"C:\\tolvex-e2e\\rasphone.log";
constexpr wchar_t kTipDown[] = L"Tolvex VPN Manager";
constexpr wchar_t kTipUp[] = L"Tolvex VPN Manager -- Connected";
// Dialer tools start in their own processes and end by themselves; this is how long they may take.
constexpr int kDialerWaitMs = 30000;
// How long the program may take to show a change of the link: two refreshes about a second
// apart, on a loaded machine.
constexpr int kRefreshWaitMs = 20000;

std::wstring PhoneBookFolder();
std::wstring PhoneBookPath();
// The parameters the program hands the dialer tool for an action letter (a, e, d, h).
std::wstring DialerLine(wchar_t action);
// The command line that starts the installed dialer tool directly.
std::wstring DialerCommand(const std::wstring& arguments);
// The dialer's log: the parameters of every start, in the order the tools wrote them.
std::vector<std::wstring> ReadDialerLog();
bool WaitForDialersToEnd();
// True once the log holds at least this many starts and every dialer tool has ended.
bool WaitForDialerLogLines(std::size_t count);
std::wstring FromUtf8(const std::string& bytes);

class Scenario : public ::testing::Test {
protected:
    void TearDown() override;

    // The program, started now (in the given current directory), with its dialog shown.
    void StartApp(const std::wstring& currentDirectory = L"");
    // The program, started now; its dialog is found but not waited for to show.
    void LaunchApp(const std::wstring& currentDirectory = L"");
    // Sets the entry up as a user would have done earlier, with the dialer tool itself; the log
    // starts empty again.
    static void AddEntryWithDialer();

    std::wstring Label(int id) const { return WindowText(GetDlgItem(m_hDlg, id)); }
    bool WaitForLabel(int id, const std::wstring& label, int timeoutMs = kRefreshWaitMs) const;
    bool ShowsDialog() const { return IsWindowVisible(m_hDlg) != FALSE; }
    void HideToTray();
    HWND WaitForBox();
    static void Answer(HWND box, int button);
    // Waits until a refresh that reads the link's state has run after this call.
    void WaitForARefreshOfTheLink();

    std::optional<App> m_app;
    HWND m_hDlg = nullptr;
};

}  // namespace e2e
