// The registry tool: what it writes, what it says and how it ends, for each system and state; the
// values it finds missing are those the program's start-up check does.
#include <gtest/gtest.h>

#include "base/ResourceIds.h"
#include "fakes/FakePlatform.h"
#include "platform/Constants.h"
#include "regset/RegsetTool.h"

namespace {

TEST(Regset, PutsInPlaceExactlyWhatTheProgramsCheckLooksFor)
{
    const struct {
        std::uint32_t major;
        std::optional<std::uint32_t> rule;  // under the key of the system's layout
        std::optional<std::string> tunnelMtu;
        bool admin;
        bool quiet;
        int exitCode;                       // 0 done, 2 not an administrator, 3 a write failed
        std::string box;                    // the one box shown, its text's start
        std::uint32_t ruleAfter;
        std::optional<std::uint32_t> mtuAfter;
    } cases[] = {
        {6, 0, {}, true, false, 0, "#161", 2, 1400},
        {6, 2, std::string("\x14\x05\0\0", 4), true, false, 0, "#160", 2, 1300},
        {6, 2, std::string("\0\0\0\0", 4), true, false, 0, "#160", 2, 0},  // any number will do
        {6, 2, std::string("\xFF\xFF\xFF\xFF", 4), false, false, 0, "#160", 2, 0xFFFF},
        {6, {}, std::string("\x14\x05\0\0", 4), true, false, 0, "#161", 2, 1300},  // a kept value
        {6, 2, std::string(8, '\0'), true, true, 0, "", 2, 1400},  // one the check would not accept
        {6, 0, {}, false, false, 2, "#162", 0, {}},
        {6, 0, {}, false, true, 2, "", 0, {}},
        {5, 1, {}, true, false, 0, "#161", 2, {}},  // the older layout has no tunnel value
        {5, 2, {}, false, false, 0, "#160", 2, {}},
    };
    for (const auto& c : cases) {
        FakePlatform fake;
        fake.system.major = c.major;
        fake.system.admin = c.admin;
        const char* ruleKey = c.major < 6 ? kIpsecKey : kPolicyAgentKey;
        fake.registry.Remove(ruleKey, kEncapsulation);
        if (c.rule)
            fake.registry.SetDword(ruleKey, kEncapsulation, *c.rule);
        fake.registry.Remove(kNdisWanKey, "TunnelMTU");
        if (c.tunnelMtu)
            fake.registry.Set(kNdisWanKey, "TunnelMTU", win::REG_DWORD, *c.tunnelMtu);
        fake.ui.answers = {win::IDNO};

        EXPECT_EQ(CRegsetTool(fake.platform).Run(c.quiet), c.exitCode);
        ASSERT_EQ(fake.ui.boxes.size(), c.box.empty() ? 0u : 1u) << c.box;
        if (!c.box.empty()) {
            EXPECT_EQ(fake.ui.boxes[0].text.substr(0, 4), c.box);
        }
        EXPECT_EQ(fake.registry.Get(ruleKey, kEncapsulation).value_or("?")[0], static_cast<char>(c.ruleAfter)) << c.box;
        const auto mtu = fake.registry.Get(kNdisWanKey, "TunnelMTU");
        EXPECT_EQ(mtu && mtu->size() == 4 ? std::optional<std::uint32_t>(std::uint8_t((*mtu)[0]) | std::uint8_t((*mtu)[1]) << 8) : std::nullopt,
                  c.mtuAfter) << c.box;
        EXPECT_EQ(fake.app.restarts, 0);
    }
}

TEST(Regset, TellsWhatChangedAsksToRestartAndChangesNothingTheSecondTime)
{
    FakePlatform fake;
    fake.resources.strings[IDS_REGSET_CHANGED] = u"changed:\n%s";
    fake.registry.SetDword(kPolicyAgentKey, kEncapsulation, 1);
    fake.ui.answers = {win::IDYES};
    EXPECT_EQ(CRegsetTool(fake.platform).Run(false), 0);
    ASSERT_EQ(fake.ui.boxes.size(), 1u);
    EXPECT_NE(fake.ui.boxes[0].text.find("AssumeUDPEncapsulationContextOnSendRule = 2"), std::string::npos);
    EXPECT_EQ(fake.ui.boxes[0].text.substr(fake.ui.boxes[0].text.size() - 4), "#146");
    EXPECT_EQ(fake.ui.boxes[0].type, win::MB_YESNO | win::MB_ICONQUESTION);
    EXPECT_EQ(fake.app.restarts, 1);

    const int writes = fake.registry.writes;
    EXPECT_EQ(CRegsetTool(fake.platform).Run(true), 0);
    EXPECT_EQ(fake.registry.writes, writes);
}

TEST(Regset, AFailedWriteNamesTheValueAndTheSystemsReason)
{
    FakePlatform fake;
    fake.resources.strings[IDS_REGSET_WRITE_FAILED] = u"%s: %s";
    fake.registry.Remove(kNdisWanKey, "TunnelMTU");
    fake.registry.KeyAt(kNdisWanKey).setResult = 5;
    EXPECT_EQ(CRegsetTool(fake.platform).Run(false), 3);
    ASSERT_EQ(fake.ui.boxes.size(), 1u);
    EXPECT_EQ(fake.ui.boxes[0].text, "TunnelMTU: error 5");
    EXPECT_EQ(fake.ui.boxes[0].type & win::MB_ICONMASK, win::MB_ICONSTOP);
}

TEST(Regset, TheQuietSwitch)
{
    for (const auto& [line, quiet] : std::vector<std::pair<std::u16string, bool>>{
             {u"/quiet", true}, {u"-QUIET", true}, {u"x /Quiet y", true}, {u"", false}, {u"/quieter", false}, {u"quiet", false}})
        EXPECT_EQ(HasQuietSwitch(line), quiet) << Narrow(line);
}

}  // namespace
