// Files as the phonebook needs them: opened without sharing, read and written as bytes. Every
// operation answers the platform's error code, 0 for success.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>

#include "base/WideString.h"

class IFile {
public:
    virtual ~IFile() = default;
    // Reads up to size bytes; read is 0 at the end of the file.
    virtual unsigned long Read(void* buffer, std::size_t size, std::size_t& read) = 0;
    virtual unsigned long GetSize(std::uint64_t& size) = 0;
    virtual unsigned long Write(const void* data, std::size_t size) = 0;
    virtual unsigned long Close() = 0;
};

enum class FileOpen {
    ReadExisting,  // read access, the file must exist
    CreateAlways,  // write access, created or emptied
};

class IFileSystem {
public:
    virtual ~IFileSystem() = default;
    // Opens with no sharing: while any other opener holds the file, the open fails.
    virtual std::unique_ptr<IFile> Open(const WideString& path, FileOpen mode, unsigned long& error) = 0;
    // Looks the path up in its directory; the search handle is released before answering.
    virtual bool FileExists(const WideString& path) = 0;
    virtual void CreateDirectory(const WideString& path) = 0;
    // Puts replacement in the place of replaced, keeping replaced's attributes and security.
    virtual unsigned long ReplaceFile(const WideString& replaced, const WideString& replacement) = 0;
    virtual void DeleteFile(const WideString& path) = 0;
};
