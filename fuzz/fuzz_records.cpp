// Arbitrary bytes through the batch decoder's field writers: the output is
// always well-formed UTF-8, a JSON string never lets a quote or a control
// character through unescaped, and a CSV field reads back as what went in
// (malformed sequences aside).
#include "text/utf8.h"
#include "tools/records.h"

#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

namespace {

void Require(bool ok) {
    if (!ok) std::abort();
}

void RequireUtf8(std::string_view s) {
    for (std::size_t i = 0; i < s.size(); i += kavrel::NextUtf8Char(s, i).length) {
        Require(kavrel::NextUtf8Char(s, i).valid);
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    bool wellFormed = true;
    for (std::size_t i = 0; i < size; i += kavrel::NextUtf8Char(text, i).length) {
        wellFormed = wellFormed && kavrel::NextUtf8Char(text, i).valid;
    }

    std::string json;
    kavrel::batch::AppendJsonString(json, text);
    RequireUtf8(json);
    Require(json.size() >= 2 && json.front() == '"' && json.back() == '"');
    for (std::size_t i = 1; i + 1 < json.size(); ++i) {
        const auto b = static_cast<unsigned char>(json[i]);
        Require(b >= 0x20 && b != '"');
        if (b == '\\') {
            ++i;
            Require(i + 1 < json.size() && std::string_view("\"\\/bfnrtu").find(json[i]) != std::string_view::npos);
        }
    }

    std::string csv;
    kavrel::batch::AppendCsvField(csv, text);
    RequireUtf8(csv);
    if (!csv.empty() && csv.front() == '"') {  // quoted: inner quotes doubled
        Require(csv.size() >= 2 && csv.back() == '"');
        std::string inner;
        for (std::size_t i = 1; i + 1 < csv.size(); ++i) {
            if (csv[i] == '"') Require(csv[++i] == '"');
            inner += csv[i];
        }
        if (wellFormed) Require(inner == text);
    } else {
        Require(csv.find_first_of(",\"\r\n") == std::string::npos);
        if (wellFormed) Require(csv == text);
    }

    std::string plain;
    kavrel::batch::AppendPlainText(plain, text);
    RequireUtf8(plain);
    for (const char c : plain) Require(static_cast<unsigned char>(c) >= 0x20 || c == '\t');
    return 0;
}
