// The machine-wide registry (HKEY_LOCAL_MACHINE). Every operation answers the platform's result
// code, 0 for success.
#pragma once

#include <cstdint>

#include "base/WideString.h"

using RegistryKey = void*;

class IRegistry {
public:
    virtual ~IRegistry() = default;
    virtual long OpenMachineKey(const WideString& path, std::uint32_t access, RegistryKey& key) = 0;
    // Creates the key, or opens it when it exists.
    virtual long CreateMachineKey(const WideString& path, std::uint32_t access, RegistryKey& key) = 0;
    // size: the buffer's size going in, the value's size coming out.
    virtual long QueryValue(RegistryKey key, const WideString& name, void* data, std::uint32_t& size,
                            std::uint32_t& type) = 0;
    virtual long SetValue(RegistryKey key, const WideString& name, std::uint32_t type, const void* data,
                          std::uint32_t size) = 0;
    virtual void CloseKey(RegistryKey key) = 0;
};

// A key opened or created through the registry, closed when the holder goes.
class CRegKey {
public:
    explicit CRegKey(IRegistry& registry) : m_registry(registry) {}
    ~CRegKey()
    {
        if (m_key != nullptr)
            m_registry.CloseKey(m_key);
    }
    CRegKey(const CRegKey&) = delete;
    CRegKey& operator=(const CRegKey&) = delete;

    long Open(const WideString& path, std::uint32_t access) { return Keep(m_registry.OpenMachineKey(path, access, m_key)); }
    long Create(const WideString& path, std::uint32_t access) { return Keep(m_registry.CreateMachineKey(path, access, m_key)); }
    long Query(const WideString& name, void* data, std::uint32_t& size, std::uint32_t& type)
    {
        return m_registry.QueryValue(m_key, name, data, size, type);
    }
    long Set(const WideString& name, std::uint32_t type, const void* data, std::uint32_t size)
    {
        return m_registry.SetValue(m_key, name, type, data, size);
    }

private:
    // A key the platform did not open is never closed.
    long Keep(long result)
    {
        if (result != 0)
            m_key = nullptr;
        return result;
    }

    IRegistry& m_registry;
    RegistryKey m_key = nullptr;
};
