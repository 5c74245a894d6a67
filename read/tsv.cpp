#include "read/tsv.h"

#include <array>
#include <cstddef>

namespace kavrel {
namespace {

// A whole field as a decimal integer (optional minus sign, at most 9 digits).
bool ParseInt(std::string_view s, int& out) {
    bool negative = false;
    if (!s.empty() && s[0] == '-') negative = true, s.remove_prefix(1);
    if (s.empty() || s.size() > 9) return false;
    int v = 0;
    for (const char c : s) {
        if (c < '0' || c > '9') return false;
        v = v * 10 + (c - '0');
    }
    out = negative ? -v : v;
    return true;
}

// A confidence such as "96", "-1" or "91.734138"; anything else is none.
bool ParseConfidence(std::string_view s, double& out) {
    const std::size_t dot = s.find('.');
    int whole = 0;
    if (!ParseInt(s.substr(0, dot), whole)) return false;
    double v = whole < 0 ? 0 : whole;
    if (dot != std::string_view::npos) {
        double scale = 0.1;
        for (const char c : s.substr(dot + 1)) {
            if (c < '0' || c > '9') return false;
            if (whole >= 0) v += (c - '0') * scale;
            scale /= 10;
        }
    }
    out = v > 100 ? 100 : v;
    return true;
}

}  // namespace

std::vector<OcrWord> ParseTsv(std::string_view tsv) {
    std::vector<OcrWord> words;
    while (!tsv.empty()) {
        std::size_t end = tsv.find('\n');
        std::string_view line = tsv.substr(0, end);
        tsv.remove_prefix(end == std::string_view::npos ? tsv.size() : end + 1);
        if (!line.empty() && line.back() == '\r') line.remove_suffix(1);

        std::array<std::string_view, 12> f;
        std::size_t n = 0;
        while (n < f.size()) {
            const std::size_t tab = n + 1 < f.size() ? line.find('\t') : std::string_view::npos;
            f[n++] = line.substr(0, tab);  // the text, last, keeps any further tabs
            if (tab == std::string_view::npos) break;
            line.remove_prefix(tab + 1);
        }
        if (n < 12) continue;
        int level = 0;
        std::array<int, 9> v{};
        bool ok = ParseInt(f[0], level);
        for (std::size_t i = 0; i < v.size() && ok; ++i) ok = ParseInt(f[i + 1], v[i]);
        OcrWord w;
        if (!ok || level != 5 || !ParseConfidence(f[10], w.confidence)) continue;
        std::string_view text = f[11];
        while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) text.remove_prefix(1);
        while (!text.empty() && (text.back() == ' ' || text.back() == '\t')) text.remove_suffix(1);
        if (text.empty() || v[5] < 0 || v[6] < 0 || v[7] < 0 || v[8] < 0) continue;
        w.block = v[1], w.paragraph = v[2], w.line = v[3], w.word = v[4];
        w.left = v[5], w.top = v[6], w.width = v[7], w.height = v[8];
        w.text.assign(text);
        words.push_back(std::move(w));
    }
    return words;
}

}  // namespace kavrel
