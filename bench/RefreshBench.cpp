// What one refresh of the main dialog costs the program itself, apart from the platform calls it
// makes. One iteration is two idle passes, as the modal loop makes them when its queue has gone
// empty twice: WM_KICKIDLE delivered to the dialog, which runs OnUpdateSettings and
// OnUpdateConnect; the first of the two is a working pass (the adapter list is read), the second
// returns from OnUpdateConnect at once. The entry is set up and already found, so OnUpdateSettings
// costs one file-existence test; the adapter list holds 64 adapters:
//
//   match_last  63 Ethernet adapters and the managed link ("Tolvex Cell VPN", point-to-point)
//               last, so the walk visits every record and the link is up
//   no_match    64 Ethernet adapters: the link is down (the usual idle state)
//
// The rows:
//
//   pass      the two passes on a lean platform: the unit tests' fakes with every log, record
//             list and name conversion taken out of the calls a pass makes
//   platform  exactly the platform calls the two passes made, in the same order and with the
//             same arguments, replayed on the same lean platform (recorded once from a real pass)
//   replay    the replay's own loop with the calls left out, to take off the platform row
//   stock     the two passes on the fakes as the unit tests use them (every call logged)
//
// The program's own time per iteration is then pass - (platform - replay). Every row also
// counts the heap allocations (operator new) per iteration; the adapter buffer comes from malloc
// and is not among them.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <new>
#include <string>
#include <type_traits>
#include <vector>

#include "app/TolvexDesktopWinApp.h"
#include "fakes/FakePlatform.h"
#include "platform/Constants.h"
#include "ui/TolvexDesktopWinDlg.h"
#include "ui/resources/resource.h"

// Heap allocations of this process, to tell the program's from the platform's.
namespace {
std::size_t g_allocations = 0;
}

#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wmismatched-new-delete"
void* operator new(std::size_t size)
{
    ++g_allocations;
    if (void* p = std::malloc(size == 0 ? 1 : size))
        return p;
    throw std::bad_alloc();
}
void operator delete(void* p) noexcept { std::free(p); }
void operator delete(void* p, std::size_t) noexcept { std::free(p); }
#pragma GCC diagnostic pop

namespace {

constexpr char kPhoneBookPath[] = "C:\\Users\\u\\AppData\\Roaming\\Tolvex Computer\\TolvexPhoneBook.pbk";
constexpr char kEntry[] = "[Tolvex Cell VPN]\r\nIpInterfaceMetric=1\r\n";
constexpr int kAdapters = 64;
constexpr std::uint32_t IF_TYPE_ETHERNET_CSMACD = 6;
constexpr std::uint32_t IF_TYPE_PPP = 23;

enum class Variant { MatchLast, NoMatch };

// ---- The platform calls of a pass, as recorded and replayed ----------------------------------

enum class Call {
    GetChildControls,
    GetWindowText,
    SetWindowText,
    EnableWindow,
    GetFocus,
    SendMessage,
    ShowWindow,
    NotifyIcon,
    FileExists,
    LoadString,
    LoadIcon,
    GetVersionEx,
    GetAdaptersAddresses,
    ReadRecord,
};

struct RecordedCall {
    Call call;
    WindowHandle hwnd = nullptr;
    unsigned number = 0;           // message, string or icon id, show command, family
    std::uintptr_t wParam = 0;
    std::intptr_t lParam = 0;
    std::uint32_t flags = 0;
    std::uint32_t size = 0;        // the size variable going in
    bool withBuffer = false;
    std::size_t recordOffset = 0;  // where in the filled buffer the record lies
    WideString text;
    NotifyIconRecord icon;
};

// Set while one pass is recorded; the lean platform notes every call it gets into it.
std::vector<RecordedCall>* g_recording = nullptr;
// Every call counted, recorded or not: the calls per iteration of each row.
std::size_t g_platformCalls = 0;

// The record is made only while recording, so that the calls cost nothing more otherwise.
template <class Fill>
void Note(Call call, Fill fill)
{
    ++g_platformCalls;
    if (g_recording != nullptr) {
        RecordedCall& record = g_recording->emplace_back();
        record.call = call;
        fill(record);
    }
}
void Note(Call call)
{
    Note(call, [](RecordedCall&) {});
}

// ---- A lean platform: the fakes' behaviour without their logs --------------------------------

class LeanWindowSystem : public FakeWindowSystem {
public:
    std::vector<ChildControl> GetChildControls(WindowHandle dialog) override
    {
        Note(Call::GetChildControls, [&](RecordedCall& r) { r.hwnd = dialog; });
        return FakeWindowSystem::GetChildControls(dialog);
    }
    WideString GetWindowText(WindowHandle hwnd) override
    {
        Note(Call::GetWindowText, [&](RecordedCall& r) { r.hwnd = hwnd; });
        return Window(hwnd).text;
    }
    void SetWindowText(WindowHandle hwnd, const WideString& text) override
    {
        Note(Call::SetWindowText, [&](RecordedCall& r) { r.hwnd = hwnd; r.text = text; });
        Window(hwnd).text = text;
    }
    void EnableWindow(WindowHandle hwnd, bool enable) override
    {
        Note(Call::EnableWindow, [&](RecordedCall& r) { r.hwnd = hwnd; r.number = enable ? 1u : 0u; });
        Window(hwnd).enabled = enable;
    }
    WindowHandle GetFocus() override
    {
        Note(Call::GetFocus);
        return focus;
    }
    std::intptr_t SendMessage(WindowHandle hwnd, unsigned message, std::uintptr_t wParam, std::intptr_t lParam) override
    {
        Note(Call::SendMessage, [&](RecordedCall& r) {
            r.hwnd = hwnd;
            r.number = message;
            r.wParam = wParam;
            r.lParam = lParam;
        });
        return Deliver(hwnd, message, wParam, lParam);
    }
    void ShowWindow(WindowHandle hwnd, int command) override
    {
        Note(Call::ShowWindow, [&](RecordedCall& r) { r.hwnd = hwnd; r.number = static_cast<unsigned>(command); });
        Window(hwnd).visible = command != win::SW_HIDE;
    }
    void NotifyIcon(unsigned operation, const NotifyIconRecord& record) override
    {
        Note(Call::NotifyIcon, [&](RecordedCall& r) { r.number = operation; r.icon = record; });
        lastIcon = record;
    }

