// The image steps on small synthetic pictures.
#include "read/image.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <random>
#include <vector>

namespace {

using namespace kavrel;

constexpr double kPi = 3.14159265358979323846;

// Dark "text lines" on a light plate: rows of short dashes, the lines at
// `degrees` (positive: falling to the right), as a page of print looks.
GreyImage Lines(int w, int h, double degrees, std::uint8_t ink = 20, std::uint8_t paper = 220) {
    GreyImage g(w, h, paper);
    const double t = std::tan(degrees * kPi / 180);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            const double level = y - (x - w / 2.0) * t;  // height on the level line through the centre
            const bool inLine = std::fmod(level + 1000.0, 24.0) < 7.0;
            const bool inDash = (x / 9) % 3 != 2;
            if (inLine && inDash && x > 20 && x < w - 20 && y > 20 && y < h - 20) g.Row(y)[x] = ink;
        }
    return g;
}

TEST(GreyFromRgba, AreaAverageOfColoursWithPaddedRows) {
    // 4 x 2 pixels, rows padded to 20 bytes: left half pure red, right half
    // white over black.
    const std::size_t stride = 20;
    std::vector<std::uint8_t> rgba(stride * 2, 0xEE);  // padding that must not be read as pixels
    const auto set = [&](int x, int y, int r, int g, int b) {
        std::uint8_t* p = &rgba[stride * static_cast<std::size_t>(y) + 4 * static_cast<std::size_t>(x)];
        p[0] = static_cast<std::uint8_t>(r), p[1] = static_cast<std::uint8_t>(g), p[2] = static_cast<std::uint8_t>(b), p[3] = 255;
    };
    for (int y = 0; y < 2; ++y) set(0, y, 255, 0, 0), set(1, y, 255, 0, 0);
    set(2, 0, 255, 255, 255), set(3, 0, 255, 255, 255), set(2, 1, 0, 0, 0), set(3, 1, 0, 0, 0);

    const GreyImage same = GreyFromRgba(rgba.data(), rgba.size(), 4, 2, stride, 4, 2);
    ASSERT_EQ(same.width, 4);
    EXPECT_EQ(same.At(0, 0), 76);  // 0.299 of red
    EXPECT_EQ(same.At(2, 0), 255);
    EXPECT_EQ(same.At(3, 1), 0);

    const GreyImage half = GreyFromRgba(rgba.data(), rgba.size(), 4, 2, stride, 2, 1);
    ASSERT_EQ(half.width, 2);
    ASSERT_EQ(half.height, 1);
    EXPECT_EQ(half.At(0, 0), 76);
    EXPECT_NEAR(half.At(1, 0), 128, 1);

    // Three columns from four: the middle one takes half of each middle pixel.
    const GreyImage three = GreyFromRgba(rgba.data(), rgba.size(), 4, 2, stride, 3, 2);
    ASSERT_EQ(three.width, 3);
    EXPECT_NEAR(three.At(1, 0), (76 + 255) / 2.0, 1);
}

TEST(GreyFromRgba, RefusesWhatIsNoPicture) {
    const std::vector<std::uint8_t> rgba(64, 255);
    EXPECT_TRUE(GreyFromRgba(nullptr, 64, 4, 4, 16, 4, 4).Empty());
    EXPECT_TRUE(GreyFromRgba(rgba.data(), 63, 4, 4, 16, 4, 4).Empty());  // one byte short
    EXPECT_TRUE(GreyFromRgba(rgba.data(), 64, 4, 4, 15, 4, 4).Empty());  // rows overlap
    EXPECT_TRUE(GreyFromRgba(rgba.data(), 64, 0, 4, 16, 4, 4).Empty());
    EXPECT_TRUE(GreyFromRgba(rgba.data(), 64, 4, 4, 16, 0, 4).Empty());
    // Larger than the source: clamped to it, not upscaled.
    const GreyImage g = GreyFromRgba(rgba.data(), 64, 4, 4, 16, 400, 2);
    EXPECT_EQ(g.width, 4);
    EXPECT_EQ(g.height, 2);
    // The last row needs only its pixels, not a whole stride.
    EXPECT_FALSE(GreyFromRgba(rgba.data(), 16 * 3 + 8, 2, 4, 16, 2, 4).Empty());
}

