// Writes the page's files from templates at build time, with everything
// that the core knows filled in: the texts the main window shows after a
// first load in English (the page's first paint, before its module runs),
// the About window's texts, the menu, the language items, the site
// addresses, and the places, sizes, fonts, looks and alignment of both
// windows' controls as CSS. The page's sources hold none of these.
//
//   kavrel_page TEMPLATE OUTPUT
//
// A template names what it wants as {{key}}; an unknown key fails the
// build. Texts are escaped for HTML in .html files and for JSON in
// .webmanifest files.
#include "ui/web/link.h"
#include "ui/web/page_texts.h"
#include "ui/web/web_view.h"

#include <array>
#include <cstdio>
#include <fstream>
#include <iostream>
#include <map>
#include <sstream>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace kavrel {
namespace {

// A first visit with nothing stored: the load's default.
class FirstVisit final : public SettingsStore {
public:
    std::string sGetINI(const std::string&, const std::string&, const std::string&,
                        const std::string& sdefault) override {
        return sdefault;
    }
    void writeINI(const std::string&, const std::string&, const std::string&, const std::string&) override {}
};

class AboutTexts final : public AboutView {
public:
    std::string Text(AboutControl box) const override { return std::string(Row(box).text); }
    void OpenLink(const std::string& address) override { link = address; }
    std::string link;
};

std::string Number(double value) {
    char text[32];
    std::snprintf(text, sizeof text, "%g", value);
    return text;
}

std::string CssColour(const Rgb& colour) {
    return "rgb(" + std::to_string(colour.red) + "," + std::to_string(colour.green) + "," + std::to_string(colour.blue) +
           ")";
}

std::string_view AlignCss(Align align) {
    switch (align) {
        case Align::Left: return "left";
        case Align::Centre: return "center";
        case Align::Right: return "right";
    }
    return "left";
}

std::string Place(int left, int top, int width, int height) {
    return "left:" + std::to_string(left) + "px;top:" + std::to_string(top) + "px;width:" + std::to_string(width) +
           "px;height:" + std::to_string(height) + "px";
}

// Rules whose declarations repeat are written once, for a list of
// selectors, in the order the declarations first appear.
class Rules {
public:
    void Add(std::string_view selector, std::string declarations) {
        for (auto& [body, selectors] : rules_) {
            if (body == declarations) {
                selectors += ",";
                selectors += selector;
                return;
            }
        }
        rules_.emplace_back(std::move(declarations), std::string(selector));
    }
    std::string Css() const {
        std::string css;
        for (const auto& [body, selectors] : rules_) css += selectors + "{" + body + "}\n";
        return css;
    }

private:
    std::vector<std::pair<std::string, std::string>> rules_;
};

std::string FontCss(const Font& font) {
    if (font.points == 0) return {};  // the dialog font: the page's own
    return "font-size:" + Number(font.points) + "pt;font-weight:" + (font.bold ? "700" : "400") + ";";
}

std::string Selector(std::string_view name) { return "#" + std::string(name); }

std::map<std::string, std::string> Values() {
    std::map<std::string, std::string> values;

    WebView view;
    FirstVisit settings;
    KavrelForm form(view, settings, "kavrel.ini");
    form.Form_Load();
    for (const ControlRow& row : KavrelControls) values[std::string(row.name)] = view.Shown(row.id);
    form.www_Click();
    values["www-href"] = view.Link();

    AboutTexts about;
    for (const AboutRow& row : AboutControls) values[std::string(row.name)] = row.text;
    About_Sait_Click(about);
    values["About_Sait-href"] = about.link;

    values["title"] = KavrelWindow.title;
    values["about-title"] = AboutWindow.title;
    for (const MenuItem& item : KavrelMenu) values["menu:" + std::string(item.name)] = item.caption;
    // The page's own controls, in the load's language.
    for (const PageText& text : PageTexts) {
        values["page:" + std::string(text.name)] = PageTextFor(text.name, view.LanguageIndex());
    }
    for (const PageText& text : ListTexts) {
        values["list:" + std::string(text.name)] = ListTextFor(text.name, view.LanguageIndex());
    }

    // The language list's items, as markup, each with the language its
    // texts are in.
    std::string options;
    for (std::size_t i = 0; i < LanguageItems.size(); ++i) {
        options += "<option data-lang=\"" + std::string(PageLanguages[i]) + "\">" + std::string(LanguageItems[i]) +
                   "</option>";
    }
    values["languages"] = options;
    values["Osibka-hidden"] = view.Visible(Control::Osibka) ? "" : "hidden";

    Rules wide, fonts;
    std::string red;
    for (const ControlRow& row : KavrelControls) {
        const std::string id = Selector(row.name);
        // One line stands in the middle of its box, inside the look's
        // border (--border); longer texts wrap from the top.
        wide.Add(id, Place(row.left, row.top, row.width, row.height) +
                         (row.lines == Lines::Wrap ? std::string(";white-space:pre-wrap")
                                                   : ";white-space:pre;line-height:calc(" + std::to_string(row.height) +
                                                         "px - 2 * var(--border))"));
        fonts.Add(id, FontCss(row.font) + "text-align:" + std::string(AlignCss(row.align)));
        red += row.ink == Ink::Red ? (red.empty() ? "" : ",") + id : "";
    }
    for (const AboutRow& row : AboutControls) {
        const std::string id = Selector(row.name);
        wide.Add(id, Place(row.left, row.top, row.width, row.height));
        fonts.Add(id, FontCss(row.font) + "text-align:" + std::string(AlignCss(row.align)));
    }
    values["wide"] = wide.Css();
    values["fonts"] = fonts.Css();
    values["ink:red"] = red;
    for (const auto& [look, name] :
         {std::pair{Look::Input, "input"}, {Look::Cell, "cell"}, {Look::Label, "label"}, {Look::List, "list"}}) {
        std::string selectors;
        for (const ControlRow& row : KavrelControls) {
            if (row.look == look) selectors += (selectors.empty() ? "" : ",") + Selector(row.name);
        }
        values[std::string("look:") + name] = selectors;
    }
    values["client-width"] = std::to_string(KavrelWindow.clientWidth) + "px";
    values["client-height"] = std::to_string(KavrelWindow.clientHeight) + "px";
    values["about-width"] = std::to_string(AboutWindow.clientWidth) + "px";
    values["about-height"] = std::to_string(AboutWindow.clientHeight) + "px";
    // The separator's two rows as the top and bottom borders of a box two
    // pixels high: borders stay sharp lines in print, where a painted
    // background is resampled.
    static_assert(Separator.size() == 2 && Separator[0].y == 0 && Separator[1].y == 1, "two rows at the top");
    values["separator"] = "height:2px;border-top:1px solid " + CssColour(Separator[0].colour) +
                          ";border-bottom:1px solid " + CssColour(Separator[1].colour);
    values["about-green"] = CssColour(AboutTitleGreen);
    return values;
}

std::string EscapedHtml(std::string_view text) {
    std::string out;
    for (const char c : text) {
        switch (c) {
            case '&': out += "&amp;"; break;
            case '<': out += "&lt;"; break;
            case '>': out += "&gt;"; break;
            case '"': out += "&quot;"; break;
            default: out += c;
        }
    }
    return out;
}

std::string EscapedJson(std::string_view text) {
    std::string out;
    for (const char c : text) {
        if (c == '"' || c == '\\') out += '\\';
        out += c;
    }
    return out;
}

bool EndsWith(std::string_view text, std::string_view end) {
    return text.size() >= end.size() && text.substr(text.size() - end.size()) == end;
}

}  // namespace
}  // namespace kavrel

