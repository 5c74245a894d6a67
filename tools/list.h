// A whole list of serial numbers held for the page's list view: the input
// arrives in chunks of any size (a file read in slices, or a paste), is cut
// into lines and each line's first column is kept and decoded once, to
// count and filter; a row is rendered again only when it is shown or
// written. The rows are kept as one text, one serial number a line, which
// the batch decoder's own reader and writer turn into CSV or JSON Lines:
// byte for byte what kavrel-decode writes for that text.
#pragma once

#include "decode/decoder.h"
#include "tools/batch.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace kavrel::batch {

// How much of the start of an input tells whether it is text.
inline constexpr std::size_t TextProbeBytes = 4096;

// Whether an input that begins with `head` (its first TextProbeBytes bytes,
// or all of a shorter input) is text: it is not when `head` holds a NUL
// byte, which no text has and nearly every picture, spreadsheet and archive
// format has near its start, or when more than one character in eight is
// a control character (other than tab, LF, CR and form feed) or malformed
// UTF-8. A character cut by the end of `head` counts for nothing, and a
// text in a code page (a Russian header saved as Windows-1251) still is
// text: its few lines of letters fail to decode as they would typed.
bool LooksLikeText(std::string_view head);

// Where a line's first column ends: at a tab (a column copied from a
// spreadsheet, or a tab-separated file), and in a CSV file also at a comma
// or a semicolon (the separator of spreadsheets in countries that write
// decimal commas). None of these is ever part of a serial number.
enum class Columns { Tabs, Csv };

// A file whose name ends in ".csv" (in any case) is CSV; any other input
// (a paste, a text file) has tab-separated columns at most.
Columns ColumnsOf(std::string_view fileName);

class SerialList {
public:
    // Empties the list for a new input; `expectedBytes` (the input's size,
    // when known) saves growing the storage as it fills.
    void Start(Columns columns, std::size_t expectedBytes = 0);
    // The next bytes of the input. A UTF-8 byte-order mark at the very start
    // is dropped; lines end in LF or CR LF (a CR LF may be split between
    // chunks, and so may anything else).
    void Feed(std::string_view chunk);
    // The input has ended: a last line without a line end becomes a row
    // (a lone CR at its end stays part of it, as in kavrel-decode).
    void End();

    std::size_t Rows() const { return starts_.size(); }
    std::size_t Failed() const { return failedRows_.size(); }
    // The serial number of a row: its line's first column.
    std::string_view Input(std::size_t row) const;
    unsigned Failures(std::size_t row) const { return failures_[row]; }

    // The rows shown, all or only those that failed, and which row stands
    // at a place among them.
    std::size_t Shown(bool failedOnly) const { return failedOnly ? Failed() : Rows(); }
    std::size_t ShownRow(std::size_t place, bool failedOnly) const {
        return failedOnly ? failedRows_[place] : place;
    }

    // Every row's serial number as a line: what the batch decoder reads
    // (a line ending in a CR is written with a CR LF, so that the reader's
    // line end rule gives the serial number back whole).
    std::string_view Text() const { return text_; }

private:
    void Take(std::string_view bytes);
    void EndLine(bool lineEnd);

    Columns columns_ = Columns::Tabs;
    std::string text_;
    std::vector<std::uint32_t> starts_;  // each row's first byte in text_
    std::vector<std::uint8_t> failures_;
    std::vector<std::uint32_t> failedRows_;
    std::string head_;         // the first bytes, until the byte-order mark is ruled out
    bool started_ = false;     // past the place of a byte-order mark
    bool inLine_ = false;      // a line has begun and not ended
    bool cut_ = false;         // its first column has ended
    bool lastHasEnd_ = true;   // the last row ended in a line end
    std::size_t lineStart_ = 0;
    DecodeResult result_;
};

// The words of the tab-separated text and the page's table in a language:
// the captions of the first and last columns and the names of the failed
// parts (in ReasonWords' order).
struct SheetWords {
    std::string_view input;
    std::string_view reasons;
    std::array<std::string_view, ReasonWords.size()> reasonNames;
    std::string_view reasonSeparator;
};

// A caption of the window as a column's name: without its closing colon.
std::string_view ColumnName(std::string_view caption);

// Tab-separated text for a spreadsheet: a header row, then per row the
// serial number as entered, the seven results in the order of the window's
// result table and in the language of `languageText` ("ENG"/"RUS"), and
// what failed; LF line ends. A field shows no line end or other control
// character (each becomes U+FFFD) and holds no tab (a tab ends a line's
// first column), so every row pastes as one row of cells. The page's table
// shows the same fields.
class SheetWriter {
public:
    // The words' texts must outlive the writer.
    SheetWriter(std::string_view languageText, const SheetWords& words, std::string& out);
    void Header();
    void Row(std::string_view input);

private:
    std::string_view language_;
    SheetWords words_;
    std::string& out_;
    CaptionTexts captions_;
    DecodeResult result_;
    DecodeResultBoxes boxes_{result_};
};

// A list's records written a block at a time (a million rows make tens of
// megabytes): CSV or JSON Lines through the batch decoder's own RecordRun
// over the list's text, or the tab-separated text.
enum class ListFormat { Csv, Json, Sheet };

class ListOutput {
public:
    ListOutput(const SerialList& list, ListFormat format, std::string_view languageText, bool bom,
               const SheetWords& words);
    // The next block, at least `block` bytes unless it is the last; empty
    // once everything has been handed out.
    std::string_view Next(std::size_t block);

private:
    const SerialList& list_;
    ListFormat format_;
    std::string out_;
    TextSource source_;
    LineReader reader_;
    RecordRun run_;
    SheetWriter sheet_;
    std::size_t row_ = 0;
    bool headed_ = false;
    bool ended_ = false;
};

}  // namespace kavrel::batch
