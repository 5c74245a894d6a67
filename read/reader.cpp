#include "read/reader.h"

#include <algorithm>
#include <cmath>

namespace kavrel {
namespace {

// The local threshold works on the text's scale: a box about twice the
// height of a line of text at the working size; strokes fainter than the
// contrast floor are taken for grain (sensor noise, brushed metal, paint).
constexpr int kBoxRadius = 20;
constexpr double kDeviations = 0.5;
constexpr int kMinContrast = 24;
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
constexpr int kMaxPasses = 4;

GreyImage Shrunk(const GreyImage& g, int side) {
    const double f = std::min(1.0, static_cast<double>(side) / std::max(g.width, g.height));
    return Resize(g, std::max(1, static_cast<int>(g.width * f)), std::max(1, static_cast<int>(g.height * f)));
}

bool Tilted(double skew) { return std::fabs(skew) >= 0.05; }

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
    binary_ = Binary(light_, 1.0, &skew_);
    done_ = false;
    return true;
}

GreyImage PhotoReader::Binary(bool light, double enlarge, double* skew) const {
    GreyImage g = enlarge > 1 ? Resize(grey_, static_cast<int>(grey_.width * enlarge), static_cast<int>(grey_.height * enlarge))
                              : grey_;
    if (light) Invert(g);
    GreyImage b = LocalThreshold(g, static_cast<int>(kBoxRadius * enlarge), kDeviations, kMinContrast);
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
    if (tried_.empty()) return Picture::Binary;
    if (!tried(Picture::Other, 11) && first_.sure < 4) return Picture::Other;
    if (!tried(Picture::Large, 11) && best_.medianHeight > 0 && best_.medianHeight < kSmallText) return Picture::Large;
    if (!tried(Picture::Binary, 6)) {
        psm = 6;
        return Picture::Binary;
    }
    if (!tried(Picture::Large, 11)) return Picture::Large;
    return Picture::None;
}

const EnginePass* PhotoReader::Next() {
    if (done_ || static_cast<int>(tried_.size()) >= kMaxPasses) {
        done_ = true;
        return nullptr;
    }
    int psm = 11;
    const Picture picture = Choose(psm);
    GreyImage image;
    switch (picture) {
        case Picture::None: done_ = true; return nullptr;
        case Picture::Binary: pass_.name = psm == 6 ? "binary/block" : "binary/sparse"; break;
        case Picture::Other: {
            image = Binary(!light_, 1.0, &otherSkew_);
            pass_.name = "other-polarity/sparse";
            break;
        }
        case Picture::Large: {
            const int seen = best_.medianHeight > 0 ? best_.medianHeight : kSmallText;
            const double most = std::sqrt(kLargePixels / (static_cast<double>(grey_.width) * grey_.height));
            const double f = std::clamp(kTextTarget / seen, 1.25, std::max(1.25, std::min(2.5, most)));
            image = Binary(light_, f, nullptr);
            pass_.name = "large/sparse";
            break;
        }
    }
    const GreyImage& shown = picture == Picture::Binary ? binary_ : image;
    tried_.emplace_back(picture, psm);
    pass_.psm = psm;
    pass_.width = shown.width;
    pass_.height = shown.height;
    pass_.pgm = EncodePgm(shown);
    if (picture == Picture::Other) other_ = std::move(image);
    return &pass_;
}

void PhotoReader::Take(std::string_view tsv) {
    if (done_ || tried_.size() <= static_cast<std::size_t>(list_.Passes())) return;
    const std::vector<OcrWord> words = ParseTsv(tsv);
    const PassWords m = Measure(words);
    if (list_.Passes() == 0) first_ = m;
    if (m.sure > best_.sure) best_ = m;
    // The other polarity read better: it is the picture from now on.
    if (tried_.back().first == Picture::Other && m.sure > first_.sure) {
        light_ = !light_;
        binary_ = std::move(other_);
        skew_ = otherSkew_;
    }
    list_.AddPass(words);
    if (Enough(list_.Ranked(), list_.Passes())) done_ = true;
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
