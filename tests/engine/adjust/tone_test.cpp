// Brightness, boost, black-and-white and sepia.
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>

#include "adjust/tone/blackwhite.h"
#include "adjust/tone/brightness.h"
#include "framework_testimage.h"

using namespace adjust;
using adjusttest::TestImage;

namespace {

// Converts one pixel given as red, green, blue; returns red, green, blue.
std::array<int, 3> Convert(BlackWhiteMode mode, int r, int g, int b) {
    TestImage src(1, 1), dst(1, 1);
    src.SetRgb(0, 0, static_cast<uint8_t>(r), static_cast<uint8_t>(g), static_cast<uint8_t>(b));
    EXPECT_TRUE(ApplyBlackWhite(src.plane, dst.plane, BlackWhiteParams{mode}));
    const uint8_t* p = dst.Pixel(0, 0);
    return {p[2], p[1], p[0]};
}

}  // namespace

TEST(Brightness, MidPointMovesEndsStayAndEveryByteUsesTheTable) {
    CBrightness engine;
    EXPECT_EQ(engine.BuildTable(0), IdentityTable());
    const ByteTable up = engine.BuildTable(200);
    EXPECT_EQ(up[127], 255);
    EXPECT_EQ(up[0], 0);
    EXPECT_EQ(engine.BuildTable(-200)[127], 0);
    EXPECT_EQ(engine.BuildTable(-200)[255], 255);
    const ByteTable fifty = engine.BuildTable(50);
    EXPECT_EQ(fifty[127], 177);
    TestImage src(40, 9), dst(40, 9), g(40, 9, 1), gd(40, 9, 1);
    src.Random(4);
    g.Random(5);
    ASSERT_TRUE(ApplyBrightness(src.plane, dst.plane, BrightnessParams{50}));
    ASSERT_TRUE(ApplyBrightness(g.plane, gd.plane, BrightnessParams{50}));
    for (int c = 0; c < 3; ++c) EXPECT_EQ(dst.Pixel(3, 5)[c], fifty[src.Pixel(3, 5)[c]]);
    EXPECT_EQ(gd.Pixel(39, 8)[0], fifty[g.Pixel(39, 8)[0]]);
}

TEST(Boost, ZeroIsIdentityAndTheDefaultIsAGentleS) {
    EXPECT_EQ(CBoost().BuildTable(0), IdentityTable());
    CBoost boost;
    const ByteTable t = boost.BuildTable(20);
    EXPECT_EQ(t[96], 91);
    EXPECT_EQ(t[160], 165);
    EXPECT_EQ(t[255], 255);
    for (int i = 1; i < 256; ++i) EXPECT_LE(t[i - 1], t[i]) << i;
    const ByteTable strong = boost.BuildTable(100);
    EXPECT_EQ(strong[96], 71);
    EXPECT_EQ(strong[160], 185);
    EXPECT_EQ(boost.BuildTable(20), t);  // later runs move only the two inner points
    TestImage src(33, 17), dst(33, 17);
    src.Random(8);
    ASSERT_TRUE(ApplyBoost(src.plane, dst.plane, BoostParams{}));
    for (int c = 0; c < 3; ++c) EXPECT_EQ(dst.Pixel(30, 16)[c], t[src.Pixel(30, 16)[c]]);
}

TEST(BlackWhite, GreyWeightsAndSepiaAntique) {
    using M = BlackWhiteMode;
    EXPECT_EQ(Convert(M::BlackAndWhite, 255, 0, 0), (std::array<int, 3>{76, 76, 76}));
    EXPECT_EQ(Convert(M::BlackAndWhite, 0, 255, 0), (std::array<int, 3>{150, 150, 150}));
    EXPECT_EQ(Convert(M::BlackAndWhite, 0, 0, 255), (std::array<int, 3>{28, 28, 28}));
    EXPECT_EQ(Convert(M::SepiaAntique, 255, 255, 255), (std::array<int, 3>{255, 230, 179}));
    EXPECT_EQ(Convert(M::SepiaAntique, 100, 100, 100), (std::array<int, 3>{101, 90, 70}));  // 1.351, 1.203, 0.937 x 75
    EXPECT_EQ(Convert(M::SepiaAntique, 0, 0, 0), (std::array<int, 3>{0, 0, 0}));
}

TEST(BlackWhite, SepiaSpringKeepsIntensityWithAnOrangeTint) {
    const auto faint = Convert(BlackWhiteMode::SepiaSpring, 128, 128, 128);
    const auto vivid = Convert(BlackWhiteMode::SepiaSpringVivid, 128, 128, 128);
    for (const auto& grey : {faint, vivid}) {
        EXPECT_TRUE(grey[0] > grey[1] && grey[1] > grey[2]);
        EXPECT_NEAR((grey[0] + grey[1] + grey[2]) / 3.0, 128, 1.5);
    }
    EXPECT_GT(vivid[0] - vivid[2], faint[0] - faint[2]);
    EXPECT_EQ(Convert(BlackWhiteMode::SepiaSpring, 0, 0, 0), (std::array<int, 3>{0, 0, 0}));
}

TEST(BlackWhite, WholeImageMatchesSinglePixelsAndRefusesBadInput) {
    TestImage src(129, 150), dst(129, 150), grey(129, 150, 1);
    src.Random(17);
    for (BlackWhiteMode mode : {BlackWhiteMode::BlackAndWhite, BlackWhiteMode::SepiaAntique, BlackWhiteMode::SepiaSpring}) {
        ASSERT_TRUE(ApplyBlackWhite(src.plane, dst.plane, BlackWhiteParams{mode}));
        for (int y = 0; y < 150; y += 37)
            for (int x = 0; x < 129; x += 11) {
                const uint8_t* s = src.Pixel(x, y);
                const uint8_t* d = dst.Pixel(x, y);
                ASSERT_EQ((std::array<int, 3>{d[2], d[1], d[0]}), Convert(mode, s[2], s[1], s[0]));
            }
    }
    EXPECT_FALSE(ApplyBlackWhite(src.plane, dst.plane, BlackWhiteParams{static_cast<BlackWhiteMode>(5)}));
    EXPECT_FALSE(ApplyBlackWhite(grey.plane, grey.plane, BlackWhiteParams{}));
}
