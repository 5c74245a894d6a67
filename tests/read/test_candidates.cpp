// Readings found in the engine's words, and how candidates rank.
#include "read/candidates.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using namespace kavrel;

// Words laid out left to right on their lines, 20 px a character, 30 px high.
struct Line {
    std::vector<std::string> words;
    double confidence = 90;
    int gap = 15;  // between words
};

std::vector<OcrWord> Words(const std::vector<Line>& lines) {
    std::vector<OcrWord> out;
    int n = 0;
    for (const Line& l : lines) {
        ++n;
        int x = 10;
        int k = 0;
        for (const std::string& t : l.words) {
            OcrWord w;
            w.block = 1, w.paragraph = 1, w.line = n, w.word = ++k;
            w.left = x, w.top = 40 * n, w.width = 20 * static_cast<int>(t.size()), w.height = 30;
            w.confidence = l.confidence;
            w.text = t;
            x += w.width + l.gap;
            out.push_back(w);
        }
    }
    return out;
}

struct Found {
    std::string digits;
    bool label, against, joined;
    int letters;
};

struct FindCase {
    const char* name;
    std::vector<Line> lines;
    std::vector<Found> found;
};

void PrintTo(const FindCase& c, std::ostream* os) { *os << c.name; }

class Find : public ::testing::TestWithParam<FindCase> {};

TEST_P(Find, Readings) {
    const FindCase& c = GetParam();
    const std::vector<Reading> r = FindReadings(Words(c.lines));
    ASSERT_EQ(r.size(), c.found.size());
    for (std::size_t i = 0; i < r.size(); ++i) {
        EXPECT_EQ(r[i].digits, c.found[i].digits) << i;
        EXPECT_EQ(r[i].label, c.found[i].label) << i;
        EXPECT_EQ(r[i].against, c.found[i].against) << i;
        EXPECT_EQ(r[i].joined, c.found[i].joined) << i;
        EXPECT_EQ(r[i].letters, c.found[i].letters) << i;
    }
}

const FindCase kFind[] = {
    {"after a two-word label", {{{"Serial", "No.", "1065100088"}}}, {{"1065100088", true, false, false, 0}}},
    {"label and number in one word", {{{"Nr.15700940"}}}, {{"15700940", true, false, false, 0}}},
    {"label with a colon, number with a full stop", {{{"S/N:", "15700940."}}}, {{"15700940", true, false, false, 0}}},
    {"German label", {{{"Serien-Nr.", "15700940"}}}, {{"15700940", true, false, false, 0}}},
    {"no label", {{{"1065100088"}}}, {{"1065100088", false, false, false, 0}}},
    {"label of another number", {{{"Art.-Nr.", "15700940"}}}, {{"15700940", false, true, false, 0}}},
    {"groups joined", {{{"S/N", "10651", "00088"}}}, {{"1065100088", true, false, true, 0}}},
    {"three groups: every 8 or 10 long run", {{{"1065", "1000", "88"}}}, {{"10651000", false, false, true, 0},
                                                                          {"1065100088", false, false, true, 0}}},
    {"groups too far apart", {{{"10651", "00088"}, 90, 200}}, {}},
    {"groups on two lines", {{{"10651"}}, {{"00088"}}}, {}},
    {"a word between the groups", {{{"10651", "kg", "00088"}}}, {}},
    {"letters read for digits", {{{"No.", "1O65100O88"}}}, {{"1065100088", true, false, false, 2}}},
    {"too many letters: a word", {{{"1O651OOO88"}}}, {}},
    {"letters in front belong to the label", {{{"No15700940"}}}, {{"15700940", true, false, false, 0}}},
    {"nine and eleven digits", {{{"157009401", "10651000881"}}}, {}},
    {"the plate's other numbers", {{{"380-420V", "3~", "50Hz"}}, {{"LP", "19", "bar", "/", "HP", "28", "bar"}},
                                   {{"Typ", "4FES-5Y-40P"}}, {{"Order", "4711"}}}, {}},
};

INSTANTIATE_TEST_SUITE_P(Words, Find, ::testing::ValuesIn(kFind));

Reading R(const std::string& digits, double confidence, bool label = false, bool joined = false) {
    Reading r;
    r.digits = digits;
    r.confidence = confidence;
    r.label = label;
    r.joined = joined;
    return r;
}

std::vector<std::string> Order(const CandidateList& list) {
    std::vector<std::string> out;
    for (const Candidate& c : list.Ranked()) out.push_back(c.digits + (c.full ? "" : "?") + (c.variant ? "~" : ""));
    return out;
}

struct RankCase {
    const char* name;
    std::vector<std::vector<Reading>> passes;
    std::vector<std::string> order;  // "?" marks a number that does not decode, "~" a variant
};

