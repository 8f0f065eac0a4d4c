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

constexpr unsigned long kAlreadyExists = 183;  // ERROR_ALREADY_EXISTS

unsigned long LastError() { return ToPlatformError(errno); }
unsigned long Result(bool succeeded) { return succeeded ? 0 : LastError(); }

unsigned long RenameAt(int folder, const std::string& from, const std::string& to)
{
    if (::renameat2(folder, from.c_str(), folder, to.c_str(), RENAME_NOREPLACE) == 0)
        return 0;
    return errno == EEXIST ? kAlreadyExists : LastError();
}

class CPosixFile : public IFolderFile {
public:
    CPosixFile(int fd, int folder = -1, std::string name = "") : m_fd(fd), m_folder(folder), m_name(std::move(name)) {}
    ~CPosixFile() override { Close(); }

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

    unsigned long Close() override
    {
        if (m_fd < 0)
            return 0;
        if (m_bRemove)
            ::unlinkat(m_folder, m_name.c_str(), 0);
        return Result(::close(std::exchange(m_fd, -1)) == 0);
    }

    // By the name it was last given: POSIX renames names, not open files.
    unsigned long Rename(const WideString& name) override
    {
        const unsigned long error = RenameAt(m_folder, m_name, NativePath(name));
        if (error == 0)
            m_name = NativePath(name);
        return error;
    }

    unsigned long RemoveWhenClosed() override { return m_bRemove = true, 0; }

private:
    int m_fd;
    int m_folder;
    std::string m_name;
    bool m_bRemove = false;
};

class CPosixFolder : public IFolder {
public:
    explicit CPosixFolder(int fd) : m_fd(fd) {}
    ~CPosixFolder() override { ::close(m_fd); }

    std::unique_ptr<IFolderFile> OpenExclusive(const WideString& name, unsigned long& error) override
    {
        return Open(name, O_RDWR, error);
    }
    std::unique_ptr<IFolderFile> CreateLike(const WideString& name, IFolderFile&, unsigned long& error) override
    {
        return Open(name, O_WRONLY | O_CREAT | O_EXCL, error);
    }
    unsigned long Move(const WideString& from, const WideString& to) override { return RenameAt(m_fd, NativePath(from), NativePath(to)); }
    unsigned long Delete(const WideString& name) override { return Result(::unlinkat(m_fd, NativePath(name).c_str(), 0) == 0); }

    std::vector<FolderEntry> FindFiles(const WideString& pattern) override
    {
        std::vector<FolderEntry> found;
        DIR* dir = ::fdopendir(::dup(m_fd));
        if (dir == nullptr)
            return found;
        ::rewinddir(dir);
        const std::string wanted = NativePath(pattern);
        while (const dirent* entry = ::readdir(dir)) {
            const std::string name = entry->d_name;  // bytes widened one to one, as NativePath narrows them
            struct stat info {};
            if (entry->d_type != DT_DIR && ::fnmatch(wanted.c_str(), name.c_str(), FNM_CASEFOLD) == 0
                && ::fstatat(m_fd, name.c_str(), &info, AT_SYMLINK_NOFOLLOW) == 0)
                found.push_back({WideString(std::u16string(name.begin(), name.end())),
                                 static_cast<std::uint64_t>(info.st_mtim.tv_sec) * 1000000000u + info.st_mtim.tv_nsec});
        }
        ::closedir(dir);
        return found;
    }

private:
    std::unique_ptr<IFolderFile> Open(const WideString& name, int flags, unsigned long& error)
    {
        const int fd = ::openat(m_fd, NativePath(name).c_str(), flags | O_NOFOLLOW | O_CLOEXEC, 0644);
        error = fd < 0 ? LastError() : 0;
        return fd < 0 ? nullptr : std::make_unique<CPosixFile>(fd, m_fd, NativePath(name));
    }

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

std::unique_ptr<IFile> CPosixFileSystem::OpenForReading(const WideString& path, unsigned long& error)
{
    const int fd = ::open(NativePath(path).c_str(), O_RDONLY | O_CLOEXEC);
    error = fd < 0 ? LastError() : 0;
    return fd < 0 ? nullptr : std::make_unique<CPosixFile>(fd);
}

bool CPosixFileSystem::FileExists(const WideString& path)
{
    struct stat info {};
    return ::stat(NativePath(path).c_str(), &info) == 0;
}

void CPosixFileSystem::CreateDirectory(const WideString& path) { ::mkdir(NativePath(path).c_str(), 0755); }

std::unique_ptr<IFolder> CPosixFileSystem::HoldFolder(const WideString& path, unsigned long& error)
{
    const int fd = ::open(NativePath(path).c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    error = fd < 0 ? LastError() : 0;
    return fd < 0 ? nullptr : std::make_unique<CPosixFolder>(fd);
}
