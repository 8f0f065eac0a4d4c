// The entry and the phonebook as a user meets them: setting the entry up through the dialer
// tool, Connect with its interface-metric rewrite, Enter, and a phonebook another program holds.
// The dialer tool is the stand-in installed as C:\windows\system32\rasphone.exe, which records
// every start in C:\tolvex-e2e\rasphone.log.
#include <optional>
#include <string>
#include <vector>

#include "Sandbox.h"
#include "Scenario.h"
#include "base/ResourceIds.h"

using namespace e2e;

namespace {

// The dialer's link in these scenarios: a real point-to-point device, named so that the program
// does not take it for its own, so that every Connect dials and the phonebook alone is looked at.
constexpr wchar_t kLinkName[] = L"dialup0";
constexpr wchar_t kNotSetUpText[] =
    L"You have not set up Tolvex Cell VPN,yet. Click the OK button to configure the VPN settings. \n\n"
    L"DO NOT EDIT THE PREDEFINED DESTINATION NAME DURING THE SETUP PROCESS.";
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

class PhoneBook : public Scenario {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(WaitForDialersToEnd()) << "a dialer tool from before is still running";
        Clean();
        ASSERT_FALSE(ReadFileBytes(PhoneBookPath()).has_value());
        ASSERT_TRUE(ReadDialerLog().empty());
        SetDialerLinkName(kLinkName);
    }

    void TearDown() override
    {
        Scenario::TearDown();
        Clean();
    }

    static std::wstring Folder() { return PhoneBookFolder(); }

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
        DeleteFileW(L"C:\\tolvex-e2e\\link-name");
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
    ASSERT_TRUE(WaitForDialerLogLines(1));
    EXPECT_EQ(ReadDialerLog(), std::vector<std::wstring>{DialerLine(L'h')});
    EXPECT_FALSE(ReadFileBytes(PhoneBookPath()).has_value());
}

TEST_F(PhoneBook, SettingsOkAddsTheEntryThenSettingsEditsIt)
{
    StartApp();
    HWND box = SettingsAsksToSetUp();
    ASSERT_NE(box, nullptr);
    Answer(box, IDOK);
    ASSERT_TRUE(WaitForDialerLogLines(1));
    EXPECT_EQ(ReadDialerLog(), std::vector<std::wstring>{DialerLine(L'a')});
    const std::string added = ReadFileBytes(PhoneBookPath()).value_or("");
    EXPECT_EQ(added.rfind("[Tolvex Cell VPN]\r\n", 0), 0u);
    EXPECT_NE(added.find("\r\nIpInterfaceMetric=0\r\n"), std::string::npos);

    ClickButton(m_hDlg, IDC_SETTINGS);
    ASSERT_TRUE(WaitForDialerLogLines(2));
    EXPECT_EQ(ReadDialerLog(), (std::vector<std::wstring>{DialerLine(L'a'), DialerLine(L'e')}));
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
    ASSERT_TRUE(WaitForDialerLogLines(1));
    EXPECT_EQ(ReadDialerLog(), std::vector<std::wstring>{DialerLine(L'd')});
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
    ASSERT_TRUE(WaitForDialerLogLines(1));
    const std::string rewritten = ReadFileBytes(PhoneBookPath()).value_or("");
    ASSERT_NE(rewritten.find("\r\nIpInterfaceMetric=1\r\n"), std::string::npos);
    const std::optional<ULONGLONG> stamp = LastWriteTime(PhoneBookPath());
    ASSERT_TRUE(stamp.has_value());

    ClickConnectWhenEnabled();
    ASSERT_TRUE(WaitForDialerLogLines(2));
    EXPECT_EQ(ReadDialerLog(), (std::vector<std::wstring>{DialerLine(L'd'), DialerLine(L'd')}));
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
    ASSERT_TRUE(WaitForDialerLogLines(1));
    EXPECT_EQ(ReadDialerLog(), std::vector<std::wstring>{DialerLine(L'h')});
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
    EXPECT_TRUE(ReadDialerLog().empty()) << "the dialer starts only after the box is closed";

    Answer(box, IDOK);
    ASSERT_TRUE(WaitForDialerLogLines(1));
    EXPECT_EQ(ReadDialerLog(), std::vector<std::wstring>{DialerLine(L'd')});
    EXPECT_FALSE(m_app->HasExited());
}

TEST_F(PhoneBook, EnterWithoutEntryHangsUpWithoutABox)
{
    StartApp();
    PressEnterOffTheButtons();
    ASSERT_TRUE(WaitForDialerLogLines(1));
    EXPECT_EQ(ReadDialerLog(), std::vector<std::wstring>{DialerLine(L'h')});
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
    EXPECT_TRUE(ReadDialerLog().empty());
    Answer(box, IDCANCEL);

    held.Release();
    EXPECT_EQ(ReadFileBytes(PhoneBookPath()), before);
    EXPECT_EQ(FolderFiles(), std::vector<std::wstring>{L"TolvexPhoneBook.pbk"});
    ClickConnectWhenEnabled();
    ASSERT_TRUE(WaitForDialerLogLines(1));
    EXPECT_EQ(ReadDialerLog(), std::vector<std::wstring>{DialerLine(L'd')});
    EXPECT_EQ(ReadFileBytes(PhoneBookPath()), WithMetricLinesSet(before));
}

// The stand-in itself, run directly: the scenarios above rely on what it writes.
class DialerStandIn : public PhoneBook {
protected:
    static long Run(wchar_t action, const std::wstring& entry = kEntryName)
    {
        return RunAndWait(DialerCommand(L"-f \"" + PhoneBookPath() + L"\" -" + action + L" \"" + entry + L"\""), kDialerWaitMs);
    }

    static bool LinkUp() { return RealLinkUp(kLinkName); }
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

    EXPECT_EQ(ReadDialerLog(), (std::vector<std::wstring>{DialerLine(L'a'), DialerLine(L'e'), DialerLine(L'a'),
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
    ASSERT_TRUE(WaitUntil([] { return !ReadDialerLog().empty(); }, kDialerWaitMs));
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
    ASSERT_TRUE(WaitForDialerLogLines(1));
    EXPECT_EQ(ReadDialerLog(), std::vector<std::wstring>{DialerLine(L'a')});
}

}  // namespace
