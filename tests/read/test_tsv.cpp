// The engine's TSV: word rows kept, everything odd skipped or clamped.
#include "read/tsv.h"

#include <gtest/gtest.h>

#include <string>

namespace {

using namespace kavrel;

const std::string kHeader = "level\tpage_num\tblock_num\tpar_num\tline_num\tword_num\tleft\ttop\twidth\theight\tconf\ttext\n";

struct RowCase {
    const char* name;
    std::string row;
    bool kept;
    double confidence;
    std::string text;
};

void PrintTo(const RowCase& c, std::ostream* os) { *os << c.name; }

class TsvRow : public ::testing::TestWithParam<RowCase> {};

TEST_P(TsvRow, KeptOrSkipped) {
    const RowCase& c = GetParam();
    const std::vector<OcrWord> words = ParseTsv(kHeader + c.row);
    ASSERT_EQ(words.size(), c.kept ? 1u : 0u);
    if (!c.kept) return;
    EXPECT_DOUBLE_EQ(words[0].confidence, c.confidence);
    EXPECT_EQ(words[0].text, c.text);
}

const RowCase kRows[] = {
    {"word", "5\t1\t2\t1\t3\t4\t10\t20\t30\t40\t96.52\t1065100088\n", true, 96.52, "1065100088"},
    {"integer confidence", "5\t1\t1\t1\t1\t1\t0\t0\t9\t9\t87\tNr.\n", true, 87, "Nr."},
    {"crlf line end", "5\t1\t1\t1\t1\t1\t0\t0\t9\t9\t87\tNr.\r\n", true, 87, "Nr."},
    {"no final line end", "5\t1\t1\t1\t1\t1\t0\t0\t9\t9\t50\tS/N", true, 50, "S/N"},
    {"confidence -1 on a word", "5\t1\t1\t1\t1\t1\t0\t0\t9\t9\t-1\tx\n", true, 0, "x"},
    {"confidence over 100", "5\t1\t1\t1\t1\t1\t0\t0\t9\t9\t250\tx\n", true, 100, "x"},
    {"blanks round the text", "5\t1\t1\t1\t1\t1\t0\t0\t9\t9\t90\t  15700940 \n", true, 90, "15700940"},
    {"a tab inside the text", "5\t1\t1\t1\t1\t1\t0\t0\t9\t9\t90\ta\tb\n", true, 90, "a\tb"},
    {"bytes that are no UTF-8", "5\t1\t1\t1\t1\t1\t0\t0\t9\t9\t90\t\xFF\xFE\x31\n", true, 90, "\xFF\xFE\x31"},
    {"line row", "4\t1\t1\t1\t1\t0\t0\t0\t9\t9\t-1\t\n", false, 0, ""},
    {"word without text", "5\t1\t1\t1\t1\t1\t0\t0\t9\t9\t95\t\n", false, 0, ""},
    {"word of blanks", "5\t1\t1\t1\t1\t1\t0\t0\t9\t9\t95\t   \n", false, 0, ""},
    {"eleven fields", "5\t1\t1\t1\t1\t1\t0\t0\t9\t9\t95\n", false, 0, ""},
    {"number that is not one", "5\t1\t1\t1\t1\tx\t0\t0\t9\t9\t95\tword\n", false, 0, ""},
    {"empty number field", "5\t1\t1\t1\t1\t1\t\t0\t9\t9\t95\tword\n", false, 0, ""},
    {"huge number", "5\t1\t1\t1\t1\t1\t99999999999\t0\t9\t9\t95\tword\n", false, 0, ""},
    {"negative box", "5\t1\t1\t1\t1\t1\t0\t0\t-9\t9\t95\tword\n", false, 0, ""},
    {"confidence of letters", "5\t1\t1\t1\t1\t1\t0\t0\t9\t9\tninety\tword\n", false, 0, ""},
    {"confidence 9.x.1", "5\t1\t1\t1\t1\t1\t0\t0\t9\t9\t9.5.1\tword\n", false, 0, ""},
    {"blank line", "\n", false, 0, ""},
};

INSTANTIATE_TEST_SUITE_P(Rows, TsvRow, ::testing::ValuesIn(kRows));

TEST(ParseTsv, FieldsAndOrderOfSeveralWords) {
    const std::string tsv = kHeader + "1\t1\t0\t0\t0\t0\t0\t0\t1400\t900\t-1\t\n" +
                            "5\t1\t2\t1\t3\t1\t100\t200\t80\t30\t91\tSerial\n" + "garbage\n" +
                            "5\t1\t2\t1\t3\t2\t190\t201\t50\t31\t88\tNo.\n";
    const std::vector<OcrWord> w = ParseTsv(tsv);
    ASSERT_EQ(w.size(), 2u);
    EXPECT_EQ(w[0].text, "Serial");
    EXPECT_EQ(w[1].text, "No.");
    EXPECT_EQ(w[1].block, 2);
    EXPECT_EQ(w[1].paragraph, 1);
    EXPECT_EQ(w[1].line, 3);
    EXPECT_EQ(w[1].word, 2);
    EXPECT_EQ(w[1].left, 190);
    EXPECT_EQ(w[1].top, 201);
    EXPECT_EQ(w[1].width, 50);
    EXPECT_EQ(w[1].height, 31);
    EXPECT_TRUE(w[0].SameLine(w[1]));
    EXPECT_TRUE(ParseTsv("").empty());
    EXPECT_TRUE(ParseTsv(std::string(1000, '\t')).empty());
}

}  // namespace
