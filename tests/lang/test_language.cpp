// The language procedures over plain in-memory boxes, and the two text
// tables character for character.
#include "decode/decoder.h"
#include "decode/tables.h"
#include "lang/language.h"
#include "lang/texts.h"

#include <gtest/gtest.h>

#include <array>
#include <set>
#include <string>
#include <utility>
#include <vector>

namespace {

using namespace kavrel;

// Caption boxes that remember every write, in order.
class MemoryCaptions final : public CaptionBoxes {
public:
    MemoryCaptions() { texts.fill("design"); }
    void SetCaption(Caption box, std::string_view utf8) override {
        texts[static_cast<std::size_t>(box)] = std::string(utf8);
        writes.push_back(box);
    }
    const std::string& operator[](Caption box) const { return texts[static_cast<std::size_t>(box)]; }

    std::array<std::string, CaptionCount> texts;
    std::vector<Caption> writes;
};

class MemoryResults final : public ResultBoxes {
public:
    explicit MemoryResults(const std::string& all = "x") { texts.fill(all); }
    std::string Text(ResultBox box) const override { return texts[static_cast<std::size_t>(box)]; }
    void SetText(ResultBox box, std::string_view utf8) override {
        texts[static_cast<std::size_t>(box)] = std::string(utf8);
        ++writes;
    }
    std::string& operator[](ResultBox box) { return texts[static_cast<std::size_t>(box)]; }

