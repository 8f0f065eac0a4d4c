// The phonebook unit on real files: the section lookup and the interface-metric rewrite, each
// beside a standard tool doing the same job and the plain file operation beneath it, and the
// rewrite's peak memory in a process of its own. Every time is wall time per run (manual time);
// a tool's runs from starting its process to its end.
//
// The generated phonebooks hold entries as the dialer writes them, each with an
// "IpInterfaceMetric=0" line, the managed entry last: the lookup reads the whole file and the
// rewrite changes lines all through it.
#include <benchmark/benchmark.h>

#include <fcntl.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <utility>
#include <vector>

#include "PosixFileSystem.h"
#include "phonebook/PhoneBook.h"

extern char** environ;

namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

constexpr char16_t kEntryName[] = u"Tolvex Cell VPN";
constexpr char kPhoneBookName[] = "TolvexPhoneBook.pbk";

// Nothing of the system is asked for by the lookup and the rewrite.
class CNoSystemInfo : public ISystemInfo {
public:
    bool GetVersionEx(OsVersionInfo&) override { return false; }
    bool GetSystemDirectory(WideString&, unsigned) override { return false; }
    bool GetAppDataFolder(WideString&) override { return false; }
    bool IsUserAnAdmin() override { return false; }
    WideString DescribeError(long) override { return WideString(); }
};

WideString Wide(std::string_view text) { return WideString(std::u16string(text.begin(), text.end())); }

// One entry as the dialer writes it, with values that differ from entry to entry.
void AppendEntry(std::string& out, std::string_view name, unsigned number, char metric)
{
    const std::string n = std::to_string(number);
    out.append("[").append(name).append("]\r\nEncoding=1\r\nPBVersion=4\r\nType=2\r\nAutoLogon=0\r\n");
    out.append("DialParamsUID=").append(std::to_string(39419265u + number)).append("\r\n");
    out.append("Guid=6E4C1F2B8A9D4E31B0C2").append(n).append("\r\n");
    out.append(
        "VpnStrategy=3\r\nExcludedProtocols=0\r\nLcpExtensions=1\r\nDataEncryption=256\r\nSwCompression=0\r\n"
        "NegotiateMultilinkAlways=0\r\nSkipDoubleDialDialog=0\r\nDialMode=0\r\nOverridePref=15\r\n"
        "RedialAttempts=3\r\nRedialSeconds=60\r\nIdleDisconnectSeconds=0\r\nRedialOnLinkFailure=1\r\n"
        "CallbackMode=0\r\nCustomDialDll=\r\nCustomDialFunc=\r\nCustomRasDialDll=\r\nAuthenticateServer=0\r\n"
        "ShareMsFilePrint=1\r\nBindMsNetClient=1\r\nSharedPhoneNumbers=0\r\nGlobalDeviceSettings=0\r\n"
        "PreferredPort=VPN2-0\r\nPreferredDevice=WAN Miniport (L2TP)\r\nPreferredBps=0\r\nPreferredHwFlow=0\r\n"
        "PreviewUserPw=1\r\nPreviewDomain=0\r\nShowDialingProgress=1\r\nAuthRestrictions=552\r\n"
        "IpPrioritizeRemote=1\r\nIpInterfaceMetric=");
    out.append(1, metric).append("\r\n");
    out.append(
        "IpHeaderCompression=0\r\nIpAddress=0.0.0.0\r\nIpDnsAddress=0.0.0.0\r\nIpDns2Address=0.0.0.0\r\n"
        "IpWinsAddress=0.0.0.0\r\nIpAssign=1\r\nIpNameAssign=1\r\nIpDnsFlags=0\r\nIpNBTFlags=1\r\n"
        "TcpWindowSize=0\r\nUseFlags=2\r\nIpSecFlags=1\r\nIpDnsSuffix=\r\nIpv6Assign=1\r\nIpv6Address=::\r\n"
        "Ipv6PrefixLength=0\r\nIpv6PrioritizeRemote=1\r\nIpv6InterfaceMetric=0\r\nIpv6NameAssign=1\r\n"
        "DisableClassBasedDefaultRoute=0\r\nDisableMobility=0\r\nNetworkOutageTime=0\r\nPreSharedKey=\r\n"
        "CacheCredentials=1\r\nNumCustomPolicy=0\r\nNumEku=0\r\nUseMachineRootCert=0\r\nNumServers=0\r\n"
        "\r\nNETCOMPONENTS=\r\nms_msclient=1\r\nms_server=1\r\n"
        "\r\nMEDIA=rastapi\r\nPort=VPN2-0\r\nDevice=WAN Miniport (L2TP)\r\n"
        "\r\nDEVICE=vpn\r\nPhoneNumber=vpn");
    out.append(n).append(".tolvex.example\r\nAreaCode=\r\nCountryCode=0\r\nCountryID=0\r\nUseDialingRules=0\r\n");
    out.append("Comment=\r\nFriendlyName=\r\nLastSelectedPhone=0\r\nPromoteAlternates=0\r\n\r\n");
}

