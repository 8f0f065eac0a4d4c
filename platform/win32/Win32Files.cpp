#include <windows.h>

#include "platform/win32/Win32Platform.h"
#include "platform/win32/Win32Text.h"

namespace {

class CWin32File : public IFile {
public:
    explicit CWin32File(HANDLE handle) : m_handle(handle) {}
    ~CWin32File() override
    {
        if (m_handle != INVALID_HANDLE_VALUE)
            ::CloseHandle(m_handle);
    }

    unsigned long Read(void* buffer, std::size_t size, std::size_t& read) override
    {
        DWORD got = 0;
        const DWORD ask = size > MAXDWORD ? MAXDWORD : static_cast<DWORD>(size);
        const BOOL ok = ::ReadFile(m_handle, buffer, ask, &got, nullptr);
        read = got;
        return ok ? ERROR_SUCCESS : ::GetLastError();
    }

    unsigned long Rewind() override
    {
        const LARGE_INTEGER start{};
        return ::SetFilePointerEx(m_handle, start, nullptr, FILE_BEGIN) ? ERROR_SUCCESS : ::GetLastError();
    }

    unsigned long Flush() override { return ::FlushFileBuffers(m_handle) ? ERROR_SUCCESS : ::GetLastError(); }

    unsigned long Write(const void* data, std::size_t size) override
    {
        const char* bytes = static_cast<const char*>(data);
        while (size > 0) {
            const DWORD ask = size > MAXDWORD ? MAXDWORD : static_cast<DWORD>(size);
            DWORD written = 0;
            if (!::WriteFile(m_handle, bytes, ask, &written, nullptr))
                return ::GetLastError();
            if (written == 0)
                return ERROR_WRITE_FAULT;
            bytes += written;
            size -= written;
        }
        return ERROR_SUCCESS;
    }

    unsigned long Close() override
    {
        const HANDLE handle = m_handle;
        m_handle = INVALID_HANDLE_VALUE;
        return ::CloseHandle(handle) ? ERROR_SUCCESS : ::GetLastError();
    }

private:
    HANDLE m_handle;
};

}  // namespace

std::unique_ptr<IFile> CWin32FileSystem::Open(const WideString& path, FileOpen mode, unsigned long& error)
{
    const bool reading = mode == FileOpen::ReadExisting;
    const HANDLE handle = ::CreateFileW(W(path), reading ? GENERIC_READ : GENERIC_WRITE, 0, nullptr,
                                        reading ? OPEN_EXISTING : CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (handle == INVALID_HANDLE_VALUE) {
        error = ::GetLastError();
        return nullptr;
    }
    error = ERROR_SUCCESS;
    return std::make_unique<CWin32File>(handle);
}

bool CWin32FileSystem::FileExists(const WideString& path)
{
    WIN32_FIND_DATAW data;
    const HANDLE search = ::FindFirstFileW(W(path), &data);
    if (search == INVALID_HANDLE_VALUE)
        return false;
    ::FindClose(search);
    return true;
}

void CWin32FileSystem::CreateDirectory(const WideString& path) { ::CreateDirectoryW(W(path), nullptr); }

unsigned long CWin32FileSystem::ReplaceFile(const WideString& replaced, const WideString& replacement,
                                           const WideString& backup)
{
    if (::ReplaceFileW(W(replaced), W(replacement), backup.IsEmpty() ? nullptr : W(backup),
                       REPLACEFILE_IGNORE_MERGE_ERRORS, nullptr, nullptr))
        return ERROR_SUCCESS;
    return ::GetLastError();
}

unsigned long CWin32FileSystem::MoveFile(const WideString& from, const WideString& to)
{
    return ::MoveFileExW(W(from), W(to), MOVEFILE_WRITE_THROUGH) ? ERROR_SUCCESS : ::GetLastError();
}

unsigned long CWin32FileSystem::DeleteFile(const WideString& path)
{
    // A file that took the phonebook's attributes may be read-only.
    ::SetFileAttributesW(W(path), FILE_ATTRIBUTE_NORMAL);
    return ::DeleteFileW(W(path)) ? ERROR_SUCCESS : ::GetLastError();
}

std::vector<WideString> CWin32FileSystem::FindFiles(const WideString& folder, const WideString& pattern)
{
    std::vector<WideString> names;
    WIN32_FIND_DATAW data;
    const HANDLE search = ::FindFirstFileW(W(folder + pattern), &data);
    if (search == INVALID_HANDLE_VALUE)
        return names;
    do {
        if ((data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0)
            names.push_back(FromW(data.cFileName));
    } while (::FindNextFileW(search, &data));
    ::FindClose(search);
    return names;
}
