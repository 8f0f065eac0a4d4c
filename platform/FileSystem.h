// Files as the phonebook needs them: opened without sharing, read and written as bytes. Every
// operation answers the platform's error code, 0 for success.
#pragma once

#include <cstddef>
#include <memory>
#include <vector>

#include "base/WideString.h"

class IFile {
public:
    virtual ~IFile() = default;
    // Reads up to size bytes; read is 0 at the end of the file.
    virtual unsigned long Read(void* buffer, std::size_t size, std::size_t& read) = 0;
    // Back to the first byte.
    virtual unsigned long Rewind() = 0;
    virtual unsigned long Write(const void* data, std::size_t size) = 0;
    // Down to the disk, not only to the system's cache.
    virtual unsigned long Flush() = 0;
    virtual unsigned long Close() = 0;
};

enum class FileOpen {
    ReadExisting,  // read access, the file must exist
    CreateNew,     // write access, the file must not exist yet
};

class IFileSystem {
public:
    virtual ~IFileSystem() = default;
    // Opens with no sharing: while any other opener holds the file, the open fails.
    virtual std::unique_ptr<IFile> Open(const WideString& path, FileOpen mode, unsigned long& error) = 0;
    // Looks the path up in its directory; the search handle is released before answering.
    virtual bool FileExists(const WideString& path) = 0;
    virtual void CreateDirectory(const WideString& path) = 0;
    // ReplaceFileW: replacement takes replaced's name, attributes and security; replaced's old
    // file goes to backup (none when empty). Its partial failures leave the files as the platform
    // documents them.
    virtual unsigned long ReplaceFile(const WideString& replaced, const WideString& replacement,
                                      const WideString& backup) = 0;
    // Renames a file; fails when the new name is taken.
    virtual unsigned long MoveFile(const WideString& from, const WideString& to) = 0;
    // Deletes a file, a read-only one too.
    virtual unsigned long DeleteFile(const WideString& path) = 0;
    // The names (without folder) of the files in folder whose names match the wildcard pattern.
    virtual std::vector<WideString> FindFiles(const WideString& folder, const WideString& pattern) = 0;
};
