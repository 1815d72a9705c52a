// Infra-red film: hue weights, grey output, the glow rules.
#include <gtest/gtest.h>

#include "detail/gaussblur.h"
#include "detail/irfilm.h"
#include "detail_testimage.h"

using namespace detail;
using detailtest::Image;

namespace {

// The first byte of every pixel as a one-channel image.
Image FirstChannel(const Image& image) {
    Image out(image.plane.width, image.plane.height, 1);
    for (int32_t y = 0; y < image.plane.height; ++y)
        for (int32_t x = 0; x < image.plane.width; ++x) *out.Pixel(x, y) = image.Pixel(x, y)[0];
    return out;
}

}  // namespace

// The three weights always share one unit between them; red at hue 0, green at 120.
TEST(IrFilm, HueWeightsSumToOne) {
    EXPECT_FLOAT_EQ(IrHueWeights(0).r, 1.0f);
    EXPECT_NEAR(IrHueWeights(120).g, 1.0f, 1e-5);
    for (float hue : {-180.0f, -90.0f, -55.0f, 30.0f, 179.0f}) {
        const IrWeights w = IrHueWeights(hue);
        EXPECT_NEAR(w.r + w.g + w.b, 1.0f, 1e-5) << hue;
    }
}

// Without glow every channel is the weighted sum; with glow, by default and at the
// extremes, the output stays grey.
TEST(IrFilm, OutputIsGreyAndAmountZeroIsTheWeightedSum) {
    const Image src = Image(50, 40).Random(5);
    Image dst(50, 40);
    ASSERT_TRUE(ApplyIrFilm(src.plane, dst.plane, IrFilmParams{30, 0, 0, 0, 50}));
    const IrWeights w = IrHueWeights(30);
    for (int32_t y = 0; y < 40; ++y)
        for (int32_t x = 0; x < 50; ++x) {
            const uint8_t *s = src.Pixel(x, y), *d = dst.Pixel(x, y);
            const int t = std::clamp(int(w.g * s[1]) + int(w.b * s[0]) + int(w.r * s[2]), 0, 255);
            ASSERT_TRUE(d[0] == t && d[1] == t && d[2] == t) << x << "," << y;
        }
    for (const IrFilmParams& p : {IrFilmParams{}, IrFilmParams{90, 100, -100, 100, 100}}) {
        ASSERT_TRUE(ApplyIrFilm(src.plane, dst.plane, p));
        for (int32_t y = 0; y < 40; ++y)
            for (int32_t x = 0; x < 50; ++x) ASSERT_TRUE(dst.Pixel(x, y)[0] == dst.Pixel(x, y)[1] && dst.Pixel(x, y)[1] == dst.Pixel(x, y)[2]);
    }
}

TEST(IrFilm, GlowRules) {
    const Image src = detailtest::Photo(240, 180, 3, 8);
    Image plain(240, 180), small(240, 180), none(240, 180), full(240, 180);
    ASSERT_TRUE(ApplyIrFilm(src.plane, plain.plane, IrFilmParams{-55, 20, 10, 0, 0}));
    // Glow size up to 1 (sigma 0.6) gives no glow whatever the glow amount.
    ASSERT_TRUE(ApplyIrFilm(src.plane, small.plane, IrFilmParams{-55, 20, 10, 1, 100}));
    EXPECT_TRUE(small.SamePixels(plain));
    // Glow amount 0 leaves the plain grey image.
    ASSERT_TRUE(ApplyIrFilm(src.plane, none.plane, IrFilmParams{-55, 20, 10, 40, 0}));
    EXPECT_TRUE(none.SamePixels(plain));
    // Glow amount 100 gives only the blurred copy.
    ASSERT_TRUE(ApplyIrFilm(src.plane, full.plane, IrFilmParams{-55, 20, 10, 40, 100}));
    const Image grey = FirstChannel(plain);
    Image blurred(240, 180, 1);
    CGaussBlur1c blur;
    ASSERT_EQ(blur.Blur(24.0f, grey.plane, &blurred.plane), BlurStatus::Done);
    EXPECT_TRUE(FirstChannel(full).SamePixels(blurred));
    EXPECT_FALSE(full.SamePixels(plain));
}
