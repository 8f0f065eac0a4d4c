#include "PosixFileSystem.h"

#include <cerrno>
#include <cstdio>
#include <dirent.h>
#include <fcntl.h>
#include <fnmatch.h>
#include <sys/stat.h>
#include <unistd.h>

#include <utility>

namespace {

// The platform's codes for the failures a POSIX call reports.
unsigned long ToPlatformError(int error)
{
    switch (error) {
    case ENOENT: return 2;                             // ERROR_FILE_NOT_FOUND
    case ENOTDIR: return 3;                            // ERROR_PATH_NOT_FOUND
    case EMFILE: case ENFILE: return 4;                // ERROR_TOO_MANY_OPEN_FILES
    case EACCES: case EPERM: case EROFS: case EISDIR: return 5;  // ERROR_ACCESS_DENIED
    case EEXIST: return 80;                            // ERROR_FILE_EXISTS
    case ENOSPC: return 112;                           // ERROR_DISK_FULL
    case ENAMETOOLONG: return 206;                     // ERROR_FILENAME_EXCED_RANGE
    default: return 31;                                // ERROR_GEN_FAILURE
    }
}

constexpr unsigned long kAlreadyExists = 183;             // ERROR_ALREADY_EXISTS
constexpr unsigned long kUnableToRemoveReplaced = 1175;   // ERROR_UNABLE_TO_REMOVE_REPLACED
constexpr unsigned long kUnableToMoveReplacement = 1176;  // ERROR_UNABLE_TO_MOVE_REPLACEMENT

unsigned long LastError() { return ToPlatformError(errno); }
unsigned long Result(bool succeeded) { return succeeded ? 0 : LastError(); }

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

    unsigned long Rewind() override { return Result(::lseek(m_fd, 0, SEEK_SET) == 0); }

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

    unsigned long Flush() override { return Result(::fsync(m_fd) == 0); }
    unsigned long Close() override { return Result(::close(std::exchange(m_fd, -1)) == 0); }

private:
    int m_fd;
};

}  // namespace

// A character above 0xFF has no byte: it becomes one that no name of the bench's folder holds.
std::string NativePath(const WideString& path)
{
    std::string native;
    for (const char16_t ch : path.view())
        native += ch == u'\\' ? '/' : ch > 0xFF ? '\x01' : static_cast<char>(ch);
    return native;
}

std::unique_ptr<IFile> CPosixFileSystem::Open(const WideString& path, FileOpen mode, unsigned long& error)
{
    const int flags = mode == FileOpen::CreateNew ? O_WRONLY | O_CREAT | O_EXCL
        : mode == FileOpen::HoldFolder          ? O_RDONLY | O_DIRECTORY
                                                : O_RDONLY;
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
    return Result(::unlink(NativePath(path).c_str()) == 0);
}

std::vector<WideString> CPosixFileSystem::FindFiles(const WideString& folder, const WideString& pattern)
{
    std::vector<WideString> names;
    DIR* dir = ::opendir(NativePath(folder).c_str());
    if (dir == nullptr)
        return names;
    const std::string wanted = NativePath(pattern);
    while (const dirent* entry = ::readdir(dir)) {
        const std::string name = entry->d_name;  // bytes widened one to one, as NativePath narrows them
        if (entry->d_type != DT_DIR && ::fnmatch(wanted.c_str(), name.c_str(), FNM_CASEFOLD) == 0)
            names.push_back(WideString(std::u16string(name.begin(), name.end())));
    }
    ::closedir(dir);
    return names;
}
