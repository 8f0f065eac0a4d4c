// Whether the VPN link is up, told from the machine's adapter list: a point-to-point adapter,
// on systems 6 and later one whose name holds "tolvex" in any mix of ASCII capitals.
#pragma once

#include <cstddef>

#include "platform/Adapters.h"
#include "platform/Types.h"

class CTolvexDesktopWinDlg;

constexpr int kLinkUp = 1;
constexpr int kLinkDown = 0;
constexpr int kSizingFailed = -1;
constexpr int kAllocationFailed = -2;
constexpr int kFillingFailed = -3;

using AllocateFn = void* (*)(std::size_t);
using ReleaseFn = void (*)(void*);

// 1 up, 0 not up, or a negative code when the enumeration failed. Every call enumerates afresh.
int GetConnectionState(const OsVersionInfo& version, IAdapters& adapters, AllocateFn allocate = nullptr,
                       ReleaseFn release = nullptr);
int GetConnectionState(CTolvexDesktopWinDlg& dlg);

// The size the list needs, raised to whole 2048-byte granules: spare room for a list that grows
// between the two calls.
std::uint64_t AlignAdapterBufferSize(std::uint32_t size);
