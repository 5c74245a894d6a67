#include "platform/ansi.h"

#include <windows.h>

namespace kavrel {
namespace {

std::wstring Wide(UINT codePage, std::string_view text) {
    const int size = static_cast<int>(text.size());
    std::wstring out(static_cast<std::size_t>(MultiByteToWideChar(codePage, 0, text.data(), size, nullptr, 0)), L'\0');
    if (!out.empty()) MultiByteToWideChar(codePage, 0, text.data(), size, out.data(), static_cast<int>(out.size()));
    return out;
}

std::string Narrow(UINT codePage, std::wstring_view text, BOOL* usedDefault) {
    const int size = static_cast<int>(text.size());
    std::string out(
        static_cast<std::size_t>(WideCharToMultiByte(codePage, 0, text.data(), size, nullptr, 0, nullptr, nullptr)),
        '\0');
    if (!out.empty())
        WideCharToMultiByte(codePage, 0, text.data(), size, out.data(), static_cast<int>(out.size()), nullptr,
                            usedDefault);
    return out;
}

}  // namespace

std::string AnsiFromUtf8(std::string_view utf8, bool* exact) {
    BOOL usedDefault = FALSE;
    std::string out = Narrow(CP_ACP, Wide(CP_UTF8, utf8), exact ? &usedDefault : nullptr);
    if (exact) *exact = !usedDefault;
    return out;
}

std::string Utf8FromAnsi(std::string_view ansi) { return Narrow(CP_UTF8, Wide(CP_ACP, ansi), nullptr); }

std::wstring WideFromUtf8(std::string_view utf8) { return Wide(CP_UTF8, utf8); }

std::string Utf8FromWide(std::wstring_view wide) { return Narrow(CP_UTF8, wide, nullptr); }

}  // namespace kavrel
