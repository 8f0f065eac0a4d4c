// Telling from the adapter list whether the link is up.
#include <gtest/gtest.h>

#include <cstdlib>

#include "connection/ConnectionState.h"
#include "fakes/FakePlatform.h"

namespace {

constexpr std::uint32_t PPP = 23;
constexpr std::uint32_t ETHERNET = 6;

OsVersionInfo Version(std::uint32_t major)
{
    OsVersionInfo info;
    info.dwMajorVersion = major;
    return info;
}

TEST(ConnectionState, MatchingRulesByVersion)
{
    struct Case {
        const char* name;
        std::uint32_t major;
        std::vector<FakeAdapter> adapters;
        int expected;
    };
    const std::u16string longName = std::u16string(5000, u'x') + u"TOLVEX";
    const Case cases[] = {
        {"5: any point-to-point name", 5, {{u"Office VPN", PPP}}, 1},
        {"5: no point-to-point adapter", 5, {{u"Tolvex Cell VPN", ETHERNET}}, 0},
        {"4: older still", 4, {{u"", PPP}}, 1},
        {"6: the entry's name", 6, {{u"Tolvex Cell VPN", PPP}}, 1},
        {"6: capitals", 10, {{u"TOLVEX CELL VPN", PPP}}, 1},
        {"6: mixed case in the middle", 6, {{u"My tOlVeX link", PPP}}, 1},
        {"6: at the very start", 6, {{u"tolvex", PPP}}, 1},
        {"6: name without the word", 6, {{u"Office VPN", PPP}}, 0},
        {"6: Ethernet with the name", 6, {{u"Tolvex Cell VPN", ETHERNET}}, 0},
        {"6: full-width letters", 6, {{u"\uFF34\uFF4F\uFF4C\uFF56\uFF45\uFF58", PPP}}, 0},
        {"6: empty name", 6, {{u"", PPP}}, 0},
        {"6: very long name", 6, {{longName, PPP}}, 1},
        {"6: non-ASCII around", 6, {{u"\u63A5\u7D9Atolvex\u00C9", PPP}}, 1},
        {"6: the match last of many", 6, {{u"Ethernet", ETHERNET}, {u"Loopback", 24}, {u"Office", PPP}, {u"tolvex", PPP}}, 1},
    };
    for (const auto& c : cases) {
        FakeAdapters adapters;
        adapters.adapters = c.adapters;
        EXPECT_EQ(GetConnectionState(Version(c.major), adapters), c.expected) << c.name;
    }
}

TEST(ConnectionState, HundredsOfAdapters)
{
    FakeAdapters adapters;
    for (int i = 0; i < 500; ++i)
        adapters.adapters.push_back({u"Ethernet " + std::u16string(1, static_cast<char16_t>(u'0' + i % 10)), ETHERNET});
    EXPECT_EQ(GetConnectionState(Version(6), adapters), 0);
    adapters.adapters.push_back({u"Tolvex", PPP});
    EXPECT_EQ(GetConnectionState(Version(6), adapters), 1);
}

TEST(ConnectionState, BufferIsRaisedToWholeGranules)
{
    const std::pair<std::uint32_t, std::uint64_t> cases[] = {
        {0, 0}, {1, 2048}, {2048, 2048}, {2049, 4096}, {4096, 4096}, {4097, 6144}, {5000, 6144},
        {0xFFFFFFFFu, 0x100000000ull},
    };
    for (const auto& [size, aligned] : cases)
        EXPECT_EQ(AlignAdapterBufferSize(size), aligned) << size;

    FakeAdapters adapters;
    adapters.adapters = {{u"a", ETHERNET}};
    adapters.reportedSize = 4097;
    GetConnectionState(Version(6), adapters);
    EXPECT_EQ(adapters.sizesPassed, (std::vector<std::uint32_t>{0, 6144})) << "the filling call gets the aligned size";
}

TEST(ConnectionState, EnumerationFailures)
{
    struct Case {
        const char* name;
        void (*arrange)(FakeAdapters&);
        int expected;
    };
    const Case cases[] = {
        {"no adapter at all", [](FakeAdapters& a) { a.adapters.clear(); }, -1},
        {"sizing answers success", [](FakeAdapters& a) { a.sizingResult = 0; }, -1},
        {"sizing refused", [](FakeAdapters& a) { a.sizingResult = 5; }, -1},
        {"size beyond the size variable", [](FakeAdapters& a) { a.reportedSize = 0xFFFFFFFFu; }, -2},
        {"filling fails", [](FakeAdapters& a) { a.fillingResult = 31; }, -3},
        {"list grew beyond the spare room", [](FakeAdapters& a) { a.growthBetweenCalls = 4096; }, -3},
        {"list grew within the spare room", [](FakeAdapters& a) { a.growthBetweenCalls = 100; }, 1},
    };
    for (const auto& c : cases) {
        FakeAdapters adapters;
        adapters.adapters = {{u"Tolvex Cell VPN", PPP}};
        c.arrange(adapters);
        EXPECT_EQ(GetConnectionState(Version(6), adapters), c.expected) << c.name;
        EXPECT_LE(adapters.calls, 2) << c.name << ": no second attempt";
    }
}

// Counts what the detection allocates and releases, and can refuse.
struct CountingHeap {
    static inline int allocated = 0;
    static inline int released = 0;
    static inline bool refuse = false;
    static void* Allocate(std::size_t size)
    {
        if (refuse)
            return nullptr;
        ++allocated;
        return std::malloc(size == 0 ? 1 : size);
    }
    static void Release(void* p)
    {
        ++released;
        std::free(p);
    }
};

TEST(ConnectionState, BufferIsReleasedOnEveryPathThatAllocatedIt)
{
    struct Case {
        const char* name;
        void (*arrange)(FakeAdapters&);
        bool refuse;
        int expected;
        int allocations;
    };
    const Case cases[] = {
        {"up", [](FakeAdapters&) {}, false, 1, 1},
        {"down", [](FakeAdapters& a) { a.adapters[0].ifType = ETHERNET; }, false, 0, 1},
        {"filling fails", [](FakeAdapters& a) { a.fillingResult = 31; }, false, -3, 1},
        {"sizing fails", [](FakeAdapters& a) { a.sizingResult = 0; }, false, -1, 0},
        {"allocation refused", [](FakeAdapters&) {}, true, -2, 0},
    };
    for (const auto& c : cases) {
        CountingHeap::allocated = CountingHeap::released = 0;
        CountingHeap::refuse = c.refuse;
        FakeAdapters adapters;
        adapters.adapters = {{u"Tolvex", PPP}};
        c.arrange(adapters);
        EXPECT_EQ(GetConnectionState(Version(6), adapters, CountingHeap::Allocate, CountingHeap::Release), c.expected)
            << c.name;
        EXPECT_EQ(CountingHeap::allocated, c.allocations) << c.name;
        EXPECT_EQ(CountingHeap::released, c.allocations) << c.name;
    }
}

TEST(ConnectionState, EveryCallEnumeratesAfresh)
{
    FakeAdapters adapters;
    adapters.adapters = {{u"Tolvex", PPP}};
    EXPECT_EQ(GetConnectionState(Version(6), adapters), 1);
    adapters.adapters[0].ifType = ETHERNET;
    EXPECT_EQ(GetConnectionState(Version(6), adapters), 0);
    EXPECT_EQ(adapters.calls, 4);
}

}  // namespace
