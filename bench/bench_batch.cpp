// The batch decoder over a file of 1,000,000 serial numbers, written to
// /dev/null; items_per_second is numbers per second (wall clock). The last
// run feeds one 64 MiB line to show that memory does not grow with it.
#include "tools/batch.h"

#include <benchmark/benchmark.h>
#include <sys/resource.h>

#include <cstdint>
#include <cstdio>
#include <string>
#include <utility>
#include <vector>

namespace {

constexpr int kNumbers = 1'000'000;

double PeakRssMiB() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return static_cast<double>(usage.ru_maxrss) / 1024.0;  // ru_maxrss is in KiB
}

// Both formats, valid ones and each kind of failure, some lines ending CR LF.
std::FILE* SerialFile() {
    static std::FILE* file = [] {
        std::FILE* f = std::tmpfile();
        std::uint32_t seed = 12345;
        const auto next = [&seed](std::uint32_t n) {
            seed = seed * 1664525u + 1013904223u;
            return (seed >> 8) % n;
        };
        const auto digits = [&](std::string& s, int count) {
            for (int i = 0; i < count; ++i) s += static_cast<char>('0' + next(10));
        };
        const auto monthCode = [&](std::string& s) {  // month 1-12 in year position 1-5
            const std::uint32_t code = 1 + next(12) + 20 * next(5);
            s += static_cast<char>('0' + code / 10);
            s += static_cast<char>('0' + code % 10);
        };
        std::string chunk;
        for (int i = 0; i < kNumbers; ++i) {
            std::string line;
            switch (next(10)) {
                case 0: case 1: case 2:  // eight digits: plant 1-4, 6-9, group 1-6, a month code
                    line += static_cast<char>("12346789"[next(8)]);
                    line += static_cast<char>('1' + next(6));
                    monthCode(line);
                    digits(line, 4);
                    break;
                case 3: case 4: case 5:  // ten digits: plant 10-18 (14 fails), group 6-9, a month code
                    line += std::to_string(10 + next(9));
                    line += static_cast<char>('6' + next(4));
                    monthCode(line);
                    digits(line, 5);
                    break;
                case 6: digits(line, 8); break;   // anything: mostly some part fails
                case 7: digits(line, 10); break;
                case 8: digits(line, static_cast<int>(next(12))); break;  // mostly the wrong length
                default: line = "15700940"; break;
            }
            line += next(10) == 0 ? "\r\n" : "\n";
            chunk += line;
            if (chunk.size() > (1u << 20)) {
                std::fwrite(chunk.data(), 1, chunk.size(), f);
                chunk.clear();
            }
        }
        std::fwrite(chunk.data(), 1, chunk.size(), f);
        return f;
    }();
    return file;
}

void Batch(benchmark::State& state, std::vector<std::string_view> args, std::FILE* (*input)()) {
    std::FILE* in = input();
    std::FILE* devNull = std::fopen("/dev/null", "w");
    if (in == nullptr || devNull == nullptr) {
        state.SkipWithError("cannot open the input or /dev/null");
        return;
    }
    int status = 0;
    for (auto _ : state) {
        std::rewind(in);
        status = kavrel::batch::RunBatch(args, in, devNull, stderr);
    }
    std::fclose(devNull);
    if (status == kavrel::batch::ExitTrouble) state.SkipWithError("the run failed");
    state.counters["peak_rss_MiB"] = PeakRssMiB();
}

void Numbers(benchmark::State& state, std::vector<std::string_view> args) {
    Batch(state, std::move(args), SerialFile);
    state.SetItemsProcessed(state.iterations() * kNumbers);
}

std::FILE* LongLineFile() {
    static std::FILE* file = [] {
        std::FILE* f = std::tmpfile();
        const std::string chunk(1u << 20, '7');
        for (int i = 0; i < 64; ++i) std::fwrite(chunk.data(), 1, chunk.size(), f);
        std::fputs("\n", f);
        return f;
    }();
    return file;
}

void LongLine(benchmark::State& state) {
    Batch(state, {"--format", "csv"}, LongLineFile);
    state.SetBytesProcessed(state.iterations() * (64 << 20));
}

}  // namespace

BENCHMARK_CAPTURE(Numbers, csv_en, {"--format", "csv"})->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK_CAPTURE(Numbers, csv_ru, {"--format", "csv", "--lang", "ru"})->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK_CAPTURE(Numbers, json_en, {"--format", "json"})->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK_CAPTURE(Numbers, text_ru, {"--lang", "ru"})->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(LongLine)->Unit(benchmark::kMillisecond)->UseRealTime();

BENCHMARK_MAIN();
