#include <windows.h>

#include <string>
#include <vector>

#include "platform/win32/Win32Handle.h"
#include "platform/win32/Win32Platform.h"
#include "platform/win32/Win32Text.h"

namespace {

// The system's code of the call's failure, 0 when it worked.
DWORD ResultOf(BOOL ok) { return ok ? ERROR_SUCCESS : ::GetLastError(); }

class CWin32File : public IFile {
public:
    explicit CWin32File(CHandle handle) : m_handle(std::move(handle)) {}

    unsigned long Read(void* buffer, std::size_t size, std::size_t& read) override
    {
        DWORD got = 0;
        const DWORD ask = size > MAXDWORD ? MAXDWORD : static_cast<DWORD>(size);
        const DWORD result = ResultOf(::ReadFile(m_handle.Get(), buffer, ask, &got, nullptr));
        read = got;
        return result;
    }

    unsigned long Rewind() override
    {
        const LARGE_INTEGER start{};
        return ResultOf(::SetFilePointerEx(m_handle.Get(), start, nullptr, FILE_BEGIN));
    }

    unsigned long Flush() override { return ResultOf(::FlushFileBuffers(m_handle.Get())); }

    unsigned long Write(const void* data, std::size_t size) override
    {
        const char* bytes = static_cast<const char*>(data);
        while (size > 0) {
            const DWORD ask = size > MAXDWORD ? MAXDWORD : static_cast<DWORD>(size);
            DWORD written = 0;
            if (!::WriteFile(m_handle.Get(), bytes, ask, &written, nullptr))
                return ::GetLastError();
            if (written == 0)
                return ERROR_WRITE_FAULT;
            bytes += written;
            size -= written;
        }
        return ERROR_SUCCESS;
    }

