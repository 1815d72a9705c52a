// White balance: factors, the routine, HLS, the dropper pick and the colour wheel.
#include <gtest/gtest.h>

#include <cmath>

#include "adjust/whitebalance/whitebalance.h"
#include "framework_testimage.h"

using namespace adjust;
using namespace adjusttest;

TEST(WhiteBalance, GreyReferenceLeavesEveryByteUnchanged) {
    const WhiteBalanceFactors f = FactorsFromReference(0.7f, 0.7f, 0.7f);
    EXPECT_EQ(f.r, f.g);
    EXPECT_EQ(f.g, f.b);
    EXPECT_EQ(CWhiteBalanceModel().Factors(), f);  // the tool starts with these (the wheel's grey)
    const Image src = Image(64, 64).Random(3);
    Image dst(64, 64);
    ASSERT_TRUE(ApplyWhiteBalance(src.plane, dst.plane, f));
    EXPECT_TRUE(SamePixels(src.plane, dst.plane));
}

TEST(WhiteBalance, PickOfOnePixelMakesItGrey) {
    Image img(5, 5), dst(5, 5);
    img.Random(4);
    img.SetRgb(2, 2, 200, 180, 160);
    const auto pick = PickWhiteBalance(img.plane, 2, 2, DropperSize::OneByOne);
    ASSERT_TRUE(pick);
    EXPECT_NEAR(pick->factors.r, 0.919f, 0.001f);
    EXPECT_NEAR(pick->factors.b, 1.149f, 0.001f);
    ASSERT_TRUE(ApplyWhiteBalance(img.plane, dst.plane, pick->factors));
    EXPECT_EQ(dst.Rgb(2, 2), (std::array<uint8_t, 3>{183, 183, 183}));
    // The pairs show the HLS hue (30 degrees) and 60 * HLS saturation (L > 0.5).
    EXPECT_NEAR(pick->hue, 30.0f, 1e-3f);
    EXPECT_NEAR(pick->saturation, 60.0f * (40.0f / 255.0f) / (2.0f - 360.0f / 255.0f), 1e-3f);
}

TEST(WhiteBalance, PickOfThreeByThreeAverages) {
    Image img(4, 4);
    // Around (1, 1): red 100 everywhere, green 0..8 (average 4), blue 50 except one 59.
    for (int k = 0; k < 9; ++k) img.SetRgb(k % 3, k / 3, 100, k, k == 4 ? 59 : 50);
    const auto pick = PickWhiteBalance(img.plane, 1, 1, DropperSize::ThreeByThree);
    ASSERT_TRUE(pick);
    EXPECT_FLOAT_EQ(pick->reference.g, 4.0f);
    EXPECT_FLOAT_EQ(pick->reference.b, 51.0f);
}

TEST(WhiteBalance, ClicksOnTheBorderAreIgnored) {
    Image img(6, 4);
    img.Random(1);
    for (auto size : {DropperSize::OneByOne, DropperSize::ThreeByThree}) {
        for (auto [x, y] : {std::pair{0, 2}, {2, 0}, {5, 2}, {2, 3}, {-7, 99}}) EXPECT_FALSE(PickWhiteBalance(img.plane, x, y, size));
        EXPECT_TRUE(PickWhiteBalance(img.plane, 4, 2, size));
        EXPECT_TRUE(PickWhiteBalance(img.plane, 1, 1, size));
    }
    CWhiteBalanceModel model;
    const WhiteBalanceFactors before = model.Factors();
    EXPECT_FALSE(model.Pick(img.plane, 0, 0));
    EXPECT_EQ(model.Factors(), before);
}

TEST(WhiteBalance, ZeroChannelGoesTo255AndBlackReferenceIsNeutral) {
    const WhiteBalanceFactors f = FactorsFromReference(120.0f, 0.0f, 60.0f);
    EXPECT_TRUE(std::isinf(f.g));
    Image src(3, 1), dst(3, 1);
    src.SetRgb(0, 0, 10, 1, 10);
    src.SetRgb(1, 0, 10, 0, 10);
    src.SetRgb(2, 0, 255, 255, 255);
    ASSERT_TRUE(ApplyWhiteBalance(src.plane, dst.plane, f));
    EXPECT_EQ(dst.Rgb(0, 0)[1], 255);
    EXPECT_EQ(dst.Rgb(1, 0)[1], 0);  // 0 * infinity is not a number: 0
    EXPECT_EQ(FactorsFromReference(0.0f, 0.0f, 0.0f), (WhiteBalanceFactors{1.0f, 1.0f, 1.0f}));
    EXPECT_EQ(WhiteBalanceByte(200, std::nanf("")), 0);
    EXPECT_EQ(WhiteBalanceByte(200, -2.0f), 0);
    EXPECT_EQ(WhiteBalanceByte(200, 1.2f), 240);
}

TEST(WhiteBalance, HlsConversions) {
    const RgbF c = HlsToRgb(0.0f, 0.7f, 1.0f);
    EXPECT_NEAR(c.g, 0.4f, 1e-6f);
    EXPECT_FLOAT_EQ(WheelReference(0.0f, 60.0f).g, c.g);
    EXPECT_FLOAT_EQ(HlsToRgb(1.0f, 0.7f, 1.0f).g, c.g);  // the hue pair's upper end is red like 0
    // Both ways round, for colours in every sextant and both halves of lightness.
    for (int r = 0; r < 256; r += 15)
        for (int g = 0; g < 256; g += 15)
            for (int b = 0; b < 256; b += 15) {
                const Hls h = RgbToHls(r / 255.0f, g / 255.0f, b / 255.0f);
                const RgbF back = HlsToRgb(h.h, h.l, h.s);
                SCOPED_TRACE(testing::Message() << r << " " << g << " " << b);
                ASSERT_NEAR(back.r * 255.0f, r, 1e-3f);
                ASSERT_NEAR(back.g * 255.0f, g, 1e-3f);
                ASSERT_NEAR(back.b * 255.0f, b, 1e-3f);
            }
}

