// Red-eye removal: the triangle threshold, the flood fill and the tool on synthetic eyes.
#include <gtest/gtest.h>

#include <array>

#include "detail/floodfill.h"
#include "detail/histogram1c.h"
#include "detail/redeye.h"
#include "detail_testimage.h"
#include "../../support/codec_fixtures.h"

using namespace detail;
using detailtest::Image;

namespace {

// Skin-coloured picture with mild noise.
Image Face(int32_t w, int32_t h, uint32_t seed = 1) {
    Image image(w, h);
    std::mt19937 rng(seed);
    for (int32_t y = 0; y < h; ++y)
        for (int32_t x = 0; x < w; ++x) {
            const int n = static_cast<int>(rng() % 7) - 3;
            image.SetRgb(x, y, 205 + n, 165 + n, 145 + n);
        }
    return image;
}

// A red pupil of radius r inside a dark iris ring.
void PaintEye(Image& image, int32_t cx, int32_t cy, int32_t r) {
    for (int32_t y = 0; y < image.plane.height; ++y)
        for (int32_t x = 0; x < image.plane.width; ++x) {
            const int32_t d2 = (x - cx) * (x - cx) + (y - cy) * (y - cy);
            if (d2 <= r * r) image.SetRgb(x, y, 215, 45, 50);
            else if (d2 <= (2 * r) * (2 * r)) image.SetRgb(x, y, 70, 55, 40);
        }
}

double MeanRed(const ImagePlane& plane, int32_t cx, int32_t cy, int32_t r) {
    double sum = 0;
    int n = 0;
    for (int32_t y = cy - r; y <= cy + r; ++y)
        for (int32_t x = cx - r; x <= cx + r; ++x)
            if ((x - cx) * (x - cx) + (y - cy) * (y - cy) <= r * r) sum += plane.Row(y)[x * 3 + 2], ++n;
    return sum / n;
}

// Pixels that differ between the plane and the image, outside discs of radius r.
int ChangedOutside(const ImagePlane& a, const Image& b, std::vector<std::array<int32_t, 2>> centres, int32_t r) {
    int n = 0;
    for (int32_t y = 0; y < a.height; ++y)
        for (int32_t x = 0; x < a.width; ++x) {
            bool near = false;
            for (const auto& [cx, cy] : centres) near = near || (x - cx) * (x - cx) + (y - cy) * (y - cy) <= r * r;
            n += !near && std::memcmp(a.Row(y) + x * 3, b.Pixel(x, y), 3) != 0;
        }
    return n;
}

// A camera-like red eye: a glowing pupil with a soft rim and a white catch-light, a noisy
// brown iris, and white of the eye on both sides.
void PaintCameraEye(Image& image, int32_t cx, int32_t cy, int32_t r, uint32_t seed) {
    std::mt19937 rng(seed);
    for (int32_t y = cy - 3 * r; y <= cy + 3 * r; ++y)
        for (int32_t x = cx - 3 * r; x <= cx + 3 * r; ++x) {
            const double d = std::hypot(x - cx, y - cy);
            const int n = static_cast<int>(rng() % 11) - 5;
            const int redGlow = 225 - static_cast<int>(40 * d / r) + n;
            if (d <= r - 2) {
                image.SetRgb(x, y, redGlow, 50 + n, 55 + n);
            } else if (d <= r) {
                const double t = (d - (r - 2)) / 2;  // the rim fades into the iris
                image.SetRgb(x, y, int(redGlow * (1 - t) + 95 * t), int(50 * (1 - t) + 65 * t) + n,
                             int(55 * (1 - t) + 45 * t) + n);
            } else if (d <= 2 * r) {
                image.SetRgb(x, y, 95 + n, 65 + n, 45 + n);
            } else if (std::abs(y - cy) < r) {
                image.SetRgb(x, y, 228 + n / 2, 222 + n / 2, 215 + n / 2);
            }
        }
    for (int32_t y = cy - 3; y < cy - 1; ++y)
        for (int32_t x = cx - 3; x < cx - 1; ++x) image.SetRgb(x, y, 250, 250, 250);
}

// A test photo from the shared collection as a blue-green-red image, empty when absent.
Image LoadPhoto(const std::string& name) {
    const codectest::Picture rgb =
        codectest::DecodeJpeg(codectest::ReadFileBytes(std::string(LUMARET_TESTDATA_DIR) + "/jpeg/" + name));
    if (rgb.width == 0 || rgb.components != 3) return Image(0, 0);
    Image image(rgb.width, rgb.height);
    for (int32_t y = 0; y < rgb.height; ++y)
        for (int32_t x = 0; x < rgb.width; ++x) {
            const uint8_t* p = rgb.Pixel(x, y);
            image.SetRgb(x, y, p[0], p[1], p[2]);
        }
    return image;
}

}  // namespace