// A phonebook of about size bytes, the managed entry last, written in pieces of about 1 MiB so
// that a file of gigabytes needs no more memory than a small one.
void Generate(const std::string& path, std::uint64_t size, char metric)
{
    std::string managed;
    AppendEntry(managed, "Tolvex Cell VPN", 0, metric);
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    std::string piece;
    std::uint64_t written = 0;
    for (unsigned number = 1; written + piece.size() + managed.size() < size; ++number) {
        AppendEntry(piece, "Office VPN " + std::to_string(number), number, metric);
        if (piece.size() >= (1u << 20)) {
            out.write(piece.data(), static_cast<std::streamsize>(piece.size()));
            written += piece.size();
            piece.clear();
        }
    }
    piece += managed;
    out.write(piece.data(), static_cast<std::streamsize>(piece.size()));
}

std::string SizeLabel(std::uint64_t size)
{
    char label[32];
    if (size >= (1u << 30))
        std::snprintf(label, sizeof label, "%.1fGiB", static_cast<double>(size) / (1u << 30));
    else
        std::snprintf(label, sizeof label, size >= (1u << 20) ? "%lluMiB" : "%lluKiB",
                      static_cast<unsigned long long>(size >= (1u << 20) ? size >> 20 : size >> 10));
    return label;
}

// The bench's folder under $TMPDIR (or /tmp), removed at the end.
class Workspace {
public:
    static Workspace& Get()
    {
        static Workspace workspace;
        return workspace;
    }
    ~Workspace() { fs::remove_all(m_dir); }

    // A file of the folder, as this system names it and as the program does.
    const std::string& Dir() const { return m_dir; }
    std::string Native(const std::string& name) const { return m_dir + "/" + name; }
    WideString Program(const std::string& name) const { return Wide(m_dir) + u"\\" + Wide(name); }

    // The generated phonebook (metric '0'), or the same as the rewrite leaves it ('1'); made
    // once, never changed.
    std::string Generated(std::uint64_t size, char metric)
    {
        const std::string path = Native("generated-" + SizeLabel(size) + "-" + metric + ".pbk");
        if (!fs::exists(path))
            Generate(path, size, metric);
        return path;
    }

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

    std::string m_dir;
};

struct Child {
    int status = -1;
    double seconds = 0;
    bool Succeeded() const { return WIFEXITED(status) && WEXITSTATUS(status) == 0; }
};

// Starts a program and waits for it: its wall time from the start to the end, and its status.
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

double Since(Clock::time_point start) { return std::chrono::duration<double>(Clock::now() - start).count(); }

bool SameBytes(const std::string& a, const std::string& b) { return Run({"cmp", "-s", a, b}).Succeeded(); }

// The copy's data on the disk before the timed part, which then writes only its own.
void SyncFile(const std::string& path)
{
    const int fd = ::open(path.c_str(), O_RDONLY);
    ::fsync(fd);
    ::close(fd);
}

struct stat StatOf(const std::string& path)
{
    struct stat info {};
    ::stat(path.c_str(), &info);
    return info;
}

void ReportBytes(benchmark::State& state, const std::string& path)
{
    const auto size = fs::file_size(path);
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * size));
    state.counters["file_bytes"] = static_cast<double>(size);
}

