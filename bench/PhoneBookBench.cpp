// The phonebook lookup and the interface-metric rewrite on real files of 10 KiB, 1 MiB and
// 100 MiB, each beside a standard tool doing the same job and the plain file operation that
// bounds it from below:
//
//   search   FindEntrySection        grep -F -q "[Tolvex Cell VPN]"   cat file > /dev/null
//   rewrite  RewriteInterfaceMetric  sed 's/^IpInterfaceMetric=...'   cp file copy
//
// Every row is wall time per run (manual time): for the tools, from starting the process to its
// end. The generated phonebooks hold many entries as the dialer tool writes them, each with an
// "IpInterfaceMetric=0" line, and the managed entry's section last, so that the search reads the
// whole file and the rewrite changes lines all through it. Before each timed rewrite the
// phonebook is put back as generated, outside the timed part.
//
// The "memory" rows run one rewrite in a child process (this program with --rewrite-once) and
// report the child's peak resident size, beside that of a child with nothing to rewrite; the
// time there is the child's, start-up included.
//
// The "unchanged" rows run the rewrite on a file that is already right: read and looked at
// whole, never written. That is what every Connect after the first one costs.
//
// "parts" rows time the text functions alone on the file's bytes in memory, to tell the
// computing apart from the reading and writing.
#include <benchmark/benchmark.h>

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <string>
#include <string_view>
#include <vector>

#include "app/TolvexDesktopWinApp.h"
#include "fakes/FakePlatform.h"
#include "phonebook/PhoneBookText.h"
#include "platform/posix/PosixFileSystem.h"
#include "ui/TolvexDesktopWinDlg.h"

extern char** environ;

namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

constexpr char16_t kEntryName[] = u"Tolvex Cell VPN";
constexpr char kSectionLine[] = "[Tolvex Cell VPN]";
// The phonebook path the dialog builds under an application-data folder: on this system the
// backslashes are ordinary characters of one file name.
constexpr char kPhoneBookUnderAppData[] = "\\Tolvex Computer\\TolvexPhoneBook.pbk";

WideString Wide(std::string_view text)
{
    return WideString(std::u16string(text.begin(), text.end()));  // the paths here are ASCII
}

