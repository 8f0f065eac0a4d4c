// Whether the VPN link is up, told from the machine's adapter list: a point-to-point adapter,
// on systems 6 and later one whose name holds "tolvex" in any mix of ASCII capitals.
#pragma once

#include <cstdint>

#include "platform/Adapters.h"

enum class LinkState {
    Up,
    Down,
    Unknown,  // the adapter list could not be read
};

// Every call enumerates afresh.
LinkState GetConnectionState(std::uint32_t majorVersion, IAdapters& adapters);
// For the record: the point-to-point adapters listed now, by name and type ("none" when there is
// none, "unreadable" when the list cannot be read).
WideString DescribePointToPointAdapters(IAdapters& adapters);
