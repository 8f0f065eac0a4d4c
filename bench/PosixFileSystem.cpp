#include "PosixFileSystem.h"

#include <cerrno>
#include <cstdio>
#include <dirent.h>
#include <fcntl.h>
#include <strings.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// The platform's codes for the failures a POSIX call reports.
unsigned long ToPlatformError(int error)
{
    switch (error) {
    case ENOENT:
        return 2;  // ERROR_FILE_NOT_FOUND
    case ENOTDIR:
        return 3;  // ERROR_PATH_NOT_FOUND
    case EMFILE:
    case ENFILE:
        return 4;  // ERROR_TOO_MANY_OPEN_FILES
    case EACCES:
    case EPERM:
    case EROFS:
    case EISDIR:
        return 5;  // ERROR_ACCESS_DENIED
    case EEXIST:
        return 80;  // ERROR_FILE_EXISTS
    case ENOSPC:
        return 112;  // ERROR_DISK_FULL
    case ENAMETOOLONG:
        return 206;  // ERROR_FILENAME_EXCED_RANGE
    default:
        return 31;  // ERROR_GEN_FAILURE
    }
}

constexpr unsigned long kAlreadyExists = 183;         // ERROR_ALREADY_EXISTS
constexpr unsigned long kUnableToRemoveReplaced = 1175;  // ERROR_UNABLE_TO_REMOVE_REPLACED
constexpr unsigned long kUnableToMoveReplacement = 1176;  // ERROR_UNABLE_TO_MOVE_REPLACEMENT

unsigned long LastError() { return ToPlatformError(errno); }

class CPosixFile : public IFile {
public:
    explicit CPosixFile(int fd) : m_fd(fd) {}
    ~CPosixFile() override
    {
        if (m_fd >= 0)
            ::close(m_fd);
    }

    unsigned long Read(void* buffer, std::size_t size, std::size_t& read) override
    {
        const ssize_t got = ::read(m_fd, buffer, size);
        read = got > 0 ? static_cast<std::size_t>(got) : 0;
        return got < 0 ? LastError() : 0;
    }

    unsigned long Rewind() override { return ::lseek(m_fd, 0, SEEK_SET) == 0 ? 0 : LastError(); }

    unsigned long Write(const void* data, std::size_t size) override
    {
        for (const char* bytes = static_cast<const char*>(data); size > 0;) {
            const ssize_t written = ::write(m_fd, bytes, size);
            if (written < 0)
                return LastError();
            bytes += written;
            size -= static_cast<std::size_t>(written);
        }
        return 0;
    }

    unsigned long Flush() override { return ::fsync(m_fd) == 0 ? 0 : LastError(); }

    unsigned long Close() override
    {
        const int fd = m_fd;
        m_fd = -1;
        return ::close(fd) == 0 ? 0 : LastError();
    }

private:
    int m_fd;
};

std::string ToUtf8(std::u16string_view text)
{
    std::string out;
    for (std::size_t i = 0; i < text.size(); ++i) {
        char32_t ch = text[i];
        if (ch >= 0xD800 && ch < 0xDC00 && i + 1 < text.size() && text[i + 1] >= 0xDC00 && text[i + 1] < 0xE000)
            ch = 0x10000 + ((ch - 0xD800) << 10) + (text[++i] - 0xDC00);
        constexpr unsigned char kLead[] = {0x00, 0xC0, 0xE0, 0xF0};
        const int extra = ch < 0x80 ? 0 : ch < 0x800 ? 1 : ch < 0x10000 ? 2 : 3;
        out += static_cast<char>(kLead[extra] | ch >> (6 * extra));
        for (int k = extra - 1; k >= 0; --k)
            out += static_cast<char>(0x80 | ((ch >> (6 * k)) & 0x3F));
    }
    return out;
}

