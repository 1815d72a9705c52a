// Unsharp mask: the per-byte arithmetic, the whole-image routine and its preview hooks.
#include <gtest/gtest.h>

#include <cmath>

#include "fakes.h"
#include "detail/unsharpmask.h"
#include "detail_testimage.h"

using namespace detail;
using detailtest::Image;

namespace {

using testsupport::RecordingProgress;

}  // namespace

TEST(UnsharpByte, TruncatesLimitsAndThresholdsTheScaledDifference) {
    EXPECT_EQ(UnsharpByte(255, 254.6f, 1.0f, 0), 255);  // 255.4
    EXPECT_EQ(UnsharpByte(0, 3.2f, 1.0f, 0), 0);        // -3.2
    EXPECT_EQ(UnsharpByte(10, 9.1f, 1.0f, 0), 10);      // 10.9
    // Amount 200, threshold 10: a difference of 4 (scaled 8) stays, 6 (scaled 12) sharpens.
    EXPECT_EQ(UnsharpByte(100, 96.0f, 2.0f, 10), 100);
    EXPECT_EQ(UnsharpByte(100, 94.0f, 2.0f, 10), 112);
    EXPECT_EQ(UnsharpByte(100, 106.0f, 2.0f, 10), 88);
    // Threshold 0 sharpens any difference.
    EXPECT_EQ(UnsharpByte(100, 99.0f, 2.0f, 0), 102);
}

TEST(UnsharpMask, FlatImageUnchangedForEveryParameterSet) {
    Image src(300, 200), dst(300, 200);
    for (int32_t y = 0; y < 200; ++y)
        for (int32_t x = 0; x < 300; ++x) src.SetRgb(x, y, 250, 7, 129);
    for (UnsharpParams p : {UnsharpParams{500, 0.7f, 0}, UnsharpParams{500, 20, 0}, UnsharpParams{500, 120, 0}}) {
        SCOPED_TRACE(p.radius);
        dst.Fill(0);
        ASSERT_TRUE(detail::ApplyUnsharpMask(src.plane, dst.plane, p));
        EXPECT_TRUE(dst.SamePixels(src));
    }
}

TEST(UnsharpMask, EveryByteFollowsTheFormulaAcrossTiles) {
    // 1100 x 300 at radius 3 spans two tile columns.
    Image src = detailtest::Photo(1100, 300, 3, 7), dst(1100, 300);
    detailtest::CaptureRGB blur(1100, 300, 3);
    ASSERT_EQ(blur.Blur(3.0f, src.plane), BlurStatus::Done);
    ASSERT_TRUE(detail::ApplyUnsharpMask(src.plane, dst.plane, UnsharpParams{250, 3.0f, 4}));
    int changed = 0;
    for (int32_t y = 0; y < 300; ++y)
        for (int32_t j = 0; j < 1100 * 3; ++j) {
            const uint8_t o = src.plane.Row(y)[j];
            const uint8_t expected = UnsharpByte(o, blur.values[static_cast<size_t>(y) * 3300 + j], 2.5f, 4);
            ASSERT_EQ(dst.plane.Row(y)[j], expected) << j / 3 << "," << y;
            changed += expected != o;
        }
    EXPECT_GT(changed, 1000);
}

TEST(UnsharpMask, RefusesBadPlanes) {
    Image src(10, 10), dst(10, 10), other(11, 10), grey(10, 10, 1);
    CUnsharpMask usm;
    EXPECT_FALSE(usm.ApplyUnsharpMask(src.plane, src.plane, 180, 0.7f, 0));
    EXPECT_FALSE(usm.ApplyUnsharpMask(src.plane, other.plane, 180, 0.7f, 0));
    EXPECT_FALSE(usm.ApplyUnsharpMask(grey.plane, grey.plane, 180, 0.7f, 0));
    EXPECT_FALSE(usm.ApplyUnsharpMask(src.plane, dst.plane, NAN, 0.7f, 0));
    EXPECT_TRUE(usm.ApplyUnsharpMask(src.plane, dst.plane, 180, 0.7f, 0));
}

TEST(UnsharpMask, RadiusSliderRoundTrips) {
    for (float radius : {0.4f, 0.7f, 15.0f, 120.0f}) EXPECT_NEAR(UsmRadiusFromSlider(UsmSliderFromRadius(radius)), radius, 1e-4);
}

// Three tiles across: the whole-image run counts them, and a stale preview gives up after
// the first.
TEST(UnsharpMask, ProgressCountsTilesAndAStalePreviewStopsAtTheNextTileBorder) {
    Image src = detailtest::Photo(2100, 40, 3, 9), dst(2100, 40), full(2100, 40);
    RecordingProgress progress;
    ASSERT_TRUE(detail::ApplyUnsharpMask(src.plane, full.plane, UnsharpParams{}, &progress));
    EXPECT_EQ(progress.title, "Un-sharp mask");
    EXPECT_EQ(progress.total, 3);
    EXPECT_EQ(progress.positions, (std::vector<int>{1, 2, 3}));
    EXPECT_EQ(progress.ends, 1);
    int tiles = 0;
    CUnsharpMask usm;
    usm.SetHooks(RunHooks{nullptr, [&] { return tiles >= 1; }, [&] { ++tiles; }});
    EXPECT_FALSE(usm.ApplyUnsharpMask(src.plane, dst.plane, 180, 0.7f, 0));
    EXPECT_EQ(tiles, 1);
    // The first tile's columns are final, the rest untouched.
    for (int32_t y = 0; y < 40; ++y) {
        EXPECT_EQ(std::memcmp(dst.plane.Row(y), full.plane.Row(y), 1020 * 3), 0);
        EXPECT_EQ(dst.Pixel(1500, y)[0], 0);
    }
}