TEST(BoxBlur, EqualsTheMeanOfEachBoxCutAtTheBorders) {
    std::mt19937 rng(3);
    for (const auto [w, h, r] : {std::array<int, 3>{17, 11, 1}, {17, 11, 3}, {9, 30, 5}, {6, 5, 40}, {1, 1, 2}}) {
        GreyImage g(w, h);
        for (auto& p : g.pixels) p = static_cast<std::uint8_t>(rng());
        const GreyImage b = BoxBlur(g, r);
        ASSERT_EQ(b.width, w);
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x) {
                double sum = 0;
                int n = 0;
                for (int v = std::max(0, y - r); v <= std::min(h - 1, y + r); ++v)
                    for (int u = std::max(0, x - r); u <= std::min(w - 1, x + r); ++u) sum += g.At(u, v), ++n;
                ASSERT_NEAR(b.At(x, y), sum / n, 0.5) << w << "x" << h << " r" << r << " at " << x << "," << y;
            }
    }
}

TEST(Resize, AveragesDownAndInterpolatesUp) {
    GreyImage g(4, 4);
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 4; ++x) g.Row(y)[x] = static_cast<std::uint8_t>(x < 2 ? 0 : 200);
    const GreyImage down = Resize(g, 2, 2);
    EXPECT_EQ(down.At(0, 1), 0);
    EXPECT_EQ(down.At(1, 0), 200);
    const GreyImage up = Resize(g, 8, 8);
    EXPECT_EQ(up.At(0, 0), 0);
    EXPECT_EQ(up.At(7, 7), 200);
    EXPECT_GT(up.At(4, 3), up.At(3, 3));  // the edge ramps, not a copy of one side
    EXPECT_TRUE(Resize(GreyImage(), 4, 4).Empty());
}

// Lines() on a 400 x 200 plate lit from `from` (left) to `to` (right), the
// strokes at ink(light), then sensor noise of 6 levels over all.
GreyImage LitLines(double from, double to, std::mt19937& rng, double (*ink)(double light)) {
    GreyImage g = Lines(400, 200, 0, 0, 255);
    std::normal_distribution<double> noise(0, 6);
    for (int y = 0; y < g.height; ++y)
        for (int x = 0; x < g.width; ++x) {
            const double light = from + (to - from) * x / (g.width - 1);
            const double v = (g.At(x, y) == 0 ? ink(light) : light) + noise(rng);
            g.Row(y)[x] = static_cast<std::uint8_t>(std::clamp(v, 0.0, 255.0));
        }
    return g;
}

TEST(Flatten, TextDarkInShadowAndGlareNoiseWhite) {
    std::mt19937 rng(5);
    std::normal_distribution<double> noise(0, 6);
    const GreyImage g = LitLines(30, 240, rng, [](double light) { return light * 0.2; });
    const GreyImage b = Flatten(g, 20, 12);
    // In every band from shadow to glare the strokes stay darker than the
    // plate, which turns white; where the light is fair they are black.
    for (int band = 60; band < 380; band += 40) {
        double inkSum = 0;
        int ink = 0, inkBlack = 0, plateGrey = 0, plate = 0;
        for (int y = 25; y < 175; ++y)
            for (int x = band; x < band + 40; ++x) {
                const bool isInk = std::fmod(y + 1000.0, 24.0) < 7.0 && (x / 9) % 3 != 2;
                const bool far = std::fmod(y + 1000.0, 24.0) > 12.0;  // plate well away from a line
                if (isInk) ++ink, inkSum += b.At(x, y), inkBlack += b.At(x, y) < 128;
                if (far) ++plate, plateGrey += b.At(x, y) < 250;
            }
        EXPECT_LT(inkSum / ink, 240) << band;
        if (band >= 220) {
            EXPECT_GT(inkBlack, ink * 9 / 10) << band;
        }
        EXPECT_LT(plateGrey, plate / 100) << band;
    }
    // A plain noisy area, dark or bright, has no strokes at all.
    for (const int level : {25, 128, 230}) {
        GreyImage n(120, 80);
        for (auto& p : n.pixels) p = static_cast<std::uint8_t>(std::clamp(level + noise(rng), 0.0, 255.0));
        const GreyImage nb = Flatten(n, 20, 12);
        EXPECT_EQ(std::count_if(nb.pixels.begin(), nb.pixels.end(), [](std::uint8_t p) { return p < 128; }), 0) << level;
    }
}

