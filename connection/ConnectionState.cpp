#include "connection/ConnectionState.h"

#include <cstdlib>
#include <limits>
#include <memory>

#include "platform/Constants.h"

namespace {

constexpr std::uint32_t AF_UNSPEC = 0;
constexpr std::uint32_t GAA_FLAG_INCLUDE_PREFIX = 0x0010;
constexpr std::uint32_t IF_TYPE_PPP = 23;
// The size the list needs is raised to whole granules: spare room for a list that grows between
// the two calls.
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
    return name.Find(u"tolvex").has_value();
}

// Hands each adapter's record to visit until it answers false; false when the list could not be
// read.
template <class Visit>
bool WalkAdapters(IAdapters& adapters, Visit&& visit)
{
    std::uint32_t size = 0;
    if (adapters.GetAdaptersAddresses(AF_UNSPEC, GAA_FLAG_INCLUDE_PREFIX, nullptr, size) != win::ERROR_BUFFER_OVERFLOW)
        return false;

    const std::uint64_t aligned = (size + kGranule - 1) / kGranule * kGranule;
    // A size that does not fit the platform's size variable once aligned cannot be asked for.
    if (aligned > std::numeric_limits<std::uint32_t>::max())
        return false;
    size = static_cast<std::uint32_t>(aligned);
    const std::unique_ptr<void, decltype(&std::free)> buffer(std::malloc(size), &std::free);
    if (buffer == nullptr)
        return false;

    if (adapters.GetAdaptersAddresses(AF_UNSPEC, GAA_FLAG_INCLUDE_PREFIX, buffer.get(), size) != win::ERROR_SUCCESS)
        return false;
    for (const void* at = buffer.get(); at != nullptr;) {
        const AdapterRecord record = adapters.ReadRecord(at);
        if (!visit(record))
            break;
        at = record.next;
    }
    return true;
}

}  // namespace

LinkState GetConnectionState(std::uint32_t majorVersion, IAdapters& adapters)
{
    bool found = false;
    if (!WalkAdapters(adapters, [&](const AdapterRecord& record) { return !(found = IsManagedLink(record, majorVersion)); }))
        return LinkState::Unknown;
    return found ? LinkState::Up : LinkState::Down;
}

WideString DescribePointToPointAdapters(IAdapters& adapters)
{
    WideString listed;
    const bool read = WalkAdapters(adapters, [&](const AdapterRecord& record) {
        if (record.ifType == IF_TYPE_PPP)
            listed += WideString::Format(u"%s\"%s\" (type %d)", {listed.IsEmpty() ? u"" : u", ", record.friendlyName.view(),
                                                                  static_cast<int>(record.ifType)});
        return true;
    });
    return !read ? WideString(u"unreadable") : listed.IsEmpty() ? WideString(u"none") : listed;
}
