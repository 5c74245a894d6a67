// The main window's behaviour against a recording fake view, without
// widgets: the load with its settings file, the key filter, the refresh
// sequence, language switching, About, printing's messages, the site lines
// and the closing. Runs in the Qt-free build and, cross-built, under Wine,
// where the settings go through the Win32 profile functions.
#include "form/kavrel_form.h"
#include "platform/settings.h"

#include <gtest/gtest.h>

#include <array>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

namespace kavrel {
namespace {

// The window as the behaviour sees it, built from the layout's design-time
// texts, with every call it receives written into a log.
class FakeView final : public KavrelView {
public:
    FakeView() {
        for (const ControlRow& row : KavrelControls) texts[row.id] = std::string(row.text);
    }

    std::string Text(Control box) const override { return texts.at(box); }
    void SetText(Control box, std::string_view utf8) override {
        texts[box] = std::string(utf8);
        log.push_back(std::string(Row(box).name) + "=" + std::string(utf8));
    }
    void SetVisible(Control box, bool visible) override {
        ASSERT_EQ(box, Control::Osibka);
        errorShown = visible;
        log.push_back(visible ? "show Osibka" : "hide Osibka");
    }
    int LanguageIndex() const override { return index; }
    void SetLanguageIndex(int i) override {
        index = i >= -1 && i < static_cast<int>(LanguageItems.size()) ? i : -1;
        log.push_back("select " + std::to_string(index));
    }
    std::string LanguageText() const override {
        return index < 0 ? std::string() : std::string(LanguageItems[static_cast<std::size_t>(index)]);
    }
    void ShowAbout() override {
        ++aboutShown;
        aboutOpen = true;
    }
    void CloseAbout() override {
        aboutOpen = false;
        log.push_back("close About");
    }
    void PrintClientArea() override { ++printed; }
    void ShowMessage(std::string_view text, std::string_view detail) override {
        messages.push_back(std::string(text) + "|" + std::string(detail));
    }
    void OpenLink(const std::string& address) override { opened.push_back(address); }

    // What the window shows: every box and the error line's state.
    std::map<Control, std::string> Shown() const {
        std::map<Control, std::string> all = texts;
        all[Control::Languag] = LanguageText() + (errorShown ? " error shown" : " error hidden");
        return all;
    }

    std::map<Control, std::string> texts;
    bool errorShown = true;
    int index = -1;
    int aboutShown = 0;
    bool aboutOpen = false;
    int printed = 0;
    std::vector<std::string> messages;
    std::vector<std::string> opened;
    std::vector<std::string> log;
};

// The settings file, recorded and passed on to the platform's own.
class RecordingSettings final : public SettingsStore {
public:
    explicit RecordingSettings(FakeView& view) : view_(view) {}
    std::string sGetINI(const std::string& file, const std::string& section, const std::string& key,
                        const std::string& fallback) override {
        view_.log.push_back("read " + section + "/" + key + " default " + fallback);
        return real_.sGetINI(file, section, key, fallback);
    }
    void writeINI(const std::string& file, const std::string& section, const std::string& key,
                  const std::string& value) override {
        view_.log.push_back("write " + section + "/" + key + "=" + value);
        real_.writeINI(file, section, key, value);
    }

private:
    FakeView& view_;
    ProfileSettings real_;
};

class KavrelFormTest : public ::testing::Test {
protected:
    void SetUp() override {
        folder_ = std::filesystem::temp_directory_path() /
                  ("kavrel-form-" + std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()));
        std::filesystem::remove_all(folder_);
        std::filesystem::create_directories(folder_);
    }
    void TearDown() override { std::filesystem::remove_all(folder_); }

    std::string SettingsFile() const { return (folder_ / "kavrel.ini").string(); }
    void WriteSettings(const std::string& contents) const {
        std::ofstream(SettingsFile(), std::ios::binary) << contents;
    }
    std::string ReadSettings() const {
        std::ifstream in(SettingsFile(), std::ios::binary);
        std::ostringstream all;
        all << in.rdbuf();
        return in ? all.str() : "(missing)";
    }
    std::string StoredLanguage() const { return sGetINI(SettingsFile(), "LANG", "LANG", "(none)"); }

