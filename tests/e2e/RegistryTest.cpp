// The machine's registry as the program prepares it for IPsec behind address translation: the
// check at start with its message and the registry tool, the repair at Quit, and the WAN binding
// order on older systems. The prefix starts with the values in place; each scenario changes what
// it needs and puts it back.
#include "Sandbox.h"
#include "Scenario.h"
#include "base/ResourceIds.h"

using namespace e2e;

namespace {

constexpr wchar_t kPolicyAgentKey[] = L"SYSTEM\\CurrentControlSet\\Services\\PolicyAgent";
constexpr wchar_t kIpsecKey[] = L"SYSTEM\\CurrentControlSet\\Services\\IPsec";
constexpr wchar_t kNdisWanKey[] = L"SYSTEM\\CurrentControlSet\\Services\\NdisWan\\Parameters\\Protocols\\0";
constexpr wchar_t kLinkageKey[] = L"SYSTEM\\CurrentControlSet\\Services\\Tcpip\\Linkage";
constexpr wchar_t kRule[] = L"AssumeUDPEncapsulationContextOnSendRule";
constexpr wchar_t kTunnelMtu[] = L"TunnelMTU";
constexpr wchar_t kBind[] = L"Bind";
constexpr wchar_t kMustModifyText[] =
    L"The Windows registry for IPSec must be modified. \nPress OK to start the registry modification program.";
constexpr wchar_t kRegsetLog[] = L"C:\\tolvex-e2e\\regset.log";
constexpr wchar_t kRegsetExe[] = L"Tolvex Regset.exe";
constexpr wchar_t kInstalledRegset[] = L"C:\\Program Files\\Tolvex\\Tolvex Regset.exe";
// A folder holding a file named like the registry tool that is not the program's.
constexpr wchar_t kPlantedFolder[] = L"C:\\tolvex-planted";
constexpr wchar_t kWanAdapter[] = L"\\Device\\NdisWanIp";
constexpr wchar_t kAdapterX[] = L"\\Device\\{5B3C8E2A-1F0D-4C7B-9E61-2A8D4F6B0C13}";
constexpr wchar_t kAdapterY[] = L"\\Device\\Tcpip6_{0D9F2C41-7A3E-4B58-8C16-E4F2A7B93D05}";

const std::string kTwo("\x02\x00\x00\x00", 4);

// A machine value as it was, put back when the object goes.
class KeptValue {
public:
    KeptValue(std::wstring key, std::wstring name)
        : m_key(std::move(key)), m_name(std::move(name)), m_saved(GetMachineValue(m_key, m_name))
    {
    }
    ~KeptValue()
    {
        if (m_saved)
            SetMachineValue(m_key, m_name, m_saved->first, m_saved->second.data(), static_cast<DWORD>(m_saved->second.size()));
        else
            DeleteMachineValue(m_key, m_name);
    }
    KeptValue(const KeptValue&) = delete;
    KeptValue& operator=(const KeptValue&) = delete;

private:
    std::wstring m_key;
    std::wstring m_name;
    std::optional<std::pair<DWORD, std::string>> m_saved;
};

// A REG_MULTI_SZ value's bytes: each item ended by NUL, then the closing NUL.
std::string MultiString(const std::vector<std::wstring>& items)
{
    std::wstring chars;
    for (const auto& item : items)
        chars += item + L'\0';
    chars += L'\0';
    return std::string(reinterpret_cast<const char*>(chars.data()), chars.size() * sizeof(wchar_t));
}

std::string DwordBytes(DWORD value) { return std::string(reinterpret_cast<const char*>(&value), sizeof(value)); }

class Registry : public Scenario {
protected:
    void TearDown() override
    {
        Scenario::TearDown();
        EXPECT_TRUE(WaitForNoProcess(kRegsetExe));
    }

    // The registry tool's starts, one record each: its own path, and whether it is the planted copy.
    struct Start {
        std::wstring path;
        bool planted = false;
    };

    static std::vector<Start> RegsetStarts()
    {
        std::vector<Start> starts;
        const std::wstring log = FromUtf8(ReadFileBytes(kRegsetLog).value_or(""));
        for (std::size_t at = 0; at < log.size();) {
            std::size_t lf = log.find(L'\n', at);
            if (lf == std::wstring::npos)
                lf = log.size();
            const std::wstring line = log.substr(at, lf - at);
            if (line.rfind(L"path=", 0) == 0)
                starts.push_back({line.substr(5)});
            else if (line == L"planted" && !starts.empty())
                starts.back().planted = true;
            at = lf + 1;
        }
        return starts;
    }

