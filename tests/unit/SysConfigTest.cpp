// The IPsec registry values, the WAN binding order and the elevated tool's launch.
#include <gtest/gtest.h>

#include "app/TolvexDesktopWinApp.h"
#include "fakes/FakePlatform.h"
#include "platform/Constants.h"
#include "sysconfig/BindingOrder.h"
#include "sysconfig/NatTraversal.h"
#include "sysconfig/RegistryTool.h"
#include "ui/resources/resource.h"

namespace {

using namespace std::string_literals;

std::string Bytes(std::initializer_list<int> values)
{
    std::string bytes;
    for (const int v : values)
        bytes += static_cast<char>(v);
    return bytes;
}

std::string MultiSz(const std::u16string& list)
{
    return std::string(reinterpret_cast<const char*>(list.data()), list.size() * 2);
}

TEST(ReadMachineDword, ReadsTheFirstFourBytesWhateverTheType)
{
    struct Case {
        const char* name;
        std::uint32_t type;
        std::string bytes;
        std::int32_t expected;
    };
    const Case cases[] = {
        {"dword 2", win::REG_DWORD, Bytes({2, 0, 0, 0}), 2},
        {"dword 0", win::REG_DWORD, Bytes({0, 0, 0, 0}), 0},
        {"binary 02 00 00 00", win::REG_BINARY, Bytes({2, 0, 0, 0}), 2},
        {"string \"2\"", win::REG_SZ, Bytes({'2', 0, 0, 0}), 50},
        {"no bytes", win::REG_BINARY, "", 0},
        {"one byte", win::REG_BINARY, Bytes({2}), 2},
        {"three bytes", win::REG_BINARY, Bytes({1, 2, 3}), 0x030201},
        {"five bytes", win::REG_BINARY, Bytes({2, 0, 0, 0, 0}), -2},
        {"forty thousand bytes", win::REG_BINARY, std::string(40000, '\2'), -2},
        {"stored -1", win::REG_DWORD, Bytes({0xFF, 0xFF, 0xFF, 0xFF}), -1},
    };
    for (const auto& c : cases) {
        FakeRegistry registry;
        registry.Set("K", "V", c.type, c.bytes);
        EXPECT_EQ(ReadMachineDword(registry, u"k", u"v"), c.expected) << c.name;
        EXPECT_EQ(registry.openKeys, 0) << c.name;
    }
    FakeRegistry registry;
    EXPECT_EQ(ReadMachineDword(registry, u"K", u"V"), -1) << "missing key";
    registry.KeyAt("K");
    EXPECT_EQ(ReadMachineDword(registry, u"K", u"V"), -2) << "missing value";
    registry.KeyAt("K").refuseRead = true;
    registry.SetDword("K", "V", 2);
    EXPECT_EQ(ReadMachineDword(registry, u"K", u"V"), -1) << "refused";
}

TEST(SetMachineDwordToTwo, CreatesOrOpensWithFullAccessAndWritesDwordTwo)
{
    FakeRegistry registry;
    EXPECT_EQ(SetMachineDwordToTwo(registry, u"New\\Key", u"V"), 0);
    ASSERT_NE(registry.Get("New\\Key", "V"), nullptr);
    EXPECT_EQ(registry.Get("New\\Key", "V")->type, win::REG_DWORD);
    EXPECT_EQ(registry.Get("New\\Key", "V")->bytes, Bytes({2, 0, 0, 0}));
    EXPECT_EQ(registry.log.front(), "create 983103 new\\key");

    registry.refuseCreate.insert("other");
    EXPECT_EQ(SetMachineDwordToTwo(registry, u"Other", u"V"), -1);
    EXPECT_EQ(registry.openKeys, 0);
}

class NatTraversal : public ::testing::Test {
protected:
    std::vector<std::string> Boxes() const
    {
        std::vector<std::string> texts;
        for (const auto& box : fake.ui.messageBoxes)
            texts.push_back(box.text);
        return texts;
    }

