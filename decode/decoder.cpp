#include "decode/decoder.h"

#include "decode/tables.h"
#include "text/utf8.h"

#include <algorithm>
#include <array>

namespace kavrel {
namespace {

bool IsAscii(std::string_view s) {
    unsigned char any = 0;
    for (const char c : s) any |= static_cast<unsigned char>(c);
    return any < 0x80;
}

// Byte offsets of the first characters of a text; enough to tell the two
// formats apart and to cut the fields, however long the text is.
struct CharIndex {
    static constexpr std::size_t kMax = 11;  // one more than the longest format
    std::array<std::size_t, kMax + 1> start{};
    std::size_t count = 0;  // characters seen, at most kMax

    explicit CharIndex(std::string_view s) {
        if (s.size() > 4 * kMax) {  // more than kMax characters whatever they are
            count = kMax;
            return;
        }
        if (IsAscii(s)) {  // the common case: one byte, one character
            count = std::min(s.size(), kMax);
            for (std::size_t i = 0; i <= count; ++i) start[i] = i;
            return;
        }
        std::size_t pos = 0;
        while (pos < s.size() && count < kMax) {
            start[count++] = pos;
            pos += NextUtf8Char(s, pos).length;
        }
        start[count] = pos;
    }
    std::string_view at(std::string_view s, std::size_t i) const {
        return s.substr(start[i], start[i + 1] - start[i]);
    }
};

// Reverse indexes built from the tables at compile time, so a decode is a
// few array reads; the tables stay the one place that holds the codes.
template <std::size_t N>
constexpr std::array<signed char, 100> PlantIndex(const std::array<PlantRow, N>& table) {
    std::array<signed char, 100> index{};
    for (auto& slot : index) slot = -1;
    for (std::size_t i = 0; i < N; ++i) index[static_cast<std::size_t>(table[i].code)] = static_cast<signed char>(i);
    return index;
}

struct MonthCell {
    signed char row = -1;  // month - 1, or -1 for no month
    signed char column = 0;  // year position - 1
};

constexpr std::array<MonthCell, 100> MonthIndex() {
    std::array<MonthCell, 100> index{};
    for (std::size_t m = 0; m < MonthTable.size(); ++m) {
        for (std::size_t c = 0; c < MonthTable[m].codes.size(); ++c) {
            const std::string_view code = MonthTable[m].codes[c];
            const auto n = static_cast<std::size_t>((code[0] - '0') * 10 + (code[1] - '0'));
            index[n] = {static_cast<signed char>(m), static_cast<signed char>(c)};
        }
    }
    return index;
}

template <std::size_t N>
constexpr std::array<signed char, 10> YearIndex(const std::array<YearRow, N>& table) {
    std::array<signed char, 10> index{};
    for (auto& slot : index) slot = -1;
    for (std::size_t i = 0; i < N; ++i) index[static_cast<std::size_t>(table[i].digit - '0')] = static_cast<signed char>(i);
    return index;
}

constexpr auto kPlant8 = PlantIndex(PlantTable8);
constexpr auto kPlant10 = PlantIndex(PlantTable10);
constexpr auto kMonths = MonthIndex();
constexpr auto kYears8 = YearIndex(YearTable8);
constexpr auto kYears10 = YearIndex(YearTable10);

struct Format {
    std::size_t length;
    std::size_t plantChars;  // plant code at positions 1..plantChars
    const PlantRow* plants;
    const std::array<signed char, 100>* plantIndex;
    const YearRow* years;
    const std::array<signed char, 10>* yearIndex;
};

constexpr Format kEightDigit{8, 1, PlantTable8.data(), &kPlant8, YearTable8.data(), &kYears8};
constexpr Format kTenDigit{10, 2, PlantTable10.data(), &kPlant10, YearTable10.data(), &kYears10};

// The value of an ASCII decimal digit character, or -1 for anything else.
int DigitValue(std::string_view ch) {
    return (ch.size() == 1 && ch[0] >= '0' && ch[0] <= '9') ? ch[0] - '0' : -1;
}

// The decoded texts before they are copied into the result; each field is
// written once.
struct Fields {
    std::string_view strana = NotUsed, zavod = NotUsed, dataKoda = NotUsed;
    std::string_view mesiac = NotUsed, god = NotUsed;
};

void DecodeFormat(std::string_view s, const CharIndex& chars, const Format& f, Fields& out, unsigned& failures) {
    // Plant code: the characters read as a decimal number; a code that is
    // not all ASCII digits is in no row.
    int code = 0;
    for (std::size_t i = 0; i < f.plantChars && code >= 0; ++i) {
        const int d = DigitValue(chars.at(s, i));
        code = d < 0 ? -1 : code * 10 + d;
    }
    if (code >= 0) {
        const signed char row = (*f.plantIndex)[static_cast<std::size_t>(code)];
        if (row >= 0) {
            const PlantRow& plant = f.plants[row];
            out.strana = plant.strana;
            out.zavod = plant.zavod;
            out.dataKoda = plant.dataKoda;
        }
    }

    // Month code and year-group digit are compared as texts: only two ASCII
    // digits can equal a month code, only one an ASCII digit.
    const std::size_t groupPos = f.plantChars;
    const int m1 = DigitValue(chars.at(s, groupPos + 1));
    const int m2 = DigitValue(chars.at(s, groupPos + 2));
    const MonthCell month = (m1 < 0 || m2 < 0) ? MonthCell{} : kMonths[static_cast<std::size_t>(m1 * 10 + m2)];
    if (month.row < 0) {
        failures |= FailMonth;  // the year is not looked up at all
        return;
    }
    out.mesiac = MonthTable[static_cast<std::size_t>(month.row)].name;

    const int g = DigitValue(chars.at(s, groupPos));
    const signed char yearRow = g < 0 ? -1 : (*f.yearIndex)[static_cast<std::size_t>(g)];
    if (yearRow < 0) {
        failures |= FailYear;
        return;
    }
    out.god = f.years[yearRow].years[static_cast<std::size_t>(month.column)];
}

}  // namespace

void Decode(std::string_view serial, DecodeResult& r) {
    Fields fields;
    unsigned failures = 0;
    std::string_view whole = NotUsed, order = NotUsed;

    const CharIndex chars(serial);
    const bool ended = chars.count < CharIndex::kMax;
    const Format* format = nullptr;
    if (ended && chars.count == kEightDigit.length) format = &kEightDigit;
    if (ended && chars.count == kTenDigit.length) format = &kTenDigit;
    if (format) {
        whole = serial;
        order = serial.substr(chars.start[format->plantChars + 3]);  // as it stands, zeros kept
        DecodeFormat(serial, chars, *format, fields, failures);
    } else {
        failures |= FailLength;
    }

    r.SeriiniiNomer.assign(whole);
    r.Strana.assign(fields.strana);
    r.Zavod.assign(fields.zavod);
    r.DataKoda.assign(fields.dataKoda);
    r.Mesiac.assign(fields.mesiac);
    r.God.assign(fields.god);
    r.Seria.assign(order);

    // The flag keeps its plain meaning: no year or no plant. Rows 5 and 0 of
    // the eight-digit table match but carry no plant, so they fail here too.
    r.Osibka = fields.god == NotUsed || fields.strana == NotUsed;
    if (format && fields.strana == NotUsed) failures |= FailPlant;
    r.failures = failures;
}

DecodeResult Decode(std::string_view serial) {
    DecodeResult r;
    Decode(serial, r);
    return r;
}

}  // namespace kavrel
