// A test-only adapter list in place of the system's IP helper, for tours where a link must go
// away (Wine never forgets an adapter it has seen). Installed into the test prefix's system
// directory; the program loads it instead of Wine's own only while its DllOverrides say
// "native". Every load appends the file it was loaded from to C:\tolvex-e2e\iphlpapi-loads.log,
// so that a tour can tell a planted copy from this one.
//
// The list is read afresh from C:\tolvex-e2e\adapters.txt at every call, one adapter per line:
//     23 Tolvex Cell VPN        (interface type, then the friendly name)
#include <winsock2.h>
#include <windows.h>
#include <iphlpapi.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

BOOL WINAPI DllMain(HINSTANCE module, DWORD reason, LPVOID)
{
    wchar_t path[MAX_PATH] = {};
    GetModuleFileNameW(module, path, MAX_PATH);
    FILE* log = reason == DLL_PROCESS_ATTACH ? _wfopen(L"C:\\tolvex-e2e\\iphlpapi-loads.log", L"a") : nullptr;
    if (log != nullptr) {
        std::fprintf(log, "%ls\n", path);
        std::fclose(log);
    }
    return TRUE;
}

extern "C" __declspec(dllexport) ULONG WINAPI GetAdaptersAddresses(ULONG, ULONG, PVOID, PIP_ADAPTER_ADDRESSES buffer,
                                                                   PULONG size)
{
    constexpr std::size_t kNameChars = 256;
    std::vector<std::pair<ULONG, std::wstring>> adapters;
    if (FILE* in = _wfopen(L"C:\\tolvex-e2e\\adapters.txt", L"r")) {
        char line[kNameChars];
        while (std::fgets(line, sizeof(line), in) != nullptr) {
            line[std::strcspn(line, "\r\n")] = '\0';
            char* rest = std::strchr(line, ' ');
            if (rest == nullptr)
                continue;
            *rest++ = '\0';
            adapters.emplace_back(std::strtoul(line, nullptr, 10), std::wstring(rest, rest + std::strlen(rest)));
        }
        std::fclose(in);
    }
    if (adapters.empty())
        return ERROR_NO_DATA;
    const ULONG needed = static_cast<ULONG>(adapters.size() * (sizeof(IP_ADAPTER_ADDRESSES) + kNameChars * sizeof(wchar_t)));
    if (buffer == nullptr || *size < needed)
        return *size = needed, ERROR_BUFFER_OVERFLOW;
    std::memset(buffer, 0, needed);
    auto* names = reinterpret_cast<wchar_t*>(buffer + adapters.size());
    for (std::size_t i = 0; i < adapters.size(); ++i, names += kNameChars) {
        buffer[i].IfType = adapters[i].first;
        buffer[i].FriendlyName = std::wcscpy(names, adapters[i].second.c_str());
        buffer[i].Description = buffer[i].DnsSuffix = names + adapters[i].second.size();
        buffer[i].Next = i + 1 < adapters.size() ? &buffer[i + 1] : nullptr;
    }
    return NO_ERROR;
}
