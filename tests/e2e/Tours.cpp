// Tours of the real program under Wine, each one a user's way through it. The English tours run
// in this order in one Wine session (the entry set up in one is there for the next); the last
// brings a real link up, which Wine keeps listing until its session ends. The Japanese tour runs
// in a session of its own, with LANG=ja_JP.UTF-8. The installer test runs the last test, on the
// copy its package installed.
#include <gtest/gtest.h>

#include <cstdlib>

#include "Driver.h"
#include "base/ResourceIds.h"

using namespace e2e;

namespace {

constexpr wchar_t kServices[] = L"SYSTEM\\CurrentControlSet\\services\\";
constexpr wchar_t kRule[] = L"AssumeUDPEncapsulationContextOnSendRule";
const std::wstring kPolicyAgent = kServices + std::wstring(L"PolicyAgent");
const std::wstring kNdisWan = kServices + std::wstring(L"NdisWan\\Parameters\\Protocols\\0");

class Tour : public ::testing::Test {
protected:
    HWND Start(const std::wstring& currentDirectory = L"")
    {
        m_app.emplace(currentDirectory);
        m_dialog = m_app->WaitForMainDialog();
        EXPECT_NE(m_dialog, nullptr);
        return m_dialog;
    }
    bool Shown() const { return IsWindowVisible(m_dialog) != FALSE; }
    std::wstring Label(int id) const { return Text(GetDlgItem(m_dialog, id)); }
    bool WaitForLabel(int id, const std::wstring& label) const
    {
        const bool read = WaitUntil([&] { return Label(id) == label; });
        EXPECT_TRUE(read) << id << " reads " << testing::PrintToString(Label(id));
        return read;
    }
    void Hide() const
    {
        PostMessageW(m_dialog, WM_SYSCOMMAND, SC_MINIMIZE, 0);
        EXPECT_TRUE(WaitUntil([&] { return !Shown(); }));
    }
    // What the dialer was started with since the tour's mark, once no stand-in dialer runs: every
    // start has written its line.
    std::vector<std::wstring> Dialled() const
    {
        EXPECT_TRUE(WaitUntil([] {
            const HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
            PROCESSENTRY32W entry{sizeof(entry)};
            bool running = false;
            for (BOOL more = Process32FirstW(snapshot, &entry); more && !running; more = Process32NextW(snapshot, &entry))
                running = _wcsicmp(entry.szExeFile, L"rasphone.exe") == 0;
            CloseHandle(snapshot);
            return !running;
        }));
        const auto log = DialerLog();
        return {log.begin() + static_cast<std::ptrdiff_t>(m_nMark), log.end()};
    }

