// What a file is, from its first bytes, before the browser decodes it.
//
// The page asks SniffImage() about a chosen file at once: a file that is no
// picture a browser decodes is refused without decoding it, and for one that
// is, DecodeSize() says how large to have the browser decode it, so that a
// 50 MP photo becomes a few megapixels of RGBA and never 200 MB.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

namespace kavrel {

enum class ImageKind { Unknown, Jpeg, Png, Gif, WebP, Bmp };

struct ImageInfo {
    ImageKind kind = ImageKind::Unknown;
    // The picture as shown, after a JPEG's Exif orientation: 0 when the
    // bytes given end before the size (a JPEG's size may follow a large
    // Exif block: hand over the first 256 KB or the whole file).
    std::uint32_t width = 0;
    std::uint32_t height = 0;
};

// Lower-case format name for messages and logs ("jpeg", ..., "unknown").
std::string_view ImageKindName(ImageKind kind);

ImageInfo SniffImage(const std::uint8_t* bytes, std::size_t size);

struct Size {
    std::uint32_t width = 0;
    std::uint32_t height = 0;
};

// The most pixels a photo is decoded to: a plate that fills half of such a
// picture still has text about 30 px high, which the engine reads best.
inline constexpr std::uint64_t kDecodePixels = 3'000'000;
// The longest side asked for, whatever the shape: browsers' canvases and
// bitmaps refuse larger ones.
inline constexpr std::uint32_t kDecodeSide = 8192;

// The size to decode a width x height picture to: the picture itself when
// it is within both bounds, else scaled down keeping its aspect (each side
// at least 1). Never larger than the picture; {0, 0} for a zero size.
Size DecodeSize(std::uint32_t width, std::uint32_t height);

}  // namespace kavrel
