// Arbitrary bytes through the decoder: no crash, no out-of-range read, and
// the result always consistent with the rules that hold for any input.
#include "decode/decoder.h"
#include "decode/tables.h"

#include <cstdint>
#include <cstdlib>
#include <string_view>

namespace {

void Require(bool ok) {
    if (!ok) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    const kavrel::DecodeResult r = kavrel::Decode(text);
    const std::size_t chars = kavrel::CharacterCount(text);
    const bool formatted = chars == 8 || chars == 10;

    Require(r.Osibka == (r.failures != 0));
    Require(r.Osibka == (r.God == kavrel::NotUsed || r.Strana == kavrel::NotUsed));
    Require(((r.failures & kavrel::FailLength) != 0) == !formatted);
    if (formatted) {
        Require(r.SeriiniiNomer == text);
        Require(text.size() >= r.Seria.size() &&
                text.substr(text.size() - r.Seria.size()) == r.Seria);  // the tail, as it stands
    } else {
        Require(r.SeriiniiNomer == kavrel::NotUsed && r.Seria == kavrel::NotUsed &&
                r.Mesiac == kavrel::NotUsed && r.God == kavrel::NotUsed);
    }
    // A year is only found after a month.
    if (r.God != kavrel::NotUsed) Require(r.Mesiac != kavrel::NotUsed);
    return 0;
}
