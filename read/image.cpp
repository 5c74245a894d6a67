#include "read/image.h"

#include <algorithm>
#include <array>
#include <cmath>

namespace kavrel {
namespace {

constexpr double kPi = 3.14159265358979323846;

std::size_t Area(int w, int h) { return static_cast<std::size_t>(w) * static_cast<std::size_t>(h); }

std::uint8_t Clamp255(double v) {
    return static_cast<std::uint8_t>(v <= 0 ? 0 : v >= 255 ? 255 : static_cast<int>(v + 0.5));
}

// Which source cells an output cell of an area average covers, and how much
// of each: output i takes source [i*step, (i+1)*step).
struct Span {
    int first;
    int last;           // inclusive
    float firstWeight;  // share of cell `first` that is covered
    float lastWeight;
};

std::vector<Span> Spans(int source, int out) {
    std::vector<Span> spans(static_cast<std::size_t>(out));
    const double step = static_cast<double>(source) / out;
    for (int i = 0; i < out; ++i) {
        const double a = i * step, b = std::min<double>(source, (i + 1) * step);
        Span& s = spans[static_cast<std::size_t>(i)];
        s.first = static_cast<int>(a);
        s.last = std::min(source - 1, static_cast<int>(std::ceil(b)) - 1);
        s.firstWeight = static_cast<float>(std::min<double>(s.first + 1, b) - a);
        s.lastWeight = s.last > s.first ? static_cast<float>(b - s.last) : s.firstWeight;
    }
    return spans;
}

// Area average of one row of source values into `out`.
void AverageRow(const float* in, const std::vector<Span>& spans, float* out) {
    for (std::size_t i = 0; i < spans.size(); ++i) {
        const Span& s = spans[i];
        float sum = in[s.first] * s.firstWeight;
        float weight = s.firstWeight;
        for (int x = s.first + 1; x < s.last; ++x) sum += in[x], weight += 1.0f;
        if (s.last > s.first) sum += in[s.last] * s.lastWeight, weight += s.lastWeight;
        out[i] = weight > 0 ? sum / weight : 0.0f;
    }
}

// Area averaging of any source of rows: `row(y, buffer)` fills a source row.
template <class RowSource>
GreyImage AreaAverage(int width, int height, int outW, int outH, RowSource row) {
    GreyImage out(outW, outH);
    const std::vector<Span> xs = Spans(width, outW), ys = Spans(height, outH);
    std::vector<float> source(static_cast<std::size_t>(width)), narrow(static_cast<std::size_t>(outW));
    std::vector<float> sum(static_cast<std::size_t>(outW));
    std::vector<float> carry(static_cast<std::size_t>(outW));  // the last source row, already narrowed
    int carried = -1;
    for (int oy = 0; oy < outH; ++oy) {
        const Span& s = ys[static_cast<std::size_t>(oy)];
        std::fill(sum.begin(), sum.end(), 0.0f);
        float weight = 0;
        for (int y = s.first; y <= s.last; ++y) {
            const float w = y == s.first ? s.firstWeight : y == s.last ? s.lastWeight : 1.0f;
            if (y == carried) {
                narrow = carry;
            } else {
                row(y, source.data());
                AverageRow(source.data(), xs, narrow.data());
            }
            for (int x = 0; x < outW; ++x) sum[static_cast<std::size_t>(x)] += w * narrow[static_cast<std::size_t>(x)];
            weight += w;
            if (y == s.last) carry = narrow, carried = y;  // a row on a boundary serves two outputs
        }
        std::uint8_t* o = out.Row(oy);
        for (int x = 0; x < outW; ++x) o[x] = Clamp255(weight > 0 ? sum[static_cast<std::size_t>(x)] / weight : 0);
    }
    return out;
}

}  // namespace

GreyImage::GreyImage(int w, int h, std::uint8_t fill)
    : width(std::max(0, w)), height(std::max(0, h)), pixels(Area(width, height), fill) {
    if (width == 0 || height == 0) width = height = 0;
}

GreyImage GreyFromRgba(const std::uint8_t* rgba, std::size_t bytes, int width, int height, std::size_t stride,
                       int outWidth, int outHeight) {
    if (!rgba || width <= 0 || height <= 0 || outWidth <= 0 || outHeight <= 0) return {};
    const auto w = static_cast<std::size_t>(width);
    if (stride < 4 * w || bytes < stride * static_cast<std::size_t>(height - 1) + 4 * w) return {};
    return AreaAverage(width, height, std::min(outWidth, width), std::min(outHeight, height), [&](int y, float* out) {
        const std::uint8_t* p = rgba + stride * static_cast<std::size_t>(y);
        for (std::size_t x = 0; x < w; ++x, p += 4) out[x] = 0.299f * p[0] + 0.587f * p[1] + 0.114f * p[2];
    });
}

GreyImage Resize(const GreyImage& image, int width, int height) {
    if (image.Empty() || width <= 0 || height <= 0) return {};
    if (width <= image.width && height <= image.height) {
        return AreaAverage(image.width, image.height, width, height, [&](int y, float* out) {
            const std::uint8_t* p = image.Row(y);
            for (int x = 0; x < image.width; ++x) out[x] = p[x];
        });
    }
    GreyImage out(width, height);
    const double sx = static_cast<double>(image.width) / width, sy = static_cast<double>(image.height) / height;
    for (int y = 0; y < height; ++y) {
        const double fy = std::clamp((y + 0.5) * sy - 0.5, 0.0, image.height - 1.0);
        const int y0 = static_cast<int>(fy), y1 = std::min(y0 + 1, image.height - 1);
        const double ty = fy - y0;
        std::uint8_t* o = out.Row(y);
        for (int x = 0; x < width; ++x) {
            const double fx = std::clamp((x + 0.5) * sx - 0.5, 0.0, image.width - 1.0);
            const int x0 = static_cast<int>(fx), x1 = std::min(x0 + 1, image.width - 1);
            const double tx = fx - x0;
            const double top = image.At(x0, y0) * (1 - tx) + image.At(x1, y0) * tx;
            const double bottom = image.At(x0, y1) * (1 - tx) + image.At(x1, y1) * tx;
            o[x] = Clamp255(top * (1 - ty) + bottom * ty);
        }
    }
    return out;
}

namespace {

// Sums of pixels (and of their squares) over the (2r+1) x (2r+1) box round
// each pixel, cut at the borders, one output row at a time: horizontal sums
// of the rows in the box are kept in a ring, their running sums down each
// column give the box. O(pixels) whatever the radius, O(width x radius) memory.
template <bool kSquares, class Visit>
void BoxSums(const GreyImage& image, int radius, Visit visit) {
    const int w = image.width, h = image.height;
    const int ring = 2 * radius + 2;
    std::vector<std::uint32_t> across(Area(w, ring)), acrossSq(kSquares ? Area(w, ring) : 0);
    std::vector<std::uint32_t> sum(static_cast<std::size_t>(w), 0), sumSq(static_cast<std::size_t>(w), 0);
    std::vector<std::uint32_t> cols(static_cast<std::size_t>(w));
    for (int x = 0; x < w; ++x) cols[static_cast<std::size_t>(x)] = static_cast<std::uint32_t>(std::min(w - 1, x + radius) - std::max(0, x - radius) + 1);
    const auto rowSums = [&](int y) {
        const std::uint8_t* p = image.Row(y);
        std::uint32_t* o = across.data() + Area(w, y % ring);
        std::uint32_t* q = kSquares ? acrossSq.data() + Area(w, y % ring) : nullptr;
        std::uint32_t s = 0, sq = 0;
        for (int x = 0; x <= std::min(radius, w - 1); ++x) s += p[x], sq += kSquares ? std::uint32_t{p[x]} * p[x] : 0;
        for (int x = 0; x < w; ++x) {
            o[x] = s;
            if (kSquares) q[x] = sq;
            if (x + radius + 1 < w) {
                const std::uint32_t v = p[x + radius + 1];
                s += v;
                if (kSquares) sq += v * v;
            }
            if (x - radius >= 0) {
                const std::uint32_t v = p[x - radius];
                s -= v;
                if (kSquares) sq -= v * v;
            }
        }
    };
    const auto add = [&](int y, bool plus) {
        const std::uint32_t* o = across.data() + Area(w, y % ring);
        const std::uint32_t* q = kSquares ? acrossSq.data() + Area(w, y % ring) : nullptr;
        for (std::size_t x = 0; x < static_cast<std::size_t>(w); ++x) {
            if (plus) {
                sum[x] += o[x];
                if (kSquares) sumSq[x] += q[x];
            } else {
                sum[x] -= o[x];
                if (kSquares) sumSq[x] -= q[x];
            }
        }
    };
    for (int y = 0; y <= std::min(radius, h - 1); ++y) rowSums(y), add(y, true);
    for (int y = 0; y < h; ++y) {
        const auto rows = static_cast<std::uint32_t>(std::min(h - 1, y + radius) - std::max(0, y - radius) + 1);
        visit(y, sum.data(), sumSq.data(), cols.data(), rows);
        if (y - radius >= 0) add(y - radius, false);  // leaves before the ring slot is reused
        if (y + radius + 1 < h) rowSums(y + radius + 1), add(y + radius + 1, true);
    }
}

}  // namespace

GreyImage BoxBlur(const GreyImage& image, int radius) {
    if (image.Empty() || radius <= 0) return image;
    GreyImage out(image.width, image.height);
    const int r = std::min(radius, 1999);  // box sums within 32 bits
    BoxSums<false>(image, r, [&](int y, const std::uint32_t* sum, const std::uint32_t*, const std::uint32_t* cols,
                                 std::uint32_t rows) {
        std::uint8_t* o = out.Row(y);
        for (int x = 0; x < image.width; ++x) {
            const std::uint32_t n = cols[x] * rows;
            o[x] = static_cast<std::uint8_t>((sum[x] + n / 2) / n);
        }
    });
    return out;
}

bool LightText(const GreyImage& image, const GreyImage& blurred) {
    if (image.Empty() || image.pixels.size() != blurred.pixels.size()) return false;
    double m2 = 0, m3 = 0;
    for (std::size_t i = 0; i < image.pixels.size(); ++i) {
        const double d = static_cast<double>(image.pixels[i]) - blurred.pixels[i];
        m2 += d * d;
        m3 += d * d * d;
    }
    const double n = static_cast<double>(image.pixels.size());
    if (m2 <= 0) return false;
    const double skew = (m3 / n) / std::pow(m2 / n, 1.5);
    return skew > 0;
}

void Invert(GreyImage& image) {
    for (auto& p : image.pixels) p = static_cast<std::uint8_t>(255 - p);
}

double FindSkew(const GreyImage& image, double maxDegrees) {
    if (image.Empty()) return 0;
    const int level = OtsuLevel(image);
    std::vector<std::pair<int, int>> dark;
    for (int y = 0; y < image.height; ++y)
        for (int x = 0; x < image.width; ++x)
            if (image.At(x, y) <= level && image.At(x, y) < 160) dark.emplace_back(x, y);
    if (dark.empty()) return 0;
    const int reach = image.width + image.height;
    std::vector<std::uint32_t> bins(static_cast<std::size_t>(2 * reach + 1));
    const auto score = [&](double degrees) {
        const double t = std::tan(degrees * kPi / 180);
        std::fill(bins.begin(), bins.end(), 0u);
        for (const auto& [x, y] : dark) {
            const long b = std::lround(y - x * t) + reach;
            ++bins[static_cast<std::size_t>(std::clamp<long>(b, 0, 2L * reach))];
        }
        double s = 0;
        for (const auto c : bins) s += static_cast<double>(c) * c;
        return s;
    };
    double best = 0, bestScore = score(0);
    const auto search = [&](double from, double to, double step) {
        for (double a = from; a <= to + 1e-9; a += step) {
            const double s = score(a);
            if (s > bestScore * (1 + 1e-9)) best = a, bestScore = s;
        }
    };
    search(-maxDegrees, maxDegrees, 0.5);
    const double coarse = best;
    search(coarse - 0.5, coarse + 0.5, 0.1);
    return best;
}

GreyImage Rotate(const GreyImage& image, double degrees, std::uint8_t fill) {
    if (image.Empty()) return {};
    const double a = degrees * kPi / 180, c = std::cos(a), s = std::sin(a);
    const int w = static_cast<int>(std::ceil(image.width * std::fabs(c) + image.height * std::fabs(s) - 1e-9));
    const int h = static_cast<int>(std::ceil(image.width * std::fabs(s) + image.height * std::fabs(c) - 1e-9));
    GreyImage out(w, h, fill);
    // Source positions in 16.16 fixed point, stepped along each output row;
    // bilinear weights of 8 bits.
    constexpr double kOne = 65536.0;
    const double icx = image.width / 2.0, icy = image.height / 2.0, ocx = w / 2.0, ocy = h / 2.0;
    const auto dx = static_cast<std::int64_t>(std::llround(c * kOne)), dy = static_cast<std::int64_t>(std::llround(s * kOne));
    const std::int64_t maxX = static_cast<std::int64_t>(image.width - 1) << 16, maxY = static_cast<std::int64_t>(image.height - 1) << 16;
    const std::size_t stride = static_cast<std::size_t>(image.width);
    for (int v = 0; v < h; ++v) {
        std::uint8_t* o = out.Row(v);
        const double du = 0.5 - ocx, dv = v + 0.5 - ocy;
        std::int64_t x = std::llround((icx + du * c - dv * s - 0.5) * kOne);
        std::int64_t y = std::llround((icy + du * s + dv * c - 0.5) * kOne);
        for (int u = 0; u < w; ++u, x += dx, y += dy) {
            // Half a pixel beyond the outer centres still shows the edge pixel.
            if (x < -32768 || y < -32768 || x > maxX + 32768 || y > maxY + 32768) continue;
            const std::int64_t cx = std::clamp<std::int64_t>(x, 0, maxX), cy = std::clamp<std::int64_t>(y, 0, maxY);
            const auto x0 = static_cast<std::size_t>(cx >> 16), y0 = static_cast<std::size_t>(cy >> 16);
            const auto tx = static_cast<std::uint32_t>((cx & 0xFFFF) >> 8), ty = static_cast<std::uint32_t>((cy & 0xFFFF) >> 8);
            const std::uint8_t* p = image.pixels.data() + y0 * stride + x0;
            const std::size_t right = tx ? 1 : 0, down = ty ? stride : 0;  // never past the last row or column
            const std::uint32_t top = p[0] * (256 - tx) + p[right] * tx;
            const std::uint32_t bottom = p[down] * (256 - tx) + p[down + right] * tx;
            o[u] = static_cast<std::uint8_t>((top * (256 - ty) + bottom * ty + 32768) >> 16);
        }
    }
    return out;
}

GreyImage Crop(const GreyImage& image, int left, int top, int width, int height, int border, std::uint8_t fill) {
    if (image.Empty() || width <= 0 || height <= 0 || border < 0) return {};
    GreyImage out(width + 2 * border, height + 2 * border, fill);
    for (int y = std::max(0, top); y < std::min(image.height, top + height); ++y) {
        const int x0 = std::max(0, left), x1 = std::min(image.width, left + width);
        if (x0 >= x1) break;
        std::copy(image.Row(y) + x0, image.Row(y) + x1, out.Row(y - top + border) + (x0 - left + border));
    }
    return out;
}

double FindSlant(const GreyImage& image, double maxDegrees) {
    if (image.Empty()) return 0;
    std::vector<std::pair<int, int>> dark;
    for (int y = 0; y < image.height; ++y)
        for (int x = 0; x < image.width; ++x)
            if (image.At(x, y) < 128) dark.emplace_back(x, y);
    if (dark.empty()) return 0;
    const double middle = image.height / 2.0;
    const int reach = image.width + image.height;
    std::vector<std::uint32_t> bins(static_cast<std::size_t>(2 * reach + 1));
    // Upright strokes stack their pixels in few columns: the sharpest
    // profile of the columns after shearing back.
    const auto score = [&](double degrees) {
        const double t = std::tan(degrees * kPi / 180);
        std::fill(bins.begin(), bins.end(), 0u);
        for (const auto& [x, y] : dark) {
            const long b = std::lround(x + (y - middle) * t) + reach;
            ++bins[static_cast<std::size_t>(std::clamp<long>(b, 0, 2L * reach))];
        }
        double s = 0;
        for (const auto c : bins) s += static_cast<double>(c) * c;
        return s;
    };
    double best = 0, bestScore = score(0);
    for (double a = -maxDegrees; a <= maxDegrees + 1e-9; a += 1) {
        const double s = score(a);
        if (s > bestScore * (1 + 1e-9)) best = a, bestScore = s;
    }
    return best;
}

GreyImage Shear(const GreyImage& image, double degrees, std::uint8_t fill) {
    if (image.Empty()) return {};
    const double t = std::tan(degrees * kPi / 180);
    const double middle = image.height / 2.0;
    const int shift = static_cast<int>(std::ceil(std::fabs(t) * middle));
    GreyImage out(image.width + 2 * shift, image.height, fill);
    for (int y = 0; y < image.height; ++y) {
        // Each row moves as a whole, to a fraction of a pixel: the two
        // nearest source pixels weighted.
        const double offset = shift + (y + 0.5 - middle) * t;
        const int whole = static_cast<int>(std::floor(offset));
        const auto part = static_cast<std::uint32_t>((offset - whole) * 256);
        const std::uint8_t* in = image.Row(y);
        std::uint8_t* o = out.Row(y);
        for (int x = 0; x <= image.width; ++x) {
            const std::uint32_t a = x > 0 ? in[x - 1] : fill, b = x < image.width ? in[x] : fill;
            const int at = x + whole;
            if (at >= 0 && at < out.width) o[at] = static_cast<std::uint8_t>((a * part + b * (256 - part) + 128) >> 8);
        }
    }
    return out;
}

void Stretch(GreyImage& image) {
    if (image.Empty()) return;
    std::array<std::size_t, 256> histogram{};
    for (const auto p : image.pixels) ++histogram[p];
    const std::size_t cut = image.pixels.size() / 100;
    int low = 0, high = 255;
    for (std::size_t seen = histogram[0]; low < 255 && seen <= cut; seen += histogram[static_cast<std::size_t>(++low)]) {}
    for (std::size_t seen = histogram[255]; high > 0 && seen <= cut; seen += histogram[static_cast<std::size_t>(--high)]) {}
    if (high <= low) return;
    for (auto& p : image.pixels) p = Clamp255((p - low) * 255.0 / (high - low));
}

GreyImage Flatten(const GreyImage& image, int radius, int floor) {
    if (image.Empty()) return {};
    const GreyImage mean = BoxBlur(image, radius);
    GreyImage out(image.width, image.height, 255);
    std::array<std::size_t, 256> histogram{};
    for (std::size_t i = 0; i < image.pixels.size(); ++i) {
        const int d = std::max(0, mean.pixels[i] - image.pixels[i] - floor);
        out.pixels[i] = static_cast<std::uint8_t>(d);
        ++histogram[static_cast<std::size_t>(d)];
    }
    std::size_t seen = 0;
    int top = 255;
    while (top > 1 && (seen += histogram[static_cast<std::size_t>(top)]) < image.pixels.size() / 200) --top;
    // A plain area's grain beyond the floor is no stroke: it stays grey.
    top = std::max(top, 48);
    for (auto& p : out.pixels) p = Clamp255(255 - p * 255.0 / top);
    return out;
}

GreyImage ThresholdLocally(const GreyImage& image, int radius, int offset) {
    if (image.Empty()) return {};
    const GreyImage mean = BoxBlur(image, radius), soft = BoxBlur(image, 1);
    GreyImage out(image.width, image.height, 255);
    for (std::size_t i = 0; i < image.pixels.size(); ++i)
        if (mean.pixels[i] - soft.pixels[i] > offset) out.pixels[i] = 0;
    return out;
}

int OtsuLevel(const GreyImage& image) {
    std::array<double, 256> histogram{};
    for (const auto p : image.pixels) histogram[p] += 1;
    const double n = static_cast<double>(image.pixels.size());
    double total = 0;
    for (int v = 0; v < 256; ++v) total += v * histogram[static_cast<std::size_t>(v)];
    double below = 0, belowSum = 0, best = -1;
    int level = 127;
    for (int v = 0; v < 256; ++v) {
        below += histogram[static_cast<std::size_t>(v)];
        belowSum += v * histogram[static_cast<std::size_t>(v)];
        const double above = n - below;
        if (below == 0 || above == 0) continue;
        const double m0 = belowSum / below, m1 = (total - belowSum) / above;
        const double between = below * above * (m0 - m1) * (m0 - m1);
        if (between > best) best = between, level = v;
    }
    return level;
}

GreyImage Threshold(const GreyImage& image, int level) {
    GreyImage out = image;
    for (auto& p : out.pixels) p = p <= level ? 0 : 255;
    return out;
}

std::string EncodePgm(const GreyImage& image) {
    std::string out = "P5\n" + std::to_string(image.width) + " " + std::to_string(image.height) + "\n255\n";
    out.append(reinterpret_cast<const char*>(image.pixels.data()), image.pixels.size());
    return out;
}

}  // namespace kavrel
