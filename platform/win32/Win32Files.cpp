#include <windows.h>
#include <aclapi.h>
#include <winioctl.h>

#include <string>
#include <vector>

#include "base/Path.h"
#include "platform/win32/Win32DynamicCalls.h"
#include "platform/win32/Win32Handle.h"
#include "platform/win32/Win32Platform.h"
#include "platform/win32/Win32Text.h"

namespace {

constexpr DWORD kShareAll = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;

// The system's code of the call's failure, 0 when it worked.
DWORD ResultOf(BOOL ok) { return ok ? ERROR_SUCCESS : ::GetLastError(); }

DWORD Dispose(HANDLE handle)
{
    FILE_DISPOSITION_INFO dispose{TRUE};
    return ResultOf(::SetFileInformationByHandle(handle, FileDispositionInfo, &dispose, sizeof(dispose)));
}

// A file of the lookup, or one opened in its held folder (which outlives it).
class CWin32File : public IFolderFile {
public:
    explicit CWin32File(CHandle handle, HANDLE folder = nullptr) : m_handle(std::move(handle)), m_folder(folder) {}

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
    unsigned long Rename(const WideString& name) override { return dyn::RenameInFolder(m_handle.Get(), m_folder, ToWide(name)); }
    unsigned long RemoveWhenClosed() override { return Dispose(m_handle.Get()); }

