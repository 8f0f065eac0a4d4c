// The private phonebook: where it lives, whether the managed entry is in it, and the rewrite of
// its interface-metric lines. Reads and writes go through the file system in pieces, so memory
// stays small whatever the file's size.
#pragma once

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

    // Whether some line of the file holds "[entryName]". A file that cannot be opened (missing,
    // held by another program, no access) or read to its end counts as not holding it.
    bool ContainsSectionLine(const WideString& path, const WideString& entryName);

    // Whether the file exists and holds the entry's section line. The file's existence is looked
    // up at every call; a section line once found is remembered for the rest of the run.
    bool ExistsAndHoldsEntry(const WideString& path, const WideString& entryName);

    // Sets every "IpInterfaceMetric=" line to "IpInterfaceMetric=1" and ends every line with CR LF,
    // writing the file only when a line changes. The new text goes to a fresh file beside the
    // phonebook, which then takes the phonebook's place: whatever step fails, the phonebook's name
    // holds the old bytes or the new ones. A file that cannot be opened is left alone silently; a
    // read or write failure after it was opened raises CFileException naming the phonebook.
    void RewriteMetricLines(const WideString& path);

private:
    // The phonebook's name still empty after a failed replace: the old bytes back from the
    // backup, or else the new ones moved into place.
    void PutInPlace(const WideString& path, const WideString& temporary);
    // Files an earlier run left beside the phonebook when it could not finish (a killed process,
    // a power loss, a removal that failed): removed at every run, so that they never pile up.
    void RemoveStaleTemporaries(const WideString& folder);
    // A new empty file of a fresh name beside the phonebook; never an existing file.
    std::unique_ptr<IFile> CreateTemporary(const WideString& folder, WideString& path);
    // A name beside the phonebook that no file holds now.
    WideString FreshName(const WideString& folder);

    IFileSystem& m_files;
    ISystemInfo& m_system;
    WideString m_strFileName;
    WideString m_strPath;
    bool m_bEntryFound = false;
};
