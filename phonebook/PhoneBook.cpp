#include "phonebook/PhoneBook.h"

#include <algorithm>
#include <optional>
#include <string>
#include <vector>

#include "base/Path.h"
#include "phonebook/PhoneBookText.h"

namespace {

// The platform's file layer refuses paths of this many characters or more.
constexpr std::size_t kMaxPath = 260;
constexpr std::size_t kReadPiece = 256 * 1024;
constexpr std::size_t kWritePiece = 64 * 1024;
constexpr char16_t kCompanyFolder[] = u"\\Tolvex Computer";
// Files beside the phonebook: the rewrite's new text, and the old text kept while the new one
// takes its place, a pair of the same number. Their names are shorter than the phonebook's own,
// so a phonebook whose path is just under the limit still has room for them.
constexpr char16_t kTemporaryName[] = u"~tpb%d.tmp";
constexpr char16_t kTemporaryPattern[] = u"~tpb*.tmp";
constexpr char16_t kBackupName[] = u"~tpb%d.bak";
constexpr char16_t kBackupPattern[] = u"~tpb*.bak";
constexpr int kNamesPerKind = 16;
constexpr unsigned long kFileNotFound = 2;
// ERROR_FILE_EXISTS: every name is taken.
constexpr unsigned long kNoFreshName = 80;

bool IsWithinLimit(const WideString& path) { return !path.IsEmpty() && path.Length() < kMaxPath; }

// The file holds bytes, each one character of the same code: a character above 0xFF can never
// be found in it.
std::optional<std::string> ToBytes(const WideString& text)
{
    std::string bytes;
    for (const char16_t ch : text.view()) {
        if (ch > 0xFF)
            return std::nullopt;
        bytes += static_cast<char>(ch);
    }
    return bytes;
}

// Feeds the file from where it stands to its end, or until feed answers false. The platform's
// code of a failed read, else 0.
template <class Feed>
unsigned long ReadThrough(IFile& file, Feed&& feed)
{
    std::vector<char> piece(kReadPiece);
    for (;;) {
        std::size_t read = 0;
        if (const unsigned long error = file.Read(piece.data(), piece.size(), read))
            return error;
        if (read == 0 || !feed(std::string_view(piece.data(), read)))
            return 0;
    }
}

// Gathers the rewriter's small pieces into writes of a useful size; keeps the first failure.
class CBufferedOutput {
public:
    explicit CBufferedOutput(IFile& file) : m_file(file) { m_buffer.reserve(kWritePiece); }

    void Write(std::string_view bytes)
    {
        if (m_buffer.size() + bytes.size() > kWritePiece)
            Drain();
        if (bytes.size() >= kWritePiece)
            Put(bytes);
        else
            m_buffer.append(bytes);
    }

    unsigned long Finish()
    {
        Drain();
        return m_lError;
    }

private:
    void Drain()
    {
        Put(m_buffer);
        m_buffer.clear();
    }

    void Put(std::string_view bytes)
    {
        if (m_lError == 0 && !bytes.empty())
            m_lError = m_file.Write(bytes.data(), bytes.size());
    }

