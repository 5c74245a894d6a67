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

inline constexpr std::array<PageText, 17> PageTexts{{
    // Reading the serial number from a photo of the nameplate.
    {"ReadPhoto", "Read from a photo", "Прочитать с фото"},
    {"ReadFetching", "Getting the reader ready…", "Подготовка чтения фото…"},
    {"ReadReading", "Reading the photo…", "Чтение фото…"},
    {"ReadCancel", "Cancel", "Отменить"},
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

    // A whole list: the menu item, and the word when its code is not here.
    {"List", "List", "Список"},
    {"ListOffline", "The list is not on this device yet. Connect to the network once and try again.",
     "Список ещё не загружен на это устройство. Подключитесь к сети и попробуйте снова."},

    // Sharing the decoded number.
    {"Share", "Share", "Поделиться"},
    {"ShareCopied", "The result and its link are copied to the clipboard.",
     "Результат и ссылка скопированы в буфер обмена."},
    // Either copy refused (no permission, or the page not in front).
    {"CopyRefused", "The browser did not allow copying to the clipboard.",
     "Браузер не разрешил копирование в буфер обмена."},
}};

// The text named `name` in `texts` for a language index of the language
// list (1 Russian, anything else English); empty for an unknown name. The
// text is a whole literal, so a zero follows it.
template <std::size_t N>
constexpr std::string_view TextFor(const std::array<PageText, N>& texts, std::string_view name, int language) {
    for (const PageText& text : texts) {
        if (text.name == name) return language == 1 ? text.rus : text.eng;
    }
    return "";
}

constexpr std::string_view PageTextFor(std::string_view name, int language) {
    return TextFor(PageTexts, name, language);
}

// The list view's own texts (its markup is list/list.html, its code is
// loaded when the view is first opened): kept apart from the page's, so
// that only the list's module holds them. The markup names them with
// data-list-text and data-list-label.
inline constexpr std::array<PageText, 27> ListTexts{{
    {"ListTitle", "A whole list of serial numbers", "Весь список серийных номеров"},
    {"ListBack", "Back to the window", "Назад к окну"},
    {"ListPaste", "Paste serial numbers here, one a line (a column from a spreadsheet)",
     "Вставьте сюда серийные номера, по одному в строке (столбец из таблицы)"},
    {"ListFile", "Open a text or CSV file", "Открыть текстовый файл или CSV"},
    {"ListDrop", "or drop the file on this page", "или перетащите файл на эту страницу"},
    {"ListProgress", "Decoded so far", "Расшифровано"},
    {"ListCancel", "Cancel", "Отменить"},
    {"ListCancelled", "Decoding cancelled.", "Расшифровка отменена."},
    {"ListNotText", "This file is not text. Choose a text or CSV file of serial numbers saved in UTF-8.",
     "Этот файл не текстовый. Выберите текстовый файл или CSV с серийными номерами в кодировке UTF-8."},
    {"ListTooLarge", "The file is too large to decode here. Split it, or decode it with kavrel-decode.",
     "Файл слишком велик для расшифровки здесь. Разделите его или расшифруйте программой kavrel-decode."},
    {"ListRows", "Rows:", "Строк:"},
    {"ListDecoded", "decoded in full:", "расшифровано полностью:"},
    {"ListFailed", "not decoded:", "не расшифровано:"},
    {"ListFailedOnly", "Show only the rows that failed", "Показать только нерасшифрованные"},
    {"ListCopy", "Copy as a table", "Копировать таблицей"},
    {"ListCsv", "Save CSV", "Сохранить CSV"},
    {"ListBom", "Byte-order mark in the CSV (for Excel)", "Метка порядка байтов в CSV (для Excel)"},
    {"ListJson", "Save JSON Lines", "Сохранить JSON Lines"},
    {"ListCopied", "Copied: paste it into a spreadsheet.", "Скопировано: вставьте в таблицу."},
    {"ListTable", "Decoded serial numbers", "Расшифрованные серийные номера"},
    {"ListLine", "Line", "Строка"},
    {"ListInput", "Input", "Введено"},
    {"ListReasons", "What failed", "Что не так"},
    {"ListReasonLength", "length", "длина"},
    {"ListReasonPlant", "plant", "завод"},
    {"ListReasonMonth", "month", "месяц"},
    {"ListReasonYear", "year", "год"},
}};

constexpr std::string_view ListTextFor(std::string_view name, int language) {
    return TextFor(ListTexts, name, language);
}

}  // namespace kavrel
