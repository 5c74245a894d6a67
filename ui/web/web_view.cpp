#include "ui/web/web_view.h"

namespace kavrel {

WebView::WebView() {
    for (const ControlRow& row : KavrelControls) texts_[Index(row.id)] = row.text;
    visible_.fill(true);
    // The page has been handed nothing yet.
    takenVisible_.fill(false);
    takenLanguage_ = -2;
    changed_ = static_cast<std::uint32_t>((std::uint64_t{1} << ControlCount) - 1);
}

void WebView::SetInput(std::string_view utf8) { texts_[Index(Control::ClickNomer)] = utf8; }

std::uint32_t WebView::TakeChanged() {
    std::uint32_t changed = 0;
    for (std::size_t i = 0; i < ControlCount; ++i) {
        if (!(changed_ & (std::uint32_t{1} << i))) continue;
        const bool differs = i == Index(Control::Languag)
                                 ? language_ != takenLanguage_
                                 : texts_[i] != takenTexts_[i] || visible_[i] != takenVisible_[i];
        if (!differs) continue;
        changed |= std::uint32_t{1} << i;
        takenTexts_[i] = texts_[i];
        takenVisible_[i] = visible_[i];
    }
    takenLanguage_ = language_;
    changed_ = 0;
    return changed;
}

std::uint32_t WebView::TakeErrands() {
    const std::uint32_t errands = errands_;
    errands_ = 0;
    return errands;
}

void WebView::SetText(Control box, std::string_view utf8) {
    std::string& text = texts_[Index(box)];
    if (text == utf8) return;
    text = utf8;
    Mark(box);
}

void WebView::SetVisible(Control box, bool visible) {
    if (visible_[Index(box)] == visible) return;
    visible_[Index(box)] = visible;
    Mark(box);
}

void WebView::SetLanguageIndex(int index) {
    // The list holds its items and nothing else: any other index selects
    // nothing, as a list does.
    const int selected = index >= 0 && static_cast<std::size_t>(index) < LanguageItems.size() ? index : -1;
    if (language_ == selected) return;
    language_ = selected;
    Mark(Control::Languag);
}

std::string WebView::LanguageText() const {
    return language_ < 0 ? std::string() : std::string(LanguageItems[static_cast<std::size_t>(language_)]);
}

}  // namespace kavrel