    HANDLE Get() const { return m_handle.Get(); }

private:
    CHandle m_handle;
    HANDLE m_folder;
};

// The path a handle resolves to, every link on the way followed, in the form the program names
// files in: "C:\..." or "\\server\share\...". Empty when the system cannot tell.
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

// Some network redirectors do not answer the attribute-tag query; their basic information still
// carries the reparse attribute.
bool IsReparsePoint(HANDLE handle)
{
    FILE_ATTRIBUTE_TAG_INFO tag{};
    if (::GetFileInformationByHandleEx(handle, FileAttributeTagInfo, &tag, sizeof(tag)))
        return (tag.FileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0;
    FILE_BASIC_INFO basic{};
    return !::GetFileInformationByHandleEx(handle, FileBasicInfo, &basic, sizeof(basic))
        || (basic.FileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0;
}

// Whether what the handle opened is the real file or folder named in the folder resolved as
// given: no reparse point itself, and no link leading elsewhere.
bool IsRealAt(HANDLE handle, const std::wstring& folder, const std::wstring& name)
{
    const std::wstring expected = folder.ends_with(L'\\') ? folder + name : folder + L"\\" + name;
    return !folder.empty() && !IsReparsePoint(handle)
        && ::CompareStringOrdinal(ResolvedPath(handle).c_str(), -1, expected.c_str(), -1, TRUE) == CSTR_EQUAL;
}

// Opens name in the folder, and keeps it only when it is a real file there; one this open created
// elsewhere is removed again.
DWORD OpenReal(HANDLE folder, const std::wstring& resolvedFolder, const std::wstring& name, ACCESS_MASK access,
               ULONG attributes, ULONG share, ULONG disposition, ULONG options, CHandle& file)
{
    HANDLE opened = nullptr;
    const DWORD error = dyn::OpenInFolder(folder, name, access, attributes, share, disposition, options, opened);
    file = CHandle(opened);
    if (error != ERROR_SUCCESS)
        return error;
    if (IsRealAt(file.Get(), resolvedFolder, name))
        return ERROR_SUCCESS;
    if (disposition == FILE_CREATE)
        Dispose(file.Get());
    file.Close();
    return kNotARealFile;
}

// The access rights as the model has them: its own entries, and whether it takes those of its
// folder.
DWORD CopyAccessRights(HANDLE model, HANDLE file)
{
    PACL dacl = nullptr;
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    DWORD error = ::GetSecurityInfo(model, SE_FILE_OBJECT, DACL_SECURITY_INFORMATION, nullptr, nullptr, &dacl, nullptr,
                                    &descriptor);
    if (error != ERROR_SUCCESS)
        return error;
    SECURITY_DESCRIPTOR_CONTROL control = 0;
    DWORD revision = 0;
    ::GetSecurityDescriptorControl(descriptor, &control, &revision);
    const SECURITY_INFORMATION what = DACL_SECURITY_INFORMATION
        | ((control & SE_DACL_PROTECTED) != 0 ? PROTECTED_DACL_SECURITY_INFORMATION : UNPROTECTED_DACL_SECURITY_INFORMATION);
    error = ::SetSecurityInfo(file, SE_FILE_OBJECT, what, nullptr, nullptr, dacl, nullptr);
    ::LocalFree(descriptor);
    return error;
}

class CWin32Folder : public IFolder {
public:
    CWin32Folder(CHandle handle, std::wstring resolved) : m_handle(std::move(handle)), m_resolved(std::move(resolved)) {}

    std::unique_ptr<IFolderFile> OpenExclusive(const WideString& name, unsigned long& error) override
    {
        return Open(name, GENERIC_READ | GENERIC_WRITE | DELETE | READ_CONTROL, 0, 0, FILE_OPEN, error);
    }

    // As ReplaceFileW leaves the replacement: the model's attributes (encryption among them) and
    // creation time, its compression and its access rights. Without its access rights the file
    // would be more open than the phonebook it replaces: it is not made.
    std::unique_ptr<IFolderFile> CreateLike(const WideString& name, IFolderFile& model, unsigned long& error) override
    {
        const HANDLE from = static_cast<CWin32File&>(model).Get();
        FILE_BASIC_INFO basic{};
        if (!::GetFileInformationByHandleEx(from, FileBasicInfo, &basic, sizeof(basic))) {
            error = ::GetLastError();
            return nullptr;
        }
        constexpr DWORD kTaken = FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_ARCHIVE
            | FILE_ATTRIBUTE_NOT_CONTENT_INDEXED | FILE_ATTRIBUTE_ENCRYPTED;
        const DWORD attributes = basic.FileAttributes & kTaken;
        auto file = Open(name, GENERIC_READ | GENERIC_WRITE | DELETE | WRITE_DAC | READ_CONTROL,
                         attributes != 0 ? attributes : FILE_ATTRIBUTE_NORMAL, 0, FILE_CREATE, error);
        if (file == nullptr)
            return nullptr;
        error = CopyAccessRights(from, file->Get());
        if (error != ERROR_SUCCESS) {
            file->RemoveWhenClosed();
            return nullptr;
        }
        if ((basic.FileAttributes & FILE_ATTRIBUTE_COMPRESSED) != 0) {
            USHORT format = COMPRESSION_FORMAT_DEFAULT;
            DWORD returned = 0;
            ::DeviceIoControl(file->Get(), FSCTL_SET_COMPRESSION, &format, sizeof(format), nullptr, 0, &returned, nullptr);
        }
        FILE_BASIC_INFO created{};
        created.CreationTime = basic.CreationTime;
        ::SetFileInformationByHandle(file->Get(), FileBasicInfo, &created, sizeof(created));
        return file;
    }

    unsigned long Move(const WideString& from, const WideString& to) override
    {
        unsigned long error = 0;
        const auto file = Open(from, DELETE | FILE_READ_ATTRIBUTES, 0, kShareAll, FILE_OPEN, error);
        return file != nullptr ? file->Rename(to) : error;
    }

    unsigned long Delete(const WideString& name) override
    {
        unsigned long error = 0;
        const auto file = Open(name, DELETE | FILE_READ_ATTRIBUTES | FILE_WRITE_ATTRIBUTES, 0, kShareAll, FILE_OPEN, error);
        if (file == nullptr)
            return error;
        // A file that took the phonebook's attributes may be read-only, which a delete refuses.
        FILE_BASIC_INFO attributes{};
        if (::GetFileInformationByHandleEx(file->Get(), FileBasicInfo, &attributes, sizeof(attributes))
            && (attributes.FileAttributes & FILE_ATTRIBUTE_READONLY) != 0) {
            FILE_BASIC_INFO writable{};
            const DWORD rest = attributes.FileAttributes & ~FILE_ATTRIBUTE_READONLY;
            writable.FileAttributes = rest != 0 ? rest : FILE_ATTRIBUTE_NORMAL;
            ::SetFileInformationByHandle(file->Get(), FileBasicInfo, &writable, sizeof(writable));
        }
        return file->RemoveWhenClosed();
    }

    std::vector<FolderEntry> FindFiles(const WideString& pattern) override
    {
        std::vector<FolderEntry> entries;
        dyn::ListFolder(m_handle.Get(), ToWide(pattern), [&](std::wstring name, ULONGLONG lastWritten) {
            entries.push_back({FromWide(name.c_str(), name.size()), lastWritten});
        });
        return entries;
    }

private:
    std::unique_ptr<CWin32File> Open(const WideString& name, ACCESS_MASK access, ULONG attributes, ULONG share,
                                     ULONG disposition, unsigned long& error)
    {
        CHandle file;
        error = OpenReal(m_handle.Get(), m_resolved, ToWide(name), access, attributes, share, disposition,
                         FILE_NON_DIRECTORY_FILE, file);
        return error == ERROR_SUCCESS ? std::make_unique<CWin32File>(std::move(file), m_handle.Get()) : nullptr;
    }

    CHandle m_handle;
    std::wstring m_resolved;
};

}  // namespace

std::unique_ptr<IFile> CWin32FileSystem::OpenForReading(const WideString& path, unsigned long& error)
{
    CHandle file(::CreateFileW(ToWide(path), GENERIC_READ, kShareAll, nullptr, OPEN_EXISTING, 0, nullptr));
    error = file.IsValid() ? ERROR_SUCCESS : ::GetLastError();
    return file.IsValid() ? std::make_unique<CWin32File>(std::move(file)) : nullptr;
}

bool CWin32FileSystem::FileExists(const WideString& path)
{
    WIN32_FIND_DATAW data;
    return CFindHandle(::FindFirstFileW(ToWide(path), &data)).IsValid();
}

void CWin32FileSystem::CreateDirectory(const WideString& path) { ::CreateDirectoryW(ToWide(path), nullptr); }

// The folder is opened through its parent, whose path is followed as the system follows it, and
// held with read and write sharing only: nobody can open it for renaming or deleting meanwhile.
std::unique_ptr<IFolder> CWin32FileSystem::HoldFolder(const WideString& path, unsigned long& error)
{
    const CHandle parent(::CreateFileW(ToWide(FolderOf(path)), FILE_TRAVERSE | FILE_READ_ATTRIBUTES, kShareAll, nullptr,
                                       OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
    if (!parent.IsValid()) {
        error = ::GetLastError();
        return nullptr;
    }
    const std::wstring name = ToWide(FileNameOf(path));
    CHandle folder;
    error = OpenReal(parent.Get(), ResolvedPath(parent.Get()), name, FILE_LIST_DIRECTORY | FILE_TRAVERSE | FILE_READ_ATTRIBUTES,
                     0, FILE_SHARE_READ | FILE_SHARE_WRITE, FILE_OPEN, FILE_DIRECTORY_FILE | FILE_OPEN_FOR_BACKUP_INTENT,
                     folder);
    if (error != ERROR_SUCCESS)
        return nullptr;
    std::wstring resolved = ResolvedPath(folder.Get());
    return std::make_unique<CWin32Folder>(std::move(folder), std::move(resolved));
}