    // A window loaded from this test's settings file.
    struct Window {
        FakeView view;
        RecordingSettings settings{view};
        KavrelForm form;
        explicit Window(const std::string& file) : form(view, settings, file) {}
    };
    std::unique_ptr<Window> Start() const {
        auto w = std::make_unique<Window>(SettingsFile());
        w->form.Form_Load();
        return w;
    }
    // The user types over the whole input, as every change does.
    static void Type(Window& w, const std::string& text) {
        w.view.texts[Control::ClickNomer] = text;
        w.form.ClickNomer_Change();
    }

private:
    std::filesystem::path folder_;
};

TEST_F(KavrelFormTest, FirstStartWithoutSettingsFile) {
    auto w = Start();
    EXPECT_EQ(w->view.index, 0);
    EXPECT_EQ(w->view.texts[Control::TextLanguag], "Language");
    EXPECT_EQ(w->view.texts[Control::ClickNomer], "15700940");
    EXPECT_EQ(w->form.Nomer, "15700940");
    EXPECT_EQ(w->view.texts[Control::Strana], "Deutschland, Sindelfingen");
    EXPECT_EQ(w->view.texts[Control::God], "1999");
    EXPECT_FALSE(w->view.errorShown);
    EXPECT_EQ(ReadSettings(), "(missing)");  // the load never writes
    w->form.Form_QueryUnload();
    EXPECT_EQ(StoredLanguage(), "0");
    const std::string file = ReadSettings();
    EXPECT_NE(file.find("[LANG]"), std::string::npos);
    EXPECT_NE(file.find("LANG=0"), std::string::npos);
}

// The load reads the index, selects it, and the selection runs the refresh
// sequence once inside the load; the load runs it once more. A stored -1
// selects nothing and raises nothing. Each refresh decodes into the seven
// results in the decoder's order, sets the error line, then the captions,
// then renders the results.
TEST_F(KavrelFormTest, LoadRunsTheRefreshSequenceInOrder) {
    WriteSettings("[LANG]\nLANG=1\n");
    auto w = Start();
    const std::vector<std::string>& log = w->view.log;
    ASSERT_GE(log.size(), 2u);
    EXPECT_EQ(log[0], "read LANG/LANG default 0");
    EXPECT_EQ(log[1], "select 1");
    std::vector<std::string> refresh{"SeriiniiNomer=15700940",
                                     "Strana=Deutschland, Sindelfingen",
                                     "Zavod=Bitzer Kuhlmaschinenbau GmbH",
                                     "DataKoda=Till September, 1st, 2003",
                                     "Mesiac=October",
                                     "God=1999",
                                     "Seria=0940",
                                     "hide Osibka"};
    for (const CaptionRow& row : InterfaceTexts)
        refresh.push_back(std::string(Row(ControlOf(row.box)).name) + "=" + std::string(row.russian));
    for (const char* russian : {"Strana=Германия, Зиндельфинген", "Mesiac=Октябрь", "DataKoda=До 01 сентября 2003 года"})
        refresh.push_back(russian);
    std::vector<std::string> twice(log.begin() + 2, log.end());
    std::vector<std::string> expected = refresh;
    expected.insert(expected.end(), refresh.begin(), refresh.end());
    EXPECT_EQ(twice, expected);

    WriteSettings("[LANG]\nLANG=-1\n");
    auto none = Start();
    std::vector<std::string> once(none->view.log.begin() + 1, none->view.log.end());
    EXPECT_EQ(once.front(), "select -1");
    EXPECT_EQ(std::vector<std::string>(once.begin() + 1, once.end()),
              std::vector<std::string>(refresh.begin(), refresh.begin() + 8));
}

// Whatever the file holds, the window loads; a value it cannot use starts
// it as a first start would. What is written back at closing is the index.
TEST_F(KavrelFormTest, StoredValues) {
    const struct {
        const char* file;
        int index;
    } rows[] = {
        {"[LANG]\nLANG=0\n", 0},         {"[LANG]\nLANG=1\n", 1},
        {"[lang]\n  Lang =  1  \n", 1},  {"[LANG]\nLANG=+1\n", 1},
        {"[LANG]\nLANG=-1\n", -1},       {"[LANG]\nLANG=\n", 0},
        {"[LANG]\nLANG=RUS\n", 0},       {"[LANG]\nLANG=2\n", 0},
        {"[LANG]\nLANG=-2\n", 0},        {"[LANG]\nLANG=65537\n", 0},
        {"[LANG]\nLANG=1.5\n", 0},       {"[LANG]\nLANG=1x\n", 0},
        {"[LANG]\nLANG=0x1\n", 0},       {"[Other]\nLANG=1\n", 0},
        {"\xff\xfe[LANG\x01\n=\n", 0},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.file);
        WriteSettings(row.file);
        auto w = Start();
        EXPECT_EQ(w->view.index, row.index);
        EXPECT_EQ(w->view.texts[Control::TextLanguag],
                  row.index == 1 ? "Язык" : row.index == 0 ? "Language" : "1Language");
        w->form.Form_QueryUnload();
        EXPECT_EQ(StoredLanguage(), std::to_string(row.index));
    }
}

