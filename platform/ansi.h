// The system's ANSI code page and the program's UTF-8, for the profile and
// shell calls that take ANSI texts. Windows only.
#pragma once

#include <string>
#include <string_view>

namespace kavrel {

// `utf8` in the ANSI code page; false in `exact` where some character has
// no place in it (it then comes out as the code page's default character).
std::string AnsiFromUtf8(std::string_view utf8, bool* exact = nullptr);
std::string Utf8FromAnsi(std::string_view ansi);

std::wstring WideFromUtf8(std::string_view utf8);
std::string Utf8FromWide(std::wstring_view wide);

}  // namespace kavrel
