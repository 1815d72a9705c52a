// Turning, mirroring and cutting pixels; the canvas and the largest fill-free rectangle.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

#include "geometry/orient.h"
#include "geometry/rotate.h"
#include "test_image.h"

using namespace geometry;
using testimage::RandomImage;
using testimage::Image;

namespace {

Image Turned(const Image& src, float angle, bool interpolated = false, int threads = 1) {
    const ImageSize size = RotatedSize(src.plane.width, src.plane.height, angle);
    Image dst(size.width, size.height);
    EXPECT_TRUE(interpolated ? RotateImageInterpolated(src.plane, dst.plane, angle, threads)
                             : RotateImage(src.plane, dst.plane, angle, threads));
    return dst;
}

bool SamePixel(const uint8_t* a, const uint8_t* b) { return a[0] == b[0] && a[1] == b[1] && a[2] == b[2]; }
bool Black(const uint8_t* p) { return p[0] == 0 && p[1] == 0 && p[2] == 0; }

}  // namespace

// Positive angles turn counter-clockwise.
TEST(RotateImage, QuarterTurnsMoveTheCornersAndMatchTheInterpolatingPath) {
    Image src = RandomImage(5, 3, 1);
    Image cw = Turned(src, -90.0f);
    ASSERT_EQ(cw.plane.width, 3);
    EXPECT_TRUE(SamePixel(cw.Pixel(2, 0), src.Pixel(0, 0)));
    EXPECT_TRUE(SamePixel(cw.Pixel(0, 4), src.Pixel(4, 2)));
    EXPECT_TRUE(SamePixel(Turned(src, 90.0f).Pixel(0, 4), src.Pixel(0, 0)));
    EXPECT_TRUE(SamePixel(Turned(src, 180.0f).Pixel(4, 2), src.Pixel(0, 0)));
    for (const auto& [w, h] : {std::pair{5, 3}, {4, 6}, {1, 9}, {33, 20}, {70, 101}}) {
        Image image = RandomImage(w, h, 10 + w);
        for (float angle : {0.0f, 90.0f, 180.0f, -90.0f, 450.0f, -270.0f}) {
            SCOPED_TRACE(testing::Message() << w << "x" << h << " by " << angle);
            Image fast = Turned(image, angle);
            EXPECT_TRUE(fast.SamePixels(Turned(image, angle, true)));
            EXPECT_TRUE(fast.SamePixels(Turned(image, angle, false, 3)));  // rows split among threads
            EXPECT_EQ(fast.plane.width, std::fmod(std::fabs(angle), 180.0f) == 90.0f ? h : w);
        }
    }
}

// Mirrors move the pixels they should and undo themselves; both together are a half turn.
TEST(RotateImage, MirrorsUndoThemselvesAndTogetherMakeAHalfTurn) {
    for (int w : {6, 7}) {
        Image src = RandomImage(w, 5, 77), a(w, 5), b(w, 5);
        ASSERT_TRUE(MirrorLeftRight(src.plane, a.plane));
        EXPECT_TRUE(SamePixel(a.Pixel(w - 1, 2), src.Pixel(0, 2)));
        ASSERT_TRUE(MirrorLeftRight(a.plane, b.plane));
        EXPECT_TRUE(b.SamePixels(src));
        ASSERT_TRUE(MirrorTopBottom(src.plane, a.plane));
        EXPECT_TRUE(SamePixel(a.Pixel(1, 4), src.Pixel(1, 0)));
        ASSERT_TRUE(MirrorTopBottom(a.plane, b.plane));
        EXPECT_TRUE(b.SamePixels(src));
        ASSERT_TRUE(MirrorLeftRight(a.plane, b.plane));
        EXPECT_TRUE(b.SamePixels(Turned(src, 180.0f)));
        EXPECT_TRUE(Turned(Turned(src, 90.0f), -90.0f).SamePixels(src));
    }
}

