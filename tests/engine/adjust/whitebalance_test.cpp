// White balance: factors, the routine, HLS, the dropper pick and the colour wheel.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>

#include "adjust/huesat/hsi.h"
#include "adjust/whitebalance/whitebalance.h"
#include "framework_testimage.h"

using namespace adjust;
using adjusttest::TestImage;

namespace {

std::array<uint8_t, 3> Rgb(const TestImage& img, int32_t x, int32_t y) {
    const uint8_t* p = img.plane.Row(y) + 3 * x;
    return {p[2], p[1], p[0]};
}

}  // namespace

TEST(WhiteBalance, GreyReferenceLeavesEveryByteUnchanged) {
    const WhiteBalanceFactors f = FactorsFromReference(0.7f, 0.7f, 0.7f);
    EXPECT_NEAR(f.r, 1.0009f, 1e-6f);
    EXPECT_EQ(f.r, f.g);
    EXPECT_EQ(f.g, f.b);
    TestImage src(256, 2), dst(256, 2);
    for (int x = 0; x < 256; ++x) {
        const auto v = static_cast<uint8_t>(x);
        src.SetRgb(x, 0, v, v, v);
        src.SetRgb(x, 1, v, static_cast<uint8_t>(255 - x), static_cast<uint8_t>(x / 2));
    }
    ASSERT_TRUE(ApplyWhiteBalance(src.plane, dst.plane, f));
    for (int y = 0; y < 2; ++y) EXPECT_EQ(std::memcmp(src.plane.Row(y), dst.plane.Row(y), 256 * 3), 0);
    // The tool starts with these factors (the wheel's grey).
    const CWhiteBalanceModel model;
    EXPECT_EQ(model.Factors(), f);
}

TEST(WhiteBalance, PickOfOnePixelMakesItGrey) {
    TestImage img(5, 5), dst(5, 5);
    img.Random(4);
    img.SetRgb(2, 2, 200, 180, 160);
    const auto pick = PickWhiteBalance(img.plane, 2, 2, DropperSize::OneByOne);
    ASSERT_TRUE(pick);
    EXPECT_NEAR(pick->factors.r, 0.919f, 0.001f);
    EXPECT_NEAR(pick->factors.g, 1.021f, 0.001f);
    EXPECT_NEAR(pick->factors.b, 1.149f, 0.001f);
    ASSERT_TRUE(ApplyWhiteBalance(img.plane, dst.plane, pick->factors));
    EXPECT_EQ(Rgb(dst, 2, 2), (std::array<uint8_t, 3>{183, 183, 183}));
    // The pairs show the HLS hue (30 degrees) and 60 * HLS saturation.
    EXPECT_NEAR(pick->hue, 30.0f, 1e-3f);
    EXPECT_NEAR(pick->saturation, 60.0f * (40.0f / 255.0f) / (2.0f - 360.0f / 255.0f), 1e-3f);  // L > 0.5
}

TEST(WhiteBalance, PickOfThreeByThreeAveragesAndUsesTheHsiSaturation) {
    TestImage img(4, 4);
    // Around (1, 1): red 100 everywhere, green 0..8 (average 4), blue 50 except one 59.
    int k = 0;
    for (int y = 0; y < 3; ++y)
        for (int x = 0; x < 3; ++x, ++k) img.SetRgb(x, y, 100, static_cast<uint8_t>(k), k == 4 ? 59 : 50);
    const auto pick = PickWhiteBalance(img.plane, 1, 1, DropperSize::ThreeByThree);
    ASSERT_TRUE(pick);
    EXPECT_FLOAT_EQ(pick->reference.r, 100.0f);
    EXPECT_FLOAT_EQ(pick->reference.g, 4.0f);
    EXPECT_FLOAT_EQ(pick->reference.b, 51.0f);
    const Hsi hsi = RgbToHsi(100, 4, 51);
    EXPECT_FLOAT_EQ(pick->saturation, 120.0f * hsi.s);
    const Hls hls = RgbToHls(100 / 255.0f, 4 / 255.0f, 51 / 255.0f);
    EXPECT_FLOAT_EQ(pick->hue, 360.0f * hls.h);
    EXPECT_EQ(pick->factors, FactorsFromReference(100.0f, 4.0f, 51.0f));
}