std::string ReadAll(const fs::path& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

void WriteAll(const fs::path& path, std::string_view bytes)
{
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

// One entry as the dialer tool writes it, with values that differ from entry to entry.
void AppendEntry(std::string& out, std::string_view name, unsigned number)
{
    char guid[40];
    std::snprintf(guid, sizeof guid, "%08X8A9D4E31B0C2%012u", 0x6E4C1F2Bu + number, number);
    out.append("[").append(name).append("]\r\n");
    out.append("Encoding=1\r\nPBVersion=4\r\nType=2\r\nAutoLogon=0\r\nUseRasCredentials=1\r\n");
    out.append("LowDateTime=").append(std::to_string(1447106688u + number * 7919u)).append("\r\n");
    out.append("HighDateTime=31035482\r\n");
    out.append("DialParamsUID=").append(std::to_string(39419265u + number)).append("\r\n");
    out.append("Guid=").append(guid).append("\r\n");
    out.append(
        "VpnStrategy=3\r\nExcludedProtocols=0\r\nLcpExtensions=1\r\nDataEncryption=256\r\nSwCompression=0\r\n"
        "NegotiateMultilinkAlways=0\r\nSkipDoubleDialDialog=0\r\nDialMode=0\r\nOverridePref=15\r\n"
        "RedialAttempts=3\r\nRedialSeconds=60\r\nIdleDisconnectSeconds=0\r\nRedialOnLinkFailure=1\r\n"
        "CallbackMode=0\r\nCustomDialDll=\r\nCustomDialFunc=\r\nCustomRasDialDll=\r\nForceSecureCompartment=0\r\n"
        "DisableIKENameEkuCheck=0\r\nAuthenticateServer=0\r\nShareMsFilePrint=1\r\nBindMsNetClient=1\r\n"
        "SharedPhoneNumbers=0\r\nGlobalDeviceSettings=0\r\nPrerequisiteEntry=\r\nPrerequisitePbk=\r\n"
        "PreferredPort=VPN2-0\r\nPreferredDevice=WAN Miniport (L2TP)\r\nPreferredBps=0\r\nPreferredHwFlow=0\r\n"
        "PreferredProtocol=0\r\nPreferredCompression=0\r\nPreferredSpeaker=0\r\nPreferredMdmProtocol=0\r\n"
        "PreviewUserPw=1\r\nPreviewDomain=0\r\nPreviewPhoneNumber=0\r\nShowDialingProgress=1\r\n"
        "ShowMonitorIconInTaskBar=0\r\nCustomAuthKey=0\r\nAuthRestrictions=552\r\nIpPrioritizeRemote=1\r\n"
        "IpInterfaceMetric=0\r\n"
        "IpHeaderCompression=0\r\nIpAddress=0.0.0.0\r\nIpDnsAddress=0.0.0.0\r\nIpDns2Address=0.0.0.0\r\n"
        "IpWinsAddress=0.0.0.0\r\nIpWins2Address=0.0.0.0\r\nIpAssign=1\r\nIpNameAssign=1\r\nIpDnsFlags=0\r\n"
        "IpNBTFlags=1\r\nTcpWindowSize=0\r\nUseFlags=2\r\nIpSecFlags=1\r\nIpDnsSuffix=\r\nIpv6Assign=1\r\n"
        "Ipv6Address=::\r\nIpv6PrefixLength=0\r\nIpv6PrioritizeRemote=1\r\nIpv6InterfaceMetric=0\r\n"
        "Ipv6NameAssign=1\r\nIpv6DnsAddress=::\r\nIpv6Dns2Address=::\r\nIpv6Prefix=0000000000000000\r\n"
        "Ipv6InterfaceId=0000000000000000\r\nDisableClassBasedDefaultRoute=0\r\nDisableMobility=0\r\n"
        "NetworkOutageTime=0\r\nProvisionType=0\r\nPreSharedKey=\r\nCacheCredentials=1\r\nNumCustomPolicy=0\r\n"
        "NumEku=0\r\nUseMachineRootCert=0\r\nNumServers=0\r\nRouteVersion=1\r\nNumRoutes=0\r\nNumNrptRules=0\r\n"
        "AutoTiggerCapable=0\r\nNumAppIds=0\r\nNumClassicAppIds=0\r\nSecurityDescriptor=\r\n"
        "ApnInfoProviderId=\r\nApnInfoUsername=\r\nApnInfoPassword=\r\nApnInfoAccessPoint=\r\n"
        "ApnInfoAuthentication=1\r\nApnInfoCompression=0\r\nDeviceComplianceEnabled=0\r\n"
        "DeviceComplianceSsoEnabled=0\r\nDeviceComplianceSsoEku=\r\nDeviceComplianceSsoIssuer=\r\n"
        "WebAuthEnabled=0\r\nWebAuthClientId=\r\nFlagsSet=0\r\nOptions=0\r\nDisableDefaultDnsSuffixes=0\r\n"
        "NumTrustedNetworks=0\r\nNumDnsSearchSuffixes=0\r\nPowershellCreatedProfile=0\r\nProxyFlags=0\r\n"
        "ProxySettingsModified=0\r\nProvisioningAuthority=\r\nAuthTypeOTP=0\r\nGREKeyDefined=0\r\n"
        "NumPerAppTrafficFilters=0\r\nAlwaysOnCapable=0\r\nDeviceTunnel=0\r\nPrivateNetwork=0\r\n"
        "\r\n"
        "NETCOMPONENTS=\r\nms_msclient=1\r\nms_server=1\r\n"
        "\r\n"
        "MEDIA=rastapi\r\nPort=VPN2-0\r\nDevice=WAN Miniport (L2TP)\r\n"
        "\r\n"
        "DEVICE=vpn\r\n");
    out.append("PhoneNumber=vpn").append(std::to_string(number)).append(".tolvex.example\r\n");
    out.append(
        "AreaCode=\r\nCountryCode=0\r\nCountryID=0\r\nUseDialingRules=0\r\nComment=\r\nFriendlyName=\r\n"
        "LastSelectedPhone=0\r\nPromoteAlternates=0\r\nTryNextAlternateOnFail=1\r\n"
        "\r\n");
}

// A phonebook of about `size` bytes: other entries first, the managed entry last.
std::string MakePhoneBook(std::size_t size)
{
    std::string managed;
    AppendEntry(managed, "Tolvex Cell VPN", 0);
    std::string out;
    out.reserve(size + 2 * managed.size());
    for (unsigned number = 1; out.size() + managed.size() < size; ++number)
        AppendEntry(out, "Office VPN " + std::to_string(number), number);
    out += managed;
    return out;
}

std::string SizeLabel(std::size_t size)
{
    return size >= (1u << 20) ? std::to_string(size >> 20) + "MiB" : std::to_string(size >> 10) + "KiB";
}

// The benchmark's folder: generated phonebooks, and the application-data folder of the dialog.
class Workspace {
public:
    static Workspace& Get()
    {
        static Workspace workspace;
        return workspace;
    }
    ~Workspace()
    {
        std::error_code ignored;
        fs::remove_all(m_dir, ignored);
    }

    // The generated phonebook of that size; made on first use and never changed.
    const fs::path& Generated(std::size_t size)
    {
        auto it = m_generated.find(size);
        if (it == m_generated.end()) {
            const fs::path path = m_dir / ("generated-" + SizeLabel(size) + ".pbk");
            WriteAll(path, MakePhoneBook(size));
            it = m_generated.emplace(size, path).first;
        }
        return it->second;
    }
    // The same phonebook with every metric line already right, as a rewrite leaves it.
    const fs::path& Rewritten(std::size_t size)
    {
        auto it = m_rewritten.find(size);
        if (it == m_rewritten.end()) {
            const fs::path path = m_dir / ("rewritten-" + SizeLabel(size) + ".pbk");
            WriteAll(path, phonebook::RewriteMetricLines(ReadAll(Generated(size))));
            it = m_rewritten.emplace(size, path).first;
        }
        return it->second;
    }
    const fs::path& Dir() const { return m_dir; }
    std::string AppData() const { return (m_dir / "appdata").native(); }
    fs::path PhoneBook() const { return AppData() + kPhoneBookUnderAppData; }

private:
    Workspace()
    {
        const char* tmp = std::getenv("TMPDIR");
        std::string pattern = std::string(tmp != nullptr && *tmp != '\0' ? tmp : "/tmp") + "/tolvex-bench-XXXXXX";
        if (::mkdtemp(pattern.data()) == nullptr) {
            std::perror("mkdtemp");
            std::exit(1);
        }
        m_dir = pattern;
    }

    fs::path m_dir;
    std::map<std::size_t, fs::path> m_generated;
    std::map<std::size_t, fs::path> m_rewritten;
};

// The main dialog as the program makes it, with real files and the given application-data folder.
struct DiskDialog {
    explicit DiskDialog(const std::string& appData) { fake.system.appData = Wide(appData); }

    FakePlatform fake;
    CPosixFileSystem disk;
    Platform platform{fake.app, fake.resources, fake.system, fake.ui, disk, fake.shell, fake.adapters, fake.registry};
    CTolvexDesktopWinApp app{platform};
    CTolvexDesktopWinDlg dlg{app};
};

struct Child {
    int status = -1;
    double seconds = 0;
};

// Starts a program (in this process's environment, LC_ALL=C: the tools' byte-wise path), waits
// for it, and reports its wall time from the start to the end and its exit status.
Child Run(const std::vector<std::string>& argv, const std::string& stdoutPath = "/dev/null")
{
    std::vector<char*> args;
    for (const auto& arg : argv)
        args.push_back(const_cast<char*>(arg.c_str()));
    args.push_back(nullptr);

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, stdoutPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);

    Child child;
    const auto start = Clock::now();
    pid_t pid = 0;
    if (posix_spawnp(&pid, args[0], &actions, nullptr, args.data(), environ) == 0)
        ::waitpid(pid, &child.status, 0);
    child.seconds = std::chrono::duration<double>(Clock::now() - start).count();
    posix_spawn_file_actions_destroy(&actions);
    return child;
}

bool Succeeded(const Child& child) { return WIFEXITED(child.status) && WEXITSTATUS(child.status) == 0; }

double Since(Clock::time_point start) { return std::chrono::duration<double>(Clock::now() - start).count(); }

void ReportBytes(benchmark::State& state, const fs::path& input)
{
    const auto size = static_cast<std::int64_t>(fs::file_size(input));
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) * size);
    state.counters["file_bytes"] = static_cast<double>(size);
}