    IFile& m_file;
    std::string m_buffer;
    unsigned long m_lError = 0;
};

unsigned long CopyRewritten(IFile& phoneBook, IFile& output)
{
    CBufferedOutput buffered(output);
    phonebook::CMetricRewriter rewriter([&](std::string_view bytes) { buffered.Write(bytes); });
    if (const unsigned long error = ReadThrough(phoneBook, [&](std::string_view piece) {
            rewriter.Feed(piece);
            return true;
        }))
        return error;
    rewriter.Finish();
    return buffered.Finish();
}

std::optional<FileError> Closed(IFile& file, const WideString& path)
{
    if (const unsigned long error = file.Close())
        return FileError{error, path};
    return std::nullopt;
}

// The phonebook's folder, held so that nothing can be put in its place meanwhile.
std::unique_ptr<IFolder> HoldFolderOf(IFileSystem& files, const WideString& path, unsigned long& error)
{
    // The folder is opened by its own name, without the final separator.
    const WideString folder = FolderOf(path);
    return files.HoldFolder(WideString(folder.view().substr(0, folder.IsEmpty() ? 0 : folder.Length() - 1)), error);
}

WideString NumberedName(const char16_t* pattern, int number) { return WideString::Format(pattern, {number}); }

// A temporary and its backup share the name but for the extension.
std::u16string_view StemOf(const WideString& name) { return name.view().substr(0, name.view().find_last_of(u'.')); }

bool IsListed(const std::vector<FolderEntry>& entries, std::u16string_view stem)
{
    return std::any_of(entries.begin(), entries.end(), [&](const FolderEntry& entry) { return StemOf(entry.name) == stem; });
}

// What earlier rewrites left beside the phonebook when they could not finish or clean up (a
// killed process, a power loss, a removal another program held up): removed by every rewrite,
// which runs only once it holds the phonebook, so that no backup goes while it holds the only
// copy.
void RemoveStaleFiles(IFolder& folder)
{
    for (const char16_t* pattern : {kTemporaryPattern, kBackupPattern}) {
        for (const FolderEntry& entry : folder.FindFiles(pattern))
            folder.Delete(entry.name);
    }
}

// A new file of a fresh name beside the phonebook, protected as the phonebook is, whose backup's
// name is free too; never an existing file. A name taken by something that could not be removed
// (a folder, a file another program holds) is passed over.
std::unique_ptr<IFolderFile> CreateTemporary(IFolder& folder, IFolderFile& phoneBook, WideString& temporary,
                                             WideString& backup, unsigned long& error)
{
    const std::vector<FolderEntry> backups = folder.FindFiles(kBackupPattern);
    error = kNoFreshName;
    for (int number = 0; number < kNamesPerKind; ++number) {
        temporary = NumberedName(kTemporaryName, number);
        if (IsListed(backups, StemOf(temporary)))
            continue;
        if (auto file = folder.CreateLike(temporary, phoneBook, error)) {
            backup = NumberedName(kBackupName, number);
            return file;
        }
    }
    return nullptr;
}

// The new file takes the phonebook's name, the old bytes held under the backup's name meanwhile.
// When the new file cannot take the name, the old one takes it back; when neither can, both stay
// beside it, and the next lookup moves the old bytes back. Nothing here is told: the next Connect
// tries again. The code of the rename that failed, else 0.
unsigned long PutInPlace(IFolderFile& phoneBook, IFolderFile& fresh, const WideString& name, const WideString& backup)
{
    if (const unsigned long error = phoneBook.Rename(backup)) {
        fresh.RemoveWhenClosed();
        return error;
    }
    const unsigned long error = fresh.Rename(name);
    if (error == 0)
        phoneBook.RemoveWhenClosed();
    else if (phoneBook.Rename(name) == 0)
        fresh.RemoveWhenClosed();
    return error;
}

}  // namespace

CPhoneBook::CPhoneBook(IFileSystem& files, ISystemInfo& system, WideString fileName, CEventLog& log)
    : m_files(files), m_system(system), m_log(log), m_strFileName(std::move(fileName))
{
}

const WideString& CPhoneBook::GetPathCreatingFolder()
{
    if (!m_strPath.IsEmpty())
        return m_strPath;
    // Without the application-data folder there is no phonebook: no path is made up and no
    // folder is created, so the entry counts as not set up and no tool is pointed anywhere.
    const std::optional<WideString> appData = m_system.GetAppDataFolder();
    if (!appData || appData->IsEmpty())
        return m_strPath;
    const WideString folder = *appData + kCompanyFolder;
    m_files.CreateDirectory(folder);
    m_strPath = folder + u"\\" + m_strFileName;
    return m_strPath;
}

bool CPhoneBook::ExistsAndHoldsEntry(const WideString& path, const WideString& entryName)
{
    if (path.IsEmpty() || (!m_files.FileExists(path) && !RestoreFromBackup(path)))
        return false;
    if (!m_bEntryFound)
        m_bEntryFound = ContainsSectionLine(path, entryName);
    return m_bEntryFound;
}

bool CPhoneBook::ContainsSectionLine(const WideString& path, const WideString& entryName)
{
    unsigned long error = 0;
    const auto file = IsWithinLimit(path) ? m_files.OpenForReading(path, error) : nullptr;
    if (file == nullptr)
        return false;
    const auto sectionLine = ToBytes(u"[" + entryName + u"]");
    if (!sectionLine)
        return false;
    phonebook::CLineTextSearch search(*sectionLine);
    bool found = false;
    // A read that fails counts as not found this time; the next lookup searches again.
    if (ReadThrough(*file, [&](std::string_view piece) { return !(found = search.Feed(piece)); }) == 0 && !found)
        found = search.Finish();
    return found;
}

