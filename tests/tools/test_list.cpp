// The page's list: lines and first columns from chunks of any size, the
// text probe, the counts and the failed rows, and its outputs against what
// kavrel-decode writes for the same lines.
#include "tools/batch.h"
#include "tools/list.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <random>
#include <string>
#include <vector>

namespace {

using namespace kavrel::batch;

const std::string BOM = "\xEF\xBB\xBF";

// Feeds `input` in chunks of `chunk` bytes (0: in one piece).
void Fill(SerialList& list, const std::string& input, std::size_t chunk, Columns columns = Columns::Tabs) {
    list.Start(columns, input.size());
    const std::size_t step = chunk == 0 ? input.size() + 1 : chunk;
    for (std::size_t at = 0; at < input.size(); at += step) list.Feed(std::string_view(input).substr(at, step));
    list.End();
}

std::vector<std::string> Rows(const SerialList& list) {
    std::vector<std::string> rows;
    for (std::size_t i = 0; i < list.Rows(); ++i) rows.emplace_back(list.Input(i));
    return rows;
}

std::string Written(const SerialList& list, ListFormat format, std::string_view language, bool bom,
                    std::size_t block = std::size_t{1} << 16) {
    ListOutput output(list, format, language, bom, {"Input", "Failed", {"l", "p", "m", "y"}, "+"});
    std::string all;
    for (std::string_view next; !(next = output.Next(block)).empty();) all += next;
    return all;
}

// kavrel-decode's standard output for `input` with `args`.
std::string Decoded(const std::string& input, const std::vector<std::string_view>& args) {
    std::FILE* in = std::tmpfile();
    std::FILE* out = std::tmpfile();
    std::FILE* err = std::tmpfile();
    if (!in || !out || !err) return "(no temporary file)";
    std::fwrite(input.data(), 1, input.size(), in);
    std::rewind(in);
    RunBatch(args, in, out, err);
    std::string text;
    std::rewind(out);
    for (int c; (c = std::fgetc(out)) != EOF;) text += static_cast<char>(c);
    for (std::FILE* f : {in, out, err}) std::fclose(f);
    return text;
}

struct LinesCase {
    std::string input;
    std::vector<std::string> rows;
    Columns columns = Columns::Tabs;
};

void PrintTo(const LinesCase& c, std::ostream* os) { *os << ::testing::PrintToString(c.input); }

class ListLines : public ::testing::TestWithParam<LinesCase> {};

// Every way of cutting the input into chunks gives the same rows.
TEST_P(ListLines, WhateverTheChunks) {
    const LinesCase& c = GetParam();
    for (std::size_t chunk = 0; chunk <= c.input.size(); ++chunk) {
        SerialList list;
        Fill(list, c.input, chunk, c.columns);
        EXPECT_EQ(Rows(list), c.rows) << "chunks of " << chunk;
    }
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ListLines,
    ::testing::Values(
        LinesCase{"", {}}, LinesCase{"\n", {""}}, LinesCase{"\n\n", {"", ""}}, LinesCase{"a", {"a"}},
        LinesCase{"a\nb", {"a", "b"}}, LinesCase{"a\r\nb\r\n", {"a", "b"}},
        // A lone CR is text, except before LF; at the very end it stays.
        LinesCase{"a\rb\n", {"a\rb"}}, LinesCase{"a\r", {"a\r"}}, LinesCase{"x\r\r\n", {"x\r"}},
        LinesCase{" 1065100088 \n", {" 1065100088 "}},
        // The mark is dropped at the start only, however it arrives.
        LinesCase{BOM + "1065100088\r\n15700940", {"1065100088", "15700940"}}, LinesCase{BOM, {}},
        LinesCase{BOM + BOM + "1\n", {BOM + "1"}}, LinesCase{"\xEF\xBB", {"\xEF\xBB"}},
        LinesCase{"1" + BOM, {"1" + BOM}},
        // A spreadsheet's paste: the first column, a header row, blank lines.
        LinesCase{"Serial\tPlant\r\n1065100088\tA\tB\r\n\r\n15700940\t\r\n\t9\r\n",
                  {"Serial", "1065100088", "", "15700940", ""}},
        LinesCase{"1065100088,a;b\n", {"1065100088,a;b"}},
        LinesCase{"1065100088,a\n15700940;b\r\n1570\t0,1\n", {"1065100088", "15700940", "1570"}, Columns::Csv},
        LinesCase{"\xD0\x96\xFF\n\xE2\x82", {"\xD0\x96\xFF", "\xE2\x82"}}));

TEST(ListLines, CsvByItsName) {
    for (const auto& [name, columns] : {std::pair{"plant.csv", Columns::Csv}, {"PLANT.CSV", Columns::Csv},
                                        {".Csv", Columns::Csv}, {"plant.txt", Columns::Tabs},
                                        {"plant.csv.txt", Columns::Tabs}, {"csv", Columns::Tabs}, {"", Columns::Tabs}}) {
        EXPECT_EQ(ColumnsOf(name), columns) << name;
    }
}

TEST(ListText, ByTheFirstBlock) {
    const std::string digits = "1065100088\r\n15700940\r\n";
    std::string longText;
    while (longText.size() < TextProbeBytes - 1) longText += "Ж1065100088\n";
    longText = longText.substr(0, TextProbeBytes - 1);  // ends inside a Ж
    const struct {
        std::string head;
        bool text;
    } cases[] = {
        {"", true},
        {digits, true},
        {BOM + digits, true},
        {"Серийный номер\tЗавод\n" + digits, true},
        // Windows-1251 "Серийный номер" over twelve rows.
        {"\xD1\xE5\xF0\xE8\xE9\xED\xFB\xE9 \xED\xEE\xEC\xE5\xF0\r\n" + digits + digits + digits + digits + digits +
             digits,
         true},
        {longText, true},
        {"1065100088\f\t\n", true},
        {std::string("1065100088\0", 11), false},
        {"\x89PNG\r\n\x1A\n" + std::string("\0\0\0\rIHDR", 8), false},
        {std::string("\xFF\xD8\xFF\xE0\0\x10JFIF", 10), false},
        {std::string("PK\x03\x04\x14\0\x06\0", 8), false},
        {"\xFF\xFE" + std::string("1\0" "0\0", 4), false},  // UTF-16
        // Without a NUL: one odd character in eight is text, more is not.
        {"\x01" "1065100", true},
        {"\x01\x02" "1065100", false},
        {"\xFF\xFE\xFD" "12345", false},
    };
    for (const auto& c : cases) EXPECT_EQ(LooksLikeText(c.head), c.text) << ::testing::PrintToString(c.head);
}

TEST(ListRows, CountsAndTheFailedAlone) {
    SerialList list;
    Fill(list, "Serial\n1065100088\n1570\n15700940\nx5700940\n", 3);
    EXPECT_EQ(list.Rows(), 5u);
    EXPECT_EQ(list.Failed(), 3u);
    EXPECT_EQ(list.Shown(false), 5u);
    ASSERT_EQ(list.Shown(true), 3u);
    std::vector<std::string> failed;
    for (std::size_t place = 0; place < list.Shown(true); ++place) {
        failed.emplace_back(list.Input(list.ShownRow(place, true)));
    }
    EXPECT_EQ(failed, (std::vector<std::string>{"Serial", "1570", "x5700940"}));
    EXPECT_EQ(list.Failures(2), unsigned{kavrel::FailLength});
    EXPECT_EQ(list.Failures(4), unsigned{kavrel::FailPlant});
    EXPECT_EQ(list.Failures(1), 0u);
    // A new input starts afresh.
    Fill(list, "15700940", 0);
    EXPECT_EQ(Rows(list), std::vector<std::string>{"15700940"});
    EXPECT_EQ(list.Failed(), 0u);
}

// Random inputs of serial numbers, odd line ends and bad bytes: the list's
// CSV and JSON are kavrel-decode's for the same input, whatever the chunks
// and the output's blocks.
TEST(ListOutput, KavrelDecodesOwn) {
    const std::vector<std::string> atoms = {"1065100088", "15700940", "1570", " ", "\r", "\n", "\r\n", "\"",
                                            ",", "\xD0\x96", "\xFF", "\xE2\x82", "x5700940"};
    std::mt19937 rng(20261209);
    for (int round = 0; round < 150; ++round) {
        std::string input;
        const int count = static_cast<int>(rng() % 60);
        for (int i = 0; i < count; ++i) input += atoms[rng() % atoms.size()];
        if (rng() % 8 == 0) input += std::string(70000, '7');  // a line the reader hands on in pieces
        SerialList list;
        Fill(list, input, 1 + rng() % 40);
        SCOPED_TRACE(::testing::PrintToString(input.substr(0, 200)));
        const std::size_t block = 1 + rng() % 300;
        EXPECT_EQ(Written(list, ListFormat::Csv, "ENG", false, block), Decoded(input, {"--format", "csv"}));
        EXPECT_EQ(Written(list, ListFormat::Json, "RUS", false, block),
                  Decoded(input, {"--format", "json", "--lang", "ru"}));
        EXPECT_EQ(Written(list, ListFormat::Csv, "RUS", true, block),
                  Decoded(input, {"--format", "csv", "--lang", "ru", "--bom"}));
    }
}

// With columns and a mark, the same as kavrel-decode for the first columns.
TEST(ListOutput, FirstColumnsAsKavrelDecodeTakesThem) {
    SerialList list;
    Fill(list, BOM + "Serial\tPlant\r\n1065100088\tA\r\n\r\n1570\t\r\n", 2);
    EXPECT_EQ(Written(list, ListFormat::Json, "ENG", false), Decoded("Serial\n1065100088\n\n1570\n", {"--format", "json"}));
    EXPECT_EQ(Written(list, ListFormat::Csv, "RUS", true),
              Decoded("Serial\n1065100088\n\n1570\n", {"--format", "csv", "--bom", "--lang", "ru"}));
    Fill(list, "", 0);
    EXPECT_EQ(Written(list, ListFormat::Csv, "ENG", true), BOM + std::string(CsvHeader));
}

TEST(ListOutput, TabSeparatedInEitherLanguage) {
    SerialList list;
    Fill(list, "1065100088\n1570\nx5700940\n1065990088\n\x1B[2J\nx065990088", 0);
    EXPECT_EQ(Written(list, ListFormat::Sheet, "RUS", true, 1),
              "Input\tСерийный номер\tСтрана, город\tЗавод изготовитель\tГод изготовления\tМесяц изготовления\t"
              "Порядковый номер\tДата действия кода\tFailed\n"
              "1065100088\t1065100088\tГермания, Роттенбург\tBitzer Kuhlmaschinenbau GmbH\t2003\tНоябрь\t00088\t"
              "С 01 сентября 2003 года\t\n"
              "1570\tНе используется\tНе используется\tНе используется\tНе используется\tНе используется\t"
              "Не используется\tНе используется\tl\n"
              "x5700940\tx5700940\tНе используется\tНе используется\t1999\tОктябрь\t0940\tНе используется\tp\n"
              "1065990088\t1065990088\tГермания, Роттенбург\tBitzer Kuhlmaschinenbau GmbH\tНе используется\t"
              "Не используется\t90088\tС 01 сентября 2003 года\tm\n"
              "\xEF\xBF\xBD[2J\tНе используется\tНе используется\tНе используется\tНе используется\t"
              "Не используется\tНе используется\tНе используется\tl\n"
              "x065990088\tx065990088\tНе используется\tНе используется\tНе используется\tНе используется\t90088\t"
              "Не используется\tp+m\n");
    const std::string english = Written(list, ListFormat::Sheet, "ENG", false);
    EXPECT_EQ(english.substr(0, english.find('\n')),
              "Input\tSerial number\tCountry, city\tFactory the manufacturer\tYear of manufacture\t"
              "Mouth of manufacture\tOrder number\tCode valid date\tFailed");
}

}  // namespace