    unsigned long Close() override { return m_handle.Close(); }

private:
    CHandle m_handle;
};

// The path a handle resolves to, every link on the way followed, in the form the program names
// files in: "C:\..." or "\\server\share\...".
std::wstring ResolvedPath(HANDLE handle)
{
    std::wstring path(MAX_PATH, L'\0');
    DWORD length = ::GetFinalPathNameByHandleW(handle, path.data(), static_cast<DWORD>(path.size()),
                                               FILE_NAME_NORMALIZED | VOLUME_NAME_DOS);
    if (length >= path.size()) {
        path.resize(length);
        length = ::GetFinalPathNameByHandleW(handle, path.data(), length, FILE_NAME_NORMALIZED | VOLUME_NAME_DOS);
    }
    path.resize(length < path.size() ? length : 0);
    if (path.starts_with(L"\\\\?\\UNC\\"))
        return L"\\" + path.substr(7);
    return path.starts_with(L"\\\\?\\") ? path.substr(4) : path;
}

bool IsReparsePoint(HANDLE handle)
{
    FILE_ATTRIBUTE_TAG_INFO tag{};
    return !::GetFileInformationByHandleEx(handle, FileAttributeTagInfo, &tag, sizeof(tag))
        || (tag.FileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0;
}

DWORD Dispose(HANDLE handle)
{
    FILE_DISPOSITION_INFO dispose{TRUE};
    return ResultOf(::SetFileInformationByHandle(handle, FileDispositionInfo, &dispose, sizeof(dispose)));
}

// Opens what stands at path itself, never what a reparse point there names, and keeps it only
// when it is a real file or folder at exactly that path: no reparse point, and no link on the way
// that leads elsewhere. A file this open created where a link led it is removed again.
DWORD OpenReal(const WideString& path, DWORD access, DWORD share, DWORD disposition, DWORD flags, CHandle& handle)
{
    handle = CHandle(::CreateFileW(ToWide(path), access, share, nullptr, disposition, flags | FILE_FLAG_OPEN_REPARSE_POINT,
                                   nullptr));
    if (!handle.IsValid())
        return ::GetLastError();
    if (!IsReparsePoint(handle.Get())
        && ::CompareStringOrdinal(ResolvedPath(handle.Get()).c_str(), -1, ToWide(path), -1, TRUE) == CSTR_EQUAL)
        return ERROR_SUCCESS;
    if (disposition == CREATE_NEW)
        Dispose(handle.Get());
    handle.Close();
    return kNotARealFile;
}

constexpr DWORD kShareAll = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;

// Renames the file the handle holds (not whatever the old name names now); never over a file.
DWORD RenameTo(HANDLE file, const WideString& to)
{
    // The record ends with the name, whose terminating zero the record's own first character holds.
    std::vector<unsigned char> record(sizeof(FILE_RENAME_INFO) + to.Length() * sizeof(wchar_t));
    auto* rename = reinterpret_cast<FILE_RENAME_INFO*>(record.data());
    rename->ReplaceIfExists = FALSE;
    rename->RootDirectory = nullptr;
    rename->FileNameLength = static_cast<DWORD>(to.Length() * sizeof(wchar_t));
    std::copy(ToWide(to), ToWide(to) + to.Length(), rename->FileName);
    return ResultOf(::SetFileInformationByHandle(file, FileRenameInfo, rename, static_cast<DWORD>(record.size())));
}

}  // namespace

std::unique_ptr<IFile> CWin32FileSystem::Open(const WideString& path, FileOpen mode, unsigned long& error)
{
    CHandle handle;
    switch (mode) {
    case FileOpen::ReadAlone:
        error = OpenReal(path, GENERIC_READ, 0, OPEN_EXISTING, 0, handle);
        break;
    case FileOpen::ReadShared:
        error = OpenReal(path, GENERIC_READ, kShareAll, OPEN_EXISTING, 0, handle);
        break;
    case FileOpen::CreateNew:
        error = OpenReal(path, GENERIC_WRITE | DELETE, 0, CREATE_NEW, 0, handle);
        break;
    case FileOpen::HoldFolder:
        // Without FILE_SHARE_DELETE nobody can rename or remove the folder meanwhile.
        error = OpenReal(path, FILE_READ_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE, OPEN_EXISTING,
                         FILE_FLAG_BACKUP_SEMANTICS, handle);
        break;
    }
    return error == ERROR_SUCCESS ? std::make_unique<CWin32File>(std::move(handle)) : nullptr;
}

bool CWin32FileSystem::FileExists(const WideString& path)
{
    WIN32_FIND_DATAW data;
    return CFindHandle(::FindFirstFileW(ToWide(path), &data)).IsValid();
}

void CWin32FileSystem::CreateDirectory(const WideString& path) { ::CreateDirectoryW(ToWide(path), nullptr); }

// ReplaceFileW's steps, taken through handles on the two files checked to be real, so that
// nothing put in their place meanwhile is renamed or written in their stead.
unsigned long CWin32FileSystem::ReplaceFile(const WideString& replaced, const WideString& replacement,
                                           const WideString& backup)
{
    CHandle old, fresh;
    if (const DWORD error = OpenReal(replaced, DELETE | FILE_READ_ATTRIBUTES | SYNCHRONIZE, 0, OPEN_EXISTING, 0, old))
        return error;
    if (const DWORD error = OpenReal(replacement, DELETE | FILE_READ_ATTRIBUTES | FILE_WRITE_ATTRIBUTES | SYNCHRONIZE, 0,
                                     OPEN_EXISTING, 0, fresh))
        return error;
    FILE_BASIC_INFO attributes{};
    if (!::GetFileInformationByHandleEx(old.Get(), FileBasicInfo, &attributes, sizeof(attributes)))
        return ::GetLastError();
    // As ReplaceFileW: only a file the caller may write is replaced.
    if ((attributes.FileAttributes & FILE_ATTRIBUTE_READONLY) != 0)
        return ERROR_ACCESS_DENIED;
    FILE_BASIC_INFO taken{};
    taken.CreationTime = attributes.CreationTime;
    taken.FileAttributes = attributes.FileAttributes;
    ::SetFileInformationByHandle(fresh.Get(), FileBasicInfo, &taken, sizeof(taken));
    if (RenameTo(old.Get(), backup) != ERROR_SUCCESS)
        return ERROR_UNABLE_TO_REMOVE_REPLACED;
    if (RenameTo(fresh.Get(), replaced) == ERROR_SUCCESS)
        return ERROR_SUCCESS;
    return RenameTo(old.Get(), replaced) == ERROR_SUCCESS ? ERROR_UNABLE_TO_MOVE_REPLACEMENT
                                                          : ERROR_UNABLE_TO_MOVE_REPLACEMENT_2;
}

unsigned long CWin32FileSystem::MoveFile(const WideString& from, const WideString& to)
{
    CHandle file;
    if (const DWORD error = OpenReal(from, DELETE | SYNCHRONIZE, kShareAll, OPEN_EXISTING, 0, file))
        return error;
    return RenameTo(file.Get(), to);
}

unsigned long CWin32FileSystem::DeleteFile(const WideString& path)
{
    CHandle file;
    if (const DWORD error = OpenReal(path, DELETE | FILE_READ_ATTRIBUTES | FILE_WRITE_ATTRIBUTES, kShareAll,
                                     OPEN_EXISTING, 0, file))
        return error;
    // A file that took the phonebook's attributes may be read-only, which a delete refuses.
    FILE_BASIC_INFO attributes{};
    if (::GetFileInformationByHandleEx(file.Get(), FileBasicInfo, &attributes, sizeof(attributes))
        && (attributes.FileAttributes & FILE_ATTRIBUTE_READONLY) != 0) {
        FILE_BASIC_INFO writable{};
        const DWORD rest = attributes.FileAttributes & ~FILE_ATTRIBUTE_READONLY;
        writable.FileAttributes = rest != 0 ? rest : FILE_ATTRIBUTE_NORMAL;
        ::SetFileInformationByHandle(file.Get(), FileBasicInfo, &writable, sizeof(writable));
    }
    return Dispose(file.Get());
}

std::vector<WideString> CWin32FileSystem::FindFiles(const WideString& folder, const WideString& pattern)
{
    std::vector<WideString> names;
    WIN32_FIND_DATAW data;
    const CFindHandle search(::FindFirstFileW(ToWide(folder + pattern), &data));
    if (!search.IsValid())
        return names;
    do {
        if ((data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0)
            names.push_back(FromWide(data.cFileName));
    } while (::FindNextFileW(search.Get(), &data));
    return names;
}
