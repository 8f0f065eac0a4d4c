// The main dialog as the units compose it: the commands and their boxes, the refresh, Quit, a
// re-dial that fails on the phonebook, the tray icon, the system menu and the window's end. The
// tours under Wine show the same on the real platform, once each.
#include <gtest/gtest.h>

#include <cstring>

#include "base/ResourceIds.h"
#include "fakes/FakePlatform.h"
#include "platform/Constants.h"
#include "ui/TolvexDesktopWinDlg.h"

namespace {

using Step = FakeFileSystem::Step;
constexpr char kFolder[] = "C:\\Users\\u\\AppData\\Roaming\\Tolvex Computer";
constexpr char kPath[] = "C:\\Users\\u\\AppData\\Roaming\\Tolvex Computer\\TolvexPhoneBook.pbk";
constexpr char kEntry[] = "[Tolvex Cell VPN]\r\nIpInterfaceMetric=1\r\n";
enum class Link { Down, Up, Unreadable };

// The program with its dialog, on a platform with the phonebook's folder in place.
struct Program {
    explicit Program(bool entry = true, Link link = Link::Down)
    {
        fake.ui.templates[IDD_TOLVEXDESKTOPWIN_DIALOG] = {IDC_SETTINGS, win::IDCANCEL, IDC_CONNECT, IDC_ACTIVITY};
        fake.files.nodes[kFolder].directory = true;
        if (entry)
            fake.files.Put(kPath, kEntry);
        SetLink(link);
    }
    WindowHandle Hwnd() const { return dialog.GetSafeHwnd(); }
    void Create() { fake.ui.CreateDialogFromTemplate(IDD_TOLVEXDESKTOPWIN_DIALOG, nullptr, dialog); }
    void Command(int id) { fake.ui.Deliver(Hwnd(), win::WM_COMMAND, static_cast<unsigned>(id)); }
    void Pass() { fake.ui.Deliver(Hwnd(), win::WM_KICKIDLE); }
    ScriptExit Script(ScriptCommand command)
    {
        return ScriptExitOf(fake.ui.Deliver(Hwnd(), fake.ui.registered.at(Narrow(kScriptCommandMessage)), static_cast<std::uintptr_t>(command)));
    }
    void WorkingPass() { Pass(), Pass(); }
    void SetLink(Link link)
    {
        fake.adapters.adapters = {{u"Tolvex Cell VPN", link == Link::Up ? 23u : 6u}};
        fake.adapters.sizingResult = link == Link::Unreadable ? std::optional<unsigned long>(232) : std::nullopt;
    }
    FakeWindow& Control(int id) { return fake.ui.Window(fake.ui.Control(Hwnd(), id)); }
    std::string Label(int id) { return Narrow(Control(id).text.view()); }
    std::vector<std::string> Boxes() const
    {
        std::vector<std::string> texts;
        for (const auto& box : fake.ui.boxes)
            texts.push_back(box.text);
        return texts;
    }
    // The dialer's action letters ("-d", "-h", ...) in the order started.
    std::vector<std::string> Dialled() const
    {
        std::vector<std::string> actions;
        for (const auto& start : fake.shell.programs)
            actions.push_back(start.parameters.value_or("").substr(std::strlen(kPath) + 6, 2));
        return actions;
    }
    std::string Tip() const { return Narrow(fake.ui.notifications.back().second.szTip); }