TEST(WhiteBalance, ClicksOnTheBorderAreIgnored) {
    TestImage img(6, 4);
    img.Random(1);
    for (auto size : {DropperSize::OneByOne, DropperSize::ThreeByThree}) {
        EXPECT_FALSE(PickWhiteBalance(img.plane, 0, 2, size));
        EXPECT_FALSE(PickWhiteBalance(img.plane, 2, 0, size));
        EXPECT_FALSE(PickWhiteBalance(img.plane, 5, 2, size));
        EXPECT_FALSE(PickWhiteBalance(img.plane, 2, 3, size));
        EXPECT_FALSE(PickWhiteBalance(img.plane, -7, 99, size));
        EXPECT_TRUE(PickWhiteBalance(img.plane, 4, 2, size));
        EXPECT_TRUE(PickWhiteBalance(img.plane, 1, 1, size));
    }
    CWhiteBalanceModel model;
    model.SetFromWheel(200.0f, 30.0f);
    const WhiteBalanceFactors before = model.Factors();
    EXPECT_FALSE(model.Pick(img.plane, 0, 0));
    EXPECT_EQ(model.Factors(), before);
    EXPECT_EQ(model.Hue(), 200.0f);
    EXPECT_TRUE(model.Pick(img.plane, 2, 2));
    EXPECT_NE(model.Factors(), before);
}

TEST(WhiteBalance, ZeroChannelGoesTo255AndBlackReferenceIsNeutral) {
    const WhiteBalanceFactors f = FactorsFromReference(120.0f, 0.0f, 60.0f);
    EXPECT_TRUE(std::isinf(f.g));
    TestImage src(3, 1), dst(3, 1);
    src.SetRgb(0, 0, 10, 1, 10);
    src.SetRgb(1, 0, 10, 0, 10);
    src.SetRgb(2, 0, 255, 255, 255);
    ASSERT_TRUE(ApplyWhiteBalance(src.plane, dst.plane, f));
    EXPECT_EQ(Rgb(dst, 0, 0)[1], 255);
    EXPECT_EQ(Rgb(dst, 1, 0)[1], 0);  // 0 * infinity is not a number: 0
    EXPECT_EQ(Rgb(dst, 2, 0)[1], 255);

    EXPECT_EQ(FactorsFromReference(0.0f, 0.0f, 0.0f), (WhiteBalanceFactors{1.0f, 1.0f, 1.0f}));
    EXPECT_EQ(WhiteBalanceByte(200, std::nanf("")), 0);
    EXPECT_EQ(WhiteBalanceByte(200, -2.0f), 0);
    EXPECT_EQ(WhiteBalanceByte(200, 1.2f), 240);
}

TEST(WhiteBalance, HlsConversions) {
    const RgbF c = HlsToRgb(0.0f, 0.7f, 1.0f);
    EXPECT_FLOAT_EQ(c.r, 1.0f);
    EXPECT_NEAR(c.g, 0.4f, 1e-6f);
    EXPECT_NEAR(c.b, 0.4f, 1e-6f);
    const RgbF wheel = WheelReference(0.0f, 60.0f);
    EXPECT_FLOAT_EQ(wheel.r, c.r);
    EXPECT_FLOAT_EQ(wheel.g, c.g);
    // The hue pair's upper end (360 degrees, HLS hue 1) is red like 0.
    const RgbF full = HlsToRgb(1.0f, 0.7f, 1.0f);
    EXPECT_FLOAT_EQ(full.r, c.r);
    EXPECT_FLOAT_EQ(full.g, c.g);
    EXPECT_FLOAT_EQ(full.b, c.b);
    const RgbF black = HlsToRgb(0.3f, 0.0f, 0.5f);
    EXPECT_EQ(black.r + black.g + black.b, 0.0f);

    const Hls grey = RgbToHls(0.5f, 0.5f, 0.5f);
    EXPECT_EQ(grey.h, 0.0f);
    EXPECT_EQ(grey.s, 0.0f);
    EXPECT_FLOAT_EQ(grey.l, 0.5f);
    EXPECT_NEAR(RgbToHls(0, 1, 0).h, 1.0f / 3.0f, 1e-6f);
    EXPECT_NEAR(RgbToHls(0, 0, 1).h, 2.0f / 3.0f, 1e-6f);

    // Both ways round, for colours in every sextant and both halves of lightness.
    for (int r = 0; r < 256; r += 15)
        for (int g = 0; g < 256; g += 15)
            for (int b = 0; b < 256; b += 15) {
                const Hls h = RgbToHls(r / 255.0f, g / 255.0f, b / 255.0f);
                const RgbF back = HlsToRgb(h.h, h.l, h.s);
                ASSERT_NEAR(back.r * 255.0f, r, 1e-3f) << r << " " << g << " " << b;
                ASSERT_NEAR(back.g * 255.0f, g, 1e-3f) << r << " " << g << " " << b;
                ASSERT_NEAR(back.b * 255.0f, b, 1e-3f) << r << " " << g << " " << b;
            }
}

