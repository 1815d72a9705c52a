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

bool SamePixels(const TestImage& a, const TestImage& b) {
    for (int y = 0; y < a.plane.height; ++y)
        if (std::memcmp(a.plane.Row(y), b.plane.Row(y), static_cast<size_t>(a.plane.width * a.plane.channels)) != 0)
            return false;
    return true;
}

// Converts one pixel given as red, green, blue; returns red, green, blue.
std::array<int, 3> Convert(BlackWhiteMode mode, int r, int g, int b) {
    TestImage src(1, 1), dst(1, 1);
    src.SetRgb(0, 0, static_cast<uint8_t>(r), static_cast<uint8_t>(g), static_cast<uint8_t>(b));
    EXPECT_TRUE(ApplyBlackWhite(src.plane, dst.plane, BlackWhiteParams{mode}));
    const uint8_t* p = dst.Pixel(0, 0);
    return {p[2], p[1], p[0]};
}

}  // namespace

TEST(Brightness, ZeroLeavesTheImageUnchanged) {
    CBrightness engine;
    EXPECT_EQ(engine.BuildTable(0), IdentityTable());
    TestImage src(64, 70), dst(64, 70);
    src.Random(21);
    ASSERT_TRUE(ApplyBrightness(src.plane, dst.plane, BrightnessParams{}));
    EXPECT_TRUE(SamePixels(src, dst));
}

TEST(Brightness, MidPointMovesAndEndsStay) {
    CBrightness engine;
    const ByteTable up = engine.BuildTable(200);
    EXPECT_EQ(up[127], 255);
    EXPECT_EQ(up[0], 0);
    EXPECT_EQ(up[255], 255);
    const ByteTable fifty = engine.BuildTable(50);
    EXPECT_EQ(fifty[127], 177);
    const ByteTable down = engine.BuildTable(-200);
    EXPECT_EQ(down[127], 0);
    EXPECT_EQ(down[255], 255);
    // Every byte of every pixel goes through the one table, on 3-byte and 1-byte planes.
    TestImage src(40, 9), dst(40, 9);
    src.Random(4);
    ASSERT_TRUE(ApplyBrightness(src.plane, dst.plane, BrightnessParams{50}));
    for (int c = 0; c < 3; ++c) EXPECT_EQ(dst.Pixel(3, 5)[c], fifty[src.Pixel(3, 5)[c]]);
    TestImage g(40, 9, 1), gd(40, 9, 1);
    g.Random(5);
    ASSERT_TRUE(ApplyBrightness(g.plane, gd.plane, BrightnessParams{50}));
    EXPECT_EQ(gd.Pixel(39, 8)[0], fifty[g.Pixel(39, 8)[0]]);
}

TEST(Boost, ZeroIsIdentityAndTheDefaultIsAGentleS) {
    CBoost zero;
    EXPECT_EQ(zero.BuildTable(0), IdentityTable());
    CBoost boost;
    const ByteTable t = boost.BuildTable(20);
    EXPECT_EQ(t[96], 91);
    EXPECT_EQ(t[160], 165);
    EXPECT_LE(std::abs(t[128] - 128), 1);
    EXPECT_EQ(t[0], 0);
    EXPECT_EQ(t[255], 255);
    for (int i = 1; i < 256; ++i) EXPECT_LE(t[i - 1], t[i]) << i;
    const ByteTable strong = boost.BuildTable(100);
    EXPECT_EQ(strong[96], 71);
    EXPECT_EQ(strong[160], 185);
    // After the first run only the two inner points move: the same table as a fresh engine.
    EXPECT_EQ(boost.BuildTable(20), t);

    TestImage src(33, 17), dst(33, 17);
    src.Random(8);
    ASSERT_TRUE(ApplyBoost(src.plane, dst.plane, BoostParams{}));
    for (int c = 0; c < 3; ++c) EXPECT_EQ(dst.Pixel(30, 16)[c], t[src.Pixel(30, 16)[c]]);
}

