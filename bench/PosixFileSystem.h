// Real files on a POSIX system, for the benchmarks. Paths come as the program builds them, with
// backslashes between folders: each becomes a slash, and each character one byte (the bench's
// folders are ASCII). Files in a held folder are opened relative to it, never through a link.
// Sharing is not enforced (POSIX has no share modes), nor are access rights copied.
#pragma once

#include <string>

#include "platform/FileSystem.h"

class CPosixFileSystem : public IFileSystem {
public:
    std::unique_ptr<IFile> OpenForReading(const WideString& path, unsigned long& error) override;
    bool FileExists(const WideString& path) override;
    void CreateDirectory(const WideString& path) override;
    std::unique_ptr<IFolder> HoldFolder(const WideString& path, unsigned long& error) override;
};

// The file-system path of a path as the program writes it.
std::string NativePath(const WideString& path);
