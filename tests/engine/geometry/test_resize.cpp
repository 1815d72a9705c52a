#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <functional>
#include <random>
#include <vector>

#include "geometry/resize.h"
#include "geometry/verticalpass.h"
#include "test_images.h"

using namespace geometry;
using geometry_test::ConstantImage;
using geometry_test::RandomImage;
using geometry_test::TestImage;

namespace {

constexpr ResizeMethod kAll[] = {ResizeMethod::Nearest, ResizeMethod::Bilinear,
                                 ResizeMethod::Bicubic, ResizeMethod::SuperSampling,
                                 ResizeMethod::Lanczos};

TestImage Resized(TestImage& src, int w, int h, ResizeMethod m, int threads = 1) {
    TestImage dst(w, h);
    EXPECT_TRUE(ResizeImage(src.Plane(), dst.Plane(), m, threads));
    return dst;
}

double Cubic(double t) {
    t = std::fabs(t);
    if (t <= 1) return 1.5 * t * t * t - 2.5 * t * t + 1;
    if (t < 2) return -0.5 * t * t * t + 2.5 * t * t - 4 * t + 2;
    return 0;
}

double Lanczos3(double t) {
    t = std::fabs(t);
    if (t >= 3) return 0;
    if (t == 0) return 1;
    return 3 * std::sin(M_PI * t) * std::sin(M_PI * t / 3) / (M_PI * M_PI * t * t);
}

// The resampling written out directly in two dimensions, in double precision: pixel centres
// aligned, kernel widened by the shrink factor, edge pixels repeated, weights normalised.
double Reference(const TestImage& src, int dw, int dh, int x, int y, int c,
                 const std::function<double(double)>& kernel, double support) {
    const double sxScale = static_cast<double>(dw) / src.width,
                 syScale = static_cast<double>(dh) / src.height;
    const double stretchX = std::max(1.0, 1 / sxScale), stretchY = std::max(1.0, 1 / syScale);
    const double cx = (x + 0.5) / sxScale - 0.5, cy = (y + 0.5) / syScale - 0.5;
    double sum = 0, weight = 0;
    for (int j = static_cast<int>(std::floor(cy - support * stretchY));
         j <= std::ceil(cy + support * stretchY); ++j)
        for (int i = static_cast<int>(std::floor(cx - support * stretchX));
             i <= std::ceil(cx + support * stretchX); ++i) {
            const double w = kernel((i - cx) / stretchX) * kernel((j - cy) / stretchY);
            const int si = std::clamp(i, 0, src.width - 1), sj = std::clamp(j, 0, src.height - 1);
            sum += w * src.Pixel(si, sj)[c];
            weight += w;
        }
    return sum / weight;
}

// Compares with Reference; returns how many values the reference put below 0 and above 255.
std::pair<int, int> ExpectMatchesReference(TestImage& src, int dw, int dh, ResizeMethod m,
                                           const std::function<double(double)>& kernel,
                                           double support) {
    TestImage dst = Resized(src, dw, dh, m);
    int low = 0, high = 0;
    for (int y = 0; y < dh; ++y)
        for (int x = 0; x < dw; ++x)
            for (int c = 0; c < 3; ++c) {
                const double ref = Reference(src, dw, dh, x, y, c, kernel, support);
                const int got = dst.Pixel(x, y)[c];
                if (ref <= 0 || ref >= 255) {
                    ++(ref <= 0 ? low : high);
                    EXPECT_EQ(got, ref <= 0 ? 0 : 255) << x << "," << y << " ref " << ref;
                } else {
                    EXPECT_NEAR(got, ref, 0.5 + 1e-3) << x << "," << y << "," << c;
                }
            }
    return {low, high};
}

}  // namespace

TEST(ResizeImage, SameSizeGivesTheImageBackWithEveryMethod) {
    TestImage src = RandomImage(37, 23, 9);
    for (ResizeMethod m : kAll) {
        SCOPED_TRACE(static_cast<int>(m));
        EXPECT_TRUE(Resized(src, 37, 23, m).SamePixels(src));
    }
}

