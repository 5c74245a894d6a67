// The reading plan as the page's worker drives it.
#include "read/reader.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <set>
#include <string>
#include <vector>

namespace {

using namespace kavrel;

std::string Tsv(const std::vector<std::string>& words, double confidence) {
    std::string t = "level\tpage_num\tblock_num\tpar_num\tline_num\tword_num\tleft\ttop\twidth\theight\tconf\ttext\n";
    int x = 10, n = 0;
    for (const std::string& w : words) {
        t += "5\t1\t1\t1\t1\t" + std::to_string(++n) + "\t" + std::to_string(x) + "\t50\t" +
             std::to_string(20 * w.size()) + "\t30\t" + std::to_string(confidence) + "\t" + w + "\n";
        x += static_cast<int>(20 * w.size()) + 15;
    }
    return t;
}

std::vector<std::uint8_t> White(int w, int h) { return std::vector<std::uint8_t>(static_cast<std::size_t>(w * h * 4), 255); }

TEST(PhotoReader, NoPictureNoPass) {
    PhotoReader r;
    const auto px = White(4, 4);
    EXPECT_FALSE(r.Start(nullptr, 0, 4, 4, 16));
    EXPECT_EQ(r.Next(), nullptr);
    EXPECT_FALSE(r.Start(px.data(), px.size(), 0, 4, 16));
    EXPECT_FALSE(r.Start(px.data(), px.size() - 1, 4, 4, 16));
    EXPECT_EQ(r.Next(), nullptr);
    r.Take(Tsv({"1065100088"}, 99));  // ignored: no pass was asked for
    EXPECT_TRUE(r.Candidates().empty());
}

TEST(PhotoReader, OnePassWhenTheFirstReadingIsSure) {
    PhotoReader r;
    const auto px = White(640, 480);
    ASSERT_TRUE(r.Start(px.data(), px.size(), 640, 480, 640 * 4));
    const EnginePass* p = r.Next();
    ASSERT_NE(p, nullptr);
    EXPECT_EQ(p->pgm.substr(0, 3), "P5\n");
    EXPECT_EQ(p->pgm.size(), std::string("P5\n640 480\n255\n").size() + 640u * 480u);
    EXPECT_EQ(p->psm, 11);
    r.Take(Tsv({"Serial", "No.", "1065100088"}, 93));
    // The serial is read once more on its own, as digits, then narrowed
    // twice, then no more.
    const EnginePass* again = r.Next();
    ASSERT_NE(again, nullptr);
    EXPECT_EQ(again->psm, 7);
    EXPECT_EQ(again->chars, kDigitsOnly);
    const int wide = again->width;
    r.Take(Tsv({"1065100088"}, 91));
    for (const double share : {0.5, 0.7}) {
        const EnginePass* narrow = r.Next();
        ASSERT_NE(narrow, nullptr);
        EXPECT_EQ(narrow->chars, kDigitsOnly);
        EXPECT_NEAR(narrow->width - 2 * 16, (wide - 2 * 16) * share, 2);
        // What only a narrowed copy reads is offered, after the serial, and
        // does not keep the reading going.
        r.Take(Tsv({share < 0.6 ? "1065100089" : "1065100088"}, 96));
    }
    EXPECT_EQ(r.Next(), nullptr);
    const auto ranked = r.Candidates();
    ASSERT_EQ(ranked.size(), 2u);
    EXPECT_EQ(ranked[0].digits, "1065100088");
    EXPECT_EQ(ranked[0].votes, 2);  // the two cut-outs of one run vote once
    EXPECT_EQ(ranked[1].digits, "1065100089");
    EXPECT_TRUE(ranked[1].full);
    EXPECT_EQ(r.PassesRun(), 2);
}

// A run a digit short, read again, gives the serial under the label the
// run had; the plan's next pass reads everything again.
TEST(PhotoReader, ARunReadAgainKeepsItsLabel) {
    PhotoReader r;
    const auto px = White(640, 480);
    ASSERT_TRUE(r.Start(px.data(), px.size(), 640, 480, 640 * 4));
    ASSERT_NE(r.Next(), nullptr);
    r.Take(Tsv({"S/N", "106510008", "Typ", "12345678"}, 80));
    const EnginePass* again = r.Next();
    ASSERT_NE(again, nullptr);
    EXPECT_EQ(again->chars, kDigitsOnly);
    // The cut-out: the run's box with a margin, scaled to 40 px digits.
    EXPECT_NEAR(again->height, 40 * (30 + 2 * 12) / 30.0 + 2 * 16, 3);
    r.Take(Tsv({"1065100088"}, 65));  // not sure enough to stop
    for (int narrowed = 0; narrowed < 2; ++narrowed) {
        ASSERT_NE(r.Next(), nullptr);
        r.Take(Tsv({}, 0));
    }
    const EnginePass* other = r.Next();  // the second run
    ASSERT_NE(other, nullptr);
    EXPECT_EQ(other->chars, kDigitsOnly);
    for (int narrowed = 0; narrowed < 2; ++narrowed) {
        r.Take(Tsv({"12345678"}, 80));
        ASSERT_NE(r.Next(), nullptr);
    }
    r.Take(Tsv({"12345678"}, 80));
    const EnginePass* next = r.Next();
    ASSERT_NE(next, nullptr);
    EXPECT_TRUE(next->chars.empty());
    EXPECT_NE(next->psm, 7);
    const auto ranked = r.Candidates();
    ASSERT_FALSE(ranked.empty());
    EXPECT_EQ(ranked[0].digits, "1065100088");
    EXPECT_TRUE(ranked[0].label);
}

TEST(PhotoReader, ReadsOnWhileUnsureAndEndsAtTheEndOfThePlan) {
    PhotoReader r;
    // Level lines of four shades: the flattened picture keeps them grey.
    auto px = White(300, 200);
    for (int y = 0; y < 200; ++y) {
        const int shade = y % 12 < 3 ? 100 + 30 * (y / 12 % 4) : 220;
        std::fill_n(px.begin() + y * 300 * 4, 300 * 4, static_cast<std::uint8_t>(shade));
    }
    ASSERT_TRUE(r.Start(px.data(), px.size(), 300, 200, 300 * 4));
    std::set<int> modes;
    int passes = 0, cutOuts = 0;
    bool blackAndWhite = false;  // the locally thresholded picture, tried as nothing decodes
    while (const EnginePass* p = r.Next()) {
        ASSERT_LT(++passes, 12);
        modes.insert(p->psm);
        cutOuts += p->psm == 7;
        EXPECT_GT(p->width, 0);
        if (p->psm != 7) {
            const std::string pixels = p->pgm.substr(p->pgm.size() - static_cast<std::size_t>(p->width * p->height));
            const bool twoLevels = pixels.find_first_not_of(std::string("\0\xff", 2)) == std::string::npos;
            if (passes == 1) {
                EXPECT_FALSE(twoLevels);
            }
            blackAndWhite = blackAndWhite || twoLevels;
        }
        r.Take(Tsv({"4065100088"}, 60));  // does not decode; its variant is no reading
    }
    EXPECT_GE(passes, 2);
    EXPECT_TRUE(modes.count(11) && modes.count(6));
    EXPECT_TRUE(blackAndWhite);
    EXPECT_EQ(cutOuts, 3);  // the run, at its width and narrowed twice: one reading
    const int readings = passes - 2;
    EXPECT_EQ(r.PassesRun(), readings);
    ASSERT_EQ(r.Candidates().size(), 2u);
    EXPECT_EQ(r.Candidates()[0].digits, "4065100088");
    EXPECT_EQ(r.Candidates()[0].votes, readings);
    EXPECT_EQ(r.Candidates()[1].digits, "1065100088");
    EXPECT_TRUE(r.Candidates()[1].variant);
    // A new photo starts afresh.
    ASSERT_TRUE(r.Start(px.data(), px.size(), 300, 200, 300 * 4));
    EXPECT_TRUE(r.Candidates().empty());
    EXPECT_NE(r.Next(), nullptr);
}

TEST(PhotoReader, SmallTextIsReadAgainEnlarged) {
    PhotoReader r;
    const auto px = White(400, 300);
    ASSERT_TRUE(r.Start(px.data(), px.size(), 400, 300, 400 * 4));
    const EnginePass* first = r.Next();
    ASSERT_NE(first, nullptr);
    const int width = first->width;
    // Many sure words, none a serial, all 12 px high.
    std::string tsv = Tsv({"Typ", "4FES-5Y", "LP", "19", "bar", "HP", "28", "bar"}, 92);
    std::string small;
    for (std::size_t at = 0, line = 0; (at = tsv.find('\n', line)) != std::string::npos; line = at + 1) {
        std::string row = tsv.substr(line, at - line + 1);
        const std::size_t h = row.find("\t30\t");
        if (h != std::string::npos) row.replace(h, 4, "\t12\t");
        small += row;
    }
    r.Take(small);
    // Nothing decodes: the thresholded picture first, then the enlarged one.
    const EnginePass* second = r.Next();
    ASSERT_NE(second, nullptr);
    EXPECT_EQ(second->width, width);
    r.Take(small);
    const EnginePass* third = r.Next();
    ASSERT_NE(third, nullptr);
    EXPECT_GT(third->width, width * 5 / 4 - 1);
    EXPECT_EQ(third->psm, 11);
}

Candidate C(const std::string& digits, double confidence, bool label = false, int votes = 1, bool variant = false) {
    Candidate c;
    c.digits = digits;
    c.result = Decode(digits);
    c.full = !c.result.Osibka;
    c.confidence = confidence;
    c.label = label;
    c.votes = votes;
    c.variant = variant;
    c.score = confidence / 100 + (label ? 0.3 : 0) + 0.2 * (votes - 1);
    return c;
}

struct EnoughCase {
    const char* name;
    std::vector<Candidate> ranked;
    int passes;
    bool enough;
};

void PrintTo(const EnoughCase& c, std::ostream* os) { *os << c.name; }

class Enough : public ::testing::TestWithParam<EnoughCase> {};

TEST_P(Enough, Stop) {
    const EnoughCase& c = GetParam();
    EXPECT_EQ(PhotoReader::Enough(c.ranked, c.passes), c.enough);
}

const EnoughCase kEnough[] = {
    {"nothing", {}, 1, false},
    {"sure and alone", {C("1065100088", 92)}, 1, true},
    {"labelled, less sure", {C("1065100088", 75, true)}, 1, true},
    {"unsure, no label", {C("1065100088", 75)}, 1, false},
    {"unsure but read twice", {C("1065100088", 60, false, 2)}, 2, true},
    {"does not decode", {C("4065100088", 99)}, 1, false},
    {"only a variant", {C("1065100088", 95, true, 0, true)}, 1, false},
    {"a rival close behind", {C("1065100088", 92), C("15700940", 90)}, 1, false},
    {"a rival far behind", {C("1065100088", 92, true), C("15700940", 60)}, 1, true},
    {"a rival that does not decode", {C("1065100088", 92), C("4065100088", 99)}, 1, true},
};

INSTANTIATE_TEST_SUITE_P(Rule, Enough, ::testing::ValuesIn(kEnough));

}  // namespace
