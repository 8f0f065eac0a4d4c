#include <windows.h>

#include "platform/win32/Win32Platform.h"
#include "platform/win32/Win32Text.h"

namespace {

HKEY ToHkey(RegistryKey key) { return static_cast<HKEY>(key); }

}  // namespace

long CWin32Registry::OpenMachineKey(const WideString& path, std::uint32_t access, RegistryKey& key)
{
    HKEY opened = nullptr;
    const LONG result = ::RegOpenKeyExW(HKEY_LOCAL_MACHINE, ToWide(path), 0, access, &opened);
    key = opened;
    return result;
}

long CWin32Registry::CreateMachineKey(const WideString& path, std::uint32_t access, RegistryKey& key)
{
    HKEY created = nullptr;
    const LONG result = ::RegCreateKeyExW(HKEY_LOCAL_MACHINE, ToWide(path), 0, nullptr, REG_OPTION_NON_VOLATILE, access,
                                          nullptr, &created, nullptr);
    key = created;
    return result;
}

long CWin32Registry::QueryValue(RegistryKey key, const WideString& name, void* data, std::uint32_t& size,
                                std::uint32_t& type)
{
    DWORD length = size;
    DWORD valueType = 0;
    const LONG result = ::RegQueryValueExW(ToHkey(key), ToWide(name), nullptr, &valueType, static_cast<BYTE*>(data), &length);
    size = length;
    type = valueType;
    return result;
}

long CWin32Registry::SetValue(RegistryKey key, const WideString& name, std::uint32_t type, const void* data,
                              std::uint32_t size)
{
    return ::RegSetValueExW(ToHkey(key), ToWide(name), 0, type, static_cast<const BYTE*>(data), size);
}

void CWin32Registry::CloseKey(RegistryKey key) { ::RegCloseKey(ToHkey(key)); }
