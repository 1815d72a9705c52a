// Shadow and highlight control: fixed points, dark and bright regions, stage reuse, threads.
#include <gtest/gtest.h>

#include "detail/shadowcontrol.h"
#include "detail_testimage.h"

using namespace detail;
using detailtest::Image;

namespace {

Image Flat(int r, int g, int b, int32_t w = 64, int32_t h = 48) {
    Image image(w, h);
    for (int32_t y = 0; y < h; ++y)
        for (int32_t x = 0; x < w; ++x) image.SetRgb(x, y, r, g, b);
    return image;
}

}  // namespace

TEST(ShadowControl, BlackAndWhiteStayPut) {
    for (int level : {0, 255}) {
        const Image src = Flat(level, level, level, 90, 70);
        for (float color : {-100.0f, 37.0f})
            for (ShadowParams p : {ShadowParams{0, 1, 100, color}, ShadowParams{100, 120, 0, color}}) {
                Image a(90, 70), b(90, 70);
                ASSERT_TRUE(ApplyShadowControl(src.plane, a.plane, p));
                ASSERT_TRUE(ApplyHighlightControl(src.plane, b.plane, p));
                EXPECT_TRUE(a.SamePixels(src)) << level << " " << color;
                EXPECT_TRUE(b.SamePixels(src)) << level << " " << color;
            }
    }
}

TEST(ShadowControl, DarkRegionsLiftBrightRegionsStay) {
    Image src(160, 120);
    for (int32_t y = 0; y < 120; ++y)
        for (int32_t x = 0; x < 160; ++x) x < 80 ? src.SetRgb(x, y, 12, 10, 8) : src.SetRgb(x, y, 240, 238, 236);
    Image shadow(160, 120), highlight(160, 120);
    ASSERT_TRUE(ApplyShadowControl(src.plane, shadow.plane, ShadowParams{40, 5, 80, 0}));
    ASSERT_TRUE(ApplyHighlightControl(src.plane, highlight.plane, ShadowParams{40, 5, 80, 0}));
    // Far from the edge: the dark side brightens a lot under shadows, the bright side keeps
    // its values; highlights do the reverse.
    EXPECT_GT(shadow.Pixel(10, 60)[1], 10 + 20);
    EXPECT_LE(std::abs(shadow.Pixel(150, 60)[1] - 238), 2);
    EXPECT_LT(highlight.Pixel(150, 60)[1], 238 - 20);
    EXPECT_LE(std::abs(highlight.Pixel(10, 60)[1] - 10), 2);
}

TEST(ShadowControl, OnlyChangedStagesAreRedone) {
    const Image src = detailtest::Photo(300, 200, 3, 17);
    Image dst(300, 200), fresh(300, 200);
    CShadowControl engine;
    ASSERT_TRUE(engine.Process(src.plane, dst.plane, 40, 30, 50, 0, kShadowStageAll));
    EXPECT_EQ(engine.LastStartStage(), 0);

    ASSERT_TRUE(engine.Process(src.plane, dst.plane, 40, 30, 50, -60, kShadowStageColor));
    EXPECT_EQ(engine.LastStartStage(), 4);
    ASSERT_TRUE(ApplyShadowControl(src.plane, fresh.plane, ShadowParams{40, 30, 50, -60}));
    EXPECT_TRUE(dst.SamePixels(fresh));

    // A stage request later than what changed is widened to the changed stage.
    ASSERT_TRUE(engine.Process(src.plane, dst.plane, 40, 12, 20, -60, kShadowStageColor));
    EXPECT_EQ(engine.LastStartStage(), 2);
    ASSERT_TRUE(engine.Process(src.plane, dst.plane, 70, 12, 20, -60, kShadowStageColor));
    EXPECT_EQ(engine.LastStartStage(), 1);
    ASSERT_TRUE(ApplyShadowControl(src.plane, fresh.plane, ShadowParams{70, 12, 20, -60}));
    EXPECT_TRUE(dst.SamePixels(fresh));

    // Another source starts from the luminance again.
    const Image other = detailtest::Photo(300, 200, 3, 18);
    ASSERT_TRUE(engine.Process(other.plane, dst.plane, 70, 12, 20, -60, kShadowStageColor));
    EXPECT_EQ(engine.LastStartStage(), 0);
}

TEST(ShadowControl, AbandonedBlurIsRedoneNextTime) {
    const Image src = detailtest::Photo(1200, 60, 3, 19);
    Image dst(1200, 60), fresh(1200, 60);
    CShadowControl engine;
    bool stale = true;
    engine.SetHooks(RunHooks{nullptr, [&] { return stale; }, {}});
    EXPECT_FALSE(engine.Process(src.plane, dst.plane, 40, 30, 50, 0, kShadowStageAll));
    stale = false;
    ASSERT_TRUE(engine.Process(src.plane, dst.plane, 40, 30, 50, 0, kShadowStageColor));
    EXPECT_EQ(engine.LastStartStage(), 1);
    ASSERT_TRUE(ApplyShadowControl(src.plane, fresh.plane, ShadowParams{}));
    EXPECT_TRUE(dst.SamePixels(fresh));
}

TEST(ShadowControl, ThreadCountDoesNotChangeResults) {
    const Image src = detailtest::Photo(1100, 300, 3, 29);
    Image one(1100, 300), two(1100, 300);
    CHighlightControl a, b;
    a.SetThreadCount(1);
    b.SetThreadCount(2);
    ASSERT_TRUE(a.Process(src.plane, one.plane, 30, 20, 60, 40, kShadowStageAll));
    ASSERT_TRUE(b.Process(src.plane, two.plane, 30, 20, 60, 40, kShadowStageAll));
    EXPECT_TRUE(one.SamePixels(two));
}
