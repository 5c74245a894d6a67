// Decoding of Bitzer compressor serial numbers.
//
// Decode() is a pure function from the serial-number text (UTF-8) to a
// DecodeResult holding the English result texts. The windows and the batch
// decoder render those texts in the chosen language afterwards; nothing here
// knows about languages or widgets.
#pragma once

#include "text/utf8.h"  // CharacterCount: the length rule of a serial number

#include <cstddef>
#include <string>
#include <string_view>

namespace kavrel {

// Which parts of a number could not be decoded. A year that was never looked
// up because the month failed is not a year failure.
enum DecodeFailure : unsigned {
    FailLength = 1u << 0,  // neither 8 nor 10 characters
    FailPlant = 1u << 1,   // plant code in no row, or a row without a plant
    FailMonth = 1u << 2,   // month code is none of the 60 codes
    FailYear = 1u << 3,    // year-group digit names no group of the format
};

// Each text is named after the main-window box that shows it.
struct DecodeResult {
    std::string SeriiniiNomer;  // the serial number as entered
    std::string Strana;         // country and city of the plant
    std::string Zavod;          // manufacturing company
    std::string DataKoda;       // code valid till / since 1 September 2003
    std::string Mesiac;         // month of manufacture
    std::string God;            // year of manufacture
    std::string Seria;          // order number, leading zeros kept
    bool Osibka = true;         // the number was not decoded in full
    unsigned failures = 0;      // DecodeFailure bits; non-zero exactly when Osibka
};

DecodeResult Decode(std::string_view serial);

// Overwrites every field of `out`; reusing one result across calls keeps the
// string buffers, so a batch of decodes allocates nothing after the first.
void Decode(std::string_view serial, DecodeResult& out);

}  // namespace kavrel
