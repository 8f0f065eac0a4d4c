#include "sysconfig/NatTraversal.h"

#include "platform/Constants.h"

namespace {

constexpr char16_t kIpsecKey[] = u"SYSTEM\\CurrentControlSet\\Services\\IPsec";
constexpr char16_t kPolicyAgentKey[] = u"SYSTEM\\CurrentControlSet\\services\\PolicyAgent";
constexpr char16_t kNdisWanProtocolKey[] = u"SYSTEM\\CurrentControlSet\\services\\NdisWan\\Parameters\\Protocols\\0";
constexpr char16_t kEncapsulationValue[] = u"AssumeUDPEncapsulationContextOnSendRule";
constexpr char16_t kTunnelMtuValue[] = u"TunnelMTU";
// Security associations may be set up when both ends are behind address translation.
constexpr std::uint32_t kBothBehindNat = 2;
// The size commonly documented for IPsec tunnels; the check only asks that a value exists.
constexpr std::uint32_t kTunnelMtu = 1400;

const char16_t* EncapsulationKey(std::uint32_t major) { return IsOlderSystem(major) ? kIpsecKey : kPolicyAgentKey; }

// Creates or opens the key with full access, then writes REG_DWORD value. The creation's code;
// the write's in setResult when the key was there to write.
long CreateAndSet(IRegistry& registry, const WideString& keyPath, const WideString& valueName, std::uint32_t value,
                  long& setResult)
{
    CRegKey key(registry);
    if (const long result = key.Create(keyPath, win::KEY_ALL_ACCESS))
        return result;
    const unsigned char data[4] = {static_cast<unsigned char>(value), static_cast<unsigned char>(value >> 8),
                                   static_cast<unsigned char>(value >> 16), static_cast<unsigned char>(value >> 24)};
    setResult = key.Set(valueName, win::REG_DWORD, data, sizeof(data));
    return 0;
}

}  // namespace

bool IsOlderSystem(std::uint32_t majorVersion) { return majorVersion < 6; }

std::uint32_t ReadMajorVersion(ISystemInfo& system) { return system.GetVersion().dwMajorVersion; }

std::optional<std::uint32_t> ReadMachineDword(IRegistry& registry, const WideString& keyPath, const WideString& valueName)
{
    CRegKey key(registry);
    if (key.Open(keyPath, win::KEY_READ) != 0)
        return std::nullopt;
    // Cleared first: a value shorter than four bytes reads as its bytes followed by zeros.
    unsigned char data[4] = {};
    std::uint32_t size = sizeof(data);
    std::uint32_t type = 0;
    if (key.Query(valueName, data, size, type) != 0)
        return std::nullopt;
    return std::uint32_t{data[0]} | std::uint32_t{data[1]} << 8 | std::uint32_t{data[2]} << 16
        | std::uint32_t{data[3]} << 24;
}

long WriteMachineDword(IRegistry& registry, const WideString& keyPath, const WideString& valueName,
                       std::uint32_t value)
{
    long setResult = 0;
    if (const long createResult = CreateAndSet(registry, keyPath, valueName, value, setResult))
        return createResult;
    return setResult;
}

std::vector<IpsecValue> FindIpsecValuesNotInPlace(IRegistry& registry, std::uint32_t majorVersion)
{
    std::vector<IpsecValue> missing;
    const char16_t* ruleKey = EncapsulationKey(majorVersion);
    if (ReadMachineDword(registry, ruleKey, kEncapsulationValue) != kBothBehindNat)
        missing.push_back({ruleKey, kEncapsulationValue, kBothBehindNat});
    // Any number will do, 0 included.
    if (!IsOlderSystem(majorVersion) && !ReadMachineDword(registry, kNdisWanProtocolKey, kTunnelMtuValue))
        missing.push_back({kNdisWanProtocolKey, kTunnelMtuValue, kTunnelMtu});
    return missing;
}

bool IsIpsecRegistryReady(IRegistry& registry, ISystemInfo& system, CEventLog& log)
{
    const std::vector<IpsecValue> missing = FindIpsecValuesNotInPlace(registry, ReadMajorVersion(system));
    for (const IpsecValue& value : missing)
        log.Record(u"registry check: %s\\%s not in place", {value.keyPath, value.name});
    if (missing.empty())
        log.Record(u"registry check: the IPsec values are in place");
    return missing.empty();
}

NatRepair RepairNatTraversal(IRegistry& registry, ISystemInfo& system, CEventLog& log)
{
    const std::uint32_t major = ReadMajorVersion(system);
    const char16_t* key = EncapsulationKey(major);
    if (ReadMachineDword(registry, key, kEncapsulationValue) == kBothBehindNat) {
        log.Record(u"registry repair: the rule is in place");
        return NatRepair::InPlace;
    }
    // The older systems let any user try.
    if (!IsOlderSystem(major) && !system.IsUserAnAdmin()) {
        log.Record(u"registry repair: the rule is not in place, and only an administrator may set it");
        return NatRepair::NeedsAdministrator;
    }
    long written = 0;
    if (const long refused = CreateAndSet(registry, key, kEncapsulationValue, kBothBehindNat, written)) {
        log.Record(u"registry repair: %s refused, error %d", {key, static_cast<int>(refused)});
        return NatRepair::KeyRefused;
    }
    log.Record(u"registry repair: the rule set to 2, error %d", {static_cast<int>(written)});
    return NatRepair::Attempted;
}
