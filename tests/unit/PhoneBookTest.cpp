// The phonebook: its location, the entry lookup, the text readers at their edges, and the
// rewrite's failures, refusals and crashes.
#include <gtest/gtest.h>

#include "../fuzz/Reference.h"
#include "fakes/FakePlatform.h"
#include "phonebook/PhoneBook.h"
#include "phonebook/PhoneBookText.h"

namespace {

using Step = FakeFileSystem::Step;
constexpr char kFolder[] = "C:\\Users\\u\\AppData\\Roaming\\Tolvex Computer";
constexpr char kPath[] = "C:\\Users\\u\\AppData\\Roaming\\Tolvex Computer\\TolvexPhoneBook.pbk";
const std::string kOld = "[Tolvex Cell VPN]\r\nIpInterfaceMetric=0\r\nPhone=vpn\n";
const std::string kNew = "[Tolvex Cell VPN]\r\nIpInterfaceMetric=1\r\nPhone=vpn\r\n";

class PhoneBook : public ::testing::Test {
protected:
    PhoneBook() { Reset(); }
    // The folder with the phonebook in it, as found before the rewrite.
    void Reset()
    {
        files = FakeFileSystem();
        files.nodes[kFolder].directory = true;
        files.Put(kPath, kOld);
    }
    bool HoldsEntry(CPhoneBook& phoneBook) { return phoneBook.ExistsAndHoldsEntry(Wide(kPath), u"Tolvex Cell VPN"); }
    bool HoldsEntry() { return HoldsEntry(phoneBook); }
    std::optional<FileError> Rewrite(const std::string& path = kPath) { return phoneBook.RewriteMetricLines(Wide(path)); }
    // What is in the folder besides the phonebook.
    std::vector<std::string> Beside() const
    {
        std::vector<std::string> names;
        for (const auto& [path, node] : files.nodes) {
            if (path.starts_with(std::string(kFolder) + "\\") && path != kPath && !node.directory)
                names.push_back(path);
        }
        return names;
    }
    // The rule every failure and crash is held to: after the next start's lookup, the phonebook's
    // name holds the old bytes or the new ones; and the next rewrite that meets no failure puts
    // the new ones there and leaves nothing beside them.
    void ExpectNothingLost(const std::string& what)
    {
        EXPECT_TRUE(files.open.empty()) << what << ": a handle was left open";
        files.failures.clear();
        files.crashAt = 0;
        files.meanwhile = nullptr;
        for (auto& [path, node] : files.nodes)
            node.held = node.readOnly = false;
        CPhoneBook nextStart(files, fake.system, u"TolvexPhoneBook.pbk");
        EXPECT_TRUE(HoldsEntry(nextStart)) << what;
        const auto bytes = files.Bytes(kPath);
        EXPECT_TRUE(bytes == kOld || bytes == kNew) << what << ": " << bytes.value_or("(nothing)");
        EXPECT_EQ(nextStart.RewriteMetricLines(Wide(kPath)), std::nullopt) << what;
        EXPECT_EQ(files.Bytes(kPath), kNew) << what;
        EXPECT_EQ(Beside(), std::vector<std::string>{}) << what;
    }

