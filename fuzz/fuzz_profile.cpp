// Arbitrary file contents, section and key names and values through the
// profile-file reader and writer: no crash, reads within the buffer, a write
// that reads back what was written and leaves every other key and every
// other line as it was.
#include "decode/decoder.h"
#include "platform/profile.h"

#include <fuzzer/FuzzedDataProvider.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

namespace {

void Require(bool ok) {
    if (!ok) std::abort();
}

bool IsBlank(char c) { return std::string_view(" \t\n\v\f\r\x1a").find(c) != std::string_view::npos; }

// A name as lookups compare it: up to a zero byte, blanks trimmed, ASCII
// letters in one case.
std::string Norm(std::string_view name) {
    name = name.substr(0, name.find('\0'));
    while (!name.empty() && IsBlank(name.front())) name.remove_prefix(1);
    while (!name.empty() && IsBlank(name.back())) name.remove_suffix(1);
    std::string out(name);
    for (char& c : out) {
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    }
    return out;
}

bool Has(std::string_view s, std::string_view chars) { return s.find_first_of(chars) != std::string_view::npos; }

// The bytes of the first n characters: grown a byte at a time until the
// next byte would begin character n + 1.
std::string FirstChars(const std::string& s, std::size_t n) {
    std::string out;
    for (const char c : s) {
        out += c;
        if (kavrel::CharacterCount(out) > n) {
            out.pop_back();
            break;
        }
    }
    return out;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    FuzzedDataProvider in(data, size);
    const std::string section = in.ConsumeRandomLengthString(24);
    const std::string key = in.ConsumeRandomLengthString(24);
    std::string value = in.ConsumeRandomLengthString(400);
    const std::string contents = in.ConsumeRemainingBytesAsString();
    // The settings code hands over values without line breaks.
    std::replace_if(value.begin(), value.end(), [](char c) { return c == '\r' || c == '\n'; }, ' ');

    const std::string before = kavrel::ProfileLookup(contents, section, key, "\x01", 255);
    Require(kavrel::CharacterCount(before) <= 254);

    const std::string after = kavrel::ProfileUpdate(contents, section, key, value).value_or(contents);
    const std::string readBack = kavrel::ProfileLookup(after, section, key, "\x01", 255);
    Require(kavrel::CharacterCount(readBack) <= 254);

    // What a write stores reads back the same whatever else the file holds.
    // (Blanks at a value's end are stored but not read; a stored value that
    // matches up to a zero byte in the file counts as unchanged, and then
    // reads with them.)
    if (value.empty() || !IsBlank(value.back())) {
        const std::string alone = kavrel::ProfileUpdate("", section, key, value).value_or("");
        Require(readBack == kavrel::ProfileLookup(alone, section, key, "\x01", 255));
    }

    // A name that can stand on a line of its own, and a value without blanks
    // or quotes at its ends, come back exactly, cut to 254 characters.
    const bool plainNames = !Has(section, std::string_view("\r\n\0", 3)) && !Has(key, std::string_view("\r\n\0=", 4)) &&
                            Norm(key).substr(0, 1) != "[";
    // Names that would break their line or hide other keys are refused.
    if (Has(Norm(section), "\r\n") || Has(Norm(key), "\r\n=") || Norm(key).substr(0, 1) == "[") {
        Require(!kavrel::ProfileUpdate(contents, section, key, value).has_value());
    }
    const bool plainValue = !value.empty() && !Has(value, std::string_view("\0", 1)) && !IsBlank(value.front()) &&
                            !IsBlank(value.back()) && value.front() != '"' && value.front() != '\'';
    if (plainNames && plainValue) Require(readBack == FirstChars(value, 254));

    // Writing the same value again changes nothing.
    if (plainNames && plainValue) Require(!kavrel::ProfileUpdate(after, section, key, value).has_value());

    // Every other key reads as before.
    for (const auto& [s, k] : kavrel::ProfileKeys(contents)) {
        if (Norm(s) == Norm(section) && Norm(k) == Norm(key)) continue;
        Require(kavrel::ProfileLookup(contents, s, k, "\x01", 255) == kavrel::ProfileLookup(after, s, k, "\x01", 255));
    }

    // Every other line is kept byte for byte: what the write removed lies
    // within one line.
    const std::size_t prefix = static_cast<std::size_t>(
        std::mismatch(contents.begin(), contents.end(), after.begin(), after.end()).first - contents.begin());
    std::size_t suffix = 0;
    while (suffix < contents.size() - prefix && suffix < after.size() - prefix &&
           contents[contents.size() - 1 - suffix] == after[after.size() - 1 - suffix]) {
        ++suffix;
    }
    Require(!Has(std::string_view(contents).substr(prefix, contents.size() - prefix - suffix), "\r\n"));
    return 0;
}
