// The IP helper's declarations need winsock2.h before windows.h. Its calls are looked up at run
// time (Win32DynamicCalls), never imported.
#include <winsock2.h>
#include <windows.h>
#include <iphlpapi.h>

#include "platform/win32/Win32DynamicCalls.h"
#include "platform/win32/Win32Platform.h"
#include "platform/win32/Win32Text.h"

unsigned long CWin32Adapters::GetAdaptersAddresses(std::uint32_t family, std::uint32_t flags, void* buffer,
                                                   std::uint32_t& size)
{
    ULONG length = size;
    const ULONG result = dyn::GetAdaptersAddresses(family, flags, buffer, &length);
    size = length;
    return result;
}

AdapterRecord CWin32Adapters::ReadRecord(const void* record)
{
    const auto* adapter = static_cast<const IP_ADAPTER_ADDRESSES*>(record);
    return {FromWide(adapter->FriendlyName), adapter->IfType, adapter->Next};
}