    // The start-up message: shown while the dialog is not, and answered with OK.
    void StartupAsksThenOk()
    {
        HWND box = WaitForBox();
        ASSERT_NE(box, nullptr);
        EXPECT_EQ(MessageBoxText(box), kMustModifyText);
        EXPECT_FALSE(ShowsDialog()) << "the message comes before the dialog shows";
        EXPECT_EQ(GetDlgItem(box, IDCANCEL), nullptr) << "OK only";
        // Nothing is started before the box is closed.
        ASSERT_TRUE(WaitForNoProcess(kRegsetExe));
        EXPECT_TRUE(RegsetStarts().empty());
        SaveScreenshot(L"registry-must-be-modified-en");
        Answer(box, IDOK);
        EXPECT_TRUE(WaitUntil([&] { return ShowsDialog(); }));
    }

    void ExpectOneStartFromTheProgramFolder()
    {
        ASSERT_TRUE(WaitUntil([] { return !RegsetStarts().empty(); })) << "the registry tool was not started";
        ASSERT_TRUE(WaitForNoProcess(kRegsetExe));
        const std::vector<Start> starts = RegsetStarts();
        ASSERT_EQ(starts.size(), 1u);
        EXPECT_EQ(starts[0].path, kInstalledRegset);
        EXPECT_FALSE(starts[0].planted);
    }

    // Quit answered by one box of the repair, which must read the text; then the program ends.
    void QuitShowsOnly(const std::wstring& text)
    {
        ClickButton(m_hDlg, IDCANCEL);
        HWND box = WaitForBox();
        ASSERT_NE(box, nullptr);
        EXPECT_EQ(MessageBoxText(box), text);
        Answer(box, IDOK);
        EXPECT_TRUE(m_app->WaitForExit());
    }