TEST(ThresholdLocally, FaintPrintInGrainComesOutWhole) {
    // Print only 20 levels darker than its plate, in grain of 6, lit from
    // 60 to 230: the flattening leaves it pale, the local threshold black.
    std::mt19937 rng(9);
    const GreyImage g = LitLines(60, 230, rng, [](double light) { return light - 20; });
    const GreyImage t = ThresholdLocally(g, 20, 8), f = Flatten(g, 20, 12);
    int ink = 0, inkBlack = 0, inkDarkFlat = 0, plate = 0, plateBlack = 0;
    for (int y = 25; y < 175; ++y)
        for (int x = 30; x < 370; ++x) {
            const double row = std::fmod(y + 1000.0, 24.0);
            if (row >= 1.0 && row < 6.0 && (x / 9) % 3 == 0 && x % 9 >= 1 && x % 9 < 8)
                ++ink, inkBlack += t.At(x, y) == 0, inkDarkFlat += f.At(x, y) < 128;
            if (row > 12.0) ++plate, plateBlack += t.At(x, y) == 0;
        }
    EXPECT_GT(inkBlack, ink * 8 / 10);
    EXPECT_LT(inkDarkFlat, ink / 2);
    EXPECT_LT(plateBlack, plate / 50);
    for (const auto p : t.pixels) ASSERT_TRUE(p == 0 || p == 255);
    EXPECT_TRUE(ThresholdLocally(GreyImage(), 20, 8).Empty());
}

TEST(LightText, ToldByThePolarityOfTheStrokes) {
    GreyImage dark = Lines(300, 200, 0);
    EXPECT_FALSE(LightText(dark, BoxBlur(dark, 24)));
    Invert(dark);
    EXPECT_TRUE(LightText(dark, BoxBlur(dark, 24)));
}

class Skew : public ::testing::TestWithParam<double> {};

TEST_P(Skew, FoundAndStraightened) {
    const double degrees = GetParam();
    const GreyImage g = Lines(420, 300, degrees);
    EXPECT_NEAR(FindSkew(g, 12), degrees, 0.3);
    const GreyImage level = Rotate(g, FindSkew(g, 12), 220);
    EXPECT_NEAR(FindSkew(level, 12), 0, 0.3);
    // The canvas grew to keep the corners, and grew only as far as needed.
    const double a = std::fabs(degrees) * kPi / 180;
    EXPECT_NEAR(level.width, 420 * std::cos(a) + 300 * std::sin(a), 2);
}

INSTANTIATE_TEST_SUITE_P(Angles, Skew, ::testing::Values(-11.0, -6.5, -2.0, 0.0, 1.5, 4.0, 9.0));

// Upright bars of dark "digits" leaning `degrees` (positive: the tops to
// the right), in a row across a white picture.
GreyImage Leaning(int w, int h, double degrees) {
    GreyImage g(w, h, 255);
    const double t = std::tan(degrees * kPi / 180);
    for (int y = 10; y < h - 10; ++y)
        for (int x = 0; x < w; ++x) {
            const double upright = x + (y - h / 2.0) * t;
            if (upright > 30 && upright < w - 30 && std::fmod(upright, 22.0) < 5) g.Row(y)[x] = 0;
        }
    return g;
}

class Slant : public ::testing::TestWithParam<double> {};

TEST_P(Slant, FoundAndShearedUpright) {
    const double degrees = GetParam();
    const GreyImage g = Leaning(300, 60, degrees);
    EXPECT_NEAR(FindSlant(g, 20), degrees, 1.0);
    const GreyImage upright = Shear(g, degrees, 255);
    EXPECT_NEAR(FindSlant(upright, 20), 0, 1.0);
    EXPECT_EQ(upright.height, 60);
    EXPECT_NEAR(upright.width, 300 + 60 * std::tan(std::fabs(degrees) * kPi / 180), 2);
    // Nothing lost: as much ink after as before, give or take the blending.
    const auto ink = [](const GreyImage& i) {
        double s = 0;
        for (const auto p : i.pixels) s += 255 - p;
        return s;
    };
    EXPECT_NEAR(ink(upright), ink(g), ink(g) * 0.01);
}

