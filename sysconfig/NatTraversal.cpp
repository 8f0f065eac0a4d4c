#include "sysconfig/NatTraversal.h"

#include "framework/WinApp.h"
#include "platform/Constants.h"
#include "sysconfig/BindingOrder.h"
#include "ui/resources/resource.h"

namespace {

constexpr char16_t kIpsecKey[] = u"SYSTEM\\CurrentControlSet\\Services\\IPsec";
constexpr char16_t kPolicyAgentKey[] = u"SYSTEM\\CurrentControlSet\\services\\PolicyAgent";
constexpr char16_t kNdisWanProtocolKey[] = u"SYSTEM\\CurrentControlSet\\services\\NdisWan\\Parameters\\Protocols\\0";
constexpr char16_t kEncapsulationValue[] = u"AssumeUDPEncapsulationContextOnSendRule";
constexpr char16_t kTunnelMtuValue[] = u"TunnelMTU";
// Security associations may be set up when both ends are behind address translation.
constexpr std::int32_t kBothBehindNat = 2;

bool IsOlderSystem(std::uint32_t major) { return major < 6; }

// Repairs the value at keyPath and tells the user the outcome, "0" or "-1".
void SetAndReport(const CWinApp& app, const char16_t* keyPath)
{
    const int result = SetMachineDwordToTwo(app.platform().registry, keyPath, kEncapsulationValue);
    app.MessageBox(WideString::Format(u"%d", {result}), win::MB_OK);
}

}  // namespace

std::uint32_t ReadMajorVersion(ISystemInfo& system)
{
    OsVersionInfo info;
    system.GetVersionEx(info);
    return info.dwMajorVersion;
}

std::int32_t ReadMachineDword(IRegistry& registry, const WideString& keyPath, const WideString& valueName)
{
    RegistryKey key = nullptr;
    if (registry.OpenMachineKey(keyPath, win::KEY_READ, key) != 0)
        return kKeyNotOpened;
    // Cleared first: a value shorter than four bytes reads as its bytes followed by zeros.
    unsigned char data[4] = {};
    std::uint32_t size = sizeof(data);
    std::uint32_t type = 0;
    const long result = registry.QueryValue(key, valueName, data, size, type);
    registry.CloseKey(key);
    if (result != 0)
        return kValueNotRead;
    return static_cast<std::int32_t>(std::uint32_t{data[0]} | std::uint32_t{data[1]} << 8
                                     | std::uint32_t{data[2]} << 16 | std::uint32_t{data[3]} << 24);
}

int SetMachineDwordToTwo(IRegistry& registry, const WideString& keyPath, const WideString& valueName)
{
    RegistryKey key = nullptr;
    if (registry.CreateMachineKey(keyPath, win::KEY_ALL_ACCESS, key) != 0)
        return -1;
    const unsigned char two[4] = {2, 0, 0, 0};
    registry.SetValue(key, valueName, win::REG_DWORD, two, sizeof(two));
    registry.CloseKey(key);
    return 0;
}

int IsIpsecRegistryReady(Platform& platform)
{
    if (IsOlderSystem(ReadMajorVersion(platform.system))) {
        const std::int32_t value = ReadMachineDword(platform.registry, kIpsecKey, kEncapsulationValue);
        FixWanBindingOrder(platform.registry);
        return value == kBothBehindNat ? 1 : 0;
    }
    const std::int32_t value = ReadMachineDword(platform.registry, kPolicyAgentKey, kEncapsulationValue);
    const std::int32_t mtu = ReadMachineDword(platform.registry, kNdisWanProtocolKey, kTunnelMtuValue);
    if (mtu == kKeyNotOpened || mtu == kValueNotRead)
        return 0;
    return value == kBothBehindNat ? 1 : 0;
}

void RepairNatTraversal(const CWinApp& app)
{
    if (IsOlderSystem(ReadMajorVersion(app.platform().system)))
        RepairNatTraversalIpsec(app);
    else
        RepairNatTraversalPolicyAgent(app);
}

int RepairNatTraversalIpsec(const CWinApp& app)
{
    if (ReadMachineDword(app.platform().registry, kIpsecKey, kEncapsulationValue) == kBothBehindNat)
        return 1;
    SetAndReport(app, kIpsecKey);
    return 1;
}

int RepairNatTraversalPolicyAgent(const CWinApp& app)
{
    if (ReadMachineDword(app.platform().registry, kPolicyAgentKey, kEncapsulationValue) == kBothBehindNat)
        return 1;
    if (!app.platform().system.IsUserAnAdmin()) {
        app.MessageBox(IDS_RUN_AS_ADMINISTRATOR, win::MB_OK);
        return 0;
    }
    SetAndReport(app, kPolicyAgentKey);
    return 1;
}
