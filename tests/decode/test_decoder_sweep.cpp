// Every head a decode reads, checked against the rules in plain arithmetic,
// so that no table row or cell can be wrong unnoticed.
#include "decode/decoder.h"
#include "decode/tables.h"

#include <gtest/gtest.h>

#include <set>
#include <string>

namespace {

using namespace kavrel;

const char* const kMonthNames[] = {"January", "February", "March",     "April",   "May",      "June",
                                   "July",    "August",   "September", "October", "November", "December"};

template <std::size_t N>
const PlantRow* RowByCode(const std::array<PlantRow, N>& table, int code) {
    for (const auto& row : table)
        if (row.code == code) return &row;
    return nullptr;
}

struct Sweep {
    int plantDigits;
    int firstGroup, lastGroup;  // year-group digits the format knows
    std::set<int> plants;       // codes that name a plant
    std::string_view dataKoda;
};

void Check(const Sweep& f, int head, const std::string& tail) {
    std::string serial = std::to_string(head);
    serial.insert(0, static_cast<std::size_t>(f.plantDigits + 3) - serial.size(), '0');
    serial += tail;
    const DecodeResult r = Decode(serial);

    const int plant = head / 1000;  // the digits before group and month
    const int group = (head / 100) % 10;
    const int monthCode = head % 100;

    SCOPED_TRACE(serial);
    ASSERT_EQ(r.SeriiniiNomer, serial);
    ASSERT_EQ(r.Seria, tail);

    const bool plantKnown = f.plants.count(plant) > 0;
    if (plantKnown) {
        const PlantRow* row = f.plantDigits == 1 ? RowByCode(PlantTable8, plant) : RowByCode(PlantTable10, plant);
        ASSERT_NE(row, nullptr);
        ASSERT_EQ(r.Strana, row->strana);
        ASSERT_EQ(r.Zavod, row->zavod);
        ASSERT_EQ(r.DataKoda, f.dataKoda);
    } else {
        ASSERT_EQ(r.Strana, NotUsed);
        ASSERT_EQ(r.Zavod, NotUsed);
        ASSERT_EQ(r.DataKoda, NotUsed);
    }

    const int month = monthCode % 20;
    const int position = monthCode / 20 + 1;
    const bool monthKnown = month >= 1 && month <= 12 && position <= 5;
    const bool groupKnown = group >= f.firstGroup && group <= f.lastGroup;
    if (monthKnown) {
        ASSERT_EQ(r.Mesiac, kMonthNames[month - 1]);
    } else {
        ASSERT_EQ(r.Mesiac, NotUsed);
    }
    if (monthKnown && groupKnown) {
        ASSERT_EQ(r.God, std::to_string(1976 + 5 * (group - 1) + position - 1));
    } else {
        ASSERT_EQ(r.God, NotUsed);
    }

    const unsigned expected = (plantKnown ? 0u : unsigned{FailPlant}) | (monthKnown ? 0u : unsigned{FailMonth}) |
                              (monthKnown && !groupKnown ? unsigned{FailYear} : 0u);
    ASSERT_EQ(r.failures, expected);
    ASSERT_EQ(r.Osibka, expected != 0);
}

TEST(Sweep, AllEightDigitHeads) {
    const Sweep eight{1, 1, 6, {1, 2, 3, 4, 6, 7, 8, 9}, "Till September, 1st, 2003"};
    for (int head = 0; head < 10000; ++head) {
        ASSERT_NO_FATAL_FAILURE(Check(eight, head, head % 2 ? "0940" : "9999"));
    }
}

TEST(Sweep, AllTenDigitHeads) {
    const Sweep ten{2, 6, 9, {10, 11, 12, 13, 15, 16, 17, 18, 20, 25}, "Since September, 1st, 2003"};
    for (int head = 0; head < 100000; ++head) {
        ASSERT_NO_FATAL_FAILURE(Check(ten, head, head % 2 ? "00088" : "12345"));
    }
}

}  // namespace
