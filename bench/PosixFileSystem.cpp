#include "platform/posix/PosixFileSystem.h"

#include <cerrno>
#include <fcntl.h>
#include <string>
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
        return 5;  // ERROR_ACCESS_DENIED
    case ENOSPC:
        return 112;  // ERROR_DISK_FULL
    case ENAMETOOLONG:
        return 206;  // ERROR_FILENAME_EXCED_RANGE
    default:
        return 31;  // ERROR_GEN_FAILURE
    }
}

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
        return got < 0 ? ToPlatformError(errno) : 0;
    }

    unsigned long GetSize(std::uint64_t& size) override
    {
        struct stat info {};
        if (::fstat(m_fd, &info) != 0)
            return ToPlatformError(errno);
        size = static_cast<std::uint64_t>(info.st_size);
        return 0;
    }

    unsigned long Write(const void* data, std::size_t size) override
    {
        const char* bytes = static_cast<const char*>(data);
        while (size > 0) {
            const ssize_t written = ::write(m_fd, bytes, size);
            if (written < 0)
                return ToPlatformError(errno);
            bytes += written;
            size -= static_cast<std::size_t>(written);
        }
        return 0;
    }

    unsigned long Close() override
    {
        const int fd = m_fd;
        m_fd = -1;
        return ::close(fd) == 0 ? 0 : ToPlatformError(errno);
    }

private:
    int m_fd;
};

}  // namespace

std::string ToUtf8(const WideString& text)
{
    std::string out;
    for (const char16_t ch : text.view()) {
        if (ch < 0x80) {
            out += static_cast<char>(ch);
        } else if (ch < 0x800) {
            out += static_cast<char>(0xC0 | (ch >> 6));
            out += static_cast<char>(0x80 | (ch & 0x3F));
        } else {
            out += static_cast<char>(0xE0 | (ch >> 12));
            out += static_cast<char>(0x80 | ((ch >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (ch & 0x3F));
        }
    }
    return out;
}

std::unique_ptr<IFile> CPosixFileSystem::Open(const WideString& path, FileOpen mode, unsigned long& error)
{
    const int flags = mode == FileOpen::ReadExisting ? O_RDONLY : O_WRONLY | O_CREAT | O_TRUNC;
    const int fd = ::open(ToUtf8(path).c_str(), flags | O_CLOEXEC, 0644);
    if (fd < 0) {
        error = ToPlatformError(errno);
        return nullptr;
    }
    error = 0;
    return std::make_unique<CPosixFile>(fd);
}

bool CPosixFileSystem::FileExists(const WideString& path)
{
    struct stat info {};
    return ::stat(ToUtf8(path).c_str(), &info) == 0;
}

void CPosixFileSystem::CreateDirectory(const WideString& path) { ::mkdir(ToUtf8(path).c_str(), 0755); }

unsigned long CPosixFileSystem::ReplaceFile(const WideString& replaced, const WideString& replacement)
{
    return ::rename(ToUtf8(replacement).c_str(), ToUtf8(replaced).c_str()) == 0 ? 0 : ToPlatformError(errno);
}

void CPosixFileSystem::DeleteFile(const WideString& path) { ::unlink(ToUtf8(path).c_str()); }
