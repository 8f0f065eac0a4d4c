// The phonebook: its text read in pieces, its location, the entry lookup, and a rewrite that never
// loses the file whatever step fails.
#include <gtest/gtest.h>

#include "base/ResourceIds.h"
#include "fakes/FakePlatform.h"
#include "framework/FileException.h"
#include "phonebook/PhoneBook.h"
#include "phonebook/PhoneBookText.h"

namespace {

constexpr std::size_t kPieceSizes[] = {1, 2, 3, 7, 1u << 20};

bool Search(std::string_view content, const std::string& text, std::size_t piece)
{
    phonebook::CLineTextSearch search(text);
    for (std::size_t at = 0; at < content.size(); at += piece) {
        if (search.Feed(content.substr(at, piece)))
            return true;
    }
    return search.Finish();
}

std::pair<std::string, bool> Rewrite(std::string_view content, std::size_t piece)
{
    std::string out;
    phonebook::CMetricRewriter rewriter([&](std::string_view bytes) { out.append(bytes); });
    for (std::size_t at = 0; at < content.size(); at += piece)
        rewriter.Feed(content.substr(at, piece));
    rewriter.Finish();
    return {out, rewriter.Changed()};
}

TEST(PhoneBookText, TheSectionLineIsFoundWithinOneLineWhateverThePieces)
{
    const std::string section = "[Tolvex Cell VPN]";
    const struct {
        std::string content;
        std::string text;
        bool found;
    } cases[] = {
        {"[A]\r\n[Tolvex Cell VPN]\r\nx=1\r\n", section, true},
        {"x[Tolvex Cell VPN]y", section, true},
        {std::string(200, 'a') + section, section, true},
        {"[tolvex cell vpn]\n[Tolvex Cell VPN 2]\nTolvex Cell VPN\n", section, false},
        {"[Tolvex Cell\nVPN]\n", section, false},
        {"", section, false},
        {"a\r\n", "a\r", false},  // the CR of a line end is not part of the line
        {"a\rb\n", "a\r", true},
        {"a\r", "a\r", true},     // the last line has no line end to drop it
        {"a\nb\n", "a\nb", false},
    };
    for (const auto& c : cases) {
        for (const std::size_t piece : kPieceSizes)
            EXPECT_EQ(Search(c.content, c.text, piece), c.found) << c.content << " / " << c.text << " in " << piece;
    }
}

TEST(PhoneBookText, EveryMetricLineBecomesTheTargetAndEveryLineEndsWithCrLf)
{
    const std::string target = "IpInterfaceMetric=1\r\n";
    const struct {
        std::string in;
        std::string out;
        bool changed;
    } cases[] = {
        {"IpInterfaceMetric=0\n", target, true},
        {"IpInterfaceMetric=10\r\n", target, true},
        {"IpInterfaceMetric=\n", target, true},
        {"IpInterfaceMetric=1 \n", target, true},
        {"IpInterfaceMetric=1\r", target, true},  // the CR belongs to the last line
        {"IpInterfaceMetric=" + std::string(100000, '9'), target, true},
        {"[A]\nIpInterfaceMetric=0\n[B]\nIpInterfaceMetric=2\nIpInterfaceMetric=3", "[A]\r\n" + target + "[B]\r\n" + target + target, true},
        {"IpInterfaceMetric=1\nIpInterfaceMetric=1\r\n", target + target, false},
        {" IpInterfaceMetric=0\nipinterfacemetric=0\nIpInterfaceMetr\n", " IpInterfaceMetric=0\r\nipinterfacemetric=0\r\nIpInterfaceMetr\r\n", false},
        {std::string("\0\x1a\xff\r\rx\r", 7), std::string("\0\x1a\xff\r\rx\r\r\n", 9), false},
        {"a\n\nb", "a\r\n\r\nb\r\n", false},
        {"", "", false},
    };
    for (const auto& c : cases) {
        for (const std::size_t piece : kPieceSizes) {
            const auto [out, changed] = Rewrite(c.in, piece);
            EXPECT_EQ(out, c.out) << c.in.substr(0, 40) << " in " << piece;
            EXPECT_EQ(changed, c.changed) << c.in.substr(0, 40) << " in " << piece;
        }
    }
}

class PhoneBook : public ::testing::Test {
protected:
    static constexpr char kFolder[] = "C:\\Users\\u\\AppData\\Roaming\\Tolvex Computer";
    static constexpr char kPath[] = "C:\\Users\\u\\AppData\\Roaming\\Tolvex Computer\\TolvexPhoneBook.pbk";
    const std::string kOld = "[Tolvex Cell VPN]\r\nIpInterfaceMetric=0\r\nPhone=vpn\n";
    const std::string kNew = "[Tolvex Cell VPN]\r\nIpInterfaceMetric=1\r\nPhone=vpn\r\n";

