// Links to a decode: the page's address with the serial number after a
// '#', and the language if the link names one:
//
//   .../#1065100088           the number, in the device's language
//   .../#1065100088&lang=ru   the number, in Russian (en: English)
//   .../#lang=ru              the window as it starts, in Russian
//
// A fragment never reaches the server. The serial number is the fragment's
// text up to the first '&', percent-decoded and otherwise taken as it
// stands, as a paste is; a part that is not "lang=en" or "lang=ru" is
// ignored. Also the text a share hands on: the result and its link.
#pragma once

#include "form/layout.h"
#include "ui/web/web_view.h"

#include <array>
#include <string>
#include <string_view>

namespace kavrel {

// The page's language (the html lang attribute, and a link's lang=) for
// each item of the language list.
inline constexpr std::array<std::string_view, 2> PageLanguages{{"en", "ru"}};
static_assert(PageLanguages.size() == LanguageItems.size(), "a page language for every item");

struct Link {
    bool hasSerial = false;
    std::string serial;  // UTF-8 or not: bytes as the fragment encodes them
    int language = -1;   // an index of the language list, or -1 when not named
};

// `fragment` as the address has it, with or without its '#'.
Link ReadFragment(std::string_view fragment);

// The fragment ('#' included) that opens `serial`, in `language` unless it
// is -1; empty for an empty serial without a language. Every byte but
// ASCII letters, digits and "-._~" is percent-encoded.
std::string FragmentFor(std::string_view serial, int language);

// What sharing a decode hands on: the window's seven captions and results
// as `view` shows them, a line each and in the order of its table (as
// kavrel-decode writes them as text), the error line when it shows, then
// `address` on a line of its own.
std::string ShareText(const WebView& view, std::string_view address);

}  // namespace kavrel
