#include "phonebook/PhoneBook.h"

#include <optional>
#include <string>
#include <vector>

#include "framework/FileException.h"
#include "phonebook/PhoneBookText.h"

namespace {

// The platform's file layer refuses paths of this many characters or more.
constexpr std::size_t kMaxPath = 260;
constexpr std::size_t kReadPiece = 256 * 1024;
constexpr std::size_t kWritePiece = 64 * 1024;
constexpr char16_t kCompanyFolder[] = u"\\Tolvex Computer";
// Temporary files beside the phonebook. Their names are shorter than the phonebook's own, so a
// phonebook whose path is just under the limit still has room for them.
constexpr char16_t kTemporaryPattern[] = u"~tpb*.tmp";
constexpr int kTemporaryNames = 16;

std::unique_ptr<IFile> OpenPhoneBook(IFileSystem& files, const WideString& path, FileOpen mode)
{
    if (path.IsEmpty() || path.Length() >= kMaxPath)
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

void CloseOrThrow(IFile& file, const WideString& path)
{
    if (const unsigned long error = file.Close())
        CFileException::ThrowOsError(error, path);
}

// The folder of a path, with its final backslash.
WideString FolderOf(const WideString& path)
{
    return WideString(path.view().substr(0, path.view().find_last_of(u'\\') + 1));
}

WideString TemporaryName(const WideString& folder, int number)
{
    return folder + WideString::Format(u"~tpb%d.tmp", {number});
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
    WideString appData;
    if (!m_system.GetAppDataFolder(appData) || appData.IsEmpty())
        return m_strPath;
    const WideString folder = appData + kCompanyFolder;
    m_files.CreateDirectory(folder);
    m_strPath = folder + u"\\" + m_strFileName;
    return m_strPath;
}

bool CPhoneBook::ContainsSectionLine(const WideString& path, const WideString& entryName)
{
    const auto file = OpenPhoneBook(m_files, path, FileOpen::ReadExisting);
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
    file->Close();
    return found;
}

bool CPhoneBook::ExistsAndHoldsEntry(const WideString& path, const WideString& entryName)
{
    if (path.IsEmpty() || !m_files.FileExists(path))
        return false;
    if (!m_bEntryFound)
        m_bEntryFound = ContainsSectionLine(path, entryName);
    return m_bEntryFound;
}

void CPhoneBook::RewriteMetricLines(const WideString& path)
{
    const auto phoneBook = OpenPhoneBook(m_files, path, FileOpen::ReadExisting);
    if (phoneBook == nullptr)
        return;
    const WideString folder = FolderOf(path);
    RemoveStaleTemporaries(folder);

    // A first reading only looks: a file that is already right is never touched, not even its
    // time of last change.
    phonebook::CMetricRewriter scan([](std::string_view) {});
    if (const unsigned long error = ReadThrough(*phoneBook, [&](std::string_view piece) {
            scan.Feed(piece);
            return !scan.Changed();
        }))
        CFileException::ThrowOsError(error, path);
    scan.Finish();
    if (!scan.Changed()) {
        CloseOrThrow(*phoneBook, path);
        return;
    }

    WideString temporary;
    auto output = CreateTemporary(folder, temporary);
    if (output == nullptr) {
        CloseOrThrow(*phoneBook, path);
        return;
    }
    unsigned long error = phoneBook->Rewind();
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
        CFileException::ThrowOsError(error, path);
    }
    PutInPlace(path, temporary);
}

void CPhoneBook::PutInPlace(const WideString& path, const WideString& temporary)
{
    const WideString backup = FreshName(FolderOf(path));
    if (m_files.ReplaceFile(path, temporary, backup) == 0) {
        m_files.DeleteFile(backup);
        return;
    }
    // Still there, as before: a phonebook another program holds, say. The next Connect tries
    // again.
    if (m_files.FileExists(path)) {
        m_files.DeleteFile(temporary);
        m_files.DeleteFile(backup);
        return;
    }
    // The replace took the phonebook away and could not finish.
    if (!backup.IsEmpty() && m_files.MoveFile(backup, path) == 0) {
        m_files.DeleteFile(temporary);
        return;
    }
    if (m_files.MoveFile(temporary, path) == 0)
        m_files.DeleteFile(backup);
    // Neither could be moved: both copies stay where they are rather than be lost.
}

void CPhoneBook::RemoveStaleTemporaries(const WideString& folder)
{
    for (const WideString& name : m_files.FindFiles(folder, kTemporaryPattern))
        m_files.DeleteFile(folder + name);
}

std::unique_ptr<IFile> CPhoneBook::CreateTemporary(const WideString& folder, WideString& path)
{
    // A name taken by something that could not be removed (a folder, a file another program
    // holds) is passed over.
    for (int number = 0; number < kTemporaryNames; ++number) {
        path = TemporaryName(folder, number);
        if (auto file = OpenPhoneBook(m_files, path, FileOpen::CreateNew))
            return file;
    }
    return nullptr;
}

WideString CPhoneBook::FreshName(const WideString& folder)
{
    for (int number = 0; number < kTemporaryNames; ++number) {
        const WideString name = TemporaryName(folder, number);
        if (!m_files.FileExists(name))
            return name;
    }
    return WideString();
}
