// The link: detection from the adapter list, the dialer's command lines, and the refresh's
// decisions pass by pass.
#include <gtest/gtest.h>

#include "connection/ConnectionState.h"
#include "connection/DialerTool.h"
#include "connection/LinkWatch.h"
#include "fakes/FakePlatform.h"

namespace {

constexpr std::uint32_t kPpp = 23;
constexpr std::uint32_t kEthernet = 6;

TEST(ConnectionState, APointToPointAdapterCountsByItsNameOnNewerSystems)
{
    const struct {
        std::uint32_t major;
        FakeAdapter adapter;
        LinkState state;
    } cases[] = {
        {5, {u"Office VPN", kPpp}, LinkState::Up},
        {5, {u"Tolvex Cell VPN", kEthernet}, LinkState::Down},
        {6, {u"Tolvex Cell VPN", kPpp}, LinkState::Up},
        {10, {u"TOLVEX CELL VPN", kPpp}, LinkState::Up},
        {6, {u"My tOlVeX link", kPpp}, LinkState::Up},
        {6, {u"tolvex", kPpp}, LinkState::Up},
        {6, {u"Office VPN", kPpp}, LinkState::Down},
        {6, {u"Tolvex Cell VPN", kEthernet}, LinkState::Down},
        {6, {u"\uFF34\uFF2F\uFF2C\uFF36\uFF25\uFF38", kPpp}, LinkState::Down},  // full-width letters are not folded
        {6, {u"[TOLVEX]", kPpp}, LinkState::Up},  // only A-Z are folded: brackets stay brackets
    };
    for (const auto& c : cases) {
        FakeAdapters adapters;
        adapters.adapters = {{u"Ethernet", kEthernet}, c.adapter};
        EXPECT_EQ(GetConnectionState(c.major, adapters), c.state) << Narrow(c.adapter.name) << " on " << c.major;
        adapters.adapters = {c.adapter, {u"Ethernet", kEthernet}};
        EXPECT_EQ(GetConnectionState(c.major, adapters), c.state) << "first in the list: " << Narrow(c.adapter.name);
    }
}

// A buffer too small for the list would fail the filling call: the rounding up shows as a link
// state.
TEST(ConnectionState, TheBufferHoldsTheWholeListAndEveryFailureHasItsCode)
{
    const struct {
        std::optional<std::uint32_t> needed;
        std::optional<unsigned long> sizing;
        std::optional<unsigned long> filling;
        LinkState state;
    } cases[] = {
        {4096, {}, {}, LinkState::Down},
        {4097, {}, {}, LinkState::Down},
        {1, {}, {}, LinkState::Down},
        {{}, 0, {}, LinkState::Unknown},       // success instead of "buffer too small"
        {{}, 232, {}, LinkState::Unknown},     // no adapter at all
        {0xFFFFFFFF, {}, {}, LinkState::Unknown},
        {{}, {}, 111, LinkState::Unknown},     // the list grew past the spare room
    };
    for (const auto& c : cases) {
        FakeAdapters adapters;
        adapters.adapters = {{u"Ethernet", kEthernet}};
        adapters.neededSize = c.needed;
        adapters.sizingResult = c.sizing;
        adapters.fillingResult = c.filling;
        EXPECT_EQ(GetConnectionState(6, adapters), c.state) << c.needed.value_or(0);
    }
}

// Started by its full path, never through the shell's file associations, which the user's own
// registry can redirect even when the program runs as administrator.
TEST(DialerTool, StartsTheSystemDirectorysToolDirectlyAndNothingUnsafe)
{
    FakePlatform fake;
    RunDialerTool(fake.platform, fake.log, DialerAction::Edit, u"C:\\a b~\\p.pbk", u"Tolvex Cell VPN");
    EXPECT_TRUE(fake.shell.starts.empty());
    ASSERT_EQ(fake.shell.programs.size(), 1u);
    EXPECT_EQ(fake.shell.programs[0].file, "C:\\Windows\\system32\\rasphone.exe");
    EXPECT_EQ(fake.shell.programs[0].parameters, "-f \"C:\\a b~\\p.pbk\" -e \"Tolvex Cell VPN\"");

    // The system directory fits a buffer of 256 characters announced as 255: 254 and a terminator.
    const WideString longest(u"C:\\" + std::u16string(251, u'w'));
    fake.system.systemDirectory = longest;
    RunDialerTool(fake.platform, fake.log, DialerAction::Dial, u"C:\\p.pbk", u"Tolvex Cell VPN");
    ASSERT_EQ(fake.shell.programs.size(), 2u);
    EXPECT_EQ(fake.shell.programs[1].file, Narrow(longest.view()) + "\\rasphone.exe");

    // Nothing starts where the tool or its phonebook argument cannot be named safely.
    const struct {
        std::optional<WideString> systemDirectory;
        WideString path;
    } refused[] = {
        {{}, u"C:\\p.pbk"},
        {WideString(u"C:\\Windows\\system32"), u""},
        {WideString(u"C:\\Windows\\system32"), u"C:\\x\" -d \"Other"},
        {WideString(u"C:\\Windows\\system32"), u"C:\\x\r\n.pbk"},
        {WideString(u"C:\\Win\"dows"), u"C:\\p.pbk"},
        {WideString(u"C:\\Windows\tsystem32"), u"C:\\p.pbk"},
        {WideString(u"C:\\Windows\\system32"), u"C:\\x\x1F.pbk"},
        {WideString(u"C:\\Windows\\system32"), u"C:\\x\x7F.pbk"},
        {WideString(u"C:\\" + std::u16string(252, u'w')), u"C:\\p.pbk"},
    };
    for (const auto& r : refused) {
        FakePlatform fake;
        fake.system.systemDirectory = r.systemDirectory;
        RunDialerTool(fake.platform, fake.log, DialerAction::Dial, r.path, u"Tolvex Cell VPN");
        EXPECT_TRUE(fake.shell.programs.empty()) << Narrow(r.path.view());
    }
}

// What the refresh sees at each working pass, and what it must show and do.
struct Pass {
    LinkState state;
    std::uint32_t minor;     // the version reported now: 6.<minor>
    bool showDialog;
    bool dialAgain;
    int ticksBefore = 0;     // timer ticks since the pass before
    int hangUp = 0;          // after this pass: 1 the user pressed Disconnect, 2 a script asked for it
    bool dialed = false;     // a dial was started after this pass
};

void Watch(const std::vector<Pass>& passes, const char* story)
{
    FakePlatform fake;
    CLinkWatch watch(fake.log);
    for (std::size_t i = 0; i < passes.size(); ++i) {
        const Pass& pass = passes[i];
        for (int tick = 0; tick < pass.ticksBefore; ++tick)
            watch.OnTick();
        ASSERT_TRUE(watch.IsWorkingPass());
        const LinkView view = watch.SeeLink(pass.state, {6, pass.minor});
        EXPECT_EQ(view.state, pass.state) << story << ", pass " << i;
        EXPECT_EQ(view.showDialog, pass.showDialog) << story << ", pass " << i;
        EXPECT_EQ(view.dialAgain, pass.dialAgain) << story << ", pass " << i;
        watch.OnPassDone();
        if (pass.hangUp != 0)
            watch.OnUserHangUp(pass.hangUp == 2);
        if (pass.dialed)
            watch.OnDial();
        EXPECT_FALSE(watch.IsWorkingPass()) << "every second pass only looks";
    }
}

TEST(LinkWatch, ADropShowsTheDialogAndIsDialledAgainOnlyWhereTheSystemReports62)
{
    Watch({{LinkState::Up, 2, false, false}, {LinkState::Down, 2, true, true}, {LinkState::Down, 2, false, false}}, "6.2 drop, dialled once");
    Watch({{LinkState::Up, 1, false, false}, {LinkState::Down, 1, true, false}}, "6.1 drop, only shown");
    Watch({{LinkState::Up, 2, false, false}, {LinkState::Unknown, 2, false, false}, {LinkState::Down, 2, true, true}}, "an error in between");
    Watch({{LinkState::Down, 2, false, false}, {LinkState::Down, 2, false, false}}, "never up");
}

TEST(LinkWatch, TheUsersOwnHangUpIsNotDialledAgainForAboutAMinute)
{
    Watch({{LinkState::Up, 2, false, false, 0, 1}, {LinkState::Down, 2, true, false}}, "gone at the next pass");
    Watch({{LinkState::Up, 2, false, false, 0, 2}, {LinkState::Down, 2, false, false}, {LinkState::Up, 2, false, false},
           {LinkState::Down, 2, true, true}},
          "a script's: its drop not even shown, the next link's as any");
    Watch({{LinkState::Up, 2, false, false, 0, 1}, {LinkState::Up, 2, false, false, 2}, {LinkState::Up, 2, false, false, 57},
           {LinkState::Down, 2, true, false, 2}},
          "still up 59 seconds later");
    Watch({{LinkState::Up, 2, false, false, 0, 1}, {LinkState::Up, 2, false, false, 60}, {LinkState::Down, 2, true, true}},
          "still up after a minute: the hang-up did not happen");
    Watch({{LinkState::Up, 2, false, false, 0, 1}, {LinkState::Down, 2, true, false}, {LinkState::Up, 2, false, false},
           {LinkState::Down, 2, true, true}},
          "a later drop of a new link");
    Watch({{LinkState::Up, 2, false, false, 0, 1, true}, {LinkState::Up, 2, false, false}, {LinkState::Down, 2, true, true}},
          "the user dialled again: the hang-up is no longer remembered");
    Watch({{LinkState::Up, 2, false, false, 0, 0, true}, {LinkState::Down, 2, true, true}}, "Enter dialled while up");
}

}  // namespace
