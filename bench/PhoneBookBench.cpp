// The phonebook unit on real files: lookup and rewrite, each beside a standard tool doing the same
// job and the plain file operation beneath it, and the rewrite's peak memory in a process of its
// own. Times are wall time per run; a tool's runs from starting its process to its end. In the
// generated phonebooks every entry has "IpInterfaceMetric=0" and the managed entry comes last:
// the lookup reads the whole file and the rewrite changes lines all through it.
#include <benchmark/benchmark.h>

#include <fcntl.h>
#include <spawn.h>
#include <sys/resource.h>
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

constexpr char kPhoneBookName[] = "TolvexPhoneBook.pbk";

WideString Wide(std::string_view text) { return WideString(std::u16string(text.begin(), text.end())); }

// Nothing of the system is asked for by the lookup and the rewrite.
class CNoSystemInfo : public ISystemInfo {
public:
    OsVersionInfo GetVersion() override { return {}; }
    std::optional<WideString> GetSystemDirectory(unsigned) override { return std::nullopt; }
    std::optional<WideString> GetAppDataFolder() override { return std::nullopt; }
    bool IsUserAnAdmin() override { return false; }
    WideString DescribeError(long) override { return WideString(); }
    LocalTime GetLocalTime() override { return {}; }
    unsigned GetUserInterfaceLanguage() override { return 0; }
};

// The unit as the program makes it, on real files.
struct Unit {
    CPosixFileSystem files;
    CNoSystemInfo system;
    CEventLog log{[] { return LocalTime{}; }};
    CPhoneBook phoneBook{files, system, Wide(kPhoneBookName), log};
};

// One entry as the dialer writes it (its longer runs of settings left out), values differing
// from entry to entry.
void AppendEntry(std::string& out, std::string_view name, unsigned number, char metric)
{
    const std::string n = std::to_string(number);
    out.append("[").append(name).append("]\r\nEncoding=1\r\nPBVersion=4\r\nType=2\r\nAutoLogon=0\r\n");
    out.append("DialParamsUID=").append(std::to_string(39419265u + number)).append("\r\nGuid=6E4C1F2B8A9D").append(n);
    out.append("\r\nVpnStrategy=3\r\nDataEncryption=256\r\nRedialAttempts=3\r\nRedialSeconds=60\r\n"
               "PreferredPort=VPN2-0\r\nPreferredDevice=WAN Miniport (L2TP)\r\nAuthRestrictions=552\r\n"
               "IpPrioritizeRemote=1\r\nIpInterfaceMetric=").append(1, metric);
    out.append("\r\nIpHeaderCompression=0\r\nIpAddress=0.0.0.0\r\nIpDnsAddress=0.0.0.0\r\nIpAssign=1\r\n"
               "IpNameAssign=1\r\nIpv6Assign=1\r\nIpv6Address=::\r\nIpv6InterfaceMetric=0\r\nCacheCredentials=1\r\n"
               "\r\nNETCOMPONENTS=\r\nms_msclient=1\r\nms_server=1\r\n\r\nMEDIA=rastapi\r\nPort=VPN2-0\r\n"
               "Device=WAN Miniport (L2TP)\r\n\r\nDEVICE=vpn\r\nPhoneNumber=vpn").append(n);
    out.append(".tolvex.example\r\nAreaCode=\r\nCountryCode=0\r\nUseDialingRules=0\r\nComment=\r\n\r\n");
}

// A phonebook of about size bytes, the managed entry last, written in pieces of about 1 MiB so
// that a file of gigabytes is made as quickly as the disk takes it, in little memory.
void Generate(const std::string& path, std::uint64_t size, char metric)
{
    std::string managed;
    AppendEntry(managed, "Tolvex Cell VPN", 0, metric);
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    std::string piece;
    std::uint64_t written = 0;
    for (unsigned number = 1; written + piece.size() + managed.size() < size; ++number) {
        AppendEntry(piece, "Office VPN " + std::to_string(number), number, metric);
        if (piece.size() >= (1u << 20) || written + piece.size() + managed.size() >= size) {
            out.write(piece.data(), static_cast<std::streamsize>(piece.size()));
            written += piece.size();
            piece.clear();
        }
    }
    out.write(managed.data(), static_cast<std::streamsize>(managed.size()));
}

