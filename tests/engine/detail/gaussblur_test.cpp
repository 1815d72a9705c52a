// The tiled blur engines: kernel sizes, tiling, both methods against a reference.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "detail/gaussblur.h"
#include "detail_testimage.h"

using namespace detail;
using detailtest::Image;

namespace {

struct TileCall {
    int32_t margin, width, height, x, y;
};

// Collects every blurred value the engine hands out, and how often each pixel came.
template <class Engine>
class Capture : public Engine {
public:
    Capture(int32_t width, int32_t height, int32_t channels)
        : width(width), channels(channels),
          values(static_cast<size_t>(width) * height * channels, std::numeric_limits<float>::quiet_NaN()),
          hits(static_cast<size_t>(width) * height, 0) {}

    bool OnTileReady(const ImagePlane& tile, int32_t margin, int32_t w, int32_t h, int32_t x, int32_t y) override {
        calls.push_back({margin, w, h, x, y});
        for (int32_t r = 0; r < h; ++r) {
            const float* row = reinterpret_cast<const float*>(tile.Row(margin + r));
            for (int32_t c = 0; c < w; ++c) {
                const size_t pixel = static_cast<size_t>(y + r) * width + (x + c);
                ++hits[pixel];
                for (int32_t ch = 0; ch < channels; ++ch)
                    values[pixel * channels + ch] = row[(margin + c) * channels + ch];
            }
        }
        return stopAfter < 0 || static_cast<int>(calls.size()) < stopAfter;
    }

    int32_t width, channels;
    std::vector<float> values;
    std::vector<int> hits;
    std::vector<TileCall> calls;
    int stopAfter = -1;
};

using Capture1c = Capture<CGaussBlur1c>;
using CaptureRGB = Capture<CGaussBlurRGB>;

double MaxDifference(const std::vector<float>& a, const std::vector<double>& b) {
    double worst = 0;
    for (size_t i = 0; i < a.size(); ++i) worst = std::max(worst, std::abs(double(a[i]) - b[i]));
    return worst;
}

bool EveryPixelOnce(const std::vector<int>& hits) {
    return std::all_of(hits.begin(), hits.end(), [](int h) { return h == 1; });
}

}  // namespace

TEST(GaussKernel, SizesFollowSigma) {
    // sigma, taps, margin, FFT method: the direct method up to 71 taps, then FFT.
    const struct {
        float sigma;
        int taps, margin;
        bool fft;
    } cases[] = {{0.3f, 3, 2, false}, {0.79f, 3, 2, false}, {1.0f, 5, 4, false},
                 {14.5f, 71, 70, false}, {14.6f, 73, 36, true}, {120.0f, 599, 299, true}};
    for (const auto& c : cases) {
        const auto s = KernelSizeFor(c.sigma);
        EXPECT_EQ(s.taps, c.taps) << c.sigma;
        EXPECT_EQ(s.margin, c.margin) << c.sigma;
        EXPECT_EQ(s.fft, c.fft) << c.sigma;
    }
}

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

TEST(GaussBlur, ImageExactlyOneTileWide) {
    // sigma 1 gives m = 4: 1016 columns fill the first tile column, the second is empty.
    const int32_t W = kTileSize - 8;
    Image src = detailtest::Photo(W, 9, 1, 3);
    Capture1c capture(W, 9, 1);
    ASSERT_EQ(capture.Blur(1.0f, src.plane), BlurStatus::Done);
    ASSERT_EQ(capture.calls.size(), 2u);
    EXPECT_EQ(capture.calls[0].width, W);
    EXPECT_LE(capture.calls[1].width, 0);
    EXPECT_TRUE(EveryPixelOnce(capture.hits));
    const auto reference = detailtest::ReferenceBlur(src.plane, 1.0f, 2);
    EXPECT_LT(MaxDifference(capture.values, reference), 1e-3);
}

TEST(GaussBlur, DirectMethodMatchesReferenceAcrossTiles) {
    // 1100 x 1050 needs 2 x 2 tiles at sigma 2.5 (m = 10); RGB on a narrower image at 6.
    Image src = detailtest::Photo(1100, 1050, 1, 11);
    Capture1c capture(1100, 1050, 1);
    ASSERT_EQ(capture.Blur(2.5f, src.plane), BlurStatus::Done);
    EXPECT_EQ(capture.calls.size(), 4u);
    EXPECT_TRUE(EveryPixelOnce(capture.hits));
    EXPECT_LT(MaxDifference(capture.values, detailtest::ReferenceBlur(src.plane, 2.5f, KernelSizeFor(2.5f).half)), 1e-3);

    Image rgb = detailtest::Photo(150, 1030, 3, 12);
    CaptureRGB captureRgb(150, 1030, 3);
    ASSERT_EQ(captureRgb.Blur(6.0f, rgb.plane), BlurStatus::Done);
    EXPECT_TRUE(EveryPixelOnce(captureRgb.hits));
    EXPECT_LT(MaxDifference(captureRgb.values, detailtest::ReferenceBlur(rgb.plane, 6.0f, KernelSizeFor(6.0f).half)), 1e-3);
}

TEST(GaussBlur, FftMethodMatchesReferenceAcrossTiles) {
    Image src = detailtest::Photo(1300, 200, 1, 21);
    Capture1c capture(1300, 200, 1);
    ASSERT_EQ(capture.Blur(14.6f, src.plane), BlurStatus::Done);
    EXPECT_TRUE(EveryPixelOnce(capture.hits));
    EXPECT_LT(MaxDifference(capture.values, detailtest::ReferenceBlur(src.plane, 14.6f, 36)), 2e-3);

    Image rgb = detailtest::Photo(100, 1000, 3, 22);
    CaptureRGB captureRgb(100, 1000, 3);
    ASSERT_EQ(captureRgb.Blur(20.0f, rgb.plane), BlurStatus::Done);
    EXPECT_EQ(captureRgb.calls.size(), 2u);
    EXPECT_TRUE(EveryPixelOnce(captureRgb.hits));
    EXPECT_LT(MaxDifference(captureRgb.values, detailtest::ReferenceBlur(rgb.plane, 20.0f, KernelSizeFor(20.0f).half)), 2e-3);
}

TEST(GaussBlur, DestinationGetsTruncatedValues) {
    Image src = detailtest::Photo(400, 300, 1, 31), dst(400, 300, 1);
    Capture1c capture(400, 300, 1);
    ASSERT_EQ(capture.Blur(3.0f, src.plane, &dst.plane), BlurStatus::Done);
    for (int32_t y = 0; y < 300; ++y)
        for (int32_t x = 0; x < 400; ++x)
            ASSERT_EQ(*dst.At(x, y), static_cast<int>(capture.values[static_cast<size_t>(y) * 400 + x]));
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
    EXPECT_NE(*dst.At(firstWidth - 1, 5), 7);
    for (int32_t x = firstWidth; x < 2500; ++x) ASSERT_EQ(*dst.At(x, 5), 7);
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
