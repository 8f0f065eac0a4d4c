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
