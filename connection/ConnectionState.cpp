#include "connection/ConnectionState.h"

#include <cstdlib>
#include <limits>

#include "platform/Constants.h"
#include "ui/TolvexDesktopWinDlg.h"

namespace {

constexpr std::uint32_t AF_UNSPEC = 0;
constexpr std::uint32_t GAA_FLAG_INCLUDE_PREFIX = 0x0010;
constexpr std::uint32_t IF_TYPE_PPP = 23;
constexpr std::uint64_t kGranule = 2048;

bool IsManagedLink(const AdapterRecord& record, std::uint32_t majorVersion)
{
    if (record.ifType != IF_TYPE_PPP)
        return false;
    // Older systems name the link after the connection only sometimes: any point-to-point
    // adapter counts there.
    if (majorVersion <= 5)
        return true;
    WideString name = record.friendlyName;
    name.MakeLowerAscii();
    return name.Find(u"tolvex") != WideString::npos;
}

}  // namespace

std::uint64_t AlignAdapterBufferSize(std::uint32_t size)
{
    return (size / kGranule + (size % kGranule != 0 ? 1 : 0)) * kGranule;
}

int GetConnectionState(const OsVersionInfo& version, IAdapters& adapters, AllocateFn allocate, ReleaseFn release)
{
    if (allocate == nullptr)
        allocate = std::malloc;
    if (release == nullptr)
        release = std::free;

    std::uint32_t size = 0;
    if (adapters.GetAdaptersAddresses(AF_UNSPEC, GAA_FLAG_INCLUDE_PREFIX, nullptr, size) != win::ERROR_BUFFER_OVERFLOW)
        return kSizingFailed;

    // A size that does not fit the platform's size variable once aligned cannot be asked for.
    const std::uint64_t aligned = AlignAdapterBufferSize(size);
    if (aligned > std::numeric_limits<std::uint32_t>::max())
        return kAllocationFailed;
    size = static_cast<std::uint32_t>(aligned);
    void* buffer = allocate(size);
    if (buffer == nullptr)
        return kAllocationFailed;

    int state = kFillingFailed;
    if (adapters.GetAdaptersAddresses(AF_UNSPEC, GAA_FLAG_INCLUDE_PREFIX, buffer, size) == win::ERROR_SUCCESS) {
        state = kLinkDown;
        for (const void* at = buffer; at != nullptr;) {
            const AdapterRecord record = adapters.ReadRecord(at);
            if (IsManagedLink(record, version.dwMajorVersion)) {
                state = kLinkUp;
                break;
            }
            at = record.next;
        }
    }
    release(buffer);
    return state;
}

int GetConnectionState(CTolvexDesktopWinDlg& dlg)
{
    return GetConnectionState(dlg.m_osVersionInfo, dlg.platform().adapters);
}
