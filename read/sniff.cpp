#include "read/sniff.h"

#include <algorithm>
#include <cmath>

namespace kavrel {
namespace {

struct Bytes {
    const std::uint8_t* p;
    std::size_t n;
    bool Has(std::size_t at, std::size_t len) const { return at <= n && len <= n - at; }
    std::uint32_t Be16(std::size_t at) const { return static_cast<std::uint32_t>(p[at] << 8 | p[at + 1]); }
    std::uint32_t Le16(std::size_t at) const { return static_cast<std::uint32_t>(p[at] | p[at + 1] << 8); }
    std::uint32_t Be32(std::size_t at) const { return Be16(at) << 16 | Be16(at + 2); }
    std::uint32_t Le32(std::size_t at) const { return Le16(at) | Le16(at + 2) << 16; }
    std::uint32_t Le24(std::size_t at) const { return Le16(at) | static_cast<std::uint32_t>(p[at + 2]) << 16; }
    bool Is(std::size_t at, std::string_view s) const {
        return Has(at, s.size()) && std::equal(s.begin(), s.end(), p + at, [](char c, std::uint8_t b) {
                   return static_cast<std::uint8_t>(c) == b;
               });
    }
};

// The Exif orientation (1..8) of an APP1 segment's body, 1 when there is none.
int ExifOrientation(const Bytes& b, std::size_t at, std::size_t len) {
    if (len < 14 || !b.Is(at, std::string_view("Exif\0\0", 6))) return 1;
    const Bytes tiff{b.p + at + 6, len - 6};
    const bool little = tiff.Is(0, "II");
    if (!little && !tiff.Is(0, "MM")) return 1;
    auto u16 = [&](std::size_t o) { return little ? tiff.Le16(o) : tiff.Be16(o); };
    auto u32 = [&](std::size_t o) { return little ? tiff.Le32(o) : tiff.Be32(o); };
    if (!tiff.Has(4, 4)) return 1;
    const std::size_t ifd = u32(4);
    if (!tiff.Has(ifd, 2)) return 1;
    const std::size_t count = u16(ifd);
    for (std::size_t i = 0; i < count; ++i) {
        const std::size_t e = ifd + 2 + 12 * i;
        if (!tiff.Has(e, 12)) return 1;
        if (u16(e) == 0x0112) {  // Orientation, a SHORT held in the value field
            const std::uint32_t v = u16(e + 8);
            return v >= 1 && v <= 8 ? static_cast<int>(v) : 1;
        }
    }
    return 1;
}

void SniffJpeg(const Bytes& b, ImageInfo& info) {
    int orientation = 1;
    std::size_t at = 2;
    while (b.Has(at, 2)) {
        if (b.p[at] != 0xFF) return;  // lost the segment chain: size unknown
        const std::uint8_t marker = b.p[at + 1];
        if (marker == 0xFF) {  // fill byte before a marker
            ++at;
            continue;
        }
        at += 2;
        if (marker == 0x01 || (marker >= 0xD0 && marker <= 0xD8)) continue;  // no length
        if (marker == 0xD9 || marker == 0xDA) return;  // end, or scan data before any frame
        if (!b.Has(at, 2)) return;
        const std::size_t len = b.Be16(at);
        if (len < 2) return;
        const bool frame = marker >= 0xC0 && marker <= 0xCF && marker != 0xC4 && marker != 0xC8 && marker != 0xCC;
        if (frame) {
            if (!b.Has(at, 7)) return;
            std::uint32_t h = b.Be16(at + 3), w = b.Be16(at + 5);
            if (orientation >= 5) std::swap(w, h);  // turned a quarter: the browser shows it so
            info.width = w;
            info.height = h;
            return;
        }
        if (marker == 0xE1 && orientation == 1 && b.Has(at + 2, len - 2)) orientation = ExifOrientation(b, at + 2, len - 2);
        at += len;
    }
}

void SniffWebP(const Bytes& b, ImageInfo& info) {
    if (b.Is(12, "VP8 ") && b.Has(26, 4) && b.p[23] == 0x9D && b.p[24] == 0x01 && b.p[25] == 0x2A) {
        info.width = b.Le16(26) & 0x3FFF;
        info.height = b.Le16(28) & 0x3FFF;
    } else if (b.Is(12, "VP8L") && b.Has(21, 4) && b.p[20] == 0x2F) {
        const std::uint32_t bits = b.Le32(21);
        info.width = (bits & 0x3FFF) + 1;
        info.height = ((bits >> 14) & 0x3FFF) + 1;
    } else if (b.Is(12, "VP8X") && b.Has(24, 6)) {
        info.width = b.Le24(24) + 1;
        info.height = b.Le24(27) + 1;
    }
}

void SniffBmp(const Bytes& b, ImageInfo& info) {
    if (!b.Has(14, 4)) return;
    const std::uint32_t header = b.Le32(14);
    if (header == 12 && b.Has(18, 4)) {  // OS/2 core header: 16-bit sizes
        info.width = b.Le16(18);
        info.height = b.Le16(20);
    } else if (header >= 40 && b.Has(18, 8)) {
        const auto w = static_cast<std::int32_t>(b.Le32(18));
        const auto h = static_cast<std::int32_t>(b.Le32(22));  // negative: rows top-down
        info.width = w < 0 ? 0 : static_cast<std::uint32_t>(w);
        info.height = static_cast<std::uint32_t>(h < 0 ? -static_cast<std::int64_t>(h) : h);
    }
}

}  // namespace

std::string_view ImageKindName(ImageKind kind) {
    switch (kind) {
        case ImageKind::Jpeg: return "jpeg";
        case ImageKind::Png: return "png";
        case ImageKind::Gif: return "gif";
        case ImageKind::WebP: return "webp";
        case ImageKind::Bmp: return "bmp";
        case ImageKind::Unknown: break;
    }
    return "unknown";
}

ImageInfo SniffImage(const std::uint8_t* bytes, std::size_t size) {
    ImageInfo info;
    if (!bytes) return info;
    const Bytes b{bytes, size};
    if (b.Has(0, 3) && b.p[0] == 0xFF && b.p[1] == 0xD8 && b.p[2] == 0xFF) {
        info.kind = ImageKind::Jpeg;
        SniffJpeg(b, info);
    } else if (b.Is(0, "\x89PNG\r\n\x1a\n")) {
        info.kind = ImageKind::Png;
        if (b.Is(12, "IHDR") && b.Has(16, 8)) {
            info.width = b.Be32(16);
            info.height = b.Be32(20);
        }
    } else if (b.Is(0, "GIF87a") || b.Is(0, "GIF89a")) {
        info.kind = ImageKind::Gif;
        if (b.Has(6, 4)) {
            info.width = b.Le16(6);
            info.height = b.Le16(8);
        }
    } else if (b.Is(0, "RIFF") && b.Is(8, "WEBP")) {
        info.kind = ImageKind::WebP;
        SniffWebP(b, info);
    } else if (b.Is(0, "BM") && b.Has(14, 4)) {
        info.kind = ImageKind::Bmp;
        SniffBmp(b, info);
    }
    if (info.width == 0 || info.height == 0) info.width = info.height = 0;
    return info;
}

Size DecodeSize(std::uint32_t width, std::uint32_t height) {
    if (width == 0 || height == 0) return {};
    const double pixels = static_cast<double>(width) * height;
    double scale = std::min(1.0, std::sqrt(static_cast<double>(kDecodePixels) / pixels));
    scale = std::min(scale, static_cast<double>(kDecodeSide) / std::max(width, height));
    if (scale >= 1.0) return {width, height};
    auto side = [scale](std::uint32_t v) {
        return static_cast<std::uint32_t>(std::max(1.0, std::floor(v * scale)));
    };
    return {side(width), side(height)};
}

}  // namespace kavrel
