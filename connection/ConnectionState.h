// Whether the VPN link is up, told from the machine's adapter list: a point-to-point adapter,
// on systems 6 and later one whose name holds "tolvex" in any mix of ASCII capitals.
#pragma once

#include <cstdint>

#include "platform/Adapters.h"

constexpr int kLinkUp = 1;
constexpr int kLinkDown = 0;
constexpr int kSizingFailed = -1;
constexpr int kAllocationFailed = -2;
constexpr int kFillingFailed = -3;

// 1 up, 0 not up, or a negative code when the enumeration failed. Every call enumerates afresh.
int GetConnectionState(std::uint32_t majorVersion, IAdapters& adapters);
