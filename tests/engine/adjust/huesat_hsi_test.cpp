// HSI conversions: known colours, the round trip, hue wrapping.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>

#include "adjust/huesat/hsi.h"

using namespace adjust;

TEST(Hsi, KnownColours) {
    const Hsi red = RgbToHsi(255, 0, 0);
    EXPECT_EQ(red.h, 0.0f);  // arccos index 1000
    EXPECT_FLOAT_EQ(red.s, 1.0f);
    EXPECT_FLOAT_EQ(red.i, 1.0f / 3.0f);
    EXPECT_NEAR(RgbToHsi(0, 255, 0).h, 120.0f, 0.2f);
    EXPECT_NEAR(RgbToHsi(0, 0, 255).h, 240.0f, 0.2f);
    EXPECT_NEAR(RgbToHsi(0, 255, 255).h, 180.0f, 0.2f);
    EXPECT_NEAR(RgbToHsi(255, 0, 255).h, 300.0f, 0.2f);

    const Hsi grey = RgbToHsi(90, 90, 90);
    EXPECT_EQ(grey.h, 0.0f);
    EXPECT_EQ(grey.s, 0.0f);
    EXPECT_FLOAT_EQ(grey.i, 90.0f / 255.0f);
    const Hsi black = RgbToHsi(0, 0, 0);  // saturation undefined: reported as 0
    EXPECT_EQ(black.s, 0.0f);
    EXPECT_EQ(black.i, 0.0f);
}

TEST(Hsi, RoundTripStaysCloseForEveryColour) {
    // Colours with channels on a step of 3. The arccos table's 0.002 steps are coarse
    // next to the primaries (about 3.6 degrees), so strong dark colours there lose up to
    // 13 levels; everywhere else the round trip costs a level or two.
    int worst = 0;
    long total = 0, count = 0, withinTwo = 0;
    for (int r = 0; r < 256; r += 3) {
        for (int g = 0; g < 256; g += 3) {
            for (int b = 0; b < 256; b += 3) {
                const Hsi hsi = RgbToHsi(static_cast<uint8_t>(r), static_cast<uint8_t>(g), static_cast<uint8_t>(b));
                const Rgb8 back = HsiToRgb(hsi.h, hsi.s, hsi.i);
                const int e = std::max({std::abs(back.r - r), std::abs(back.g - g), std::abs(back.b - b)});
                worst = std::max(worst, e);
                total += e;
                withinTwo += e <= 2;
                ++count;
            }
        }
    }
    EXPECT_LE(worst, 13);
    EXPECT_LT(static_cast<double>(total) / count, 1.5);
    EXPECT_GT(static_cast<double>(withinTwo) / count, 0.95);
    // Greys come back exactly or one level lower (truncation).
    for (int v = 0; v < 256; ++v) {
        const auto b = static_cast<uint8_t>(v);
        const Hsi hsi = RgbToHsi(b, b, b);
        const Rgb8 back = HsiToRgb(hsi.h, hsi.s, hsi.i);
        EXPECT_EQ(back.r, back.g);
        EXPECT_EQ(back.g, back.b);
        EXPECT_LE(v - back.r, 1) << v;
        EXPECT_GE(v - back.r, 0) << v;
    }
}

TEST(Hsi, HuesWrapAround) {
    const float s = 0.6f, i = 0.4f;
    EXPECT_EQ(HsiToRgb(360.0f, s, i), HsiToRgb(0.0f, s, i));
    EXPECT_EQ(HsiToRgb(-10.0f, s, i), HsiToRgb(350.0f, s, i));
    EXPECT_EQ(HsiToRgb(370.0f, s, i), HsiToRgb(10.0f, s, i));
    EXPECT_EQ(HsiToRgb(1090.0f, s, i), HsiToRgb(10.0f, s, i));
    EXPECT_EQ(HsiToRgb(-1e-6f, s, i), HsiToRgb(0.0f, s, i));
    // Just past 60 degrees the cosine index would reach 360: it must wrap to 0.
    const Rgb8 near60 = HsiToRgb(60.000004f, s, i);
    const Rgb8 at60 = HsiToRgb(60.0f, s, i);
    EXPECT_LE(std::abs(near60.r - at60.r), 1);
    EXPECT_LE(std::abs(near60.g - at60.g), 1);
    EXPECT_EQ(WrapHue(std::nanf("")), 0.0f);
    EXPECT_EQ(WrapHue(3e9f), WrapHue(3e9f));  // finite, in range
    EXPECT_GE(WrapHue(-3e9f), 0.0f);
    EXPECT_LT(WrapHue(-3e9f), 360.0f);
}

TEST(Hsi, ChannelsAreLimited) {
    EXPECT_EQ(HsiToRgb(0.0f, 1.0f, 1.0f), (Rgb8{255, 0, 0}));
    EXPECT_EQ(HsiToRgb(0.0f, 0.0f, 2.0f), (Rgb8{255, 255, 255}));
    EXPECT_EQ(HsiToRgb(0.0f, std::nanf(""), 0.5f), (Rgb8{0, 0, 0}));
}
