// The settings file at start-up (sGetINI) and at closing (writeINI) when
// someone has grown kavrel.ini to 50 MiB of short lines, with the program's
// own section last, so that the read has to pass over all of it. The
// lines average three bytes: keys such as "k=1", lines such as "x". Wall-clock
// time per call; peak_MiB is the peak resident memory of a fresh child
// process making one such call, extra_MiB what the call added to it.
// "lf" files end lines with LF, "cr" files with lone CRs.
#include "platform/settings.h"

#include <benchmark/benchmark.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

namespace fs = std::filesystem;

namespace {

constexpr std::size_t kFileBytes = 50u << 20;

struct File {
    std::string path;
    std::string value = "0";  // what the file holds for LANG now
};

// Written a chunk at a time: the benchmark process holds no copy, so a
// child forked from it starts small.
File& Settings(const char* eol) {
    static const struct Folder {
        Folder() : path((fs::temp_directory_path() / "kavrel-bench-XXXXXX").string()) {
            if (mkdtemp(path.data()) == nullptr) std::abort();
        }
        ~Folder() { fs::remove_all(path); }
        std::string path;
    } folder;
    static File lf, cr;
    File& file = eol[0] == '\n' ? lf : cr;
    if (!file.path.empty()) return file;
    file.path = folder.path + (eol[0] == '\n' ? "/lf.ini" : "/cr.ini");
    std::ofstream out(file.path, std::ios::binary);
    std::string chunk;
    std::size_t written = 0;
    for (unsigned line = 0; written + chunk.size() < kFileBytes; ++line) {
        if (line % 100 == 0) chunk += "[S" + std::to_string(line / 100) + "]" + eol;
        chunk += line % 2 ? "k=" + std::to_string(line % 10) : std::string("x");
        chunk += eol;
        if (chunk.size() > (1u << 20)) {
            out << chunk;
            written += chunk.size();
            chunk.clear();
        }
    }
    out << chunk << "[LANG]" << eol << "LANG=0" << eol;
    return file;
}

double MaxRssMiB() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return static_cast<double>(usage.ru_maxrss) / 1024.0;  // ru_maxrss is in KiB
}

// Peak resident memory of a child that makes the one call, and what the
// call added to the child's own peak before it.
template <typename Call>
void PeakOfOneCall(benchmark::State& state, Call call) {
    int fds[2];
    if (pipe(fds) != 0) return state.SkipWithError("no pipe");
    const pid_t child = fork();
    if (child == 0) {
        const double before = MaxRssMiB();
        call();
        const double figures[2] = {MaxRssMiB(), MaxRssMiB() - before};
        const bool sent = write(fds[1], figures, sizeof figures) == static_cast<ssize_t>(sizeof figures);
        _exit(sent ? 0 : 1);
    }
    close(fds[1]);
    double figures[2] = {0, 0};
    const bool got = read(fds[0], figures, sizeof figures) == static_cast<ssize_t>(sizeof figures);
    close(fds[0]);
    int status = 0;
    waitpid(child, &status, 0);
    if (!got || !WIFEXITED(status) || WEXITSTATUS(status) != 0) return state.SkipWithError("child failed");
    state.counters["peak_MiB"] = figures[0];
    state.counters["extra_MiB"] = figures[1];
}

void StartUpRead(benchmark::State& state, const char* eol) {
    File& file = Settings(eol);
    std::string value;
    for (auto _ : state) {
        value = kavrel::sGetINI(file.path, "LANG", "LANG", "0");
        benchmark::DoNotOptimize(value);
    }
    if (value != file.value) return state.SkipWithError("read the wrong value");
    PeakOfOneCall(state, [&] { benchmark::DoNotOptimize(kavrel::sGetINI(file.path, "LANG", "LANG", "0")); });
    state.counters["file_MiB"] = static_cast<double>(fs::file_size(file.path)) / (1 << 20);
}

// Each call changes the value, so each one replaces the file.
void ClosingWrite(benchmark::State& state, const char* eol) {
    File& file = Settings(eol);
    const auto toggle = [&file] { file.value = file.value == "0" ? "1" : "0"; };
    for (auto _ : state) {
        toggle();
        kavrel::writeINI(file.path, "LANG", "LANG", file.value);
    }
    if (kavrel::sGetINI(file.path, "LANG", "LANG", "x") != file.value) return state.SkipWithError("write lost");
    toggle();
    PeakOfOneCall(state, [&] { kavrel::writeINI(file.path, "LANG", "LANG", file.value); });
    if (kavrel::sGetINI(file.path, "LANG", "LANG", "x") != file.value) return state.SkipWithError("write lost");
    state.counters["file_MiB"] = static_cast<double>(fs::file_size(file.path)) / (1 << 20);
}

}  // namespace

BENCHMARK_CAPTURE(StartUpRead, lf, "\n")->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(5);
BENCHMARK_CAPTURE(ClosingWrite, lf, "\n")->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(5);
BENCHMARK_CAPTURE(StartUpRead, cr, "\r")->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(5);
BENCHMARK_CAPTURE(ClosingWrite, cr, "\r")->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(5);

BENCHMARK_MAIN();