// Times a standard tool on the generated file: "%in" in argv names it, "%out" names output;
// output, removed before each run, takes the tool's standard output unless it is named.
void Tool(benchmark::State& state, std::uint64_t size, std::vector<std::string> argv, const std::string& output)
{
    const std::string input = Workspace::Get().Generated(size, '0');
    std::string toStdout = output.empty() ? "/dev/null" : output;
    for (std::string& arg : argv) {
        if (arg == "%in")
            arg = input;
        else if (arg == "%out")
            arg = std::exchange(toStdout, "/dev/null");
    }
    for (auto _ : state) {
        if (!output.empty())
            fs::remove(output);
        const Child child = Run(argv, toStdout);
        state.SetIterationTime(child.seconds);
        if (!child.Succeeded())
            return state.SkipWithError("the tool failed");
    }
    if (argv[0] == "sed" && !SameBytes(output, Workspace::Get().Generated(size, '1')))
        return state.SkipWithError("sed's result differs from the rewrite's");
    ReportBytes(state, input);
}

void Lookup(benchmark::State& state, std::uint64_t size)
{
    const std::string input = Workspace::Get().Generated(size, '0');
    const WideString path = Workspace::Get().Program(fs::path(input).filename());
    CPosixFileSystem files;
    CNoSystemInfo system;
    CPhoneBook phoneBook(files, system, Wide(kPhoneBookName));
    for (auto _ : state) {
        const auto start = Clock::now();
        const bool found = phoneBook.ContainsSectionLine(path, kEntryName);
        state.SetIterationTime(Since(start));
        if (!found)
            return state.SkipWithError("the entry was not found");
    }
    ReportBytes(state, input);
}

// The stale phonebook put back before each run, its data on the disk, outside the timing.
void Rewrite(benchmark::State& state, std::uint64_t size)
{
    Workspace& workspace = Workspace::Get();
    const std::string input = workspace.Generated(size, '0');
    const std::string native = workspace.Native(kPhoneBookName);
    CPosixFileSystem files;
    CNoSystemInfo system;
    CPhoneBook phoneBook(files, system, Wide(kPhoneBookName));
    for (auto _ : state) {
        fs::copy_file(input, native, fs::copy_options::overwrite_existing);
        SyncFile(native);
        const auto start = Clock::now();
        phoneBook.RewriteMetricLines(workspace.Program(kPhoneBookName));
        state.SetIterationTime(Since(start));
    }
    if (!SameBytes(native, workspace.Generated(size, '1')))
        return state.SkipWithError("the phonebook was not rewritten as expected");
    ReportBytes(state, input);
}

// What every Connect after the first costs: the file is already right, read and never written.
void Unchanged(benchmark::State& state, std::uint64_t size)
{
    Workspace& workspace = Workspace::Get();
    const std::string native = workspace.Native(kPhoneBookName);
    fs::copy_file(workspace.Generated(size, '1'), native, fs::copy_options::overwrite_existing);
    const struct stat before = StatOf(native);
    CPosixFileSystem files;
    CNoSystemInfo system;
    CPhoneBook phoneBook(files, system, Wide(kPhoneBookName));
    for (auto _ : state) {
        const auto start = Clock::now();
        phoneBook.RewriteMetricLines(workspace.Program(kPhoneBookName));
        state.SetIterationTime(Since(start));
    }
    const struct stat after = StatOf(native);
    if (after.st_ino != before.st_ino || after.st_mtim.tv_nsec != before.st_mtim.tv_nsec ||
        after.st_mtim.tv_sec != before.st_mtim.tv_sec)
        return state.SkipWithError("a phonebook that was already right was written");
    ReportBytes(state, native);
}

// The peak resident size (KiB) of this program started with args, through a go-between of its
// own: RUSAGE_CHILDREN keeps the largest of all the children a process has waited for, and a
// child started from this large process would carry this process's peak over its exec.
long PeakOf(const std::vector<std::string>& args, Child& child)
{
    const std::string report = Workspace::Get().Native("peak.txt");
    std::vector<std::string> argv{fs::read_symlink("/proc/self/exe"), "--peak-of"};
    argv.insert(argv.end(), args.begin(), args.end());
    child = Run(argv, report);
    long peak = -1;
    std::ifstream(report) >> peak;
    return peak;
}

