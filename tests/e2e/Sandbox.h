// What the scenarios arrange around the program: the version Wine reports to it, the network
// link, the test-only adapter list, and the machine's registry values.
#pragma once

#include <windows.h>

#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace e2e {

// The stand-ins' shared folder in the prefix.
constexpr wchar_t kSandboxFolder[] = L"C:\\tolvex-e2e";

// The version Wine reports to the program ("win8", "win7", "winxp", ...) when it starts, until
// the object goes.
class ReportedVersion {
public:
    explicit ReportedVersion(const wchar_t* version);
    ~ReportedVersion();
    ReportedVersion(const ReportedVersion&) = delete;
    ReportedVersion& operator=(const ReportedVersion&) = delete;
};

// A real point-to-point link of the suite's network namespace, made or deleted by the Linux link
// daemon: true once the daemon has done it. The program (through Wine) sees the device as an
// adapter of type PPP named after it; Wine keeps listing it, no longer up, once it is deleted.
bool RequestLink(bool up, const std::wstring& name = L"tolvex0");
// Whether Wine's adapter list holds that link, of type PPP and up, as the driver sees it.
bool RealLinkUp(const std::wstring& name = L"tolvex0");
// Wine's adapter list as the driver sees it, for messages.
std::wstring DescribeAdapters();
// The name of the link the stand-in dialer brings up and takes down ("tolvex0" without it).
void SetDialerLinkName(const std::wstring& name);

// The test-only adapter list, loaded by the program in place of the system's IP helper when it
// starts while this object lives. Each line: interface type, a space, the friendly name; or
// "fail-sizing CODE" / "fail-filling CODE", which make that call of the enumeration answer CODE.
class TestAdapterList {
public:
    explicit TestAdapterList(const std::vector<std::wstring>& lines);
    ~TestAdapterList();
    TestAdapterList(const TestAdapterList&) = delete;
    TestAdapterList& operator=(const TestAdapterList&) = delete;
    // Replaced in one step: the program never reads half a list.
    bool Set(const std::vector<std::wstring>& lines);
};

// HKEY_LOCAL_MACHINE values.
bool SetMachineValue(const std::wstring& key, const std::wstring& name, DWORD type, const void* data, DWORD size);
bool SetMachineDword(const std::wstring& key, const std::wstring& name, DWORD value);
void DeleteMachineValue(const std::wstring& key, const std::wstring& name);
// The value's type and bytes, or nothing when it is missing.
std::optional<std::pair<DWORD, std::string>> GetMachineValue(const std::wstring& key, const std::wstring& name);

// Makes the key readable but not writable for everyone, for as long as the object lives.
class ReadOnlyKey {
public:
    explicit ReadOnlyKey(const std::wstring& key);
    ~ReadOnlyKey();
    ReadOnlyKey(const ReadOnlyKey&) = delete;
    ReadOnlyKey& operator=(const ReadOnlyKey&) = delete;
    // Whether an open for writing is refused now, for the driver (which runs as the same user
    // as the program).
    bool RefusesWriting() const;

private:
    std::wstring m_key;
    std::vector<BYTE> m_saved;
};

}  // namespace e2e
