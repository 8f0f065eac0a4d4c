// Where the phonebook lives, whether the entry is set up, and the rewrite on real and fake files.
#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "DialogFixture.h"
#include "framework/FileException.h"
#include "platform/posix/PosixFileSystem.h"

namespace {

using namespace std::string_literals;

class PhoneBook : public DialogFixture {
protected:
    int Configured() { return dlg.IsEntryConfigured(dlg.GetPhoneBookPath(), u"Tolvex Cell VPN"); }
};

TEST_F(PhoneBook, PathIsComputedOnceAndItsFolderCreatedOnce)
{
    EXPECT_EQ(Narrow(dlg.GetPhoneBookPath().view()), kPath);
    EXPECT_EQ(Narrow(dlg.GetPhoneBookPath().view()), kPath);
    EXPECT_EQ(fake.system.appDataCalls, 1);
    EXPECT_EQ(fake.files.log, std::vector<std::string>{"mkdir C:\\Users\\u\\AppData\\Roaming\\Tolvex Computer"});
}

TEST_F(PhoneBook, NoApplicationDataFolderMeansNoPathNoFolderAndNotSetUp)
{
    fake.system.appData.reset();
    EXPECT_TRUE(dlg.GetPhoneBookPath().IsEmpty());
    EXPECT_EQ(Configured(), 0);
    EXPECT_TRUE(fake.files.directories.empty());
    dlg.RewriteInterfaceMetric();
    EXPECT_EQ(fake.files.Count("open"), 0);
}

TEST_F(PhoneBook, EntryLookupFollowsTheFileAndRemembersAFind)
{
    EXPECT_EQ(Configured(), 0) << "no file yet";
    fake.files.files[kPath] = "[Other]\r\n";
    EXPECT_EQ(Configured(), 0);
    fake.files.files[kPath] = "x\n[Tolvex Cell VPN]";
    EXPECT_EQ(Configured(), 1);
    EXPECT_EQ(dlg.m_bEntryFound, 1);

    fake.files.files[kPath] = "[Other]\r\n";
    const int opens = fake.files.Count("open R");
    EXPECT_EQ(Configured(), 1) << "a removed section line is not noticed once found";
    EXPECT_EQ(fake.files.Count("open R"), opens) << "and the file is not read again";

    fake.files.files.erase(kPath);
    EXPECT_EQ(Configured(), 0) << "a missing file always answers 0";
    fake.files.files[kPath] = "";
    EXPECT_EQ(Configured(), 1) << "the file back answers 1 without a search";
    EXPECT_EQ(fake.files.Count("open R"), opens);
    EXPECT_EQ(fake.files.openFiles, 0);
}

TEST_F(PhoneBook, HeldOrUnreadableFileAnswersNotSetUpAndIsSearchedAgainLater)
{
    fake.files.files[kPath] = kEntry;
    fake.files.held.insert(kPath);
    EXPECT_EQ(Configured(), 0);
    EXPECT_EQ(dlg.m_bEntryFound, 0);

    fake.files.held.clear();
    fake.files.readFailsAfter = 0;
    EXPECT_EQ(Configured(), 0) << "a failed read counts as not found this time";

    fake.files.readFailsAfter.reset();
    EXPECT_EQ(Configured(), 1);
    EXPECT_EQ(fake.files.openFiles, 0);
}

TEST_F(PhoneBook, PathOfMaxPathCharactersOrMoreIsNeverOpened)
{
    for (const std::size_t length : {std::size_t{259}, std::size_t{260}, std::size_t{400}}) {
        const std::string path = "C:\\" + std::string(length - 3, 'p');
        fake.files.files[path] = "[Tolvex Cell VPN]\nIpInterfaceMetric=0\n";
        const int found = dlg.FindEntrySection(WideString(std::u16string(path.begin(), path.end())), u"Tolvex Cell VPN");
        EXPECT_EQ(found, length < 260 ? 1 : 0) << length;
    }
}

TEST_F(PhoneBook, EntryNameBeyondByteRangeIsNeverFound)
{
    fake.files.files[kPath] = "[Tolvex Cell VPN]\n";
    EXPECT_EQ(dlg.FindEntrySection(dlg.GetPhoneBookPath(), u"Tolvex \u30BB\u30EB"), 0);
    EXPECT_EQ(fake.files.openFiles, 0);
}

TEST_F(PhoneBook, RewriteWritesBesideThenReplacesOnlyWhenSomethingChanged)
{
    fake.files.files[kPath] = "[Tolvex Cell VPN]\nIpInterfaceMetric=0\nIpv6InterfaceMetric=0\n";
    dlg.RewriteInterfaceMetric();
    EXPECT_EQ(fake.files.files[kPath], "[Tolvex Cell VPN]\r\nIpInterfaceMetric=1\r\nIpv6InterfaceMetric=0\r\n");
    EXPECT_EQ(fake.files.files.count(std::string(kPath) + ".new"), 0u);

    fake.files.log.clear();
    dlg.RewriteInterfaceMetric();
    EXPECT_EQ(fake.files.log, std::vector<std::string>{"open R "s + kPath}) << "nothing written the second time";
}

TEST_F(PhoneBook, RewriteFailuresLeaveThePhoneBookByteIdentical)
{
    const std::string original = "[Tolvex Cell VPN]\nIpInterfaceMetric=0\n";
    struct Case {
        const char* name;
        void (*arrange)(FakeFileSystem&, const std::string& path);
        bool reported;
    };
    const Case cases[] = {
        {"missing file", [](FakeFileSystem& fs, const std::string& path) { fs.files.erase(path); }, false},
        {"held by another program", [](FakeFileSystem& fs, const std::string& path) { fs.held.insert(path); }, false},
        {"access denied", [](FakeFileSystem& fs, const std::string& path) { fs.openErrors[path] = 5; }, false},
        {"new file cannot be made", [](FakeFileSystem& fs, const std::string& path) { fs.openErrors[path + ".new"] = 5; }, false},
        {"read fails after open", [](FakeFileSystem& fs, const std::string&) { fs.readFailsAfter = 10; }, true},
        {"disk full on write", [](FakeFileSystem& fs, const std::string&) { fs.writeError = 112; }, true},
        {"close of the new file fails", [](FakeFileSystem& fs, const std::string&) { fs.closeError = 112; }, true},
        {"taken by another program before the replacement", [](FakeFileSystem& fs, const std::string&) { fs.replaceError = 1175; }, false},
    };
    for (const auto& c : cases) {
        FakePlatform local;
        CTolvexDesktopWinApp localApp(local.platform);
        CTolvexDesktopWinDlg localDlg(localApp);
        local.files.files[kPath] = original;
        c.arrange(local.files, kPath);
        const bool existed = local.files.files.count(kPath) != 0;
        bool thrown = false;
        try {
            localDlg.RewriteInterfaceMetric();
        } catch (const CFileException&) {
            thrown = true;
        }
        EXPECT_EQ(thrown, c.reported) << c.name;
        if (existed) {
            EXPECT_EQ(local.files.files[kPath], original) << c.name;
        }
        EXPECT_EQ(local.files.files.count(std::string(kPath) + ".new"), 0u) << c.name << ": no leftover";
        EXPECT_EQ(local.files.openFiles, 0) << c.name;
    }
}

TEST_F(PhoneBook, ReadErrorIsReportedWithTheFilesPathAndEndsConnect)
{
    Create();
    fake.resources.strings[IDP_FILE_HARD_IO] = u"A hardware I/O error was reported while accessing %1.";
    fake.resources.strings[IDP_FILE_GENERIC] = u"An unknown error occurred while accessing %1.";
    fake.files.files[kPath] = kEntry + "IpInterfaceMetric=0\n"s;
    fake.files.readFailsAfter = 4;
    fake.files.readError = 23;  // ERROR_CRC
    Send(win::WM_COMMAND, IDC_CONNECT);
    ASSERT_EQ(fake.ui.messageBoxes.size(), 1u);
    EXPECT_EQ(fake.ui.messageBoxes[0].text, "A hardware I/O error was reported while accessing "s + kPath + ".");
    EXPECT_EQ(fake.ui.messageBoxes[0].type, win::MB_OK | win::MB_ICONSTOP);
    EXPECT_TRUE(fake.shell.starts.empty()) << "the dialer is not started";
    EXPECT_FALSE(fake.ui.Window(hwnd).destroyed);

    fake.files.readError = 9999;
    Send(win::WM_COMMAND, IDC_CONNECT);
    EXPECT_EQ(fake.ui.messageBoxes.back().text, "An unknown error occurred while accessing "s + kPath + ".");
}

// The same rules on real files.
class PhoneBookOnDisk : public ::testing::Test {
protected:
    void SetUp() override
    {
        m_dir = std::filesystem::temp_directory_path() / ("tolvex-pbk-" + std::to_string(::getpid()));
        std::filesystem::create_directories(m_dir);
        m_file = m_dir / "TolvexPhoneBook.pbk";
    }
    void TearDown() override { std::filesystem::remove_all(m_dir); }
    void Write(const std::string& bytes) { std::ofstream(m_file, std::ios::binary) << bytes; }
    std::string Read()
    {
        std::ifstream in(m_file, std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), {});
    }

