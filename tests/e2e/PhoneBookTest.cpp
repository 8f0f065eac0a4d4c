// The entry and the phonebook as a user meets them: setting the entry up through the dialer
// tool, Connect with its interface-metric rewrite, Enter, and a phonebook another program holds.
// The dialer tool is the stand-in installed as C:\windows\system32\rasphone.exe, which records
// every start in C:\tolvex-e2e\rasphone.log.
#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "Driver.h"
#include "ui/resources/resource.h"

using namespace e2e;

namespace {

constexpr wchar_t kEntryName[] = L"Tolvex Cell VPN";
constexpr wchar_t kDialerLog[] = L"C:\\tolvex-e2e\\rasphone.log";
constexpr wchar_t kLinkMarker[] = L"C:\\tolvex-e2e\\link-up";
constexpr wchar_t kDialerExe[] = L"rasphone.exe";
constexpr wchar_t kNotSetUpText[] =
    L"You have not set up Tolvex Cell VPN,yet. Click the OK button to configure the VPN settings. \n\n"
    L"DO NOT EDIT THE PREDEFINED DESTINATION NAME DURING THE SETUP PROCESS.";
// The application name: the executable's name without folder and extension.
constexpr wchar_t kBoxCaption[] = L"TolvexDesktopWin";
// Dialer tools start in their own processes and end by themselves; this is how long they may take.
constexpr int kDialerWaitMs = 30000;

std::wstring FromUtf8(const std::string& bytes)
{
    if (bytes.empty())
        return {};
    const int size = MultiByteToWideChar(CP_UTF8, 0, bytes.data(), static_cast<int>(bytes.size()), nullptr, 0);
    std::wstring text(static_cast<std::size_t>(size), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, bytes.data(), static_cast<int>(bytes.size()), text.data(), size);
    return text;
}

std::size_t Count(const std::string& text, const std::string& part)
{
    std::size_t count = 0;
    for (std::size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1))
        ++count;
    return count;
}

// What the Connect command is to leave of a phonebook: each line that starts with
// "IpInterfaceMetric=" reads "IpInterfaceMetric=1", every line ends with CR LF, and nothing
// else changes.
std::string WithMetricLinesSet(const std::string& before)
{
    std::string after;
    std::size_t at = 0;
    while (at < before.size()) {
        std::size_t lf = before.find('\n', at);
        std::string line = before.substr(at, lf == std::string::npos ? std::string::npos : lf - at);
        if (lf != std::string::npos && !line.empty() && line.back() == '\r')
            line.pop_back();
        if (line.rfind("IpInterfaceMetric=", 0) == 0)
            line = "IpInterfaceMetric=1";
        after += line + "\r\n";
        at = lf == std::string::npos ? before.size() : lf + 1;
    }
    return after;
}

