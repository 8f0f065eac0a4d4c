// The record of events as every event after the first 200 meets it: one more recorded into the
// full ring, the allocations counted beside the time; and the whole text as the diagnostics take
// it. Nothing here asserts a time.
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <new>

#include "base/EventLog.h"

namespace {

std::size_t g_nAllocations = 0;

CEventLog FullLog()
{
    CEventLog log([] { return LocalTime{2026, 12, 7, 9, 5, 3}; });
    for (int n = 0; n < static_cast<int>(CEventLog::kCapacity); ++n)
        log.Record(u"link: down; point-to-point adapters: %s", {u"none"});
    return log;
}

void Record(benchmark::State& state)
{
    CEventLog log = FullLog();
    const std::size_t before = g_nAllocations;
    int error = 0;
    for (auto _ : state)
        log.Record(u"metric rewrite: skipped, %s, error %d", {u"the phonebook not taken", ++error});
    state.counters["allocations"] = benchmark::Counter(static_cast<double>(g_nAllocations - before), benchmark::Counter::kAvgIterations);
}
BENCHMARK(Record);

void WholeText(benchmark::State& state)
{
    const CEventLog log = FullLog();
    for (auto _ : state)
        benchmark::DoNotOptimize(log.GetText());
}
BENCHMARK(WholeText)->Unit(benchmark::kMicrosecond);

}  // namespace

// Every allocation of the process counted, malloc's underneath.
#pragma GCC diagnostic ignored "-Wmismatched-new-delete"
void* operator new(std::size_t size)
{
    ++g_nAllocations;
    if (void* memory = std::malloc(size))
        return memory;
    throw std::bad_alloc();
}
void operator delete(void* memory) noexcept { std::free(memory); }
void operator delete(void* memory, std::size_t) noexcept { std::free(memory); }

BENCHMARK_MAIN();
