// The phonebook's text: lines, the section search and the interface-metric rewrite.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "phonebook/PhoneBookText.h"

namespace {

using namespace std::string_literals;

std::vector<std::string> Lines(std::string_view content)
{
    std::vector<std::string> lines;
    phonebook::ForEachLine(content, [&](std::string_view line) { lines.emplace_back(line); });
    return lines;
}

TEST(PhoneBookLines, EndAtLineFeedWithAnOptionalCarriageReturnBefore)
{
    struct Case {
        std::string content;
        std::vector<std::string> lines;
    };
    const Case cases[] = {
        {"", {}},
        {"a", {"a"}},
        {"a\n", {"a"}},
        {"a\r\nb\nc", {"a", "b", "c"}},
        {"\n\n", {"", ""}},
        {"a\r\r\n", {"a\r"}},          // only the one just before the line feed goes
        {"a\rb\n", {"a\rb"}},
        {"a\r", {"a\r"}},              // no line feed after it: it stays
        {"x\0y\x1a\xff\n"s, {"x\0y\x1a\xff"s}},
    };
    for (const auto& c : cases)
        EXPECT_EQ(Lines(c.content), c.lines) << testing::PrintToString(c.content);
}

TEST(PhoneBookSectionSearch, FindsTheTextWithinOneLineWhateverThePieces)
{
    struct Case {
        std::string content;
        bool found;
    };
    const std::string longLine(300, 'x');
    const Case cases[] = {
        {"[Tolvex Cell VPN]\n", true},
        {"x[Tolvex Cell VPN]y", true},
        {"a\r\n[Tolvex Cell VPN]\r\nb", true},
        {longLine + "[Tolvex Cell VPN]\n", true},  // beyond the 128th character
        {"[tolvex cell vpn]\n", false},
        {"[Tolvex Cell VPN 2]\n", false},
        {"Tolvex Cell VPN\n", false},
        {"[Tolvex Cell\nVPN]\n", false},
        {"[Tolvex Cell VPN\r\n]", false},
        {"", false},
    };
    for (const auto& c : cases) {
        for (const std::size_t piece : {std::size_t{1}, std::size_t{3}, std::size_t{7}, std::size_t{4096}}) {
            phonebook::CLineTextSearch search("[Tolvex Cell VPN]");
            for (std::size_t at = 0; at < c.content.size(); at += piece)
                search.Feed(std::string_view(c.content).substr(at, piece));
            EXPECT_EQ(search.Found(), c.found) << c.content << " in pieces of " << piece;
        }
    }
}

TEST(PhoneBookSectionSearch, TextsAtTheEdgesOfTheLineReading)
{
    struct Case {
        std::string text;
        std::string content;
        bool found;
    };
    const Case cases[] = {
        {"[a\nb]", "[a\nb]", false},   // never within one line
        {"a\r", "line a\r\nx\n", false},  // the carriage return is the line end's
        {"a\r", "line a\r\r\n", true},
        {"a\r", "line a\r", true},       // the last line has no line end to drop it
        {"", "", false},                 // an empty file has no line
        {"", "\n", true},
    };
    for (const auto& c : cases) {
        phonebook::CLineTextSearch search(c.text);
        for (const char ch : c.content)
            search.Feed(std::string_view(&ch, 1));
        EXPECT_EQ(search.Finish(), c.found) << testing::PrintToString(c.text) << " in " << testing::PrintToString(c.content);
    }
}

TEST(PhoneBookMetricRewrite, ReplacesEveryStaleMetricLineAndEndsEveryLineWithCrLf)
{
    struct Case {
        const char* name;
        std::string before;
        bool changes;
        std::string after;
    };
    const Case cases[] = {
        {"zero", "IpInterfaceMetric=0\n", true, "IpInterfaceMetric=1\r\n"},
        {"ten", "IpInterfaceMetric=10\r\n", true, "IpInterfaceMetric=1\r\n"},
        {"empty value", "IpInterfaceMetric=", true, "IpInterfaceMetric=1\r\n"},
        {"one and a blank", "IpInterfaceMetric=1 \n", true, "IpInterfaceMetric=1\r\n"},
        {"already right", "IpInterfaceMetric=1\n", false, ""},
        {"blank before", " IpInterfaceMetric=0\n", false, ""},
        {"lower case", "ipinterfacemetric=0\n", false, ""},
        {"IPv6 key", "Ipv6InterfaceMetric=0\n", false, ""},
        {"short line", "IpInterfaceMetric\n", false, ""},
        {"no metric lines", "[Tolvex Cell VPN]\nMEDIA=rastapi\n", false, ""},
        {"empty file", "", false, ""},
        {"every section, both lines",
         "[A]\nIpInterfaceMetric=0\nIpInterfaceMetric=2\n[B]\r\nIpInterfaceMetric=3\r\nIpv6InterfaceMetric=0\r\nlast",
         true,
         "[A]\r\nIpInterfaceMetric=1\r\nIpInterfaceMetric=1\r\n[B]\r\nIpInterfaceMetric=1\r\nIpv6InterfaceMetric=0\r\nlast\r\n"},
        {"other bytes kept", "a\0\x1a\xfe\nIpInterfaceMetric=0"s, true, "a\0\x1a\xfe\r\nIpInterfaceMetric=1\r\n"s},
        {"right metric, LF ends", "IpInterfaceMetric=1\nx\n", false, ""},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(phonebook::NeedsMetricRewrite(c.before), c.changes) << c.name;
        if (c.changes)
            EXPECT_EQ(phonebook::RewriteMetricLines(c.before), c.after) << c.name;
    }
}

TEST(PhoneBookMetricRewrite, HandsOnLongLinesWhole)
{
    const std::string huge(3 << 20, 'q');
    const std::string content = "IpInterfaceMetric=0\n" + huge + "\n" + huge;
    std::string written;
    int pieces = 0;
    phonebook::WriteMetricRewrite(content, [&](std::string_view piece) {
        written.append(piece);
        ++pieces;
    });
    EXPECT_EQ(written, "IpInterfaceMetric=1\r\n" + huge + "\r\n" + huge + "\r\n");
    EXPECT_GT(pieces, 1);
}

}  // namespace
