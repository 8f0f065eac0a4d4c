// The phonebook: its location, the entry lookup, and the rewrite's failures. The fuzz targets
// hold its text readers to a plain reference and try every failing step of the rewrite.
#include <gtest/gtest.h>

#include "base/ResourceIds.h"
#include "fakes/FakePlatform.h"
#include "framework/FileException.h"
#include "phonebook/PhoneBook.h"

namespace {

constexpr char kPath[] = "C:\\Users\\u\\AppData\\Roaming\\Tolvex Computer\\TolvexPhoneBook.pbk";
const std::string kOld = "[Tolvex Cell VPN]\r\nIpInterfaceMetric=0\r\nPhone=vpn\n";
const std::string kNew = "[Tolvex Cell VPN]\r\nIpInterfaceMetric=1\r\nPhone=vpn\r\n";

class PhoneBook : public ::testing::Test {
protected:
    bool HoldsEntry(const std::string& path = kPath) { return phoneBook.ExistsAndHoldsEntry(Wide(path), u"Tolvex Cell VPN"); }
    // Rewrites; a file error comes back as its text.
    std::string Rewrite(const std::string& path = kPath)
    {
        try {
            phoneBook.RewriteMetricLines(Wide(path));
        } catch (const CFileException& error) {
            return Narrow(error.GetErrorMessage(fake.resources));
        }
        return "";
    }

    FakePlatform fake;
    FakeFileSystem& files = fake.files;
    CPhoneBook phoneBook{fake.files, fake.system, u"TolvexPhoneBook.pbk"};
};

TEST_F(PhoneBook, ThePathIsMadeOnceWithItsFolderAndNeverWithoutApplicationData)
{
    EXPECT_EQ(Narrow(phoneBook.GetPathCreatingFolder()), kPath);
    EXPECT_TRUE(files.nodes.at("C:\\Users\\u\\AppData\\Roaming\\Tolvex Computer").directory);
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
    files.Put(kPath, kOld);
    files.nodes[kPath].held = true;
    EXPECT_FALSE(HoldsEntry()) << "held by another program: not found this time";
    files.nodes[kPath].held = false;
    files.failAt = files.operations + 1;  // the first read
    EXPECT_FALSE(HoldsEntry()) << "a failed read counts as not found";
    EXPECT_TRUE(HoldsEntry()) << "and the next lookup searches again";

    files.Put(kPath, "section gone\n");
    const int operations = files.operations;
    EXPECT_TRUE(HoldsEntry());
    EXPECT_EQ(files.operations, operations) << "remembered: the file is not read again";
    files.nodes.erase(kPath);
    EXPECT_FALSE(HoldsEntry());
}

TEST_F(PhoneBook, APathOf260CharactersOrMoreIsNeverOpenedAndOneOf259IsRewritten)
{
    const std::string folder = "C:\\" + std::string(236, 'f') + "\\";
    files.Put(folder + "TolvexPhoneBook.pbk", kOld);  // 259 characters
    EXPECT_EQ(Rewrite(folder + "TolvexPhoneBook.pbk"), "");
    EXPECT_EQ(files.Bytes(folder + "TolvexPhoneBook.pbk"), kNew) << "the temporary names leave room";

    files.Put(folder + "xTolvexPhoneBook.pbk", kOld);
    const int operations = files.operations;
    EXPECT_FALSE(phoneBook.ContainsSectionLine(Wide(folder + "xTolvexPhoneBook.pbk"), u"Tolvex Cell VPN"));
    EXPECT_EQ(Rewrite(folder + "xTolvexPhoneBook.pbk"), "");
    EXPECT_EQ(files.operations, operations);
}

TEST_F(PhoneBook, AFileThatIsRightIsNeverWrittenAndAFailureNamesThePhoneBook)
{
    files.Put(kPath, kNew);
    EXPECT_EQ(Rewrite(), "");
    EXPECT_EQ(files.operations, 4) << "open, read, read to the end, close: nothing written";

    fake.resources.strings[IDP_FILE_ACCESS_DENIED] = u"denied %1";
    files.Put(kPath, kOld);
    files.failWith = 5;
    for (const int step : {1, 6}) {  // the first read; open, read, create, rewind, read, read, then the write
        files.operations = 0;
        files.failAt = step;
        EXPECT_EQ(Rewrite(), std::string("denied ") + kPath);
        EXPECT_EQ(files.Bytes(kPath), kOld);
        EXPECT_EQ(files.nodes.size(), 1u) << "nothing left beside it";
    }
}

}  // namespace