class PhoneBook : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(WaitForDialersToEnd()) << "a dialer tool from before is still running";
        Clean();
        ASSERT_FALSE(ReadFileBytes(PhoneBookPath()).has_value());
        ASSERT_TRUE(ReadLog().empty());
    }

    void TearDown() override
    {
        m_app.reset();
        EXPECT_TRUE(WaitForDialersToEnd());
        Clean();
    }

    // The program, started now, with its dialog shown.
    void StartApp()
    {
        m_app.emplace();
        m_hDlg = m_app->WaitForMainDialog();
        ASSERT_NE(m_hDlg, nullptr);
        ASSERT_TRUE(WaitUntil([&] { return IsWindowVisible(m_hDlg) != FALSE; }));
    }

    static std::wstring Folder() { return AppDataFolder() + L"\\Tolvex Computer"; }
    static std::wstring PhoneBookPath() { return Folder() + L"\\TolvexPhoneBook.pbk"; }

    // The parameters the program hands the dialer tool for an action letter (a, e, d, h).
    static std::wstring DialerLine(wchar_t action)
    {
        return L"-f \"" + PhoneBookPath() + L"\" -" + action + L" \"" + kEntryName + L"\"";
    }

    static std::vector<std::wstring> ReadLog()
    {
        std::vector<std::wstring> lines;
        const std::string bytes = ReadFileBytes(kDialerLog).value_or("");
        for (std::size_t at = 0; at < bytes.size();) {
            const std::size_t lf = bytes.find('\n', at);
            std::string line = bytes.substr(at, lf == std::string::npos ? std::string::npos : lf - at);
            if (!line.empty() && line.back() == '\r')
                line.pop_back();
            lines.push_back(FromUtf8(line));
            at = lf == std::string::npos ? bytes.size() : lf + 1;
        }
        return lines;
    }

    // The command line that starts the installed dialer tool directly.
    static std::wstring DialerCommand(const std::wstring& arguments)
    {
        wchar_t system[MAX_PATH] = {};
        GetSystemDirectoryW(system, MAX_PATH);
        return L"\"" + std::wstring(system) + L"\\rasphone.exe\" " + arguments;
    }

    static bool WaitForDialersToEnd() { return WaitForNoProcess(kDialerExe, kDialerWaitMs); }

    // True once the log holds at least this many starts and every dialer tool has ended, so that
    // the log holds everything started so far and the tools' files are written.
    static bool WaitForLogLines(std::size_t count)
    {
        return WaitUntil([&] { return ReadLog().size() >= count; }, kDialerWaitMs) && WaitForDialersToEnd();
    }

    // Sets the entry up as a user would have done earlier, with the dialer tool itself; the log
    // starts empty again.
    static void AddEntryWithDialer()
    {
        CreateDirectoryW(Folder().c_str(), nullptr);
        ASSERT_EQ(RunAndWait(DialerCommand(DialerLine(L'a')), kDialerWaitMs), 0);
        ASSERT_TRUE(DeleteFileW(kDialerLog));
        ASSERT_NE(ReadFileBytes(PhoneBookPath()).value_or("").find("[Tolvex Cell VPN]\r\n"), std::string::npos);
    }

    // Enter in the dialog while the keyboard focus is on a control that is not a push button.
    void PressEnterOffTheButtons()
    {
        HWND animation = GetDlgItem(m_hDlg, IDC_ANIMATE);
        SendMessageW(m_hDlg, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(animation), TRUE);
        ASSERT_TRUE(WaitUntil([&] {
            GUITHREADINFO info{};
            info.cbSize = sizeof(info);
            return GetGUIThreadInfo(GetWindowThreadProcessId(m_hDlg, nullptr), &info) && info.hwndFocus == animation;
        }));
        PressKey(m_hDlg, VK_RETURN);
    }

    void ClickConnectWhenEnabled()
    {
        HWND button = GetDlgItem(m_hDlg, IDC_CONNECT);
        ASSERT_TRUE(WaitUntil([&] { return IsWindowEnabled(button) != FALSE; }));
        ClickButton(m_hDlg, IDC_CONNECT);
    }

    // Box 129, asked for by Settings while the entry is not set up.
    HWND SettingsAsksToSetUp()
    {
        ClickButton(m_hDlg, IDC_SETTINGS);
        HWND box = m_app->WaitForMessageBox();
        EXPECT_NE(box, nullptr);
        return box;
    }

    static void Answer(HWND box, int button)
    {
        ClickButton(box, button);
        EXPECT_TRUE(WaitUntil([&] { return !IsWindow(box); }));
    }

    static void Clean()
    {
        WIN32_FIND_DATAW data;
        const HANDLE search = FindFirstFileW((Folder() + L"\\*").c_str(), &data);
        if (search != INVALID_HANDLE_VALUE) {
            do {
                DeleteFileW((Folder() + L"\\" + data.cFileName).c_str());
            } while (FindNextFileW(search, &data));
            FindClose(search);
        }
        RemoveDirectoryW(Folder().c_str());
        DeleteFileW(kDialerLog);
        DeleteFileW(kLinkMarker);
    }

    static std::vector<std::wstring> FolderFiles()
    {
        std::vector<std::wstring> names;
        WIN32_FIND_DATAW data;
        const HANDLE search = FindFirstFileW((Folder() + L"\\*").c_str(), &data);
        if (search == INVALID_HANDLE_VALUE)
            return names;
        do {
            if ((data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0)
                names.push_back(data.cFileName);
        } while (FindNextFileW(search, &data));
        FindClose(search);
        return names;
    }

    std::optional<App> m_app;
    HWND m_hDlg = nullptr;
};

