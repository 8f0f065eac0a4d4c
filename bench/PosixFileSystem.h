// Real files on a POSIX system, for the native tests and benchmarks. Paths are taken as UTF-8;
// sharing is not enforced (POSIX has no share modes), so a held file is a fake's business.
#pragma once

#include "platform/FileSystem.h"

class CPosixFileSystem : public IFileSystem {
public:
    std::unique_ptr<IFile> Open(const WideString& path, FileOpen mode, unsigned long& error) override;
    bool FileExists(const WideString& path) override;
    void CreateDirectory(const WideString& path) override;
    unsigned long ReplaceFile(const WideString& replaced, const WideString& replacement) override;
    void DeleteFile(const WideString& path) override;
};

std::string ToUtf8(const WideString& text);
