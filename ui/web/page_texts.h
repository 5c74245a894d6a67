// Texts of the page's own controls, which the desktop windows do not have
// (reading a photo, a whole list, sharing), in both languages. The page's
// first paint has the English ones, written in by kavrel_page; after a
// language change the script asks the module for each by its name.
#pragma once

#include <array>
#include <string_view>

namespace kavrel {

struct PageText {
    std::string_view name;  // the element's data-text (or data-label) in the page
    std::string_view eng;
    std::string_view rus;
};

inline constexpr std::array<PageText, 12> PageTexts{{
    // Reading the serial number from a photo of the nameplate.
    {"ReadPhoto", "Read from a photo", "Прочитать с фото"},
    {"ReadFetching", "Getting the reader ready…", "Подготовка чтения фото…"},
    {"ReadReading", "Reading the photo…", "Чтение фото…"},
    {"ReadCancel", "Cancel", "Отмена"},
    {"ReadFound", "Found on the photo:", "Найдено на фото:"},
    {"ReadPartly", "not decoded in full", "расшифрован не полностью"},
    {"ReadNothing", "No serial number found on the photo. Take a closer, sharper photo of the nameplate.",
     "Серийный номер на фото не найден. Сфотографируйте шильдик ближе и резче."},
    {"ReadNotPicture", "This file is not a picture. Choose a photo of the nameplate.",
     "Этот файл не изображение. Выберите фото шильдика."},
    {"ReadFailed", "The photo could not be read. Try another photo.",
     "Фото не удалось прочитать. Попробуйте другое фото."},
    {"ReadCancelled", "Reading cancelled.", "Чтение отменено."},
    {"ReadClose", "Close", "Закрыть"},
    {"ReadOffline", "The reader is not on this device yet. Connect to the network once and try again.",
     "Чтение фото ещё не загружено на это устройство. Подключитесь к сети и попробуйте снова."},
}};

// The text named `name` for a language index of the language list (1
// Russian, anything else English); empty for an unknown name. The text
// is a whole literal, so a zero follows it.
constexpr std::string_view PageTextFor(std::string_view name, int language) {
    for (const PageText& text : PageTexts) {
        if (text.name == name) return language == 1 ? text.rus : text.eng;
    }
    return "";
}

}  // namespace kavrel
