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
        int state;
    } cases[] = {
        {5, {u"Office VPN", kPpp}, kLinkUp},
        {5, {u"Tolvex Cell VPN", kEthernet}, kLinkDown},
        {6, {u"Tolvex Cell VPN", kPpp}, kLinkUp},
        {10, {u"TOLVEX CELL VPN", kPpp}, kLinkUp},
        {6, {u"My tOlVeX link", kPpp}, kLinkUp},
        {6, {u"tolvex", kPpp}, kLinkUp},
        {6, {u"Office VPN", kPpp}, kLinkDown},
        {6, {u"Tolvex Cell VPN", kEthernet}, kLinkDown},
        {6, {u"\uFF34\uFF2F\uFF2C\uFF36\uFF25\uFF38", kPpp}, kLinkDown},  // full-width letters are not folded
    };
    for (const auto& c : cases) {
        FakeAdapters adapters;
        adapters.adapters = {{u"Ethernet", kEthernet}, c.adapter};
        EXPECT_EQ(GetConnectionState(c.major, adapters), c.state) << Narrow(c.adapter.name) << " on " << c.major;
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
        int state;
    } cases[] = {
        {4096, {}, {}, kLinkDown},
        {4097, {}, {}, kLinkDown},
        {{}, 0, {}, kSizingFailed},       // success instead of "buffer too small"
        {{}, 232, {}, kSizingFailed},     // no adapter at all
        {0xFFFFFFFF, {}, {}, kAllocationFailed},
        {{}, {}, 111, kFillingFailed},    // the list grew past the spare room
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

TEST(DialerTool, StartsTheSystemDirectorysToolAndNothingUnsafe)
{
    FakePlatform fake;
    RunDialerTool(fake.platform, DialerAction::Edit, u"C:\\a b\\p.pbk", u"Tolvex Cell VPN");
    ASSERT_EQ(fake.shell.starts.size(), 1u);
    EXPECT_EQ(fake.shell.starts[0].file, "C:\\Windows\\system32\\rasphone.exe");
    EXPECT_EQ(fake.shell.starts[0].parameters, "-f \"C:\\a b\\p.pbk\" -e \"Tolvex Cell VPN\"");

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
    };
    for (const auto& r : refused) {
        FakePlatform fake;
        fake.system.systemDirectory = r.systemDirectory;
        RunDialerTool(fake.platform, DialerAction::Dial, r.path, u"Tolvex Cell VPN");
        EXPECT_TRUE(fake.shell.starts.empty()) << Narrow(r.path.view());
    }
}

// What the refresh sees at each working pass, and what it must show and do.
struct Pass {
    int state;
    std::uint32_t minor;     // the version reported now: 6.<minor>
    bool showDialog;
    bool dialAgain;
    int ticksBefore = 0;     // timer ticks since the pass before
    bool userHangUp = false; // the user pressed Disconnect after this pass
};

void Watch(const std::vector<Pass>& passes, const char* story)
{
    CLinkWatch watch;
    for (std::size_t i = 0; i < passes.size(); ++i) {
        const Pass& pass = passes[i];
        for (int tick = 0; tick < pass.ticksBefore; ++tick)
            watch.OnTick();
        ASSERT_TRUE(watch.IsWorkingPass());
        const LinkView view = watch.SeeLink(pass.state, {6, pass.minor});
        EXPECT_EQ(view.showDialog, pass.showDialog) << story << ", pass " << i;
        EXPECT_EQ(view.dialAgain, pass.dialAgain) << story << ", pass " << i;
        watch.OnPassDone();
        if (pass.userHangUp)
            watch.OnUserHangUp();
        EXPECT_FALSE(watch.IsWorkingPass()) << "every second pass only looks";
    }
}

TEST(LinkWatch, ADropShowsTheDialogAndIsDialledAgainOnlyWhereTheSystemReports62)
{
    Watch({{kLinkUp, 2, false, false}, {kLinkDown, 2, true, true}, {kLinkDown, 2, false, false}}, "6.2 drop, dialled once");
    Watch({{kLinkUp, 1, false, false}, {kLinkDown, 1, true, false}}, "6.1 drop, only shown");
    Watch({{kLinkUp, 2, false, false}, {-3, 2, false, false}, {kLinkDown, 2, true, true}}, "an error in between");
    Watch({{kLinkDown, 2, false, false}, {kLinkDown, 2, false, false}}, "never up");
}

TEST(LinkWatch, TheUsersOwnHangUpIsNotDialledAgainForAboutAMinute)
{
    Watch({{kLinkUp, 2, false, false, 0, true}, {kLinkDown, 2, true, false}}, "gone at the next pass");
    Watch({{kLinkUp, 2, false, false, 0, true}, {kLinkUp, 2, false, false, 2}, {kLinkUp, 2, false, false, 2},
           {kLinkDown, 2, true, false, 2}},
          "still up for a while");
    Watch({{kLinkUp, 2, false, false, 0, true}, {kLinkUp, 2, false, false, 61}, {kLinkDown, 2, true, true}},
          "still up after a minute: the hang-up did not happen");
    Watch({{kLinkUp, 2, false, false, 0, true}, {kLinkDown, 2, true, false}, {kLinkUp, 2, false, false},
           {kLinkDown, 2, true, true}},
          "a later drop of a new link");
}

TEST(LinkWatch, ARedialThatFailedOnThePhoneBookIsTriedAgainWithoutShowingAgain)
{
    CLinkWatch watch;
    watch.IsWorkingPass();
    watch.SeeLink(kLinkUp, {6, 2});
    watch.OnPassDone();
    for (const bool shown : {true, false}) {
        watch.IsWorkingPass();
        watch.IsWorkingPass();
        const LinkView view = watch.SeeLink(kLinkDown, {6, 2});
        EXPECT_EQ(view.showDialog, shown);
        EXPECT_TRUE(view.dialAgain);
        // The re-dial raised a file error: the pass ended before OnPassDone.
    }
}

}  // namespace