TEST(Histogram1c, TriangleThresholdFindsTheDipAndSkipsDegenerateCounts) {
    CHistogram1c h;
    // A single peak at 40 falling linearly to 1 at level 200, with a dip to 10 at 120.
    for (int t = 40; t <= 200; ++t) h.bins[static_cast<size_t>(t)] = 1000 - (999 * (t - 40)) / 160;
    h.bins[120] = 10;
    EXPECT_EQ(h.TriangleThreshold(), 120);
    // Levels 0 and 255 do not count, and counts of a million and more are never the valley.
    CHistogram1c d;
    d.bins[0] = 500;
    d.bins[255] = 700;
    EXPECT_EQ(d.TriangleThreshold(), 0);
    d.bins[77] = 2000000;
    d.bins[90] = 1000000;
    EXPECT_EQ(d.TriangleThreshold(), 0);
}

TEST(FloodFill, FillsTheConnectedRegionUpToTheSizeLimit) {
    Image plane(12, 8, 1);
    // A ring of 150 around a hole of 99, and a pixel joined only diagonally.
    for (int32_t y = 1; y <= 5; ++y)
        for (int32_t x = 1; x <= 5; ++x) *plane.Pixel(x, y) = 150;
    *plane.Pixel(3, 3) = 99;
    *plane.Pixel(6, 6) = 255;
    CFloodFill fill;
    EXPECT_EQ(fill.Fill(plane.plane, 1, 1), 24);
    EXPECT_EQ(fill.MinX() + fill.MaxX() * 10 + fill.MinY() * 100 + fill.MaxY() * 1000, 5151);
    EXPECT_EQ(fill.FilledPlane().Row(3)[3], 0);
    EXPECT_EQ(fill.FilledPlane().Row(1)[1], 255);
    EXPECT_EQ(fill.FilledPlane().Row(6)[6], 0);
    EXPECT_EQ(fill.Fill(plane.plane, 3, 3), 0);   // the seed must be above 99
    EXPECT_EQ(fill.Fill(plane.plane, -1, 2), 0);
    EXPECT_EQ(fill.Fill(plane.plane, 12, 2), 0);
    EXPECT_EQ(fill.Fill(plane.plane, 6, 6), 1);

    Image large(300, 300, 1);
    large.Fill(200);
    EXPECT_EQ(fill.Fill(large.plane, 150, 150), CFloodFill::kDefaultLimit);
    EXPECT_TRUE(fill.ReachedLimit());
    CFloodFill small(10);
    EXPECT_EQ(small.Fill(large.plane, 0, 0), 10);
}