TEST(ResizeImage, ConstantImageStaysConstant) {
    TestImage src = ConstantImage(29, 17, 7, 128, 254);
    const int sizes[][2] = {{13, 8}, {58, 34}, {30, 5}, {100, 17}, {1, 1}, {29, 40}};
    for (ResizeMethod m : kAll)
        for (const auto& s : sizes) {
            SCOPED_TRACE(testing::Message()
                         << static_cast<int>(m) << " to " << s[0] << "x" << s[1]);
            TestImage dst = Resized(src, s[0], s[1], m);
            EXPECT_TRUE(dst.SamePixels(ConstantImage(s[0], s[1], 7, 128, 254)));
        }
}

TEST(ResizeImage, FiltersMatchTheDirectTwoDimensionalSum) {
    // Sharp random pixels make the cubic and Lanczos lobes overshoot, so clipping is
    // exercised too.
    TestImage src = RandomImage(19, 13, 4);
    const int sizes[][2] = {{7, 5}, {45, 31}, {19, 30}, {10, 13}};
    for (const auto& s : sizes) {
        SCOPED_TRACE(testing::Message() << s[0] << "x" << s[1]);
        ExpectMatchesReference(src, s[0], s[1], ResizeMethod::Bicubic, Cubic, 2.0);
        ExpectMatchesReference(src, s[0], s[1], ResizeMethod::Lanczos, Lanczos3, 3.0);
        ExpectMatchesReference(
            src, s[0], s[1], ResizeMethod::Bilinear,
            [](double t) { return std::max(0.0, 1 - std::fabs(t)); }, 1.0);
    }
}

TEST(ResizeImage, OvershootIsClippedAtBothEnds) {
    // A white square on black, enlarged with Lanczos: the ringing must clip, not wrap.
    TestImage src(12, 12);
    for (int y = 4; y < 8; ++y)
        for (int x = 4; x < 8; ++x) std::fill_n(src.Pixel(x, y), 3, 255);
    for (int size : {31, 7}) {
        const auto [low, high] =
            ExpectMatchesReference(src, size, size, ResizeMethod::Lanczos, Lanczos3, 3.0);
        EXPECT_GT(low, 0);
        if (size > 12) {
            EXPECT_GT(high, 0);
        }
    }
    const auto [low, high] = ExpectMatchesReference(src, 30, 30, ResizeMethod::Bicubic, Cubic, 2.0);
    EXPECT_GT(low, 0);
    EXPECT_GT(high, 0);
}

TEST(ResizeImage, SuperSamplingAveragesBlocksWhenBothSidesShrink) {
    TestImage src = RandomImage(8, 6, 21);
    TestImage dst = Resized(src, 4, 3, ResizeMethod::SuperSampling);
    for (int y = 0; y < 3; ++y)
        for (int x = 0; x < 4; ++x)
            for (int c = 0; c < 3; ++c) {
                const int sum = src.Pixel(2 * x, 2 * y)[c] + src.Pixel(2 * x + 1, 2 * y)[c] +
                                src.Pixel(2 * x, 2 * y + 1)[c] + src.Pixel(2 * x + 1, 2 * y + 1)[c];
                EXPECT_EQ(dst.Pixel(x, y)[c], (sum + 2) / 4) << x << "," << y;
            }
    // Three source pixels per destination pixel, not a whole number of blocks: 9 -> 3 and
    // 7 -> 2 (3.5 pixels each, the middle one shared half and half).
    TestImage odd = RandomImage(9, 7, 22);
    TestImage small = Resized(odd, 3, 2, ResizeMethod::SuperSampling);
    double sum = 0;
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 3; ++x) sum += (y == 3 ? 0.5 : 1.0) * odd.Pixel(x, y)[1];
    EXPECT_NEAR(small.Pixel(0, 0)[1], sum / 10.5, 0.5 + 1e-3);
}

