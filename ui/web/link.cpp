#include "ui/web/link.h"


namespace kavrel {
namespace {

constexpr std::string_view kLanguageKey = "lang=";

int HexValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

// %XX as its byte; a '%' not followed by two hex digits stays as it is.
std::string PercentDecoded(std::string_view text) {
    std::string out;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '%' && i + 2 < text.size() && HexValue(text[i + 1]) >= 0 && HexValue(text[i + 2]) >= 0) {
            out += static_cast<char>(HexValue(text[i + 1]) * 16 + HexValue(text[i + 2]));
            i += 2;
        } else {
            out += text[i];
        }
    }
    return out;
}

int LanguageNamed(std::string_view name) {
    for (std::size_t i = 0; i < PageLanguages.size(); ++i) {
        if (PageLanguages[i] == name) return static_cast<int>(i);
    }
    return -1;
}

}  // namespace

Link ReadFragment(std::string_view fragment) {
    if (!fragment.empty() && fragment[0] == '#') fragment.remove_prefix(1);
    Link link;
    for (bool first = true; !fragment.empty() || first; first = false) {
        const std::size_t amp = fragment.find('&');
        const std::string_view part = fragment.substr(0, amp);
        fragment = amp == std::string_view::npos ? std::string_view() : fragment.substr(amp + 1);
        if (part.substr(0, kLanguageKey.size()) == kLanguageKey) {
            const int named = LanguageNamed(part.substr(kLanguageKey.size()));
            if (named >= 0) link.language = named;
        } else if (first && !part.empty()) {
            link.hasSerial = true;
            link.serial = PercentDecoded(part);
        }
    }
    return link;
}

std::string FragmentFor(std::string_view serial, int language) {
    constexpr char hex[] = "0123456789ABCDEF";
    std::string out;
    for (const char c : serial) {
        const auto b = static_cast<unsigned char>(c);
        const bool plain = (b >= '0' && b <= '9') || (b >= 'a' && b <= 'z') || (b >= 'A' && b <= 'Z') ||
                           b == '-' || b == '.' || b == '_' || b == '~';
        if (plain) {
            out += c;
        } else {
            out += '%';
            out += hex[b >> 4];
            out += hex[b & 0xF];
        }
    }
    const bool named = language >= 0 && static_cast<std::size_t>(language) < PageLanguages.size();
    if (named) {
        if (!out.empty()) out += '&';
        out += kLanguageKey;
        out += PageLanguages[static_cast<std::size_t>(language)];
    }
    return out.empty() ? out : "#" + out;
}

std::string ShareText(const WebView& view, std::string_view address) {
    std::string text;
    // The results are the boxes of the table named by their captions.
    for (const NamedBy& named : CaptionNames) {
        if (Row(named.box).look != Look::Cell) continue;
        text += view.Shown(named.caption);
        text += ' ';
        text += view.Shown(named.box);
        text += '\n';
    }
    if (view.Visible(Control::Osibka)) {
        text += view.Shown(Control::Osibka);
        text += '\n';
    }
    text += address;
    text += '\n';
    return text;
}

}  // namespace kavrel
