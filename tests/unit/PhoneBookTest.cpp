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
const std::string kProtection = "the user's own access rights, encrypted";

class PhoneBook : public ::testing::Test {
protected:
    PhoneBook() { Reset(); }
    // The folder with the phonebook in it, as found before the rewrite.
    void Reset()
    {
        files = FakeFileSystem();
        files.nodes[kFolder].directory = true;
        files.Put(kPath, kOld);
        files.nodes[kPath].protection = kProtection;
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
            node.held = node.readOnly = node.notReal = false;
        CPhoneBook nextStart(files, fake.system, u"TolvexPhoneBook.pbk", fake.log);
        EXPECT_TRUE(HoldsEntry(nextStart)) << what;
        const auto bytes = files.Bytes(kPath);
        EXPECT_TRUE(bytes == kOld || bytes == kNew) << what << ": " << bytes.value_or("(nothing)");
        EXPECT_EQ(nextStart.RewriteMetricLines(Wide(kPath)), std::nullopt) << what;
        EXPECT_EQ(files.Bytes(kPath), kNew) << what;
        EXPECT_EQ(Beside(), std::vector<std::string>{}) << what;
    }

    FakePlatform fake;
    FakeFileSystem& files = fake.files;
    CPhoneBook phoneBook{fake.files, fake.system, u"TolvexPhoneBook.pbk", fake.log};
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
    CPhoneBook without(fake.files, fake.system, u"TolvexPhoneBook.pbk", fake.log);
    EXPECT_TRUE(without.GetPathCreatingFolder().IsEmpty());
    EXPECT_TRUE(files.nodes.empty());
}

// The profile's folder wherever the system keeps it: on a share, on a mapped drive, by a short
// name; what lies above the program's own folder is the system's to follow.
TEST_F(PhoneBook, TheEntryIsFoundAndRewrittenWhereverTheProfileLies)
{
    for (const char16_t* appData : {u"\\\\server\\share\\u\\Roaming", u"H:\\Roaming", u"C:\\Users\\LONGUS~1\\AppData\\Roaming"}) {
        fake.system.appData = WideString(appData);
        CPhoneBook there(files, fake.system, u"TolvexPhoneBook.pbk", fake.log);
        const WideString path = there.GetPathCreatingFolder();
        files.Put(Narrow(path.view()), kOld);
        EXPECT_TRUE(there.ExistsAndHoldsEntry(path, u"Tolvex Cell VPN")) << Narrow(appData);
        EXPECT_EQ(there.RewriteMetricLines(path), std::nullopt);
        EXPECT_EQ(files.Bytes(Narrow(path.view())), kNew) << Narrow(appData);
    }
}

TEST_F(PhoneBook, AFoundEntryIsRememberedWhileTheFileExists)
{
    files.nodes[kPath].held = true;
    EXPECT_FALSE(HoldsEntry()) << "held by another program: not found this time";
    files.nodes[kPath].held = false;
    files.Fail(Step::Read, ".pbk");
    EXPECT_FALSE(HoldsEntry()) << "a failed read counts as not found";
    EXPECT_TRUE(HoldsEntry()) << "and the next lookup searches again";

    CPhoneBook latin(files, fake.system, u"TolvexPhoneBook.pbk", fake.log);
    files.Put(kPath, "[\xFF]\n");
    EXPECT_TRUE(latin.ExistsAndHoldsEntry(Wide(kPath), u"\u00FF")) << "each byte one character, 0xFF included";
    EXPECT_FALSE(CPhoneBook(files, fake.system, u"", fake.log).ExistsAndHoldsEntry(Wide(kPath), u"\u01FF")) << "a character no byte is";
    files.Put(kPath, std::string("[\0]\n", 4));
    EXPECT_FALSE(CPhoneBook(files, fake.system, u"", fake.log).ExistsAndHoldsEntry(Wide(kPath), u"\u0100")) << "the first such";

    files.Put(kPath, "section gone\n");
    files.meanwhile = [](Step step, const std::string&) { ADD_FAILURE() << "the file is read again, step " << int(step); };
    EXPECT_TRUE(HoldsEntry()) << "remembered";
    files.meanwhile = nullptr;
    files.nodes.erase(kPath);
    EXPECT_FALSE(HoldsEntry());
}