TEST_F(PhoneBook, SettingsWithoutEntryAsksFirstAndCancelStartsNothing)
{
    StartApp();
    HWND box = SettingsAsksToSetUp();
    ASSERT_NE(box, nullptr);
    EXPECT_EQ(MessageBoxText(box).rfind(L"You have not set up Tolvex Cell VPN,yet.", 0), 0u) << MessageBoxText(box);
    EXPECT_EQ(MessageBoxText(box), kNotSetUpText);
    EXPECT_EQ(WindowText(box), kBoxCaption);
    EXPECT_NE(GetDlgItem(box, IDOK), nullptr);
    EXPECT_NE(GetDlgItem(box, IDCANCEL), nullptr);
    SaveScreenshot(L"settings-not-set-up-en");
    Answer(box, IDCANCEL);

    // Enter without the entry starts the hang-up form: once that start is in the log and every
    // tool has ended, anything Cancel had started would be in the log as well.
    PressEnterOffTheButtons();
    ASSERT_TRUE(WaitForLogLines(1));
    EXPECT_EQ(ReadLog(), std::vector<std::wstring>{DialerLine(L'h')});
    EXPECT_FALSE(ReadFileBytes(PhoneBookPath()).has_value());
}

TEST_F(PhoneBook, SettingsOkAddsTheEntryThenSettingsEditsIt)
{
    StartApp();
    HWND box = SettingsAsksToSetUp();
    ASSERT_NE(box, nullptr);
    Answer(box, IDOK);
    ASSERT_TRUE(WaitForLogLines(1));
    EXPECT_EQ(ReadLog(), std::vector<std::wstring>{DialerLine(L'a')});
    const std::string added = ReadFileBytes(PhoneBookPath()).value_or("");
    EXPECT_EQ(added.rfind("[Tolvex Cell VPN]\r\n", 0), 0u);
    EXPECT_NE(added.find("\r\nIpInterfaceMetric=0\r\n"), std::string::npos);

    ClickButton(m_hDlg, IDC_SETTINGS);
    ASSERT_TRUE(WaitForLogLines(2));
    EXPECT_EQ(ReadLog(), (std::vector<std::wstring>{DialerLine(L'a'), DialerLine(L'e')}));
    EXPECT_EQ(m_app->FindMessageBox(), nullptr);
    EXPECT_EQ(ReadFileBytes(PhoneBookPath()), added) << "Settings itself leaves the phonebook alone";
}

TEST_F(PhoneBook, ConnectSetsEveryMetricLineToOneAndDials)
{
    // Another entry, saved with line feeds alone, with key lines that look alike.
    CreateDirectoryW(Folder().c_str(), nullptr);
    ASSERT_TRUE(WriteFileBytes(PhoneBookPath(), "[Office VPN]\nIpInterfaceMetric=25\nipinterfacemetric=7\n"
                                                " IpInterfaceMetric=3\nIpInterfaceMetric\nPhoneNumber=office.example\n\n"));
    AddEntryWithDialer();
    const std::string before = ReadFileBytes(PhoneBookPath()).value_or("");
    ASSERT_NE(before.find("\r\nIpInterfaceMetric=0\r\n"), std::string::npos);
    StartApp();

    ClickConnectWhenEnabled();
    ASSERT_TRUE(WaitForLogLines(1));
    EXPECT_EQ(ReadLog(), std::vector<std::wstring>{DialerLine(L'd')});
    const std::string after = ReadFileBytes(PhoneBookPath()).value_or("");
    EXPECT_EQ(after, WithMetricLinesSet(before));
    EXPECT_EQ(Count(after, "\nIpInterfaceMetric=1\r\n"), 2u);
    EXPECT_EQ(Count(after, "IpInterfaceMetric=0"), 0u);
    EXPECT_EQ(Count(after, "\r\nIpv6InterfaceMetric=0\r\n"), 1u);
    EXPECT_EQ(Count(after, "\n"), Count(after, "\r\n"));
    EXPECT_EQ(FolderFiles(), std::vector<std::wstring>{L"TolvexPhoneBook.pbk"});
}

