#include "text/utf8.h"

#include <gtest/gtest.h>

namespace {

TEST(Utf8, CharacterCount) {
    EXPECT_EQ(kavrel::CharacterCount(""), 0u);
    EXPECT_EQ(kavrel::CharacterCount("15700940"), 8u);
    EXPECT_EQ(kavrel::CharacterCount("\xD0\x96\xF0\x9F\x98\x80z"), 3u);
    EXPECT_EQ(kavrel::CharacterCount("\xE2\x82" "A"), 2u);       // truncated sequence + A
    EXPECT_EQ(kavrel::CharacterCount("\xED\xA0\x80"), 3u);       // encoded surrogate: 3 bad bytes
    EXPECT_EQ(kavrel::CharacterCount("\xC0\xAF"), 2u);           // overlong slash
    EXPECT_EQ(kavrel::CharacterCount("\xF4\x90\x80\x80"), 4u);   // above U+10FFFF
}

// What a reader or writer in blocks holds back: only the start of a
// character that the block's end cuts short, never a whole or a malformed one.
TEST(Utf8, TruncatedTail) {
    const struct {
        const char* text;
        std::size_t held;
    } rows[] = {
        {"", 0},           {"15700940", 0},       {"\xD0", 1},          {"1\xD0\x96", 0},
        {"\xE2\x82", 2},   {"\xF0\x9F\x98", 3},   {"\xF0\x9F\x98\x80", 0}, {"\xFF", 0},
        {"\xC0", 0},        {"\xED\xA0", 0},       {"\x80", 0},          {"\xE2\x82\x80\x80", 0},
        {"\xE2(", 0},       {"\xF4\x90", 0},       {"\xF4\x8F", 2},      {"\xD0\x96\xE2", 1},
    };
    for (const auto& row : rows)
        EXPECT_EQ(kavrel::TruncatedTail(row.text), row.held) << ::testing::PrintToString(row.text);
}

}  // namespace