bool CPhoneBook::RestoreFromBackup(const WideString& path)
{
    unsigned long error = 0;
    const auto folder = HoldFolderOf(m_files, path, error);
    return folder != nullptr && MoveBackupBack(*folder, FileNameOf(path));
}

// The backup of a replace that was cut short: the newest backup whose temporary is there too.
// Any other backup was left by a replace that finished (another program held it when it was to
// go): the phonebook it holds was replaced, and never comes back.
bool CPhoneBook::MoveBackupBack(IFolder& folder, const WideString& name)
{
    const std::vector<FolderEntry> temporaries = folder.FindFiles(kTemporaryPattern);
    const FolderEntry* newest = nullptr;
    const std::vector<FolderEntry> backups = folder.FindFiles(kBackupPattern);
    for (const FolderEntry& backup : backups) {
        if (IsListed(temporaries, StemOf(backup.name)) && (newest == nullptr || backup.lastWritten > newest->lastWritten))
            newest = &backup;
    }
    if (newest == nullptr || folder.Move(newest->name, name) != 0)
        return false;
    m_log.Record(u"phonebook moved back from %s, left by a replace cut short", {newest->name.view()});
    return true;
}

std::optional<FileError> CPhoneBook::Skipped(const char16_t* why, unsigned long error)
{
    m_log.Record(u"metric rewrite: skipped, %s, error %d", {why, static_cast<int>(error)});
    return std::nullopt;
}

std::optional<FileError> CPhoneBook::Failed(unsigned long error, const WideString& path)
{
    m_log.Record(u"metric rewrite: failed, error %d", {static_cast<int>(error)});
    return FileError{error, path};
}

std::optional<FileError> CPhoneBook::RewriteMetricLines(const WideString& path)
{
    if (!IsWithinLimit(path))
        return Skipped(u"no path within the limit", 0);
    // Held for the whole rewrite.
    unsigned long error = 0;
    const auto folder = HoldFolderOf(m_files, path, error);
    if (folder == nullptr)
        return Skipped(u"the folder not taken", error);
    return Rewrite(*folder, FileNameOf(path), path);
}

std::optional<FileError> CPhoneBook::Rewrite(IFolder& folder, const WideString& name, const WideString& path)
{
    unsigned long error = 0;
    auto phoneBook = folder.OpenExclusive(name, error);
    if (phoneBook == nullptr && error == kFileNotFound && MoveBackupBack(folder, name))
        phoneBook = folder.OpenExclusive(name, error);
    if (phoneBook == nullptr)
        return Skipped(u"the phonebook not taken", error);
    RemoveStaleFiles(folder);

    // A first reading only looks: a file that is already right is never touched, not even its
    // time of last change.
    phonebook::CMetricRewriter scan([](std::string_view) {});
    if (const unsigned long readError = ReadThrough(*phoneBook, [&](std::string_view piece) {
            scan.Feed(piece);
            return !scan.Changed();
        }))
        return Failed(readError, path);
    scan.Finish();
    if (!scan.Changed()) {
        m_log.Record(u"metric rewrite: the phonebook is right as it is");
        return Closed(*phoneBook, path);
    }

    WideString temporary, backup;
    const auto output = CreateTemporary(folder, *phoneBook, temporary, backup, error);
    if (output == nullptr)
        return Skipped(u"no new file made", error);
    error = phoneBook->Rewind();
    if (error == 0)
        error = CopyRewritten(*phoneBook, *output);
    // On the disk before it takes the phonebook's name: a power loss must not leave an empty file
    // there.
    if (error == 0)
        error = output->Flush();
    if (error != 0) {
        output->RemoveWhenClosed();
        return Failed(error, path);
    }
    if (const unsigned long refused = PutInPlace(*phoneBook, *output, name, backup))
        return Skipped(u"the new file not put in place", refused);
    m_log.Record(u"metric rewrite: rewritten");
    return std::nullopt;
}
