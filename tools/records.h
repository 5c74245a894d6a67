// Output records of the batch decoder: one decoded serial number written as
// a CSV line, a JSON Lines object or a block of text.
//
// Whatever the input holds, the output is valid UTF-8 (each malformed
// sequence becomes one U+FFFD) and valid in its format: CSV fields are
// quoted by RFC 4180, JSON strings escaped, and the text format shows no
// control character that could move a terminal's cursor.
#pragma once

#include "decode/decoder.h"
#include "lang/language.h"

#include <array>
#include <string>
#include <string_view>

namespace kavrel::batch {

enum class Format { Text, Csv, Json };

// The words of the reason column, in the order in which they are listed.
struct ReasonWord {
    unsigned failure;  // a DecodeFailure bit
    std::string_view word;
};
inline constexpr std::array<ReasonWord, 4> ReasonWords{{
    {FailLength, "length"},
    {FailPlant, "plant"},
    {FailMonth, "month"},
    {FailYear, "year"},
}};

// The window's result table, row by row: each caption and the result
// beside it.
struct TableRow {
    Caption caption;
    std::string DecodeResult::*field;
};
inline constexpr std::array<TableRow, ResultBoxCount> ResultTable{{
    {Caption::TextSeriiniiNomer, &DecodeResult::SeriiniiNomer},
    {Caption::TextStrana, &DecodeResult::Strana},
    {Caption::TextZavod, &DecodeResult::Zavod},
    {Caption::TextGod, &DecodeResult::God},
    {Caption::TextMesiac, &DecodeResult::Mesiac},
    {Caption::TextSeria, &DecodeResult::Seria},
    {Caption::TextDataKoda, &DecodeResult::DataKoda},
}};

inline constexpr std::string_view CsvHeader =
    "input,serial_number,country_city,company,code_valid_date,month,year,order_number,error,reason\n";

// A CSV field, quoted when it holds a comma, a double quote or a line break.
void AppendCsvField(std::string& out, std::string_view field);
// A JSON string with its quotes.
void AppendJsonString(std::string& out, std::string_view text);
// Text for a person at a terminal: control characters become U+FFFD.
void AppendPlainText(std::string& out, std::string_view text);

// The inside of a quoted CSV field or of a JSON string, for a text that
// arrives in pieces. Pieces must not split a UTF-8 sequence.
void AppendCsvQuotedContent(std::string& out, std::string_view piece);
void AppendJsonContent(std::string& out, std::string_view piece);

// Writes the records of one run into `out`; the caller drains `out`.
class RecordWriter {
public:
    // `captions` must hold the captions of the output language (text format).
    RecordWriter(Format format, const CaptionTexts& captions, std::string& out);

    void Header();  // the CSV header line; nothing in the other formats
    void Record(std::string_view input, const DecodeResult& result);

    // A record whose input is too long to hold at once: the input arrives
    // in pieces and the result is given at the end. CSV quotes such an
    // input whatever it holds.
    void BeginInput();
    void InputPiece(std::string_view piece);
    void EndInput(const DecodeResult& result);

private:
    void Rest(const DecodeResult& result);
    void TextRecord(const DecodeResult& result);

    Format format_;
    const CaptionTexts& captions_;
    std::string& out_;
    bool firstText_ = true;
};

}  // namespace kavrel::batch
