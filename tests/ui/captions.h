// The interface texts of both languages and the Russian renderings of the
// result texts, as the tests and the screenshot helper put them into the
// window to see that they fit. (The program's own tables live in lang/.)
#pragma once

#include <array>
#include <string_view>

namespace kavrel::test {

struct CaptionText {
    const char* box;
    std::string_view rus;
    std::string_view eng;
};

inline constexpr std::array<CaptionText, 14> CaptionTexts{{
    {"TextLanguag", "Язык", "Language"},
    {"TextOpredelenie", "Определение информации в серийном номере компрессоров марки \"Bitzer\"",
     "Information defection in serial number of compressors \"Bitzer\""},
    {"TextVnimanie",
     "Внимание : Серийный номер компрессоров \"Bitzer\" нигде на его корпусе, кроме как на шильде, не "
     "указывается. Смотрите только на шильдике !",
     "Attention  serial number of compressors \"Bitzer\" is indicated only on its nameplate . See the "
     "nameplate only  !"},
    {"TextPolucheno", "Полученная информация :", "The acquired information :"},
    {"TextVvedite", "Введите серийный номер :", "Enter the serial number  :"},
    {"TextPrimer", "Пример :", "Example :"},
    {"Osibka", "Ошибка ! Уточните серийный номер !", "Error !  Specify serial number !"},
    {"TextSeriiniiNomer", "Серийный номер :", "Serial number :"},
    {"TextStrana", "Страна, город :", "Country, city :"},
    {"TextZavod", "Завод изготовитель :", "Factory the manufacturer :"},
    {"TextGod", "Год изготовления :", "Year of manufacture :"},
    {"TextMesiac", "Месяц изготовления :", "Mouth of manufacture :"},
    {"TextSeria", "Порядковый номер :", "Order number :"},
    {"TextDataKoda", "Дата действия кода :", "Code valid date :"},
}};

// Russian result texts, the longest of each box among them.
inline constexpr std::array<std::string_view, 18> RussianResults{{
    "Не используется", "Германия, Зиндельфинген", "Германия, Роттенбург", "Германия, Хайльфинген",
    "Германия, Шкойдиц", "Португалия, Каштелу-Бранку", "Бразилия, Сан-Паулу", "Китай (новый)",
    "Китай (старый)", "ЮАР, Кейптаун", "Великобритания, Грейз", "США, Оаквуд", "Сентябрь",
    "Февраль", "Октябрь", "Декабрь", "До 01 сентября 2003 года", "С 01 сентября 2003 года",
}};

}  // namespace kavrel::test
