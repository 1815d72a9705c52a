#include <gtest/gtest.h>

#include <cmath>

#include "geometry/rotate.h"
#include "test_images.h"

using namespace geometry;
using geometry_test::RandomImage;
using geometry_test::TestImage;

namespace {

TestImage Turned(TestImage& src, float angle, bool interpolated = false, int threads = 1) {
    const ImageSize size = RotatedSize(src.width, src.height, angle);
    TestImage dst(size.width, size.height);
    const bool ok = interpolated ? RotateImageInterpolated(src.Plane(), dst.Plane(), angle, threads)
                                 : RotateImage(src.Plane(), dst.Plane(), angle, threads);
    EXPECT_TRUE(ok);
    return dst;
}

bool SamePixel(const uint8_t* a, const uint8_t* b) {
    return a[0] == b[0] && a[1] == b[1] && a[2] == b[2];
}

}  // namespace

TEST(RotateImage, QuarterTurnOfFiveByThreePutsTopLeftAtTopRight) {
    TestImage src = RandomImage(5, 3, 1);
    TestImage cw = Turned(src, -90.0f);
    ASSERT_EQ(cw.width, 3);
    ASSERT_EQ(cw.height, 5);
    EXPECT_TRUE(SamePixel(cw.Pixel(2, 0), src.Pixel(0, 0)));
    EXPECT_TRUE(SamePixel(cw.Pixel(0, 4), src.Pixel(4, 2)));
    TestImage ccw = Turned(src, 90.0f);
    EXPECT_TRUE(SamePixel(ccw.Pixel(0, 4), src.Pixel(0, 0)));  // counter-clockwise: to bottom-left
    TestImage half = Turned(src, 180.0f);
    EXPECT_TRUE(SamePixel(half.Pixel(4, 2), src.Pixel(0, 0)));
}

TEST(RotateImage, RightAnglesCopyExactlyWhatTheInterpolatingPathGives) {
    // Odd, even and mixed sizes, every right angle and some equivalent spellings.
    const int sizes[][2] = {{5, 3}, {4, 6}, {7, 7}, {8, 8}, {1, 1}, {1, 9}, {10, 1}, {33, 20}};
    const float angles[] = {0.0f, 90.0f, 180.0f, 270.0f, -90.0f, -180.0f, 360.0f, 450.0f, -270.0f};
    uint32_t seed = 10;
    for (const auto& s : sizes) {
        TestImage src = RandomImage(s[0], s[1], seed++);
        for (float angle : angles) {
            SCOPED_TRACE(testing::Message() << s[0] << "x" << s[1] << " by " << angle);
            TestImage fast = Turned(src, angle);
            TestImage slow = Turned(src, angle, true);
            EXPECT_TRUE(fast.SamePixels(slow));
            const bool swapped = std::fmod(std::fabs(angle), 180.0f) == 90.0f;
            EXPECT_EQ(fast.width, swapped ? s[1] : s[0]);
            EXPECT_EQ(fast.height, swapped ? s[0] : s[1]);
        }
    }
}

TEST(RotateImage, TurnsAndFlipsUndoThemselves) {
    for (int w : {6, 7}) {
        TestImage src = RandomImage(w, 5, 77);
        TestImage t = src;
        for (int i = 0; i < 4; ++i) t = Turned(t, 90.0f);
        EXPECT_TRUE(t.SamePixels(src));
        TestImage back = Turned(src, 90.0f);
        back = Turned(back, -90.0f);
        EXPECT_TRUE(back.SamePixels(src));
        TestImage twice = Turned(src, 180.0f);
        twice = Turned(twice, 180.0f);
        EXPECT_TRUE(twice.SamePixels(src));

        TestImage a(w, 5), b(w, 5);
        ASSERT_TRUE(MirrorLeftRight(src.Plane(), a.Plane()));
        EXPECT_FALSE(a.SamePixels(src));
        EXPECT_TRUE(SamePixel(a.Pixel(w - 1, 2), src.Pixel(0, 2)));
        ASSERT_TRUE(MirrorLeftRight(a.Plane(), b.Plane()));
        EXPECT_TRUE(b.SamePixels(src));
        ASSERT_TRUE(MirrorTopBottom(src.Plane(), a.Plane()));
        EXPECT_TRUE(SamePixel(a.Pixel(1, 4), src.Pixel(1, 0)));
        ASSERT_TRUE(MirrorTopBottom(a.Plane(), b.Plane()));
        EXPECT_TRUE(b.SamePixels(src));
        // A half turn is both mirrors.
        ASSERT_TRUE(MirrorLeftRight(a.Plane(), b.Plane()));
        EXPECT_TRUE(b.SamePixels(Turned(src, 180.0f)));
    }
}