TEST_F(PhoneBook, ConnectLeavesAPhoneBookThatIsRightUntouched)
{
    AddEntryWithDialer();
    StartApp();
    ClickConnectWhenEnabled();
    ASSERT_TRUE(WaitForLogLines(1));
    const std::string rewritten = ReadFileBytes(PhoneBookPath()).value_or("");
    ASSERT_NE(rewritten.find("\r\nIpInterfaceMetric=1\r\n"), std::string::npos);
    const std::optional<ULONGLONG> stamp = LastWriteTime(PhoneBookPath());
    ASSERT_TRUE(stamp.has_value());

    ClickConnectWhenEnabled();
    ASSERT_TRUE(WaitForLogLines(2));
    EXPECT_EQ(ReadLog(), (std::vector<std::wstring>{DialerLine(L'd'), DialerLine(L'd')}));
    EXPECT_EQ(ReadFileBytes(PhoneBookPath()), rewritten);
    EXPECT_EQ(LastWriteTime(PhoneBookPath()), stamp) << "a phonebook that is right is not written";
}

TEST_F(PhoneBook, ConnectWithoutEntryStillSetsTheMetricLinesAndStartsNothing)
{
    CreateDirectoryW(Folder().c_str(), nullptr);
    const std::string before = "[Office VPN]\r\nIpInterfaceMetric=25\r\nIpv6InterfaceMetric=0\r\n\r\n";
    ASSERT_TRUE(WriteFileBytes(PhoneBookPath(), before));
    StartApp();

    // The command as a click sends it: without the entry the refresh keeps the button disabled.
    PostMessageW(m_hDlg, WM_COMMAND, MAKEWPARAM(IDC_CONNECT, BN_CLICKED),
                 reinterpret_cast<LPARAM>(GetDlgItem(m_hDlg, IDC_CONNECT)));
    // Enter runs after Connect has returned and starts the hang-up form: once that is in the log
    // and every tool has ended, anything Connect had started would be there as well.
    PressEnterOffTheButtons();
    ASSERT_TRUE(WaitForLogLines(1));
    EXPECT_EQ(ReadLog(), std::vector<std::wstring>{DialerLine(L'h')});
    EXPECT_EQ(ReadFileBytes(PhoneBookPath()), WithMetricLinesSet(before));
    EXPECT_EQ(m_app->FindMessageBox(), nullptr);
}

TEST_F(PhoneBook, EnterWithEntryShowsTheDialParametersThenDials)
{
    AddEntryWithDialer();
    StartApp();
    PressEnterOffTheButtons();
    HWND box = m_app->WaitForMessageBox();
    ASSERT_NE(box, nullptr);
    EXPECT_EQ(MessageBoxText(box), DialerLine(L'd'));
    EXPECT_EQ(WindowText(box), kBoxCaption);
    EXPECT_EQ(GetDlgItem(box, IDCANCEL), nullptr) << "the box has an OK button only";
    // A tool started before the box showed would have started by now.
    ASSERT_TRUE(WaitForDialersToEnd());
    EXPECT_TRUE(ReadLog().empty()) << "the dialer starts only after the box is closed";

    Answer(box, IDOK);
    ASSERT_TRUE(WaitForLogLines(1));
    EXPECT_EQ(ReadLog(), std::vector<std::wstring>{DialerLine(L'd')});
    EXPECT_FALSE(m_app->HasExited());
}

