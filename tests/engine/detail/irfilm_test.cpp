// Infra-red film: hue weights, grey output, the glow rules.
#include <gtest/gtest.h>

#include "detail/gaussblur.h"
#include "detail/irfilm.h"
#include "detail_testimage.h"

using namespace detail;
using detailtest::Image;

namespace {

bool IsGrey(const Image& image) {
    for (int32_t y = 0; y < image.plane.height; ++y)
        for (int32_t x = 0; x < image.plane.width; ++x) {
            const uint8_t* p = image.At(x, y);
            if (p[0] != p[1] || p[1] != p[2]) return false;
        }
    return true;
}

// The first byte of every pixel as a one-channel image.
Image FirstChannel(const Image& image) {
    Image out(image.plane.width, image.plane.height, 1);
    for (int32_t y = 0; y < image.plane.height; ++y)
        for (int32_t x = 0; x < image.plane.width; ++x) *out.At(x, y) = image.At(x, y)[0];
    return out;
}

}  // namespace

TEST(IrFilm, HueWeights) {
    EXPECT_FLOAT_EQ(IrHueWeights(0).r, 1.0f);
    EXPECT_NEAR(IrHueWeights(120).g, 1.0f, 1e-5);
    IrWeights w = IrHueWeights(-55);
    EXPECT_NEAR(w.r, 0.5254f, 1e-3);
    EXPECT_NEAR(w.b, 0.4746f, 1e-3);
    EXPECT_FLOAT_EQ(w.g, 0.0f);
    for (float hue : {-180.0f, -90.0f, 30.0f, 179.0f}) {
        w = IrHueWeights(hue);
        EXPECT_NEAR(w.r + w.g + w.b, 1.0f, 1e-5) << hue;
    }
    EXPECT_FLOAT_EQ(IrGlowSigma(20), 12.0f);
    EXPECT_FLOAT_EQ(IrPreviewGlowSize(20, 0.5f), 10.0f);
    EXPECT_FLOAT_EQ(IrPreviewGlowSize(20, 2.0f), 20.0f);
}

TEST(IrFilm, OutputIsGrey) {
    const Image src = Image(200, 150).Random(3);
    Image dst(200, 150);
    ASSERT_TRUE(ApplyIrFilm(src.plane, dst.plane, IrFilmParams{}));
    EXPECT_TRUE(IsGrey(dst));
    ASSERT_TRUE(ApplyIrFilm(src.plane, dst.plane, IrFilmParams{90, 100, -100, 100, 100}));
    EXPECT_TRUE(IsGrey(dst));
}

TEST(IrFilm, AmountZeroIsTheWeightedSum) {
    const Image src = Image(50, 40).Random(5);
    Image dst(50, 40);
    const IrFilmParams p{30, 0, 0, 0, 50};
    ASSERT_TRUE(ApplyIrFilm(src.plane, dst.plane, p));
    const IrWeights w = IrHueWeights(30);
    for (int32_t y = 0; y < 40; ++y)
        for (int32_t x = 0; x < 50; ++x) {
            const uint8_t* s = src.At(x, y);
            const int t = int(w.g * s[1]) + int(w.b * s[0]) + int(w.r * s[2]);
            ASSERT_EQ(dst.At(x, y)[0], std::clamp(t, 0, 255));
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
