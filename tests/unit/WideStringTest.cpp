#include <gtest/gtest.h>

#include "base/WideString.h"
#include "fakes/FakePlatform.h"

namespace {

struct FormatCase {
    const char16_t* format;
    std::initializer_list<WideString::FormatArg> args;
    const char16_t* expected;
};

TEST(WideStringFormat, FillsDirectivesInOrderAndNeverReadsPastTheArguments)
{
    const FormatCase cases[] = {
        {u"-f \"%s\" -d \"%s\"", {u"C:\\a b\\x.pbk", u"Tolvex Cell VPN"}, u"-f \"C:\\a b\\x.pbk\" -d \"Tolvex Cell VPN\""},
        {u"%d", {0}, u"0"},
        {u"%d", {-1}, u"-1"},
        {u"%d", {-2147483647 - 1}, u"-2147483648"},
        {u"100%%", {}, u"100%"},
        {u"%s and %s", {u"one"}, u"one and %s"},     // missing argument: left as it stands
        {u"%d", {u"text"}, u"%d"},                   // wrong kind: left as it stands
        {u"%x %s", {u"a"}, u"%x a"},                 // unknown directive
        {u"end%", {}, u"end%"},
        {u"", {u"unused"}, u""},
    };
    for (const auto& c : cases)
        EXPECT_EQ(WideString::Format(c.format, c.args), WideString(c.expected)) << Narrow(c.format);
}

TEST(WideStringFind, AnswersFirstPositionOrNpos)
{
    const WideString name(u"my tolvex link tolvex");
    EXPECT_EQ(name.Find(u"tolvex"), 3);
    EXPECT_EQ(WideString(u"tolvex").Find(u"tolvex"), 0);
    EXPECT_EQ(name.Find(u"Tolvex"), WideString::npos);
    EXPECT_EQ(WideString().Find(u"x"), WideString::npos);
}

TEST(WideStringReplace, ReplacesEveryOccurrenceLeftToRight)
{
    struct Case {
        const char16_t* text;
        const char16_t* from;
        const char16_t* to;
        const char16_t* expected;
        std::size_t count;
    };
    const Case cases[] = {
        {u"a\nb\na\n", u"a\n", u"", u"b\n", 2},
        {u"aaa", u"aa", u"b", u"ba", 1},   // no overlapping matches
        {u"xyz", u"q", u"r", u"xyz", 0},
        {u"xyz", u"", u"r", u"xyz", 0},    // an empty pattern replaces nothing
        {u"%1 was not found.", u"%1", u"C:\\p", u"C:\\p was not found.", 1},
    };
    for (const auto& c : cases) {
        WideString text(c.text);
        EXPECT_EQ(text.Replace(c.from, c.to), c.count);
        EXPECT_EQ(text, WideString(c.expected));
    }
}

TEST(WideStringLower, FoldsOnlyAsciiCapitals)
{
    WideString text(u"My tOlVeX LINK \uFF34\uFF2F \u00C4 @[`{");
    text.MakeLowerAscii();
    EXPECT_EQ(text, WideString(u"my tolvex link \uFF34\uFF2F \u00C4 @[`{"));
}

TEST(WideStringLoad, MissingResourceIsEmpty)
{
    FakeResources resources;
    EXPECT_EQ(WideString::Load(resources, 105), WideString(u"Tolvex Cell VPN"));
    EXPECT_TRUE(WideString::Load(resources, 9999).IsEmpty());
}

}  // namespace
