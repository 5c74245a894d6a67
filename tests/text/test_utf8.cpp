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

}  // namespace
