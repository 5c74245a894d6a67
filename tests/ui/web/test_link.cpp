// Links to a decode: the fragment read, the fragment written for an input,
// and the text a share hands on.
#include "ui/web/link.h"

#include <gtest/gtest.h>

#include <random>
#include <string>

namespace {

using kavrel::FragmentFor;
using kavrel::ReadFragment;

TEST(Link, ReadFromTheFragment) {
    const struct {
        std::string fragment;
        bool hasSerial;
        std::string serial;
        int language;
    } cases[] = {
        {"", false, "", -1},
        {"#", false, "", -1},
        {"#1065100088", true, "1065100088", -1},
        {"1065100088&lang=ru", true, "1065100088", 1},
        {"#15700940&lang=en", true, "15700940", 0},
        {"#lang=ru", false, "", 1},
        {"#&lang=ru", false, "", 1},
        {"#abc", true, "abc", -1},
        {"#10651%2000%2088", true, "10651 00 88", -1},
        {"#%D0%96%d0%b6", true, "Жж", -1},
        {"#%zz%4", true, "%zz%4", -1},
        {"#%00", true, std::string(1, '\0'), -1},
        {"#12&lang=de", true, "12", -1},
        {"#12&lang=RU", true, "12", -1},
        {"#12&x=1&lang=ru&", true, "12", 1},
        {"#12&lang=ru&lang=en", true, "12", 0},
        {"#lang%3Dru", true, "lang=ru", -1},
        {"#1+2", true, "1+2", -1},
    };
    for (const auto& c : cases) {
        const kavrel::Link link = ReadFragment(c.fragment);
        EXPECT_EQ(link.hasSerial, c.hasSerial) << c.fragment;
        EXPECT_EQ(link.serial, c.serial) << c.fragment;
        EXPECT_EQ(link.language, c.language) << c.fragment;
    }
}

TEST(Link, FragmentForAnInput) {
    EXPECT_EQ(FragmentFor("1065100088", -1), "#1065100088");
    EXPECT_EQ(FragmentFor("1065100088", 1), "#1065100088&lang=ru");
    EXPECT_EQ(FragmentFor("", -1), "");
    EXPECT_EQ(FragmentFor("", 0), "#lang=en");
    EXPECT_EQ(FragmentFor("10 651&lang=en#", 7), "#10%20651%26lang%3Den%23");
    EXPECT_EQ(FragmentFor("Ж-._~", -1), "#%D0%96-._~");
}

// Whatever the bytes, the fragment written reads back as the same input.
TEST(Link, ReadsBackWhatItWrites) {
    std::mt19937 rng(4242);
    for (int round = 0; round < 500; ++round) {
        std::string serial(rng() % 12, '\0');
        for (char& c : serial) c = static_cast<char>(rng() % 256);
        const int language = static_cast<int>(rng() % 3) - 1;
        const kavrel::Link link = ReadFragment(FragmentFor(serial, language));
        EXPECT_EQ(link.hasSerial, !serial.empty());
        EXPECT_EQ(link.serial, serial);
        EXPECT_EQ(link.language, language);
    }
}

class NothingStored final : public kavrel::SettingsStore {
public:
    std::string sGetINI(const std::string&, const std::string&, const std::string&, const std::string& d) override {
        return d;
    }
    void writeINI(const std::string&, const std::string&, const std::string&, const std::string&) override {}
};

// The window's table as it shows a number, as kavrel-decode writes it.
TEST(Link, ShareText) {
    kavrel::WebView view;
    NothingStored settings;
    kavrel::KavrelForm form(view, settings, "kavrel.ini");
    form.Form_Load();
    view.SetLanguageIndex(1);
    form.Languag_Click();
    view.SetInput("1065100088");
    form.ClickNomer_Change();
    EXPECT_EQ(kavrel::ShareText(view, "https://kavrel.example.org/#1065100088"),
              "Серийный номер : 1065100088\n"
              "Страна, город : Германия, Роттенбург\n"
              "Завод изготовитель : Bitzer Kuhlmaschinenbau GmbH\n"
              "Год изготовления : 2003\n"
              "Месяц изготовления : Ноябрь\n"
              "Порядковый номер : 00088\n"
              "Дата действия кода : С 01 сентября 2003 года\n"
              "https://kavrel.example.org/#1065100088\n");
    // Not decoded in full: the error line before the link.
    view.SetLanguageIndex(0);
    form.Languag_Click();
    view.SetInput("1570");
    form.ClickNomer_Change();
    const std::string text = kavrel::ShareText(view, "http://127.0.0.1/#1570");
    EXPECT_EQ(text.substr(0, text.find('\n')), "Serial number : It is not used");
    const std::string end = "\nError !  Specify serial number !\nhttp://127.0.0.1/#1570\n";
    EXPECT_EQ(text.substr(text.size() - end.size()), end);
}

}  // namespace