TEST(RotateImage, CanvasIsTheBoundingBoxOfTheTurnedPixelCentres) {
    const int32_t side = static_cast<int32_t>(std::lround(2999 * M_SQRT1_2 + 1999 * M_SQRT1_2)) + 1;
    EXPECT_EQ(RotatedSize(3000, 2000, 45.0f), (ImageSize{side, side}));
    const double r = 10.0 * M_PI / 180.0;
    EXPECT_EQ(RotatedSize(101, 51, 10.0f).width, std::lround(100 * std::cos(r) + 50 * std::sin(r)) + 1);
    EXPECT_EQ(RotatedSize(101, 51, -10.0f).height, std::lround(100 * std::sin(r) + 50 * std::cos(r)) + 1);
    EXPECT_EQ(RotatedSize(0, 10, 30.0f), (ImageSize{0, 0}));
}

// A smooth ramp is reproduced closely by cubic interpolation: every covered pixel is
// compared with the ramp's value at its exact source position; the rest is black.
TEST(RotateImage, GeneralAngleInterpolatesInsideAndFillsBlackOutside) {
    Image src(41, 31);
    for (int y = 0; y < 31; ++y)
        for (int x = 0; x < 41; ++x) {
            uint8_t* p = src.Pixel(x, y);
            p[0] = static_cast<uint8_t>(40 + 4 * x);
            p[1] = static_cast<uint8_t>(40 + 5 * y);
            p[2] = 200;
        }
    const RotationFrame f = RotationFrame::Make(41, 31, 17.0f);
    Image dst = Turned(src, 17.0f);
    EXPECT_TRUE(dst.SamePixels(Turned(src, 17.0f, false, 3)));
    int covered = 0, black = 0;
    for (int y = 0; y < dst.plane.height; ++y)
        for (int x = 0; x < dst.plane.width; ++x) {
            double sx, sy;
            f.SourceOf(x, y, sx, sy);
            const uint8_t* p = dst.Pixel(x, y);
            if (f.ContainsSource(sx, sy)) {
                ++covered;
                EXPECT_NEAR(p[0], 40 + 4 * sx, 1.0) << x << "," << y;
                EXPECT_NEAR(p[1], 40 + 5 * sy, 1.0) << x << "," << y;
                EXPECT_EQ(p[2], 200);
            } else {
                ++black;
                EXPECT_TRUE(Black(p));
            }
        }
    EXPECT_GT(covered, 41 * 31 * 9 / 10);
    EXPECT_GT(black, 0);
}

// Cubic overshoot beside a black/white edge must clip, not wrap around.
TEST(RotateImage, SaturatesOvershootAtSharpEdges) {
    Image src(20, 20);
    for (int y = 0; y < 20; ++y)
        for (int x = 10; x < 20; ++x) std::fill_n(src.Pixel(x, y), 3, 255);
    Image dst = Turned(src, 3.0f);
    const RotationFrame f = RotationFrame::Make(20, 20, 3.0f);
    for (int y = 0; y < dst.plane.height; ++y)
        for (int x = 0; x < dst.plane.width; ++x) {
            double sx, sy;
            f.SourceOf(x, y, sx, sy);
            if (f.ContainsSource(sx, sy) && (sx < 9.0 || sx > 10.0)) {
                EXPECT_EQ(dst.Pixel(x, y)[0], sx < 9.0 ? 0 : 255) << x << "," << y;
            }
        }
}

TEST(RotateImage, CropAndRefusalsOfPlanesOfTheWrongSize) {
    Image src = RandomImage(120, 80, 3);
    Image dst(100, 50), edge(20, 10);
    ASSERT_TRUE(CropImage(src.plane, dst.plane, {10, 20, 110, 70}));
    EXPECT_TRUE(SamePixel(dst.Pixel(0, 0), src.Pixel(10, 20)));
    EXPECT_TRUE(SamePixel(dst.Pixel(99, 49), src.Pixel(109, 69)));
    ASSERT_TRUE(CropImage(src.plane, edge.plane, {100, 70, 120, 80}));  // up to the last column and row
    EXPECT_TRUE(SamePixel(edge.Pixel(19, 9), src.Pixel(119, 79)));
    EXPECT_FALSE(CropImage(src.plane, edge.plane, {101, 70, 121, 80}));
    EXPECT_FALSE(CropImage(src.plane, edge.plane, {-1, 0, 19, 10}));
    EXPECT_FALSE(CropImage(src.plane, dst.plane, {10, 20, 110, 71}));
    Image small = RandomImage(5, 3, 2), wrong(5, 3), other(4, 3);
    EXPECT_FALSE(RotateImage(small.plane, wrong.plane, 90.0f));
    EXPECT_FALSE(RotateImage(small.plane, ImagePlane{}, 0.0f));
    EXPECT_FALSE(MirrorLeftRight(small.plane, other.plane));
    EXPECT_FALSE(MirrorTopBottom(ImagePlane{}, other.plane));
}

