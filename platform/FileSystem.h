// Files as the phonebook needs them, read and written as bytes. Every operation answers the
// platform's error code, 0 for success.
//
// The lookup reads the phonebook wherever its path leads. Everything that writes, renames or
// deletes goes through the phonebook's folder, held, with each file named relative to it: the
// path above the folder is followed as the system follows it (moved and redirected profiles,
// junctions, mapped drives, network paths), while the folder and the files in it must be real,
// checked on the handles the operations work through, so that nothing swapped in between a check
// and its use is written, renamed or deleted in their stead.
#pragma once

#include <cstddef>
#include <cstdint>
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

// A file opened through its held folder.
class IFolderFile : public IFile {
public:
    // Gives the open file itself (not whatever its name names by now) another name in its folder;
    // fails when a file holds that name.
    virtual unsigned long Rename(const WideString& name) = 0;
    // The file goes when it is closed, or when the process ends.
    virtual unsigned long RemoveWhenClosed() = 0;
};

struct FolderEntry {
    WideString name;
    std::uint64_t lastWritten = 0;  // later is larger
};

// A folder held so that nobody can rename, move or delete it while it is held. Names are file
// names in it. A file that is a reparse point, or that resolves to another place than the held
// folder's resolved path and its name, is refused with kNotARealFile (one this folder created
// there is removed again).
class IFolder {
public:
    virtual ~IFolder() = default;
    // For reading and writing, the file must exist; nobody else opens it until it is closed.
    virtual std::unique_ptr<IFolderFile> OpenExclusive(const WideString& name, unsigned long& error) = 0;
    // A new file under a name no file holds, for writing, nobody else opening it meanwhile, and
    // protected as model is: its access rights, encryption, compression, attributes and creation
    // time.
    virtual std::unique_ptr<IFolderFile> CreateLike(const WideString& name, IFolderFile& model, unsigned long& error) = 0;
    // Renames a file; fails when the new name is taken.
    virtual unsigned long Move(const WideString& from, const WideString& to) = 0;
    // Deletes a file, a read-only one too.
    virtual unsigned long Delete(const WideString& name) = 0;
    // The files whose names match the wildcard pattern.
    virtual std::vector<FolderEntry> FindFiles(const WideString& pattern) = 0;
};

class IFileSystem {
public:
    virtual ~IFileSystem() = default;
    // For reading, wherever the path leads; others may read, write, rename or delete the file
    // meanwhile.
    virtual std::unique_ptr<IFile> OpenForReading(const WideString& path, unsigned long& error) = 0;
    // Looks the path up in its directory; the search handle is released before answering.
    virtual bool FileExists(const WideString& path) = 0;
    virtual void CreateDirectory(const WideString& path) = 0;
    // The folder at path (without a final separator), held until the answer goes. Refused with
    // kNotARealFile when it is itself a reparse point, or resolves to another place than its
    // parent's resolved path and its own name.
    virtual std::unique_ptr<IFolder> HoldFolder(const WideString& path, unsigned long& error) = 0;
};
