// The machine-wide values IPsec needs behind address-translating routers: a readiness check at
// start, a repair at every Quit, and the list of what is not in place that the registry tool
// works from. Nothing here shows anything: the callers tell the user.
#pragma once

#include <cstdint>
#include <vector>

#include "base/WideString.h"
#include "platform/Registry.h"
#include "platform/SystemInfo.h"

constexpr int kKeyNotOpened = -1;
constexpr int kValueNotRead = -2;

// The value's first four bytes as a little-endian integer; a shorter value reads as its bytes
// followed by zeros. -1 when the key did not open, -2 when the value was not read.
std::int32_t ReadMachineDword(IRegistry& registry, const WideString& keyPath, const WideString& valueName);
// Writes REG_DWORD 2: 0 when the key was created or opened with full access, else -1. Whether
// the write itself succeeded is not examined.
int SetMachineDwordToTwo(IRegistry& registry, const WideString& keyPath, const WideString& valueName);
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

// 1 when the values are in place for the system's version, else 0. On the older systems it also
// puts the WAN adapter first in the TCP/IP binding list.
int IsIpsecRegistryReady(IRegistry& registry, ISystemInfo& system);

// What the repair at Quit did: nothing (the value is in place), nothing for want of an
// administrator, or a write attempt whose code (0: the key opened with full access, -1: not) the
// user is shown.
struct NatRepair {
    enum Outcome { InPlace, NeedsAdministrator, Attempted } outcome = InPlace;
    int result = 0;
};
NatRepair RepairNatTraversal(IRegistry& registry, ISystemInfo& system);

// The major version the platform reports now; below 6 selects the older systems' layout.
std::uint32_t ReadMajorVersion(ISystemInfo& system);
