// The photo reader's measuring loop: every photo of a make-plates folder
// read as the page reads it, with the native engine standing in for the
// browser's.
//
//   read_photos DIR [--jobs N] [--log FILE] [--first N] [--keep DIR] [--engine COMMAND]
//
// --first reads only the first N photos; --keep leaves each pass's PGM
// (photo.N.pgm) in a folder, to look at what the engine was given;
// --engine runs another command with the native engine's arguments, such
// as bench/page-engine.mjs, the engine the page itself runs.
// Per photo: the first 256 KB are sniffed and DecodeSize() picks the size;
// ImageMagick decodes the photo to RGBA at that size, as the browser would;
// then PhotoReader plans the passes, tesseract (one thread) reads each PGM
// and hands back its TSV. Prints the share of photos with the serial first,
// among the candidates and with a wrong number first, the passes per photo
// and the core's own time per photo (preparation, parsing and ranking; not
// the decode and not the engine).
#include "read/reader.h"
#include "read/sniff.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iostream>
#include <mutex>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include <unistd.h>

namespace {

using Clock = std::chrono::steady_clock;

struct Photo {
    std::string file, serial, settings;
};

struct Outcome {
    bool first = false, among = false, wrongFirst = false, wrongFirstFull = false;
    int passes = 0;
    double coreMs = 0, engineMs = 0;
    std::string top;
    std::string trace;
};

std::string Field(const std::string& line, const std::string& key) {
    const std::string k = "\"" + key + "\": \"";
    const std::size_t at = line.find(k);
    if (at == std::string::npos) return {};
    const std::size_t end = line.find('"', at + k.size());
    return line.substr(at + k.size(), end - at - k.size());
}

std::string Run(const std::string& command) {
    std::string out;
    FILE* p = popen(command.c_str(), "r");
    if (!p) return out;
    char buf[65536];
    std::size_t n;
    while ((n = fread(buf, 1, sizeof buf, p)) > 0) out.append(buf, n);
    pclose(p);
    return out;
}

std::string ReadPrefix(const std::string& path, std::size_t limit) {
    std::ifstream f(path, std::ios::binary);
    std::string s(limit, '\0');
    f.read(s.data(), static_cast<std::streamsize>(limit));
    s.resize(static_cast<std::size_t>(f.gcount()));
    return s;
}

double Ms(Clock::duration d) { return std::chrono::duration<double, std::milli>(d).count(); }

std::string g_keep;
std::string g_engine = "tesseract";

Outcome ReadOne(const std::string& dir, const Photo& photo, int worker) {
    Outcome o;
    const std::string path = dir + "/" + photo.file;
    const std::string head = ReadPrefix(path, 256 * 1024);
    const kavrel::ImageInfo info = kavrel::SniffImage(reinterpret_cast<const std::uint8_t*>(head.data()), head.size());
    const kavrel::Size size = kavrel::DecodeSize(info.width, info.height);
    if (size.width == 0) {
        o.trace = "not sniffed";
        return o;
    }
    const std::string wh = std::to_string(size.width) + "x" + std::to_string(size.height);
    const std::string rgba = Run("MAGICK_THREAD_LIMIT=1 /usr/bin/convert -define jpeg:size=" + wh + " '" + path +
                                 "' -resize " + wh + "! -depth 8 rgba:-");
    const std::string pgmPath = "/tmp/read_photos." + std::to_string(getpid()) + "." + std::to_string(worker) + ".pgm";

    kavrel::PhotoReader reader;
    auto t0 = Clock::now();
    const bool started = reader.Start(reinterpret_cast<const std::uint8_t*>(rgba.data()), rgba.size(),
                                      static_cast<int>(size.width), static_cast<int>(size.height), 4 * size.width);
    o.coreMs += Ms(Clock::now() - t0);
    if (!started) {
        o.trace = "not started";
        return o;
    }
    for (;;) {
        t0 = Clock::now();
        const kavrel::EnginePass* pass = reader.Next();
        o.coreMs += Ms(Clock::now() - t0);
        if (!pass) break;
        {
            std::ofstream f(pgmPath, std::ios::binary);
            f.write(pass->pgm.data(), static_cast<std::streamsize>(pass->pgm.size()));
        }
        if (!g_keep.empty()) {
            std::ofstream k(g_keep + "/" + photo.file + "." + std::to_string(reader.PassesRun()) + ".pgm", std::ios::binary);
            k.write(pass->pgm.data(), static_cast<std::streamsize>(pass->pgm.size()));
        }
        const auto e0 = Clock::now();
        std::string settings;
        for (const auto& s : kavrel::kEngineSettings) settings += " -c " + std::string(s.name) + "=" + std::string(s.value);
        if (!pass->chars.empty()) settings += " -c tessedit_char_whitelist=" + std::string(pass->chars);
        std::string tsv = Run("OMP_THREAD_LIMIT=1 " + g_engine + " " + pgmPath + " - --psm " + std::to_string(pass->psm) + settings +
                              " tsv 2>/dev/null");
        o.engineMs += Ms(Clock::now() - e0);
        t0 = Clock::now();
        reader.Take(tsv);
        o.coreMs += Ms(Clock::now() - t0);
        int sure = 0;
        std::vector<int> heights;
        for (const kavrel::OcrWord& w : kavrel::ParseTsv(tsv)) {
            if (w.confidence >= 60 && w.text.size() >= 2) ++sure, heights.push_back(w.height);
        }
        std::sort(heights.begin(), heights.end());
        std::ostringstream t;
        t << " [" << pass->name << ' ' << pass->width << 'x' << pass->height << " words " << sure << " h "
          << (heights.empty() ? 0 : heights[heights.size() / 2]) << ' ' << static_cast<int>(Ms(Clock::now() - e0)) << "ms]";
        o.trace += t.str();
    }
    std::remove(pgmPath.c_str());
    t0 = Clock::now();
    const std::vector<kavrel::Candidate> ranked = reader.Candidates();
    o.coreMs += Ms(Clock::now() - t0);
    o.passes = reader.PassesRun();
    for (std::size_t i = 0; i < ranked.size(); ++i) {
        const auto& c = ranked[i];
        if (c.digits == photo.serial) o.among = true;
        if (i < 6) {
            std::ostringstream s;
            s << ' ' << c.digits << (c.full ? "" : "?") << (c.variant ? "~" : "") << '(' << static_cast<int>(c.confidence)
              << (c.label ? ",L" : "") << ",v" << c.votes << ',' << static_cast<int>(c.score * 100) << ')';
            o.top += s.str();
        }
    }
    if (!ranked.empty()) {
        o.first = ranked[0].digits == photo.serial;
        o.wrongFirst = !o.first;
        o.wrongFirstFull = o.wrongFirst && ranked[0].full;
    }
    return o;
}

double Quantile(std::vector<double> v, double q) {
    if (v.empty()) return 0;
    std::sort(v.begin(), v.end());
    return v[std::min(v.size() - 1, static_cast<std::size_t>(q * static_cast<double>(v.size())))];
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        std::cerr << "usage: read_photos DIR [--jobs N] [--log FILE] [--first N] [--keep DIR] [--engine COMMAND]\n";
        return 2;
    }
    const std::string dir = argv[1];
    int jobs = 2;
    std::string logPath;
    std::size_t firstN = 0;
    for (int i = 2; i + 1 < argc; i += 2) {
        const std::string a = argv[i];
        if (a == "--jobs") jobs = std::max(1, std::atoi(argv[i + 1]));
        if (a == "--log") logPath = argv[i + 1];
        if (a == "--first") firstN = static_cast<std::size_t>(std::atoi(argv[i + 1]));
        if (a == "--keep") g_keep = argv[i + 1];
        if (a == "--engine") g_engine = argv[i + 1];
    }
    std::vector<Photo> photos;
    std::ifstream truth(dir + "/truth.jsonl");
    for (std::string line; std::getline(truth, line);) {
        Photo p{Field(line, "file"), Field(line, "serial"), line};
        if (!p.file.empty()) photos.push_back(p);
    }
    if (firstN && photos.size() > firstN) photos.resize(firstN);
    if (photos.empty()) {
        std::cerr << "read_photos: no photos in " << dir << "/truth.jsonl\n";
        return 2;
    }
    std::vector<Outcome> outcomes(photos.size());
    std::atomic<std::size_t> next{0};
    std::vector<std::thread> workers;
    for (int w = 0; w < jobs; ++w) {
        workers.emplace_back([&, w] {
            for (std::size_t i; (i = next++) < photos.size();) outcomes[i] = ReadOne(dir, photos[i], w);
        });
    }
    for (auto& t : workers) t.join();

