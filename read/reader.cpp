#include "read/reader.h"

#include <algorithm>
#include <cmath>

namespace kavrel {
namespace {

// The flattening works on the text's scale: a box about twice the height
// of a line of text at the working size; strokes fainter than kGrain are
// taken for grain (sensor noise, brushed metal, paint), which the engine
// would otherwise spend seconds on.
constexpr int kBoxRadius = 20;
constexpr int kGrain = 12;
// The thresholded picture's strokes: this much darker than their box.
constexpr int kLocalOffset = 8;
// The skew is searched on a copy about this wide, where it costs little;
// the polarity on one where strokes are still a few pixels wide.
constexpr int kSkewSide = 450;
constexpr int kPolaritySide = 900;
constexpr double kMaxSkew = 12;
// Text the engine reads well: words about 24..40 px high. Smaller text is
// read again from an enlarged copy of at most kLargePixels.
constexpr int kSmallText = 22;
constexpr double kTextTarget = 32;
constexpr double kLargePixels = 6e6;
constexpr int kMaxPasses = 5;
// A run read again: its digits about this high, leaning at most this much;
// a slant under kLeastSlant is left as it is.
constexpr double kRereadHeight = 40;
constexpr double kMaxSlant = 20;
constexpr double kLeastSlant = 3;
constexpr int kRereadBorder = 16;
// A run's narrowed cut-outs: these shares of its width.
constexpr double kSqueezes[] = {0.5, 0.7};

GreyImage Shrunk(const GreyImage& g, int side) {
    const double f = std::min(1.0, static_cast<double>(side) / std::max(g.width, g.height));
    return Resize(g, std::max(1, static_cast<int>(g.width * f)), std::max(1, static_cast<int>(g.height * f)));
}

bool Tilted(double skew) { return std::fabs(skew) >= 0.05; }

// Whether some number read so far, as it stands, decodes in full.
bool ReadAsItStands(const std::vector<Candidate>& ranked) {
    return std::any_of(ranked.begin(), ranked.end(), [](const Candidate& c) { return c.full && !c.variant; });
}

}  // namespace

// Words the engine is sure of: their number tells a picture it can read
// (the right polarity) from one it cannot; their height, the text's size.
PhotoReader::PassWords PhotoReader::Measure(const std::vector<OcrWord>& words) {
    std::vector<int> heights;
    for (const OcrWord& w : words) {
        int alnum = 0;
        for (const char ch : w.text) alnum += (ch >= '0' && ch <= '9') || ((ch | 0x20) >= 'a' && (ch | 0x20) <= 'z');
        if (w.confidence >= 60 && alnum >= 2) heights.push_back(w.height);
    }
    PassWords p;
    p.sure = static_cast<int>(heights.size());
    if (!heights.empty()) {
        std::nth_element(heights.begin(), heights.begin() + static_cast<std::ptrdiff_t>(heights.size() / 2), heights.end());
        p.medianHeight = heights[heights.size() / 2];
    }
    return p;
}

bool PhotoReader::Start(const std::uint8_t* rgba, std::size_t bytes, int width, int height, std::size_t stride) {
    *this = PhotoReader();
    if (width <= 0 || height <= 0) return false;
    const double scale = std::min(1.0, static_cast<double>(kWorkSide) / std::max(width, height));
    grey_ = GreyFromRgba(rgba, bytes, width, height, stride, std::max(1, static_cast<int>(std::lround(width * scale))),
                         std::max(1, static_cast<int>(std::lround(height * scale))));
    if (grey_.Empty()) return false;
    const GreyImage mid = Shrunk(grey_, kPolaritySide);
    light_ = LightText(mid, BoxBlur(mid, 3));
    main_ = Levelled(light_, 1.0, &skew_);
    done_ = false;
    return true;
}

GreyImage PhotoReader::Levelled(bool light, double enlarge, double* skew, bool local) const {
    GreyImage g = enlarge > 1 ? Resize(grey_, static_cast<int>(grey_.width * enlarge), static_cast<int>(grey_.height * enlarge))
                              : grey_;
    if (light) Invert(g);
    const int radius = static_cast<int>(kBoxRadius * enlarge);
    GreyImage b = local ? ThresholdLocally(g, radius, kLocalOffset) : Flatten(g, radius, kGrain);
    if (skew) *skew = FindSkew(Shrunk(b, kSkewSide), kMaxSkew);
    const double angle = skew ? *skew : skew_;
    return Tilted(angle) ? Rotate(b, angle, 255) : b;
}

// What to read next, from what the passes so far found: the other
// polarity when the first found hardly a word; an enlarged copy when the
// words are small; then other segmentation modes and pictures.
PhotoReader::Picture PhotoReader::Choose(int& psm) const {
    const auto tried = [this](Picture p, int mode) {
        return std::find(tried_.begin(), tried_.end(), std::make_pair(p, mode)) != tried_.end();
    };
    psm = 11;
    if (tried_.empty()) return Picture::Main;
    if (!tried(Picture::Other, 11) && first_.sure < 4) return Picture::Other;
    if (!tried(Picture::Local, 11) && !ReadAsItStands(list_.Ranked())) return Picture::Local;
    if (!tried(Picture::Large, 11) && best_.medianHeight > 0 && best_.medianHeight < kSmallText) return Picture::Large;
    if (!tried(Picture::Main, 6)) {
        psm = 6;
        return Picture::Main;
    }
    if (!tried(Picture::Large, 11)) return Picture::Large;
    return Picture::None;
}

GreyImage PhotoReader::CutOut(const GreyImage& picture, const Reading& run, double squeeze) {
    const int h = run.bottom - run.top, w = run.right - run.left;
    if (h <= 0 || w <= 0) return {};
    // More room after the run than before it: a digit the pass dropped at
    // the end is read again; a label before it would be read as digits.
    const int before = h / 2 + 4, after = h * 3 / 2 + 4, my = h * 3 / 10 + 3;
    GreyImage cut = Crop(picture, run.left - before, run.top - my, w + before + after, h + 2 * my, 0, 255);
    Stretch(cut);
    const double slant = FindSlant(Threshold(cut, OtsuLevel(cut)), kMaxSlant);
    if (std::fabs(slant) >= kLeastSlant) cut = Shear(cut, slant, 255);
    const double f = std::clamp(kRereadHeight / h, 0.5, 3.0);
    cut = Resize(cut, std::max(1, static_cast<int>(cut.width * f * squeeze)), std::max(1, static_cast<int>(cut.height * f)));
    return Crop(cut, 0, 0, cut.width, cut.height, kRereadBorder, 255);
}

// Runs worth reading again from the last pass: those of a serial's length
// and those a digit short or long, the likeliest first.
void PhotoReader::QueueRereads(const std::vector<OcrWord>& words) {
    std::vector<Reading> runs = FindDigitRuns(words, 7, 11);
    std::stable_sort(runs.begin(), runs.end(), [](const Reading& a, const Reading& b) { return ReadingScore(a) > ReadingScore(b); });
    // Cut from the grey photo, levelled as the pass's picture was, and
    // stretched on its own: the run's own contrast, not flattened against
    // a box that a large digit's strokes fill.
    GreyImage twin;
    for (const Reading& run : runs) {
        if (static_cast<int>(rereadDigits_.size()) >= kMaxRereads) break;
        if (std::find(rereadDigits_.begin(), rereadDigits_.end(), run.digits) != rereadDigits_.end()) continue;
        if (twin.Empty()) {
            twin = grey_;
            if (shown_.light) Invert(twin);
            if (Tilted(shown_.skew)) twin = Rotate(twin, shown_.skew, 255);
        }
        Reading box = run;  // in the pass's picture, which may be enlarged
        const auto back = [&](int v) { return static_cast<int>(std::lround(v / shown_.scale)); };
        box.left = back(run.left), box.top = back(run.top), box.right = back(run.right), box.bottom = back(run.bottom);
        GreyImage cut = CutOut(twin, box, 1.0);
        if (cut.Empty()) continue;
        rereadDigits_.push_back(run.digits);
        // Also narrowed: wide monospaced digits with a dotted or slashed
        // zero, read as 8 or 6 at their width, read right when narrower,
        // at a width that varies with the face; two widths give a margin.
        // The cut-outs are one run's evidence, so they vote as one pass.
        rereads_.push_back({std::move(cut), run.label, run.against, false});
        for (const double squeeze : kSqueezes) rereads_.push_back({CutOut(twin, box, squeeze), run.label, run.against, true});
    }
}

const EnginePass* PhotoReader::Next() {
    if (done_) return nullptr;
    if (!rereads_.empty()) {
        reread_ = std::move(rereads_.front());
        rereads_.erase(rereads_.begin());
        pass_.name = "run/line";
        pass_.psm = 7;
        pass_.chars = kDigitsOnly;
        pass_.width = reread_.image.width;
        pass_.height = reread_.image.height;
        pass_.pgm = EncodePgm(reread_.image);
        reread_.image = {};
        awaiting_ = true;
        return &pass_;
    }
    reread_ = {};
    if (static_cast<int>(tried_.size()) >= kMaxPasses) {
        done_ = true;
        return nullptr;
    }
    int psm = 11;
    const Picture picture = Choose(psm);
    GreyImage image;
    switch (picture) {
        case Picture::None: done_ = true; return nullptr;
        case Picture::Main: pass_.name = psm == 6 ? "main/block" : "main/sparse"; break;
        case Picture::Other: {
            image = Levelled(!light_, 1.0, &otherSkew_);
            shown_ = {!light_, otherSkew_, 1.0};
            pass_.name = "other-polarity/sparse";
            break;
        }
        case Picture::Local: {
            image = Levelled(light_, 1.0, nullptr, true);
            shown_ = {light_, skew_, 1.0};
            pass_.name = "local/sparse";
            break;
        }
        case Picture::Large: {
            const int seen = best_.medianHeight > 0 ? best_.medianHeight : kSmallText;
            const double most = std::sqrt(kLargePixels / (static_cast<double>(grey_.width) * grey_.height));
            const double f = std::clamp(kTextTarget / seen, 1.25, std::max(1.25, std::min(2.5, most)));
            image = Levelled(light_, f, nullptr);
            shown_ = {light_, skew_, f};
            pass_.name = "large/sparse";
            break;
        }
    }
    if (picture == Picture::Main) shown_ = {light_, skew_, 1.0};
    const GreyImage& shown = picture == Picture::Main ? main_ : image;
    tried_.emplace_back(picture, psm);
    pass_.psm = psm;
    pass_.chars = {};
    pass_.width = shown.width;
    pass_.height = shown.height;
    pass_.pgm = EncodePgm(shown);
    if (picture == Picture::Other) other_ = std::move(image);
    awaiting_ = true;
    return &pass_;
}

void PhotoReader::Take(std::string_view tsv) {
    if (done_ || !awaiting_) return;
    awaiting_ = false;
    const std::vector<OcrWord> words = ParseTsv(tsv);
    if (pass_.chars == kDigitsOnly) {
        // Only digits were allowed, so no label was read: the run's holds.
        std::vector<Reading> readings = FindReadings(words);
        for (Reading& r : readings)
            r.label = r.label || reread_.label, r.against = r.against || reread_.against, r.squeezed = reread_.squeezed;
        held_.insert(held_.end(), readings.begin(), readings.end());
        if (!rereads_.empty() && rereads_.front().squeezed) return;  // the same run's next cut-out
        list_.AddReadings(held_);
        held_.clear();
        if (rereads_.empty() && Enough(list_.Ranked(), static_cast<int>(tried_.size()))) done_ = true;
        return;
    }
    const PassWords m = Measure(words);
    if (list_.Passes() == 0) first_ = m;
    if (m.sure > best_.sure) best_ = m;
    // The other polarity read better: it is the picture from now on.
    if (tried_.back().first == Picture::Other && m.sure > first_.sure) {
        light_ = !light_;
        main_ = std::move(other_);
        skew_ = otherSkew_;
    }
    list_.AddPass(words);
    QueueRereads(words);
    if (rereads_.empty() && Enough(list_.Ranked(), static_cast<int>(tried_.size()))) done_ = true;
}

bool PhotoReader::Enough(const std::vector<Candidate>& ranked, int passes) {
    if (ranked.empty() || !ranked[0].full || ranked[0].variant) return false;
    const Candidate& top = ranked[0];
    const bool sure = top.confidence >= 85 || (top.label && top.confidence >= 70) || top.votes >= 2;
    if (!sure) return false;
    // A second number read that decodes and scores close: read again.
    if (ranked.size() > 1 && ranked[1].full && !ranked[1].variant && ranked[1].score > top.score - 0.25) return passes >= 3;
    return true;
}

}  // namespace kavrel
