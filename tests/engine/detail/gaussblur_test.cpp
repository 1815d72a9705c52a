// The tiled blur engines: kernel sizes, tiling, both methods against a reference.
#include <gtest/gtest.h>

#include <cmath>

#include "detail/gaussblur.h"
#include "detail_testimage.h"

using namespace detail;
using detailtest::Capture1c;
using detailtest::CaptureRGB;
using detailtest::Image;
using detailtest::TileCall;

namespace {

// The largest difference; a value that is not a number makes the result not a number.
double MaxDifference(const std::vector<float>& a, const std::vector<double>& b) {
    double worst = 0;
    for (size_t i = 0; i < a.size(); ++i) {
        const double d = std::abs(double(a[i]) - b[i]);
        if (std::isnan(d)) return d;
        worst = std::max(worst, d);
    }
    return worst;
}

bool EveryPixelOnce(const std::vector<int>& hits) {
    return std::ranges::all_of(hits, [](int h) { return h == 1; });
}

// Blurs `src`, checks that the tiles cover every pixel once and that the values are within
// `tolerance` of the reference; returns the tiles handed out.
template <class Engine>
std::vector<TileCall> ExpectMatchesReference(const Image& src, float sigma, double tolerance) {
    SCOPED_TRACE(testing::Message() << src.plane.width << "x" << src.plane.height << " sigma " << sigma);
    detailtest::Capture<Engine> capture(src.plane.width, src.plane.height, src.plane.channels);
    EXPECT_EQ(capture.Blur(sigma, src.plane), BlurStatus::Done);
    EXPECT_TRUE(EveryPixelOnce(capture.hits));
    const auto reference = detailtest::ReferenceBlur(src.plane, sigma, KernelSizeFor(sigma).half);
    EXPECT_LT(MaxDifference(capture.values, reference), tolerance);
    return capture.calls;
}

}  // namespace

TEST(GaussKernel, TileOriginsOverlapByTwoMargins) {
    EXPECT_EQ(TileOrigins(1016, 4), (std::vector<int32_t>{-4, 1012}));
    EXPECT_EQ(TileOrigins(1, 2), (std::vector<int32_t>{-2}));
    EXPECT_TRUE(TileOrigins(100, 512).empty());
    EXPECT_EQ(FilledTileCount(1016, 1, 1.0f), 1);
    EXPECT_EQ(FilledTileCount(6000, 4000, 0.7f), 6 * 4);
}

TEST(GaussBlur, RefusesBadArguments) {
    Image src(20, 10, 1), dst(20, 10, 1), rgb(20, 10, 3), small(19, 10, 1);
    CGaussBlur1c blur;
    for (float sigma : {0.0f, -1.0f, std::nanf(""), kMaxBlurSigma * 1.01f})
        EXPECT_EQ(blur.Blur(sigma, src.plane), BlurStatus::Failed) << sigma;
    EXPECT_EQ(blur.Blur(1.0f, rgb.plane), BlurStatus::Failed);
    EXPECT_EQ(blur.Blur(1.0f, src.plane, &src.plane), BlurStatus::Failed);
    EXPECT_EQ(blur.Blur(1.0f, src.plane, &small.plane), BlurStatus::Failed);
    EXPECT_EQ(blur.Blur(1.0f, src.plane, &dst.plane), BlurStatus::Done);
    EXPECT_EQ(CGaussBlurRGB().Blur(1.0f, src.plane), BlurStatus::Failed);
}

TEST(GaussBlur, ConstantImageStaysConstantAtEverySigma) {
    for (float sigma : {0.4f, 3.3f, 14.5f, 14.6f, 120.0f}) {
        SCOPED_TRACE(sigma);
        Image src(130, 70, 1), dst(130, 70, 1);
        src.Fill(201);
        CGaussBlur1c blur;
        ASSERT_EQ(blur.Blur(sigma, src.plane, &dst.plane), BlurStatus::Done);
        EXPECT_TRUE(dst.SamePixels(src));
        Image rgb(90, 40, 3);
        for (int32_t y = 0; y < 40; ++y)
            for (int32_t x = 0; x < 90; ++x) rgb.SetRgb(x, y, 255, 3, 128);
        CaptureRGB capture(90, 40, 3);
        ASSERT_EQ(capture.Blur(sigma, rgb.plane), BlurStatus::Done);
        for (size_t i = 0; i < capture.values.size(); ++i)
            ASSERT_EQ(capture.values[i], float(rgb.bytes[0 + i % 3])) << i;
    }
}