TEST(RedEye, RedPupilIsDarkenedTowardsTheBrightnessTarget) {
    Image image = Face(200, 160);
    PaintEye(image, 100, 80, 7);
    CRedEyeRemoval tool;
    ASSERT_TRUE(tool.Begin(image.plane));
    EXPECT_TRUE(tool.CorrectAt(101, 79, 5));
    EXPECT_TRUE(tool.LastDiagnostics().accepted);
    EXPECT_NE(tool.LastDiagnostics().Text().find("Final threshold: "), std::string::npos);
    const ImagePlane out = tool.Working();
    EXPECT_GT(MeanRed(image.plane, 100, 80, 5), 200);
    EXPECT_LT(MeanRed(out, 100, 80, 5), 70);
    // The centre becomes the mean of its green and blue.
    EXPECT_NEAR(out.Row(80)[100 * 3 + 2], (45 + 50) / 2, 2);
    // Nothing far from the pupil changes.
    EXPECT_EQ(ChangedOutside(out, image, {{100, 80}}, 7 + 9), 0);
    EXPECT_TRUE(tool.CanUndo());
    // Brightness 0 and 10 move the target (G + B) / 2 = 47.5 by -50 (limited to 0) and +50.
    CRedEyeRemoval dark, light;
    ASSERT_TRUE(dark.Begin(image.plane) && light.Begin(image.plane));
    ASSERT_TRUE(dark.CorrectAt(100, 80, 0) && light.CorrectAt(100, 80, 10));
    EXPECT_EQ(dark.Working().Row(80)[100 * 3 + 1], 0);
    EXPECT_NEAR(light.Working().Row(80)[100 * 3 + 1], 97.5, 1);
}

TEST(RedEye, PupilAtTheBorderUsesTheClippedWindow) {
    Image image = Face(160, 100);
    PaintEye(image, 6, 50, 6);
    CRedEyeRemoval tool;
    ASSERT_TRUE(tool.Begin(image.plane));
    EXPECT_TRUE(tool.CorrectAt(6, 50, 5));
    EXPECT_LT(MeanRed(tool.Working(), 6, 50, 4), 80);
}

TEST(RedEye, NonRedAreaAndStreakAndOutsideChangeNothing) {
    Image image = Face(200, 160);
    // A thin red streak 2 pixels high and 60 long.
    for (int32_t x = 40; x < 100; ++x)
        for (int32_t y = 120; y < 122; ++y) image.SetRgb(x, y, 220, 40, 40);
    CRedEyeRemoval tool;
    ASSERT_TRUE(tool.Begin(image.plane));
    EXPECT_FALSE(tool.CorrectAt(150, 40, 5));
    EXPECT_FALSE(tool.CorrectAt(70, 120, 5));
    EXPECT_FALSE(tool.LastDiagnostics().accepted);
    EXPECT_FALSE(tool.CorrectAt(200, 40, 5));
    EXPECT_TRUE(detailtest::SamePixels(tool.Working(), image.plane));
    EXPECT_FALSE(tool.CanUndo());
}

TEST(RedEye, ClicksUndoAndRedo) {
    Image image = Face(220, 120);
    PaintEye(image, 60, 60, 7);
    PaintEye(image, 160, 60, 7);
    CRedEyeRemoval tool;
    ASSERT_TRUE(tool.Begin(image.plane));
    ASSERT_TRUE(tool.OnButtonDown(60, 60));
    const Image afterFirst(tool.Working());
    ASSERT_TRUE(tool.OnButtonDown(160, 60));
    EXPECT_LT(MeanRed(tool.Working(), 160, 60, 5), 70);
    EXPECT_TRUE(tool.Undo());
    EXPECT_TRUE(tool.Undo());
    EXPECT_FALSE(tool.Undo());
    EXPECT_TRUE(detailtest::SamePixels(tool.Working(), image.plane));
    EXPECT_TRUE(tool.Redo());
    EXPECT_TRUE(detailtest::SamePixels(tool.Working(), afterFirst.plane));
    EXPECT_GT(MeanRed(tool.Working(), 160, 60, 5), 200);
    EXPECT_TRUE(tool.CanRedo());
}