// ---- search ----

void SearchDialog(benchmark::State& state, std::size_t size)
{
    const fs::path& input = Workspace::Get().Generated(size);
    DiskDialog disk(Workspace::Get().AppData());
    const WideString path = Wide(input.native());
    for (auto _ : state) {
        const auto start = Clock::now();
        const int found = disk.dlg.FindEntrySection(path, kEntryName);
        state.SetIterationTime(Since(start));
        if (found != 1) {
            state.SkipWithError("the entry was not found");
            return;
        }
    }
    ReportBytes(state, input);
}

void SearchGrep(benchmark::State& state, std::size_t size)
{
    const fs::path& input = Workspace::Get().Generated(size);
    for (auto _ : state) {
        const Child child = Run({"grep", "-F", "-q", "--", kSectionLine, input.native()});
        state.SetIterationTime(child.seconds);
        if (!Succeeded(child)) {
            state.SkipWithError("grep did not find the entry");
            return;
        }
    }
    ReportBytes(state, input);
}

void SearchCat(benchmark::State& state, std::size_t size)
{
    const fs::path& input = Workspace::Get().Generated(size);
    for (auto _ : state) {
        const Child child = Run({"cat", input.native()});
        state.SetIterationTime(child.seconds);
        if (!Succeeded(child)) {
            state.SkipWithError("cat failed");
            return;
        }
    }
    ReportBytes(state, input);
}

