// Files as the phonebook needs them, read and written as bytes. Every operation answers the
// platform's error code, 0 for success.
//
// Each works only on a real file or folder at exactly the path given: one that is a reparse point
// (junction, symbolic link, mount point), or whose handle resolves to another path, is refused
// with kNotARealFile. The check is made on the handle the operation works through, so that
// something swapped in between a check and its use is caught too: a program running as
// administrator never writes, renames or deletes anything a link in the user's folder names.
#pragma once

#include <cstddef>
#include <memory>
#include <vector>

#include "base/WideString.h"

// What the system answers when an open stops at a symbolic link (ERROR_STOPPED_ON_SYMLINK).
constexpr unsigned long kNotARealFile = 681;

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
    ReadAlone,   // read access, the file must exist; no other opener meanwhile
    ReadShared,  // read access, the file must exist; others may read, write, rename or delete it
    CreateNew,   // write access, the file must not exist yet; no other opener meanwhile
    HoldFolder,  // a folder, which nobody may rename, remove or replace while it is held
};

class IFileSystem {
public:
    virtual ~IFileSystem() = default;
    virtual std::unique_ptr<IFile> Open(const WideString& path, FileOpen mode, unsigned long& error) = 0;
    // Looks the path up in its directory; the search handle is released before answering.
    virtual bool FileExists(const WideString& path) = 0;
    virtual void CreateDirectory(const WideString& path) = 0;
    // ReplaceFileW's contract: replacement takes replaced's name and attributes, and replaced's
    // file goes to backup, a name no file holds. A replaced file that is read-only, or either file
    // held by another program, fails the call with both files under their own names, as does
    // 1175 (replaced could not be moved to backup); 1176: replacement could not take the name, and
    // replaced is back under its own; 1177: nor could it be moved back, and stays under backup.
    virtual unsigned long ReplaceFile(const WideString& replaced, const WideString& replacement,
                                      const WideString& backup) = 0;
    // Renames a file; fails when the new name is taken.
    virtual unsigned long MoveFile(const WideString& from, const WideString& to) = 0;
    // Deletes a file, a read-only one too.
    virtual unsigned long DeleteFile(const WideString& path) = 0;
    // The names (without folder) of the files in folder whose names match the wildcard pattern.
    virtual std::vector<WideString> FindFiles(const WideString& folder, const WideString& pattern) = 0;
};