    std::ofstream log;
    if (!logPath.empty()) log.open(logPath);
    std::size_t first = 0, among = 0, wrong = 0, wrongFull = 0;
    std::vector<double> passes, core, engine;
    for (std::size_t i = 0; i < photos.size(); ++i) {
        const Outcome& o = outcomes[i];
        first += o.first, among += o.among, wrong += o.wrongFirst, wrongFull += o.wrongFirstFull;
        passes.push_back(o.passes);
        core.push_back(o.coreMs);
        engine.push_back(o.engineMs);
        if (log.is_open()) {
            log << (o.first ? "FIRST " : o.among ? "AMONG " : "MISS  ") << photos[i].serial << " |" << o.top << " |"
                << o.trace << " | " << photos[i].settings << '\n';
        }
    }
    const double n = static_cast<double>(photos.size());
    double passSum = 0;
    for (const double p : passes) passSum += p;
    std::printf("photos                     %zu\n", photos.size());
    std::printf("serial first               %.3f (%zu)\n", static_cast<double>(first) / n, first);
    std::printf("serial among candidates    %.3f (%zu)\n", static_cast<double>(among) / n, among);
    std::printf("wrong number first        %.3f (%zu; %zu of them decode in full)\n", static_cast<double>(wrong) / n,
                wrong, wrongFull);
    std::printf("passes per photo           median %.0f, mean %.2f, max %.0f\n", Quantile(passes, 0.5), passSum / n,
                Quantile(passes, 1.0));
    std::printf("core time per photo (ms)   median %.1f, p90 %.1f, max %.1f\n", Quantile(core, 0.5), Quantile(core, 0.9),
                Quantile(core, 1.0));
    std::printf("engine time per photo (s)  median %.2f, p90 %.2f (one thread)\n",
                Quantile(engine, 0.5) / 1000, Quantile(engine, 0.9) / 1000);
    return 0;
}