TEST_F(KavrelFormTest, StoredLanguageIndexRule) {
    const std::pair<std::string_view, int> rows[] = {
        {"0", 0}, {"1", 1}, {"-1", -1}, {"+1", 1}, {"+", 0}, {"-", 0}, {"", 0}, {" 1", 0}, {"1 ", 0},
        {"01", 1}, {"-0", 0}, {"2", 0}, {"99999999999999999999", 0}, {std::string_view("1\0", 2), 0},
    };
    for (const auto& [stored, index] : rows) EXPECT_EQ(StoredLanguageIndex(stored), index) << stored;
}

// A stored -1: nothing selected, the design-time captions stay, the results
// stay in the decoder's English, and -1 is written back.
TEST_F(KavrelFormTest, NoLanguageStored) {
    WriteSettings("[LANG]\r\nLANG=-1\r\n");
    auto w = Start();
    EXPECT_EQ(w->view.LanguageText(), "");
    for (const ControlRow& row : KavrelControls) {
        const bool result = row.text.empty() && row.look == Look::Cell;
        if (!result && row.id != Control::Languag) {
            EXPECT_EQ(w->view.texts[row.id], row.text) << row.name;
        }
    }
    Type(*w, "1065100088");
    EXPECT_EQ(w->view.texts[Control::Mesiac], "November");
    Type(*w, "1");
    EXPECT_EQ(w->view.texts[Control::God], "It is not used");
    w->form.Form_QueryUnload();
    EXPECT_EQ(StoredLanguage(), "-1");
}

// Switching the language decodes afresh and shows exactly what a fresh
// start in that language shows.
TEST_F(KavrelFormTest, SwitchingEqualsFreshStart) {
    for (const std::string serial : {"15700940", "1065100088", "55700940", "12345678901", ""}) {
        SCOPED_TRACE(serial);
        WriteSettings("[LANG]\nLANG=1\n");
        auto russian = Start();
        Type(*russian, serial);
        WriteSettings("[LANG]\nLANG=0\n");
        auto w = Start();
        Type(*w, serial);
        const auto english = w->view.Shown();

        w->view.index = 1;
        w->form.Languag_Click();
        EXPECT_EQ(w->view.Shown(), russian->view.Shown());
        w->view.index = 0;
        w->form.Languag_Click();
        EXPECT_EQ(w->view.Shown(), english);
        EXPECT_NE(english, russian->view.Shown());
    }
}

