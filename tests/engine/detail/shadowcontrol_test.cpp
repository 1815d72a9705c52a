// Shadow and highlight control: fixed points, the formula on flat images, stage reuse.
#include <gtest/gtest.h>

#include "adjust/curves/curves.h"
#include "detail/shadowcontrol.h"
#include "detail_testimage.h"

using namespace detail;
using detailtest::Image;

namespace {

adjust::ByteTable Curve(float x1) {
    CCurves curves;
    const CCurves::Point points[] = {{0, 0}, {x1, 127}, {255, 255}};
    EXPECT_TRUE(curves.SetPoints(0, points));
    curves.BuildTables();
    return curves.Table(0);
}

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

TEST(ShadowControl, FlatColourFollowsTheFormula) {
    // On a flat image both blurs return the mapped luminance itself, so the mask is the
    // mapped luminance and each byte can be worked out by hand.
    const int r = 60, g = 40, b = 20;
    const Image src = Flat(r, g, b);
    const int L = (467 * b + 2404 * g + 1225 * r + 2048) >> 12;
    for (bool shadow : {true, false}) {
        for (float C : {-100.0f, 0.0f, 60.0f}) {
            SCOPED_TRACE(C);
            const ShadowParams p{25, 10, 70, C};
            const auto mapCurve = Curve(shadow ? (p.tonalWidth + 1) * 1.27f : (100 - p.tonalWidth) * 1.24f + 127);
            const auto V = Curve(shadow ? (101 - p.amount) * 1.27f : (p.amount - 1) * 1.27f + 127);
            const int K = mapCurve[static_cast<size_t>(L)];
            float q[3] = {float(V[b]), float(V[g]), float(V[r])};
            const float c = std::abs(C) * 0.01f * (C > 0 ? 0.5f : 1.0f);
            const float s[3] = {float(b), float(g), float(r)};
            if (C < 0) {
                const float grey = 0.11f * q[0] + 0.59f * q[1] + 0.30f * q[2];
                for (float& v : q) v = std::trunc((1 - c) * v + c * grey);
            } else if (C > 0) {
                const float o[3] = {q[0], q[1], q[2]};
                for (int i = 0; i < 3; ++i)
                    q[i] = std::clamp(std::trunc((1 + c) * o[i] - c / 2 * (o[(i + 1) % 3] + o[(i + 2) % 3])), 0.0f, 255.0f);
            }
            const float w = shadow ? K / 255.0f : 1 - K / 255.0f;
            Image dst(64, 48);
            ASSERT_TRUE(shadow ? ApplyShadowControl(src.plane, dst.plane, p) : ApplyHighlightControl(src.plane, dst.plane, p));
            for (int i = 0; i < 3; ++i) {
                const float expected = w * s[i] + (1 - w) * q[i];
                EXPECT_NEAR(dst.Pixel(30, 20)[i], expected, 1.0) << i;
                EXPECT_EQ(dst.Pixel(30, 20)[i], dst.Pixel(0, 0)[i]);
            }
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