TEST(ResizeImage, SuperSamplingEnlargingOrKeepingASideIsBicubic) {
    TestImage src = RandomImage(15, 10, 23);
    for (const auto& s :
         {std::pair{30, 20}, std::pair{7, 10}, std::pair{15, 4}, std::pair{40, 5}}) {
        EXPECT_TRUE(Resized(src, s.first, s.second, ResizeMethod::SuperSampling)
                        .SamePixels(Resized(src, s.first, s.second, ResizeMethod::Bicubic)));
    }
}

TEST(ResizeImage, NearestPicksTheSourcePixelUnderEachCentre) {
    TestImage src = RandomImage(6, 4, 30);
    TestImage up = Resized(src, 12, 8, ResizeMethod::Nearest);
    for (int y = 0; y < 8; ++y)
        for (int x = 0; x < 12; ++x)
            EXPECT_EQ(std::memcmp(up.Pixel(x, y), src.Pixel(x / 2, y / 2), 3), 0);
    TestImage down = Resized(src, 3, 2, ResizeMethod::Nearest);
    EXPECT_EQ(std::memcmp(down.Pixel(2, 1), src.Pixel(5, 3), 3), 0);
}

TEST(ResizeImage, ThreadCountDoesNotChangeTheResult) {
    TestImage src = RandomImage(203, 141, 31);
    for (ResizeMethod m : kAll) {
        TestImage one = Resized(src, 97, 70, m, 1);
        EXPECT_TRUE(one.SamePixels(Resized(src, 97, 70, m, 2)));
        EXPECT_TRUE(one.SamePixels(Resized(src, 97, 70, m, 3)));
        TestImage big = Resized(src, 311, 150, m, 1);
        EXPECT_TRUE(big.SamePixels(Resized(src, 311, 150, m, 2)));
    }
}

TEST(ResizeImage, ExtremeShapesStayInBounds) {
    TestImage line = RandomImage(1, 50, 40);
    for (ResizeMethod m : kAll) {
        Resized(line, 7, 3, m);
        Resized(line, 1, 1, m);
        TestImage dot = RandomImage(1, 1, 41);
        EXPECT_TRUE(Resized(dot, 5, 4, m)
                        .SamePixels(ConstantImage(5, 4, dot.Pixel(0, 0)[0], dot.Pixel(0, 0)[1],
                                                  dot.Pixel(0, 0)[2])));
    }
    TestImage src = RandomImage(5, 5, 42);
    TestImage dst(3, 3);
    EXPECT_FALSE(ResizeImage(ImagePlane{}, dst.Plane(), ResizeMethod::Bicubic));
    EXPECT_FALSE(ResizeImage(src.Plane(), ImagePlane{}, ResizeMethod::Bicubic));
    EXPECT_FALSE(ResizeImage(src.Plane(), dst.Plane(), static_cast<ResizeMethod>(9)));
}

TEST(VerticalPass, EveryInstructionSetGivesTheSameBits) {
    using geometry::detail::SimdLevel;
    std::mt19937 rng(77);
    std::uniform_int_distribution<int> byte(0, 255);
    std::uniform_real_distribution<float> weight(-0.3f, 1.0f);
    for (int taps : {1, 2, 5, 13}) {
        const int n = 3 * 37;  // whole vectors and a remainder
        std::vector<std::vector<uint8_t>> data(taps, std::vector<uint8_t>(n));
        std::vector<const uint8_t*> rows;
        std::vector<float> weights;
        for (auto& row : data) {
            for (auto& b : row) b = static_cast<uint8_t>(byte(rng));
            rows.push_back(row.data());
            weights.push_back(weight(rng));
        }
        std::vector<float> plain(n), other(n);
        geometry::detail::VerticalPass(rows.data(), weights.data(), taps, n, plain.data(),
                                       SimdLevel::Plain);
        for (SimdLevel level : {SimdLevel::Sse2, SimdLevel::Avx2}) {
            if (level > geometry::detail::BestSimdLevel()) continue;
            geometry::detail::VerticalPass(rows.data(), weights.data(), taps, n, other.data(),
                                           level);
            EXPECT_EQ(std::memcmp(plain.data(), other.data(), n * sizeof(float)), 0)
                << "taps " << taps << " level " << static_cast<int>(level);
        }
    }
}
