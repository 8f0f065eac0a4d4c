#include "phonebook/PhoneBook.h"

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
// takes its place. Their names are shorter than the phonebook's own, so a phonebook whose path
// is just under the limit still has room for them.
constexpr char16_t kTemporaryName[] = u"~tpb%d.tmp";
constexpr char16_t kTemporaryPattern[] = u"~tpb*.tmp";
constexpr char16_t kBackupName[] = u"~tpb%d.bak";
constexpr char16_t kBackupPattern[] = u"~tpb*.bak";
constexpr int kNamesPerKind = 16;
// ERROR_FILE_EXISTS: every backup name is taken.
constexpr unsigned long kNoFreshName = 80;

bool IsWithinLimit(const WideString& path) { return !path.IsEmpty() && path.Length() < kMaxPath; }

std::unique_ptr<IFile> OpenPhoneBook(IFileSystem& files, const WideString& path, FileOpen mode)
{
    if (!IsWithinLimit(path))
        return nullptr;
    unsigned long error = 0;
    return files.Open(path, mode, error);
}

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

// A refusal to open is silent, as the next command tries again, unless what stands at the path is
// not a real file there: the user is told that the phonebook is left alone.
std::optional<FileError> Refused(unsigned long error, const WideString& path)
{
    if (error != kNotARealFile)
        return std::nullopt;
    return FileError{error, path};
}

std::optional<FileError> Closed(IFile& file, const WideString& path)
{
    if (const unsigned long error = file.Close())
        return FileError{error, path};
    return std::nullopt;
}

// The phonebook's folder, opened so that nothing can be put in its place while it is held.
std::unique_ptr<IFile> HoldFolderOf(IFileSystem& files, const WideString& path, unsigned long& error)
{
    // The folder is opened by its own name, without the final separator.
    const WideString folder = FolderOf(path);
    return files.Open(WideString(folder.view().substr(0, folder.IsEmpty() ? 0 : folder.Length() - 1)),
                      FileOpen::HoldFolder, error);
}

WideString FileName(const WideString& folder, const char16_t* pattern, int number)
{
    return folder + WideString::Format(pattern, {number});
}

// A name of the pattern beside the phonebook that no file holds now; empty when all are taken.
WideString FreshName(IFileSystem& files, const WideString& folder, const char16_t* pattern)
{
    for (int number = 0; number < kNamesPerKind; ++number) {
        const WideString name = FileName(folder, pattern, number);
        if (!files.FileExists(name))
            return name;
    }
    return WideString();
}

}  // namespace

CPhoneBook::CPhoneBook(IFileSystem& files, ISystemInfo& system, WideString fileName)
    : m_files(files), m_system(system), m_strFileName(std::move(fileName))
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
    const auto file = OpenPhoneBook(m_files, path, FileOpen::ReadShared);
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
    return folder != nullptr && MoveBackupBack(path);
}

bool CPhoneBook::MoveBackupBack(const WideString& path)
{
    const WideString folder = FolderOf(path);
    for (const WideString& name : m_files.FindFiles(folder, kBackupPattern)) {
        if (m_files.MoveFile(folder + name, path) == 0)
            return true;
    }
    return false;
}

std::optional<FileError> CPhoneBook::RewriteMetricLines(const WideString& path)
{
    if (!IsWithinLimit(path))
        return std::nullopt;
    // Held for the whole rewrite.
    unsigned long error = 0;
    const auto folder = HoldFolderOf(m_files, path, error);
    if (folder == nullptr)
        return Refused(error, path);
    return Rewrite(path);
}

std::optional<FileError> CPhoneBook::Rewrite(const WideString& path)
{
    if (!m_files.FileExists(path))
        MoveBackupBack(path);
    unsigned long error = 0;
    const auto phoneBook = m_files.Open(path, FileOpen::ReadAlone, error);
    if (phoneBook == nullptr)
        return Refused(error, path);
    const WideString folder = FolderOf(path);
    RemoveStaleFiles(folder);

    // A first reading only looks: a file that is already right is never touched, not even its
    // time of last change.
    phonebook::CMetricRewriter scan([](std::string_view) {});
    if (const unsigned long readError = ReadThrough(*phoneBook, [&](std::string_view piece) {
            scan.Feed(piece);
            return !scan.Changed();
        }))
        return FileError{readError, path};
    scan.Finish();
    if (!scan.Changed())
        return Closed(*phoneBook, path);

    WideString temporary;
    const auto output = CreateTemporary(folder, temporary, error);
    if (output == nullptr) {
        if (const auto closeError = Closed(*phoneBook, path))
            return closeError;
        return Refused(error, path);
    }
    error = phoneBook->Rewind();
    if (error == 0)
        error = CopyRewritten(*phoneBook, *output);
    // On the disk before it takes the phonebook's name: a power loss must not leave an empty file
    // there.
    if (error == 0)
        error = output->Flush();
    if (const unsigned long closeError = output->Close(); error == 0)
        error = closeError;
    if (const unsigned long closeError = phoneBook->Close(); error == 0)
        error = closeError;
    if (error != 0) {
        m_files.DeleteFile(temporary);
        return FileError{error, path};
    }
    return PutInPlace(path, temporary);
}

std::optional<FileError> CPhoneBook::PutInPlace(const WideString& path, const WideString& temporary)
{
    const WideString backup = FreshName(m_files, FolderOf(path), kBackupName);
    const unsigned long result = backup.IsEmpty() ? kNoFreshName : m_files.ReplaceFile(path, temporary, backup);
    if (result == 0) {
        m_files.DeleteFile(backup);
        return std::nullopt;
    }
    // Still there, as before: a phonebook another program holds, say. The next Connect tries
    // again.
    if (m_files.FileExists(path)) {
        m_files.DeleteFile(temporary);
        return Refused(result, path);
    }
    if (m_files.MoveFile(backup, path) == 0) {
        m_files.DeleteFile(temporary);
        return std::nullopt;
    }
    if (m_files.MoveFile(temporary, path) == 0)
        m_files.DeleteFile(backup);
    // Neither could be moved: the backup keeps the old bytes, and the next lookup moves them back.
    return std::nullopt;
}

void CPhoneBook::RemoveStaleFiles(const WideString& folder)
{
    for (const char16_t* pattern : {kTemporaryPattern, kBackupPattern}) {
        for (const WideString& name : m_files.FindFiles(folder, pattern))
            m_files.DeleteFile(folder + name);
    }
}

std::unique_ptr<IFile> CPhoneBook::CreateTemporary(const WideString& folder, WideString& path, unsigned long& error)
{
    // A name taken by something that could not be removed (a folder, a file another program
    // holds) is passed over.
    for (int number = 0; number < kNamesPerKind; ++number) {
        path = FileName(folder, kTemporaryName, number);
        if (auto file = m_files.Open(path, FileOpen::CreateNew, error))
            return file;
    }
    return nullptr;
}