// ---- rewrite ----

// What every rewrite of the generated file must give; checked once per row, outside the timing.
bool IsRewriteOf(const fs::path& result, const fs::path& input)
{
    return ReadAll(result) == phonebook::RewriteMetricLines(ReadAll(input));
}

void RewriteDialog(benchmark::State& state, std::size_t size)
{
    Workspace& workspace = Workspace::Get();
    const fs::path& input = workspace.Generated(size);
    const fs::path phoneBook = workspace.PhoneBook();
    DiskDialog disk(workspace.AppData());
    disk.dlg.GetPhoneBookPath();  // creates the folder
    for (auto _ : state) {
        fs::copy_file(input, phoneBook, fs::copy_options::overwrite_existing);
        const auto start = Clock::now();
        disk.dlg.RewriteInterfaceMetric();
        state.SetIterationTime(Since(start));
    }
    if (!IsRewriteOf(phoneBook, input)) {
        state.SkipWithError("the phonebook was not rewritten as expected");
        return;
    }
    ReportBytes(state, input);
}

// The everyday case: the file is already right, so it is read and searched, and not written.
void UnchangedDialog(benchmark::State& state, std::size_t size)
{
    Workspace& workspace = Workspace::Get();
    const fs::path& input = workspace.Rewritten(size);
    const fs::path phoneBook = workspace.PhoneBook();
    DiskDialog disk(workspace.AppData());
    disk.dlg.GetPhoneBookPath();  // creates the folder
    fs::copy_file(input, phoneBook, fs::copy_options::overwrite_existing);
    const auto written = fs::last_write_time(phoneBook);
    for (auto _ : state) {
        const auto start = Clock::now();
        disk.dlg.RewriteInterfaceMetric();
        state.SetIterationTime(Since(start));
    }
    if (fs::last_write_time(phoneBook) != written || ReadAll(phoneBook) != ReadAll(input)) {
        state.SkipWithError("a phonebook that was already right was written");
        return;
    }
    ReportBytes(state, input);
}

