// Where the private phonebook lives, whether the managed entry is in it, and the rewrite of its
// interface-metric lines.
#include <algorithm>
#include <optional>
#include <string>
#include <vector>

#include "framework/FileException.h"
#include "phonebook/PhoneBookText.h"
#include "ui/TolvexDesktopWinDlg.h"
#include "ui/resources/resource.h"

namespace {

// The platform's file layer refuses paths of this many characters or more.
constexpr std::size_t kMaxPath = 260;
constexpr std::size_t kReadPiece = 256 * 1024;
constexpr char16_t kCompanyFolder[] = u"\\Tolvex Computer";
constexpr char16_t kReplacementSuffix[] = u".new";

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
    bytes.reserve(text.Length());
    for (const char16_t ch : text.view()) {
        if (ch > 0xFF)
            return std::nullopt;
        bytes += static_cast<char>(ch);
    }
    return bytes;
}

[[noreturn]] void CloseAndThrow(IFile& file, unsigned long error, const WideString& path)
{
    file.Close();
    CFileException::ThrowOsError(error, path);
}

// Reads straight into a string of the file's size, so that the file is in memory once.
std::string ReadWholeFile(IFile& file, const WideString& path)
{
    std::uint64_t expected = 0;
    if (const unsigned long error = file.GetSize(expected))
        CloseAndThrow(file, error, path);
    std::string content;
    content.resize(static_cast<std::size_t>(std::min<std::uint64_t>(expected, content.max_size())));
    std::size_t filled = 0;
    for (;;) {
        std::size_t read = 0;
        unsigned long error = 0;
        if (filled < content.size()) {
            error = file.Read(content.data() + filled, content.size() - filled, read);
        } else {
            // A file that grew since its size was taken is read on to its new end.
            char more[4096];
            error = file.Read(more, sizeof(more), read);
            content.append(more, error == 0 ? read : 0);
        }
        if (error != 0)
            CloseAndThrow(file, error, path);
        if (read == 0)
            break;
        filled += read;
    }
    content.resize(filled);
    return content;
}

void CloseOrThrow(IFile& file, const WideString& path)
{
    if (const unsigned long error = file.Close())
        CFileException::ThrowOsError(error, path);
}

}  // namespace

WideString CTolvexDesktopWinDlg::GetPhoneBookPath()
{
    if (!m_strPhoneBookPath.IsEmpty())
        return m_strPhoneBookPath;
    // Without the application-data folder there is no phonebook: no path is made up and no
    // folder is created, so the entry counts as not set up and no tool is pointed anywhere.
    WideString appData;
    if (!platform().system.GetAppDataFolder(appData) || appData.IsEmpty())
        return WideString();
    const WideString folder = appData + kCompanyFolder;
    platform().files.CreateDirectory(folder);
    m_strPhoneBookPath = folder + u"\\" + WideString::Load(platform().resources, IDS_PHONEBOOK_FILE_NAME);
    return m_strPhoneBookPath;
}

int CTolvexDesktopWinDlg::FindEntrySection(const WideString& path, const WideString& entryName)
{
    const auto file = OpenPhoneBook(platform().files, path, FileOpen::ReadExisting);
    if (file == nullptr)
        return 0;
    const auto sectionLine = ToBytes(u"[" + entryName + u"]");
    bool found = false;
    if (sectionLine) {
        phonebook::CLineTextSearch search(*sectionLine);
        std::vector<char> piece(kReadPiece);
        std::size_t read = 0;
        unsigned long error = 0;
        // A read that fails counts as not found this time; the next lookup searches again.
        while (!found && (error = file->Read(piece.data(), piece.size(), read)) == 0 && read != 0)
            found = search.Feed({piece.data(), read});
        if (!found && error == 0)
            found = search.Finish();
    }
    file->Close();
    return found ? 1 : 0;
}

int CTolvexDesktopWinDlg::IsEntryConfigured(const WideString& path, const WideString& entryName)
{
    if (path.IsEmpty() || !platform().files.FileExists(path))
        return 0;
    if (m_bEntryFound != 0)
        return 1;
    if (FindEntrySection(path, entryName) != 1)
        return 0;
    m_bEntryFound = 1;
    return 1;
}

void CTolvexDesktopWinDlg::RewriteInterfaceMetric()
{
    const WideString path = GetPhoneBookPath();
    const auto input = OpenPhoneBook(platform().files, path, FileOpen::ReadExisting);
    if (input == nullptr)
        return;

    const std::string content = ReadWholeFile(*input, path);
    CloseOrThrow(*input, path);

    // A file that is already right is never touched, not even its time of last change.
    if (!phonebook::NeedsMetricRewrite(content))
        return;
    WriteReplacingPhoneBook(path, content);
}

void CTolvexDesktopWinDlg::WriteReplacingPhoneBook(const WideString& path, const std::string& content)
{
    // The new text goes to a file beside the phonebook, which takes the phonebook's place only
    // once complete: a failure on the way leaves the phonebook exactly as it was.
    const WideString replacement = path + kReplacementSuffix;
    const auto output = OpenPhoneBook(platform().files, replacement, FileOpen::CreateAlways);
    if (output == nullptr)
        return;
    unsigned long error = 0;
    phonebook::WriteMetricRewrite(content, [&](std::string_view bytes) {
        if (error == 0)
            error = output->Write(bytes.data(), bytes.size());
    });
    if (const unsigned long closeError = output->Close(); error == 0)
        error = closeError;
    if (error != 0) {
        platform().files.DeleteFile(replacement);
        CFileException::ThrowOsError(error, path);
    }
    // A phonebook held open by another program cannot be replaced now; it stays as it is and
    // the next Connect tries again.
    if (platform().files.ReplaceFile(path, replacement) != 0)
        platform().files.DeleteFile(replacement);
}
