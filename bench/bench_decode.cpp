// Time and heap allocations of one decode. "fresh" builds a new result each
// time (as a window refresh does); "reused" decodes into one result, as the
// batch decoder does.
#include "alloc_counter.h"
#include "decode/decoder.h"

#include <benchmark/benchmark.h>

namespace {

void Run(benchmark::State& state, const char* serial, bool reuse) {
    kavrel::DecodeResult reused;
    const long before = AllocationCount();
    for (auto _ : state) {
        if (reuse) {
            kavrel::Decode(serial, reused);
            benchmark::DoNotOptimize(reused);
        } else {
            auto r = kavrel::Decode(serial);
            benchmark::DoNotOptimize(r);
        }
    }
    state.counters["allocs/decode"] = benchmark::Counter(
        static_cast<double>(AllocationCount() - before) / static_cast<double>(state.iterations()));
}

BENCHMARK_CAPTURE(Run, fresh_valid8, "15700940", false);
BENCHMARK_CAPTURE(Run, fresh_valid10, "1065100088", false);
BENCHMARK_CAPTURE(Run, fresh_invalid, "1570094", false);
BENCHMARK_CAPTURE(Run, reused_valid8, "15700940", true);
BENCHMARK_CAPTURE(Run, reused_valid10, "1065100088", true);
BENCHMARK_CAPTURE(Run, reused_invalid, "1570094", true);

}  // namespace

BENCHMARK_MAIN();
