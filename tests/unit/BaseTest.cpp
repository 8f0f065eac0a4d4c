// WideString: formatting never reads past its arguments; search, replace and the ASCII fold.
#include <gtest/gtest.h>

#include "base/WideString.h"

TEST(WideString, FormatFillsDirectivesInOrderAndCopiesTheRest)
{
    struct Case {
        const char16_t* format;
        std::initializer_list<WideString::FormatArg> args;
        std::u16string expected;
    };
    const Case cases[] = {
        {u"-f \"%s\" -d \"%s\"", {u"P", u"N"}, u"-f \"P\" -d \"N\""},
        {u"%d", {-1}, u"-1"},
        {u"100%% %s", {u"x"}, u"100% x"},
        {u"%s %s", {u"only"}, u"only %s"},   // no argument left: copied as it stands
        {u"%d", {u"text"}, u"%d"},           // an argument of the other kind is not taken
        {u"end %", {}, u"end %"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(WideString::Format(c.format, c.args).str(), c.expected) << WideString(c.format).Length();
}

TEST(WideString, SearchReplaceAndFold)
{
    WideString text(u"a-b-a");
    EXPECT_EQ(text.Find(u"a"), 0);
    EXPECT_EQ(text.Find(u"b-a"), 2);
    EXPECT_EQ(text.Find(u"c"), WideString::npos);
    EXPECT_EQ(text.Replace(u"a", u"xy"), 2u);
    EXPECT_EQ(text.str(), u"xy-b-xy");
    EXPECT_EQ(text.Replace(u"", u"z"), 0u);

    WideString name(u"My tOlVeX Ｔ link");
    name.MakeLowerAscii();
    EXPECT_EQ(name.str(), u"my tolvex Ｔ link");  // the full-width letter stays
}
