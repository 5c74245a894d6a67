#include "form/kavrel_form.h"

#include "decode/decoder.h"
#include "lang/language.h"
#include "platform/settings.h"
#include "text/utf8.h"

#include <array>
#include <charconv>
#include <utility>

namespace kavrel {
namespace {

constexpr char SettingsSection[] = "LANG";
constexpr char SettingsKey[] = "LANG";
constexpr int Backspace = 8;
// A digit is refused once Nomer holds more than this many characters.
constexpr std::size_t MostBeforeDigit = 15;

// The language steps see the window's boxes through their own small
// interfaces.
constexpr std::array<Control, CaptionCount> CaptionControls{{
    Control::TextLanguag, Control::TextOpredelenie, Control::TextVnimanie, Control::TextPolucheno,
    Control::TextVvedite, Control::TextPrimer, Control::Osibka, Control::TextSeriiniiNomer, Control::TextStrana,
    Control::TextZavod, Control::TextGod, Control::TextMesiac, Control::TextSeria, Control::TextDataKoda,
}};
constexpr std::array<Control, ResultBoxCount> ResultControls{{
    Control::SeriiniiNomer, Control::Strana, Control::Zavod, Control::God, Control::Mesiac, Control::Seria,
    Control::DataKoda,
}};

class CaptionsOf final : public CaptionBoxes {
public:
    explicit CaptionsOf(KavrelView& view) : view_(view) {}
    void SetCaption(Caption box, std::string_view utf8) override {
        view_.SetText(ControlOf(box), utf8);
    }

private:
    KavrelView& view_;
};

class ResultsOf final : public ResultBoxes {
public:
    explicit ResultsOf(KavrelView& view) : view_(view) {}
    std::string Text(ResultBox box) const override { return view_.Text(At(box)); }
    void SetText(ResultBox box, std::string_view utf8) override { view_.SetText(At(box), utf8); }
    bool TextEquals(ResultBox box, std::string_view utf8) const override { return view_.TextEquals(At(box), utf8); }

private:
    static Control At(ResultBox box) { return ControlOf(box); }
    KavrelView& view_;
};

// The key filter's rule for one character code, given the number of
// characters Nomer holds.
int Filtered(int KeyAscii, std::size_t nomerLength) {
    if (KeyAscii == Backspace) return KeyAscii;
    if (KeyAscii > '9' || KeyAscii < '0') KeyAscii = 0;
    if (nomerLength > MostBeforeDigit) KeyAscii = 0;
    return KeyAscii;
}

}  // namespace

Control ControlOf(Caption caption) { return CaptionControls[static_cast<std::size_t>(caption)]; }

Control ControlOf(ResultBox result) { return ResultControls[static_cast<std::size_t>(result)]; }

std::string ProfileSettings::sGetINI(const std::string& sINIFile, const std::string& sSection,
                                     const std::string& sKey, const std::string& sdefault) {
    return kavrel::sGetINI(sINIFile, sSection, sKey, sdefault);
}

void ProfileSettings::writeINI(const std::string& sINIFile, const std::string& sSection, const std::string& sKey,
                               const std::string& sValue) {
    kavrel::writeINI(sINIFile, sSection, sKey, sValue);
}

int StoredLanguageIndex(std::string_view stored) {
    if (!stored.empty() && stored.front() == '+') stored.remove_prefix(1);
    int value = 0;
    const auto [end, error] = std::from_chars(stored.data(), stored.data() + stored.size(), value);
    if (stored.empty() || error != std::errc() || end != stored.data() + stored.size()) return 0;
    return value >= -1 && value <= 1 ? value : 0;
}

KavrelForm::KavrelForm(KavrelView& view, SettingsStore& settings, std::string file)
    : settingsFile(std::move(file)), view_(view), settings_(settings) {}

void KavrelForm::Form_Load() {
    const std::string stored = settings_.sGetINI(settingsFile, SettingsSection, SettingsKey, std::to_string(0));
    // Selecting an item raises the list's own handler; a stored -1 selects
    // nothing and so raises nothing.
    const int before = view_.LanguageIndex();
    view_.SetLanguageIndex(StoredLanguageIndex(stored));
    if (view_.LanguageIndex() != before) Languag_Click();
    Refresh();
}

void KavrelForm::Refresh() {
    RaschetNomer();
    ApplyLanguage();
    TranslateResult();
}

void KavrelForm::RaschetNomer() {
    Nomer = view_.Text(Control::ClickNomer);
    const DecodeResult result = Decode(Nomer);
    // In the order in which the decoder first writes them.
    view_.SetText(Control::SeriiniiNomer, result.SeriiniiNomer);
    view_.SetText(Control::Strana, result.Strana);
    view_.SetText(Control::Zavod, result.Zavod);
    view_.SetText(Control::DataKoda, result.DataKoda);
    view_.SetText(Control::Mesiac, result.Mesiac);
    view_.SetText(Control::God, result.God);
    view_.SetText(Control::Seria, result.Seria);
    view_.SetVisible(Control::Osibka, result.Osibka);
}

void KavrelForm::ApplyLanguage() {
    CaptionsOf captions(view_);
    kavrel::ApplyLanguage(view_.LanguageText(), captions);
}

void KavrelForm::TranslateResult() {
    ResultsOf results(view_);
    kavrel::TranslateResult(view_.LanguageText(), results);
}

void KavrelForm::ClickNomer_KeyPress(int& KeyAscii) const { KeyAscii = Filtered(KeyAscii, CharacterCount(Nomer)); }

bool KavrelForm::ClickNomer_TakesTyped(std::string_view utf8) const {
    std::size_t length = CharacterCount(Nomer);
    for (std::size_t pos = 0; pos < utf8.size();) {
        const Utf8Char c = NextUtf8Char(utf8, pos);
        // Every character that is not one ASCII byte is refused anyway.
        const int code = c.length == 1 ? static_cast<unsigned char>(utf8[pos]) : -1;
        if (Filtered(code, length) == 0) return false;
        ++length;
        pos += c.length;
    }
    return true;
}

void KavrelForm::ClickNomer_Change() { Refresh(); }

void KavrelForm::Languag_Click() { Refresh(); }

void KavrelForm::Print_Click() { view_.PrintClientArea(); }

void KavrelForm::PrintFinished(const PrintOutcome& outcome) {
    if (outcome.fault == PrintFault::None) return;
    view_.ShowMessage(NothingPrintedText(outcome, view_.LanguageText()), outcome.detail);
}

void KavrelForm::mnuAbout_Click() { view_.ShowAbout(); }

void KavrelForm::www_Click() { view_.OpenLink("http://" + std::string(SiteHost)); }

void KavrelForm::Form_QueryUnload() {
    view_.CloseAbout();
    SaveLanguage();
}

void KavrelForm::SaveLanguage() {
    settings_.writeINI(settingsFile, SettingsSection, SettingsKey, std::to_string(view_.LanguageIndex()));
}

void About_Sait_Click(AboutView& view) { view.OpenLink("http://" + view.Text(AboutControl::About_Sait)); }

}  // namespace kavrel