// The largest rectangle is centred, free of fill (source pixels are never 0 here), keeps the
// canvas's proportions, and one more pixel all round takes in fill.
TEST(LargestInscribedRect, IsCentredFillFreeAndCannotGrow) {
    auto hasFill = [](Image& canvas, const CropRect& r) {
        for (int y = r.top; y < r.bottom; ++y)
            for (int x = r.left; x < r.right; ++x)
                if (Black(canvas.Pixel(x, y))) return true;
        return false;
    };
    for (const auto& [w, h] : {std::pair{120, 80}, {80, 120}, {64, 17}}) {
        Image src = RandomImage(w, h, 42, 60, 200);
        for (float angle : {2.8624f, -7.0f, 30.0f, 45.0f, 89.5f, 135.0f}) {
            SCOPED_TRACE(testing::Message() << w << "x" << h << " by " << angle);
            const RotationFrame f = RotationFrame::Make(w, h, angle);
            Image canvas(f.width, f.height);
            ASSERT_TRUE(RotateImage(src.plane, canvas.plane, angle));
            const CropRect r = LargestInscribedRect(f);
            ASSERT_FALSE(r.IsEmpty());
            EXPECT_FALSE(hasFill(canvas, r));
            EXPECT_LE(std::abs((r.left + r.right) - f.width), 1);
            EXPECT_LE(std::abs((r.top + r.bottom) - f.height), 1);
            EXPECT_NEAR(static_cast<double>(r.Width()) / r.Height(), static_cast<double>(f.width) / f.height,
                        2.0 / std::min(r.Width(), r.Height()));
            EXPECT_TRUE(hasFill(canvas, {r.left - 1, r.top - 1, r.right + 1, r.bottom + 1}));
        }
    }
    for (float angle : {0.0f, 90.0f, -90.0f}) {
        const RotationFrame f = RotationFrame::Make(30, 20, angle);
        EXPECT_EQ(LargestInscribedRect(f), (CropRect{0, 0, f.width, f.height}));
    }
    EXPECT_TRUE(LargestInscribedRect(RotationFrame::Make(0, 0, 10.0f)).IsEmpty());
}

// Setting upright band by band, in any band sizes, gives what the whole-picture turn or
// mirror gives.
TEST(OrientRows, BandsAddUpToTheWholeTurnOrMirror) {
    for (const auto& [w, h] : {std::pair{5, 3}, {4, 6}, {1, 9}, {70, 101}}) {
        Image src = RandomImage(w, h, 3 * w + h);
        for (int orientation : {1, 2, 3, 4, 5, 6, 7, 8}) {
            SCOPED_TRACE(testing::Message() << w << "x" << h << " orientation " << orientation);
            Image whole = src;
            if (orientation == 2) {
                ASSERT_TRUE(MirrorLeftRight(src.plane, whole.plane));
            }
            if (orientation == 4) {
                ASSERT_TRUE(MirrorTopBottom(src.plane, whole.plane));
            }
            if (orientation == 3) whole = Turned(src, 180.0f);
            if (orientation == 6) whole = Turned(src, -90.0f);
            if (orientation == 8) whole = Turned(src, 90.0f);
            const ImageSize size = OrientedSize(w, h, orientation);
            Image banded(size.width, size.height);
            int32_t y = 0;
            for (int32_t band = 1; y < h; band = band * 2 + 1) {
                const int32_t end = std::min(h, y + band);
                ASSERT_TRUE(OrientRows(src.plane, banded.plane, orientation, y, end));
                y = end;
            }
            EXPECT_TRUE(banded.SamePixels(whole));
        }
    }
    Image src = RandomImage(5, 3, 1), dst(3, 5), wrong(5, 3);
    EXPECT_FALSE(OrientRows(src.plane, wrong.plane, 6, 0, 3));  // not the turned size
    EXPECT_FALSE(OrientRows(src.plane, dst.plane, 6, 2, 4));    // past the last row
    EXPECT_FALSE(OrientRows(src.plane, dst.plane, 6, 2, 1));
}
