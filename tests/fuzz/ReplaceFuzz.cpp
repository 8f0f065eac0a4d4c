// The phonebook's rewrite on a file system that fails at one operation of the fuzzer's choosing,
// with any of the replace's documented outcomes: the phonebook's name holds the old bytes or the
// rewritten ones, no handle stays open, and the next run leaves nothing beside the phonebook.
#include <fuzzer/FuzzedDataProvider.h>

#include "Reference.h"
#include "fakes/FakePlatform.h"
#include "framework/FileException.h"
#include "phonebook/PhoneBook.h"

namespace {

constexpr char kFolder[] = "C:\\Tolvex Computer\\";
constexpr char kPath[] = "C:\\Tolvex Computer\\TolvexPhoneBook.pbk";

void Rewrite(CPhoneBook& phoneBook)
{
    try {
        phoneBook.RewriteMetricLines(Wide(kPath));
    } catch (const CFileException&) {
        // Reported to the user by the dialog; the file is what matters here.
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    FuzzedDataProvider input(data, size);
    FakePlatform fake;
    FakeFileSystem& files = fake.files;
    files.failAt = input.ConsumeIntegralInRange(-1, 40);
    files.failWith = input.PickValueInArray({5ul, 29ul, 32ul, 112ul});
    files.replaceOutcome = input.PickValueInArray({0ul, 1175ul, 1176ul, 1177ul, 5ul});
    // What earlier runs or other programs may have left beside the phonebook.
    for (int stale = input.ConsumeIntegralInRange(0, 3); stale > 0; --stale) {
        FakeFileSystem::Node& node = files.nodes[kFolder + std::string("~tpb") + std::to_string(input.ConsumeIntegralInRange(0, 17)) + ".tmp"];
        node.directory = input.ConsumeBool();
        node.readOnly = input.ConsumeBool();
    }
    const std::string old = input.ConsumeRemainingBytesAsString();
    files.Put(kPath, old);
    files.nodes[kPath].readOnly = old.size() % 2 == 1;
    const std::string rewritten = reference::RewriteMetricLines(old).first;

    CPhoneBook phoneBook(files, fake.system, u"TolvexPhoneBook.pbk");
    Rewrite(phoneBook);
    const auto bytes = files.Bytes(kPath);
    reference::Check(bytes == old || bytes == rewritten, "the phonebook's name holds neither the old nor the new bytes");
    reference::Check(files.open.empty(), "a handle was left open");

    files.failAt = -1;
    files.replaceOutcome = 0;
    Rewrite(phoneBook);
    for (const auto& [name, node] : files.nodes)
        reference::Check(node.directory || name == kPath, "a temporary file was left beside the phonebook");
    return 0;
}
