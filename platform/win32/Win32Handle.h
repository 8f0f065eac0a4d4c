// A handle of the system closed when its holder goes, as CRegKey closes a registry key.
#pragma once

#include <windows.h>

#include <utility>

template <BOOL(WINAPI* Closer)(HANDLE)>
class CHandleOf {
public:
    CHandleOf() = default;
    explicit CHandleOf(HANDLE handle) : m_handle(handle) {}
    ~CHandleOf() { Close(); }
    CHandleOf(CHandleOf&& other) noexcept : m_handle(std::exchange(other.m_handle, nullptr)) {}
    CHandleOf& operator=(CHandleOf&& other) noexcept
    {
        if (this != &other) {
            Close();
            m_handle = std::exchange(other.m_handle, nullptr);
        }
        return *this;
    }
    CHandleOf(const CHandleOf&) = delete;
    CHandleOf& operator=(const CHandleOf&) = delete;

    HANDLE Get() const { return m_handle; }
    // The system hands out both null and INVALID_HANDLE_VALUE for "no handle".
    bool IsValid() const { return m_handle != nullptr && m_handle != INVALID_HANDLE_VALUE; }
    // Closes now: the system's error code, 0 when it closed (or held nothing).
    DWORD Close()
    {
        const HANDLE handle = std::exchange(m_handle, nullptr);
        if (handle == nullptr || handle == INVALID_HANDLE_VALUE)
            return ERROR_SUCCESS;
        return Closer(handle) ? ERROR_SUCCESS : ::GetLastError();
    }

private:
    HANDLE m_handle = nullptr;
};

using CHandle = CHandleOf<::CloseHandle>;
using CFindHandle = CHandleOf<::FindClose>;