void RewriteSed(benchmark::State& state, std::size_t size)
{
    const fs::path& input = Workspace::Get().Generated(size);
    const fs::path output = Workspace::Get().Dir() / "sed.out";
    for (auto _ : state) {
        fs::remove(output);
        // The generated lines all end with CR LF; a line that sed's "$" sees ends with the CR.
        const Child child = Run({"sed", "s/^IpInterfaceMetric=.*\\r$/IpInterfaceMetric=1\\r/", input.native()},
                                output.native());
        state.SetIterationTime(child.seconds);
        if (!Succeeded(child)) {
            state.SkipWithError("sed failed");
            return;
        }
    }
    if (!IsRewriteOf(output, input)) {
        state.SkipWithError("sed's result differs from the rewrite");
        return;
    }
    ReportBytes(state, input);
}

void RewriteCp(benchmark::State& state, std::size_t size)
{
    const fs::path& input = Workspace::Get().Generated(size);
    const fs::path output = Workspace::Get().Dir() / "cp.out";
    for (auto _ : state) {
        fs::remove(output);
        const Child child = Run({"cp", input.native(), output.native()});
        state.SetIterationTime(child.seconds);
        if (!Succeeded(child)) {
            state.SkipWithError("cp failed");
            return;
        }
    }
    ReportBytes(state, input);
}

// ---- peak memory of one rewrite, in a child process ----

std::string SelfPath() { return fs::read_symlink("/proc/self/exe").native(); }

// The process's peak resident size so far, in bytes, from /proc (VmHWM). Unlike the resource
// usage that wait4 reports, it starts afresh at exec: a child started by vfork or posix_spawn
// otherwise reports its parent's peak.
long PeakResidentBytes()
{
    std::ifstream status("/proc/self/status");
    for (std::string line; std::getline(status, line);) {
        if (line.rfind("VmHWM:", 0) == 0)
            return std::strtol(line.c_str() + 6, nullptr, 10) * 1024;
    }
    return -1;
}

// Runs this program with --rewrite-once and reads the peak it prints.
double ChildPeak(const std::string& appData, Child& child)
{
    const fs::path report = Workspace::Get().Dir() / "peak.txt";
    child = Run({SelfPath(), "--rewrite-once", appData}, report.native());
    std::ifstream in(report);
    double peak = -1;
    in >> peak;
    return peak;
}

void RewriteMemory(benchmark::State& state, std::size_t size)
{
    Workspace& workspace = Workspace::Get();
    const fs::path& input = workspace.Generated(size);
    const fs::path phoneBook = workspace.PhoneBook();
    DiskDialog(workspace.AppData()).dlg.GetPhoneBookPath();  // creates the folder
    double peak = -1;
    double idle = -1;
    for (auto _ : state) {
        fs::copy_file(input, phoneBook, fs::copy_options::overwrite_existing);
        Child rewrite;
        Child nothing;
        peak = ChildPeak(workspace.AppData(), rewrite);
        // The same program with no phonebook to read: what the process needs anyway.
        idle = ChildPeak((workspace.Dir() / "no-appdata").native(), nothing);
        state.SetIterationTime(rewrite.seconds);
        if (!Succeeded(rewrite) || !Succeeded(nothing) || peak <= 0 || idle <= 0) {
            state.SkipWithError("the rewrite process failed");
            return;
        }
    }
    if (!IsRewriteOf(phoneBook, input)) {
        state.SkipWithError("the phonebook was not rewritten as expected");
        return;
    }
    const double fileBytes = static_cast<double>(fs::file_size(input));
    state.counters["peak_rss_MiB"] = peak / (1 << 20);
    state.counters["idle_rss_MiB"] = idle / (1 << 20);
    state.counters["x_file_size"] = (peak - idle) / fileBytes;
    ReportBytes(state, input);
}