    NotifyIconRecord lastIcon;
};

class LeanFileSystem : public FakeFileSystem {
public:
    // Only the phonebook exists; compared as it comes, without converting the path.
    bool FileExists(const WideString& path) override
    {
        Note(Call::FileExists, [&](RecordedCall& r) { r.text = path; });
        return path.view() == existing;
    }
    std::u16string existing;
};

class LeanResources : public FakeResources {
public:
    WideString LoadString(unsigned id) const override
    {
        Note(Call::LoadString, [&](RecordedCall& r) { r.number = id; });
        return FakeResources::LoadString(id);
    }
    IconHandle LoadIcon(unsigned id) const override
    {
        Note(Call::LoadIcon, [&](RecordedCall& r) { r.number = id; });
        return FakeResources::LoadIcon(id);
    }
};

class LeanSystemInfo : public FakeSystemInfo {
public:
    bool GetVersionEx(OsVersionInfo& info) override
    {
        Note(Call::GetVersionEx);
        return FakeSystemInfo::GetVersionEx(info);
    }
};

// The records lie in the buffer as in the unit tests' fake: one fixed-size slot per adapter whose
// head holds the next record, the type and the adapter's index.
class LeanAdapters : public IAdapters {
public:
    struct Head {
        const void* next;
        std::uint32_t ifType;
        std::uint32_t index;
    };
    static constexpr std::uint32_t kSlot = FakeAdapters::kRecordSize;

    unsigned long GetAdaptersAddresses(std::uint32_t family, std::uint32_t flags, void* buffer,
                                       std::uint32_t& size) override
    {
        Note(Call::GetAdaptersAddresses, [&](RecordedCall& r) {
            r.number = family;
            r.flags = flags;
            r.size = size;
            r.withBuffer = buffer != nullptr;
        });
        const auto needed = static_cast<std::uint32_t>(names.size()) * kSlot;
        if (buffer == nullptr) {
            size = needed;
            return win::ERROR_BUFFER_OVERFLOW;
        }
        if (size < needed) {
            size = needed;
            return win::ERROR_BUFFER_OVERFLOW;
        }
        auto* bytes = static_cast<unsigned char*>(buffer);
        for (std::uint32_t i = 0; i < names.size(); ++i) {
            const Head head{i + 1 == names.size() ? nullptr : bytes + (i + 1) * kSlot, types[i], i};
            std::memcpy(bytes + i * kSlot, &head, sizeof head);
        }
        m_filled = bytes;
        return 0;
    }

    AdapterRecord ReadRecord(const void* record) override
    {
        Note(Call::ReadRecord, [&](RecordedCall& r) {
            r.recordOffset = static_cast<std::size_t>(static_cast<const unsigned char*>(record) - m_filled);
        });
        Head head;
        std::memcpy(&head, record, sizeof head);
        return {WideString(names[head.index]), head.ifType, head.next};
    }

