#include "lang/language.h"

#include <cstddef>

namespace kavrel {

void ApplyLanguage(std::string_view languageText, CaptionBoxes& boxes) {
    // Two independent tests, as a language text selects at most one column.
    if (languageText == LanguageRus) {
        for (const CaptionRow& row : InterfaceTexts) boxes.SetCaption(row.box, row.russian);
    }
    if (languageText == LanguageEng) {
        for (const CaptionRow& row : InterfaceTexts) boxes.SetCaption(row.box, row.english);
    }
}

void TranslateResult(std::string_view languageText, ResultBoxes& boxes) {
    if (languageText != LanguageRus) return;
    // Each row tests its box's current text, after the rows before it.
    for (const TranslationRow& row : TranslationTable) {
        if (boxes.TextEquals(row.box, row.english)) boxes.SetText(row.box, row.russian);
    }
}

void CaptionTexts::SetCaption(Caption box, std::string_view utf8) { texts_[static_cast<std::size_t>(box)].assign(utf8); }

}  // namespace kavrel