    FakePlatform fake;
    FakeFileSystem& files = fake.files;
    CPhoneBook phoneBook{fake.files, fake.system, u"TolvexPhoneBook.pbk"};
};

// The lines' edges, fed in pieces of every size: both readers agree with the plain reference the
// fuzz targets use.
TEST(PhoneBookText, TheReadersAgreeWithThePlainReadingInPiecesOfAnySize)
{
    const std::string lines[] = {
        "", "\n", "\r", "\r\n", "a\r", "\r\r\n", "IpInterfaceMetric=", "IpInterfaceMetric=1", "IpInterfaceMetric=1\r",
        "IpInterfaceMetric=1\r\r\n", "IpInterfaceMetric=10\n", "IpInterfaceMetric=0\r\nx", "ipinterfacemetric=0\n",
        " IpInterfaceMetric=0", "IpInterfaceMetric\n=0", "x\r[Tolvex Cell VPN]\r", "[Tolvex Cell VPN]", "a[Tolvex Cell VPN]\r\nb",
        "[Tolvex Cell VPN\n]", "IpInterfaceMetric=1\nIpInterfaceMetric=\r\n[Tolvex Cell VPN]\r\n\r", "IpInterfaceMetric\r1x\n", "Ipx\nIpInterfaceMetric=1x",
    };
    for (const std::string& content : lines) {
        for (std::size_t piece = 1; piece <= std::max<std::size_t>(content.size(), 1); ++piece) {
            std::string out;
            phonebook::CMetricRewriter rewriter([&](std::string_view bytes) { out.append(bytes); });
            for (const std::string text : {"[Tolvex Cell VPN]", "VPN]\r", "", "\r\n"}) {
                phonebook::CLineTextSearch search(text);
                bool found = false;
                for (std::size_t at = 0; at < content.size() && !found; at += piece)
                    found = search.Feed(std::string_view(content).substr(at, piece));
                EXPECT_EQ(found || search.Finish(), reference::AnyLineContains(content, text)) << content << " " << text;
            }
            for (std::size_t at = 0; at < content.size(); at += piece)
                rewriter.Feed(std::string_view(content).substr(at, piece));
            rewriter.Finish();
            const auto [expected, changed] = reference::RewriteMetricLines(content);
            EXPECT_EQ(out, expected) << content << " in pieces of " << piece;
            EXPECT_EQ(rewriter.Changed(), changed) << content;
        }
    }
}

TEST_F(PhoneBook, ThePathIsMadeOnceWithItsFolderAndNeverWithoutApplicationData)
{
    files.nodes.clear();
    EXPECT_EQ(Narrow(phoneBook.GetPathCreatingFolder()), kPath);
    EXPECT_TRUE(files.nodes.at(kFolder).directory);
    files.nodes.clear();
    EXPECT_EQ(Narrow(phoneBook.GetPathCreatingFolder()), kPath);
    EXPECT_TRUE(files.nodes.empty()) << "remembered: no second folder";

    fake.system.appData.reset();
    CPhoneBook without(fake.files, fake.system, u"TolvexPhoneBook.pbk");
    EXPECT_TRUE(without.GetPathCreatingFolder().IsEmpty());
    EXPECT_TRUE(files.nodes.empty());
}

TEST_F(PhoneBook, AFoundEntryIsRememberedWhileTheFileExists)
{
    files.nodes[kPath].held = true;
    EXPECT_FALSE(HoldsEntry()) << "held by another program: not found this time";
    files.nodes[kPath].held = false;
    files.Fail(Step::Read, ".pbk");
    EXPECT_FALSE(HoldsEntry()) << "a failed read counts as not found";
    EXPECT_TRUE(HoldsEntry()) << "and the next lookup searches again";

    CPhoneBook latin(files, fake.system, u"TolvexPhoneBook.pbk");
    files.Put(kPath, "[\xFF]\n");
    EXPECT_TRUE(latin.ExistsAndHoldsEntry(Wide(kPath), u"\u00FF")) << "each byte one character, 0xFF included";
    EXPECT_FALSE(CPhoneBook(files, fake.system, u"").ExistsAndHoldsEntry(Wide(kPath), u"\u01FF")) << "a character no byte is";
    files.Put(kPath, std::string("[\0]\n", 4));
    EXPECT_FALSE(CPhoneBook(files, fake.system, u"").ExistsAndHoldsEntry(Wide(kPath), u"\u0100")) << "the first such";

    files.Put(kPath, "section gone\n");
    files.meanwhile = [](Step step, const std::string&) { ADD_FAILURE() << "the file is read again, step " << int(step); };
    EXPECT_TRUE(HoldsEntry()) << "remembered";
    files.meanwhile = nullptr;
    files.nodes.erase(kPath);
    EXPECT_FALSE(HoldsEntry());
}

TEST_F(PhoneBook, APhoneBookLeftUnderABackupNameIsMovedBackBeforeItIsReadOrWritten)
{
    const std::string backup = std::string(kFolder) + "\\~tpb3.bak";
    files.nodes.erase(kPath);
    files.Put(backup, kOld);
    files.nodes[backup].held = true;
    EXPECT_EQ(Rewrite(), std::nullopt);
    EXPECT_EQ(files.Bytes(backup), kOld) << "never swept while it holds the only copy";
    files.nodes[backup].held = false;
    EXPECT_EQ(Rewrite(), std::nullopt);
    EXPECT_EQ(files.Bytes(kPath), kNew) << "moved back, then rewritten";

    files.nodes.erase(kPath);
    files.Put(backup, kOld);
    files.nodes[kFolder].notReal = true;
    EXPECT_FALSE(HoldsEntry()) << "never moved through a folder that is a link";
    EXPECT_EQ(files.Bytes(backup), kOld);
    files.nodes[kFolder].notReal = false;
    EXPECT_TRUE(HoldsEntry());
    EXPECT_EQ(files.Bytes(kPath), kOld);
    EXPECT_EQ(Beside(), std::vector<std::string>{});
}

// The dialer tool saves the entry while the lookup reads; the lookup reads in pieces, and a
// section line may straddle two of them.
TEST_F(PhoneBook, TheLookupLetsTheDialerWriteAndFindsTheEntryAnywhereInALargeFile)
{
    for (const std::size_t at : {std::size_t{0}, std::size_t{256 * 1024 - 5}, std::size_t{700 * 1024}}) {
        CPhoneBook lookup(files, fake.system, u"TolvexPhoneBook.pbk");
        std::string bytes(at, 'x');
        files.Put(kPath, bytes + "\n[Tolvex Cell VPN]\n" + bytes);
        files.meanwhile = [&](Step step, const std::string&) {
            EXPECT_TRUE(step != Step::Read || files.OthersCanWrite(kPath)) << "the dialer is locked out";
        };
        EXPECT_TRUE(HoldsEntry(lookup)) << at;
        EXPECT_TRUE(files.open.empty());
    }
}

TEST_F(PhoneBook, APathOf260CharactersOrMoreIsNeverOpenedAndOneOf259IsRewritten)
{
    const std::string folder = "C:\\" + std::string(236, 'f');
    files.nodes[folder].directory = true;
    files.Put(folder + "\\TolvexPhoneBook.pbk", kOld);  // 259 characters
    EXPECT_EQ(Rewrite(folder + "\\TolvexPhoneBook.pbk"), std::nullopt);
    EXPECT_EQ(files.Bytes(folder + "\\TolvexPhoneBook.pbk"), kNew) << "the temporary names leave room";

    files.Put(folder + "\\xTolvexPhoneBook.pbk", kOld);
    files.meanwhile = [](Step step, const std::string& path) { ADD_FAILURE() << int(step) << " " << path; };
    EXPECT_EQ(Rewrite(folder + "\\xTolvexPhoneBook.pbk"), std::nullopt);
    EXPECT_FALSE(phoneBook.ExistsAndHoldsEntry(Wide(folder + "\\xTolvexPhoneBook.pbk"), u"Tolvex Cell VPN"));
}

TEST_F(PhoneBook, AFileThatIsRightIsNeverWrittenAndALargeOneIsRewrittenWhole)
{
    files.Put(kPath, kNew);
    files.meanwhile = [](Step step, const std::string& path) {
        EXPECT_TRUE(step != Step::Write && path.find("~tpb") == std::string::npos) << int(step) << " " << path;
    };
    EXPECT_EQ(Rewrite(), std::nullopt);
    EXPECT_EQ(files.Bytes(kPath), kNew);
    files.meanwhile = nullptr;
    files.Put(kPath, kNew + "IpInterfaceMetric=");  // the one change in a last line without its end
    EXPECT_EQ(Rewrite(), std::nullopt);
    EXPECT_EQ(files.Bytes(kPath), kNew + "IpInterfaceMetric=1\r\n");

    // Lines long and short across the pieces the file is read and written in; a write that fails
    // is not forgotten by the writes after it.
    const std::string filler(300 * 1024, 'p');
    const std::string large = filler + "\nIpInterfaceMetric=0\nIp" + filler + filler + "\nIpInterfaceMetric=7";
    files.Put(kPath, large);
    files.Fail(Step::Write, ".tmp", 1, 112);
    EXPECT_EQ(Rewrite(), (FileError{112, Wide(kPath)}));
    EXPECT_EQ(files.Bytes(kPath), large);
    EXPECT_EQ(Rewrite(), std::nullopt);
    EXPECT_EQ(files.Bytes(kPath), filler + "\r\nIpInterfaceMetric=1\r\nIp" + filler + filler + "\r\nIpInterfaceMetric=1\r\n");
}

// Each way a step can fail, by name: what the user is told, and what the phonebook's name holds.
TEST_F(PhoneBook, EachFailingStepLeavesTheOldOrTheNewBytesAndTellsWhatTheUserMustKnow)
{
    // Another program (a scanner, say) takes a file without sharing when the rewrite comes to a
    // step on a path holding that text.
    const auto holdAt = [&](Step at, std::string on, std::string held) {
        files.meanwhile = [&, at, on, held](Step step, const std::string& path) {
            if (step == at && path.find(on) != std::string::npos)
                files.nodes[held].held = true;
        };
    };
    const std::string temporary = std::string(kFolder) + "\\~tpb0.tmp", backup = std::string(kFolder) + "\\~tpb0.bak";
    const auto holdBackupsBut = [&](int free) {
        for (int n = 0; n < 16; ++n) {
            if (n == free)
                continue;
            const std::string name = std::string(kFolder) + "\\~tpb" + std::to_string(n) + ".bak";
            files.Put(name, "x");
            files.nodes[name].held = true;
        }
    };
    const struct {
        const char* what;
        std::function<void()> arrange;
        std::optional<unsigned long> told;  // the error the user is shown
        std::optional<std::string> left;    // at the phonebook's name; nothing when moved away
    } cases[] = {
        {"the phonebook read", [&] { files.Fail(Step::Read, ".pbk", 1, 23); }, 23, kOld},
        {"a temporary name taken", [&] { files.nodes[std::string(kFolder) + "\\~tpb0.tmp"].directory = true; }, {}, kNew},
        {"every temporary name taken", [&] { for (int n = 1; n <= 16; ++n) files.Fail(Step::Open, ".tmp", n); }, {}, kOld},
        {"the write", [&] { files.Fail(Step::Write, ".tmp", 1, 112); }, 112, kOld},
        {"the flush", [&] { files.Fail(Step::Flush, ".tmp"); }, 29, kOld},
        {"the temporary's close", [&] { files.Fail(Step::Close, ".tmp"); }, 29, kOld},
        {"the phonebook's close", [&] { files.Fail(Step::Close, ".pbk"); }, 29, kOld},
        {"the phonebook held at the replace", [&] { holdAt(Step::Close, ".tmp", kPath); }, {}, kOld},
        {"the temporary held at the replace", [&] { holdAt(Step::Close, ".tmp", temporary); }, {}, kOld},
        {"every backup name but the first held", [&] { holdBackupsBut(0); }, {}, kNew},
        {"every backup name but the last held", [&] { holdBackupsBut(15); }, {}, kNew},
        {"every backup name held", [&] { holdBackupsBut(-1); }, {}, kOld},
        {"the backup held after the replace", [&] { holdAt(Step::Delete, ".bak", backup); }, {}, kNew},
        {"a read-only phonebook", [&] { files.nodes[kPath].readOnly = true; }, {}, kOld},
        {"1175: not moved away", [&] { files.Fail(Step::ReplaceAway); }, {}, kOld},
        {"1176: the new file not moved in", [&] { files.Fail(Step::ReplaceInto); }, {}, kOld},
        {"1177: the old file back from the backup",
         [&] { files.Fail(Step::ReplaceInto), files.Fail(Step::ReplaceBack); }, {}, kOld},
        {"1177: the backup stuck, the new file moved in",
         [&] { files.Fail(Step::ReplaceInto), files.Fail(Step::ReplaceBack), files.Fail(Step::Move, ".bak"); }, {}, kNew},
        {"1177: both stuck",
         [&] {
             files.Fail(Step::ReplaceInto), files.Fail(Step::ReplaceBack);
             files.Fail(Step::Move, ".bak"), files.Fail(Step::Move, ".tmp");
         },
         {}, std::nullopt},
        {"a folder that is a link", [&] { files.nodes[kFolder].notReal = true; }, kNotARealFile, kOld},
        {"a phonebook that is a link", [&] { files.nodes[kPath].notReal = true; }, kNotARealFile, kOld},
    };
    for (const auto& c : cases) {
        Reset();
        c.arrange();
        const auto told = Rewrite();
        EXPECT_EQ(told, c.told ? std::optional<FileError>(FileError{*c.told, Wide(kPath)}) : std::nullopt) << c.what;
        EXPECT_EQ(files.Bytes(kPath), c.left) << c.what;
        // Left beside it: only what another program holds, or the backup with the only copy.
        for (const std::string& name : Beside())
            EXPECT_TRUE(files.nodes[name].held || !files.Bytes(kPath)) << c.what << ": " << name << " left behind";
        if (c.told != kNotARealFile)
            ExpectNothingLost(c.what);
    }
}

// A failure at any step, at any time, or the process dying between any two steps, then a fresh
// start: nothing is ever lost.
TEST_F(PhoneBook, NoFailureAndNoCrashAnywhereLosesThePhoneBook)
{
    for (const Step step : {Step::Open, Step::Read, Step::Rewind, Step::Write, Step::Flush, Step::Close, Step::Find,
                            Step::Move, Step::Delete, Step::ReplaceAway, Step::ReplaceInto, Step::ReplaceBack}) {
        for (int time = 1; time <= 3; ++time) {
            Reset();
            files.Fail(step, "", time);
            const auto told = Rewrite();
            EXPECT_TRUE(!told || Narrow(told->path.view()) == kPath);
            ExpectNothingLost("step " + std::to_string(int(step)) + " time " + std::to_string(time));
        }
    }
    for (int crashAt = 1;; ++crashAt) {
        Reset();
        files.crashAt = crashAt;
        try {
            CPhoneBook(files, fake.system, u"TolvexPhoneBook.pbk").RewriteMetricLines(Wide(kPath));
        } catch (const FakeFileSystem::Crash&) {
            ExpectNothingLost("a crash at step " + std::to_string(crashAt));
            continue;
        }
        EXPECT_GT(crashAt, 10) << "the rewrite took fewer steps than a crash could fall between";
        break;
    }
}

}  // namespace