INSTANTIATE_TEST_SUITE_P(Angles, Slant, ::testing::Values(-15.0, -8.0, 0.0, 6.0, 12.0, 18.0));

TEST(Crop, InsideOutsideAndBorder) {
    GreyImage g(6, 4);
    for (std::size_t i = 0; i < g.pixels.size(); ++i) g.pixels[i] = static_cast<std::uint8_t>(i);
    const GreyImage c = Crop(g, 4, -1, 4, 3, 1, 200);
    ASSERT_EQ(c.width, 6);
    ASSERT_EQ(c.height, 5);
    const std::vector<std::uint8_t> want = {
        200, 200, 200, 200, 200, 200,  //
        200, 200, 200, 200, 200, 200,  // row -1: outside
        200, 4,   5,   200, 200, 200,  // columns 6 and 7: outside
        200, 10,  11,  200, 200, 200,  //
        200, 200, 200, 200, 200, 200,
    };
    EXPECT_EQ(c.pixels, want);
    EXPECT_TRUE(Crop(g, 10, 10, 3, 3, 0, 9).pixels == std::vector<std::uint8_t>(9, 9));  // all outside
    EXPECT_TRUE(Crop(g, 0, 0, 0, 3, 2, 9).Empty());
}

TEST(Otsu, SplitsTwoLevels) {
    GreyImage g(10, 10, 40);
    for (int i = 0; i < 60; ++i) g.pixels[static_cast<std::size_t>(i)] = 210;
    const int level = OtsuLevel(g);
    EXPECT_GE(level, 40);
    EXPECT_LT(level, 210);
    const GreyImage t = Threshold(g, level);
    EXPECT_EQ(t.pixels.front(), 255);
    EXPECT_EQ(t.pixels.back(), 0);
}

TEST(EncodePgm, HeaderThenRows) {
    GreyImage g(3, 2);
    for (std::size_t i = 0; i < 6; ++i) g.pixels[i] = static_cast<std::uint8_t>(i * 40);
    EXPECT_EQ(EncodePgm(g), std::string("P5\n3 2\n255\n") + std::string("\x00\x28\x50\x78\xA0\xC8", 6));
}

// Pictures with nothing to find: no crash, sizes kept, no division by zero.
TEST(Degenerate, BlackWhiteTinyAndEmpty) {
    for (const GreyImage& g : {GreyImage(50, 40, 0), GreyImage(50, 40, 255), GreyImage(1, 1, 128), GreyImage(1, 300, 7),
                               GreyImage(300, 1, 7), GreyImage()}) {
        const GreyImage f = Flatten(g, 20, 12);
        EXPECT_EQ(f.pixels, std::vector<std::uint8_t>(g.pixels.size(), 255));  // no strokes anywhere
        EXPECT_EQ(f.width, g.width);
        EXPECT_EQ(f.height, g.height);
        EXPECT_EQ(FindSkew(f, 12), 0.0);  // nothing dark, or nothing with a direction
        const GreyImage r = Rotate(f, 7, 255);
        EXPECT_EQ(r.Empty(), g.Empty());
        EXPECT_EQ(BoxBlur(g, 5).pixels, g.pixels);  // one level stays that level
        GreyImage stretched = g;
        Stretch(stretched);
        EXPECT_EQ(stretched.pixels, g.pixels);
        EXPECT_FALSE(LightText(g, BoxBlur(g, 3)));
        const std::string pgm = EncodePgm(g);
        const std::string header = "P5\n" + std::to_string(g.width) + " " + std::to_string(g.height) + "\n255\n";
        EXPECT_EQ(pgm.substr(0, header.size()), header);
        EXPECT_EQ(pgm.size(), header.size() + g.pixels.size());
    }
    EXPECT_TRUE(GreyImage(-3, 5).Empty());
    EXPECT_EQ(GreyImage(-3, 5).pixels.size(), 0u);
}

}  // namespace
