// WideString formatting never reads past its arguments, whatever a translated text asks for.
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