    std::vector<std::u16string> names;
    std::vector<std::uint32_t> types;

private:
    const unsigned char* m_filled = nullptr;
};

void FillAdapters(Variant variant, std::vector<std::u16string>& names, std::vector<std::uint32_t>& types)
{
    for (int i = 0; i < kAdapters; ++i) {
        const std::string name = i == 0 ? "Ethernet" : "Ethernet " + std::to_string(i + 1);
        names.emplace_back(name.begin(), name.end());
        types.push_back(IF_TYPE_ETHERNET_CSMACD);
    }
    if (variant == Variant::MatchLast) {
        names.back() = u"Tolvex Cell VPN";
        types.back() = IF_TYPE_PPP;
    }
}

struct LeanPlatform {
    FakeAppServices app;
    LeanResources resources;
    LeanSystemInfo system;
    LeanWindowSystem ui;
    LeanFileSystem files;
    FakeShell shell;
    LeanAdapters adapters;
    FakeRegistry registry;
    Platform platform{app, resources, system, ui, files, shell, adapters, registry};

    LeanPlatform()
    {
        // The IPsec values in place, so that the dialog starts without its registry message.
        registry.SetDword(kPolicyAgentKey, kEncapsulation, 2);
        registry.SetDword(kIpsecKey, kEncapsulation, 2);
        registry.SetDword(kNdisWanKey, "TunnelMTU", 1400);
    }
};

// ---- The dialog ------------------------------------------------------------------------------

// The main dialog made as the program makes it, the entry set up and found by a first pass, and
// the dialog one pass after a working one, so that every iteration starts with a working pass.
template <class P>
struct RefreshDialog {
    explicit RefreshDialog(Variant variant)
    {
        SetUp(variant);
        app.SetMainWnd(&dlg);
        hwnd = fake.ui.CreateDialogFromTemplate(IDD_TOLVEXDESKTOPWIN_DIALOG, nullptr, dlg);
        fake.files.files[kPhoneBookPath] = kEntry;
        TwoPasses();
        TwoPasses();
    }

    void SetUp(Variant variant)
    {
        if constexpr (std::is_same_v<P, LeanPlatform>) {
            FillAdapters(variant, fake.adapters.names, fake.adapters.types);
            const std::string path = kPhoneBookPath;
            fake.files.existing.assign(path.begin(), path.end());
        } else {
            std::vector<std::u16string> names;
            std::vector<std::uint32_t> types;
            FillAdapters(variant, names, types);
            for (std::size_t i = 0; i < names.size(); ++i)
                fake.adapters.adapters.push_back({names[i], types[i]});
        }
    }

    // What the modal loop does each time its queue has gone empty after activity.
    void Pass()
    {
        std::intptr_t result = 0;
        sink.OnWindowMessage(hwnd, win::WM_KICKIDLE, 0, 0, result);
        benchmark::DoNotOptimize(result);
    }
    void TwoPasses()
    {
        Pass();
        Pass();
    }