TEST(BlackWhite, GreyWeights) {
    EXPECT_EQ(Convert(BlackWhiteMode::BlackAndWhite, 255, 0, 0), (std::array<int, 3>{76, 76, 76}));
    EXPECT_EQ(Convert(BlackWhiteMode::BlackAndWhite, 0, 255, 0), (std::array<int, 3>{150, 150, 150}));
    EXPECT_EQ(Convert(BlackWhiteMode::BlackAndWhite, 0, 0, 255), (std::array<int, 3>{28, 28, 28}));
    EXPECT_EQ(Convert(BlackWhiteMode::BlackAndWhite, 255, 255, 255), (std::array<int, 3>{255, 255, 255}));
    EXPECT_EQ(Convert(BlackWhiteMode::BlackAndWhite, 0, 0, 0), (std::array<int, 3>{0, 0, 0}));
}

TEST(BlackWhite, SepiaAntique) {
    EXPECT_EQ(Convert(BlackWhiteMode::SepiaAntique, 255, 255, 255), (std::array<int, 3>{255, 230, 179}));
    EXPECT_EQ(Convert(BlackWhiteMode::SepiaAntique, 0, 0, 0), (std::array<int, 3>{0, 0, 0}));
    // Mid grey 100: 1.351 * 75, 1.203 * 75, 0.937 * 75.
    EXPECT_EQ(Convert(BlackWhiteMode::SepiaAntique, 100, 100, 100), (std::array<int, 3>{101, 90, 70}));
}

TEST(BlackWhite, SepiaSpringKeepsIntensityWithAnOrangeTint) {
    for (BlackWhiteMode mode : {BlackWhiteMode::SepiaSpring, BlackWhiteMode::SepiaSpringVivid}) {
        EXPECT_EQ(Convert(mode, 0, 0, 0), (std::array<int, 3>{0, 0, 0}));
        auto grey = Convert(mode, 128, 128, 128);
        EXPECT_GT(grey[0], grey[1]);
        EXPECT_GT(grey[1], grey[2]);
        EXPECT_NEAR((grey[0] + grey[1] + grey[2]) / 3.0, 128, 1.5);
        // A colour pixel takes the same tint at its own intensity.
        auto red = Convert(mode, 210, 30, 30);
        EXPECT_NEAR((red[0] + red[1] + red[2]) / 3.0, 90, 1.5);
        EXPECT_GT(red[0], red[2]);
    }
    auto faint = Convert(BlackWhiteMode::SepiaSpring, 128, 128, 128);
    auto vivid = Convert(BlackWhiteMode::SepiaSpringVivid, 128, 128, 128);
    EXPECT_GT(vivid[0] - vivid[2], faint[0] - faint[2]);
}

TEST(BlackWhite, WholeImageMatchesSinglePixelsAndRefusesBadInput) {
    TestImage src(129, 150), dst(129, 150);
    src.Random(17);
    for (BlackWhiteMode mode : {BlackWhiteMode::BlackAndWhite, BlackWhiteMode::SepiaAntique, BlackWhiteMode::SepiaSpring}) {
        ASSERT_TRUE(ApplyBlackWhite(src.plane, dst.plane, BlackWhiteParams{mode}));
        for (int y = 0; y < 150; y += 37)
            for (int x = 0; x < 129; x += 11) {
                const uint8_t* s = src.Pixel(x, y);
                const uint8_t* d = dst.Pixel(x, y);
                auto one = Convert(mode, s[2], s[1], s[0]);
                ASSERT_EQ((std::array<int, 3>{d[2], d[1], d[0]}), one);
            }
    }
    EXPECT_FALSE(ApplyBlackWhite(src.plane, dst.plane, BlackWhiteParams{static_cast<BlackWhiteMode>(5)}));
    TestImage grey(129, 150, 1);
    EXPECT_FALSE(ApplyBlackWhite(grey.plane, grey.plane, BlackWhiteParams{}));
}