void Memory(benchmark::State& state, std::uint64_t size)
{
    Workspace& workspace = Workspace::Get();
    const std::string native = workspace.Native(kPhoneBookName);
    struct statvfs room {};
    ::statvfs(workspace.Dir().c_str(), &room);
    if (static_cast<std::uint64_t>(room.f_bavail) * room.f_frsize < 2 * size + (1ull << 30))
        return state.SkipWithError("no room for the phonebook and its rewritten copy");
    Generate(native, size, '0');
    const ino_t stale = StatOf(native).st_ino;
    long peak = -1;
    long nothing = -1;
    for (auto _ : state) {
        Child rewrite;
        Child idle;
        peak = PeakOf({"--rewrite-once", workspace.Dir()}, rewrite);
        nothing = PeakOf({"--nothing"}, idle);
        state.SetIterationTime(rewrite.seconds);
        if (!rewrite.Succeeded() || !idle.Succeeded()) {
            state.SkipWithError("a child failed");
            break;
        }
    }
    const bool replaced = StatOf(native).st_ino != stale;
    state.counters["file_bytes"] = static_cast<double>(fs::file_size(native));
    fs::remove(native);  // gigabytes: not kept for the end of the run
    if (!replaced)
        return state.SkipWithError("the phonebook was not rewritten");
    state.counters["peak_KiB"] = static_cast<double>(peak);
    state.counters["nothing_KiB"] = static_cast<double>(nothing);
}

// The children of the memory rows: one rewrite of the phonebook in folder, and nothing.
int RewriteOnce(const std::string& folder)
{
    CPosixFileSystem files;
    CNoSystemInfo system;
    CPhoneBook phoneBook(files, system, Wide(kPhoneBookName));
    phoneBook.RewriteMetricLines(Wide(folder) + u"\\" + Wide(kPhoneBookName));
    return 0;
}

int PeakOfChild(char** args)
{
    std::vector<std::string> argv{fs::read_symlink("/proc/self/exe")};
    for (; *args != nullptr; ++args)
        argv.emplace_back(*args);
    if (!Run(argv).Succeeded())
        return 1;
    struct rusage usage {};
    ::getrusage(RUSAGE_CHILDREN, &usage);
    std::printf("%ld\n", usage.ru_maxrss);
    return 0;
}

using BenchmarkFunction = void (*)(benchmark::State&, std::uint64_t);

benchmark::internal::Benchmark* Add(const char* group, std::uint64_t size, const char* who, BenchmarkFunction run)
{
    const std::string name = std::string(group) + "/" + SizeLabel(size) + "/" + who;
    return benchmark::RegisterBenchmark(name.c_str(), run, size)->UseManualTime()->Unit(benchmark::kMillisecond);
}

void AddTool(const char* group, std::uint64_t size, const char* who, std::vector<std::string> argv, std::string output)
{
    const std::string name = std::string(group) + "/" + SizeLabel(size) + "/" + who;
    benchmark::RegisterBenchmark(name.c_str(), Tool, size, argv, output)->UseManualTime()->Unit(benchmark::kMillisecond);
}

void RegisterAll()
{
    constexpr std::uint64_t kSizes[] = {10u << 10, 1u << 20, 100u << 20};
    const std::string out = Workspace::Get().Native("tool.out");
    for (const std::uint64_t size : kSizes) {
        Add("lookup", size, "ContainsSectionLine", Lookup);
        AddTool("lookup", size, "grep", {"grep", "-F", "-q", "--", "[Tolvex Cell VPN]", "%in"}, "");
        AddTool("lookup", size, "cat", {"cat", "%in"}, "");
    }
    for (const std::uint64_t size : kSizes) {
        Add("rewrite", size, "RewriteMetricLines", Rewrite);
        // ".*" takes the line's CR too: the CR LF the program writes is put back.
        AddTool("rewrite", size, "sed", {"sed", "s/^IpInterfaceMetric=.*/IpInterfaceMetric=1\\r/", "%in"}, out);
        AddTool("rewrite", size, "cp", {"cp", "%in", "%out"}, out);
    }
    for (const std::uint64_t size : kSizes)
        Add("unchanged", size, "RewriteMetricLines", Unchanged);
    for (const std::uint64_t size : {10ull << 10, 100ull << 20, 5ull << 29})
        Add("memory", size, "RewriteMetricLines", Memory)->Iterations(1)->Repetitions(1);
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc == 3 && std::strcmp(argv[1], "--rewrite-once") == 0)
        return RewriteOnce(argv[2]);
    if (argc == 2 && std::strcmp(argv[1], "--nothing") == 0)
        return 0;
    if (argc >= 3 && std::strcmp(argv[1], "--peak-of") == 0)
        return PeakOfChild(argv + 2);

    ::setenv("LC_ALL", "C", 1);  // the tools' byte-wise path
    RegisterAll();
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
