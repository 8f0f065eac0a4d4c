// The string and path helpers every unit stands on, at their edges: formatting never reads past
// its arguments, whatever a translated text asks for.
#include <gtest/gtest.h>

#include "base/EventLog.h"
#include "base/Path.h"
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

TEST(WideString, SearchReplaceAndFoldingAtTheirEdges)
{
    WideString text(u"@AZ[`az{\uFF21");
    text.MakeLowerAscii();
    EXPECT_EQ(text.str(), u"@az[`az{\uFF21") << "A-Z only";
    EXPECT_EQ(text.Find(u"@"), 0u);
    EXPECT_EQ(text.Find(u"z{"), 6u);
    EXPECT_EQ(text.Find(u"AZ"), std::nullopt);

    WideString path(u"%1 and %1 end");
    path.Replace(u"%1", u"C:\\p");
    EXPECT_EQ(path.str(), u"C:\\p and C:\\p end");
    path.Replace(u"", u"x");
    EXPECT_EQ(path.str(), u"C:\\p and C:\\p end") << "an empty text is never replaced";
}

TEST(Path, FolderAndFileName)
{
    EXPECT_EQ(FolderOf(u"C:\\a\\b.pbk").str(), u"C:\\a\\");
    EXPECT_EQ(FileNameOf(u"C:\\a\\b.pbk").str(), u"b.pbk");
    EXPECT_EQ(FolderOf(u"b.pbk").str(), u"");
    EXPECT_EQ(FileNameOf(u"C:/a/b.exe").str(), u"b.exe");
}

// The newest 200 events in order at and past the ring's end, each with its local time to the
// second; a text too long for its place cut.
TEST(EventLog, KeepsTheNewest200InOrderEachWithItsTime)
{
    LocalTime now{2026, 1, 2, 3, 4, 5};
    CEventLog log([&] { return now; });
    EXPECT_TRUE(log.GetText().IsEmpty());
    const auto lines = [&] {
        std::vector<std::u16string> found;
        const WideString all = log.GetText();
        for (std::u16string_view text = all.view(); !text.empty(); text.remove_prefix(text.find(u"\r\n") + 2))
            found.emplace_back(text.substr(0, text.find(u"\r\n")));
        return found;
    };
    for (int n = 1; n <= 401; ++n) {
        now.second = static_cast<std::uint16_t>(n % 60);
        log.Record(u"event %d", {n});
        if (n == 1)
            EXPECT_EQ(lines(), std::vector<std::u16string>{u"2026-01-02 03:04:01 event 1"});
        if (n == 200 || n == 201 || n == 401) {
            EXPECT_EQ(lines().size(), 200u) << n;
            EXPECT_EQ(lines().front().substr(20), WideString::Format(u"event %d", {n - 199}).str()) << n;
            EXPECT_EQ(lines().back().substr(17), WideString::Format(u"%d event %d", {n % 60, n}).str()) << n;
        }
    }
    log.Record(u"%s", {std::u16string(300, u'x')});
    EXPECT_EQ(lines().back().substr(20), std::u16string(CEventLog::kTextChars, u'x'));
}