    std::array<std::string, ResultBoxCount> texts;
    int writes = 0;
};

constexpr ResultBox kResultBoxes[] = {ResultBox::SeriiniiNomer, ResultBox::Strana, ResultBox::Zavod, ResultBox::God,
                                      ResultBox::Mesiac,        ResultBox::Seria,  ResultBox::DataKoda};

// ---- Interface texts --------------------------------------------------------

struct CaptionCase {
    Caption box;
    const char* russian;
    const char* english;
};

const CaptionCase kCaptions[] = {
    {Caption::TextLanguag, "Язык", "Language"},
    {Caption::TextOpredelenie, "Определение информации в серийном номере компрессоров марки \"Bitzer\"",
     "Information defection in serial number of compressors \"Bitzer\""},
    {Caption::TextVnimanie,
     "Внимание : Серийный номер компрессоров \"Bitzer\" нигде на его корпусе, кроме как на шильде, не "
     "указывается. Смотрите только на шильдике !",
     "Attention  serial number of compressors \"Bitzer\" is indicated only on its nameplate . See the nameplate "
     "only  !"},
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
};

// Both columns character for character, every box set once, in table order.
TEST(ApplyLanguage, EachColumnInTableOrder) {
    for (const bool russian : {true, false}) {
        MemoryCaptions boxes;
        ApplyLanguage(russian ? "RUS" : "ENG", boxes);
        ASSERT_EQ(boxes.writes.size(), std::size(kCaptions));
        for (std::size_t i = 0; i < std::size(kCaptions); ++i) {
            EXPECT_EQ(boxes.writes[i], kCaptions[i].box);
            EXPECT_EQ(boxes[kCaptions[i].box], russian ? kCaptions[i].russian : kCaptions[i].english);
        }
    }
}

// Only the exact texts of the two items select a language.
const char* const kNoLanguage[] = {"", "rus", "eng", "Rus", "RUS ", " ENG", "EN", "RU", "ENGL", "RUSENG", "0", "1"};

class NoLanguage : public ::testing::TestWithParam<const char*> {};

TEST_P(NoLanguage, CaptionsKeepTheirTexts) {
    MemoryCaptions boxes;
    ApplyLanguage("RUS", boxes);
    const auto before = boxes.texts;
    boxes.writes.clear();
    ApplyLanguage(GetParam(), boxes);
    EXPECT_TRUE(boxes.writes.empty());
    EXPECT_EQ(boxes.texts, before);
}

TEST_P(NoLanguage, ResultsKeepTheirTexts) {
    MemoryResults boxes("It is not used");
    boxes[ResultBox::Mesiac] = "May";
    const auto before = boxes.texts;
    TranslateResult(GetParam(), boxes);
    TranslateResult("ENG", boxes);  // English is the decoder's own
    EXPECT_EQ(boxes.writes, 0);
    EXPECT_EQ(boxes.texts, before);
}

INSTANTIATE_TEST_SUITE_P(Texts, NoLanguage, ::testing::ValuesIn(kNoLanguage));

// ---- Result translation -------------------------------------------------------

struct TranslationCase {
    ResultBox box;
    const char* english;
    const char* russian;
};

void PrintTo(const TranslationCase& c, std::ostream* os) {
    *os << "box " << static_cast<int>(c.box) << " \"" << c.english << '"';
}

const TranslationCase kTranslations[] = {
    {ResultBox::SeriiniiNomer, "It is not used", "Не используется"},
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
    {ResultBox::Strana, "It is not used", "Не используется"},
    {ResultBox::Zavod, "It is not used", "Не используется"},
    {ResultBox::God, "It is not used", "Не используется"},
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
    {ResultBox::Mesiac, "It is not used", "Не используется"},
    {ResultBox::Seria, "It is not used", "Не используется"},
    {ResultBox::DataKoda, "Till September, 1st, 2003", "До 01 сентября 2003 года"},
    {ResultBox::DataKoda, "Since September, 1st, 2003", "С 01 сентября 2003 года"},
    {ResultBox::DataKoda, "It is not used", "Не используется"},
};

bool IsEnglishOf(ResultBox box, std::string_view text) {
    for (const TranslationCase& c : kTranslations)
        if (c.box == box && text == c.english) return true;
    return false;
}

class Translation : public ::testing::TestWithParam<TranslationCase> {};

TEST_P(Translation, RowRendersItsOwnBoxOnly) {
    const TranslationCase& c = GetParam();
    MemoryResults boxes;
    boxes[c.box] = c.english;
    TranslateResult("RUS", boxes);
    for (ResultBox box : kResultBoxes) {
        EXPECT_EQ(boxes[box], box == c.box ? c.russian : "x");
    }

    // The same English text in a box that has no row for it stays as it is.
    for (ResultBox other : kResultBoxes) {
        if (IsEnglishOf(other, c.english)) continue;
        MemoryResults elsewhere;
        elsewhere[other] = c.english;
        TranslateResult("RUS", elsewhere);
        EXPECT_EQ(elsewhere[other], c.english) << "box " << static_cast<int>(other);
    }
}

INSTANTIATE_TEST_SUITE_P(Table, Translation, ::testing::ValuesIn(kTranslations));

// Whole-text, case-sensitive equality only.
const char* const kNearMisses[] = {"portugal",  "PORTUGAL", "Portugal ", " Portugal", "Portugal, Castelo",
                                   "Italy\n",   "italy",    "Deutschland,Sindelfingen", "China(new)",
                                   "It is not used ", "it is not used", ""};

class NearMiss : public ::testing::TestWithParam<const char*> {};

TEST_P(NearMiss, StranaStaysUnchanged) {
    MemoryResults boxes;
    boxes[ResultBox::Strana] = GetParam();
    TranslateResult("RUS", boxes);
    EXPECT_EQ(boxes[ResultBox::Strana], GetParam());
    EXPECT_EQ(boxes.writes, 0);
}

INSTANTIATE_TEST_SUITE_P(Texts, NearMiss, ::testing::ValuesIn(kNearMisses));

TEST(TranslateResult, TextsWithoutWordsStayAsTheyAre) {
    MemoryResults boxes;
    boxes[ResultBox::SeriiniiNomer] = "1065100088";
    boxes[ResultBox::God] = "1998";
    boxes[ResultBox::Seria] = "00088";
    boxes[ResultBox::Zavod] = "Bitzer Italia S.r.l.";
    const auto before = boxes.texts;
    TranslateResult("RUS", boxes);
    EXPECT_EQ(boxes.texts, before);
}

TEST(TranslateResult, TwiceEqualsOnce) {
    MemoryResults boxes("It is not used");
    boxes[ResultBox::Strana] = "Portugal, Castelo Branco";
    boxes[ResultBox::Mesiac] = "May";
    boxes[ResultBox::DataKoda] = "Since September, 1st, 2003";
    TranslateResult("RUS", boxes);
    const auto once = boxes.texts;
    const int writes = boxes.writes;
    TranslateResult("RUS", boxes);
    EXPECT_EQ(boxes.texts, once);
    EXPECT_EQ(boxes.writes, writes);
    EXPECT_EQ(boxes[ResultBox::Strana], "Португалия, Каштелу-Бранку");
}

// ---- The tables themselves ---------------------------------------------------

// Every place, month and date text that the decoder can write has a row in
// its own box, so no result of a Russian window stays English by accident.
TEST(Tables, EveryDecoderTextHasARussianRow) {
    std::set<std::pair<ResultBox, std::string_view>> rows;
    for (const TranslationRow& row : TranslationTable) rows.insert({row.box, row.english});
    for (const auto* table : {&PlantTable8, &PlantTable10}) {
        for (const PlantRow& plant : *table) {
            EXPECT_EQ(rows.count({ResultBox::Strana, plant.strana}), 1u) << plant.strana;
            EXPECT_EQ(rows.count({ResultBox::DataKoda, plant.dataKoda}), 1u) << plant.dataKoda;
        }
    }
    for (const MonthRow& month : MonthTable) EXPECT_EQ(rows.count({ResultBox::Mesiac, month.name}), 1u);
    for (ResultBox box : kResultBoxes) EXPECT_EQ(rows.count({box, NotUsed}), 1u);
}

// A Latin look-alike ("C" for "С") reads right on screen, in the table and
// in any test copied from it.
bool HasLatinLetter(std::string_view text) {
    for (const char ch : text)
        if ((ch >= 'A' && ch <= 'Z') || (ch >= 'a' && ch <= 'z')) return true;
    return false;
}

TEST(Tables, RussianTextsHoldNoLatinLetters) {
    for (const TranslationRow& row : TranslationTable) EXPECT_FALSE(HasLatinLetter(row.russian)) << row.russian;
    for (const CaptionRow& row : InterfaceTexts) {
        std::string text(row.russian);
        for (std::size_t at; (at = text.find("Bitzer")) != std::string::npos;) text.erase(at, 6);
        EXPECT_FALSE(HasLatinLetter(text)) << row.russian;
    }
}

}  // namespace