void PrintTo(const RankCase& c, std::ostream* os) { *os << c.name; }

class Rank : public ::testing::TestWithParam<RankCase> {};

TEST_P(Rank, Order) {
    const RankCase& c = GetParam();
    CandidateList list;
    for (const auto& pass : c.passes) list.AddReadings(pass);
    EXPECT_EQ(Order(list), c.order);
}

// 1065100088 and 15700940 decode; 4065100088 does not (plant 40), and of
// its neighbours by one confusable digit only 1065100088 decodes (70, 48,
// 46, 49 are no plants either); 1400000000 fails in plant and month, which
// no one digit mends.
const RankCase kRank[] = {
    {"a full decode beats a surer run that does not decode", {{R("4065100088", 99), R("15700940", 40)}},
     {"15700940", "4065100088?", "1065100088~"}},
    {"a label outweighs a little confidence", {{R("15700940", 95), R("1065100088", 80, true)}}, {"1065100088", "15700940"}},
    {"but not much", {{R("15700940", 95), R("1065100088", 40, true)}}, {"15700940", "1065100088"}},
    {"a second pass agreeing outweighs confidence", {{R("15700940", 95), R("1065100088", 85)}, {R("1065100088", 82)}},
     {"1065100088", "15700940"}},
    {"votes are passes, not repeats in a pass", {{R("15700940", 95), R("1065100088", 85), R("1065100088", 85)}},
     {"15700940", "1065100088"}},
    {"a joined group scores less than the same whole", {{R("1065100088", 90, false, true), R("15700940", 90)}},
     {"15700940", "1065100088"}},
    {"a variant that was also read strengthens the reading, no duplicate",
     {{R("4065100088", 99), R("1065100088", 60), R("15700940", 65)}}, {"1065100088", "15700940", "4065100088?"}},
    {"the variant of a run ranks after every number read as it stands", {{R("4065100088", 99), R("66920001", 20)}},
     {"66920001", "4065100088?", "1065100088~"}},
    {"no decoding neighbour: no variant", {{R("1400000000", 90)}}, {"1400000000?"}},
    {"the order number has no variants", {{R("1065100088", 70)}}, {"1065100088"}},
};

INSTANTIATE_TEST_SUITE_P(Readings, Rank, ::testing::ValuesIn(kRank));

TEST(Rank, CandidateFields) {
    CandidateList list;
    list.AddPass(Words({{{"S/N", "4065100088"}, 77}}));
    list.AddPass(Words({{{"4065100088"}, 70}}));
    const std::vector<Candidate> c = list.Ranked();
    ASSERT_EQ(c.size(), 2u);
    EXPECT_EQ(c[1].digits, "1065100088");
    EXPECT_TRUE(c[1].variant);
    EXPECT_EQ(c[1].readAs, "4065100088");
    EXPECT_TRUE(c[1].full);
    EXPECT_EQ(c[1].result.Strana, "Deutschland, Rottenburg");
    EXPECT_EQ(c[0].votes, 2);
    EXPECT_TRUE(c[0].label);
    EXPECT_DOUBLE_EQ(c[0].confidence, 77);
    EXPECT_TRUE(c[0].result.Osibka);
    EXPECT_EQ(c[0].result.failures, unsigned{FailPlant});
    EXPECT_EQ(list.Passes(), 2);
}

TEST(DescribeCandidate, InTheChosenLanguage) {
    CandidateList list;
    list.AddReadings({R("1065100088", 90), R("1400000000", 80)});  // no plant, no month
    const std::vector<Candidate> c = list.Ranked();
    ASSERT_EQ(c.size(), 2u);
    const CandidateText ru = DescribeCandidate(c[0], "RUS");
    EXPECT_EQ(ru.plant, "Германия, Роттенбург");
    EXPECT_EQ(ru.month, "Ноябрь");
    EXPECT_EQ(ru.year, "2003");
    EXPECT_EQ(ru.line, "Германия, Роттенбург, Ноябрь 2003");
    const CandidateText en = DescribeCandidate(c[0], "ENG");
    EXPECT_EQ(en.line, "Deutschland, Rottenburg, November 2003");
    EXPECT_EQ(DescribeCandidate(c[0], "xx").line, en.line);
    EXPECT_EQ(DescribeCandidate(c[1], "RUS").line, "Ошибка ! Уточните серийный номер !");
    EXPECT_EQ(DescribeCandidate(c[1], "RUS").month, "Не используется");
    EXPECT_EQ(DescribeCandidate(c[1], "ENG").line, "Error !  Specify serial number !");
}

}  // namespace
