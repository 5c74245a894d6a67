// The batch decoder's field writers and line reader; the executable as a
// whole is checked from outside by test_kavrel_decode.py.
#include "tools/batch.h"
#include "tools/records.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <random>
#include <string>
#include <vector>

namespace {

using namespace kavrel::batch;

const std::string R = "\xEF\xBF\xBD";  // U+FFFD

struct FieldCase {
    std::string in, out;
};

void PrintTo(const FieldCase& c, std::ostream* os) { *os << ::testing::PrintToString(c.in); }

class CsvField : public ::testing::TestWithParam<FieldCase> {};
TEST_P(CsvField, Written) {
    std::string out;
    AppendCsvField(out, GetParam().in);
    EXPECT_EQ(out, GetParam().out);
}
INSTANTIATE_TEST_SUITE_P(Cases, CsvField,
                         ::testing::Values(FieldCase{"", ""}, FieldCase{"15700940", "15700940"},
                                           FieldCase{"Deutschland, Sindelfingen", "\"Deutschland, Sindelfingen\""},
                                           FieldCase{"say \"hi\"", "\"say \"\"hi\"\"\""},
                                           FieldCase{"\"", "\"\"\"\""}, FieldCase{"a\nb", "\"a\nb\""},
                                           FieldCase{"a\rb", "\"a\rb\""}, FieldCase{" 1 ", " 1 "},
                                           FieldCase{"Германия", "Германия"},
                                           FieldCase{"1\xFF" "2", "1" + R + "2"},
                                           FieldCase{"\xFF,", "\"" + R + ",\""}));

class JsonString : public ::testing::TestWithParam<FieldCase> {};
TEST_P(JsonString, Written) {
    std::string out;
    AppendJsonString(out, GetParam().in);
    EXPECT_EQ(out, GetParam().out);
}
INSTANTIATE_TEST_SUITE_P(
    Cases, JsonString,
    ::testing::Values(FieldCase{"", "\"\""}, FieldCase{"15700940", "\"15700940\""},
                      FieldCase{"\"\\/", "\"\\\"\\\\/\""}, FieldCase{"\b\f\n\r\t", "\"\\b\\f\\n\\r\\t\""},
                      FieldCase{"\x01\x1F\x7F", "\"\\u0001\\u001f\x7F\""},
                      FieldCase{std::string("a\0b", 3), "\"a\\u0000b\""},
                      FieldCase{"\xF0\x9F\x98\x80\xD0\x96", "\"\xF0\x9F\x98\x80\xD0\x96\""},
                      FieldCase{"\xC0\xAF", "\"" + R + R + "\""},              // overlong "/"
                      FieldCase{"\xED\xA0\x80", "\"" + R + R + R + "\""},      // a surrogate
                      FieldCase{"\xE2\x82\"", "\"" + R + "\\\"\""},            // cut short by a quote
                      FieldCase{"\xF4\x90\x80\x80", "\"" + R + R + R + R + "\""},  // above U+10FFFF
                      FieldCase{"1\xE2\x82", "\"1" + R + "\""}));

class PlainText : public ::testing::TestWithParam<FieldCase> {};
TEST_P(PlainText, Written) {
    std::string out;
    AppendPlainText(out, GetParam().in);
    EXPECT_EQ(out, GetParam().out);
}
INSTANTIATE_TEST_SUITE_P(Cases, PlainText,
                         ::testing::Values(FieldCase{"Октябрь", "Октябрь"}, FieldCase{"\x1B[2J", R + "[2J"},
                                           FieldCase{"1570\r940", "1570" + R + "940"},
                                           FieldCase{"\xC2\x9B" "2J", R + "2J"},  // C1 CSI
                                           FieldCase{"a\tb\xC2\xA0", "a\tb\xC2\xA0"},
                                           FieldCase{"\x7F\xFF", R + R}));

// ---- The line reader ----------------------------------------------------------

std::FILE* FileWith(const std::string& content) {
    std::FILE* f = std::tmpfile();
    if (f == nullptr) return nullptr;
    std::fwrite(content.data(), 1, content.size(), f);
    std::rewind(f);
    return f;
}

// The lines of `input` by the plain rule: split at LF, drop one CR before it.
std::vector<std::string> ExpectedLines(const std::string& input) {
    std::vector<std::string> lines;
    std::size_t start = 0;
    for (std::size_t nl; (nl = input.find('\n', start)) != std::string::npos; start = nl + 1) {
        std::string line = input.substr(start, nl - start);
        if (!line.empty() && line.back() == '\r') line.pop_back();
        lines.push_back(line);
    }
    if (start < input.size()) lines.push_back(input.substr(start));
    return lines;
}

// Random inputs whose lines straddle a small buffer in every way: CR LF,
// multi-byte characters, malformed and cut-off sequences across its end.
TEST(LineReader, PiecesMakeUpTheLinesAndSplitNothing) {
    const std::vector<std::string> atoms = {"1", "5", ",", "\"", "\r", "\n", "\r\n", "\xD0\x96",
                                            "\xE2\x82\xAC", "\xF0\x9F\x98\x80", "\xFF", "\xE2\x82", "\xF0\x9F"};
    std::mt19937 rng(20240612);
    for (int round = 0; round < 400; ++round) {
        std::string input;
        const int count = static_cast<int>(rng() % 300);
        for (int i = 0; i < count; ++i) {
            // Mostly long runs of ordinary text, so some lines outgrow the buffer.
            const std::size_t pick = rng() % (atoms.size() + 6);
            input += pick < atoms.size() ? atoms[pick] : std::string(rng() % 40, '7');
        }
        std::FILE* f = FileWith(input);
        ASSERT_NE(f, nullptr);
        LineReader reader(f, LineReader::kMinCapacity);
        std::vector<std::string> lines;
        std::string line, json;
        LinePiece piece;
        while (reader.Next(piece)) {
            SCOPED_TRACE(::testing::PrintToString(input));
            ASSERT_EQ(piece.first, line.empty());
            if (!piece.last) {
                EXPECT_TRUE(!piece.first || piece.text.size() > 44) << "short enough to be a serial number";
                ASSERT_FALSE(piece.text.empty());
            }
            line.append(piece.text);
            AppendJsonContent(json, piece.text);
            if (!piece.last) continue;
            std::string whole;
            AppendJsonContent(whole, line);
            EXPECT_EQ(json, whole) << "a piece split a character";
            lines.push_back(line);
            line.clear();
            json.clear();
        }
        EXPECT_EQ(reader.Error(), 0);
        EXPECT_EQ(lines, ExpectedLines(input));
        std::fclose(f);
    }
}

}  // namespace
