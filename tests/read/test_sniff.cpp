// What a file is from its first bytes, and the size a photo is decoded to.
#include "read/sniff.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <random>
#include <string>
#include <vector>

namespace {

using namespace kavrel;
using Bytes = std::vector<std::uint8_t>;

Bytes B(std::initializer_list<int> v) {
    Bytes b;
    for (const int x : v) b.push_back(static_cast<std::uint8_t>(x));
    return b;
}
Bytes operator+(Bytes a, const Bytes& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}
Bytes Text(const std::string& s) { return Bytes(s.begin(), s.end()); }

Bytes Be16(unsigned v) { return B({static_cast<int>(v >> 8 & 0xFF), static_cast<int>(v & 0xFF)}); }
Bytes Le16(unsigned v) { return B({static_cast<int>(v & 0xFF), static_cast<int>(v >> 8 & 0xFF)}); }
Bytes Le32(std::uint32_t v) { return Le16(v & 0xFFFF) + Le16(v >> 16); }
Bytes Be32(std::uint32_t v) { return Be16(v >> 16) + Be16(v & 0xFFFF); }

// A JPEG segment: marker, length, body.
Bytes Segment(int marker, const Bytes& body) { return B({0xFF, marker}) + Be16(static_cast<unsigned>(body.size() + 2)) + body; }
Bytes Frame(int marker, unsigned w, unsigned h) { return Segment(marker, B({8}) + Be16(h) + Be16(w) + B({3, 1, 0x22, 0})); }
// An APP1 Exif block with one IFD0 entry: Orientation.
Bytes Exif(int orientation, bool little) {
    const auto u16 = [&](unsigned v) { return little ? Le16(v) : Be16(v); };
    const auto u32 = [&](std::uint32_t v) { return little ? Le32(v) : Be32(v); };
    const Bytes tiff = Text(little ? "II" : "MM") + u16(42) + u32(8) + u16(1) + u16(0x0112) + u16(3) + u32(1) +
                       u16(static_cast<unsigned>(orientation)) + u16(0) + u32(0);
    return Segment(0xE1, Text(std::string("Exif\0\0", 6)) + tiff);
}
const Bytes kSoi = B({0xFF, 0xD8});
const Bytes kJfif = Segment(0xE0, Text(std::string("JFIF\0", 5)) + B({1, 1, 0, 0, 1, 0, 1, 0, 0}));
const Bytes kTable = Segment(0xC4, Bytes(30, 7));  // a Huffman table: a C-marker that is no frame
const Bytes kPng = B({0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A});

Bytes Png(std::uint32_t w, std::uint32_t h) { return kPng + Be32(13) + Text("IHDR") + Be32(w) + Be32(h) + B({8, 6, 0, 0, 0}); }
Bytes Riff(const std::string& chunk, const Bytes& body) {
    return Text("RIFF") + Le32(static_cast<std::uint32_t>(body.size() + 12)) + Text("WEBP") + Text(chunk) +
           Le32(static_cast<std::uint32_t>(body.size())) + body;
}
Bytes Bmp(std::uint32_t header, const Bytes& sizes) { return Text("BM") + Bytes(12, 0) + Le32(header) + sizes + Bytes(32, 0); }

struct SniffCase {
    const char* name;
    Bytes bytes;
    ImageKind kind;
    std::uint32_t width, height;
};

void PrintTo(const SniffCase& c, std::ostream* os) { *os << c.name; }

class Sniff : public ::testing::TestWithParam<SniffCase> {};

TEST_P(Sniff, KindAndSize) {
    const SniffCase& c = GetParam();
    const ImageInfo info = SniffImage(c.bytes.data(), c.bytes.size());
    EXPECT_EQ(ImageKindName(info.kind), ImageKindName(c.kind));
    EXPECT_EQ(info.width, c.width);
    EXPECT_EQ(info.height, c.height);
    // Every shorter prefix is the same kind or unknown, with the full size or
    // none: a cut file never yields a wrong size, nor reads past its end.
    for (std::size_t n = 0; n < c.bytes.size(); ++n) {
        const Bytes cut(c.bytes.begin(), c.bytes.begin() + static_cast<std::ptrdiff_t>(n));
        const ImageInfo part = SniffImage(cut.data(), cut.size());
        EXPECT_TRUE(part.kind == c.kind || part.kind == ImageKind::Unknown) << n;
        EXPECT_TRUE((part.width == 0 && part.height == 0) || (part.width == c.width && part.height == c.height)) << n;
    }
}

const SniffCase kSniffCases[] = {
    {"jpeg baseline", kSoi + kJfif + kTable + Frame(0xC0, 4000, 3000), ImageKind::Jpeg, 4000, 3000},
    {"jpeg progressive after fill bytes", kSoi + kJfif + B({0xFF, 0xFF}) + Frame(0xC2, 640, 480), ImageKind::Jpeg, 640, 480},
    {"jpeg exif turned a quarter (II)", kSoi + Exif(6, true) + Frame(0xC0, 4000, 3000), ImageKind::Jpeg, 3000, 4000},
    {"jpeg exif turned a quarter (MM)", kSoi + Exif(8, false) + Frame(0xC1, 4000, 3000), ImageKind::Jpeg, 3000, 4000},
    {"jpeg exif upside down", kSoi + Exif(3, true) + Frame(0xC0, 4000, 3000), ImageKind::Jpeg, 4000, 3000},
    {"jpeg scan before any frame", kSoi + Segment(0xDA, Bytes(10, 0)) + Frame(0xC0, 9, 9), ImageKind::Jpeg, 0, 0},
    {"jpeg broken segment chain", kSoi + kJfif + B({0x12, 0x34}) + Frame(0xC0, 9, 9), ImageKind::Jpeg, 0, 0},
    {"jpeg frame of zero width", kSoi + Frame(0xC0, 0, 480), ImageKind::Jpeg, 0, 0},
    {"png", Png(1920, 1080), ImageKind::Png, 1920, 1080},
    {"png with a huge size", Png(100000, 3), ImageKind::Png, 100000, 3},
    {"png without IHDR first", kPng + Be32(13) + Text("tEXt") + Bytes(13, 1), ImageKind::Png, 0, 0},
    {"gif87a", Text("GIF87a") + Le16(320) + Le16(200) + B({0, 0, 0}), ImageKind::Gif, 320, 200},
    {"gif89a", Text("GIF89a") + Le16(1) + Le16(1) + B({0, 0, 0}), ImageKind::Gif, 1, 1},
    {"webp lossy", Riff("VP8 ", B({0x30, 0x01, 0x00, 0x9D, 0x01, 0x2A}) + Le16(1024 | 0x4000) + Le16(768) + Bytes(4, 0)),
     ImageKind::WebP, 1024, 768},
    {"webp lossless", Riff("VP8L", B({0x2F}) + Le32((1023u) | (767u << 14)) + Bytes(4, 0)), ImageKind::WebP, 1024, 768},
    {"webp extended", Riff("VP8X", B({0x10, 0, 0, 0}) + B({0x9F, 0x0F, 0x00}) + B({0xB7, 0x0B, 0x00})), ImageKind::WebP, 4000, 3000},
    {"bmp top-down", Bmp(40, Le32(800) + Le32(static_cast<std::uint32_t>(-600))), ImageKind::Bmp, 800, 600},
    {"bmp bottom-up", Bmp(124, Le32(800) + Le32(600)), ImageKind::Bmp, 800, 600},
    {"bmp os/2 core header", Bmp(12, Le16(64) + Le16(32)), ImageKind::Bmp, 64, 32},
    {"bmp negative width", Bmp(40, Le32(static_cast<std::uint32_t>(-5)) + Le32(5)), ImageKind::Bmp, 0, 0},
    {"text", Text("Serial No. 1065100088\n"), ImageKind::Unknown, 0, 0},
    {"pdf", Text("%PDF-1.7\n%\xE2\xE3\xCF\xD3"), ImageKind::Unknown, 0, 0},
    {"riff that is not webp", Text("RIFF") + Le32(4) + Text("WAVEfmt "), ImageKind::Unknown, 0, 0},
    {"lone BM", Text("BM"), ImageKind::Unknown, 0, 0},
    {"empty", {}, ImageKind::Unknown, 0, 0},
};

INSTANTIATE_TEST_SUITE_P(Formats, Sniff, ::testing::ValuesIn(kSniffCases));

TEST(SniffImage, NullAndRandomBytesNeverCrash) {
    EXPECT_EQ(SniffImage(nullptr, 100).kind, ImageKind::Unknown);
    std::mt19937 rng(7);
    for (int round = 0; round < 3000; ++round) {
        // Each known start followed by junk: the ASan build sees any overread.
        static const Bytes kStarts[] = {kSoi + B({0xFF}), kPng, Text("GIF89a"), Text("RIFF\0\0\0\0WEBPVP8X"), Text("BM")};
        Bytes b = kStarts[round % 5];
        const std::size_t extra = rng() % 64;
        for (std::size_t i = 0; i < extra; ++i) b.push_back(static_cast<std::uint8_t>(rng()));
        const ImageInfo info = SniffImage(b.data(), b.size());
        EXPECT_EQ(info.width == 0, info.height == 0);
    }
}

struct SizeCase {
    std::uint32_t width, height;
};

class DecodeSizeRule : public ::testing::TestWithParam<SizeCase> {};

TEST_P(DecodeSizeRule, BoundedAspectKeptNeverLarger) {
    const auto [w, h] = GetParam();
    const Size s = DecodeSize(w, h);
    ASSERT_GE(s.width, 1u);
    ASSERT_GE(s.height, 1u);
    EXPECT_LE(s.width, w);
    EXPECT_LE(s.height, h);
    EXPECT_LE(static_cast<std::uint64_t>(s.width) * s.height, kDecodePixels);
    EXPECT_LE(std::max(s.width, s.height), kDecodeSide);
    const bool within = static_cast<std::uint64_t>(w) * h <= kDecodePixels && std::max(w, h) <= kDecodeSide;
    if (within) {
        EXPECT_EQ(s.width, w);
        EXPECT_EQ(s.height, h);
    } else {
        // Scaled by one factor: each side within a pixel of the other's share,
        // and the budget nearly used where both sides allow it.
        const double fw = static_cast<double>(s.width) / w, fh = static_cast<double>(s.height) / h;
        if (s.width > 1 && s.height > 1) {
            EXPECT_NEAR(fw, fh, 1.0 / std::min(s.width, s.height));
        }
        const bool sideBound = std::max(w, h) > kDecodeSide * std::sqrt(static_cast<double>(w) * h / kDecodePixels);
        if (!sideBound) {
            EXPECT_GT(static_cast<double>(s.width) * s.height, 0.99 * kDecodePixels);
        }
    }
}

const SizeCase kSizes[] = {
    {8160, 6120},  {6120, 8160}, {4000, 3000}, {3000, 4000}, {12000, 9000}, {2000, 1500}, {2001, 1500}, {1, 1},
    {3, 2},        {64, 48},     {100000, 10}, {10, 100000}, {65535, 1},    {1, 65535},   {9000, 300},  {16384, 16384},
    {4294967295u, 4294967295u},
};

INSTANTIATE_TEST_SUITE_P(Extremes, DecodeSizeRule, ::testing::ValuesIn(kSizes));

TEST(DecodeSize, ZeroIsNothingAndAPhoneIsHalved) {
    EXPECT_EQ(DecodeSize(0, 3000).width, 0u);
    EXPECT_EQ(DecodeSize(4000, 0).height, 0u);
    const Size phone = DecodeSize(4000, 3000);
    EXPECT_EQ(phone.width, 2000u);
    EXPECT_EQ(phone.height, 1500u);
}

}  // namespace