// Only a replace cut short is undone: its backup beside its temporary, the newest such pair
// winning. A backup alone was left by a replace that finished; it never comes back, and goes with
// the next rewrite.
TEST_F(PhoneBook, OnlyTheNewestBackupOfAReplaceCutShortIsMovedBack)
{
    const auto put = [&](const char* name, const std::string& bytes) { files.Put(std::string(kFolder) + "\\" + name, bytes); };
    files.nodes.erase(kPath);
    put("~tpb0.bak", "[Tolvex Cell VPN]\nolder\n");
    put("~tpb0.tmp", kNew);
    put("~tpb2.bak", kOld);
    put("~tpb2.tmp", kNew);
    put("~tpb1.bak", "[Tolvex Cell VPN]\nfinished\n");
    files.nodes[std::string(kFolder) + "\\~tpb2.bak"].held = true;
    EXPECT_EQ(Rewrite(), std::nullopt);
    EXPECT_EQ(files.Bytes(kPath), std::nullopt) << "never swept, nor an older one moved back, while it holds the only copy";
    files.nodes[std::string(kFolder) + "\\~tpb2.bak"].held = false;
    files.nodes[kFolder].notReal = true;
    EXPECT_FALSE(HoldsEntry()) << "never moved through a folder that is a link";
    files.nodes[kFolder].notReal = false;
    EXPECT_EQ(Rewrite(), std::nullopt);
    EXPECT_EQ(files.Bytes(kPath), kNew) << "the newest moved back by the rewrite, then rewritten";
    EXPECT_EQ(Beside(), std::vector<std::string>{}) << "the rest swept";

    files.nodes.erase(kPath);
    put("~tpb3.bak", kOld);
    EXPECT_FALSE(HoldsEntry()) << "removed to start over: a backup alone stays a backup";
    EXPECT_EQ(Rewrite(), std::nullopt);
    EXPECT_EQ(files.Bytes(kPath), std::nullopt);
}

// The dialer tool saves the entry while the lookup reads; the lookup reads in pieces, and a
// section line may straddle two of them.
TEST_F(PhoneBook, TheLookupLetsTheDialerWriteAndFindsTheEntryAnywhereInALargeFile)
{
    for (const std::size_t at : {std::size_t{0}, std::size_t{256 * 1024 - 5}, std::size_t{700 * 1024}}) {
        CPhoneBook lookup(files, fake.system, u"TolvexPhoneBook.pbk", fake.log);
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
    // A save of the dialer tool between the read and the replace would be lost.
    files.meanwhile = [&](Step step, const std::string&) {
        EXPECT_TRUE((step != Step::Write && step != Step::Flush) || !files.OthersCanWrite(kPath)) << "the phonebook let go";
    };
    EXPECT_EQ(Rewrite(), std::nullopt);
    EXPECT_EQ(files.Bytes(kPath), filler + "\r\nIpInterfaceMetric=1\r\nIp" + filler + filler + "\r\nIpInterfaceMetric=1\r\n");
}

TEST_F(PhoneBook, EachFailingStepLeavesTheOldOrTheNewBytesAndTellsWhatTheUserMustKnow)
{
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
        {"the phonebook held by another program", [&] { files.nodes[kPath].held = true; }, {}, kOld},
        {"a phonebook not writable, by its attribute or its access rights", [&] { files.nodes[kPath].readOnly = true; }, {}, kOld},
        {"every backup name but the first held", [&] { holdBackupsBut(0); }, {}, kNew},
        {"every backup name but the last held", [&] { holdBackupsBut(15); }, {}, kNew},
        {"every backup name held", [&] { holdBackupsBut(-1); }, {}, kOld},
        {"the phonebook not moved away", [&] { files.Fail(Step::Rename, ".pbk"); }, {}, kOld},
        {"the new file not moved in", [&] { files.Fail(Step::Rename, ".tmp"); }, {}, kOld},
        {"neither moved in", [&] { files.Fail(Step::Rename, ".tmp"), files.Fail(Step::Rename, ".bak"); }, {}, std::nullopt},
        {"the old file's removal refused", [&] { files.Fail(Step::Remove, ".bak"); }, {}, kNew},
        {"a folder that is a link", [&] { files.nodes[kFolder].notReal = true; }, {}, kOld},
        {"a phonebook that is a link", [&] { files.nodes[kPath].notReal = true; }, {}, kOld},
    };
    for (const auto& c : cases) {
        Reset();
        c.arrange();
        const auto told = Rewrite();
        EXPECT_EQ(told, c.told ? std::optional<FileError>(FileError{*c.told, Wide(kPath)}) : std::nullopt) << c.what;
        EXPECT_EQ(files.Bytes(kPath), c.left) << c.what;
        EXPECT_TRUE(!c.left || files.nodes[kPath].protection == kProtection) << c.what << ": the rights or the encryption lost";
        ExpectNothingLost(c.what);
    }
}

TEST_F(PhoneBook, NoFailureAndNoCrashAnywhereLosesThePhoneBook)
{
    for (const Step step : {Step::Open, Step::Read, Step::Rewind, Step::Write, Step::Flush, Step::Close, Step::Find,
                            Step::Move, Step::Delete, Step::Rename, Step::Remove}) {
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
            CPhoneBook(files, fake.system, u"TolvexPhoneBook.pbk", fake.log).RewriteMetricLines(Wide(kPath));
        } catch (const FakeFileSystem::Crash&) {
            ExpectNothingLost("a crash at step " + std::to_string(crashAt));
            continue;
        }
        EXPECT_GT(crashAt, 10) << "the rewrite took fewer steps than a crash could fall between";
        break;
    }
}

}  // namespace
