// The machine-wide values IPsec needs behind address-translating routers: a readiness check at
// start, a repair at every Quit, and the list of what is not in place that the registry tool
// works from. Nothing here shows anything: the callers tell the user.
#pragma once

#include <cstdint>
#include <optional>
#include <vector>

#include "base/EventLog.h"
#include "base/WideString.h"
#include "platform/Registry.h"
#include "platform/SystemInfo.h"

// The value's first four bytes as a little-endian number (a shorter value reads as its bytes
// followed by zeros); none when the key did not open or the value was not read (missing, or
// longer than four bytes).
std::optional<std::uint32_t> ReadMachineDword(IRegistry& registry, const WideString& keyPath, const WideString& valueName);
// Creates or opens the key with full access and writes REG_DWORD value: the platform's code of
// the first step that failed, 0 when both succeeded.
long WriteMachineDword(IRegistry& registry, const WideString& keyPath, const WideString& valueName,
                       std::uint32_t value);

// A machine value the start-up check looks for, and the number that puts it in place.
struct IpsecValue {
    const char16_t* keyPath;
    const char16_t* name;
    std::uint32_t setTo;
};
// The values the start-up check would not accept on a system of this major version, read the
// way the check reads them.
std::vector<IpsecValue> FindIpsecValuesNotInPlace(IRegistry& registry, std::uint32_t majorVersion);

// Whether the values are in place for the system's version. It only reads; each value not in
// place goes on the record.
bool IsIpsecRegistryReady(IRegistry& registry, ISystemInfo& system, CEventLog& log);

// What the repair at Quit did: nothing (the value is in place), nothing for want of an
// administrator, or a write of 2 after the key opened with full access, or not even that. The
// outcome goes on the record, with the system's code of the step that failed.
enum class NatRepair { InPlace, NeedsAdministrator, Attempted, KeyRefused };
NatRepair RepairNatTraversal(IRegistry& registry, ISystemInfo& system, CEventLog& log);

// The major version the platform reports now.
std::uint32_t ReadMajorVersion(ISystemInfo& system);
// Below 6: the older systems' registry layout, and their WAN binding order.
bool IsOlderSystem(std::uint32_t majorVersion);
