// Zoom steps, fitting, the shown region, and the nearest-pixel stretch of the editor view.
#include <gtest/gtest.h>

#include <vector>

#include "editor/viewlayout.h"

using namespace viewlayout;

TEST(ViewLayoutTest, FitUsesTheHeightWhenTheWidthWouldOverflowAndCentres) {
    ViewState state;
    const Layout l = ComputeLayout(4000, 3000, 1000, 600, state);
    EXPECT_DOUBLE_EQ(state.zoom, 0.2);
    EXPECT_EQ(l.dstWidth, 800);
    EXPECT_EQ(l.dstHeight, 600);
    EXPECT_EQ(l.dstX, 100);
    EXPECT_EQ(l.dstY, 0);
    EXPECT_EQ(l.srcWidth, 4000);
    EXPECT_FLOAT_EQ(state.centreX, 2000);
    // The fit is one-shot: a larger window keeps the factor.
    ComputeLayout(4000, 3000, 2000, 1200, state);
    EXPECT_DOUBLE_EQ(state.zoom, 0.2);
    // Small pictures are enlarged to fit too.
    ViewState small;
    ComputeLayout(100, 50, 1000, 600, small);
    EXPECT_DOUBLE_EQ(small.zoom, 10.0);
}

TEST(ViewLayoutTest, ZoomStepsAndTheirEnds) {
    EXPECT_DOUBLE_EQ(ZoomIn(0.2), 0.25);
    EXPECT_DOUBLE_EQ(ZoomOut(0.2), 0.1667);
    EXPECT_DOUBLE_EQ(ZoomIn(0.001), 0.015);
    EXPECT_DOUBLE_EQ(ZoomIn(16), 16);
    EXPECT_DOUBLE_EQ(ZoomIn(1), 2);
    EXPECT_DOUBLE_EQ(ZoomOut(0.02), 0.02);
    EXPECT_DOUBLE_EQ(ZoomOut(0.015), 0.015);
    EXPECT_DOUBLE_EQ(ZoomOut(0.03), 0.02);
    EXPECT_DOUBLE_EQ(ZoomOut(16), 12);
    EXPECT_DOUBLE_EQ(ZoomOut(40), 12);
    EXPECT_DOUBLE_EQ(ZoomOut(1), 0.6667);
    EXPECT_EQ(ZoomText(0.25), "25.00 %");
}

TEST(ViewLayoutTest, SliderMapsZoomBothWays) {
    EXPECT_EQ(ZoomToSlider(0), 0);
    EXPECT_EQ(ZoomToSlider(16), 1000);
    for (double zoom : {0.02, 0.25, 1.0, 3.0, 12.0}) {
        const double back = SliderToZoom(ZoomToSlider(zoom));
        EXPECT_NEAR(back, zoom, zoom * 0.02) << zoom;
    }
}

TEST(ViewLayoutTest, ShownRegionStaysInsideTheImage) {
    ViewState state{1.0, 990, 5};
    const Layout l = ComputeLayout(1000, 1000, 100, 100, state);
    EXPECT_EQ(l.srcX, 900);
    EXPECT_EQ(l.srcY, 0);
    EXPECT_EQ(l.srcWidth, 100);
    EXPECT_EQ(l.dstWidth, 100);
    EXPECT_FLOAT_EQ(state.centreX, 950);
    // Zoom 3 in a 100-pixel window shows ceil(100 / 3) = 34 pixels.
    ViewState zoomed{3.0, 500, 500};
    const Layout z = ComputeLayout(1000, 1000, 100, 100, zoomed);
    EXPECT_EQ(z.srcWidth, 34);
    // A picture narrower than the window is centred on that axis only.
    ViewState wide{1.0, 50, 500};
    const Layout n = ComputeLayout(60, 1000, 100, 100, wide);
    EXPECT_EQ(n.dstX, 20);
    EXPECT_EQ(n.dstWidth, 60);
    EXPECT_EQ(n.srcHeight, 100);
}

TEST(ViewLayoutTest, FirstWindowSizeAroundTheImage) {
    int32_t w = 0, h = 0;
    FirstDisplaySize(500, 400, 1000, 800, w, h);
    EXPECT_EQ(w, 504);
    EXPECT_EQ(h, 404);
    FirstDisplaySize(4000, 3000, 1000, 800, w, h);
    EXPECT_EQ(w, 904);
    EXPECT_EQ(h, 679);
}

TEST(ViewLayoutTest, StretchRepeatsAndDropsPixelsWithoutAveraging) {
    std::vector<uint8_t> a(ImagePlane::BytesFor(4, 2)), b(ImagePlane::BytesFor(8, 4)), c(ImagePlane::BytesFor(2, 1));
    const ImagePlane src = ImagePlane::Make(a.data(), 4, 2), up = ImagePlane::Make(b.data(), 8, 4),
                     down = ImagePlane::Make(c.data(), 2, 1);
    for (int y = 0; y < 2; ++y)
        for (int x = 0; x < 4; ++x)
            for (int k = 0; k < 3; ++k) src.Row(y)[x * 3 + k] = uint8_t(10 * (y * 4 + x) + k);
    StretchNearest(src, 0, 0, 4, 2, up);
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 8; ++x) EXPECT_EQ(up.Row(y)[x * 3], src.Row(y / 2)[(x / 2) * 3]);
    StretchNearest(src, 0, 0, 4, 2, down);
    EXPECT_EQ(down.Row(0)[0], 0);
    EXPECT_EQ(down.Row(0)[3], 20);  // pixel 2 of row 0, never a blend of 1 and 2
    // A region of the source.
    StretchNearest(src, 2, 1, 2, 1, down);
    EXPECT_EQ(down.Row(0)[0], 60);
    EXPECT_EQ(down.Row(0)[3], 70);
}