TEST_F(PhoneBook, EnterWithoutEntryHangsUpWithoutABox)
{
    StartApp();
    PressEnterOffTheButtons();
    ASSERT_TRUE(WaitForLogLines(1));
    EXPECT_EQ(ReadLog(), std::vector<std::wstring>{DialerLine(L'h')});
    EXPECT_EQ(m_app->FindMessageBox(), nullptr);
    EXPECT_FALSE(m_app->HasExited());
}

TEST_F(PhoneBook, HeldPhoneBookCountsAsNotSetUpUntilReleased)
{
    AddEntryWithDialer();
    const std::string before = ReadFileBytes(PhoneBookPath()).value_or("");
    HeldFile held(PhoneBookPath());
    ASSERT_TRUE(held.IsHeld());
    StartApp();

    // The command as a click sends it: while the lookup answers "not set up" the refresh may
    // keep the button itself disabled.
    PostMessageW(m_hDlg, WM_COMMAND, MAKEWPARAM(IDC_CONNECT, BN_CLICKED),
                 reinterpret_cast<LPARAM>(GetDlgItem(m_hDlg, IDC_CONNECT)));
    HWND box = SettingsAsksToSetUp();
    ASSERT_NE(box, nullptr);
    EXPECT_EQ(MessageBoxText(box), kNotSetUpText);
    // Connect ran before Settings: a tool it started has started, and ended, by now.
    ASSERT_TRUE(WaitForDialersToEnd());
    EXPECT_TRUE(ReadLog().empty());
    Answer(box, IDCANCEL);

    held.Release();
    EXPECT_EQ(ReadFileBytes(PhoneBookPath()), before);
    EXPECT_EQ(FolderFiles(), std::vector<std::wstring>{L"TolvexPhoneBook.pbk"});
    ClickConnectWhenEnabled();
    ASSERT_TRUE(WaitForLogLines(1));
    EXPECT_EQ(ReadLog(), std::vector<std::wstring>{DialerLine(L'd')});
    EXPECT_EQ(ReadFileBytes(PhoneBookPath()), WithMetricLinesSet(before));
}

// The stand-in itself, run directly: the scenarios above rely on what it writes.
class DialerStandIn : public PhoneBook {
protected:
    static long Run(wchar_t action, const std::wstring& entry = kEntryName)
    {
        return RunAndWait(DialerCommand(L"-f \"" + PhoneBookPath() + L"\" -" + action + L" \"" + entry + L"\""), kDialerWaitMs);
    }

    static bool LinkUp() { return GetFileAttributesW(kLinkMarker) != INVALID_FILE_ATTRIBUTES; }
};

TEST_F(DialerStandIn, AddWritesTheSectionBesideOthersAndEditKeepsIt)
{
    CreateDirectoryW(Folder().c_str(), nullptr);
    const std::string office = "[Office VPN]\r\nIpInterfaceMetric=25\r\n\r\n";
    ASSERT_TRUE(WriteFileBytes(PhoneBookPath(), office));
    EXPECT_EQ(Run(L'a'), 0);
    const std::string added = ReadFileBytes(PhoneBookPath()).value_or("");
    EXPECT_EQ(added.rfind(office + "[Tolvex Cell VPN]\r\nEncoding=1\r\n", 0), 0u);
    EXPECT_EQ(Count(added, "\r\nIpInterfaceMetric=0\r\n"), 1u);
    EXPECT_EQ(Count(added, "\r\nIpv6InterfaceMetric=0\r\n"), 1u);
    EXPECT_EQ(Count(added, "\r\n["), 1u) << "the sample's other sections stay out";

    EXPECT_EQ(Run(L'e'), 0);
    EXPECT_EQ(ReadFileBytes(PhoneBookPath()), added);
    EXPECT_EQ(Run(L'a'), 0);
    EXPECT_EQ(ReadFileBytes(PhoneBookPath()), added) << "a second add replaces the section";
    EXPECT_EQ(Run(L'a', L"Home"), 0);
    EXPECT_EQ(ReadFileBytes(PhoneBookPath()).value_or("").rfind(added + "[Home]\r\nEncoding=1\r\n", 0), 0u);

    EXPECT_EQ(ReadLog(), (std::vector<std::wstring>{DialerLine(L'a'), DialerLine(L'e'), DialerLine(L'a'),
                                                    L"-f \"" + PhoneBookPath() + L"\" -a \"Home\""}));
}

