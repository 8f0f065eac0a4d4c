// A test-only adapter list in place of the system's IP helper, for tours where a link must go
// away (Wine never forgets an adapter it has seen). Installed into the test prefix's system
// directory; the program loads it instead of Wine's own only while its DllOverrides say
// "native". Every load appends the file it was loaded from to C:\tolvex-e2e\iphlpapi-loads.log,
// so a tour can tell a planted copy from this one.
//
// The list is read afresh from C:\tolvex-e2e\adapters.txt at every call, one adapter per line:
//     23 Tolvex Cell VPN        (interface type, then the friendly name)
// A line "fail-sizing CODE" or "fail-filling CODE" makes that call answer CODE.
#include <winsock2.h>
#include <windows.h>
#include <iphlpapi.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

namespace {

struct Adapter {
    ULONG ifType;
    std::wstring name;
};

struct AdapterList {
    std::vector<Adapter> adapters;
    ULONG sizingFailure = 0;
    ULONG fillingFailure = 0;
};

AdapterList ReadList()
{
    AdapterList list;
    FILE* in = _wfopen(L"C:\\tolvex-e2e\\adapters.txt", L"r, ccs=UTF-8");
    if (in == nullptr)
        return list;
    wchar_t line[1024];
    while (fgetws(line, 1024, in) != nullptr) {
        std::wstring text(line);
        while (!text.empty() && (text.back() == L'\n' || text.back() == L'\r'))
            text.pop_back();
        const auto space = text.find(L' ');
        if (space == std::wstring::npos)
            continue;
        const std::wstring head = text.substr(0, space);
        const ULONG number = wcstoul(text.c_str() + space + 1, nullptr, 10);
        if (head == L"fail-sizing")
            list.sizingFailure = number;
        else if (head == L"fail-filling")
            list.fillingFailure = number;
        else
            list.adapters.push_back({wcstoul(head.c_str(), nullptr, 10), text.substr(space + 1)});
    }
    fclose(in);
    return list;
}

ULONG Needed(const AdapterList& list)
{
    ULONG size = 0;
    for (const auto& adapter : list.adapters)
        size += sizeof(IP_ADAPTER_ADDRESSES) + static_cast<ULONG>((adapter.name.size() + 1) * sizeof(wchar_t)) + 16;
    return size;
}

}  // namespace

BOOL WINAPI DllMain(HINSTANCE module, DWORD reason, LPVOID)
{
    if (reason != DLL_PROCESS_ATTACH)
        return TRUE;
    wchar_t path[MAX_PATH] = {};
    GetModuleFileNameW(module, path, MAX_PATH);
    if (FILE* log = _wfopen(L"C:\\tolvex-e2e\\iphlpapi-loads.log", L"a")) {
        fprintf(log, "%ls\n", path);
        fclose(log);
    }
    return TRUE;
}

extern "C" __declspec(dllexport) ULONG WINAPI GetAdaptersAddresses(ULONG, ULONG, PVOID, PIP_ADAPTER_ADDRESSES buffer,
                                                                   PULONG size)
{
    const AdapterList list = ReadList();
    if (buffer == nullptr && list.sizingFailure != 0)
        return list.sizingFailure;
    if (buffer != nullptr && list.fillingFailure != 0)
        return list.fillingFailure;
    if (list.adapters.empty())
        return ERROR_NO_DATA;
    const ULONG needed = Needed(list);
    if (buffer == nullptr || *size < needed) {
        *size = needed;
        return ERROR_BUFFER_OVERFLOW;
    }
    std::memset(buffer, 0, needed);
    auto* record = buffer;
    auto* strings = reinterpret_cast<char*>(buffer) + list.adapters.size() * sizeof(IP_ADAPTER_ADDRESSES);
    for (std::size_t i = 0; i < list.adapters.size(); ++i, ++record) {
        const Adapter& adapter = list.adapters[i];
        record->Length = sizeof(IP_ADAPTER_ADDRESSES);
        record->IfIndex = static_cast<DWORD>(i + 1);
        record->IfType = adapter.ifType;
        record->FriendlyName = reinterpret_cast<PWCHAR>(strings);
        std::memcpy(strings, adapter.name.c_str(), (adapter.name.size() + 1) * sizeof(wchar_t));
        strings += (adapter.name.size() + 1) * sizeof(wchar_t);
        record->Description = record->FriendlyName + adapter.name.size();  // the empty text
        record->DnsSuffix = record->Description;
        record->Next = i + 1 < list.adapters.size() ? record + 1 : nullptr;
    }
    return NO_ERROR;
}