TEST(RedEye, ManualStrokePaintsBlueThenDarkens) {
    Image image = Face(100, 80);
    PaintEye(image, 50, 40, 4);
    CRedEyeRemoval tool;
    ASSERT_TRUE(tool.Begin(image.plane));
    tool.SetParams(RedEyeParams{false, 5, 1, 5});
    // Diameter 1 paints single pixels.
    ASSERT_TRUE(tool.OnButtonDown(10, 10));
    const uint8_t* p = tool.Working().Row(10) + 10 * 3;
    EXPECT_EQ(std::memcmp(p, "\xFF\0\0", 3), 0);
    EXPECT_EQ(std::memcmp(tool.Working().Row(10) + 11 * 3, image.Pixel(11, 10), 3), 0);
    EXPECT_TRUE(tool.OnButtonUp());
    // The mark is gone; the pixel moved towards the mean of its green and blue.
    p = tool.Working().Row(10) + 10 * 3;
    EXPECT_NE(p[0], 255);
    EXPECT_LT(p[2], image.Pixel(10, 10)[2]);

    // A wide stroke over the pupil.
    tool.SetParams(RedEyeParams{false, 5, 10, 5});
    ASSERT_TRUE(tool.OnButtonDown(48, 40));
    EXPECT_TRUE(tool.OnMouseMove(52, 40));
    EXPECT_EQ(tool.Working().Row(40)[50 * 3], 255);
    EXPECT_TRUE(tool.OnButtonUp());
    EXPECT_LT(MeanRed(tool.Working(), 50, 40, 3), 80);
    EXPECT_NE(tool.Working().Row(40)[50 * 3], 255);  // no blue mark is left
    EXPECT_TRUE(tool.Undo());
    EXPECT_TRUE(tool.Undo());
    EXPECT_TRUE(detailtest::SamePixels(tool.Working(), image.plane));
}

// Real camera pictures as the surroundings: a painted red eye is corrected with its
// catch-light kept, and nothing beyond the pupil's rim changes; a click elsewhere on the
// photo changes nothing outside the tool's window.
TEST(RedEye, EyesPaintedIntoRealPhotos) {
    for (const char* name : {"pillow/xmp_test.jpg", "pillow/sugarshack_bad_mpo_header.jpg"}) {
        SCOPED_TRACE(name);
        Image photo = LoadPhoto(name);
        if (photo.plane.width == 0) GTEST_SKIP() << "test photos not available";
        const int32_t w = photo.plane.width, h = photo.plane.height;
        const int32_t r = 8;
        const std::array<int32_t, 2> eyes[] = {{w / 4, h / 2}, {w / 2, h / 3}, {3 * w / 4, 2 * h / 3}};
        for (const auto& eye : eyes) PaintCameraEye(photo, eye[0], eye[1], r, uint32_t(eye[0]));
        CRedEyeRemoval tool;
        ASSERT_TRUE(tool.Begin(photo.plane));
        for (const auto& eye : eyes) {
            const int32_t cx = eye[0], cy = eye[1];
            SCOPED_TRACE(testing::Message() << "eye at " << cx << "," << cy);
            ASSERT_TRUE(tool.CorrectAt(cx + 1, cy + 1, 5));
            EXPECT_GT(MeanRed(photo.plane, cx, cy, r - 2), 180);
            EXPECT_LT(MeanRed(tool.Working(), cx, cy, r - 2), 90);
            const uint8_t* catchLight = tool.Working().Row(cy - 3) + (cx - 3) * 3;
            EXPECT_GT(std::min({catchLight[0], catchLight[1], catchLight[2]}), 200);
        }
        EXPECT_EQ(ChangedOutside(tool.Working(), photo, {eyes[0], eyes[1], eyes[2]}, r + 9), 0);

        CRedEyeRemoval elsewhere;
        ASSERT_TRUE(elsewhere.Begin(photo.plane));
        const int32_t px = w / 8, py = h / 8;
        elsewhere.CorrectAt(px, py, 5);
        for (int32_t y = 0; y < h; ++y)
            for (int32_t x = 0; x < w; ++x)
                if (std::abs(x - px) > 40 + 7 || std::abs(y - py) > 40 + 7) {
                    ASSERT_EQ(0, std::memcmp(elsewhere.Working().Row(y) + x * 3, photo.Pixel(x, y), 3)) << x << "," << y;
                }
    }
}