int RewriteOnce(const std::string& appData)
{
    {
        DiskDialog disk(appData);
        disk.dlg.RewriteInterfaceMetric();
    }
    std::printf("%ld\n", PeakResidentBytes());
    return 0;
}

// ---- the text functions alone, in memory ----

void PartSearch(benchmark::State& state, std::size_t size)
{
    const std::string content = ReadAll(Workspace::Get().Generated(size));
    constexpr std::size_t kPiece = 256 * 1024;  // the dialog's read size
    for (auto _ : state) {
        const auto start = Clock::now();
        phonebook::CLineTextSearch search(kSectionLine);
        for (std::size_t at = 0; at < content.size() && !search.Found(); at += kPiece)
            search.Feed(std::string_view(content).substr(at, kPiece));
        state.SetIterationTime(Since(start));
        if (!search.Found()) {
            state.SkipWithError("the entry was not found");
            return;
        }
    }
    ReportBytes(state, Workspace::Get().Generated(size));
}

// On a file that is already right, so that the whole file is looked at.
void PartNeedsRewrite(benchmark::State& state, std::size_t size)
{
    const std::string content = ReadAll(Workspace::Get().Rewritten(size));
    for (auto _ : state) {
        const auto start = Clock::now();
        const bool needed = phonebook::NeedsMetricRewrite(content);
        state.SetIterationTime(Since(start));
        if (needed) {
            state.SkipWithError("a line to rewrite in a rewritten file");
            return;
        }
    }
    ReportBytes(state, Workspace::Get().Rewritten(size));
}

void PartWriteRewrite(benchmark::State& state, std::size_t size)
{
    const std::string content = ReadAll(Workspace::Get().Generated(size));
    for (auto _ : state) {
        std::size_t written = 0;
        const auto start = Clock::now();
        phonebook::WriteMetricRewrite(content, [&](std::string_view piece) {
            benchmark::DoNotOptimize(piece.data());
            written += piece.size();
        });
        state.SetIterationTime(Since(start));
        benchmark::DoNotOptimize(written);
    }
    ReportBytes(state, Workspace::Get().Generated(size));
}

constexpr std::size_t kSizes[] = {10u << 10, 1u << 20, 100u << 20};

using BenchmarkFunction = void (*)(benchmark::State&, std::size_t);

benchmark::internal::Benchmark* Add(const std::string& group, std::size_t size, const std::string& who, BenchmarkFunction run)
{
    const std::string name = group + "/" + SizeLabel(size) + "/" + who;
    return benchmark::RegisterBenchmark(name.c_str(), run, size)->UseManualTime()->Unit(benchmark::kMillisecond);
}

// In the table's order: each size's row beside the tool's and the floor's.
void RegisterAll()
{
    for (const std::size_t size : kSizes) {
        Add("search", size, "FindEntrySection", SearchDialog);
        Add("search", size, "grep", SearchGrep);
        Add("search", size, "cat", SearchCat);
    }
    for (const std::size_t size : kSizes) {
        Add("rewrite", size, "RewriteInterfaceMetric", RewriteDialog);
        Add("rewrite", size, "sed", RewriteSed);
        Add("rewrite", size, "cp", RewriteCp);
    }
    for (const std::size_t size : kSizes)
        Add("unchanged", size, "RewriteInterfaceMetric", UnchangedDialog);
    for (const std::size_t size : kSizes)
        Add("memory", size, "RewriteInterfaceMetric", RewriteMemory)->Iterations(1);
    for (const std::size_t size : kSizes) {
        Add("parts", size, "CLineTextSearch", PartSearch);
        Add("parts", size, "NeedsMetricRewrite", PartNeedsRewrite);
        Add("parts", size, "WriteMetricRewrite", PartWriteRewrite);
    }
}

}  // namespace

int main(int argc, char** argv)
{
    // The child of the memory rows: one rewrite of the phonebook under that folder, then out.
    if (argc == 3 && std::strcmp(argv[1], "--rewrite-once") == 0)
        return RewriteOnce(argv[2]);

    ::setenv("LC_ALL", "C", 1);
    RegisterAll();
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
