// The machine's IPsec values: how they are read, when they count as in place, the repair at Quit,
// the WAN binding order of the older systems, and the start of the registry tool.
#include <gtest/gtest.h>

#include "fakes/FakePlatform.h"
#include "platform/Constants.h"
#include "sysconfig/BindingOrder.h"
#include "sysconfig/NatTraversal.h"
#include "sysconfig/RegistryTool.h"

namespace {

using namespace std::string_literals;
constexpr const char* kLinkageKey = "SYSTEM\\CurrentControlSet\\Services\\Tcpip\\Linkage";
const std::u16string kWan = u"\\Device\\NdisWanIp"s;

std::string BindList(std::u16string_view list)
{
    return std::string(reinterpret_cast<const char*>(list.data()), list.size() * 2);
}


TEST(NatTraversal, AValueReadsAsItsFirstFourBytesWhateverItsType)
{
    const struct {
        std::uint32_t type;
        std::string bytes;
        std::optional<std::uint32_t> read;
    } cases[] = {
        {win::REG_DWORD, std::string("\x02\0\0\0", 4), 2},
        {3 /* REG_BINARY */, std::string("\x02\0\0\0", 4), 2},
        {1 /* REG_SZ */, std::string("2\0\0\0", 4), 50},
        {win::REG_DWORD, std::string("\x02", 1), 2},  // shorter: the rest reads as zeros
        {win::REG_DWORD, std::string("\x01\x02\x03\x84", 4), 0x84030201},
        {win::REG_DWORD, std::string("\xFF\xFF\xFF\xFF", 4), 0xFFFFFFFF},  // a number, not a failure
        {win::REG_DWORD, std::string(5, '\0'), std::nullopt},
    };
    for (const auto& c : cases) {
        FakeRegistry registry;
        registry.Set(kPolicyAgentKey, kEncapsulation, c.type, c.bytes);
        EXPECT_EQ(ReadMachineDword(registry, Wide(kPolicyAgentKey), Wide(kEncapsulation)), c.read) << c.bytes.size();
        EXPECT_EQ(registry.openKeys, 0);
    }
    FakeRegistry empty;
    EXPECT_EQ(ReadMachineDword(empty, Wide(kPolicyAgentKey), Wide(kEncapsulation)), std::nullopt);
}

TEST(NatTraversal, TheRepairWritesTwoForAnAdministratorOrSaysWhyNot)
{
    const struct {
        std::uint32_t major;
        std::uint32_t rule;
        bool admin;
        bool refused;
        NatRepair outcome;
    } cases[] = {
        {6, 2, false, false, NatRepair::InPlace},
        {6, 0, false, false, NatRepair::NeedsAdministrator},
        {6, 1, true, false, NatRepair::Attempted},
        {6, 1, true, true, NatRepair::KeyRefused},
        {5, 0, false, false, NatRepair::Attempted},  // any user may try on the older systems
        {5, 0, false, true, NatRepair::KeyRefused},
    };
    for (const auto& c : cases) {
        FakePlatform fake;
        fake.system.major = c.major;
        fake.system.admin = c.admin;
        const char* key = c.major < 6 ? kIpsecKey : kPolicyAgentKey;
        fake.registry.SetDword(key, kEncapsulation, c.rule);
        fake.registry.KeyAt(key).refuseWrite = c.refused;
        EXPECT_EQ(RepairNatTraversal(fake.registry, fake.system, fake.log), c.outcome) << c.major << " rule " << c.rule;
        const bool written = c.outcome == NatRepair::Attempted;
        EXPECT_EQ(fake.registry.Get(key, kEncapsulation)->at(0), written ? 2 : static_cast<char>(c.rule));
    }
}

// A value read into text and text written back, each within its own characters (a buffer of
// exactly the value's size: a read past its end is caught by the address sanitizer).
TEST(BindingOrder, TheListAndItsTextCarryEveryItemClosed)
{
    const struct {
        std::u16string value, text;
    } read[] = {
        {u"X\0Y\0\0"s, u"X\nY\n"}, {u"X\0Y"s, u"X\nY\n"}, {u"X\0"s, u"X\n"}, {u"\0\0"s, u"\n"}, {u""s, u""}, {u"X\0\0Z"s, u"X\n"},
    };
    for (const auto& r : read) {
        const std::vector<char16_t> exact(r.value.begin(), r.value.end());
        EXPECT_EQ(BindListToText(exact.data(), exact.size()).str(), r.text) << Narrow(r.value);
    }
    for (const auto& [text, list] : std::vector<std::pair<std::u16string, std::u16string>>{
             {u"X\nY\n", u"X\0Y\0\0"s}, {u"X\nY", u"X\0Y\0\0"s}, {u"", u"\0"s}, {u"\n", u"\0\0"s}})
        EXPECT_EQ(TextToBindList(text), list) << Narrow(text);
}

// The fuzz target holds the move itself to its rules; here, what reaches the registry.
TEST(BindingOrder, TheWanAdapterIsMovedFirstAsOneWholeItem)
{
    CEventLog log{[] { return LocalTime{}; }};
    const std::u16string& wan = kWan;
    const struct {
        std::u16string value;
        std::optional<std::u16string> written;  // none: nothing written
    } cases[] = {
        {u"X\0"s + wan + u"\0Y\0\0"s, wan + u"\0X\0Y\0\0"s},
        {u"X\0"s + wan, wan + u"\0X\0\0"s},                          // no final NUL: still one WAN item
        {wan + u"\0X\0"s + wan + u"\0\0"s, {}},
        {u"X\0\\device\\ndiswanip\0\0"s, {}},
        {u"X\0Y\0\0"s, {}},
        {u"X\0"s + wan + u"v6\0\0"s, {}},                             // another adapter of a longer name
        {wan + u"v6\0X\0"s + wan + u"\0\0"s, wan + u"\0"s + wan + u"v6\0X\0\0"s},
    };
    for (const auto& c : cases) {
        FakeRegistry registry;
        registry.Set(kLinkageKey, "Bind", win::REG_MULTI_SZ, BindList(c.value));
        FixWanBindingOrder(registry, log);
        EXPECT_EQ(registry.writes, c.written ? 1 : 0) << Narrow(c.value);
        EXPECT_EQ(registry.Get(kLinkageKey, "Bind"), BindList(c.written.value_or(c.value))) << Narrow(c.value);
    }
    // Read into 32 KiB: a list that fills it is put in order, a larger one is left alone.
    const std::u16string full = std::u16string(16364, u'X') + u"\0"s + wan + u"\0\0"s;
    for (const std::size_t extra : {0, 1, 2}) {
        FakeRegistry registry;
        registry.Set(kLinkageKey, "Bind", win::REG_MULTI_SZ, BindList(full) + std::string(extra, '\0'));
        FixWanBindingOrder(registry, log);
        EXPECT_EQ(registry.writes, extra == 0 ? 1 : 0) << 32768 + extra << " bytes";
    }
    FakeRegistry refused;
    refused.Set(kLinkageKey, "Bind", win::REG_MULTI_SZ, BindList(cases[0].value));
    refused.KeyAt(kLinkageKey).refuseWrite = true;
    FixWanBindingOrder(refused, log);
    EXPECT_EQ(refused.writes, 0);
    EXPECT_EQ(refused.openKeys, 0);
}

TEST(RegistryTool, StartsFromTheProgramsFolderHiddenAndElevatedOnNewerSystems)
{
    for (const std::uint32_t major : {5u, 6u, 10u}) {
        FakePlatform fake;
        fake.system.major = major;
        LaunchRegistryTool(fake.platform, fake.log);
        ASSERT_EQ(fake.shell.starts.size(), 1u);
        EXPECT_EQ(fake.shell.starts[0].verb, major >= 6 ? "runas" : "");
        EXPECT_EQ(fake.shell.starts[0].file, "C:\\Program Files\\Tolvex\\Tolvex Regset.exe");
        EXPECT_EQ(fake.shell.starts[0].parameters, "");
        EXPECT_EQ(fake.shell.starts[0].directory, std::nullopt);
        EXPECT_EQ(fake.shell.starts[0].show, win::SW_HIDE);
    }
}

}  // namespace
