// The page's view: it must hand the page every change the window logic
// makes, and only the changes, since the page copies exactly what it is
// told.
#include "ui/web/page_texts.h"
#include "ui/web/web_view.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>

namespace kavrel {
namespace {

constexpr std::uint32_t Bit(Control box) { return std::uint32_t{1} << static_cast<unsigned>(box); }

class StoredLanguage final : public SettingsStore {
public:
    explicit StoredLanguage(std::string value) : value_(std::move(value)) {}
    std::string sGetINI(const std::string&, const std::string&, const std::string&, const std::string&) override {
        return value_;
    }
    void writeINI(const std::string&, const std::string&, const std::string&, const std::string& sValue) override {
        value_ = sValue;
    }
    const std::string& value() const { return value_; }

private:
    std::string value_;
};

TEST(WebView, StartsWithTheDesignTimeWindowAllToCopy) {
    WebView view;
    EXPECT_EQ(view.TakeChanged(), (std::uint64_t{1} << ControlCount) - 1);
    EXPECT_EQ(view.TakeChanged(), 0u);
    for (const ControlRow& row : KavrelControls) {
        EXPECT_EQ(view.Shown(row.id), row.text) << row.name;
        EXPECT_TRUE(view.Visible(row.id)) << row.name;
    }
    EXPECT_EQ(view.LanguageIndex(), -1);
    EXPECT_EQ(view.LanguageText(), "");
}

TEST(WebView, MarksWhatChangedAndNothingElse) {
    WebView view;
    view.TakeChanged();
    view.SetText(Control::Strana, KavrelControls[static_cast<std::size_t>(Control::Strana)].text);
    view.SetVisible(Control::Osibka, true);
    view.SetInput("123");
    EXPECT_EQ(view.TakeChanged(), 0u) << "the same text, the same visibility, the user's own input";
    EXPECT_EQ(view.Text(Control::ClickNomer), "123");

    view.SetText(Control::Strana, "Italy");
    view.SetVisible(Control::Osibka, false);
    view.SetText(Control::Strana, "Portugal");
    EXPECT_EQ(view.TakeChanged(), Bit(Control::Strana) | Bit(Control::Osibka));
    EXPECT_EQ(view.Shown(Control::Strana), "Portugal");
    EXPECT_FALSE(view.Visible(Control::Osibka));
}

TEST(WebView, TheLanguageListSelectsOnlyItsItems) {
    const struct {
        int index;
        int selected;
        const char* text;
    } rows[] = {{1, 1, "RUS"}, {1, 1, "RUS"}, {0, 0, "ENG"}, {2, -1, ""}, {-1, -1, ""}, {-7, -1, ""}, {0, 0, "ENG"}};
    WebView view;
    view.TakeChanged();
    int before = view.LanguageIndex();
    for (const auto& row : rows) {
        view.SetLanguageIndex(row.index);
        EXPECT_EQ(view.LanguageIndex(), row.selected) << row.index;
        EXPECT_EQ(view.LanguageText(), row.text) << row.index;
        EXPECT_EQ(view.TakeChanged(), row.selected != before ? Bit(Control::Languag) : 0u) << row.index;
        before = row.selected;
    }
}

TEST(WebView, ErrandsAreHandedOnceEach) {
    WebView view;
    view.ShowAbout();
    view.PrintClientArea();
    view.ShowAbout();
    EXPECT_EQ(view.TakeErrands(), ErrandShowAbout | ErrandPrint);
    EXPECT_EQ(view.TakeErrands(), 0u);
    view.OpenLink("http://x");
    EXPECT_EQ(view.TakeErrands(), std::uint32_t{ErrandOpenLink});
    EXPECT_EQ(view.Link(), "http://x");
}

// A keystroke copies only the result boxes it changed; a language change
// the captions, the results and the list.
TEST(WebView, UnderTheWindowLogicAKeystrokeChangesOnlyItsResults) {
    WebView view;
    StoredLanguage settings("1");
    KavrelForm form(view, settings, "kavrel.ini");
    form.Form_Load();
    view.TakeChanged();

    const struct {
        const char* input;
        std::uint32_t changed;
    } keys[] = {
        {"15700941", Bit(Control::SeriiniiNomer) | Bit(Control::Seria)},
        {"1570094", Bit(Control::SeriiniiNomer) | Bit(Control::Strana) | Bit(Control::Zavod) |
                        Bit(Control::DataKoda) | Bit(Control::Mesiac) | Bit(Control::God) | Bit(Control::Seria) |
                        Bit(Control::Osibka)},
        {"157009", 0},
    };
    for (const auto& key : keys) {
        view.SetInput(key.input);
        form.ClickNomer_Change();
        EXPECT_EQ(view.TakeChanged(), key.changed) << key.input;
    }
    EXPECT_EQ(view.Shown(Control::Strana), NotUsedRussian);

    view.SetLanguageIndex(0);
    form.Languag_Click();
    form.SaveLanguage();
    const std::uint32_t changed = view.TakeChanged();
    EXPECT_TRUE(changed & Bit(Control::Languag));
    EXPECT_TRUE(changed & Bit(Control::TextVvedite));
    EXPECT_TRUE(changed & Bit(Control::Strana));
    EXPECT_TRUE(changed & Bit(Control::Osibka)) << "still shown, its text in English now";
    EXPECT_FALSE(changed & Bit(Control::Text7));
    EXPECT_EQ(settings.value(), "0");
}

// The page finds each of its texts by name: a name given twice would hide
// the second row, an empty text would blank a control.
TEST(PageTexts, EachNameOnceEachTextInBothLanguages) {
    for (std::size_t i = 0; i < PageTexts.size(); ++i) {
        const PageText& text = PageTexts[i];
        EXPECT_FALSE(text.eng.empty() || text.rus.empty()) << text.name;
        EXPECT_NE(text.eng, text.rus) << text.name;
        for (std::size_t j = i + 1; j < PageTexts.size(); ++j) EXPECT_NE(text.name, PageTexts[j].name);
        EXPECT_EQ(PageTextFor(text.name, 0), text.eng);
        EXPECT_EQ(PageTextFor(text.name, -1), text.eng) << "no language chosen: English";
        EXPECT_EQ(PageTextFor(text.name, 1), text.rus);
    }
    EXPECT_EQ(PageTextFor("NoSuchText", 1), "");
    EXPECT_NE(PageTextFor("NoSuchText", 1).data(), nullptr) << "handed to the page as a C string";
}

}  // namespace
}  // namespace kavrel
