#include "tools/records.h"

#include "text/utf8.h"

#include <cstddef>
#include <iterator>
#include <utility>

namespace kavrel::batch {
namespace {

constexpr std::string_view kReplacement = "\xEF\xBF\xBD";  // U+FFFD

enum class Escape { Csv, Json, Text };

// ASCII bytes that cannot be copied as they stand, per escape mode.
constexpr bool Special(Escape mode, unsigned char b) {
    switch (mode) {
        case Escape::Csv: return b == '"';
        case Escape::Json: return b == '"' || b == '\\' || b < 0x20;
        case Escape::Text: return (b < 0x20 && b != '\t') || b == 0x7F;
    }
    return false;
}

struct SpecialTable {
    std::array<bool, 128> csv{}, json{}, text{};
    constexpr SpecialTable() {
        for (unsigned char b = 0; b < 128; ++b) {
            csv[b] = Special(Escape::Csv, b);
            json[b] = Special(Escape::Json, b);
            text[b] = Special(Escape::Text, b);
        }
    }
};
constexpr SpecialTable kSpecial;

void AppendEscaped(std::string& out, Escape mode, unsigned char b) {
    if (mode == Escape::Csv) {
        out += "\"\"";
        return;
    }
    if (mode == Escape::Text) {
        out += kReplacement;
        return;
    }
    switch (b) {
        case '"': out += "\\\""; return;
        case '\\': out += "\\\\"; return;
        case '\b': out += "\\b"; return;
        case '\f': out += "\\f"; return;
        case '\n': out += "\\n"; return;
        case '\r': out += "\\r"; return;
        case '\t': out += "\\t"; return;
        default: break;
    }
    constexpr char hex[] = "0123456789abcdef";
    out += "\\u00";
    out += hex[b >> 4];
    out += hex[b & 0xF];
}

// Copies `s`, escaping what the mode asks for and replacing each malformed
// UTF-8 sequence by U+FFFD. Unchanged runs are copied in one piece.
void AppendContent(std::string& out, std::string_view s, Escape mode) {
    const std::array<bool, 128>& special =
        mode == Escape::Csv ? kSpecial.csv : mode == Escape::Json ? kSpecial.json : kSpecial.text;
    std::size_t run = 0;  // start of the bytes not yet copied
    std::size_t i = 0;
    while (i < s.size()) {
        const auto b = static_cast<unsigned char>(s[i]);
        if (b < 0x80) {
            if (special[b]) {
                out.append(s, run, i - run);
                AppendEscaped(out, mode, b);
                run = i + 1;
            }
            ++i;
            continue;
        }
        if (b >= 0xC2 && b <= 0xDF && i + 1 < s.size()) {  // two bytes, as all of Cyrillic
            const auto b2 = static_cast<unsigned char>(s[i + 1]);
            if ((b2 & 0xC0) == 0x80 && !(mode == Escape::Text && b == 0xC2 && b2 < 0xA0)) {
                i += 2;
                continue;
            }
        }
        const Utf8Char ch = NextUtf8Char(s, i);
        // C1 controls (U+0080 to U+009F) act on terminals as the C0 ones do.
        const bool c1 = b == 0xC2 && ch.valid && static_cast<unsigned char>(s[i + 1]) < 0xA0;
        if (!ch.valid || (mode == Escape::Text && c1)) {
            out.append(s, run, i - run);
            out += kReplacement;
            run = i + ch.length;
        }
        i += ch.length;
    }
    out.append(s, run, s.size() - run);
}

// A plain loop: find_first_of calls memchr once per character here.
bool NeedsCsvQuotes(std::string_view field) {
    for (const char c : field)
        if (c == ',' || c == '"' || c == '\r' || c == '\n') return true;
    return false;
}

}  // namespace

void AppendCsvField(std::string& out, std::string_view field) {
    if (NeedsCsvQuotes(field)) {
        out += '"';
        AppendContent(out, field, Escape::Csv);
        out += '"';
    } else {
        AppendContent(out, field, Escape::Csv);
    }
}

void AppendJsonString(std::string& out, std::string_view text) {
    out += '"';
    AppendContent(out, text, Escape::Json);
    out += '"';
}

void AppendPlainText(std::string& out, std::string_view text) { AppendContent(out, text, Escape::Text); }

void AppendCsvQuotedContent(std::string& out, std::string_view piece) { AppendContent(out, piece, Escape::Csv); }

void AppendJsonContent(std::string& out, std::string_view piece) { AppendContent(out, piece, Escape::Json); }

RecordWriter::RecordWriter(Format format, const CaptionTexts& captions, std::string& out)
    : format_(format), captions_(captions), out_(out) {}

void RecordWriter::Header() {
    if (format_ == Format::Csv) out_ += CsvHeader;
}

void RecordWriter::Record(std::string_view input, const DecodeResult& result) {
    switch (format_) {
        case Format::Csv: AppendCsvField(out_, input); break;
        case Format::Json:
            out_ += "{\"input\":";
            AppendJsonString(out_, input);
            break;
        case Format::Text: TextRecord(result); return;
    }
    Rest(result);
}

void RecordWriter::BeginInput() {
    switch (format_) {
        case Format::Csv: out_ += '"'; break;
        case Format::Json: out_ += "{\"input\":\""; break;
        case Format::Text: break;
    }
}

void RecordWriter::InputPiece(std::string_view piece) {
    switch (format_) {
        case Format::Csv: AppendCsvQuotedContent(out_, piece); break;
        case Format::Json: AppendJsonContent(out_, piece); break;
        case Format::Text: break;
    }
}

void RecordWriter::EndInput(const DecodeResult& result) {
    if (format_ == Format::Text) {
        TextRecord(result);
        return;
    }
    out_ += '"';
    Rest(result);
}

// Everything after the input field, the line end included.
void RecordWriter::Rest(const DecodeResult& r) {
    const std::string_view fields[] = {r.SeriiniiNomer, r.Strana, r.Zavod, r.DataKoda, r.Mesiac, r.God, r.Seria};
    if (format_ == Format::Csv) {
        for (const std::string_view f : fields) {
            out_ += ',';
            AppendCsvField(out_, f);
        }
        out_ += r.Osibka ? ",true," : ",false,";
        bool first = true;
        for (const ReasonWord& reason : ReasonWords) {
            if ((r.failures & reason.failure) == 0) continue;
            if (!first) out_ += ';';
            out_ += reason.word;
            first = false;
        }
        out_ += '\n';
        return;
    }
    static constexpr std::string_view keys[] = {",\"serial_number\":", ",\"country_city\":", ",\"company\":",
                                                ",\"code_valid_date\":", ",\"month\":", ",\"year\":",
                                                ",\"order_number\":"};
    for (std::size_t i = 0; i < std::size(fields); ++i) {
        out_ += keys[i];
        AppendJsonString(out_, fields[i]);
    }
    out_ += r.Osibka ? ",\"error\":true,\"reason\":[" : ",\"error\":false,\"reason\":[";
    bool first = true;
    for (const ReasonWord& reason : ReasonWords) {
        if ((r.failures & reason.failure) == 0) continue;
        if (!first) out_ += ',';
        out_ += '"';
        out_ += reason.word;
        out_ += '"';
        first = false;
    }
    out_ += "]}\n";
}

// The seven caption/value pairs in the order of the window's result table,
// then the error line when the number was not decoded in full.
void RecordWriter::TextRecord(const DecodeResult& r) {
    if (!firstText_) out_ += '\n';
    firstText_ = false;
    for (const TableRow& row : ResultTable) {
        out_ += captions_.Get(row.caption);
        out_ += ' ';
        AppendPlainText(out_, r.*row.field);
        out_ += '\n';
    }
    if (r.Osibka) {
        out_ += captions_.Get(Caption::Osibka);
        out_ += '\n';
    }
}

}  // namespace kavrel::batch
