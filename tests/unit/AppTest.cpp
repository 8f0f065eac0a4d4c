// One copy per logon under the executable's own name: a second start brings the running copy's
// dialog forward, in either language, and nothing else; a start with a switch hands its command
// to the running copy; a socket layer of another version than 1.1 ends the start with message
// 103, before any window.
#include <gtest/gtest.h>

#include "app/TolvexDesktopWinApp.h"
#include "base/ResourceIds.h"
#include "fakes/FakePlatform.h"
#include "platform/Constants.h"
#include "ui/TolvexDesktopWinDlg.h"

TEST(App, ASocketLayerOfAnotherVersionEndsTheStartWithMessage103)
{
    for (const auto& [result, version] : std::vector<std::pair<int, std::uint16_t>>{{10091, 0x0101}, {0, 0x0202}}) {
        FakePlatform fake;
        fake.app.socketsResult = result;
        fake.app.socketsVersion = version;
        EXPECT_FALSE(CTolvexDesktopWinApp(fake.platform).InitInstance());
        EXPECT_EQ(fake.app.mutexName, "TolvexDesktopWin") << "a renamed copy is a program of its own";
        ASSERT_EQ(fake.ui.boxes.size(), 1u);
        EXPECT_EQ(fake.ui.boxes[0].text, "#103");
        EXPECT_EQ(fake.ui.boxes[0].type, win::MB_OK | win::MB_ICONEXCLAMATION);
        EXPECT_EQ(fake.ui.boxes[0].owner, nullptr);
        EXPECT_TRUE(fake.ui.notifications.empty()) << "no dialog";
        EXPECT_EQ(fake.app.cleanups, result == 0 ? 1 : 0) << "a layer of the wrong version is shut down again";
        EXPECT_EQ(fake.app.socketsLastError, result == 0 ? win::WSAVERNOTSUPPORTED : 0) << "and says why";
    }
}

TEST(App, AFirstStartRunsTheDialogAndShutsTheSocketLayerDownAtTheEnd)
{
    FakePlatform fake;
    fake.ui.templates[IDD_TOLVEXDESKTOPWIN_DIALOG] = {};
    {
        CTolvexDesktopWinApp app(fake.platform);
        EXPECT_FALSE(app.InitInstance());
        EXPECT_EQ(fake.ui.notifications.size(), 2u) << "the dialog's icon, added and removed";
        EXPECT_EQ(fake.app.cleanups, 0);
    }
    EXPECT_EQ(fake.app.cleanups, 1);
}

// A second start finds the hidden dialog of the running copy by its caption in either language,
// asks it whether it is that dialog, and shows it; windows of other programs with the same
// caption (an Explorer window of the install folder, a dialog of its own) are never touched.
TEST(App, ASecondStartBringsTheRunningDialogForwardInEitherLanguageAndNothingElse)
{
    for (const char16_t* caption : {u"Tolvex Cell VPN Manager", u"VPN Manager"}) {
        FakePlatform fake;
        fake.app.mutexResult = win::ERROR_ALREADY_EXISTS;
        fake.ui.templates[IDD_TOLVEXDESKTOPWIN_DIALOG] = {};
        fake.ui.captions[IDD_TOLVEXDESKTOPWIN_DIALOG] = caption;
        const WindowHandle explorer = fake.ui.AddTopLevel("CabinetWClass", Narrow(caption));
        const WindowHandle foreign = fake.ui.AddTopLevel("#32770", Narrow(caption));
        CTolvexDesktopWinDlg running(fake.platform);
        const WindowHandle dialog = fake.ui.CreateDialogFromTemplate(IDD_TOLVEXDESKTOPWIN_DIALOG, nullptr, running);
        fake.ui.Window(dialog).visible = false;
        fake.ui.busy[dialog] = 3;  // the copy busy a while: its elevation prompt, a slow adapter list
        fake.ui.events.clear();

        EXPECT_FALSE(CTolvexDesktopWinApp(fake.platform).InitInstance());
        EXPECT_EQ(fake.ui.events, (std::vector<std::string>{"foreground " + Narrow(caption), "show", "focus"}));
        EXPECT_TRUE(fake.ui.Window(dialog).visible);
        EXPECT_FALSE(fake.ui.Window(explorer).visible || fake.ui.Window(foreign).visible);
        EXPECT_EQ(fake.ui.focus, dialog);
        EXPECT_TRUE(fake.ui.boxes.empty());
    }
}

TEST(App, ASecondStartIsAnsweredWhileTheRegistryMessageIsOpen)
{
    FakePlatform fake;
    fake.app.mutexResult = win::ERROR_ALREADY_EXISTS;
    fake.ui.templates[IDD_TOLVEXDESKTOPWIN_DIALOG] = {};
    fake.ui.captions[IDD_TOLVEXDESKTOPWIN_DIALOG] = u"VPN Manager";
    fake.registry.Remove(kPolicyAgentKey, kEncapsulation);
    CTolvexDesktopWinDlg running(fake.platform);
    fake.ui.whileBoxOpen = [&] { CTolvexDesktopWinApp(fake.platform).InitInstance(); };
    fake.ui.CreateDialogFromTemplate(IDD_TOLVEXDESKTOPWIN_DIALOG, nullptr, running);
    EXPECT_EQ(std::count(fake.ui.events.begin(), fake.ui.events.end(), "foreground VPN Manager"), 1);
}