    void QuitEndsWithoutABox()
    {
        ClickButton(m_hDlg, IDCANCEL);
        // A box would keep the program running until answered.
        EXPECT_TRUE(m_app->WaitForExit());
    }
};

TEST_F(Registry, NewerSystemWithoutTheRuleAsksFirstThenStartsTheToolFromTheProgramFolder)
{
    ReportedVersion version(L"win8");
    KeptValue rule(kPolicyAgentKey, kRule);
    DeleteMachineValue(kPolicyAgentKey, kRule);
    LaunchApp();
    StartupAsksThenOk();
    ExpectOneStartFromTheProgramFolder();
}

TEST_F(Registry, NewerSystemWithoutTunnelMtuAsksToo)
{
    ReportedVersion version(L"win7");
    KeptValue mtu(kNdisWanKey, kTunnelMtu);
    DeleteMachineValue(kNdisWanKey, kTunnelMtu);
    LaunchApp();
    StartupAsksThenOk();
    ExpectOneStartFromTheProgramFolder();
}

TEST_F(Registry, OlderSystemWithTheRuleNotTwoAsksAndStartsTheTool)
{
    ReportedVersion version(L"winxp");
    KeptValue rule(kIpsecKey, kRule);
    ASSERT_TRUE(SetMachineDword(kIpsecKey, kRule, 0));
    LaunchApp();
    StartupAsksThenOk();
    ExpectOneStartFromTheProgramFolder();
}

TEST_F(Registry, ValuesInPlaceShowNoMessageAndStartNothing)
{
    for (const wchar_t* reported : {L"win8", L"winxp"}) {
        ReportedVersion version(reported);
        StartApp();
        // The check runs before the dialog shows: a message or a start would have come by now.
        EXPECT_EQ(m_app->FindMessageBox(), nullptr) << testing::PrintToString(std::wstring(reported));
        ASSERT_TRUE(WaitForNoProcess(kRegsetExe));
        EXPECT_TRUE(RegsetStarts().empty()) << testing::PrintToString(std::wstring(reported));
        m_app.reset();
    }
}

TEST_F(Registry, AToolPlantedInTheCurrentDirectoryIsNeverStarted)
{
    // The planted copy is there and would say so if started.
    const std::wstring planted = std::wstring(kPlantedFolder) + L"\\" + kRegsetExe;
    ASSERT_EQ(RunAndWait(L"\"" + planted + L"\""), 0);
    ASSERT_EQ(RegsetStarts().size(), 1u);
    ASSERT_TRUE(RegsetStarts()[0].planted);
    ASSERT_TRUE(DeleteFileW(kRegsetLog));

    ReportedVersion version(L"win8");
    KeptValue rule(kPolicyAgentKey, kRule);
    DeleteMachineValue(kPolicyAgentKey, kRule);
    LaunchApp(kPlantedFolder);
    StartupAsksThenOk();
    ExpectOneStartFromTheProgramFolder();
}

// A bare file name would be looked for beside the program first, then in the current directory:
// with the tool missing beside the program, only a start by full path keeps the planted one out.
TEST_F(Registry, WithTheToolMissingBesideTheProgramAPlantedOneIsStillNotStarted)
{
    const std::wstring away = std::wstring(kInstalledRegset) + L".away";
    ASSERT_TRUE(MoveFileW(kInstalledRegset, away.c_str()));
    struct PutBack {
        std::wstring from;
        ~PutBack() { MoveFileW(from.c_str(), kInstalledRegset); }
    } putBack{away};

    ReportedVersion version(L"win8");
    KeptValue rule(kPolicyAgentKey, kRule);
    DeleteMachineValue(kPolicyAgentKey, kRule);
    LaunchApp(kPlantedFolder);
    StartupAsksThenOk();
    // The launch has happened once the dialog shows; a started tool ends by itself.
    ASSERT_TRUE(WaitForNoProcess(kRegsetExe));
    EXPECT_TRUE(RegsetStarts().empty()) << "started: " << testing::PrintToString(RegsetStarts().empty() ? L"" : RegsetStarts()[0].path);
    EXPECT_FALSE(m_app->HasExited()) << "the program goes on as usual";
}

TEST_F(Registry, NewerSystemQuitSetsTheRuleToTwoAndShowsZero)
{
    ReportedVersion version(L"win7");
    KeptValue rule(kPolicyAgentKey, kRule);
    StartApp();
    ASSERT_TRUE(SetMachineDword(kPolicyAgentKey, kRule, 0));
    QuitShowsOnly(L"0");
    EXPECT_EQ(GetMachineValue(kPolicyAgentKey, kRule), std::make_pair(DWORD{REG_DWORD}, kTwo));
}

TEST_F(Registry, QuitWithTheRuleAtTwoShowsNothing)
{
    ReportedVersion version(L"win8");
    StartApp();
    QuitEndsWithoutABox();
    EXPECT_EQ(GetMachineValue(kPolicyAgentKey, kRule), std::make_pair(DWORD{REG_DWORD}, kTwo));
}

TEST_F(Registry, NewerSystemQuitWithAKeyThatRefusesWritingShowsMinusOne)
{
    ReportedVersion version(L"win8");
    KeptValue rule(kPolicyAgentKey, kRule);
    StartApp();
    ASSERT_TRUE(SetMachineDword(kPolicyAgentKey, kRule, 0));
    ReadOnlyKey readOnly(kPolicyAgentKey);
    ASSERT_TRUE(readOnly.RefusesWriting());
    QuitShowsOnly(L"-1");
    EXPECT_EQ(GetMachineValue(kPolicyAgentKey, kRule), std::make_pair(DWORD{REG_DWORD}, DwordBytes(0)));
}

TEST_F(Registry, OlderSystemQuitSetsTheIpsecRuleToTwoAndShowsZero)
{
    ReportedVersion version(L"winxp");
    KeptValue rule(kIpsecKey, kRule);
    StartApp();
    ASSERT_TRUE(SetMachineDword(kIpsecKey, kRule, 1));
    QuitShowsOnly(L"0");
    EXPECT_EQ(GetMachineValue(kIpsecKey, kRule), std::make_pair(DWORD{REG_DWORD}, kTwo));
}

class BindingOrder : public Registry {
protected:
    // Starts the program under the version with the list's bytes in place; the list as the start
    // left it.
    std::optional<std::pair<DWORD, std::string>> AfterStart(const wchar_t* reported, const std::string& before)
    {
        KeptValue bind(kLinkageKey, kBind);
        EXPECT_TRUE(SetMachineValue(kLinkageKey, kBind, REG_MULTI_SZ, before.data(), static_cast<DWORD>(before.size())));
        ReportedVersion version(reported);
        StartApp();
        auto after = GetMachineValue(kLinkageKey, kBind);
        m_app.reset();
        return after;
    }
};

TEST_F(BindingOrder, OlderSystemMovesTheWanAdapterFirst)
{
    const auto after = AfterStart(L"winxp", MultiString({kAdapterX, kWanAdapter, kAdapterY}));
    EXPECT_EQ(after, std::make_pair(DWORD{REG_MULTI_SZ}, MultiString({kWanAdapter, kAdapterX, kAdapterY})));
}

TEST_F(BindingOrder, OlderSystemLeavesAListThatStartsWithItOrLacksIt)
{
    // Lists a rewrite would change: a duplicate that stays, a lower-case spelling that does not
    // count, a list without its closing NUL.
    const std::vector<std::string> lists = {
        MultiString({kWanAdapter, kAdapterX, kWanAdapter, kAdapterY}),
        MultiString({kAdapterX, L"\\device\\ndiswanip", kAdapterY}),
        MultiString({kAdapterX, kAdapterY}).substr(0, MultiString({kAdapterX, kAdapterY}).size() - 2),
    };
    for (const auto& list : lists)
        EXPECT_EQ(AfterStart(L"winxp", list), std::make_pair(DWORD{REG_MULTI_SZ}, list));
}

TEST_F(BindingOrder, NewerSystemNeverTouchesTheList)
{
    const std::string list = MultiString({kAdapterX, kWanAdapter, kAdapterY});
    EXPECT_EQ(AfterStart(L"win8", list), std::make_pair(DWORD{REG_MULTI_SZ}, list));
}

}  // namespace
