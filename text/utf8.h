// UTF-8 as this program reads it. A malformed sequence is one character
// covering its maximal well-formed prefix (at least one byte): the rule by
// which a display shows it as one U+FFFD, so the decoder counts characters
// and the batch decoder replaces bad bytes the same way.
#pragma once

#include <cstddef>
#include <string_view>

namespace kavrel {

// The byte-order mark, U+FEFF, in UTF-8: by which some programs tell UTF-8
// text from text in a code page.
inline constexpr std::string_view ByteOrderMark = "\xEF\xBB\xBF";

struct Utf8Char {
    std::size_t length;  // bytes, at least 1
    bool valid;          // a well-formed character
    bool truncated;      // malformed only because the text ends inside it
};

// The character that starts at s[pos]; pos must be inside s.
inline Utf8Char NextUtf8Char(std::string_view s, std::size_t pos) {
    const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(s[i]); };
    const unsigned char lead = byte(pos);
    std::size_t need;
    unsigned char lo = 0x80, hi = 0xBF;  // allowed range of the second byte
    if (lead < 0x80) {
        return {1, true, false};
    } else if (lead >= 0xC2 && lead <= 0xDF) {
        need = 2;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        need = 3;
        if (lead == 0xE0) lo = 0xA0;  // no overlong forms
        if (lead == 0xED) hi = 0x9F;  // no surrogates
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        need = 4;
        if (lead == 0xF0) lo = 0x90;
        if (lead == 0xF4) hi = 0x8F;  // nothing above U+10FFFF
    } else {
        return {1, false, false};
    }
    std::size_t n = 1;
    while (n < need && pos + n < s.size()) {
        const unsigned char b = byte(pos + n);
        const bool ok = (n == 1) ? (b >= lo && b <= hi) : (b >= 0x80 && b <= 0xBF);
        if (!ok) break;
        ++n;
    }
    return {n, n == need, n < need && pos + n == s.size()};
}

// Bytes at the end of `s` that begin a character the end cuts short (0 to
// 3): what a reader or writer of a text in blocks keeps for the next block.
inline std::size_t TruncatedTail(std::string_view s) {
    for (std::size_t k = 1; k <= 3 && k <= s.size(); ++k) {
        const auto b = static_cast<unsigned char>(s[s.size() - k]);
        if (b < 0x80) return 0;
        if (b >= 0xC0) return NextUtf8Char(s, s.size() - k).truncated ? k : 0;
    }
    return 0;
}

// Number of characters a person sees in a UTF-8 text: code points, with each
// malformed sequence counting as one character (as it shows as one U+FFFD).
inline std::size_t CharacterCount(std::string_view utf8) {
    std::size_t count = 0;
    for (std::size_t pos = 0; pos < utf8.size(); pos += NextUtf8Char(utf8, pos).length) ++count;
    return count;
}

}  // namespace kavrel
