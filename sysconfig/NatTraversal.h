// The machine-wide values IPsec needs behind address-translating routers: a readiness check at
// start and a repair at every Quit.
#pragma once

#include <cstdint>

#include "base/WideString.h"
#include "platform/Platform.h"

class CWinApp;

constexpr int kKeyNotOpened = -1;
constexpr int kValueNotRead = -2;

// The value's first four bytes as a little-endian integer; a shorter value reads as its bytes
// followed by zeros. -1 when the key did not open, -2 when the value was not read.
std::int32_t ReadMachineDword(IRegistry& registry, const WideString& keyPath, const WideString& valueName);
// Writes REG_DWORD 2: 0 when the key was created or opened with full access, else -1.
int SetMachineDwordToTwo(IRegistry& registry, const WideString& keyPath, const WideString& valueName);

// 1 when the values are in place for the system's version, else 0. On the older systems it also
// puts the WAN adapter first in the TCP/IP binding list.
int IsIpsecRegistryReady(Platform& platform);
void RepairNatTraversal(const CWinApp& app);
int RepairNatTraversalIpsec(const CWinApp& app);
int RepairNatTraversalPolicyAgent(const CWinApp& app);

// The major version the platform reports now; below 6 selects the older systems' layout.
std::uint32_t ReadMajorVersion(ISystemInfo& system);
