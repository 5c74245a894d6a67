#include "read/candidates.h"

#include "lang/language.h"
#include "lang/texts.h"

#include <algorithm>
#include <cstddef>

namespace kavrel {
namespace {

bool IsDigit(char c) { return c >= '0' && c <= '9'; }
bool IsLetter(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }

// The digit an engine may have meant by a letter in a run of digits.
char LetterDigit(char c) {
    switch (c) {
        case 'O': case 'o': case 'D': case 'Q': return '0';
        case 'I': case 'l': case 'i': case '|': case '!': case 'L': return '1';
        case 'Z': case 'z': return '2';
        case 'S': case 's': return '5';
        case 'G': case 'b': return '6';
        case 'T': return '7';
        case 'B': return '8';
        case 'g': case 'q': return '9';
        default: return 0;
    }
}

bool IsEdgePunct(char c) {
    return c == '.' || c == ',' || c == ':' || c == ';' || c == '(' || c == ')' || c == '[' || c == ']' || c == '"' ||
           c == '\'' || c == '-' || c == '_' || c == '*' || c == '#' || c == '=';
}

// A word cut into a prefix that is not part of a number and the digits after
// it, with letters taken as digits where the rest of the word is digits.
struct WordDigits {
    std::string prefix;  // e.g. "No." of "No.15700940"
    std::string digits;  // the digits (and mapped letters) after the prefix, or ""
    bool whole = false;  // nothing but digits after the prefix (edge punctuation aside)
    int letters = 0;
};

WordDigits SplitWord(std::string_view text) {
    WordDigits out;
    while (!text.empty() && IsEdgePunct(text.back())) text.remove_suffix(1);
    // The run goes back from the end over digits and, in a word of at
    // least four digits, up to two letters that could be digits.
    const auto run = [&](bool letters, std::size_t& start, int& mapped) {
        start = text.size();
        mapped = 0;
        int digits = 0;
        while (start > 0) {
            const char c = text[start - 1];
            if (IsDigit(c)) {
                ++digits;
            } else if (letters && LetterDigit(c)) {
                if (++mapped > 2) return -1;  // a word of letters, not a number
            } else {
                break;
            }
            --start;
        }
        // Letters at the front belong to the prefix ("No" of "No15700940").
        while (start < text.size() && !IsDigit(text[start])) --mapped, ++start;
        return digits;
    };
    std::size_t start = 0;
    int letters = 0;
    const int digits = run(true, start, letters);
    if (digits < 0) return out;
    if (digits < 4 || letters == 0) run(false, start, letters);
    out.prefix.assign(text.substr(0, start));
    for (std::size_t i = start; i < text.size(); ++i) out.digits.push_back(IsDigit(text[i]) ? text[i] : LetterDigit(text[i]));
    out.letters = letters;
    std::string_view p = out.prefix;
    while (!p.empty() && IsEdgePunct(p.front())) p.remove_prefix(1);
    out.whole = p.empty() && !out.digits.empty();
    return out;
}

// A label word reduced to lower-case letters and '/'.
std::string LabelKey(std::string_view text) {
    std::string key;
    for (const char c : text) {
        if (IsLetter(c)) key.push_back(static_cast<char>(c | 0x20));
        if (c == '/') key.push_back(c);
    }
    return key;
}

bool IsSerialLabel(std::string_view key) {
    static constexpr std::string_view kLabels[] = {"no", "nr", "sn", "s/n", "sin", "serial", "serialno", "seriennr",
                                                   "maschnr", "number", "nummer", "ser", "serno", "snr"};
    return std::find(std::begin(kLabels), std::end(kLabels), key) != std::end(kLabels);
}

bool IsOtherLabel(std::string_view key) {
    static constexpr std::string_view kOthers[] = {"artnr", "art", "order", "auftr", "type", "typ", "partno", "part"};
    return std::find(std::begin(kOthers), std::end(kOthers), key) != std::end(kOthers);
}

// The label words before word i of a line: its own prefix, else the word
// before it, else the two before it together ("Serial" "No.").
void Labels(const std::vector<const OcrWord*>& line, std::size_t i, const WordDigits& first, Reading& r) {
    std::string key = LabelKey(first.prefix);
    if (key.empty() && i > 0) {
        key = LabelKey(line[i - 1]->text);
        if (!IsSerialLabel(key) && !IsOtherLabel(key) && i > 1) key = LabelKey(line[i - 2]->text) + key;
    }
    r.label = IsSerialLabel(key);
    r.against = IsOtherLabel(key);
}

bool Format(std::size_t n) { return n == 8 || n == 10; }

// The plant, year and month codes of a number: a misread there changes
// whether it decodes; a misread in the order number does not.
std::size_t CodeLength(std::size_t n) { return n == 8 ? 4 : 5; }

// Digits a reader of stamped digits confuses with each digit.
std::string_view Confusable(char d) {
    switch (d) {
        case '0': return "869";
        case '1': return "74";
        case '3': return "8";
        case '4': return "17";
        case '5': return "6";
        case '6': return "0895";
        case '7': return "14";
        case '8': return "0693";
        case '9': return "086";
        default: return "";
    }
}

}  // namespace

namespace {

void Enclose(Reading& r, const OcrWord& w) {
    if (r.right <= r.left) {
        r.left = w.left, r.top = w.top, r.right = w.left + w.width, r.bottom = w.top + w.height;
        return;
    }
    r.left = std::min(r.left, w.left);
    r.top = std::min(r.top, w.top);
    r.right = std::max(r.right, w.left + w.width);
    r.bottom = std::max(r.bottom, w.top + w.height);
}

template <typename Wanted>
std::vector<Reading> Runs(const std::vector<OcrWord>& words, Wanted wanted) {
    std::vector<Reading> out;
    std::size_t begin = 0;
    while (begin < words.size()) {
        std::size_t end = begin + 1;
        while (end < words.size() && words[end].SameLine(words[begin])) ++end;
        std::vector<const OcrWord*> line;
        for (std::size_t i = begin; i < end; ++i) line.push_back(&words[i]);
        std::stable_sort(line.begin(), line.end(), [](const OcrWord* a, const OcrWord* b) { return a->left < b->left; });
        std::vector<WordDigits> parts;
        for (const OcrWord* w : line) parts.push_back(SplitWord(w->text));

        for (std::size_t i = 0; i < line.size(); ++i) {
            const WordDigits& p = parts[i];
            if (wanted(p.digits.size())) {
                Reading r;
                r.digits = p.digits;
                r.confidence = line[i]->confidence;
                r.letters = p.letters;
                r.height = line[i]->height;
                Enclose(r, *line[i]);
                Labels(line, i, p, r);
                out.push_back(r);
            }
            // Groups: this word's digits and the whole-digit words after it,
            // each close to the one before.
            if (p.digits.empty()) continue;
            std::string joined = p.digits;
            double confidence = line[i]->confidence;
            int letters = p.letters, height = line[i]->height;
            for (std::size_t j = i + 1; j < line.size() && !wanted.Full(joined.size()); ++j) {
                const OcrWord& prev = *line[j - 1];
                const OcrWord& next = *line[j];
                const int gap = next.left - (prev.left + prev.width);
                const int size = std::max(prev.height, next.height);
                if (!parts[j].whole || parts[j].digits.empty() || gap > 2 * size) break;
                joined += parts[j].digits;
                confidence = std::min(confidence, next.confidence);
                letters += parts[j].letters;
                height = std::max(height, next.height);
                if (!wanted(joined.size())) continue;
                Reading r;
                r.digits = joined;
                r.confidence = confidence;
                r.letters = letters;
                r.joined = true;
                r.height = height;
                for (std::size_t k = i; k <= j; ++k) Enclose(r, *line[k]);
                Labels(line, i, p, r);
                out.push_back(r);
            }
        }
        begin = end;
    }
    return out;
}

// Run lengths from `shortest` to `longest`; groups stop growing at `longest`.
struct Lengths {
    std::size_t shortest, longest;
    bool operator()(std::size_t n) const { return n >= shortest && n <= longest; }
    bool Full(std::size_t n) const { return n >= longest; }
};

struct SerialLengths {
    bool operator()(std::size_t n) const { return Format(n); }
    bool Full(std::size_t n) const { return n >= 10; }
};

}  // namespace

std::vector<Reading> FindReadings(const std::vector<OcrWord>& words) { return Runs(words, SerialLengths{}); }

std::vector<Reading> FindDigitRuns(const std::vector<OcrWord>& words, std::size_t shortest, std::size_t longest) {
    return Runs(words, Lengths{shortest, longest});
}

double ReadingScore(const Reading& r) {
    double s = r.confidence / 100.0;
    if (r.label) s += 0.3;
    if (r.against) s -= 0.3;
    if (r.joined) s -= 0.1;
    s -= 0.15 * r.letters;
    // Enough to offer what only a narrowed cut-out read, not to put it
    // before what the run read at its own width, nor to keep the reading going.
    if (r.squeezed) s -= 0.3;
    return s;
}

void CandidateList::AddPass(const std::vector<OcrWord>& words) { AddReadings(FindReadings(words)); }

void CandidateList::AddReadings(const std::vector<Reading>& readings) {
    for (const Reading& r : readings) {
        Seen& s = seen_[r.digits];
        s.best = s.votes == 0 ? ReadingScore(r) : std::max(s.best, ReadingScore(r));
        s.confidence = std::max(s.confidence, r.confidence);
        s.label = s.label || r.label;
        if (s.lastPass != passes_) ++s.votes, s.lastPass = passes_;
    }
    ++passes_;
}

std::vector<Candidate> CandidateList::Ranked() const {
    std::vector<Candidate> out;
    std::map<std::string, std::size_t> index;
    for (const auto& [digits, s] : seen_) {
        Candidate c;
        c.digits = digits;
        c.result = Decode(digits);
        c.full = !c.result.Osibka;
        c.confidence = s.confidence;
        c.votes = s.votes;
        c.label = s.label;
        c.score = s.best + 0.2 * (s.votes - 1);
        index[digits] = out.size();
        out.push_back(std::move(c));
    }
    // Variants of the runs that do not decode; one that is also a reading
    // only strengthens that reading.
    const std::size_t read = out.size();
    for (std::size_t i = 0; i < read; ++i) {
        if (out[i].full) continue;
        const std::string from = out[i].digits;
        const double score = out[i].score;
        for (std::size_t at = 0; at < CodeLength(from.size()); ++at) {
            for (const char d : Confusable(from[at])) {
                std::string digits = from;
                digits[at] = d;
                DecodeResult result = Decode(digits);
                if (result.Osibka) continue;
                const auto found = index.find(digits);
                if (found != index.end()) {
                    Candidate& c = out[found->second];
                    if (!c.variant) c.score += 0.1;
                    continue;
                }
                Candidate c;
                c.digits = digits;
                c.variant = true;
                c.readAs = from;
                c.result = std::move(result);
                c.full = true;
                c.confidence = out[i].confidence;
                c.votes = 0;
                c.label = out[i].label;
                c.score = score - 0.2;
                index[digits] = out.size();
                out.push_back(std::move(c));
            }
        }
    }
    // A variant is a guess: measured, one ranked first was never the serial
    // (2 of 240 photos, both wrong), so it follows what was read, where the
    // page shows that run as one that does not decode.
    const auto rank = [](const Candidate& c) { return c.variant ? 2 : c.full ? 0 : 1; };
    std::stable_sort(out.begin(), out.end(), [&](const Candidate& a, const Candidate& b) {
        if (rank(a) != rank(b)) return rank(a) < rank(b);
        if (a.score != b.score) return a.score > b.score;
        return a.digits < b.digits;
    });
    return out;
}

CandidateText DescribeCandidate(const Candidate& candidate, std::string_view language) {
    DecodeResult r = candidate.result;
    DecodeResultBoxes boxes(r);
    TranslateResult(language, boxes);
    CandidateText t;
    t.plant = r.Strana;
    t.month = r.Mesiac;
    t.year = r.God;
    if (r.Osibka) {
        for (const CaptionRow& row : InterfaceTexts) {
            if (row.box == Caption::Osibka) t.line.assign(language == LanguageRus ? row.russian : row.english);
        }
    } else {
        t.line = t.plant + ", " + t.month + " " + t.year;
    }
    return t;
}

}  // namespace kavrel