    P fake;
    CTolvexDesktopWinApp app{fake.platform};
    CTolvexDesktopWinDlg dlg{app};
    IDialogSink& sink = dlg;
    WindowHandle hwnd = nullptr;
};

const char* ConnectLabel(Variant variant) { return variant == Variant::MatchLast ? "&Disconnect" : "&Connect"; }

bool LabelsAsExpected(FakeWindowSystem& ui, WindowHandle hwnd, Variant variant)
{
    return Narrow(ui.Window(ui.Control(hwnd, IDC_SETTINGS)).text.view()) == "&Edit settings"
        && Narrow(ui.Window(ui.Control(hwnd, IDC_CONNECT)).text.view()) == ConnectLabel(variant);
}

void Report(benchmark::State& state, std::size_t allocations, std::size_t calls)
{
    const auto perIteration = benchmark::Counter::kAvgIterations;
    state.counters["allocs"] = benchmark::Counter(static_cast<double>(allocations), perIteration);
    state.counters["calls"] = benchmark::Counter(static_cast<double>(calls), perIteration);
}

// ---- The rows --------------------------------------------------------------------------------

void PassRow(benchmark::State& state, Variant variant)
{
    RefreshDialog<LeanPlatform> dialog(variant);
    if (!LabelsAsExpected(dialog.fake.ui, dialog.hwnd, variant)) {
        state.SkipWithError("the passes did not show the expected labels");
        return;
    }
    const std::size_t allocations = g_allocations;
    const std::size_t calls = g_platformCalls;
    for (auto _ : state)
        dialog.TwoPasses();
    Report(state, g_allocations - allocations, g_platformCalls - calls);
}

// The unit tests' fakes log every call into vectors of strings; the logs are emptied now and then
// inside the timing, as part of what logging costs.
void StockRow(benchmark::State& state, Variant variant)
{
    RefreshDialog<FakePlatform> dialog(variant);
    if (!LabelsAsExpected(dialog.fake.ui, dialog.hwnd, variant)) {
        state.SkipWithError("the passes did not show the expected labels");
        return;
    }
    const std::size_t allocations = g_allocations;
    std::size_t n = 0;
    for (auto _ : state) {
        dialog.TwoPasses();
        if (++n % 1024 == 0) {
            dialog.fake.ui.log.clear();
            dialog.fake.ui.notifyCalls.clear();
            dialog.fake.files.log.clear();
            dialog.fake.adapters.sizesPassed.clear();
        }
    }
    Report(state, g_allocations - allocations, 0);
}

// The calls of one iteration, recorded from the two passes of a dialog in the same state as the
// pass row's.
struct Recording {
    explicit Recording(Variant variant) : dialog(variant)
    {
        g_recording = &calls;
        dialog.TwoPasses();
        g_recording = nullptr;
        std::uint32_t largest = 0;
        for (const RecordedCall& call : calls)
            largest = std::max(largest, call.size);
        buffer.resize(largest);
    }
    RefreshDialog<LeanPlatform> dialog;
    std::vector<RecordedCall> calls;
    std::vector<unsigned char> buffer;
};

// Issues the recorded calls once more. With `calling` false only the loop runs, every call's
// record still read.
template <bool calling>
void Replay(Recording& recording)
{
    LeanPlatform& p = recording.dialog.fake;
    unsigned char* const buffer = recording.buffer.data();
    for (const RecordedCall& c : recording.calls) {
        benchmark::DoNotOptimize(&c);
        if constexpr (!calling) {
            benchmark::DoNotOptimize(c.call);
            continue;
        } else {
            switch (c.call) {
            case Call::GetChildControls:
                benchmark::DoNotOptimize(p.ui.GetChildControls(c.hwnd));
                break;
            case Call::GetWindowText:
                benchmark::DoNotOptimize(p.ui.GetWindowText(c.hwnd));
                break;
            case Call::SetWindowText:
                p.ui.SetWindowText(c.hwnd, c.text);
                break;
            case Call::EnableWindow:
                p.ui.EnableWindow(c.hwnd, c.number != 0);
                break;
            case Call::GetFocus:
                benchmark::DoNotOptimize(p.ui.GetFocus());
                break;
            case Call::SendMessage:
                benchmark::DoNotOptimize(p.ui.SendMessage(c.hwnd, c.number, c.wParam, c.lParam));
                break;
            case Call::ShowWindow:
                p.ui.ShowWindow(c.hwnd, static_cast<int>(c.number));
                break;
            case Call::NotifyIcon:
                p.ui.NotifyIcon(c.number, c.icon);
                break;
            case Call::FileExists:
                benchmark::DoNotOptimize(p.files.FileExists(c.text));
                break;
            case Call::LoadString:
                benchmark::DoNotOptimize(p.resources.LoadString(c.number));
                break;
            case Call::LoadIcon:
                benchmark::DoNotOptimize(p.resources.LoadIcon(c.number));
                break;
            case Call::GetVersionEx: {
                OsVersionInfo info;
                benchmark::DoNotOptimize(p.system.GetVersionEx(info));
                break;
            }
            case Call::GetAdaptersAddresses: {
                std::uint32_t size = c.size;
                benchmark::DoNotOptimize(
                    p.adapters.GetAdaptersAddresses(c.number, c.flags, c.withBuffer ? buffer : nullptr, size));
                break;
            }
            case Call::ReadRecord:
                benchmark::DoNotOptimize(p.adapters.ReadRecord(buffer + c.recordOffset));
                break;
            }
        }
    }
}

void PlatformRow(benchmark::State& state, Variant variant)
{
    Recording recording(variant);
    const std::size_t allocations = g_allocations;
    const std::size_t calls = g_platformCalls;
    for (auto _ : state)
        Replay<true>(recording);
    Report(state, g_allocations - allocations, g_platformCalls - calls);
    const auto reads = std::count_if(recording.calls.begin(), recording.calls.end(),
                                     [](const RecordedCall& c) { return c.call == Call::ReadRecord; });
    state.counters["adapter_reads"] = static_cast<double>(reads);
}

void ReplayLoopRow(benchmark::State& state, Variant variant)
{
    Recording recording(variant);
    for (auto _ : state)
        Replay<false>(recording);
    Report(state, 0, 0);
}

void RegisterAll()
{
    const std::pair<const char*, Variant> variants[] = {
        {"match_last", Variant::MatchLast},
        {"no_match", Variant::NoMatch},
    };
    const std::pair<const char*, void (*)(benchmark::State&, Variant)> rows[] = {
        {"pass", PassRow}, {"platform", PlatformRow}, {"replay", ReplayLoopRow}, {"stock", StockRow}};
    for (const auto& [variantName, variant] : variants) {
        for (const auto& [rowName, row] : rows) {
            const std::string name = std::string("refresh/") + variantName + "/" + rowName;
            benchmark::RegisterBenchmark(name.c_str(), row, variant)->Unit(benchmark::kNanosecond);
        }
    }
}

}  // namespace

int main(int argc, char** argv)
{
    RegisterAll();
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