    FakePlatform fake;
    CTolvexDesktopWinDlg dialog{fake.platform};
};

TEST(MainDialog, EachCommandShowsItsBoxFirstThenStartsItsDialer)
{
    const std::string dialLine = "-f \"" + std::string(kPath) + "\" -d \"Tolvex Cell VPN\"";
    const struct {
        bool entry;
        Link link;
        int command;
        int answer;
        std::string box;  // none when empty
        unsigned boxType;
        std::vector<std::string> dialled;
    } cases[] = {
        {false, Link::Down, IDC_SETTINGS, win::IDCANCEL, "#129", win::MB_OKCANCEL | win::MB_ICONEXCLAMATION, {}},
        {false, Link::Down, IDC_SETTINGS, win::IDOK, "#129", win::MB_OKCANCEL | win::MB_ICONEXCLAMATION, {"-a"}},
        {true, Link::Up, IDC_SETTINGS, 0, "", 0, {"-e"}},
        {true, Link::Down, IDC_CONNECT, 0, "", 0, {"-d"}},
        {true, Link::Up, IDC_CONNECT, 0, "", 0, {"-h"}},
        {true, Link::Unreadable, IDC_CONNECT, 0, "", 0, {"-d"}},
        {false, Link::Up, IDC_CONNECT, 0, "", 0, {}},
        {true, Link::Up, win::IDOK, win::IDOK, dialLine, win::MB_OK | win::MB_ICONEXCLAMATION, {"-d"}},
        {false, Link::Down, win::IDOK, 0, "", 0, {"-h"}},
    };
    for (const auto& c : cases) {
        Program p(c.entry, c.link);
        p.fake.ui.answers = {c.answer};
        p.fake.ui.whileBoxOpen = [&] { EXPECT_TRUE(p.fake.shell.programs.empty()) << "started before the box closed"; };
        p.Create();
        p.Command(c.command);
        EXPECT_EQ(p.Boxes(), c.box.empty() ? std::vector<std::string>{} : std::vector<std::string>{c.box}) << c.command;
        EXPECT_TRUE(c.box.empty() || p.fake.ui.boxes[0].type == c.boxType);
        EXPECT_EQ(p.Dialled(), c.dialled) << c.command << (c.entry ? " with" : " without") << " the entry";
    }
}

// Pass by pass: the labels, the Connect button's state, the tip; the link is read every second
// pass only.
TEST(MainDialog, TheRefreshFollowsTheEntryAndTheLink)
{
    Program p(false, Link::Up);
    p.Create();
    const struct {
        bool entry;
        Link link;
        std::string settings, connect;
        bool enabled;
        std::string tip;
    } passes[] = {
        {false, Link::Up, "#107", "", false, "Tolvex VPN Manager"},
        {true, Link::Down, "#106", "#108", true, "Tolvex VPN Manager"},
        {true, Link::Up, "#106", "#109", true, "Tolvex VPN Manager -- Connected"},
        {true, Link::Unreadable, "#106", "Error", true, "Tolvex VPN Manager -- Connected"},
        {false, Link::Down, "#107", "Error", false, "Tolvex VPN Manager -- Connected"},
        {true, Link::Down, "#106", "#108", true, "Tolvex VPN Manager"},
    };
    for (const auto& pass : passes) {
        if (pass.entry)
            p.fake.files.Put(kPath, kEntry);
        else
            p.fake.files.nodes.erase(kPath);
        p.SetLink(pass.link);
        p.Pass();
        EXPECT_EQ(p.Label(IDC_SETTINGS), pass.settings);
        EXPECT_EQ(p.Label(IDC_CONNECT), pass.connect);
        EXPECT_EQ(p.Control(IDC_CONNECT).enabled, pass.enabled) << pass.connect;
        EXPECT_EQ(p.Tip(), pass.tip) << pass.connect;
        p.SetLink(pass.link == Link::Up ? Link::Down : Link::Up);
        p.Pass();
        EXPECT_EQ(p.Label(IDC_CONNECT), pass.connect) << "the second pass only looks at the entry";
    }
}

// Ticks, one a second, 2 to 9 with the link up from the first pass; another timer; then the link down.
TEST(MainDialog, TheIndicatorTurnsOnlyWhileTheLinkIsUp)
{
    Program p(true, Link::Up);
    p.Create();
    EXPECT_EQ(p.fake.ui.timers, (std::map<std::uintptr_t, unsigned>{{CTolvexDesktopWinDlg::IDT_REFRESH, 1000}})) << "a tick a second";
    const auto tick = [&](std::uintptr_t timer) {
        p.fake.ui.Deliver(p.Hwnd(), win::WM_TIMER, timer);
        return p.Control(IDC_ACTIVITY).text.str();
    };
    EXPECT_EQ(tick(CTolvexDesktopWinDlg::IDT_REFRESH), u"") << "not seen up yet";
    p.Pass();
    std::u16string frames;
    for (int n = 2; n <= 9; ++n)
        frames += tick(CTolvexDesktopWinDlg::IDT_REFRESH);
    EXPECT_EQ(frames, u"\u2015\uFF3C\uFF5C\uFF0F\u2015\uFF3C\uFF5C\uFF0F") << "the phase follows the ticks since start";
    EXPECT_EQ(tick(99), u"\uFF0F") << "another timer turns nothing";
    p.SetLink(Link::Down);
    p.WorkingPass();
    EXPECT_EQ(tick(CTolvexDesktopWinDlg::IDT_REFRESH), u"");
}

TEST(MainDialog, QuitRepairsFirstAndAsksOnlyWhileTheLinkIsUp)
{
    const struct {
        bool up;
        std::uint32_t rule;
        bool admin;
        std::deque<int> answers;
        bool refused;  // the key refuses writing, or else the hang-up's rewrite meets a full disk
        std::vector<std::string> boxes;
        std::vector<std::string> dialled;
        std::intptr_t ended;
        std::optional<Link> whileAsked = {};  // the link as Quit's question is answered
    } cases[] = {
        {false, 2, true, {}, false, {}, {}, win::IDCANCEL},
        {false, 0, true, {}, false, {"0"}, {}, win::IDCANCEL},
        {false, 0, true, {}, true, {"-1"}, {}, win::IDCANCEL},
        {true, 0, false, {win::IDOK, win::IDNO}, false, {"#111", "#145"}, {}, -1},
        {true, 2, true, {win::IDYES}, false, {"#145"}, {"-h"}, win::IDCANCEL},
        // A full disk must not keep the user from disconnecting and quitting.
        {true, 2, true, {win::IDYES}, true, {"#145", "#61869"}, {"-h"}, win::IDCANCEL},
        // Yes to a link that dropped, or could no longer be read, meanwhile: nothing dialled.
        {true, 2, true, {win::IDYES}, false, {"#145"}, {}, win::IDCANCEL, Link::Down},
        {true, 2, true, {win::IDYES}, false, {"#145"}, {}, win::IDCANCEL, Link::Unreadable},
    };
    for (const auto& c : cases) {
        Program p(true, c.up ? Link::Up : Link::Down);
        p.fake.system.admin = c.admin;
        p.fake.files.Put(kPath, std::string(kEntry) + "IpInterfaceMetric=0\r\n");
        p.fake.ui.steps = {[&] {
            p.fake.registry.SetDword(kPolicyAgentKey, kEncapsulation, c.rule);
            p.fake.registry.KeyAt(kPolicyAgentKey).refuseWrite = c.refused;
            p.fake.ui.answers = c.answers;
            if (c.refused)
                p.fake.files.Fail(Step::Write, ".tmp", 1, 112);
            if (c.whileAsked)
                p.fake.ui.whileBoxOpen = [&] { p.SetLink(*c.whileAsked); };
            p.Command(win::IDCANCEL);
        }};
        EXPECT_EQ(p.dialog.DoModal(), c.ended);
        EXPECT_EQ(p.Boxes(), c.boxes);
        EXPECT_EQ(p.Dialled(), c.dialled);
    }
}

TEST(MainDialog, TheTraysQuitDoesNothingWhileABoxWaitsForItsAnswer)
{
    Program p(true, Link::Up);
    p.fake.ui.answers = {win::IDOK, win::IDYES};
    p.fake.ui.steps = {[&] {
        p.fake.ui.whileBoxOpen = [&] { p.Command(win::IDCANCEL); };
        p.Command(win::IDOK);  // Enter: the dial parameters' box
    }};
    EXPECT_EQ(p.dialog.DoModal(), -1) << "not ended beneath the box";
    EXPECT_EQ(p.fake.ui.boxes.size(), 1u);
    EXPECT_EQ(p.Dialled(), std::vector<std::string>{"-d"}) << "one dial, no hang-up";
}

// On a system that reports 6.2 a drop is dialled again. The disk stays full for two passes: the
// user is told once, the dialog is shown once, and the re-dial is tried at each pass until it
// works; the next link's drop is told again; the user's own dial takes a pending re-dial's place.
TEST(MainDialog, ARedialThatFailsOnThePhoneBookIsToldOnceAndTriedAgainUntilItWorks)
{
    Program p(true, Link::Up);
    p.fake.system.minor = 2;
    p.Create();
    p.Pass();
    const auto drop = [&](std::vector<int> failingWrites) {
        p.SetLink(Link::Down);
        p.fake.files.Put(kPath, std::string(kEntry) + "IpInterfaceMetric=0\r\n");
        for (const int time : failingWrites)
            p.fake.files.Fail(Step::Write, ".tmp", time, 112);
        p.WorkingPass();
    };
    p.fake.ui.Window(p.Hwnd()).visible = false;
    drop({1, 2});
    EXPECT_EQ(p.Boxes(), std::vector<std::string>{"#61869"});
    EXPECT_EQ(p.Label(IDC_CONNECT), "#109") << "the label of before";
    EXPECT_TRUE(p.fake.ui.Window(p.Hwnd()).visible);
    p.fake.ui.events.clear();
    p.WorkingPass();
    EXPECT_EQ(p.Boxes().size(), 1u) << "told once for this drop";
    EXPECT_EQ(std::count(p.fake.ui.events.begin(), p.fake.ui.events.end(), "show"), 0) << "not shown again";
    EXPECT_EQ(p.Dialled(), std::vector<std::string>{});
    p.WorkingPass();
    EXPECT_EQ(p.Dialled(), std::vector<std::string>{"-d"}) << "tried again until it works";
    EXPECT_EQ(p.Label(IDC_CONNECT), "#108");
    p.SetLink(Link::Up);
    p.WorkingPass();
    drop({1});
    EXPECT_EQ(p.Boxes().size(), 2u) << "the next link's drop is told again";
    p.Command(IDC_CONNECT);
    p.WorkingPass();
    EXPECT_EQ(p.Dialled(), (std::vector<std::string>{"-d", "-d"})) << "the user's dial, and no re-dial beside it";
    p.SetLink(Link::Up);
    p.WorkingPass();
    p.fake.adapters.coming = {{{u"Tolvex Cell VPN", 6}}, {{u"Tolvex Cell VPN", 23}}};
    p.WorkingPass();
    EXPECT_EQ(p.Dialled().size(), 2u) << "back up before the re-dial looked: a re-dial never hangs up";
}

// On a system that reports 6.2: the user's Disconnect is not dialled again when its link goes, a
// later link's drop is; a dial by Enter ends a remembered hang-up.
TEST(MainDialog, TheUsersHangUpIsNotDialledAgainUntilItIsSeenOrADialEndsIt)
{
    Program p(true, Link::Up);
    p.fake.system.minor = 2;
    p.Create();
    const auto see = [&](Link link) { p.SetLink(link), p.WorkingPass(); };
    p.Pass();
    p.Command(IDC_CONNECT);
    see(Link::Down);
    EXPECT_EQ(p.Dialled(), std::vector<std::string>{"-h"}) << "the user's own hang-up";
    see(Link::Up);
    see(Link::Down);
    EXPECT_EQ(p.Dialled(), (std::vector<std::string>{"-h", "-d"})) << "a drop of the next link";
    see(Link::Up);
    p.Command(IDC_CONNECT);
    p.Command(win::IDOK);
    see(Link::Up);
    see(Link::Down);
    EXPECT_EQ(p.Dialled(), (std::vector<std::string>{"-h", "-d", "-h", "-d", "-d"})) << "dialled again after Enter's dial";
}

// A script's command, as the running dialog answers it: the exit code, the dialer's start, a box
// only after the answer (never inside the script's wait); the acting ones refused while a box
// of the program is open, the status answered all the same.
TEST(MainDialog, AScriptsCommandIsAnsweredWithItsExitCodeAndItsBoxComesAfter)
{
    using Exit = ScriptExit;
    const struct {
        bool entry;
        Link link;
        ScriptCommand command;
        Exit answer;
        std::vector<std::string> dialled = {};
        bool fullDisk = false;
        bool underABox = false;  // sent while Quit's question is open
    } cases[] = {
        {false, Link::Up, ScriptCommand::Status, Exit::NotSetUp},
        {true, Link::Down, ScriptCommand::Status, Exit::NotConnected},
        {true, Link::Up, ScriptCommand::Status, Exit::Done, {}, false, true},
        {true, Link::Unreadable, ScriptCommand::Status, Exit::Unreadable},
        {true, Link::Down, ScriptCommand::Connect, Exit::Done, {"-d"}},
        {true, Link::Up, ScriptCommand::Connect, Exit::Done},
        {true, Link::Unreadable, ScriptCommand::Connect, Exit::Done, {"-d"}},
        {true, Link::Down, ScriptCommand::Connect, Exit::PhoneBookFailed, {}, true},
        {false, Link::Down, ScriptCommand::Connect, Exit::NotSetUp},
        {true, Link::Up, ScriptCommand::Connect, Exit::Busy, {}, false, true},
        {true, Link::Up, ScriptCommand::Disconnect, Exit::Done, {"-h"}, true},
        {true, Link::Down, ScriptCommand::Disconnect, Exit::Done},
        {true, Link::Unreadable, ScriptCommand::Disconnect, Exit::Unreadable},
        {true, Link::Up, ScriptCommand::Quit, Exit::Busy, {}, false, true},
    };
    for (const auto& c : cases) {
        Program p(c.entry, c.link);
        p.fake.files.Put(kPath, std::string(c.entry ? kEntry : "") + "IpInterfaceMetric=0\r\n");
        if (c.fullDisk)
            p.fake.files.Fail(Step::Write, ".tmp", 1, 112);
        p.Create();
        std::optional<Exit> answer;
        const auto send = [&] { answer = p.Script(c.command); };
        p.fake.ui.answers = {win::IDNO};
        p.fake.ui.whileBoxOpen = [&] {
            if (c.underABox)
                send();
            else
                EXPECT_TRUE(p.fake.ui.reply && ScriptExitOf(*p.fake.ui.reply) == c.answer) << "a box inside the script's wait";
        };
        if (c.underABox)
            p.Command(win::IDCANCEL);
        else
            send();
        EXPECT_EQ(answer, c.answer) << int(c.command) << " " << int(c.link);
        EXPECT_EQ(p.Dialled(), c.dialled) << int(c.command) << " " << int(c.link);
        EXPECT_EQ(p.Boxes().size(), c.fullDisk || c.underABox ? 1u : 0u);
    }

    // /quit: the answer first, then the repair's word and the hang-up, then the end.
    Program p(true, Link::Up);
    p.fake.ui.steps = {[&] {
        p.fake.registry.SetDword(kPolicyAgentKey, kEncapsulation, 0);
        p.fake.ui.whileBoxOpen = [&] { EXPECT_TRUE(p.fake.ui.reply) << "a box inside the script's wait"; };
        p.Script(ScriptCommand::Quit);
    }};
    EXPECT_EQ(p.dialog.DoModal(), win::IDCANCEL);
    EXPECT_EQ(p.Boxes(), std::vector<std::string>{"0"}) << "no question";
    EXPECT_EQ(p.Dialled(), std::vector<std::string>{"-h"});

    // A script's hang-up on a system that reports 6.2: its drop neither dialled again nor shown.
    Program q(true, Link::Up);
    q.fake.system.minor = 2;
    q.Create();
    q.Pass();
    q.Script(ScriptCommand::Disconnect);
    q.fake.ui.Window(q.Hwnd()).visible = false;
    q.SetLink(Link::Down);
    q.WorkingPass();
    EXPECT_EQ(q.Dialled(), std::vector<std::string>{"-h"});
    EXPECT_FALSE(q.fake.ui.Window(q.Hwnd()).visible);
}

// What support reads, each event written where it is decided: the start, the link and its
// adapters, a rewrite skipped and one failed, a hang-up and a re-dial, a dial, a refused repair;
// shown beside the dialog as it stood when opened, and copied whole.
TEST(MainDialog, TheDiagnosticsRecordWhatTheProgramDecidedAndCopyIt)
{
    Program p(true, Link::Up);
    p.fake.system.minor = 2;
    p.fake.ui.templates[IDD_DIAGNOSTICS] = {IDC_RECORD, IDC_COPY, win::IDCANCEL};
    p.fake.ui.captions[IDD_DIAGNOSTICS] = u"Diagnostics";
    p.fake.files.Put(kPath, std::string(kEntry) + "IpInterfaceMetric=0\r\n");
    p.fake.files.nodes[kPath].readOnly = true;
    p.fake.ui.steps = {[&] {
        p.Pass();
        p.Command(IDC_CONNECT);
        p.SetLink(Link::Down);
        p.WorkingPass();
        p.SetLink(Link::Up);
        p.WorkingPass();
        p.fake.files.nodes[kPath].readOnly = false;
        p.fake.files.Fail(Step::Write, ".tmp", 1, 112);
        p.SetLink(Link::Down);
        p.WorkingPass();
        p.WorkingPass();
        p.fake.registry.SetDword(kPolicyAgentKey, kEncapsulation, 0);
        p.fake.registry.KeyAt(kPolicyAgentKey).refuseWrite = true;
        p.SetLink(Link::Up);
        p.fake.ui.answers = {win::IDOK, win::IDNO};
        p.Command(win::IDCANCEL);
        p.fake.ui.Deliver(p.Hwnd(), win::WM_SYSCOMMAND, CTolvexDesktopWinDlg::IDM_DIAGNOSTICS);
        p.fake.ui.Deliver(p.Hwnd(), win::WM_SYSCOMMAND, CTolvexDesktopWinDlg::IDM_DIAGNOSTICS);
        EXPECT_TRUE(p.fake.ui.handled) << "never the system's own";
        EXPECT_EQ(p.fake.ui.events.back(), "foreground Diagnostics") << "opened once, brought forward the second time";
        const WindowHandle shown = p.fake.ui.lastCreated;
        const std::string text = Narrow(p.fake.ui.Window(p.fake.ui.Control(shown, IDC_RECORD)).text.view());
        std::size_t at = 0;
        for (const std::string& event : std::vector<std::string>{
                 "Tolvex Cell VPN Manager 1.0.0.8\r\n2026-12-07 09:05:03 start: version 1.0.0.8, Windows 6.2 as told, interface language 1041, as administrator",
                 "registry check: the IPsec values are in place",
                 "link: up; point-to-point adapters: \"Tolvex Cell VPN\" (type 23)",
                 "metric rewrite: skipped, the phonebook not taken, error 5",
                 "hang-up remembered: never dialled again",
                 "dialer -h started: " + std::string(kPath),
                 "link: down; point-to-point adapters: none",
                 "re-dial: none, the user hung up",
                 "re-dial: the link dropped, dialled again",
                 "metric rewrite: failed, error 112",
                 "re-dial: stopped by the phonebook, tried again at each pass",
                 "metric rewrite: rewritten",
                 "dialer -d started: ",
                 "registry repair: SYSTEM\\CurrentControlSet\\services\\PolicyAgent refused, error 5",
             }) {
            at = text.find(event, at);
            EXPECT_NE(at, std::string::npos) << event << " in\n" << text;
        }
        p.fake.ui.Deliver(shown, win::WM_COMMAND, IDC_COPY);
        EXPECT_EQ(Narrow(p.fake.ui.clipboard.view()), text);
        p.fake.ui.Deliver(shown, win::WM_COMMAND, win::IDCANCEL);
        EXPECT_EQ(p.fake.ui.Window(shown).sink, nullptr) << "closed";
        p.fake.ui.Deliver(p.Hwnd(), win::WM_SYSCOMMAND, CTolvexDesktopWinDlg::IDM_DIAGNOSTICS);
        EXPECT_NE(p.fake.ui.lastCreated, shown) << "made anew once closed";
    }};
    p.dialog.DoModal();
}

// Windows ending the session, or an installer closing the program: no question, the link left.
TEST(MainDialog, TheEndOfTheSessionEndsItWithoutAQuestion)
{
    Program p(true, Link::Up);
    bool carriedOn = false;  // after a session that did not end after all
    p.fake.ui.steps = {[&] {
        EXPECT_EQ(p.fake.ui.Deliver(p.Hwnd(), win::WM_QUERYENDSESSION), 1);
        p.fake.ui.Deliver(p.Hwnd(), win::WM_ENDSESSION, 0);
    }, [&] {
        carriedOn = true;
        p.fake.ui.Deliver(p.Hwnd(), win::WM_ENDSESSION, 1);
    }};
    EXPECT_EQ(p.dialog.DoModal(), win::IDCANCEL);
    EXPECT_TRUE(carriedOn);
    EXPECT_TRUE(p.fake.ui.boxes.empty());
    EXPECT_TRUE(p.fake.shell.programs.empty());
}

TEST(MainDialog, StartsWithItsMenuStylesAndIconAndEndsWithTheIconLast)
{
    for (const char16_t* about : {u"", u"&About..."}) {
        Program p;
        p.fake.resources.strings[IDS_ABOUTBOX] = about;
        p.Create();
        std::vector<std::string> expected{"menu 61472 #112"};
        if (*about)
            expected.insert(expected.end(), {"menu separator", "menu 16 &About..."});
        EXPECT_EQ(std::vector<std::string>(p.fake.ui.events.begin(), p.fake.ui.events.begin() + expected.size()), expected)
            << "no About without its text";
    }
    Program p(false);
    p.fake.files.Put(kPath, "[Other]\nIpInterfaceMetric=0\n");
    p.Create();
    const auto& events = p.fake.ui.events;
    EXPECT_EQ(p.fake.ui.Window(p.Hwnd()).exStyle, win::WS_EX_LAYERED);
    EXPECT_EQ(std::count(events.begin(), events.end(), "opacity 255"), 1) << "layered first, then opaque";
    EXPECT_EQ(p.fake.ui.focus, p.fake.ui.Control(p.Hwnd(), IDC_SETTINGS)) << "the first control has the focus";
    ASSERT_EQ(p.fake.ui.notifications.size(), 1u);
    EXPECT_EQ(p.fake.ui.notifications[0].first, win::NIM_ADD);
    EXPECT_EQ(p.fake.ui.notifications[0].second.uCallbackMessage, CTolvexDesktopWinDlg::WM_TRAYICON);
    EXPECT_EQ(p.Tip(), "Tolvex VPN Manager");

    p.Command(IDC_CONNECT);
    EXPECT_EQ(p.fake.files.Bytes(kPath), "[Other]\r\nIpInterfaceMetric=1\r\n") << "Connect rewrites, entry or not";

    const unsigned taskbarCreated = p.fake.ui.registered.at("TaskbarCreated");
    EXPECT_EQ(p.fake.ui.allowedMessages,
              (std::set<unsigned>{taskbarCreated, p.fake.ui.registered.at(Narrow(CTolvexDesktopWinDlg::kIdentifyMessage))}))
        << "a new taskbar and a second start heard also when running elevated";
    const std::size_t notified = p.fake.ui.notifications.size();
    p.fake.ui.Deliver(p.Hwnd(), taskbarCreated);
    ASSERT_EQ(p.fake.ui.notifications.size(), notified + 1);
    EXPECT_EQ(p.fake.ui.notifications.back().first, win::NIM_ADD) << "added again to a new taskbar";
    p.fake.ui.DestroyWindow(p.Hwnd());
    EXPECT_EQ(events.end()[-2], "default processing 2") << "the window's own clean-up first";
    EXPECT_EQ(events.back(), "icon 2") << "the icon goes last";

    const std::u16string longTip(300, u'x');
    CTrayIcon(p.fake.ui, nullptr).SetTip(longTip.c_str());
    EXPECT_EQ(std::u16string(p.fake.ui.notifications.back().second.szTip), longTip.substr(0, 127)) << "copied with a bound";
}

// Every minimise request hides, whatever the low bits; the icon's buttons open the menu on the
// press; Show, the private request and the T button, each in its order; the icon painted centred
// while minimised.
TEST(MainDialog, TheSystemMenuTheTrayAndThePrivateRequestShowAndHide)
{
    Program p;
    p.Create();
    const struct {
        unsigned message;
        std::uintptr_t wParam;
        std::intptr_t lParam;
        std::vector<std::string> events;
    } cases[] = {
        {win::WM_SYSCOMMAND, 0xF02F, 0, {"hide"}},
        {win::WM_COMMAND, ID_POPUP_SHOW, 0, {"focus", "show"}},
        {win::WM_COMMAND, IDC_HIDE, 0, {"hide"}},
        {CTolvexDesktopWinDlg::WM_ACTIVATE_REQUEST, 0, 0, {"show", "foreground ", "focus"}},
        {CTolvexDesktopWinDlg::WM_TRAYICON, 0, win::WM_LBUTTONDOWN, {"foreground ", "popup menu"}},
        {CTolvexDesktopWinDlg::WM_TRAYICON, 0, win::WM_RBUTTONDOWN, {"foreground ", "popup menu"}},
        {CTolvexDesktopWinDlg::WM_TRAYICON, 0, win::WM_LBUTTONDBLCLK, {}},
        {CTolvexDesktopWinDlg::WM_TRAYICON, 0, 0x0202, {}},  // the button's release
    };
    for (const auto& c : cases) {
        p.fake.ui.events.clear();
        p.fake.ui.Deliver(p.Hwnd(), c.message, c.wParam, c.lParam);
        EXPECT_EQ(p.fake.ui.events, c.events) << c.message << " " << c.wParam << " " << c.lParam;
    }
    Message woken;
    ASSERT_TRUE(p.fake.ui.PeekMessage(woken)) << "a double click wakes the loop";
    EXPECT_EQ(woken.message, win::WM_NULL);

    const auto handled = [&](unsigned message, std::uintptr_t wParam) {
        p.fake.ui.Deliver(p.Hwnd(), message, wParam);
        return p.fake.ui.handled;
    };
    EXPECT_TRUE(handled(win::WM_SYSCOMMAND, 0xF022)) << "hidden, never minimised";
    EXPECT_FALSE(handled(win::WM_SYSCOMMAND, 0xF060)) << "close: the system's own";
    EXPECT_FALSE(handled(win::WM_PAINT, 0)) << "the dialog paints itself";
    p.fake.ui.Window(p.Hwnd()).iconic = true;
    // Centred, the odd pixel to the right and below.
    for (const auto& [client, drawn] : {std::pair{Rect{0, 0, 101, 50}, "icon drawn at 35,9"}, {Rect{0, 0, 100, 51}, "icon drawn at 34,10"}}) {
        p.fake.ui.clientRect = client;
        p.fake.ui.events.clear();
        EXPECT_TRUE(handled(win::WM_PAINT, 0));
        EXPECT_EQ(p.fake.ui.events, (std::vector<std::string>{drawn, "end paint"}));
    }

    p.fake.ui.templates[IDD_ABOUTBOX] = {win::IDOK};
    p.fake.ui.steps = {[&] { p.fake.ui.Post({p.fake.ui.lastCreated, win::WM_COMMAND, win::IDOK, 0, {}}); }};
    EXPECT_TRUE(handled(win::WM_SYSCOMMAND, CTolvexDesktopWinDlg::IDM_ABOUTBOX));
    EXPECT_FALSE(p.fake.ui.Window(p.fake.ui.lastCreated).sink) << "the About box came and went";
    EXPECT_TRUE(p.fake.ui.Window(p.Hwnd()).enabled);
}

// The check only reads; on the older systems the dialog then fixes the binding order.
TEST(MainDialog, TheBindingOrderIsFixedOnTheOlderSystemsOnlyAndTheCheckStillTells)
{
    for (const std::uint32_t major : {5u, 6u}) {
        Program p;
        p.fake.system.major = major;
        p.fake.registry.Remove(major < 6 ? kIpsecKey : kPolicyAgentKey, kEncapsulation);
        const std::u16string bind(u"X\0\\Device\\NdisWanIp\0\0", 21);
        p.fake.registry.Set("SYSTEM\\CurrentControlSet\\Services\\Tcpip\\Linkage", "Bind", win::REG_MULTI_SZ,
                            std::string(reinterpret_cast<const char*>(bind.data()), bind.size() * 2));
        p.fake.ui.whileBoxOpen = [&] { EXPECT_TRUE(p.fake.shell.starts.empty()) << "told before the tool starts"; };
        p.Create();
        EXPECT_EQ(p.fake.registry.writes, major < 6 ? 1 : 0) << major;
        EXPECT_EQ(p.Boxes(), std::vector<std::string>{"#110"});
        EXPECT_EQ(p.fake.shell.starts.size(), 1u) << "the registry tool";
    }
}

}  // namespace