// The direct method up to 71 taps, the FFT method beyond, both over several tiles and
// for one and three channels.
TEST(GaussBlur, DirectAndFftMethodsMatchTheReferenceAcrossTiles) {
    ASSERT_TRUE(!KernelSizeFor(14.5f).fft && KernelSizeFor(14.5f).taps == 71 && KernelSizeFor(14.6f).fft);
    EXPECT_EQ(ExpectMatchesReference<CGaussBlur1c>(detailtest::Photo(1100, 1050, 1, 11), 2.5f, 1e-3).size(), 4u);
    EXPECT_EQ(ExpectMatchesReference<CGaussBlurRGB>(detailtest::Photo(150, 1030, 3, 12), 6.0f, 1e-3).size(), 2u);
    EXPECT_EQ(ExpectMatchesReference<CGaussBlur1c>(detailtest::Photo(1300, 200, 1, 21), 14.6f, 2e-3).size(), 2u);
    EXPECT_EQ(ExpectMatchesReference<CGaussBlurRGB>(detailtest::Photo(100, 1000, 3, 22), 20.0f, 2e-3).size(), 2u);
    // sigma 1 gives m = 4: 1016 columns fill the first tile column, the second is empty.
    const auto calls = ExpectMatchesReference<CGaussBlur1c>(detailtest::Photo(kTileSize - 8, 9, 1, 3), 1.0f, 1e-3);
    ASSERT_EQ(calls.size(), 2u);
    EXPECT_EQ(calls[0].width, kTileSize - 8);
    EXPECT_LE(calls[1].width, 0);
}

TEST(GaussBlur, DestinationGetsTruncatedValues) {
    Image src = detailtest::Photo(400, 300, 1, 31), dst(400, 300, 1);
    Capture1c capture(400, 300, 1);
    ASSERT_EQ(capture.Blur(3.0f, src.plane, &dst.plane), BlurStatus::Done);
    for (int32_t y = 0; y < 300; ++y)
        for (int32_t x = 0; x < 400; ++x)
            ASSERT_EQ(*dst.Pixel(x, y), static_cast<int>(capture.values[static_cast<size_t>(y) * 400 + x]));
}

TEST(GaussBlur, LargeSigmaAfterSmallEqualsFreshEngine) {
    Image src = detailtest::Photo(1100, 120, 1, 41);
    Image a(1100, 120, 1), b(1100, 120, 1), c(1100, 120, 1);
    CGaussBlur1c reused, fresh;
    ASSERT_EQ(reused.Blur(0.7f, src.plane, &a.plane), BlurStatus::Done);
    ASSERT_EQ(reused.Blur(20.0f, src.plane, &a.plane), BlurStatus::Done);
    ASSERT_EQ(fresh.Blur(20.0f, src.plane, &b.plane), BlurStatus::Done);
    EXPECT_TRUE(a.SamePixels(b));
    // And back to a small sigma after the FFT method.
    ASSERT_EQ(reused.Blur(2.0f, src.plane, &a.plane), BlurStatus::Done);
    ASSERT_EQ(CGaussBlur1c().Blur(2.0f, src.plane, &c.plane), BlurStatus::Done);
    EXPECT_TRUE(a.SamePixels(c));
}

TEST(GaussBlur, FalseFromCallbackStopsAtOnce) {
    Image src = detailtest::Photo(2500, 40, 1, 51), dst(2500, 40, 1);
    dst.Fill(7);
    Capture1c capture(2500, 40, 1);
    capture.stopAfter = 2;
    EXPECT_EQ(capture.Blur(1.0f, src.plane, &dst.plane), BlurStatus::Stopped);
    ASSERT_EQ(capture.calls.size(), 2u);
    // The first tile was written, nothing of the second.
    const int32_t firstWidth = capture.calls[0].width;
    EXPECT_NE(*dst.Pixel(firstWidth - 1, 5), 7);
    for (int32_t x = firstWidth; x < 2500; ++x) ASSERT_EQ(*dst.Pixel(x, 5), 7);
}

TEST(GaussBlur, ThreadCountDoesNotChangeResults) {
    Image rgb = detailtest::Photo(1100, 300, 3, 61);
    for (float sigma : {0.7f, 16.0f}) {
        SCOPED_TRACE(sigma);
        CaptureRGB one(1100, 300, 3), two(1100, 300, 3);
        one.SetThreadCount(1);
        two.SetThreadCount(2);
        ASSERT_EQ(one.Blur(sigma, rgb.plane), BlurStatus::Done);
        ASSERT_EQ(two.Blur(sigma, rgb.plane), BlurStatus::Done);
        EXPECT_EQ(std::memcmp(one.values.data(), two.values.data(), one.values.size() * sizeof(float)), 0);
    }
}
