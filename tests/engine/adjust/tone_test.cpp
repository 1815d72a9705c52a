// Brightness, boost, black-and-white and sepia.
#include <gtest/gtest.h>

#include "adjust/tone/blackwhite.h"
#include "adjust/tone/brightness.h"
#include "framework_testimage.h"

using namespace adjust;
using adjusttest::Image;

namespace {

// Converts one pixel given as red, green, blue; returns red, green, blue.
std::array<int, 3> Convert(BlackWhiteMode mode, int r, int g, int b) {
    Image src(1, 1), dst(1, 1);
    src.SetRgb(0, 0, r, g, b);
    EXPECT_TRUE(ApplyBlackWhite(src.plane, dst.plane, BlackWhiteParams{mode}));
    const auto rgb = dst.Rgb(0, 0);
    return {rgb[0], rgb[1], rgb[2]};
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
    Image src(40, 9), dst(40, 9), g(40, 9, 1), gd(40, 9, 1);
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
    Image src(33, 17), dst(33, 17);
    src.Random(8);
    ASSERT_TRUE(ApplyBoost(src.plane, dst.plane, BoostParams{}));
    for (int c = 0; c < 3; ++c) EXPECT_EQ(dst.Pixel(30, 16)[c], t[src.Pixel(30, 16)[c]]);
}

TEST(BlackWhite, GreyWeightsAndSepiaTints) {
    using M = BlackWhiteMode;
    const struct {
        M mode;
        std::array<int, 3> in, out;
    } cases[] = {
        {M::BlackAndWhite, {255, 0, 0}, {76, 76, 76}},
        {M::BlackAndWhite, {0, 255, 0}, {150, 150, 150}},
        {M::BlackAndWhite, {0, 0, 255}, {28, 28, 28}},
        {M::SepiaAntique, {255, 255, 255}, {255, 230, 179}},
        {M::SepiaAntique, {100, 100, 100}, {101, 90, 70}},  // 1.351, 1.203, 0.937 x 75
        {M::SepiaAntique, {0, 0, 0}, {0, 0, 0}},
        {M::SepiaSpring, {0, 0, 0}, {0, 0, 0}},
    };
    for (const auto& c : cases) EXPECT_EQ(Convert(c.mode, c.in[0], c.in[1], c.in[2]), c.out) << int(c.mode) << " " << c.in[0];
    // Spring keeps the intensity with an orange tint, stronger when vivid.
    const auto faint = Convert(M::SepiaSpring, 128, 128, 128), vivid = Convert(M::SepiaSpringVivid, 128, 128, 128);
    for (const auto& grey : {faint, vivid}) {
        EXPECT_TRUE(grey[0] > grey[1] && grey[1] > grey[2]);
        EXPECT_NEAR((grey[0] + grey[1] + grey[2]) / 3.0, 128, 1.5);
    }
    EXPECT_GT(vivid[0] - vivid[2], faint[0] - faint[2]);
}

TEST(BlackWhite, WholeImageMatchesSinglePixelsAndRefusesBadInput) {
    Image src(129, 150), dst(129, 150), grey(129, 150, 1);
    src.Random(17);
    for (BlackWhiteMode mode : {BlackWhiteMode::BlackAndWhite, BlackWhiteMode::SepiaAntique, BlackWhiteMode::SepiaSpring}) {
        ASSERT_TRUE(ApplyBlackWhite(src.plane, dst.plane, BlackWhiteParams{mode}));
        for (int y = 0; y < 150; y += 37)
            for (int x = 0; x < 129; x += 11) {
                const auto s = src.Rgb(x, y), d = dst.Rgb(x, y);
                ASSERT_EQ((std::array<int, 3>{d[0], d[1], d[2]}), Convert(mode, s[0], s[1], s[2]));
            }
    }
    EXPECT_FALSE(ApplyBlackWhite(src.plane, dst.plane, BlackWhiteParams{static_cast<BlackWhiteMode>(5)}));
    EXPECT_FALSE(ApplyBlackWhite(grey.plane, grey.plane, BlackWhiteParams{}));
}
