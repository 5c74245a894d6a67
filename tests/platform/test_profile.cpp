// The own profile-file code on file contents: what a read finds in files a
// person may have edited, and that a write changes nothing but its one line.
#include "platform/profile.h"

#include <gtest/gtest.h>

#include <string>

using kavrel::ProfileLookup;
using kavrel::ProfileUpdate;

namespace {

// A text with zero bytes in it, taken whole.
template <std::size_t N>
std::string Bytes(const char (&s)[N]) {
    return std::string(s, N - 1);
}

struct ReadCase {
    const char* name;
    std::string contents;
    std::string section, key, expected;
};

void PrintTo(const ReadCase& c, std::ostream* os) { *os << c.name; }

class Read : public ::testing::TestWithParam<ReadCase> {};

TEST_P(Read, FindsWhatTheWin32FunctionsFind) {
    const ReadCase& c = GetParam();
    EXPECT_EQ(ProfileLookup(c.contents, c.section, c.key, "0", 255), c.expected);
}

const std::string Digits300 = [] {
    std::string s;
    for (int i = 0; i < 300; ++i) s += static_cast<char>('0' + i % 10);
    return s;
}();
const std::string Cyrillic300 = [] {
    std::string s;
    for (int i = 0; i < 300; ++i) s += "\xD0\xAF";  // Я
    return s;
}();

INSTANTIATE_TEST_SUITE_P(Files, Read, ::testing::Values(
    ReadCase{"missing key gives default", "[LANG]\nOther=1\n", "LANG", "LANG", "0"},
    ReadCase{"missing section", "[Other]\nLANG=1\n", "LANG", "LANG", "0"},
    ReadCase{"empty file", "", "LANG", "LANG", "0"},
    ReadCase{"written by Windows", "[LANG]\r\nLANG=1\r\n", "LANG", "LANG", "1"},
    ReadCase{"minus one", "[LANG]\nLANG=-1\n", "LANG", "LANG", "-1"},
    ReadCase{"empty value is not the default", "[LANG]\nLANG=\n", "LANG", "LANG", ""},
    ReadCase{"key without equals sign", "[LANG]\nLANG\n", "LANG", "LANG", "0"},
    ReadCase{"letter case", "[lang]\nLang=1\n", "LANG", "LANG", "1"},
    ReadCase{"letter case of ASCII only", "[LANG]\n\xC3\x84=1\n", "LANG", "\xC3\xA4", "0"},
    ReadCase{"caller's blanks", "[LANG]\nLANG=1\n", " LANG\t", "\tLANG ", "1"},
    ReadCase{"blanks in the file", "  [  LANG  ]  \n\t LANG \t=\t 1 \t\n", "LANG", "LANG", "1"},
    ReadCase{"Ctrl+Z is a blank", "[LANG]\nLANG=\x1a" "1\x1a\n\x1a", "LANG", "LANG", "1"},
    ReadCase{"no-break space is not", "[LANG]\nLANG=\xC2\xA0" "1\n", "LANG", "LANG", "\xC2\xA0" "1"},
    ReadCase{"double quotes", "[LANG]\nLANG=\"1\"\n", "LANG", "LANG", "1"},
    ReadCase{"single quotes", "[LANG]\nLANG=' 1 '\n", "LANG", "LANG", " 1 "},
    ReadCase{"quotes that do not match", "[LANG]\nLANG=\"1'\n", "LANG", "LANG", "\"1'"},
    ReadCase{"one pair only", "[LANG]\nLANG=\"\"1\"\"\n", "LANG", "LANG", "\"1\""},
    ReadCase{"a lone quote", "[LANG]\nLANG=\"\n", "LANG", "LANG", "\""},
    ReadCase{"commented out", "[LANG]\n;LANG=1\n# LANG=1\n", "LANG", "LANG", "0"},
    ReadCase{"comment after a header", "[LANG] ; language\nLANG=1\n", "LANG", "LANG", "1"},
    ReadCase{"equals sign in the value", "[S]\nurl=http://a/?b=c\n", "S", "url", "http://a/?b=c"},
    ReadCase{"300 characters give 254", "[LANG]\nLANG=" + Digits300 + "\n", "LANG", "LANG", Digits300.substr(0, 254)},
    ReadCase{"cut between characters, not bytes", "[LANG]\nLANG=" + Cyrillic300, "LANG", "LANG", Cyrillic300.substr(0, 508)},
    // The closing quote of a 254-character quoted value falls outside the
    // buffer, and the Win32 functions still drop a last character.
    ReadCase{"quoted 254 characters give 253", "[LANG]\nLANG=\"" + std::string(254, 'b') + "\"\n", "LANG", "LANG", std::string(253, 'b')},
    ReadCase{"no final newline", "[Other]\nx=1\n[LANG]\nLANG=1", "LANG", "LANG", "1"},
    ReadCase{"lone CR line ends", "[A]\ra=1\r[LANG]\rLANG=1\r", "LANG", "LANG", "1"},
    ReadCase{"byte-order mark", "\xEF\xBB\xBF[LANG]\r\nLANG=1\r\n", "LANG", "LANG", "1"},
    ReadCase{"only the first section of a name", "[LANG]\nA=1\n[lang]\nLANG=5\n", "LANG", "LANG", "0"},
    ReadCase{"the first key of a name", "[LANG]\nlang=1\nLANG=2\n", "LANG", "LANG", "1"},
    ReadCase{"keys before any section", "LANG=3\n[LANG]\nLANG=4\n", "", "LANG", "3"},
    ReadCase{"header without bracket is a key", "[LANG\nLANG=1\n", "LANG", "LANG", "0"},
    ReadCase{"headers only at a line's start", "[A]\nx=[LANG]\n a[LANG]\rLANG=2\n\v\t[LANG]\rLANG=1\r", "LANG", "LANG", "1"},
    ReadCase{"zero byte ends a value", Bytes("[LANG]\nLANG=1\0" "2\n"), "LANG", "LANG", "1"},
    ReadCase{"zero byte ends a name", Bytes("[LANG\0x]\nLANG=1\n"), "LANG", "LANG", "1"},
    ReadCase{"binary junk around the section", Bytes("\xFF\xFE\x00\x01\x80\x9F\n\x1b[LA\n[LANG]\nLANG=1\n\xC3\x28\xA0\n"), "LANG", "LANG", "1"}));

TEST(ReadFallback, QuotesGoAndTrailingBlanks) {
    EXPECT_EQ(ProfileLookup("", "LANG", "LANG", "'0'", 255), "0");
    EXPECT_EQ(ProfileLookup("", "LANG", "LANG", "0  ", 255), "0");
    EXPECT_EQ(ProfileLookup("", "LANG", "LANG", " ", 255), " ");
    EXPECT_EQ(ProfileLookup("[LANG]\nLANG=12345\n", "LANG", "LANG", "0", 3), "12");
    EXPECT_EQ(ProfileLookup("[LANG]\nLANG=1\n", "LANG", "LANG", "0", 0), "");
}

struct WriteCase {
    const char* name;
    std::string before;
    std::string section, key, value;
    std::string after;
};

void PrintTo(const WriteCase& c, std::ostream* os) { *os << c.name; }

class Write : public ::testing::TestWithParam<WriteCase> {};

TEST_P(Write, ChangesOnlyTheOneLine) {
    const WriteCase& c = GetParam();
    EXPECT_EQ(ProfileUpdate(c.before, c.section, c.key, c.value).value_or(c.before), c.after);
}

const std::string HandEdited =
    "; Kavrel settings\r\n"
    "[Window]\r\n"
    "Top = 20\r\n"
    "\r\n"
    "[Lang]   \r\n"
    "; the language index\r\n"
    "  Lang = 0  \r\n"
    "Extra=yes\r\n"
    "\r\n"
    "[Printing]\n"
    "Copies=2";

INSTANTIATE_TEST_SUITE_P(Files, Write, ::testing::Values(
    WriteCase{"first start", "", "LANG", "LANG", "0", "[LANG]\nLANG=0\n"},
    WriteCase{"Russian", "[LANG]\nLANG=0\n", "LANG", "LANG", "1", "[LANG]\nLANG=1\n"},
    WriteCase{"hand-edited file keeps every other byte", HandEdited, "LANG", "LANG", "1",
              "; Kavrel settings\r\n[Window]\r\nTop = 20\r\n\r\n[Lang]   \r\n; the language index\r\n"
              "  Lang = 1\r\nExtra=yes\r\n\r\n[Printing]\nCopies=2"},
    WriteCase{"new key after the section's last line", HandEdited, "lang", "New", "x",
              "; Kavrel settings\r\n[Window]\r\nTop = 20\r\n\r\n[Lang]   \r\n; the language index\r\n"
              "  Lang = 0  \r\nExtra=yes\r\nNew=x\r\n\r\n[Printing]\nCopies=2"},
    WriteCase{"new key at the end without final newline", HandEdited, "Printing", "Copies2", "3",
              HandEdited + "\r\nCopies2=3\r\n"},
    WriteCase{"new section at the end", "[Other]\nx=1", "LANG", "LANG", "1", "[Other]\nx=1\n[LANG]\nLANG=1\n"},
    WriteCase{"new key in an empty section", "[LANG]\r\n[B]\r\n", "LANG", "LANG", "1", "[LANG]\r\nLANG=1\r\n[B]\r\n"},
    WriteCase{"key without equals sign", "[LANG]\nLANG \n", "LANG", "LANG", "1", "[LANG]\nLANG=1\n"},
    WriteCase{"empty value", "[LANG]\nLANG=\nx=2\n", "LANG", "LANG", "1", "[LANG]\nLANG=1\nx=2\n"},
    WriteCase{"value becomes empty", "[LANG]\nLANG = 1\n", "LANG", "LANG", "", "[LANG]\nLANG = \n"},
    WriteCase{"blanks at the value's start dropped", "[LANG]\nLANG=0\n", "LANG", "LANG", " \t1 ", "[LANG]\nLANG=1 \n"},
    WriteCase{"lone CR file", "[LANG]\rLANG=0\r", "LANG", "LANG", "1", "[LANG]\rLANG=1\r"},
    WriteCase{"new key after a last line ending in CR", "[LANG]\rA=1\r", "LANG", "LANG", "1", "[LANG]\rA=1\rLANG=1\r"},
    WriteCase{"byte-order mark kept", "\xEF\xBB\xBF[A]\r\n", "LANG", "LANG", "1", "\xEF\xBB\xBF[A]\r\n[LANG]\r\nLANG=1\r\n"},
    WriteCase{"first section of a name", "[LANG]\nA=1\n[lang]\nLANG=5\n", "LANG", "LANG", "1", "[LANG]\nA=1\nLANG=1\n[lang]\nLANG=5\n"},
    WriteCase{"keys before any section", "\xEF\xBB\xBF[LANG]\nLANG=4\n", "", "top", "1", "\xEF\xBB\xBFtop=1\n[LANG]\nLANG=4\n"},
    WriteCase{"same value changes nothing", "[LANG]\n  LANG =  1  ", "LANG", "LANG", "1", "[LANG]\n  LANG =  1  "},
    // Lines that would break or hide other keys are not written at all.
    WriteCase{"line break in a section refused", "[S]\nk=1\n", "A\nk=2", "x", "1", "[S]\nk=1\n"},
    WriteCase{"line break in a value refused", "[S]\nk=1\n", "S", "k", "2\n[T]", "[S]\nk=1\n"},
    WriteCase{"key with equals sign refused", "[S]\nk=1\n", "S", "a=b", "1", "[S]\nk=1\n"},
    WriteCase{"key like a header refused", "[S]\nk=1\n[T]\nj=2\n", "S", "[T]x", "1", "[S]\nk=1\n[T]\nj=2\n"},
    WriteCase{"blanks around names are not part of them", "", " \tS\r\n", " k\n", "1", "[S]\nk=1\n"},
    WriteCase{"binary junk kept", Bytes("\x00\xFF\n[LANG]\nLANG=0\n\x80\x1a"), "LANG", "LANG", "1",
              Bytes("\x00\xFF\n[LANG]\nLANG=1\n\x80\x1a")}));

TEST(WriteUnchanged, SameValueGivesNothingToWrite) {
    EXPECT_FALSE(ProfileUpdate("[LANG]\nLANG=1\n", "lang", "Lang", "1").has_value());
    EXPECT_TRUE(ProfileUpdate("[LANG]\nLANG=\"1\"\n", "LANG", "LANG", "1").has_value());
}

}  // namespace
