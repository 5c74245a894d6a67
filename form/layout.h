// The layouts of the two windows, as data: every control's name, role,
// place, look, font, alignment, read-only state, tab order and design-time
// text, the menu items, titles and client sizes. Both front ends build their
// windows by walking these tables, and the tests check the built windows
// against them. Positions and sizes are pixels at 96 dots per inch, from the
// top-left corner of the client area (under the menu bar).
#pragma once

#include "platform/site.h"

#include <array>
#include <cstddef>
#include <string_view>

namespace kavrel {

struct Rgb {
    int red, green, blue;
};

// The fonts the windows ask for: Arial with Cyrillic glyphs at a size in
// points, or (points 0) the system's default dialog font.
struct Font {
    double points;
    bool bold;
};
inline constexpr Font DialogFont{0, false};

enum class Align { Left, Centre, Right };

struct WindowFacts {
    std::string_view name;
    std::string_view title;
    int clientWidth, clientHeight;
};

// ---------------------------------------------------------------------------
// The main window, Kavrel.

inline constexpr WindowFacts KavrelWindow{"Kavrel", "Kavrel", 616, 392};

// The 25 controls, in tab order.
enum class Control {
    ClickNomer, TextSeriiniiNomer, SeriiniiNomer, Strana, TextStrana, Zavod, TextZavod, God, TextGod, Mesiac,
    TextMesiac, Seria, TextSeria, DataKoda, TextDataKoda, TextVvedite, TextPrimer, Text7, TextVnimanie,
    TextOpredelenie, Osibka, Languag, TextLanguag, TextPolucheno, www,
};
inline constexpr std::size_t ControlCount = 25;

// Label: plain text on the window's button face, no border. Cell: white,
// a one-pixel flat border. Input: white, a sunken border. List: the
// drop-down list of languages.
enum class Look { Input, Cell, Label, List };
enum class Lines { One, Wrap };
enum class Ink { WindowText, Red };

inline constexpr Font Regular{9.75, false};
inline constexpr Font Large{14.25, false};
inline constexpr Font Alarm{12, false};
inline constexpr Font Bold{9.75, true};

struct ControlRow {
    int tab;
    Control id;
    std::string_view name;
    std::string_view role;
    int left, top, width, height;
    Look look;
    Lines lines;
    Font font;
    Ink ink;
    Align align;
    bool readOnly;
    std::string_view text;  // what the window is built with
};

// The two multi-line design-time texts; their line breaks are CR LF.
inline constexpr std::string_view DesignOpredelenie =
    "1Определение информации в серийном номере \r\nкомпрессоров \"Bitzer\"\r\n";
inline constexpr std::string_view DesignVnimanie =
    "1Внимание : Серийный номер компрессоров Bitzer нигде \r\n"
    "на его корпусе, кроме как на шильде, не указывается. \r\n"
    "Смотрите только на шильдике !\r\n";

// Label and value cells of a result row overlap by one pixel so that they
// share a border line; the place of a row at top 312 stays empty.
inline constexpr std::array<ControlRow, ControlCount> KavrelControls = [] {
    using C = Control;
    constexpr Look In = Look::Input, Ce = Look::Cell, La = Look::Label, Li = Look::List;
    constexpr Lines One = Lines::One, Wrap = Lines::Wrap;
    constexpr Ink Txt = Ink::WindowText, Red = Ink::Red;
    constexpr Align L = Align::Left, Ctr = Align::Centre, R = Align::Right;
    constexpr bool RO = true, Ed = false;
    return std::array<ControlRow, ControlCount>{{
        // Tab Id                  Name                 Role                                        L    T    W   H  Look Lines Font     Ink   Align RO  Text
        {0,  C::ClickNomer,        "ClickNomer",        "input box for the serial number",        375,  48, 232, 28, In, One,  Large,   Txt,  Ctr, Ed, "15700940"},
        {1,  C::TextSeriiniiNomer, "TextSeriiniiNomer", "label of row 1",                           6, 186, 202, 19, Ce, One,  Regular, Txt,  L,   RO, "1Серийный номер :"},
        {2,  C::SeriiniiNomer,     "SeriiniiNomer",     "result: serial number",                  207, 186, 403, 19, Ce, One,  Regular, Txt,  L,   RO, ""},
        {3,  C::Strana,            "Strana",            "result: country, city",                  207, 207, 403, 19, Ce, One,  Regular, Txt,  L,   RO, ""},
        {4,  C::TextStrana,        "TextStrana",        "label of row 2",                           6, 207, 202, 19, Ce, One,  Regular, Txt,  L,   RO, "1Страна, город :"},
        {5,  C::Zavod,             "Zavod",             "result: factory",                        207, 228, 403, 19, Ce, One,  Regular, Txt,  L,   RO, ""},
        {6,  C::TextZavod,         "TextZavod",         "label of row 3",                           6, 228, 202, 19, Ce, One,  Regular, Txt,  L,   RO, "1Завод изготовитель :"},
        {7,  C::God,               "God",               "result: year of manufacture",            207, 249, 403, 19, Ce, One,  Regular, Txt,  L,   RO, ""},
        {8,  C::TextGod,           "TextGod",           "label of row 4",                           6, 249, 202, 19, Ce, One,  Regular, Txt,  L,   RO, "1Год изготовления :"},
        {9,  C::Mesiac,            "Mesiac",            "result: month of manufacture",           207, 270, 403, 19, Ce, One,  Regular, Txt,  L,   RO, ""},
        {10, C::TextMesiac,        "TextMesiac",        "label of row 5",                           6, 270, 202, 19, Ce, One,  Regular, Txt,  L,   RO, "1Месяц изготовления :"},
        {11, C::Seria,             "Seria",             "result: order number",                   207, 291, 403, 19, Ce, One,  Regular, Txt,  L,   RO, ""},
        {12, C::TextSeria,         "TextSeria",         "label of row 6",                           6, 291, 202, 19, Ce, One,  Regular, Txt,  L,   RO, "1Порядковый номер :"},
        {13, C::DataKoda,          "DataKoda",          "result: date from which the code is valid", 207, 333, 403, 19, Ce, One, Regular, Txt,  L, RO, ""},
        {14, C::TextDataKoda,      "TextDataKoda",      "label of row 7",                           6, 333, 202, 19, Ce, One,  Regular, Txt,  L,   RO, "1Дата действия кода :"},
        {15, C::TextVvedite,       "TextVvedite",       "prompt over the input box",              375,  24, 232, 16, La, One,  Regular, Txt,  Ctr, Ed, "1Введите серийный номер :"},
        {16, C::TextPrimer,        "TextPrimer",        "label of the example numbers",           375,  84, 232, 16, La, One,  Regular, Txt,  Ctr, RO, "1Пример :"},
        {17, C::Text7,             "Text7",             "the example numbers",                    375, 108, 232, 16, La, One,  Regular, Txt,  Ctr, RO, "15700940         1065100088"},
        {18, C::TextVnimanie,      "TextVnimanie",      "nameplate note, multi-line",               9,  81, 352, 70, La, Wrap, Regular, Txt,  L,   RO, DesignVnimanie},
        {19, C::TextOpredelenie,   "TextOpredelenie",   "title line, multi-line",                   9,  42, 352, 34, La, Wrap, Regular, Txt,  L,   RO, DesignOpredelenie},
        {20, C::Osibka,            "Osibka",            "error line, red",                        285, 162, 322, 19, La, One,  Alarm,   Red,  Ctr, RO, "1Ошибка ! Уточните серийный номер"},
        {21, C::Languag,           "Languag",           "language chooser (combo box)",           168,   9, 124, 21, Li, One,  DialogFont, Txt, L, Ed, ""},
        {22, C::TextLanguag,       "TextLanguag",       "label of the language chooser",           48,  12, 118, 19, La, One,  Regular, Txt,  R,   RO, "1Language"},
        {23, C::TextPolucheno,     "TextPolucheno",     "heading over the result table",            9, 162, 271, 19, La, One,  Regular, Txt,  R,   RO, "1Полученная информация :"},
        {24, C::www,               "www",               "web address line, bold",                 192, 366, 217, 16, La, One,  Bold,    Txt,  Ctr, RO, SiteHost},
    }};
}();

inline constexpr const ControlRow& Row(Control id) { return KavrelControls[static_cast<std::size_t>(id)]; }

constexpr bool InTabOrder() {
    for (std::size_t i = 0; i < KavrelControls.size(); ++i) {
        if (KavrelControls[i].tab != static_cast<int>(i) || KavrelControls[i].id != static_cast<Control>(i)) return false;
    }
    return true;
}
static_assert(InTabOrder(), "the rows stand in tab order, each at its control's place");

// The items of the language list, by index.
inline constexpr std::array<std::string_view, 2> LanguageItems{{"ENG", "RUS"}};

struct MenuItem {
    std::string_view name;
    std::string_view caption;
};
// The menu bar's two items, in order; they have no submenus.
inline constexpr std::array<MenuItem, 2> KavrelMenu{{{"Print", "Print"}, {"mnuAbout", "About"}}};

// The engraved separator under the menu bar: one-pixel rows across the
// whole client area, drawn on every repaint.
struct SeparatorRow {
    int y;
    Rgb colour;
};
inline constexpr std::array<SeparatorRow, 2> Separator{{{0, {128, 128, 128}}, {1, {255, 255, 255}}}};

inline constexpr Rgb ErrorRed{255, 0, 0};
inline constexpr Rgb CellWhite{255, 255, 255};

// For a screen reader, a result box, the input box, the example numbers
// and the language list are named by the caption beside them; every other
// box by its own text.
struct NamedBy {
    Control box;
    Control caption;
};
inline constexpr std::array<NamedBy, 10> CaptionNames{{
    {Control::ClickNomer, Control::TextVvedite},
    {Control::SeriiniiNomer, Control::TextSeriiniiNomer},
    {Control::Strana, Control::TextStrana},
    {Control::Zavod, Control::TextZavod},
    {Control::God, Control::TextGod},
    {Control::Mesiac, Control::TextMesiac},
    {Control::Seria, Control::TextSeria},
    {Control::DataKoda, Control::TextDataKoda},
    {Control::Text7, Control::TextPrimer},
    {Control::Languag, Control::TextLanguag},
}};

// ---------------------------------------------------------------------------
// The About window.

inline constexpr WindowFacts AboutWindow{"About", "About", 372, 341};

enum class AboutControl {
    Image1, About_Nazvanie, About_Versia, Shape1, About_Avtor_Rus, About_Adres_Rus, Text3, About_Adres_Eng,
    About_Milo, About_Sait, Text1, Text2,
};
inline constexpr std::size_t AboutControlCount = 12;

// Picture: the program icon stretched over the control. Frame: a one-pixel
// line in the window-text colour, transparent inside. Label and TextBox:
// read-only single lines without border; a label has an opaque background.
enum class AboutKind { Picture, Label, Frame, TextBox };

// Title: dark green on white. OnWhite: the system's text colour on white
// (for the frame, its line). System: the system's window colours.
enum class AboutInk { None, Title, OnWhite, System };

inline constexpr Font AboutWindowFont{8.25, false};
inline constexpr Font AboutTitleFont{14.25, true};
inline constexpr Rgb AboutPage{255, 255, 255};
inline constexpr Rgb AboutTitleGreen{0, 128, 0};

struct AboutRow {
    AboutControl id;
    std::string_view name;
    AboutKind kind;
    int left, top, width, height;
    Align align;
    Font font;
    AboutInk ink;
    int tab;  // -1: takes no focus
    std::string_view text;
};

inline constexpr std::string_view AboutMail = "E-mail: team@kavrel.example.org";
static_assert(AboutMail.substr(AboutMail.size() - SiteHost.size()) == SiteHost, "the mail line names the site's host");

// Top to bottom. The author lines stand above their addresses inside the
// frame, in the address column; the copyright lines have no room left
// inside the frame under the site line, so they follow it under the frame,
// centred on the same axis.
inline constexpr std::array<AboutRow, AboutControlCount> AboutControls = [] {
    using A = AboutControl;
    using K = AboutKind;
    constexpr Align L = Align::Left, Ctr = Align::Centre;
    constexpr Font W = AboutWindowFont, T = AboutTitleFont;
    constexpr AboutInk None = AboutInk::None, Green = AboutInk::Title, White = AboutInk::OnWhite,
                       Sys = AboutInk::System;
    return std::array<AboutRow, AboutControlCount>{{
        // Id                Name               Kind         L    T    W    H  Align Font Ink   Tab Text
        {A::Image1,          "Image1",          K::Picture, 24,   9,  55,  55, L,   W, None,  -1, ""},
        {A::About_Nazvanie,  "About_Nazvanie",  K::Label,  102,  12, 262,  25, Ctr, T, Green,  0, "Kavrel"},
        {A::About_Versia,    "About_Versia",    K::Label,  102,  48, 262,  16, Ctr, W, White,  2, "Version 2"},
        {A::Shape1,          "Shape1",          K::Frame,    6,  72, 361, 190, L,   W, White, -1, ""},
        {A::About_Avtor_Rus, "About_Avtor_Rus", K::TextBox, 12,  96, 349,  19, L,   W, Sys,    3, "Команда Kavrel"},
        {A::About_Adres_Rus, "About_Adres_Rus", K::TextBox, 12, 120, 349,  19, L,   W, Sys,    4, "Россия, Санкт-Петербург"},
        {A::Text3,           "Text3",           K::TextBox, 12, 156, 349,  19, L,   W, Sys,    9, "The Kavrel team"},
        {A::About_Adres_Eng, "About_Adres_Eng", K::Label,   12, 180, 349,  19, L,   W, White,  1, "Russia, Saint Petersburg"},
        {A::About_Milo,      "About_Milo",      K::TextBox, 12, 204, 310,  19, L,   W, Sys,    5, AboutMail},
        {A::About_Sait,      "About_Sait",      K::TextBox, 78, 231, 214,  19, Ctr, W, Sys,    6, SiteHost},
        {A::Text1,           "Text1",           K::TextBox, 12, 281, 346,  19, Ctr, W, Sys,    7, "© 2026 Команда Kavrel. Все права защищены."},
        {A::Text2,           "Text2",           K::TextBox, 12, 302, 346,  19, Ctr, W, Sys,    8, "© 2026 The Kavrel team. All rights reserved."},
    }};
}();

inline constexpr const AboutRow& Row(AboutControl id) { return AboutControls[static_cast<std::size_t>(id)]; }

constexpr bool InAboutOrder() {
    for (std::size_t i = 0; i < AboutControls.size(); ++i) {
        if (AboutControls[i].id != static_cast<AboutControl>(i)) return false;
    }
    return true;
}
static_assert(InAboutOrder(), "each row stands at its control's place");

}  // namespace kavrel