struct Size {
    std::uint64_t bytes;
    const char* label;
};

// The bench's folder under $TMPDIR (or /tmp), removed at the end.
class Workspace {
public:
    static Workspace& Get()
    {
        static Workspace workspace;
        return workspace;
    }
    ~Workspace() { fs::remove_all(m_dir); }

    const std::string& Dir() const { return m_dir; }
    // A file of the folder, as this system names it and as the program does.
    std::string Native(const std::string& name) const { return m_dir + "/" + name; }
    WideString Program(const std::string& name) const { return Wide(m_dir + "\\" + name); }

    // The generated phonebook (metric '0'), or the same as the rewrite leaves it ('1').
    std::string Generated(Size size, char metric)
    {
        const std::string path = Native(std::string("generated-") + size.label + "-" + metric + ".pbk");
        if (!fs::exists(path))
            Generate(path, size.bytes, metric);
        return path;
    }

private:
    Workspace() : m_dir((std::getenv("TMPDIR") ? std::getenv("TMPDIR") : "/tmp") + std::string("/tolvex-bench-XXXXXX"))
    {
        if (::mkdtemp(m_dir.data()) == nullptr) {
            std::perror("mkdtemp");
            std::exit(1);
        }
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

bool SameBytes(const std::string& a, const std::string& b) { return Run({"cmp", "-s", a, b}).Succeeded(); }

void ReportBytes(benchmark::State& state, const std::string& path)
{
    state.counters["file_bytes"] = static_cast<double>(fs::file_size(path));
}

// A standard tool on the generated file: "%in" in argv names it, "%out" names output. output,
// removed before each run, takes the tool's standard output unless it is named.
void Tool(benchmark::State& state, Size size, std::vector<std::string> argv, const std::string& output)
{
    const std::string input = Workspace::Get().Generated(size, '0');
    std::string toStdout = output.empty() ? "/dev/null" : output;
    for (std::string& arg : argv)
        arg = arg == "%in" ? input : arg == "%out" ? std::exchange(toStdout, "/dev/null") : arg;
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

void Lookup(benchmark::State& state, Size size)
{
    const std::string input = Workspace::Get().Generated(size, '0');
    const WideString path = Workspace::Get().Program(fs::path(input).filename());
    bool found = true;
    // A unit of its own each time: a found entry is remembered.
    for (auto _ : state)
        found = found && Unit().phoneBook.ExistsAndHoldsEntry(path, u"Tolvex Cell VPN");
    if (!found)
        return state.SkipWithError("the entry was not found");
    ReportBytes(state, input);
}

// The stale phonebook is put back before each run, outside the timing, and synced: the timed
// part then writes out only its own data.
void Rewrite(benchmark::State& state, Size size)
{
    Workspace& workspace = Workspace::Get();
    const std::string input = workspace.Generated(size, '0');
    const std::string native = workspace.Native(kPhoneBookName);
    Unit unit;
    for (auto _ : state) {
        state.PauseTiming();
        fs::copy_file(input, native, fs::copy_options::overwrite_existing);
        const int fd = ::open(native.c_str(), O_RDONLY);
        ::fsync(fd);
        ::close(fd);
        state.ResumeTiming();
        unit.phoneBook.RewriteMetricLines(workspace.Program(kPhoneBookName));
    }
    if (!SameBytes(native, workspace.Generated(size, '1')))
        return state.SkipWithError("the phonebook was not rewritten as expected");
    ReportBytes(state, input);
}

// What every Connect after the first costs: the file is already right, read and never written.
void Unchanged(benchmark::State& state, Size size)
{
    Workspace& workspace = Workspace::Get();
    const std::string native = workspace.Native(kPhoneBookName);
    fs::copy_file(workspace.Generated(size, '1'), native, fs::copy_options::overwrite_existing);
    const auto written = fs::last_write_time(native);
    Unit unit;
    for (auto _ : state)
        unit.phoneBook.RewriteMetricLines(workspace.Program(kPhoneBookName));
    if (fs::last_write_time(native) != written)
        return state.SkipWithError("a phonebook that was already right was written");
    ReportBytes(state, native);
}

// The peak resident size (KiB) of this program started with args, through a go-between of its
// own: RUSAGE_CHILDREN keeps the largest of all the children a process has waited for, and a
// child started straight from this large process would carry this process's peak over its exec.
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

void Memory(benchmark::State& state, Size size)
{
    Workspace& workspace = Workspace::Get();
    const std::string native = workspace.Native(kPhoneBookName);
    struct statvfs room {};
    ::statvfs(workspace.Dir().c_str(), &room);
    if (static_cast<std::uint64_t>(room.f_bavail) * room.f_frsize < 2 * size.bytes + (1ull << 30))
        return state.SkipWithError("no room for the phonebook and its rewritten copy");
    Generate(native, size.bytes, '0');
    const auto stale = fs::last_write_time(native);
    Child rewrite, idle;
    long peak = -1, nothing = -1;
    for (auto _ : state) {
        peak = PeakOf({"--rewrite-once", workspace.Dir()}, rewrite);
        nothing = PeakOf({"--nothing"}, idle);
        state.SetIterationTime(rewrite.seconds);
    }
    const bool replaced = fs::last_write_time(native) != stale;
    ReportBytes(state, native);
    fs::remove(native);  // gigabytes: not kept to the end of the run
    if (!rewrite.Succeeded() || !idle.Succeeded() || !replaced)
        return state.SkipWithError("the phonebook was not rewritten");
    state.counters["peak_KiB"] = static_cast<double>(peak);
    state.counters["nothing_KiB"] = static_cast<double>(nothing);
}

// The go-between of PeakOf: runs this program with args and prints the child's peak.
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

template <class Function, class... Args>
benchmark::internal::Benchmark* Add(const char* group, Size size, const char* who, Function run, Args... args)
{
    const std::string name = std::string(group) + "/" + size.label + "/" + who;
    return benchmark::RegisterBenchmark(name.c_str(), run, size, args...)->Unit(benchmark::kMillisecond);
}

void RegisterAll()
{
    constexpr Size k10KiB{10u << 10, "10KiB"}, k1MiB{1u << 20, "1MiB"}, k100MiB{100u << 20, "100MiB"};
    const std::string out = Workspace::Get().Native("tool.out");
    using Args = std::vector<std::string>;
    for (const Size size : {k10KiB, k1MiB, k100MiB}) {
        Add("lookup", size, "ExistsAndHoldsEntry", Lookup)->UseRealTime();
        const Args grep{"grep", "-F", "-q", "--", "[Tolvex Cell VPN]", "%in"};
        Add("lookup", size, "grep", Tool, grep, "")->UseManualTime();
        Add("lookup", size, "cat", Tool, Args{"cat", "%in"}, "")->UseManualTime();
        Add("rewrite", size, "RewriteMetricLines", Rewrite)->UseRealTime();
        // ".*" takes the line's CR too, and the CR LF the program writes is put back.
        const Args sed{"sed", "s/^IpInterfaceMetric=.*/IpInterfaceMetric=1\\r/", "%in"};
        Add("rewrite", size, "sed", Tool, sed, out)->UseManualTime();
        Add("rewrite", size, "cp", Tool, Args{"cp", "%in", "%out"}, out)->UseManualTime();
        Add("unchanged", size, "RewriteMetricLines", Unchanged)->UseRealTime();
    }
    for (const Size size : {k10KiB, k100MiB, Size{5ull << 29, "2.5GiB"}})
        Add("memory", size, "RewriteMetricLines", Memory)->UseManualTime()->Iterations(1)->Repetitions(1);
}

}  // namespace

int main(int argc, char** argv)
{
    // The children of the memory rows: one rewrite of the phonebook in a folder, and nothing.
    if (argc == 3 && std::strcmp(argv[1], "--rewrite-once") == 0) {
        Unit().phoneBook.RewriteMetricLines(Wide(argv[2]) + u"\\" + Wide(kPhoneBookName));
        return 0;
    }
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