// Russian results and captions; a valid number after an invalid one, and
// back, keeps nothing of the earlier decode.
TEST_F(KavrelFormTest, RussianAndNothingLeftOver) {
    WriteSettings("[LANG]\nLANG=1\n");
    auto w = Start();
    EXPECT_EQ(w->view.texts[Control::Mesiac], "Октябрь");
    EXPECT_EQ(w->view.texts[Control::Zavod], "Bitzer Kuhlmaschinenbau GmbH");
    EXPECT_EQ(w->view.texts[Control::Osibka], "Ошибка ! Уточните серийный номер !");
    Type(*w, "1");
    EXPECT_TRUE(w->view.errorShown);
    for (Control box : {Control::SeriiniiNomer, Control::Strana, Control::Zavod, Control::God, Control::Mesiac,
                        Control::Seria, Control::DataKoda})
        EXPECT_EQ(w->view.texts[box], "Не используется") << Row(box).name;
    Type(*w, "1065100088");
    EXPECT_FALSE(w->view.errorShown);
    EXPECT_EQ(w->view.texts[Control::Strana], "Германия, Роттенбург");
    EXPECT_EQ(w->view.texts[Control::Seria], "00088");
}

// The key filter: only digits and Backspace pass, a digit only while Nomer
// holds at most 15 characters (counted as a person counts them).
TEST(KeyFilter, Codes) {
    const struct {
        std::string nomer;
        int typed;
        int passed;
    } rows[] = {
        {"", '0', '0'},    {"", '9', '9'},  {"", '/', 0},  {"", ':', 0},  {"", 'a', 0},  {"", ' ', 0},
        {"", 13, 0},       {"", 27, 0},     {"", 3, 0},    {"", 22, 0},   {"", 24, 0},   {"", 127, 0},
        {"", 0x0416, 0},   {"", 0xFF11, 0}, {"", -1, 0},   {"", 8, 8},
        {std::string(15, '1'), '5', '5'},   {std::string(16, '1'), '5', 0}, {std::string(16, '1'), 8, 8},
        {std::string(40, '1'), 8, 8},       // a long paste can still be shortened
        {"ЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖ", '1', '1'},      // 15 characters in 30 bytes
        {"ЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖ", '1', 0},
    };
    FakeView view;
    RecordingSettings settings(view);
    KavrelForm form(view, settings, "unused.ini");
    for (const auto& row : rows) {
        form.Nomer = row.nomer;
        int code = row.typed;
        form.ClickNomer_KeyPress(code);
        EXPECT_EQ(code, row.passed) << "typed " << row.typed << " after " << row.nomer.size() << " bytes";
    }
    EXPECT_TRUE(view.log.empty());  // the filter decodes nothing
}

// Text typed in one go passes only where each character would, in turn.
TEST(KeyFilter, TypedInOneGo) {
    const struct {
        const char* nomer;
        const char* typed;
        bool taken;
    } rows[] = {
        {"157009", "40", true},           {"157009", "4x", false},           {"157009", "жж", false},
        {"12345678901234", "56", true},   {"12345678901234", "567", false},  {"", "", true},
        {"1234567890123456", "1", false},
    };
    FakeView view;
    RecordingSettings settings(view);
    KavrelForm form(view, settings, "unused.ini");
    for (const auto& row : rows) {
        form.Nomer = row.nomer;
        EXPECT_EQ(form.ClickNomer_TakesTyped(row.typed), row.taken) << row.nomer << " + " << row.typed;
    }
}

// Closing closes About before the file is written, and writes the choice
// whether or not it changed, leaving the rest of the file as it was.
TEST_F(KavrelFormTest, ClosingWritesTheChoice) {
    WriteSettings("; kept\n[Other]\nkey=value\n[LANG]\nLANG=0\n");
    auto w = Start();
    w->form.mnuAbout_Click();
    w->form.mnuAbout_Click();
    EXPECT_EQ(w->view.aboutShown, 2);  // the view shows the one window again
    w->view.index = 1;
    w->form.Languag_Click();
    w->view.log.clear();
    w->form.Form_QueryUnload();
    EXPECT_EQ(w->view.log, (std::vector<std::string>{"close About", "write LANG/LANG=1"}));
    EXPECT_FALSE(w->view.aboutOpen);
    EXPECT_EQ(sGetINI(SettingsFile(), "Other", "key", ""), "value");
#ifndef _WIN32
    EXPECT_EQ(ReadSettings(), "; kept\n[Other]\nkey=value\n[LANG]\nLANG=1\n");
#endif
    auto again = Start();
    EXPECT_EQ(again->view.LanguageText(), "RUS");
    again->form.Form_QueryUnload();
    EXPECT_EQ(StoredLanguage(), "1");
}

