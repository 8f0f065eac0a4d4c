// Quit from every way of closing, and the registry check when the dialog starts.
#include "DialogFixture.h"

namespace {

using namespace std::string_literals;

class Quit : public DialogFixture {
public:
    // Runs the dialog modally and sends one close request once it is idle.
    std::intptr_t RunAndClose(unsigned message, std::uintptr_t wParam, std::vector<int> answers = {})
    {
        app.SetMainWnd(&dlg);
        fake.ui.messageBoxAnswers.assign(answers.begin(), answers.end());
        bool sent = false;
        fake.ui.onQueueEmpty = [&] {
            if (!sent)
                fake.ui.PostMessage(fake.ui.lastDialog, message, wParam, 0);
            sent = true;
        };
        return dlg.DoModal();
    }
    void LinkUp()
    {
        fake.files.files[kPath] = kEntry;
        fake.adapters.adapters = {{u"Tolvex Cell VPN", 23}};
    }
};

TEST_F(Quit, LinkNotUpEndsAtOnceFromEveryWayOfClosing)
{
    struct Way {
        const char* name;
        unsigned message;
        std::uintptr_t wParam;
    };
    const Way ways[] = {
        {"Quit button, tray menu Quit, Esc", win::WM_COMMAND, win::IDCANCEL},
        {"close box, Alt+F4", win::WM_SYSCOMMAND, 0xF060},
    };
    for (const auto& way : ways) {
        FakePlatform local;
        CTolvexDesktopWinApp localApp(local.platform);
        CTolvexDesktopWinDlg localDlg(localApp);
        localApp.SetMainWnd(&localDlg);
        bool sent = false;
        local.ui.onQueueEmpty = [&] {
            if (!sent)
                local.ui.PostMessage(local.ui.lastDialog, way.message, way.wParam, 0);
            sent = true;
        };
        EXPECT_EQ(localDlg.DoModal(), win::IDCANCEL) << way.name;
        EXPECT_EQ(local.ui.CountLog("queue exhausted"), 0) << way.name << ": ended by the request itself";
        EXPECT_TRUE(local.ui.messageBoxes.empty()) << way.name;
        EXPECT_TRUE(local.shell.starts.empty()) << way.name;
    }
}

TEST_F(Quit, LinkUpAsksAndNoKeepsEverythingRunning)
{
    LinkUp();
    RunAndClose(win::WM_COMMAND, win::IDCANCEL, {win::IDNO});
    ASSERT_EQ(fake.ui.messageBoxes.size(), 1u);
    EXPECT_EQ(fake.ui.messageBoxes[0].text, "Are you sure to disconnect the VPN connection, and quit?");
    EXPECT_EQ(fake.ui.messageBoxes[0].type, win::MB_YESNO | win::MB_ICONQUESTION);
    EXPECT_TRUE(fake.shell.starts.empty());
    EXPECT_EQ(fake.ui.CountLog("queue exhausted"), 1) << "the dialog ran on until the test ran out of steps";
}

TEST_F(Quit, LinkUpAndYesHangsUpOnceAndEnds)
{
    LinkUp();
    fake.files.files[kPath] += "IpInterfaceMetric=0\n";
    EXPECT_EQ(RunAndClose(win::WM_COMMAND, win::IDCANCEL, {win::IDYES}), win::IDCANCEL);
    EXPECT_EQ(StartedParameters(), std::vector<std::string>{Parameters('h')});
    EXPECT_EQ(fake.files.files[kPath], "[Tolvex Cell VPN]\r\nIpInterfaceMetric=1\r\nIpInterfaceMetric=1\r\n");
    EXPECT_EQ(fake.ui.CountLog("queue exhausted"), 0);
}

TEST_F(Quit, LinkUpYesAndAPhoneBookWriteErrorKeepsTheProgramAndTheLink)
{
    LinkUp();
    fake.files.files[kPath] += "IpInterfaceMetric=0\n";
    fake.files.writeError = 112;
    RunAndClose(win::WM_COMMAND, win::IDCANCEL, {win::IDYES});
    ASSERT_EQ(fake.ui.messageBoxes.size(), 2u) << "the question, then the error";
    EXPECT_EQ(fake.ui.messageBoxes[1].type, win::MB_OK | win::MB_ICONSTOP);
    EXPECT_TRUE(fake.shell.starts.empty());
    EXPECT_EQ(fake.ui.CountLog("queue exhausted"), 1) << "still running";
}

TEST_F(Quit, RepairRunsFirstEvenWhenTheUserStays)
{
    Create();
    LinkUp();
    fake.registry.SetDword(kPolicyAgentKey, kEncapsulation, 0);
    fake.ui.messageBoxAnswers = {win::IDOK, win::IDNO};
    Send(win::WM_COMMAND, win::IDCANCEL);
    ASSERT_EQ(fake.ui.messageBoxes.size(), 2u);
    EXPECT_EQ(fake.ui.messageBoxes[1].text, "Are you sure to disconnect the VPN connection, and quit?");
    EXPECT_EQ(fake.ui.messageBoxes[0].text, "0");
    EXPECT_EQ(fake.registry.Get(kPolicyAgentKey, kEncapsulation)->bytes, std::string("\2\0\0\0", 4));
}

TEST_F(Quit, FailedDetectionEndsWithoutAQuestion)
{
    fake.files.files[kPath] = kEntry;
    fake.adapters.adapters = {{u"Tolvex", 23}};
    fake.adapters.fillingResult = 31;
    EXPECT_EQ(RunAndClose(win::WM_COMMAND, win::IDCANCEL), win::IDCANCEL);
    EXPECT_TRUE(fake.ui.messageBoxes.empty());
    EXPECT_TRUE(fake.shell.starts.empty());
}

class StartupCheck : public DialogFixture {};

TEST_F(StartupCheck, ValuesMissingShowMessage110BeforeTheDialogIsVisibleThenLaunch)
{
    fake.resources.strings[IDS_REGISTRY_MUST_BE_MODIFIED] = u"The Windows registry for IPSec must be modified. \nPress OK to start the registry modification program.";
    fake.registry.keys.clear();
    std::size_t startsDuringBox = 99;
    bool visibleDuringBox = true;
    fake.ui.onMessageBox = [&](const FakeMessageBox&) {
        startsDuringBox = fake.shell.starts.size();
        visibleDuringBox = fake.ui.Window(fake.ui.lastDialog).visible;
    };
    Create();
    ASSERT_EQ(fake.ui.messageBoxes.size(), 1u);
    EXPECT_EQ(fake.ui.messageBoxes[0].text, "The Windows registry for IPSec must be modified. \nPress OK to start the registry modification program.");
    EXPECT_EQ(fake.ui.messageBoxes[0].type, win::MB_OK | win::MB_ICONEXCLAMATION);
    EXPECT_FALSE(visibleDuringBox);
    EXPECT_EQ(startsDuringBox, 0u);
    ASSERT_EQ(fake.shell.starts.size(), 1u);
    EXPECT_EQ(fake.shell.starts[0].file, "C:\\Program Files\\Tolvex\\Tolvex Regset.exe");
    EXPECT_TRUE(fake.ui.Window(hwnd).visible);
    EXPECT_EQ(fake.ui.notifyCalls.size(), 1u) << "the rest of the initialisation goes on";
}

TEST_F(StartupCheck, ValuesInPlaceShowNothingAndLaunchNothing)
{
    Create();
    EXPECT_TRUE(fake.ui.messageBoxes.empty());
    EXPECT_TRUE(fake.shell.starts.empty());
}

}  // namespace