    bool HoldsEntry(const std::string& path = kPath) { return phoneBook.ExistsAndHoldsEntry(Wide(path), u"Tolvex Cell VPN"); }
    // Rewrites, reporting a file error as its text.
    std::string RewriteAndReport(const std::string& path = kPath)
    {
        try {
            phoneBook.RewriteMetricLines(Wide(path));
        } catch (const CFileException& error) {
            return "file error " + Narrow(error.GetErrorMessage(fake.resources));
        }
        return "";
    }
    // Whatever is left beside the phonebook besides the folder and the file.
    std::vector<std::string> Leftovers(const std::string& path = kPath)
    {
        std::vector<std::string> left;
        for (const auto& [name, node] : files.nodes) {
            if (!node.directory && name != path)
                left.push_back(name);
        }
        return left;
    }

    FakePlatform fake;
    FakeFileSystem& files = fake.files;
    CPhoneBook phoneBook{fake.files, fake.system, u"TolvexPhoneBook.pbk"};
};

TEST_F(PhoneBook, ThePathIsMadeOnceWithItsFolderAndNotWithoutApplicationData)
{
    EXPECT_EQ(Narrow(phoneBook.GetPathCreatingFolder()), kPath);
    EXPECT_TRUE(files.nodes.at(kFolder).directory);
    files.nodes.clear();
    fake.system.appData.reset();
    EXPECT_EQ(Narrow(phoneBook.GetPathCreatingFolder()), kPath) << "remembered";
    EXPECT_TRUE(files.nodes.empty()) << "no second look, no second folder";

    CPhoneBook noAppData(fake.files, fake.system, u"TolvexPhoneBook.pbk");
    EXPECT_TRUE(noAppData.GetPathCreatingFolder().IsEmpty());
    EXPECT_FALSE(noAppData.ExistsAndHoldsEntry(u"", u"Tolvex Cell VPN"));
    EXPECT_TRUE(files.nodes.empty());
}

TEST_F(PhoneBook, AFoundEntryIsRememberedWhileTheFileExists)
{
    files.Put(kPath, "x\n");
    EXPECT_FALSE(HoldsEntry());
    files.Put(kPath, kOld);
    files.nodes[kPath].held = true;
    EXPECT_FALSE(HoldsEntry()) << "held by another program: not found this time";
    files.nodes[kPath].held = false;
    files.failAt = files.operations + 1;  // the first read
    EXPECT_FALSE(HoldsEntry()) << "a failed read counts as not found";
    EXPECT_TRUE(HoldsEntry()) << "searched again";

    files.Put(kPath, "section gone\n");
    const int operations = files.operations;
    EXPECT_TRUE(HoldsEntry()) << "remembered: the file is not read again";
    EXPECT_EQ(files.operations, operations);
    files.nodes.erase(kPath);
    EXPECT_FALSE(HoldsEntry());
    files.Put(kPath, "");
    EXPECT_TRUE(HoldsEntry());
}

TEST_F(PhoneBook, APathOf260CharactersOrMoreIsNeverOpened)
{
    const std::string folder = "C:\\" + std::string(236, 'f') + "\\";
    const std::string longest = folder + "TolvexPhoneBook.pbk";  // 259 characters
    ASSERT_EQ(longest.size(), 259u);
    files.Put(longest, kOld);
    EXPECT_TRUE(HoldsEntry(longest));
    EXPECT_EQ(RewriteAndReport(longest), "");
    EXPECT_EQ(files.Bytes(longest), kNew) << "the temporary name leaves room";
    EXPECT_TRUE(Leftovers(longest).empty());

    const std::string tooLong = folder + "xTolvexPhoneBook.pbk";
    files.Put(tooLong, kOld);
    const int operations = files.operations;
    EXPECT_FALSE(phoneBook.ContainsSectionLine(Wide(tooLong), u"Tolvex Cell VPN"));
    EXPECT_EQ(RewriteAndReport(tooLong), "");
    EXPECT_EQ(files.operations, operations);
}

TEST_F(PhoneBook, AFileThatIsAlreadyRightIsNeverWritten)
{
    files.Put(kPath, kNew);
    EXPECT_EQ(RewriteAndReport(), "");
    EXPECT_EQ(files.Bytes(kPath), kNew);
    EXPECT_TRUE(Leftovers().empty());
    EXPECT_EQ(files.operations, 4) << "open, read, read to the end, close";
}

// Whichever step fails, and whatever the replace leaves behind, the phonebook's name holds the
// old bytes or the new ones, nothing else is left beside it, and no handle stays open.
TEST_F(PhoneBook, NoFailureLosesThePhoneBookOrLeavesAnythingBehind)
{
    for (const unsigned long outcome : {0ul, 1175ul, 1176ul, 1177ul, 5ul}) {
        for (int failAt = -1; failAt < 30; ++failAt) {
            files.nodes.clear();
            files.Put(kPath, kOld);
            files.nodes[kPath].readOnly = true;
            files.operations = 0;
            files.failAt = failAt;
            files.replaceOutcome = outcome;
            const std::string report = RewriteAndReport();
            const std::string context = "outcome " + std::to_string(outcome) + ", failing operation " + std::to_string(failAt);
            const auto bytes = files.Bytes(kPath);
            EXPECT_TRUE(bytes == kOld || bytes == kNew) << context;
            EXPECT_EQ(files.openFiles, 0) << context;
            if (!report.empty())
                EXPECT_EQ(bytes, kOld) << context << ": a reported failure leaves the old file";
            // What a failed removal left, the next run removes.
            files.failAt = -1;
            files.replaceOutcome = 0;
            EXPECT_EQ(RewriteAndReport(), "") << context;
            EXPECT_EQ(files.Bytes(kPath), kNew) << context;
            EXPECT_EQ(Leftovers(), std::vector<std::string>{}) << context;
        }
    }
}

TEST_F(PhoneBook, AReadOrWriteFailureIsReportedNamingThePhoneBook)
{
    fake.resources.strings[IDP_FILE_ACCESS_DENIED] = u"access denied %1";
    files.Put(kPath, kOld);
    files.failWith = 5;
    files.failAt = 1;  // the first read
    EXPECT_EQ(RewriteAndReport(), std::string("file error access denied ") + kPath);
    files.operations = 0;
    files.failAt = 6;  // open, read, create the new file, rewind, read, read to the end, write
    EXPECT_EQ(RewriteAndReport(), std::string("file error access denied ") + kPath);
    EXPECT_EQ(files.Bytes(kPath), kOld);
}

TEST_F(PhoneBook, TemporaryFilesOfEarlierRunsNeverBlockTheRewriteNorPileUp)
{
    const std::string folder = std::string(kFolder) + "\\";
    files.Put(kPath, kOld);
    files.Put(folder + "~tpb0.tmp", "left by a crash");
    files.nodes[folder + "~tpb0.tmp"].readOnly = true;
    files.nodes[folder + "~tpb1.tmp"].directory = true;
    files.Put(folder + "~tpb2.tmp", "held by another program");
    files.nodes[folder + "~tpb2.tmp"].held = true;
    EXPECT_EQ(RewriteAndReport(), "");
    EXPECT_EQ(files.Bytes(kPath), kNew);
    EXPECT_EQ(Leftovers(), std::vector<std::string>{folder + "~tpb2.tmp"}) << "only what could not be removed";
}

}  // namespace
