// The private phonebook: where it lives, whether the managed entry is in it, and the rewrite of
// its interface-metric lines. Reads and writes go through the file system in pieces, so memory
// stays small whatever the file's size.
#pragma once

#include <memory>
#include <optional>

#include "base/EventLog.h"
#include "base/FileError.h"
#include "base/WideString.h"
#include "platform/FileSystem.h"
#include "platform/SystemInfo.h"

class CPhoneBook {
public:
    // fileName: the phonebook's file name, joined to the folder at the first path lookup. What the
    // rewrite did, and a phonebook moved back, go on the record.
    CPhoneBook(IFileSystem& files, ISystemInfo& system, WideString fileName, CEventLog& log);

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
    // phonebook, protected as the phonebook is, which then takes the phonebook's place: whatever
    // step fails, and even if the process dies between two steps, the phonebook's name holds the
    // old bytes or the new ones, or the next lookup moves the old ones back. The phonebook is held
    // from the first read until it is replaced, so that no save of the dialer tool in between is
    // lost. A phonebook or folder that cannot be opened for this (held by another program, not
    // writable, not a real file in its own folder) is left alone silently. The answer is what the
    // user is to be told of: a read or write that failed after the phonebook was opened.
    std::optional<FileError> RewriteMetricLines(const WideString& path);

private:
    bool ContainsSectionLine(const WideString& path, const WideString& entryName);
    // The phonebook's bytes left only under a backup's name, by a replace that was cut short (the
    // process died, or the replace and its fallbacks failed), moved back to its own: true when
    // they were.
    bool RestoreFromBackup(const WideString& path);
    // The rewrite, in the held folder.
    std::optional<FileError> Rewrite(IFolder& folder, const WideString& name, const WideString& path);
    bool MoveBackupBack(IFolder& folder, const WideString& name);
    // What the rewrite did, on the record: left alone silently, or failed and to be told.
    std::optional<FileError> Skipped(const char16_t* why, unsigned long error);
    std::optional<FileError> Failed(unsigned long error, const WideString& path);

    IFileSystem& m_files;
    ISystemInfo& m_system;
    CEventLog& m_log;
    WideString m_strFileName;
    WideString m_strPath;
    bool m_bEntryFound = false;
};
