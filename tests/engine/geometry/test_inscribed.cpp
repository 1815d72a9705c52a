#include <gtest/gtest.h>

#include "geometry/rotate.h"
#include "test_images.h"

using namespace geometry;
using geometry_test::RandomImage;
using geometry_test::TestImage;

namespace {

// True when some pixel of `r` in the rendered canvas is fill (source pixels are never 0).
bool HasFill(TestImage& canvas, const CropRect& r) {
    for (int y = r.top; y < r.bottom; ++y)
        for (int x = r.left; x < r.right; ++x) {
            const uint8_t* p = canvas.Pixel(x, y);
            if (p[0] == 0 && p[1] == 0 && p[2] == 0) return true;
        }
    return false;
}

}  // namespace

TEST(LargestInscribedRect, IsCentredFillFreeAndCannotGrow) {
    const int sizes[][2] = {{120, 80}, {80, 120}, {101, 101}, {64, 17}};
    const float angles[] = {2.8624f, -7.0f, 30.0f, 45.0f, -60.0f, 89.5f, 135.0f};
    for (const auto& s : sizes) {
        // Pixels well away from 0 so that any black pixel in the canvas is fill.
        TestImage src = RandomImage(s[0], s[1], 42, 60, 200);
        for (float angle : angles) {
            SCOPED_TRACE(testing::Message() << s[0] << "x" << s[1] << " by " << angle);
            const RotationFrame f = RotationFrame::Make(s[0], s[1], angle);
            TestImage canvas(f.width, f.height);
            ASSERT_TRUE(RotateImage(src.Plane(), canvas.Plane(), angle));
            const CropRect r = LargestInscribedRect(f);
            ASSERT_FALSE(r.IsEmpty());
            EXPECT_FALSE(HasFill(canvas, r));
            // Centred, and with the canvas's proportions to within a pixel.
            EXPECT_LE(std::abs((r.left + r.right) - f.width), 1);
            EXPECT_LE(std::abs((r.top + r.bottom) - f.height), 1);
            EXPECT_NEAR(static_cast<double>(r.Width()) / r.Height(),
                        static_cast<double>(f.width) / f.height,
                        2.0 / std::min(r.Width(), r.Height()));
            // One pixel more on the longer side (same centring rule) takes in fill.
            CropRect bigger = r;
            if (f.width >= f.height) {
                const int rw = r.Width() + 1;
                const int rh = std::clamp(
                    static_cast<int>(std::lround(static_cast<double>(rw) * f.height / f.width)), 1,
                    f.height);
                bigger = {(f.width - rw) / 2, (f.height - rh) / 2, (f.width - rw) / 2 + rw,
                          (f.height - rh) / 2 + rh};
            } else {
                const int rh = r.Height() + 1;
                const int rw = std::clamp(
                    static_cast<int>(std::lround(static_cast<double>(rh) * f.width / f.height)), 1,
                    f.width);
                bigger = {(f.width - rw) / 2, (f.height - rh) / 2, (f.width - rw) / 2 + rw,
                          (f.height - rh) / 2 + rh};
            }
            if (bigger.right <= f.width && bigger.bottom <= f.height) {
                EXPECT_TRUE(HasFill(canvas, bigger));
            }
        }
    }
}

TEST(LargestInscribedRect, RightAnglesKeepTheWholeCanvas) {
    for (float angle : {0.0f, 90.0f, 180.0f, -90.0f}) {
        const RotationFrame f = RotationFrame::Make(30, 20, angle);
        EXPECT_EQ(LargestInscribedRect(f), (CropRect{0, 0, f.width, f.height}));
    }
    EXPECT_TRUE(LargestInscribedRect(RotationFrame::Make(0, 0, 10.0f)).IsEmpty());
}