TEST(RotateImage, CanvasIsTheBoundingBoxOfTheTurnedPixelCentres) {
    EXPECT_EQ(
        RotatedSize(3000, 2000, 45.0f),
        (ImageSize{static_cast<int32_t>(std::lround(2999 * M_SQRT1_2 + 1999 * M_SQRT1_2)) + 1,
                   static_cast<int32_t>(std::lround(2999 * M_SQRT1_2 + 1999 * M_SQRT1_2)) + 1}));
    const double r = 10.0 * M_PI / 180.0;
    EXPECT_EQ(RotatedSize(101, 51, 10.0f).width,
              std::lround(100 * std::cos(r) + 50 * std::sin(r)) + 1);
    EXPECT_EQ(RotatedSize(101, 51, -10.0f).height,
              std::lround(100 * std::sin(r) + 50 * std::cos(r)) + 1);
    EXPECT_EQ(RotatedSize(0, 10, 30.0f), (ImageSize{0, 0}));
}

TEST(RotateImage, GeneralAngleInterpolatesInsideAndFillsBlackOutside) {
    // A smooth ramp is reproduced closely by cubic interpolation: compare every covered
    // pixel with the ramp's value at its exact source position.
    TestImage src(41, 31);
    for (int y = 0; y < 31; ++y)
        for (int x = 0; x < 41; ++x) {
            uint8_t* p = src.Pixel(x, y);
            p[0] = static_cast<uint8_t>(40 + 4 * x);
            p[1] = static_cast<uint8_t>(40 + 5 * y);
            p[2] = 200;
        }
    const float angle = 17.0f;
    const RotationFrame f = RotationFrame::Make(41, 31, angle);
    TestImage dst = Turned(src, angle);
    int covered = 0, black = 0;
    for (int y = 0; y < dst.height; ++y)
        for (int x = 0; x < dst.width; ++x) {
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
                EXPECT_TRUE(p[0] == 0 && p[1] == 0 && p[2] == 0);
            }
        }
    EXPECT_GT(covered, 41 * 31 * 9 / 10);
    EXPECT_GT(black, 0);
    // The turn is counter-clockwise: the top-right corner rises to the top edge.
    double sx, sy;
    f.SourceOf(0, 0, sx, sy);
    EXPECT_FALSE(f.ContainsSource(sx, sy));
}

TEST(RotateImage, SaturatesOvershootAtSharpEdges) {
    // Cubic overshoot beside a black/white edge must clip, not wrap around.
    TestImage src(20, 20);
    for (int y = 0; y < 20; ++y)
        for (int x = 10; x < 20; ++x) std::fill_n(src.Pixel(x, y), 3, 255);
    TestImage dst = Turned(src, 3.0f);
    const RotationFrame f = RotationFrame::Make(20, 20, 3.0f);
    for (int y = 0; y < dst.height; ++y)
        for (int x = 0; x < dst.width; ++x) {
            double sx, sy;
            f.SourceOf(x, y, sx, sy);
            if (!f.ContainsSource(sx, sy)) continue;
            const int v = dst.Pixel(x, y)[0];
            // Beside the edge the kernel's lobes overshoot below 0 and above 255.
            if (sx < 9.0) {
                EXPECT_EQ(v, 0) << x << "," << y;
            } else if (sx > 10.0) {
                EXPECT_EQ(v, 255) << x << "," << y;
            }
        }
}

TEST(RotateImage, ThreadCountDoesNotChangeTheResult) {
    TestImage src = RandomImage(97, 61, 5);
    TestImage one = Turned(src, 33.3f, false, 1);
    EXPECT_TRUE(one.SamePixels(Turned(src, 33.3f, false, 2)));
    EXPECT_TRUE(one.SamePixels(Turned(src, 33.3f, false, 5)));
}

TEST(RotateImage, RefusesPlanesOfTheWrongSize) {
    TestImage src = RandomImage(5, 3, 2);
    TestImage wrong(5, 3);
    EXPECT_FALSE(RotateImage(src.Plane(), wrong.Plane(), 90.0f));
    EXPECT_FALSE(RotateImage(src.Plane(), ImagePlane{}, 0.0f));
    TestImage other(4, 3);
    EXPECT_FALSE(MirrorLeftRight(src.Plane(), other.Plane()));
    EXPECT_FALSE(MirrorTopBottom(ImagePlane{}, other.Plane()));
}

TEST(CropImage, CopiesTheRectangleAndRefusesOneOutsideTheImage) {
    TestImage src = RandomImage(120, 80, 3);
    TestImage dst(100, 50);
    ASSERT_TRUE(CropImage(src.Plane(), dst.Plane(), {10, 20, 110, 70}));
    EXPECT_TRUE(SamePixel(dst.Pixel(0, 0), src.Pixel(10, 20)));
    EXPECT_TRUE(SamePixel(dst.Pixel(99, 49), src.Pixel(109, 69)));
    TestImage edge(20, 10);
    EXPECT_TRUE(
        CropImage(src.Plane(), edge.Plane(), {100, 70, 120, 80}));  // up to the last column and row
    EXPECT_TRUE(SamePixel(edge.Pixel(19, 9), src.Pixel(119, 79)));
    EXPECT_FALSE(CropImage(src.Plane(), edge.Plane(), {101, 70, 121, 80}));
    EXPECT_FALSE(CropImage(src.Plane(), edge.Plane(), {-1, 0, 19, 10}));
    EXPECT_FALSE(CropImage(src.Plane(), dst.Plane(), {10, 20, 110, 71}));  // size mismatch
}