TEST(WhiteBalance, WheelReferenceCorrectsTheCast) {
    CWhiteBalanceModel model;
    model.SetFromWheel(0.0f, 60.0f);  // a red reference: red down, green and blue up
    EXPECT_LT(model.Factors().r, 1.0f);
    EXPECT_GT(model.Factors().g, 1.0f);
    EXPECT_GT(model.Factors().b, 1.0f);
    EXPECT_FLOAT_EQ(model.Factors().g, model.Factors().b);
    model.SetFromWheel(240.0f, 30.0f);  // blue
    EXPECT_LT(model.Factors().b, model.Factors().r);
}

TEST(WhiteBalance, ColourWheelPicture) {
    TestImage img(kWheelSize, kWheelSize);
    ASSERT_TRUE(DrawColorWheel(img.plane, 10, 20, 30, 90.0f, 40.0f));
    EXPECT_EQ(Rgb(img, 0, 0), (std::array<uint8_t, 3>{10, 20, 30}));  // outside: background
    EXPECT_EQ(Rgb(img, 0, 60), (std::array<uint8_t, 3>{10, 20, 30}));  // 60 away
    const auto centre = Rgb(img, 60, 61);  // one pixel below the centre: almost grey
    EXPECT_NEAR(centre[0], 178, 3);
    EXPECT_NEAR(centre[1], 178, 3);
    const auto right = Rgb(img, 110, 60);  // hue 0: red
    EXPECT_GT(right[0], right[1] + 60);
    EXPECT_NEAR(right[1], right[2], 1);
    const auto left = Rgb(img, 10, 60);  // hue 180: cyan
    EXPECT_GT(left[2], left[0] + 60);
    EXPECT_EQ(Rgb(img, 60, 20), (std::array<uint8_t, 3>{0, 0, 0}));  // the cross, 40 up
    EXPECT_EQ(Rgb(img, 63, 20), (std::array<uint8_t, 3>{0, 0, 0}));
    TestImage small(50, 50);
    EXPECT_FALSE(DrawColorWheel(small.plane, 0, 0, 0, 0, 0));
    EXPECT_TRUE(DrawColorWheel(img.plane, 0, 0, 0, std::nanf(""), 1e30f));
}

TEST(WhiteBalance, WheelPointsGiveHueAndSaturation) {
    auto p = WheelPointAt(90, 60);
    ASSERT_TRUE(p);
    EXPECT_FLOAT_EQ(p->hue, 0.0f);
    EXPECT_FLOAT_EQ(p->saturation, 30.0f);
    p = WheelPointAt(60, 20);
    ASSERT_TRUE(p);
    EXPECT_FLOAT_EQ(p->hue, 90.0f);
    EXPECT_FLOAT_EQ(p->saturation, 40.0f);
    p = WheelPointAt(60, 100);
    ASSERT_TRUE(p);
    EXPECT_FLOAT_EQ(p->hue, 270.0f);
    EXPECT_TRUE(WheelPointAt(120, 60));  // exactly 60 away
    EXPECT_FALSE(WheelPointAt(0, 0));
    EXPECT_FALSE(WheelPointAt(121, 60));
}