TEST(App, TheCommandLineHoldsNothingOrExactlyOneSwitch)
{
    using Kind = CommandLine::Kind;
    const struct {
        std::u16string line;
        Kind kind;
        ScriptCommand command = ScriptCommand::Status;
    } cases[] = {
        {u"\"C:\\Program Files\\Tolvex\\TolvexDesktopWin.exe\"", Kind::Run},
        {u"C:\\Program Files\\Tolvex\\TolvexDesktopWin.exe", Kind::Run},
        {u"\"C:\\x y\\TolvexDesktopWin.exe\" \t", Kind::Run},
        {u"TolvexDesktopWin /connect", Kind::Command, ScriptCommand::Connect},
        {u"c:\\program files\\tolvex\\TolvexDesktopWin.exe -DISCONNECT", Kind::Command, ScriptCommand::Disconnect},
        {u"\"x.exe\"  /Status\t ", Kind::Command, ScriptCommand::Status},
        {u"\"x.exe\"/quit", Kind::Command, ScriptCommand::Quit},
        {u"x -?", Kind::Help},
        {u"x /connect /status", Kind::UsageError},
        {u"x /conect", Kind::UsageError},
        {u"x connect", Kind::UsageError},
        {u"x \"/quit\"", Kind::UsageError},
        {u"x /" + std::u16string(40000, u'q'), Kind::UsageError},
    };
    for (const auto& c : cases) {
        const CommandLine parsed = ParseCommandLine(c.line, u"C:\\Program Files\\Tolvex\\TolvexDesktopWin.exe");
        EXPECT_EQ(parsed.kind, c.kind) << Narrow(c.line.substr(0, 60));
        EXPECT_TRUE(parsed.kind != Kind::Command || parsed.command == c.command) << Narrow(c.line);
    }
}

// A copy of an earlier version: its dialog says it is the running copy, and knows no commands.
struct OlderCopy : IDialogSink {
    bool OnWindowMessage(WindowHandle, unsigned message, std::uintptr_t, std::intptr_t, std::intptr_t& result) override
    {
        result = CTolvexDesktopWinDlg::kIdentity;
        return message == identify;
    }
    unsigned identify = 0;
};

// Against each state of the running copy: the exit code; the mutex never made, nothing started
// but by the copy, nothing brought forward.
TEST(App, AStartWithASwitchEndsWithTheRunningCopysAnswer)
{
    enum class Copy { None, Starting, Answering, Elevated, Hung, Older };
    const struct {
        const char16_t* line;
        Copy copy;
        ScriptExit exit;
        std::string box = "";
        std::size_t dialled = 0;
    } cases[] = {
        {u"x /status", Copy::None, ScriptExit::NotRunning},
        {u"x /status", Copy::Starting, ScriptExit::NotConnected},
        {u"x /connect", Copy::Answering, ScriptExit::Done, {}, 1},
        {u"x /status", Copy::Elevated, ScriptExit::Refused},
        {u"x /quit", Copy::Hung, ScriptExit::Busy},
        {u"x /disconnect", Copy::Older, ScriptExit::TooOld},
        {u"x /connect /quit", Copy::Answering, ScriptExit::UsageError, "#151"},
        {u"x /?", Copy::None, ScriptExit::Done, "#151"},
    };
    for (const auto& c : cases) {
        FakePlatform fake;
        fake.app.commandLine = c.line;
        fake.app.mutexResult = c.copy == Copy::None ? 0 : win::ERROR_ALREADY_EXISTS;
        fake.ui.templates[IDD_TOLVEXDESKTOPWIN_DIALOG] = {};
        fake.ui.captions[IDD_TOLVEXDESKTOPWIN_DIALOG] = u"Tolvex Cell VPN Manager";
        fake.files.nodes["C:\\Users\\u\\AppData\\Roaming\\Tolvex Computer"].directory = true;
        fake.files.Put("C:\\Users\\u\\AppData\\Roaming\\Tolvex Computer\\TolvexPhoneBook.pbk", "[Tolvex Cell VPN]\r\n");
        fake.adapters.adapters = {{u"Ethernet", 6}};
        CTolvexDesktopWinDlg running(fake.platform);
        OlderCopy older;
        const auto start = [&] { return fake.ui.CreateDialogFromTemplate(IDD_TOLVEXDESKTOPWIN_DIALOG, nullptr, running); };
        if (c.copy == Copy::Starting)
            fake.app.whileAsleep = start;
        const WindowHandle window = c.copy == Copy::Older ? fake.ui.AddTopLevel("#32770", "Tolvex Cell VPN Manager")
            : c.copy >= Copy::Answering                   ? start()
                                                          : nullptr;
        older.identify = fake.ui.RegisterWindowMessage(CTolvexDesktopWinDlg::kIdentifyMessage);
        if (c.copy == Copy::Older)
            fake.ui.Window(window).sink = &older;
        if (c.copy == Copy::Elevated)
            fake.ui.elevated.insert(window);
        fake.ui.busy[window] = c.copy == Copy::Hung ? 1000 : 0;
        fake.ui.events.clear();

        CTolvexDesktopWinApp app(fake.platform);
        EXPECT_FALSE(app.InitInstance());
        EXPECT_EQ(app.GetExitCode(), static_cast<int>(c.exit)) << Narrow(c.line);
        EXPECT_EQ(fake.app.mutexName, "") << "never taken for the running copy";
        EXPECT_EQ(std::count_if(fake.ui.events.begin(), fake.ui.events.end(), [](const std::string& event) {
                      return event == "show" || event.starts_with("foreground");
                  }),
                  0);
        EXPECT_EQ(fake.ui.boxes.empty() ? "" : fake.ui.boxes.back().text, c.box) << Narrow(c.line);
        EXPECT_EQ(fake.shell.programs.size(), c.dialled) << Narrow(c.line);
    }
}