    FakePlatform fake;
    CTolvexDesktopWinApp app{fake.platform};
};

TEST_F(NatTraversal, ReadinessOnTheNewerSystems)
{
    struct Case {
        const char* name;
        std::optional<std::uint32_t> value;
        std::optional<std::string> mtu;
        int ready;
    };
    const Case cases[] = {
        {"2 and an MTU", 2, Bytes({0x78, 5, 0, 0}), 1},
        {"2 and an MTU of 0", 2, Bytes({0, 0, 0, 0}), 1},
        {"2 and no MTU", 2, std::nullopt, 0},
        {"2 and an MTU reading as -2", 2, std::string(8, 'x'), 0},
        {"2 and an MTU stored as -1", 2, Bytes({0xFF, 0xFF, 0xFF, 0xFF}), 0},
        {"0 and an MTU", 0, Bytes({1, 0, 0, 0}), 0},
        {"missing and an MTU", std::nullopt, Bytes({1, 0, 0, 0}), 0},
    };
    for (const auto& c : cases) {
        FakePlatform local;
        local.registry.keys.clear();
        if (c.value)
            local.registry.SetDword(kPolicyAgentKey, kEncapsulation, *c.value);
        if (c.mtu)
            local.registry.Set(kNdisWanKey, "TunnelMTU", win::REG_DWORD, *c.mtu);
        local.system.major = 6;
        EXPECT_EQ(IsIpsecRegistryReady(local.platform), c.ready) << c.name;
        EXPECT_EQ(local.registry.Get(kPolicyAgentKey, kEncapsulation) != nullptr, c.value.has_value()) << "nothing written";
    }
}

TEST_F(NatTraversal, ReadinessOnTheOlderSystemsIgnoresTheMtuAndFixesTheBindingOrder)
{
    fake.system.major = 5;
    fake.registry.keys.erase(FakeRegistry::Lower(kNdisWanKey));
    fake.registry.Set(kLinkageKey, "Bind", win::REG_MULTI_SZ, MultiSz(std::u16string(u"X\0\\Device\\NdisWanIp\0\0", 21)));
    EXPECT_EQ(IsIpsecRegistryReady(fake.platform), 1);
    EXPECT_EQ(fake.registry.Get(kLinkageKey, "Bind")->bytes, MultiSz(std::u16string(u"\\Device\\NdisWanIp\0X\0\0", 21)));

    fake.registry.SetDword(kIpsecKey, kEncapsulation, 1);
    EXPECT_EQ(IsIpsecRegistryReady(fake.platform), 0);
    EXPECT_EQ(fake.system.versionCalls, 2) << "the version is read afresh each time";
}

TEST_F(NatTraversal, RepairShowsTheOutcome)
{
    struct Case {
        const char* name;
        std::uint32_t major;
        bool admin;
        std::optional<std::string> value;
        bool refuse;
        std::vector<std::string> boxes;
        bool becomesTwo;
    };
    const Case cases[] = {
        {"newer, already 2", 6, true, Bytes({2, 0, 0, 0}), false, {}, true},
        {"newer, 0, administrator", 6, true, Bytes({0, 0, 0, 0}), false, {"0"}, true},
        {"newer, string \"2\", administrator", 10, true, Bytes({'2', 0, 0, 0}), false, {"0"}, true},
        {"newer, missing, administrator", 6, true, std::nullopt, false, {"0"}, true},
        {"newer, 1, not administrator", 6, false, Bytes({1, 0, 0, 0}), false, {"Run as an administrator by logging-in as an administrator."}, false},
        {"newer, 0, administrator, key refused", 6, true, Bytes({0, 0, 0, 0}), true, {"-1"}, false},
        {"older, 0, any user", 5, false, Bytes({0, 0, 0, 0}), false, {"0"}, true},
        {"older, already 2", 5, false, Bytes({2, 0, 0, 0}), false, {}, true},
        {"older, key refused", 5, false, Bytes({0, 0, 0, 0}), true, {"-1"}, false},
    };
    for (const auto& c : cases) {
        FakePlatform local;
        local.resources.strings[IDS_RUN_AS_ADMINISTRATOR] = u"Run as an administrator by logging-in as an administrator.";
        local.system.major = c.major;
        local.system.admin = c.admin;
        const char* key = c.major < 6 ? kIpsecKey : kPolicyAgentKey;
        local.registry.keys.erase(FakeRegistry::Lower(key));
        if (c.value)
            local.registry.Set(key, kEncapsulation, win::REG_BINARY, *c.value);
        local.registry.KeyAt(key).refuseWrite = c.refuse;
        CTolvexDesktopWinApp localApp(local.platform);
        RepairNatTraversal(localApp);
        std::vector<std::string> boxes;
        for (const auto& box : local.ui.messageBoxes) {
            boxes.push_back(box.text);
            EXPECT_EQ(box.type, win::MB_OK | win::MB_ICONEXCLAMATION) << c.name;
        }
        EXPECT_EQ(boxes, c.boxes) << c.name;
        const auto* stored = local.registry.Get(key, kEncapsulation);
        EXPECT_EQ(stored != nullptr && stored->bytes == Bytes({2, 0, 0, 0}), c.becomesTwo) << c.name;
        EXPECT_EQ(local.registry.openKeys, 0) << c.name;
    }
}

TEST(BindingOrder, MovesTheWanAdapterFirstOnlyWhenItStandsLater)
{
    using S = std::u16string;
    struct Case {
        const char* name;
        S before;
        std::optional<S> after;  // nothing written when absent
    };
    const Case cases[] = {
        {"already first", S(u"\\Device\\NdisWanIp\0X\0Y\0\0", 23), std::nullopt},
        {"second", S(u"X\0\\Device\\NdisWanIp\0Y\0\0", 23), S(u"\\Device\\NdisWanIp\0X\0Y\0\0", 23)},
        {"absent", S(u"X\0Y\0\0", 5), std::nullopt},
        {"twice, later", S(u"X\0\\Device\\NdisWanIp\0Y\0\\Device\\NdisWanIp\0\0", 41), S(u"\\Device\\NdisWanIp\0X\0Y\0\0", 23)},
        {"first and again later", S(u"\\Device\\NdisWanIp\0X\0\\Device\\NdisWanIp\0\0", 39), std::nullopt},
        {"other letter case", S(u"X\0\\device\\ndiswanip\0\0", 21), std::nullopt},
        {"longer name first", S(u"\\Device\\NdisWanIpv6\0X\0\\Device\\NdisWanIp\0\0", 41), std::nullopt},
        {"longer name later, no exact item", S(u"X\0\\Device\\NdisWanIpv6\0\0", 23), S(u"\\Device\\NdisWanIp\0X\0\\Device\\NdisWanIpv6\0\0", 41)},
        // An item that ends with the name is a different item and stays whole.
        {"item ending with the name", S(u"Y\\Device\\NdisWanIp\0Z\0\0", 22), S(u"\\Device\\NdisWanIp\0Y\\Device\\NdisWanIp\0Z\0\0", 40)},
        {"no closing NUL", S(u"X\0\\Device\\NdisWanIp\0Y", 21), S(u"\\Device\\NdisWanIp\0X\0Y\0\0", 23)},
        {"empty list", S(u"\0\0", 2), std::nullopt},
        {"no bytes", S(), std::nullopt},
    };
    for (const auto& c : cases) {
        FakeRegistry registry;
        registry.Set(kLinkageKey, "Bind", win::REG_MULTI_SZ, MultiSz(c.before));
        EXPECT_EQ(FixWanBindingOrder(registry), 1);
        const auto* bind = registry.Get(kLinkageKey, "Bind");
        EXPECT_EQ(bind->bytes, MultiSz(c.after.value_or(c.before))) << c.name;
        EXPECT_EQ(bind->type, win::REG_MULTI_SZ) << c.name;
        const bool written = std::count(registry.log.begin(), registry.log.end(), "set "s + FakeRegistry::Lower(kLinkageKey) + " Bind") == 1;
        EXPECT_EQ(written, c.after.has_value()) << c.name;
        EXPECT_EQ(registry.openKeys, 0) << c.name;
    }
}

TEST(BindingOrder, NothingWrittenWhenTheListCannotBeReadOrWritten)
{
    const std::string secondPlace = MultiSz(std::u16string(u"X\0\\Device\\NdisWanIp\0\0", 21));
    struct Case {
        const char* name;
        void (*arrange)(FakeRegistry&);
    };
    const Case cases[] = {
        {"no key", [](FakeRegistry& r) { r.keys.clear(); }},
        {"no value", [](FakeRegistry& r) { r.KeyAt(kLinkageKey).values.clear(); }},
        {"larger than 32768 bytes", [](FakeRegistry& r) {
             r.Set(kLinkageKey, "Bind", 7, MultiSz(u"X" + std::u16string(16400, u'x') + std::u16string(u"\0\\Device\\NdisWanIp\0\0", 20)));
         }},
        {"read refused", [](FakeRegistry& r) { r.KeyAt(kLinkageKey).refuseRead = true; }},
        {"write refused", [](FakeRegistry& r) { r.KeyAt(kLinkageKey).refuseWrite = true; }},
    };
    for (const auto& c : cases) {
        FakeRegistry registry;
        registry.Set(kLinkageKey, "Bind", win::REG_MULTI_SZ, secondPlace);
        c.arrange(registry);
        const auto before = registry.keys;
        FixWanBindingOrder(registry);
        EXPECT_EQ(std::count_if(registry.log.begin(), registry.log.end(), [](const std::string& e) { return e.rfind("set", 0) == 0; }), 0) << c.name;
        EXPECT_EQ(registry.openKeys, 0) << c.name;
    }
}

TEST(BindingOrder, TextFormsOfTheList)
{
    const std::u16string list(u"A\0B\0\0C\0", 7);
    EXPECT_EQ(BindListToText(list.data(), list.size()), WideString(u"A\nB\n")) << "stops at the list's end";
    const std::u16string empty(u"\0\0", 2);
    EXPECT_EQ(BindListToText(empty.data(), empty.size()), WideString(u"\n"));
    EXPECT_EQ(BindListToText(nullptr, 0), WideString(u""));
    EXPECT_EQ(TextToBindList(u"A\nB\n"), std::u16string(u"A\0B\0\0", 5));
    EXPECT_EQ(TextToBindList(u"\n"), std::u16string(u"\0\0", 2));
    EXPECT_EQ(TextToBindList(u"A\nB"), std::u16string(u"A\0B\0\0", 5)) << "a last item is finished";
    EXPECT_EQ(TextToBindList(u"W\n\nX\n"), std::u16string(u"W\0\0X\0\0", 6)) << "closed after an empty item too";
}

TEST(RegistryTool, StartsFromTheProgramsFolderElevatedOnNewerSystems)
{
    for (const std::uint32_t major : {5u, 6u, 10u}) {
        FakePlatform fake;
        fake.system.major = major;
        fake.app.modulePath = u"C:\\Program Files\\Tolvex\\TolvexDesktopWin.exe";
        LaunchRegistryTool(fake.platform);
        ASSERT_EQ(fake.shell.starts.size(), 1u);
        const ShellStart& start = fake.shell.starts[0];
        EXPECT_EQ(start.verb, major >= 6 ? "runas" : "") << major << ": an empty verb, not an absent one";
        EXPECT_EQ(start.file, "C:\\Program Files\\Tolvex\\Tolvex Regset.exe");
        EXPECT_EQ(start.parameters, "");
        EXPECT_EQ(start.directory, std::nullopt);
        EXPECT_EQ(start.show, win::SW_HIDE);
        EXPECT_EQ(fake.shell.owners[0], nullptr);
    }
    FakePlatform bare;
    bare.app.modulePath = u"TolvexDesktopWin.exe";
    LaunchRegistryTool(bare.platform);
    EXPECT_TRUE(bare.shell.starts.empty()) << "never looked up in the current directory";
}

}  // namespace
