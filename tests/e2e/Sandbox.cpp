// The IP helper's declarations need winsock2.h before windows.h.
#include <winsock2.h>

#include "Sandbox.h"

#include <iphlpapi.h>
#include <sddl.h>

#include <cstdio>

#include "Driver.h"

namespace e2e {

namespace {

constexpr wchar_t kAppDefaults[] = L"Software\\Wine\\AppDefaults\\TolvexDesktopWin.exe";
// The link daemon answers within moments; a loaded machine gets some slack.
constexpr int kLinkWaitMs = 20000;

std::wstring SandboxPath(const std::wstring& name) { return std::wstring(kSandboxFolder) + L"\\" + name; }

std::string Utf8(const std::wstring& text)
{
    if (text.empty())
        return {};
    const int size = WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0, nullptr, nullptr);
    std::string bytes(static_cast<std::size_t>(size), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), bytes.data(), size, nullptr, nullptr);
    return bytes;
}

void SetUserString(const std::wstring& key, const wchar_t* name, const wchar_t* value)
{
    HKEY hkey = nullptr;
    if (RegCreateKeyExW(HKEY_CURRENT_USER, key.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &hkey, nullptr) != 0)
        return;
    RegSetValueExW(hkey, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value),
                   static_cast<DWORD>((wcslen(value) + 1) * sizeof(wchar_t)));
    RegCloseKey(hkey);
}

void DeleteUserValue(const std::wstring& key, const wchar_t* name)
{
    HKEY hkey = nullptr;
    if (RegOpenKeyExW(HKEY_CURRENT_USER, key.c_str(), 0, KEY_ALL_ACCESS, &hkey) != 0)
        return;
    RegDeleteValueW(hkey, name);
    RegCloseKey(hkey);
}

}  // namespace

ReportedVersion::ReportedVersion(const wchar_t* version) { SetUserString(kAppDefaults, L"Version", version); }
ReportedVersion::~ReportedVersion() { DeleteUserValue(kAppDefaults, L"Version"); }

bool RequestLink(bool up, const std::wstring& name)
{
    // The same hand-over as the stand-in dialer's, under a token of the driver's own.
    static int serial = 0;
    const std::wstring token = L"driver-" + std::to_wstring(GetCurrentProcessId()) + L"-" + std::to_wstring(++serial);
    const std::wstring reply = SandboxPath(L"link-reply-" + token);
    CreateDirectoryW(kSandboxFolder, nullptr);
    if (!ReplaceFileBytes(SandboxPath(L"link-request-" + token), std::string(up ? "up " : "down ") + Utf8(name) + "\n"))
        return false;
    if (!WaitUntil([&] { return GetFileAttributesW(reply.c_str()) != INVALID_FILE_ATTRIBUTES; }, kLinkWaitMs)) {
        std::fprintf(stderr, "the link daemon did not answer %s %ls\n", up ? "up" : "down", name.c_str());
        return false;
    }
    const std::string answer = ReadFileBytes(reply).value_or("");
    DeleteFileW(reply.c_str());
    if (answer.rfind("ok", 0) != 0)
        std::fprintf(stderr, "the link daemon answered: %s\n", answer.c_str());
    return answer.rfind("ok", 0) == 0;
}

namespace {

// The driver's own view of Wine's adapter list: type, state and name of each adapter.
struct SeenAdapter {
    ULONG type;
    bool up;
    std::wstring name;
};

std::vector<SeenAdapter> SeenAdapters()
{
    std::vector<SeenAdapter> seen;
    ULONG size = 0;
    if (GetAdaptersAddresses(AF_UNSPEC, 0, nullptr, nullptr, &size) != ERROR_BUFFER_OVERFLOW)
        return seen;
    std::vector<char> buffer(size + 4096);
    size = static_cast<ULONG>(buffer.size());
    auto* first = reinterpret_cast<IP_ADAPTER_ADDRESSES*>(buffer.data());
    if (GetAdaptersAddresses(AF_UNSPEC, 0, nullptr, first, &size) != NO_ERROR)
        return seen;
    for (const IP_ADAPTER_ADDRESSES* adapter = first; adapter != nullptr; adapter = adapter->Next)
        seen.push_back({adapter->IfType, adapter->OperStatus == IfOperStatusUp, adapter->FriendlyName ? adapter->FriendlyName : L""});
    return seen;
}

}  // namespace

bool RealLinkUp(const std::wstring& name)
{
    for (const auto& adapter : SeenAdapters()) {
        if (adapter.type == IF_TYPE_PPP && adapter.up && adapter.name == name)
            return true;
    }
    return false;
}

std::wstring DescribeAdapters()
{
    std::wstring text;
    for (const auto& adapter : SeenAdapters())
        text += L"[" + std::to_wstring(adapter.type) + L" " + adapter.name + (adapter.up ? L" up] " : L" not up] ");
    return text;
}