// When nothing was printed the window says so, in its language, and
// changes nothing else; a printed page says nothing.
TEST(Printing, Messages) {
    const struct {
        PrintFault fault;
        const char* language;
        const char* message;
    } rows[] = {
        {PrintFault::NoPrinter, "ENG", "Nothing was printed: no printer is set up on this computer."},
        {PrintFault::NoPrinter, "RUS", "Ничего не напечатано: на этом компьютере не настроен принтер."},
        {PrintFault::NoDefaultPrinter, "ENG", "Nothing was printed: no printer is chosen as the default printer."},
        {PrintFault::Stopped, "ENG", "Nothing was printed: the printer \"Office 2\" is stopped."},
        {PrintFault::Stopped, "RUS", "Ничего не напечатано: принтер \"Office 2\" остановлен."},
        {PrintFault::NotAccepting, "ENG", "Nothing was printed: the printer \"Office 2\" does not accept jobs."},
        {PrintFault::PageNotMade, "RUS", "Ничего не напечатано: не удалось подготовить страницу."},
        {PrintFault::NotTaken, "ENG", "Nothing was printed: the printer \"Office 2\" did not take the page."},
        {PrintFault::NotPrinted, "RUS", "Ничего не напечатано: принтер \"Office 2\" не смог напечатать страницу."},
    };
    for (const auto& row : rows) {
        FakeView view;
        RecordingSettings settings(view);
        KavrelForm form(view, settings, "unused.ini");
        view.index = std::string_view(row.language) == "RUS" ? 1 : 0;
        form.Print_Click();
        EXPECT_EQ(view.printed, 1);
        const auto before = view.Shown();
        form.PrintFinished({row.fault, "Office 2", "the server's words"});
        EXPECT_EQ(view.messages, std::vector<std::string>{std::string(row.message) + "|the server's words"});
        EXPECT_EQ(view.Shown(), before);
    }
    FakeView view;
    RecordingSettings settings(view);
    KavrelForm form(view, settings, "unused.ini");
    form.PrintFinished({PrintFault::None, "Office 2", ""});
    EXPECT_TRUE(view.messages.empty());
    view.index = -1;  // no language: English
    form.PrintFinished({PrintFault::NoPrinter, "", ""});
    EXPECT_EQ(view.messages, std::vector<std::string>{"Nothing was printed: no printer is set up on this computer.|"});
}

class FakeAbout final : public AboutView {
public:
    std::string Text(AboutControl box) const override { return texts.at(box); }
    void OpenLink(const std::string& address) override { opened.push_back(address); }
    std::map<AboutControl, std::string> texts;
    std::vector<std::string> opened;
};

// Both site lines open "http://" and the site's host; the About window's
// line opens what it reads at the click, blanks and all.
TEST(SiteLines, OpenTheirAddress) {
    FakeView view;
    RecordingSettings settings(view);
    KavrelForm form(view, settings, "unused.ini");
    form.www_Click();
    EXPECT_EQ(view.opened, std::vector<std::string>{"http://kavrel.example.org"});

    FakeAbout about;
    about.texts[AboutControl::About_Sait] = std::string(Row(AboutControl::About_Sait).text);
    About_Sait_Click(about);
    about.texts[AboutControl::About_Sait] = " other.example.net ";
    About_Sait_Click(about);
    EXPECT_EQ(about.opened, (std::vector<std::string>{"http://kavrel.example.org", "http:// other.example.net "}));
}

}  // namespace
}  // namespace kavrel