    std::filesystem::path m_dir;
    std::filesystem::path m_file;
};

TEST_F(PhoneBookOnDisk, RewriteKeepsEveryOtherByteAndLeavesAnUnchangedFileUntouched)
{
    FakePlatform fake;
    CPosixFileSystem disk;
    Platform platform{fake.app, fake.resources, fake.system, fake.ui, disk, fake.shell, fake.adapters, fake.registry};
    CTolvexDesktopWinApp app(platform);
    CTolvexDesktopWinDlg dlg(app);
    // The path is made with backslashes; on this system they are ordinary characters of one
    // file name inside the test folder.
    fake.system.appData = WideString(std::u16string(m_dir.native().begin(), m_dir.native().end()) + u"/x");
    const std::string path = m_dir.native() + "/x\\Tolvex Computer\\TolvexPhoneBook.pbk";
    m_file = path;

    const std::string lines = "[Tolvex Cell VPN]\nMEDIA=rastapi\r\nIpInterfaceMetric=0\nbin\0\x1a\xe9\n"s;
    Write(lines);
    dlg.RewriteInterfaceMetric();
    EXPECT_EQ(Read(), "[Tolvex Cell VPN]\r\nMEDIA=rastapi\r\nIpInterfaceMetric=1\r\nbin\0\x1a\xe9\r\n"s);
    EXPECT_FALSE(std::filesystem::exists(path + ".new"));

    const auto written = std::filesystem::last_write_time(m_file);
    std::filesystem::last_write_time(m_file, written - std::chrono::hours(1));
    dlg.RewriteInterfaceMetric();
    EXPECT_EQ(std::filesystem::last_write_time(m_file), written - std::chrono::hours(1)) << "not rewritten";
    EXPECT_EQ(dlg.FindEntrySection(dlg.GetPhoneBookPath(), u"Tolvex Cell VPN"), 1);
}

}  // namespace