int main(int argc, char** argv) {
    if (argc != 3) {
        std::cerr << "usage: kavrel_page TEMPLATE OUTPUT\n";
        return 2;
    }
    const std::string output = argv[2];
    std::ifstream in(argv[1], std::ios::binary);
    std::stringstream read;
    read << in.rdbuf();
    if (!in) {
        std::cerr << "kavrel_page: cannot read " << argv[1] << "\n";
        return 1;
    }
    const std::string source = read.str();
    const auto values = kavrel::Values();
    const bool html = kavrel::EndsWith(output, ".html");
    const bool json = kavrel::EndsWith(output, ".webmanifest");

    std::string page;
    for (std::size_t at = 0;;) {
        const std::size_t open = source.find("{{", at);
        if (open == std::string::npos) {
            page += source.substr(at);
            break;
        }
        const std::size_t close = source.find("}}", open);
        const std::string key = source.substr(open + 2, close == std::string::npos ? 0 : close - open - 2);
        const auto found = values.find(key);
        if (close == std::string::npos || found == values.end()) {
            std::cerr << argv[1] << ": unknown key {{" << key << "}}\n";
            return 1;
        }
        page += source.substr(at, open - at);
        const bool markup = key == "languages" || key == "Osibka-hidden";
        page += html && !markup ? kavrel::EscapedHtml(found->second)
                : json          ? kavrel::EscapedJson(found->second)
                                : found->second;
        at = close + 2;
    }
    std::ofstream out(output, std::ios::binary);
    out << page;
    if (!out.flush()) {
        std::cerr << "kavrel_page: cannot write " << output << "\n";
        return 1;
    }
    return 0;
}
