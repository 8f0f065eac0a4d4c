// The machine's network adapters, through the platform's two-call enumeration: a first call
// with no buffer reports the size the list needs, a second fills a buffer of that size.
#pragma once

#include <cstdint>

#include "base/WideString.h"

// The two fields of an adapter record the program reads, and where the next record is.
struct AdapterRecord {
    WideString friendlyName;
    std::uint32_t ifType = 0;
    const void* next = nullptr;
};

class IAdapters {
public:
    virtual ~IAdapters() = default;
    // GetAdaptersAddresses(family, flags, no reserved, buffer, size): the platform's result code.
    virtual unsigned long GetAdaptersAddresses(std::uint32_t family, std::uint32_t flags, void* buffer,
                                               std::uint32_t& size) = 0;
    // Reads the record at the given place of a filled buffer.
    virtual AdapterRecord ReadRecord(const void* record) = 0;
};