TEST_F(DialerStandIn, DialNeedsTheEntryAndHangUpEndsTheLink)
{
    CreateDirectoryW(Folder().c_str(), nullptr);
    EXPECT_EQ(Run(L'd'), 4);
    EXPECT_FALSE(LinkUp());
    EXPECT_EQ(Run(L'a'), 0);
    EXPECT_EQ(Run(L'd'), 0);
    EXPECT_TRUE(LinkUp());
    EXPECT_EQ(Run(L'h'), 0);
    EXPECT_FALSE(LinkUp());
}

TEST_F(DialerStandIn, WaitsForAPhoneBookHeldByAnotherProgram)
{
    CreateDirectoryW(Folder().c_str(), nullptr);
    ASSERT_TRUE(WriteFileBytes(PhoneBookPath(), ""));
    std::optional<HeldFile> held(std::in_place, PhoneBookPath());
    ASSERT_TRUE(held->IsHeld());
    // Started now, the tool can only write once the file is free.
    std::wstring line = DialerCommand(DialerLine(L'a'));
    STARTUPINFOW si{};
    si.cb = sizeof(si);
    PROCESS_INFORMATION pi{};
    ASSERT_TRUE(CreateProcessW(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi));
    ASSERT_TRUE(WaitUntil([] { return !ReadLog().empty(); }, kDialerWaitMs));
    EXPECT_EQ(WaitForSingleObject(pi.hProcess, 0), WAIT_TIMEOUT) << "the tool waits while the file is held";
    held.reset();
    EXPECT_EQ(WaitForSingleObject(pi.hProcess, kDialerWaitMs), WAIT_OBJECT_0);
    DWORD code = 1;
    EXPECT_TRUE(GetExitCodeProcess(pi.hProcess, &code));
    EXPECT_EQ(code, 0u);
    CloseHandle(pi.hThread);
    CloseHandle(pi.hProcess);
    EXPECT_EQ(ReadFileBytes(PhoneBookPath()).value_or("").rfind("[Tolvex Cell VPN]\r\n", 0), 0u);
}

// Run with the Japanese user interface (LANG=ja_JP.UTF-8) only.
class JapanesePhoneBook : public PhoneBook {};

TEST_F(JapanesePhoneBook, SettingsWithoutEntryAsksInJapanese)
{
    StartApp();
    HWND box = SettingsAsksToSetUp();
    ASSERT_NE(box, nullptr);
    EXPECT_EQ(MessageBoxText(box),
              L"\u8A2D\u5B9A\u304C\u884C\u308F\u308C\u3066\u3044\u307E\u305B\u3093\u3002"
              L"OK\u30DC\u30BF\u30F3\u3092\u30AF\u30EA\u30C3\u30AF\u3057\u3001"
              L"\u8A2D\u5B9A\u753B\u9762\u3067\u8A2D\u5B9A\u3092\u884C\u3063\u3066\u304F\u3060\u3055\u3044\u3002\n\n"
              L"\u8A2D\u5B9A\u753B\u9762\u3067\u306F\u300C\u63A5\u7D9A\u5148\u306E\u540D\u524D\u300D"
              L"\u306F\u5909\u66F4\u3057\u306A\u3044\u3067\u304F\u3060\u3055\u3044\u3002");
    SaveScreenshot(L"settings-not-set-up-ja");
    Answer(box, IDOK);
    ASSERT_TRUE(WaitForLogLines(1));
    EXPECT_EQ(ReadLog(), std::vector<std::wstring>{DialerLine(L'a')});
}

}  // namespace
