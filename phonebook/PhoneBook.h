// The private phonebook: where it lives, whether the managed entry is in it, and the rewrite of
// its interface-metric lines. Reads and writes go through the file system in pieces, so memory
// stays small whatever the file's size.
#pragma once

#include <memory>
#include <optional>

#include "base/FileError.h"
#include "base/WideString.h"
#include "platform/FileSystem.h"
#include "platform/SystemInfo.h"

class CPhoneBook {
public:
    // fileName: the phonebook's file name, joined to the folder at the first path lookup.
    CPhoneBook(IFileSystem& files, ISystemInfo& system, WideString fileName);

    // "<application data>\Tolvex Computer\<file name>". The first call creates the folder and
    // remembers the path; later calls answer from memory. Without an application-data folder
    // there is no path (empty), no folder is made, and the next call looks again.
    const WideString& GetPathCreatingFolder();

    // Whether the file exists and holds the entry's section line "[entryName]". The file's
    // existence is looked up at every call; a section line once found is remembered for the rest
    // of the run. A file that cannot be opened or read to its end counts as not holding it; it is
    // opened so that the dialer tool can save the entry meanwhile.
    bool ExistsAndHoldsEntry(const WideString& path, const WideString& entryName);

    // Sets every "IpInterfaceMetric=" line to "IpInterfaceMetric=1" and ends every line with CR LF,
    // writing the file only when a line changes. The new text goes to a fresh file beside the
    // phonebook, which then takes the phonebook's place: whatever step fails, and even if the
    // process dies between two steps, the phonebook's name holds the old bytes or the new ones,
    // or the next lookup moves the old ones back. A file that cannot be opened is left alone
    // silently. The answer is what the user is to be told of: a read or write that failed after
    // the phonebook was opened, or a phonebook or folder that is not a real file at its path.
    std::optional<FileError> RewriteMetricLines(const WideString& path);

private:
    bool ContainsSectionLine(const WideString& path, const WideString& entryName);
    // A phonebook left only under a backup's name (the process died inside the replace, or the
    // replace and its fallbacks failed) is moved back to its own: true when one was.
    bool RestoreFromBackup(const WideString& path);
    bool MoveBackupBack(const WideString& path);
    // The rewrite, with the phonebook's folder held.
    std::optional<FileError> Rewrite(const WideString& path);
    // The new file takes the phonebook's place, its old bytes kept under a backup's name until
    // then; when the replace cannot finish, the old bytes go back, or else the new ones forward.
    std::optional<FileError> PutInPlace(const WideString& path, const WideString& temporary);
    // What an earlier rewrite left beside the phonebook when it could not finish (a killed
    // process, a power loss, a removal that failed): removed by every rewrite, which runs only
    // once the phonebook is there, so that no backup goes while it holds the only copy.
    void RemoveStaleFiles(const WideString& folder);
    // A new empty file of a fresh name beside the phonebook; never an existing file.
    std::unique_ptr<IFile> CreateTemporary(const WideString& folder, WideString& path, unsigned long& error);

    IFileSystem& m_files;
    ISystemInfo& m_system;
    WideString m_strFileName;
    WideString m_strPath;
    bool m_bEntryFound = false;
};