void SetDialerLinkName(const std::wstring& name)
{
    CreateDirectoryW(kSandboxFolder, nullptr);
    ReplaceFileBytes(SandboxPath(L"link-name"), Utf8(name));
}

TestAdapterList::TestAdapterList(const std::vector<std::wstring>& lines)
{
    Set(lines);
    SetUserString(std::wstring(kAppDefaults) + L"\\DllOverrides", L"iphlpapi", L"native");
}

TestAdapterList::~TestAdapterList()
{
    DeleteUserValue(std::wstring(kAppDefaults) + L"\\DllOverrides", L"iphlpapi");
    DeleteFileW(SandboxPath(L"adapters.txt").c_str());
}

bool TestAdapterList::Set(const std::vector<std::wstring>& lines)
{
    std::string text;
    for (const auto& line : lines)
        text += Utf8(line) + "\n";
    CreateDirectoryW(kSandboxFolder, nullptr);
    return ReplaceFileBytes(SandboxPath(L"adapters.txt"), text);
}

bool SetMachineValue(const std::wstring& key, const std::wstring& name, DWORD type, const void* data, DWORD size)
{
    HKEY hkey = nullptr;
    if (RegCreateKeyExW(HKEY_LOCAL_MACHINE, key.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &hkey, nullptr) != 0)
        return false;
    const bool set = RegSetValueExW(hkey, name.c_str(), 0, type, static_cast<const BYTE*>(data), size) == 0;
    RegCloseKey(hkey);
    return set;
}

bool SetMachineDword(const std::wstring& key, const std::wstring& name, DWORD value)
{
    return SetMachineValue(key, name, REG_DWORD, &value, sizeof(value));
}

void DeleteMachineValue(const std::wstring& key, const std::wstring& name)
{
    HKEY hkey = nullptr;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, key.c_str(), 0, KEY_ALL_ACCESS, &hkey) != 0)
        return;
    RegDeleteValueW(hkey, name.c_str());
    RegCloseKey(hkey);
}

std::optional<std::pair<DWORD, std::string>> GetMachineValue(const std::wstring& key, const std::wstring& name)
{
    HKEY hkey = nullptr;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, key.c_str(), 0, KEY_READ, &hkey) != 0)
        return std::nullopt;
    DWORD type = 0;
    DWORD size = 0;
    std::optional<std::pair<DWORD, std::string>> value;
    if (RegQueryValueExW(hkey, name.c_str(), nullptr, &type, nullptr, &size) == 0) {
        std::string bytes(size, '\0');
        if (RegQueryValueExW(hkey, name.c_str(), nullptr, &type, reinterpret_cast<BYTE*>(bytes.data()), &size) == 0)
            value = std::make_pair(type, bytes.substr(0, size));
    }
    RegCloseKey(hkey);
    return value;
}

ReadOnlyKey::ReadOnlyKey(const std::wstring& key) : m_key(key)
{
    HKEY hkey = nullptr;
    if (RegCreateKeyExW(HKEY_LOCAL_MACHINE, key.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &hkey, nullptr) != 0)
        return;
    DWORD size = 0;
    RegGetKeySecurity(hkey, DACL_SECURITY_INFORMATION, nullptr, &size);
    m_saved.resize(size);
    if (size == 0 || RegGetKeySecurity(hkey, DACL_SECURITY_INFORMATION, m_saved.data(), &size) != 0)
        m_saved.clear();
    // Everyone may read; nobody may write.
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    if (!m_saved.empty() &&
        ConvertStringSecurityDescriptorToSecurityDescriptorW(L"D:P(A;;KR;;;WD)", SDDL_REVISION_1, &descriptor, nullptr)) {
        if (RegSetKeySecurity(hkey, DACL_SECURITY_INFORMATION, descriptor) != 0)
            std::fprintf(stderr, "the key's DACL was not set: %ls\n", key.c_str());
        LocalFree(descriptor);
    }
    RegCloseKey(hkey);
}

ReadOnlyKey::~ReadOnlyKey()
{
    if (m_saved.empty())
        return;
    HKEY hkey = nullptr;
    // WRITE_DAC is the owner's right whatever the DACL says.
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, m_key.c_str(), 0, WRITE_DAC, &hkey) != 0) {
        std::fprintf(stderr, "the key's DACL was not given back: %ls\n", m_key.c_str());
        return;
    }
    RegSetKeySecurity(hkey, DACL_SECURITY_INFORMATION, m_saved.data());
    RegCloseKey(hkey);
}

bool ReadOnlyKey::RefusesWriting() const
{
    HKEY hkey = nullptr;
    const LONG opened = RegOpenKeyExW(HKEY_LOCAL_MACHINE, m_key.c_str(), 0, KEY_SET_VALUE, &hkey);
    if (opened == 0)
        RegCloseKey(hkey);
    return opened == ERROR_ACCESS_DENIED;
}

}  // namespace e2e
