// The two text tables of the interface languages.
//
// InterfaceTexts holds the fourteen captions of the main window in Russian
// and English; TranslationTable pairs each English result text that the
// decoder writes with its Russian rendering, per result box. Every text is
// used exactly as it stands (spaces, capitals and odd wording included), and
// both tables are applied row by row in the order given here.
#pragma once

#include <array>
#include <cstddef>
#include <string_view>

namespace kavrel {

// The main window's caption boxes, in the order in which their texts are set.
enum class Caption {
    TextLanguag,
    TextOpredelenie,
    TextVnimanie,
    TextPolucheno,
    TextVvedite,
    TextPrimer,
    Osibka,
    TextSeriiniiNomer,
    TextStrana,
    TextZavod,
    TextGod,
    TextMesiac,
    TextSeria,
    TextDataKoda,
};
inline constexpr std::size_t CaptionCount = 14;

// The seven result boxes, in the order of the window's result table.
enum class ResultBox { SeriiniiNomer, Strana, Zavod, God, Mesiac, Seria, DataKoda };
inline constexpr std::size_t ResultBoxCount = 7;

// The language texts of the combo box that select a language.
inline constexpr std::string_view LanguageRus = "RUS";
inline constexpr std::string_view LanguageEng = "ENG";

struct CaptionRow {
    Caption box;
    std::string_view russian;
    std::string_view english;
};

inline constexpr std::array<CaptionRow, CaptionCount> InterfaceTexts{{
    {Caption::TextLanguag, "Язык", "Language"},
    {Caption::TextOpredelenie, "Определение информации в серийном номере компрессоров марки \"Bitzer\"",
     "Information defection in serial number of compressors \"Bitzer\""},
    {Caption::TextVnimanie,
     "Внимание : Серийный номер компрессоров \"Bitzer\" нигде на его корпусе, кроме как на шильде, не указывается. "
     "Смотрите только на шильдике !",
     "Attention  serial number of compressors \"Bitzer\" is indicated only on its nameplate . See the nameplate only  !"},
    {Caption::TextPolucheno, "Полученная информация :", "The acquired information :"},
    {Caption::TextVvedite, "Введите серийный номер :", "Enter the serial number  :"},
    {Caption::TextPrimer, "Пример :", "Example :"},
    {Caption::Osibka, "Ошибка ! Уточните серийный номер !", "Error !  Specify serial number !"},
    {Caption::TextSeriiniiNomer, "Серийный номер :", "Serial number :"},
    {Caption::TextStrana, "Страна, город :", "Country, city :"},
    {Caption::TextZavod, "Завод изготовитель :", "Factory the manufacturer :"},
    {Caption::TextGod, "Год изготовления :", "Year of manufacture :"},
    {Caption::TextMesiac, "Месяц изготовления :", "Mouth of manufacture :"},
    {Caption::TextSeria, "Порядковый номер :", "Order number :"},
    {Caption::TextDataKoda, "Дата действия кода :", "Code valid date :"},
}};

struct TranslationRow {
    ResultBox box;
    std::string_view english;
    std::string_view russian;
};

inline constexpr std::string_view NotUsedRussian = "Не используется";

inline constexpr std::array<TranslationRow, 34> TranslationTable{{
    {ResultBox::SeriiniiNomer, "It is not used", NotUsedRussian},
    {ResultBox::Strana, "Deutschland, Sindelfingen", "Германия, Зиндельфинген"},
    {ResultBox::Strana, "Deutschland, Rottenburg", "Германия, Роттенбург"},
    {ResultBox::Strana, "Deutschland, Hailfingen", "Германия, Хайльфинген"},
    {ResultBox::Strana, "Deutschland, Schkeuditz", "Германия, Шкойдиц"},
    {ResultBox::Strana, "Portugal", "Португалия"},
    {ResultBox::Strana, "Portugal, Castelo Branco", "Португалия, Каштелу-Бранку"},
    {ResultBox::Strana, "Brazil, San Paulo", "Бразилия, Сан-Паулу"},
    {ResultBox::Strana, "China (new)", "Китай (новый)"},
    {ResultBox::Strana, "China (old)", "Китай (старый)"},
    {ResultBox::Strana, "Republic of South Africa, Cape Town", "ЮАР, Кейптаун"},
    {ResultBox::Strana, "Italy", "Италия"},
    {ResultBox::Strana, "Great Britain, Grays", "Великобритания, Грейз"},
    {ResultBox::Strana, "The USA, Oakwood", "США, Оаквуд"},
    {ResultBox::Strana, "It is not used", NotUsedRussian},
    {ResultBox::Zavod, "It is not used", NotUsedRussian},
    {ResultBox::God, "It is not used", NotUsedRussian},
    {ResultBox::Mesiac, "January", "Январь"},
    {ResultBox::Mesiac, "February", "Февраль"},
    {ResultBox::Mesiac, "March", "Март"},
    {ResultBox::Mesiac, "April", "Апрель"},
    {ResultBox::Mesiac, "May", "Май"},
    {ResultBox::Mesiac, "June", "Июнь"},
    {ResultBox::Mesiac, "July", "Июль"},
    {ResultBox::Mesiac, "August", "Август"},
    {ResultBox::Mesiac, "September", "Сентябрь"},
    {ResultBox::Mesiac, "October", "Октябрь"},
    {ResultBox::Mesiac, "November", "Ноябрь"},
    {ResultBox::Mesiac, "December", "Декабрь"},
    {ResultBox::Mesiac, "It is not used", NotUsedRussian},
    {ResultBox::Seria, "It is not used", NotUsedRussian},
    {ResultBox::DataKoda, "Till September, 1st, 2003", "До 01 сентября 2003 года"},
    {ResultBox::DataKoda, "Since September, 1st, 2003", "С 01 сентября 2003 года"},
    {ResultBox::DataKoda, "It is not used", NotUsedRussian},
}};

}  // namespace kavrel
