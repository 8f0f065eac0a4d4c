// Real files on a POSIX system, for the benchmarks. Paths come as the program builds them, with
// backslashes between folders: each becomes a slash, and each character one byte (the bench's
// folders are ASCII). Sharing is not enforced (POSIX has no share modes).
#pragma once

#include <string>

#include "platform/FileSystem.h"

class CPosixFileSystem : public IFileSystem {
public:
    std::unique_ptr<IFile> Open(const WideString& path, FileOpen mode, unsigned long& error) override;
    bool FileExists(const WideString& path) override;
    void CreateDirectory(const WideString& path) override;
    unsigned long ReplaceFile(const WideString& replaced, const WideString& replacement,
                              const WideString& backup) override;
    unsigned long MoveFile(const WideString& from, const WideString& to) override;
    unsigned long DeleteFile(const WideString& path) override;
    std::vector<WideString> FindFiles(const WideString& folder, const WideString& pattern) override;
};

// The file-system path of a path as the program writes it.
std::string NativePath(const WideString& path);