WideString FromUtf8(std::string_view bytes)
{
    std::u16string out;
    for (std::size_t i = 0; i < bytes.size();) {
        const auto lead = static_cast<unsigned char>(bytes[i++]);
        const int extra = lead < 0xC0 ? 0 : lead < 0xE0 ? 1 : lead < 0xF0 ? 2 : 3;
        char32_t ch = extra == 0 ? lead : lead & (0x3Fu >> extra);
        for (int k = 0; k < extra && i < bytes.size(); ++k)
            ch = ch << 6 | (static_cast<unsigned char>(bytes[i++]) & 0x3F);
        if (ch >= 0x10000) {
            out += static_cast<char16_t>(0xD800 + ((ch - 0x10000) >> 10));
            ch = 0xDC00 + ((ch - 0x10000) & 0x3FF);
        }
        out += static_cast<char16_t>(ch);
    }
    return WideString(std::move(out));
}

// The platform's wildcard with at most one "*", compared without regard to ASCII case.
bool Matches(const std::string& name, const std::string& pattern)
{
    const std::size_t star = pattern.find('*');
    if (star == std::string::npos)
        return ::strcasecmp(name.c_str(), pattern.c_str()) == 0;
    const std::size_t tail = pattern.size() - star - 1;
    return name.size() >= star + tail && ::strncasecmp(name.c_str(), pattern.c_str(), star) == 0 &&
           ::strcasecmp(name.c_str() + name.size() - tail, pattern.c_str() + star + 1) == 0;
}

}  // namespace

std::string NativePath(const WideString& path)
{
    std::string native = ToUtf8(path.view());
    for (char& ch : native)
        ch = ch == '\\' ? '/' : ch;
    return native;
}

std::unique_ptr<IFile> CPosixFileSystem::Open(const WideString& path, FileOpen mode, unsigned long& error)
{
    const int flags = mode == FileOpen::ReadExisting ? O_RDONLY : O_WRONLY | O_CREAT | O_EXCL;
    const int fd = ::open(NativePath(path).c_str(), flags | O_CLOEXEC, 0644);
    error = fd < 0 ? LastError() : 0;
    return fd < 0 ? nullptr : std::make_unique<CPosixFile>(fd);
}

bool CPosixFileSystem::FileExists(const WideString& path)
{
    struct stat info {};
    return ::stat(NativePath(path).c_str(), &info) == 0;
}

void CPosixFileSystem::CreateDirectory(const WideString& path) { ::mkdir(NativePath(path).c_str(), 0755); }

// The old file gets the backup's name as a second link before the new one is renamed over it,
// so the phonebook's name never stands empty here.
unsigned long CPosixFileSystem::ReplaceFile(const WideString& replaced, const WideString& replacement,
                                            const WideString& backup)
{
    const std::string target = NativePath(replaced);
    if (!FileExists(replaced))
        return 2;  // ERROR_FILE_NOT_FOUND
    if (!backup.IsEmpty()) {
        const std::string old = NativePath(backup);
        ::unlink(old.c_str());
        if (::link(target.c_str(), old.c_str()) != 0)
            return kUnableToRemoveReplaced;
    }
    return ::rename(NativePath(replacement).c_str(), target.c_str()) == 0 ? 0 : kUnableToMoveReplacement;
}

unsigned long CPosixFileSystem::MoveFile(const WideString& from, const WideString& to)
{
    if (::renameat2(AT_FDCWD, NativePath(from).c_str(), AT_FDCWD, NativePath(to).c_str(), RENAME_NOREPLACE) == 0)
        return 0;
    return errno == EEXIST ? kAlreadyExists : LastError();
}

unsigned long CPosixFileSystem::DeleteFile(const WideString& path)
{
    return ::unlink(NativePath(path).c_str()) == 0 ? 0 : LastError();
}

std::vector<WideString> CPosixFileSystem::FindFiles(const WideString& folder, const WideString& pattern)
{
    std::vector<WideString> names;
    DIR* dir = ::opendir(NativePath(folder).c_str());
    if (dir == nullptr)
        return names;
    const std::string wanted = ToUtf8(pattern.view());
    while (const dirent* entry = ::readdir(dir)) {
        const std::string name = entry->d_name;
        if (entry->d_type != DT_DIR && Matches(name, wanted))
            names.push_back(FromUtf8(name));
    }
    ::closedir(dir);
    return names;
}