    std::optional<App> m_app;
    HWND m_dialog = nullptr;
    std::size_t m_nMark = DialerLog().size();
};

class English : public Tour {};

// From a folder where a file of the registry tool's name was planted: the message, then the
// real tool from the program's own folder, started hidden, still shows its question.
TEST_F(English, A_TheFirstStartPreparesTheRegistry)
{
    DeleteMachineValue(kPolicyAgent, kRule);
    DeleteMachineValue(kNdisWan, L"TunnelMTU");
    Start(L"C:\\tolvex-planted");
    const HWND told = WaitForBox(L"The Windows registry for IPSec must be modified. \nPress OK");
    ASSERT_NE(told, nullptr);
    EXPECT_FALSE(Shown()) << "told before the dialog shows";
    Answer(told, IDOK);

    const HWND asked = WaitForBox(L"Work done! You need to reboot the Windows. Do you want it now?");
    ASSERT_NE(asked, nullptr) << "the tool's box shows though the tool was started hidden";
    EXPECT_NE(BoxText(asked).find(L"PolicyAgent\\AssumeUDPEncapsulationContextOnSendRule = 2"), std::wstring::npos);
    EXPECT_NE(BoxText(asked).find(L"TunnelMTU = 1400"), std::wstring::npos);
    SaveScreenshot(L"regset-en");
    Answer(asked, IDNO);
    EXPECT_EQ(MachineDword(kPolicyAgent, kRule), 2u);
    EXPECT_EQ(MachineDword(kNdisWan, L"TunnelMTU"), 1400u);
    EXPECT_TRUE(WaitUntil([&] { return Shown(); }));
    EXPECT_EQ(Dialled(), std::vector<std::wstring>{}) << "the planted file (a stand-in dialer) never ran";
    PressKey(m_dialog, VK_ESCAPE);
    EXPECT_TRUE(m_app->WaitForExit());

    Start();
    EXPECT_TRUE(WaitUntil([&] { return Shown(); }));
    EXPECT_EQ(m_app->FindMessageBox(), nullptr) << "the values are in place: no message";
    PostMessageW(m_dialog, WM_SYSCOMMAND, SC_CLOSE, 0);
    EXPECT_TRUE(m_app->WaitForExit()) << "the close box ends it like Quit";
}

TEST_F(English, B_TheDialogItsMenusAndItsIcon)
{
    Start();
    ASSERT_TRUE(WaitUntil([&] { return Shown() && TrayIconShown(); }));
    EXPECT_TRUE(WaitForLabel(IDC_SETTINGS, L"&Create settings")) << "refreshed";
    SaveScreenshot(L"dialog-en");

    PostMessageW(m_dialog, WM_SYSCOMMAND, 16, 0);
    HWND about = nullptr;
    ASSERT_TRUE(WaitUntil([&] {
        return (about = FindTopLevel([](HWND hwnd) { return IsWindowVisible(hwnd) && Text(hwnd) == L"About Tolvex Cell VPN Manager"; }));
    }));
    EXPECT_FALSE(IsWindowEnabled(m_dialog)) << "modal";
    PressKey(about, VK_ESCAPE);
    EXPECT_TRUE(WaitUntil([&] { return !IsWindow(about) && IsWindowEnabled(m_dialog); }));

    Hide();
    ClickTrayIcon(true);
    ASSERT_TRUE(WaitUntil([] { return FindPopupMenu() != nullptr; })) << "a press opens the menu";
    TypeKey('S');
    EXPECT_TRUE(WaitUntil([&] { return Shown(); })) << "Show";
    Hide();
    EXPECT_EQ(Script(L"/status"), 6u) << "no entry yet";
    App misspelt(L"", L"/conect");
    Answer(WaitForBox(L"Usage: TolvexDesktopWin.exe [/connect | /disconnect | /status | /quit]"), IDOK);
    EXPECT_EQ(misspelt.ExitCode(), 2u);
    EXPECT_FALSE(Shown()) << "a script brings nothing forward";
    // Another program's dialog of the same caption, hidden, as a second start would find it first.
    const HWND foreign = CreateWindowExW(0, L"#32770", L"Tolvex Cell VPN Manager", WS_OVERLAPPED, 0, 0, 99, 99,
                                         nullptr, nullptr, nullptr, nullptr);
    EXPECT_TRUE(App().WaitForExit()) << "a second copy ends";
    EXPECT_TRUE(WaitUntil([&] { return Shown(); })) << "and brings the first forward";
    EXPECT_FALSE(IsWindowVisible(foreign)) << "never another program's window";
    DestroyWindow(foreign);

    RestartTaskbar(m_dialog);
    EXPECT_TRUE(WaitUntil(TrayIconShown)) << "added again to a new taskbar";
    PressKey(m_dialog, VK_ESCAPE);
    EXPECT_TRUE(m_app->WaitForExit());
    EXPECT_TRUE(WaitUntil([] { return !TrayIconShown(); }));
}

TEST_F(English, C_TheEntryTheDialerAndThePhoneBook)
{
    SetDialerLinkName("dialup0");  // a link the program does not take for its own
    Start();
    Click(m_dialog, IDC_SETTINGS);
    Answer(WaitForBox(L"DO NOT EDIT THE PREDEFINED DESTINATION NAME"), IDOK);
    EXPECT_TRUE(WaitForLabel(IDC_CONNECT, L"&Connect")) << "the entry the dialer saved is seen";
    // Enter with the focus on no push button (which Enter would click instead).
    SendMessageW(m_dialog, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(GetDlgItem(m_dialog, IDC_ANIMATE)), TRUE);
    PressKey(m_dialog, VK_RETURN);
    const HWND parameters = WaitForBox(L"-d");
    ASSERT_NE(parameters, nullptr);
    EXPECT_EQ(BoxText(parameters), DialerLine(L'd'));
    Answer(parameters, IDOK);

    const std::string original = ReadFileBytes(PhoneBookPath());
    std::string expected = original;
    ASSERT_NE(expected.find("\r\nIpInterfaceMetric=0\r\n"), std::string::npos);
    for (std::size_t at; (at = expected.find("\nIpInterfaceMetric=0\r")) != std::string::npos;)
        expected[at + 19] = '1';
    Click(m_dialog, IDC_CONNECT);
    EXPECT_TRUE(WaitUntil([&] { return ReadFileBytes(PhoneBookPath()) == expected; })) << "every other byte kept";
    EXPECT_TRUE(WaitUntil([&] { return DialerLog().size() == m_nMark + 3; }));
    EXPECT_EQ(Dialled(), (std::vector<std::wstring>{DialerLine(L'a'), DialerLine(L'd'), DialerLine(L'd')}));

    // The diagnostics name the dial just made; Copy puts their whole text on the clipboard.
    PostMessageW(m_dialog, WM_SYSCOMMAND, 32, 0);
    HWND diagnostics = nullptr;
    ASSERT_TRUE(WaitUntil([&] {
        return (diagnostics = FindTopLevel([](HWND hwnd) { return IsWindowVisible(hwnd) && Text(hwnd) == L"Diagnostics"; }));
    }));
    const std::wstring record = Text(GetDlgItem(diagnostics, IDC_RECORD));
    EXPECT_NE(record.find(L" dialer -d started: " + PhoneBookPath() + L"\r\n"), std::wstring::npos) << record;
    SaveScreenshot(L"diagnostics-en");
    Click(diagnostics, IDC_COPY);
    EXPECT_TRUE(WaitUntil([&] { return ClipboardText() == record; }));
    PressKey(diagnostics, VK_ESCAPE);
    EXPECT_TRUE(WaitUntil([&] { return !IsWindow(diagnostics); }));
    EXPECT_EQ(Script(L"/quit"), 0u);
    EXPECT_TRUE(m_app->WaitForExit()) << "no link of its own: it ends at once";
    EXPECT_EQ(Script(L"-STATUS"), 3u) << "no copy runs";

    // The profile's roaming folder moved and linked back, as moved and redirected profiles are:
    // the entry found, the phonebook rewritten where it lies. Then the program's own folder a link
    // to another: left alone without a word, and the dial goes on.
    const std::wstring roaming = AppDataPath(), moved = kSandbox + std::wstring(L"Roaming");
    const std::wstring folder = moved + L"\\Tolvex Computer", outside = kSandbox + std::wstring(L"outside");
    ASSERT_TRUE(MoveFileW(roaming.c_str(), moved.c_str()) && SymbolicLink(roaming, moved));
    WriteFileBytes(folder + L"\\TolvexPhoneBook.pbk", original);
    Start();
    EXPECT_TRUE(WaitForLabel(IDC_CONNECT, L"&Connect")) << "the entry found";
    Click(m_dialog, IDC_CONNECT);
    EXPECT_TRUE(WaitUntil([&] { return ReadFileBytes(folder + L"\\TolvexPhoneBook.pbk") == expected; }));
    // Once the rewrite has let go of the folder it held.
    ASSERT_TRUE(WaitUntil([&] { return MoveFileW(folder.c_str(), outside.c_str()) != FALSE; }) && SymbolicLink(folder, outside));
    WriteFileBytes(outside + L"\\TolvexPhoneBook.pbk", original);
    Click(m_dialog, IDC_CONNECT);
    EXPECT_TRUE(WaitUntil([&] { return DialerLog().size() == m_nMark + 5; }));
    EXPECT_EQ(Dialled().back(), DialerLine(L'd'));
    EXPECT_EQ(m_app->FindMessageBox(), nullptr);
    EXPECT_EQ(ReadFileBytes(outside + L"\\TolvexPhoneBook.pbk"), original) << "the link's target untouched";
    Click(m_dialog, IDCANCEL);
    EXPECT_TRUE(m_app->WaitForExit());
    ASSERT_TRUE(SymbolicLink(folder) && MoveFileW(outside.c_str(), folder.c_str()));
    ASSERT_TRUE(SymbolicLink(roaming) && MoveFileW(moved.c_str(), roaming.c_str()));
}

// Wine keeps listing a link it has once seen until its session ends: this tour comes last.
TEST_F(English, D_ARealLinkScriptedUpOutlivesTheEndOfASessionAndGoesByScript)
{
    SetDialerLinkName("tolvex0");
    Start();
    EXPECT_TRUE(WaitForLabel(IDC_CONNECT, L"&Connect"));
    EXPECT_EQ(_wcsicmp(m_app->LoadedFrom(L"iphlpapi.dll").c_str(), L"C:\\windows\\system32\\iphlpapi.dll"), 0)
        << "never the copy planted beside it";
    EXPECT_EQ(Script(L"/connect"), 0u);
    ASSERT_TRUE(WaitUntil([] { return RealLinkUp(); })) << "the dialer brought no link up";
    EXPECT_TRUE(WaitForLabel(IDC_CONNECT, L"&Disconnect")) << "seen through Wine's own adapter list";
    EXPECT_EQ(Script(L"/status"), 0u);
    SaveScreenshot(L"connected-en");

    DWORD_PTR allowed = 0;
    SendMessageTimeoutW(m_dialog, WM_QUERYENDSESSION, 0, ENDSESSION_CLOSEAPP, SMTO_ABORTIFHUNG, 5000, &allowed);
    EXPECT_EQ(allowed, 1u);
    PostMessageW(m_dialog, WM_ENDSESSION, TRUE, ENDSESSION_CLOSEAPP);
    EXPECT_TRUE(m_app->WaitForExit()) << "ends without Quit's question";
    EXPECT_TRUE(RealLinkUp()) << "and leaves the link";
    EXPECT_EQ(Dialled(), std::vector<std::wstring>{DialerLine(L'd')});

    Start();
    EXPECT_TRUE(WaitForLabel(IDC_CONNECT, L"&Disconnect"));
    EXPECT_EQ(Script(L"/disconnect"), 0u);
    EXPECT_TRUE(WaitUntil([] { return !RealLinkUp(); })) << "a script's hang-up";
    EXPECT_EQ(Dialled().back(), DialerLine(L'h'));
    // Wine lists the link it has seen as before: to the program it is still up.
    Hide();
    ClickTrayIcon(true);
    ASSERT_TRUE(WaitUntil([] { return FindPopupMenu() != nullptr; }));
    TypeKey('Q');
    Answer(WaitForBox(L"Are you sure to disconnect the VPN connection, and quit?"), IDYES);
    EXPECT_TRUE(m_app->WaitForExit());
    EXPECT_EQ(Dialled().size(), 3u) << "the tray's Quit hangs up";
}

class Japanese : public Tour {};

// A second start finds the dialog by its Japanese caption, hidden or not.
TEST_F(Japanese, TheDialogAndASecondStartThatFindsIt)
{
    Start();
    ASSERT_TRUE(WaitUntil([&] { return Shown(); }));
    EXPECT_EQ(Text(m_dialog), L"VPN Manager");
    EXPECT_TRUE(WaitForLabel(IDC_SETTINGS, L"\u8FFD\u52A0(&C)"));
    SaveScreenshot(L"dialog-ja");
    App help(L"", L"/?");
    Answer(WaitForBox(L"\u4F7F\u3044\u65B9: TolvexDesktopWin.exe"), IDOK);  // "Usage"
    EXPECT_EQ(help.ExitCode(), 0u);
    Hide();
    EXPECT_TRUE(App().WaitForExit()) << "a second copy ends";
    EXPECT_TRUE(WaitUntil([&] { return Shown(); })) << "and brings the first forward";
}

// The package puts the IPsec values in place, so the first start asks for no registry change.
TEST(Installed, StartsWithoutTheRegistryMessage)
{
    if (_wgetenv(L"TOLVEX_APP") == nullptr)
        GTEST_SKIP() << "only for a copy installed by the package (TOLVEX_APP)";
    App app;
    const HWND dialog = app.WaitForMainDialog();
    ASSERT_NE(dialog, nullptr);
    // The registry check comes before the dialog shows: its message would hold the dialog back.
    ASSERT_TRUE(WaitUntil([&] { return IsWindowVisible(dialog) != FALSE; }));
    EXPECT_EQ(app.FindMessageBox(), nullptr);
}

}  // namespace
