// The dialer tool's command lines and the user's commands that start it.
#include "DialogFixture.h"
#include "connection/DialerTool.h"

namespace {

using namespace std::string_literals;

TEST(DialerParameters, FourFormsDifferOnlyInTheActionLetter)
{
    const std::pair<DialerAction, const char*> cases[] = {
        {DialerAction::Add, "-f \"C:\\a b\\P.pbk\" -a \"Tolvex Cell VPN\""},
        {DialerAction::Edit, "-f \"C:\\a b\\P.pbk\" -e \"Tolvex Cell VPN\""},
        {DialerAction::Dial, "-f \"C:\\a b\\P.pbk\" -d \"Tolvex Cell VPN\""},
        {DialerAction::HangUp, "-f \"C:\\a b\\P.pbk\" -h \"Tolvex Cell VPN\""},
    };
    for (const auto& [action, expected] : cases)
        EXPECT_EQ(Narrow(FormatDialerParameters(action, u"C:\\a b\\P.pbk", u"Tolvex Cell VPN").view()), expected);
    // Texts are filled in as they are, "%s" inside them included.
    EXPECT_EQ(Narrow(FormatDialerParameters(DialerAction::Dial, u"%s", u"%d").view()), "-f \"%s\" -d \"%d\"");
}

class Dialer : public DialogFixture {};

TEST_F(Dialer, StartsRasphoneFromTheSystemDirectoryWithoutWaiting)
{
    RunDialerTool(fake.platform, DialerAction::Dial, u"C:\\P.pbk", u"N");
    ASSERT_EQ(fake.shell.starts.size(), 1u);
    const ShellStart& start = fake.shell.starts[0];
    EXPECT_EQ(start.verb, "open");
    EXPECT_EQ(start.file, "C:\\Windows\\system32\\rasphone.exe");
    EXPECT_EQ(start.parameters, "-f \"C:\\P.pbk\" -d \"N\"");
    EXPECT_EQ(start.directory, std::nullopt);
    EXPECT_EQ(start.show, win::SW_SHOW);
    EXPECT_EQ(fake.shell.owners[0], nullptr);
    EXPECT_EQ(fake.system.systemDirectoryBuffer, 255u);

    RunDialerTool(fake.platform, DialerAction::Dial, u"C:\\P.pbk", u"N");
    EXPECT_EQ(fake.shell.starts.size(), 2u) << "two quick starts are two tools";
}

TEST_F(Dialer, NothingStartsWithoutASystemDirectoryOrAPhoneBookPath)
{
    fake.system.systemDirectory.reset();
    RunDialerTool(fake.platform, DialerAction::Dial, u"C:\\P.pbk", u"N");
    fake.system.systemDirectory = WideString(u"C:\\Windows\\system32");
    RunDialerTool(fake.platform, DialerAction::Add, u"", u"N");
    EXPECT_TRUE(fake.shell.starts.empty());
}

class Commands : public DialogFixture {
public:
    void SetUp() override { Create(); }
    void SetUpEntry() { fake.files.files[kPath] = kEntry; }
    void LinkUp() { fake.adapters.adapters = {{u"Tolvex Cell VPN", 23}}; }
    void DetectionFails() { fake.adapters.sizingResult = 232; }
};

TEST_F(Commands, ConnectChoosesByTheLinkStateSeenFirst)
{
    struct Case {
        const char* name;
        void (*arrange)(Commands&);
        std::vector<char> actions;
    };
    const Case cases[] = {
        {"not set up", [](Commands&) {}, {}},
        {"set up, link down", [](Commands& t) { t.SetUpEntry(); }, {'d'}},
        {"set up, link up", [](Commands& t) { t.SetUpEntry(); t.LinkUp(); }, {'h'}},
        {"set up, detection failed", [](Commands& t) { t.SetUpEntry(); t.DetectionFails(); }, {'d'}},
    };
    for (const auto& c : cases) {
        fake.shell.starts.clear();
        fake.files.files.clear();
        fake.adapters = FakeAdapters();
        c.arrange(*this);
        Send(win::WM_COMMAND, IDC_CONNECT);
        std::vector<std::string> expected;
        for (const char action : c.actions)
            expected.push_back(Parameters(action));
        EXPECT_EQ(StartedParameters(), expected) << c.name;
        EXPECT_TRUE(fake.ui.messageBoxes.empty()) << c.name;
    }
}

TEST_F(Commands, ConnectDetectsBeforeItRewritesAndRewritesEvenWithoutTheEntry)
{
    fake.files.files[kPath] = "[Other]\nIpInterfaceMetric=0\n";
    fake.files.log.clear();
    Send(win::WM_COMMAND, IDC_CONNECT);
    EXPECT_EQ(fake.files.files[kPath], "[Other]\r\nIpInterfaceMetric=1\r\n");
    EXPECT_TRUE(fake.shell.starts.empty());
    EXPECT_EQ(fake.adapters.calls, 1) << "one detection, the sizing call failing on an empty list";

    LinkUp();
    SetUpEntry();
    fake.files.files[kPath] += "IpInterfaceMetric=0\n";
    Send(win::WM_COMMAND, IDC_CONNECT);
    EXPECT_EQ(fake.files.files[kPath], "[Tolvex Cell VPN]\r\nIpInterfaceMetric=1\r\nIpInterfaceMetric=1\r\n")
        << "rewritten before hanging up too";
    EXPECT_EQ(StartedParameters(), std::vector<std::string>{Parameters('h')});
}

TEST_F(Commands, EnterShowsTheDialParametersThenDialsWhateverTheLink)
{
    for (const bool linkUp : {false, true}) {
        fake.shell.starts.clear();
        fake.ui.messageBoxes.clear();
        SetUpEntry();
        if (linkUp)
            LinkUp();
        std::size_t startsWhileBoxOpen = 99;
        fake.ui.onMessageBox = [&](const FakeMessageBox&) { startsWhileBoxOpen = fake.shell.starts.size(); };
        Send(win::WM_COMMAND, win::IDOK);
        ASSERT_EQ(fake.ui.messageBoxes.size(), 1u);
        EXPECT_EQ(fake.ui.messageBoxes[0].text, Parameters('d'));
        EXPECT_EQ(fake.ui.messageBoxes[0].type, win::MB_OK | win::MB_ICONEXCLAMATION);
        EXPECT_EQ(startsWhileBoxOpen, 0u) << "the tool starts only after the box is closed";
        EXPECT_EQ(StartedParameters(), std::vector<std::string>{Parameters('d')});
        EXPECT_FALSE(fake.ui.Window(hwnd).destroyed) << "Enter never closes the dialog";
    }
    EXPECT_EQ(fake.adapters.calls, 0) << "no detection";
}

TEST_F(Commands, EnterWithoutTheEntryHangsUpSilently)
{
    Send(win::WM_COMMAND, win::IDOK);
    EXPECT_TRUE(fake.ui.messageBoxes.empty());
    EXPECT_EQ(StartedParameters(), std::vector<std::string>{Parameters('h')});
}

TEST_F(Commands, SettingsEditsOrAsksThenAdds)
{
    struct Case {
        const char* name;
        bool entry;
        int answer;
        std::size_t boxes;
        std::vector<std::string> started;
    };
    const Case cases[] = {
        {"set up", true, win::IDOK, 0, {"e"}},
        {"not set up, OK", false, win::IDOK, 1, {"a"}},
        {"not set up, Cancel", false, win::IDCANCEL, 1, {}},
    };
    for (const auto& c : cases) {
        fake.shell.starts.clear();
        fake.ui.messageBoxes.clear();
        fake.files.files.clear();
        if (c.entry)
            SetUpEntry();
        fake.ui.messageBoxAnswers = {c.answer};
        Send(win::WM_COMMAND, IDC_SETTINGS);
        ASSERT_EQ(fake.ui.messageBoxes.size(), c.boxes) << c.name;
        if (c.boxes != 0) {
            EXPECT_EQ(fake.ui.messageBoxes[0].text, "not set up") << c.name;
            EXPECT_EQ(fake.ui.messageBoxes[0].type, win::MB_OKCANCEL | win::MB_ICONEXCLAMATION) << c.name;
        }
        std::vector<std::string> expected;
        for (const auto& action : c.started)
            expected.push_back(Parameters(action[0]));
        EXPECT_EQ(StartedParameters(), expected) << c.name;
    }
    EXPECT_EQ(fake.adapters.calls, 0);
    EXPECT_EQ(fake.files.Count("open W"), 0) << "no rewrite";
}

TEST_F(Commands, NoApplicationDataFolderStartsNothing)
{
    FakePlatform local;
    local.system.appData.reset();
    CTolvexDesktopWinApp localApp(local.platform);
    CTolvexDesktopWinDlg localDlg(localApp);
    const WindowHandle h = local.ui.CreateDialogFromTemplate(IDD_TOLVEXDESKTOPWIN_DIALOG, nullptr, localDlg);
    local.ui.messageBoxAnswers = {win::IDOK};
    for (const int command : {IDC_SETTINGS, IDC_CONNECT, win::IDOK})
        local.ui.Deliver(h, win::WM_COMMAND, static_cast<std::uintptr_t>(command));
    EXPECT_TRUE(local.shell.starts.empty());
    EXPECT_EQ(local.ui.messageBoxes.size(), 1u) << "only the not-set-up question";
}

}  // namespace
