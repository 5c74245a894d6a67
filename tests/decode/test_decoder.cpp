#include "decode/decoder.h"
#include "decode/tables.h"

#include <gtest/gtest.h>

#include <set>
#include <string>

using kavrel::Decode;
using kavrel::DecodeResult;
using kavrel::NotUsed;

namespace {

const std::string N(NotUsed);

struct Expected {
    const char* input;
    std::string serial, strana, zavod, dataKoda, mesiac, god, seria;
    bool osibka;
    unsigned failures;
};

void PrintTo(const Expected& e, std::ostream* os) { *os << '"' << e.input << '"'; }

class DecodeCase : public ::testing::TestWithParam<Expected> {};

TEST_P(DecodeCase, EveryField) {
    const Expected& e = GetParam();
    const DecodeResult r = Decode(e.input);
    EXPECT_EQ(r.SeriiniiNomer, e.serial);
    EXPECT_EQ(r.Strana, e.strana);
    EXPECT_EQ(r.Zavod, e.zavod);
    EXPECT_EQ(r.DataKoda, e.dataKoda);
    EXPECT_EQ(r.Mesiac, e.mesiac);
    EXPECT_EQ(r.God, e.god);
    EXPECT_EQ(r.Seria, e.seria);
    EXPECT_EQ(r.Osibka, e.osibka);
    EXPECT_EQ(r.failures, e.failures);
}

const std::string Till = "Till September, 1st, 2003";
const std::string Since = "Since September, 1st, 2003";
const std::string Gmbh = "Bitzer Kuhlmaschinenbau GmbH";
using namespace kavrel;

const Expected kCases[] = {
    // The two worked examples.
    {"15700940", "15700940", "Deutschland, Sindelfingen", Gmbh, Till, "October", "1999", "0940", false, 0},
    {"1065100088", "1065100088", "Deutschland, Rottenburg", Gmbh, Since, "November", "2003", "00088", false, 0},
    // Group boundaries: the first and last dates each format can express.
    {"11810000", "11810000", "Deutschland, Sindelfingen", Gmbh, Till, "January", "1980", "0000", false, 0},
    {"11010001", "11010001", "Deutschland, Sindelfingen", Gmbh, Till, "January", "1976", "0001", false, 0},
    {"1090100001", "1090100001", "Deutschland, Rottenburg", Gmbh, Since, "January", "2016", "00001", false, 0},
    {"2599299999", "2599299999", "The USA, Oakwood", "Bitzer US, Inc.", Since, "December", "2020", "99999", false, 0},
    {"66920001", "66920001", "Deutschland, Schkeuditz", Gmbh, Till, "December", "2005", "0001", false, 0},
    {"1066100001", "1066100001", "Deutschland, Rottenburg", Gmbh, Since, "January", "2004", "00001", false, 0},
    // Trailing space of code 4's company name; code 20 of the ten-digit table.
    {"45051234", "45051234", "China (new)", "Bitzer Compressores Beijing ", Till, "May", "1996", "1234", false, 0},
    {"2087012345", "2087012345", "China (new)", "Bitzer Compressores Beijing Ltd. China", Since, "October", "2014", "12345", false, 0},
    {"25010000", "25010000", "Portugal", "Bitzer Compressores para Frio, S.A.", Till, "January", "1996", "0000", false, 0},
    {"1262200000", "1262200000", "Portugal, Castelo Branco", "Bitzer Compressores para Frio, S.A.", Since, "February", "2002", "00000", false, 0},
    // Codes 5 and 0 of the eight-digit table carry no plant.
    {"55700940", "55700940", N, N, N, "October", "1999", "0940", true, FailPlant},
    {"05700940", "05700940", N, N, N, "October", "1999", "0940", true, FailPlant},
    // Ten-digit plant codes in no row, "05" included.
    {"1465100088", "1465100088", N, N, N, "November", "2003", "00088", true, FailPlant},
    {"0565100088", "0565100088", N, N, N, "November", "2003", "00088", true, FailPlant},
    {"2665100088", "2665100088", N, N, N, "November", "2003", "00088", true, FailPlant},
    // Month codes that are none of the 60: no month and no year, whatever the digit.
    {"15000940", "15000940", "Deutschland, Sindelfingen", Gmbh, Till, N, N, "0940", true, FailMonth},
    {"15130940", "15130940", "Deutschland, Sindelfingen", Gmbh, Till, N, N, "0940", true, FailMonth},
    {"15200940", "15200940", "Deutschland, Sindelfingen", Gmbh, Till, N, N, "0940", true, FailMonth},
    {"15930940", "15930940", "Deutschland, Sindelfingen", Gmbh, Till, N, N, "0940", true, FailMonth},
    {"1069900088", "1069900088", "Deutschland, Rottenburg", Gmbh, Since, N, N, "00088", true, FailMonth},
    // Year-group digits with no row in their format.
    {"10700940", "10700940", "Deutschland, Sindelfingen", Gmbh, Till, "October", N, "0940", true, FailYear},
    {"17700940", "17700940", "Deutschland, Sindelfingen", Gmbh, Till, "October", N, "0940", true, FailYear},
    {"1055100088", "1055100088", "Deutschland, Rottenburg", Gmbh, Since, "November", N, "00088", true, FailYear},
    {"1015100088", "1015100088", "Deutschland, Rottenburg", Gmbh, Since, "November", N, "00088", true, FailYear},
    // Everything wrong at once.
    {"00000000", "00000000", N, N, N, N, N, "0000", true, FailPlant | FailMonth},
    {"50700000", "50700000", N, N, N, "October", N, "0000", true, FailPlant | FailYear},
    // Wrong lengths: nothing is decoded, the serial number included.
    {"", N, N, N, N, N, N, N, true, FailLength},
    {"1570094", N, N, N, N, N, N, N, true, FailLength},
    {"157009400", N, N, N, N, N, N, N, true, FailLength},
    {"10651000881", N, N, N, N, N, N, N, true, FailLength},
    {"1570094015700940", N, N, N, N, N, N, N, true, FailLength},
    // Non-digits: a plant code that is not a number matches no row; the rest
    // are compared or copied as text.
    {"a5700940", "a5700940", N, N, N, "October", "1999", "0940", true, FailPlant},
    {" 5700940", " 5700940", N, N, N, "October", "1999", "0940", true, FailPlant},
    {"+065100088", "+065100088", N, N, N, "November", "2003", "00088", true, FailPlant},
    {"1 65100088", "1 65100088", N, N, N, "November", "2003", "00088", true, FailPlant},
    {"15 7094x", "15 7094x", "Deutschland, Sindelfingen", Gmbh, Till, N, N, "094x", true, FailMonth},
    {"1x700940", "1x700940", "Deutschland, Sindelfingen", Gmbh, Till, "October", N, "0940", true, FailYear},
    // Characters, not bytes: Cyrillic, an accented letter, a four-byte emoji.
    {"15700\xD0\x96\xD0\x96\xD0\x96", "15700\xD0\x96\xD0\x96\xD0\x96", "Deutschland, Sindelfingen", Gmbh,
     Till, "October", "1999", "0\xD0\x96\xD0\x96\xD0\x96", false, 0},
    {"\xD1\x8F\xD1\x8F\xD1\x8F\xD1\x8F\xD1\x8F\xD1\x8F\xD1\x8F\xD1\x8F",
     "\xD1\x8F\xD1\x8F\xD1\x8F\xD1\x8F\xD1\x8F\xD1\x8F\xD1\x8F\xD1\x8F", N, N, N, N, N,
     "\xD1\x8F\xD1\x8F\xD1\x8F\xD1\x8F", true, FailPlant | FailMonth},
    {"10651000\xF0\x9F\x98\x80\xC3\xA9", "10651000\xF0\x9F\x98\x80\xC3\xA9", "Deutschland, Rottenburg", Gmbh,
     Since, "November", "2003", "000\xF0\x9F\x98\x80\xC3\xA9", false, 0},
    // Full-width digit one (U+FF11) is not an ASCII digit.
    {"\xEF\xBC\x91" "5700940", "\xEF\xBC\x91" "5700940", N, N, N, "October", "1999", "0940", true, FailPlant},
    // Malformed UTF-8: each bad sequence is one character.
    {"\xFF\xFE" "700940", "\xFF\xFE" "700940", N, N, N, "October", N, "0940", true, FailPlant | FailYear},
    {"1570094\xE2\x82", "1570094\xE2\x82", "Deutschland, Sindelfingen", Gmbh, Till, "October", "1999", "094\xE2\x82", false, 0},
    {"\xD0\x96\xD0\x96\xD0\x96\xD0\x96", N, N, N, N, N, N, N, true, FailLength},
};

INSTANTIATE_TEST_SUITE_P(Table, DecodeCase, ::testing::ValuesIn(kCases));

TEST(Decode, NothingOfAnEarlierDecodeRemains) {
    DecodeResult r;
    Decode("15700940", r);
    Decode("1570094", r);  // invalid after valid
    EXPECT_EQ(r.SeriiniiNomer, N);
    EXPECT_EQ(r.Strana, N);
    EXPECT_EQ(r.Zavod, N);
    EXPECT_EQ(r.DataKoda, N);
    EXPECT_EQ(r.Mesiac, N);
    EXPECT_EQ(r.God, N);
    EXPECT_EQ(r.Seria, N);
    EXPECT_TRUE(r.Osibka);

    Decode("55050000", r);  // partly decodable after invalid
    EXPECT_EQ(r.Strana, N);
    EXPECT_EQ(r.Mesiac, "May");

    Decode("1065100088", r);  // valid after invalid
    EXPECT_EQ(r.Strana, "Deutschland, Rottenburg");
    EXPECT_EQ(r.God, "2003");
    EXPECT_EQ(r.failures, 0u);
    EXPECT_FALSE(r.Osibka);

    Decode("1700940", r);  // and invalid again: the reused result is cleared
    EXPECT_EQ(r.Strana, N);
    EXPECT_EQ(r.Seria, N);
    EXPECT_EQ(r.failures, unsigned{FailLength});
}

// Junk of every kind: never a crash, never a read out of range (the ASan
// build checks that), and the flag set for anything that is not a number.
TEST(Decode, JunkInput) {
    std::string all;
    for (int b = 0; b < 256; ++b) all.push_back(static_cast<char>(b));
    for (std::size_t len = 0; len <= 12; ++len) {
        for (std::size_t start = 0; start + len <= all.size(); ++start) {
            const DecodeResult r = Decode(std::string_view(all).substr(start, len));
            EXPECT_EQ(r.Osibka, r.failures != 0);
        }
    }
    const std::string huge(1 << 20, '1');
    const DecodeResult r = Decode(huge);
    EXPECT_TRUE(r.Osibka);
    EXPECT_EQ(r.SeriiniiNomer, N);
    std::string hugeUtf8;
    for (int i = 0; i < (1 << 19); ++i) hugeUtf8 += "\xD0\x96";
    EXPECT_EQ(Decode(hugeUtf8).failures, unsigned{FailLength});
    EXPECT_EQ(Decode(std::string("1570\0" "940", 8)).failures, 0u) << "a NUL is an ordinary character";
}

// The tables themselves: codes distinct, texts as the Russian rendering
// expects them (no stray blanks other than code 4's).
TEST(Tables, CodesAreDistinct) {
    std::set<int> p8, p10;
    for (const auto& row : PlantTable8) EXPECT_TRUE(p8.insert(row.code).second) << row.code;
    for (const auto& row : PlantTable10) EXPECT_TRUE(p10.insert(row.code).second) << row.code;
    std::set<std::string_view> months;
    for (const auto& row : MonthTable)
        for (auto code : row.codes) EXPECT_TRUE(months.insert(code).second) << code;
    EXPECT_EQ(months.size(), 60u);
    std::set<char> d8, d10;
    for (const auto& row : YearTable8) EXPECT_TRUE(d8.insert(row.digit).second);
    for (const auto& row : YearTable10) EXPECT_TRUE(d10.insert(row.digit).second);
}

TEST(Tables, OnlyCodeFourEndsInABlank) {
    for (const auto* table : {&PlantTable8, &PlantTable10}) {
        for (const auto& row : *table) {
            for (std::string_view t : {row.strana, row.zavod, row.dataKoda}) {
                ASSERT_FALSE(t.empty());
                EXPECT_NE(t.front(), ' ') << t;
                if (t != "Bitzer Compressores Beijing ") {
                    EXPECT_NE(t.back(), ' ') << t;
                }
            }
        }
    }
    EXPECT_EQ(PlantTable8[3].zavod.size(), 28u);
}

}  // namespace
