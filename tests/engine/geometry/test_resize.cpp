// Resizing against the resampling written out directly, identities and thread independence.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <functional>
#include <random>
#include <vector>

#include "geometry/resize.h"
#include "geometry/verticalpass.h"
#include "test_image.h"

using namespace geometry;
using testimage::ConstantImage;
using testimage::RandomImage;
using testimage::Image;

namespace {

constexpr ResizeMethod kAll[] = {ResizeMethod::Nearest, ResizeMethod::Bilinear, ResizeMethod::Bicubic,
                                 ResizeMethod::SuperSampling, ResizeMethod::Lanczos};

Image Resized(Image& src, int w, int h, ResizeMethod m, int threads = 1) {
    Image dst(w, h);
    EXPECT_TRUE(ResizeImage(src.plane, dst.plane, m, threads));
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

double Linear(double t) { return std::max(0.0, 1 - std::fabs(t)); }

// The resampling written out directly in two dimensions, in double precision: pixel centres
// aligned, kernel widened by the shrink factor, edge pixels repeated, weights normalised.
double Reference(const Image& src, int dw, int dh, int x, int y, int c,
                 const std::function<double(double)>& kernel, double support) {
    const double sxScale = static_cast<double>(dw) / src.plane.width, syScale = static_cast<double>(dh) / src.plane.height;
    const double stretchX = std::max(1.0, 1 / sxScale), stretchY = std::max(1.0, 1 / syScale);
    const double cx = (x + 0.5) / sxScale - 0.5, cy = (y + 0.5) / syScale - 0.5;
    double sum = 0, weight = 0;
    for (int j = static_cast<int>(std::floor(cy - support * stretchY)); j <= std::ceil(cy + support * stretchY); ++j)
        for (int i = static_cast<int>(std::floor(cx - support * stretchX)); i <= std::ceil(cx + support * stretchX); ++i) {
            const double w = kernel((i - cx) / stretchX) * kernel((j - cy) / stretchY);
            sum += w * src.Pixel(std::clamp(i, 0, src.plane.width - 1), std::clamp(j, 0, src.plane.height - 1))[c];
            weight += w;
        }
    return sum / weight;
}

// Compares with Reference; returns how many values the reference put below 0 and above 255,
// which must be clipped, not wrapped.
std::pair<int, int> ExpectMatchesReference(Image& src, int dw, int dh, ResizeMethod m,
                                           const std::function<double(double)>& kernel, double support) {
    Image dst = Resized(src, dw, dh, m);
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

TEST(ResizeImage, FiltersMatchTheDirectTwoDimensionalSum) {
    Image src = RandomImage(19, 13, 4);
    for (const auto& [w, h] : {std::pair{7, 5}, {45, 31}, {19, 30}, {10, 13}}) {
        SCOPED_TRACE(testing::Message() << w << "x" << h);
        ExpectMatchesReference(src, w, h, ResizeMethod::Bicubic, Cubic, 2.0);
        ExpectMatchesReference(src, w, h, ResizeMethod::Lanczos, Lanczos3, 3.0);
        ExpectMatchesReference(src, w, h, ResizeMethod::Bilinear, Linear, 1.0);
    }
    // A white square on black: the lobes' ringing goes past both ends and must clip.
    Image square(12, 12);
    for (int y = 4; y < 8; ++y)
        for (int x = 4; x < 8; ++x) std::fill_n(square.Pixel(x, y), 3, 255);
    for (auto [m, kernel, support] : {std::tuple{ResizeMethod::Lanczos, &Lanczos3, 3.0}, {ResizeMethod::Bicubic, &Cubic, 2.0}}) {
        const auto [low, high] = ExpectMatchesReference(square, 31, 31, m, kernel, support);
        EXPECT_GT(low, 0);
        EXPECT_GT(high, 0);
    }
}

TEST(ResizeImage, SameSizeAndConstantImagesComeBackUnchanged) {
    Image src = RandomImage(37, 23, 9);
    const uint8_t colour[3] = {7, 128, 254};
    Image flat = ConstantImage(29, 17, colour);
    for (ResizeMethod m : kAll) {
        SCOPED_TRACE(static_cast<int>(m));
        EXPECT_TRUE(Resized(src, 37, 23, m).SamePixels(src));
        for (const auto& [w, h] : {std::pair{13, 8}, {58, 34}, {1, 1}, {29, 40}})
            EXPECT_TRUE(Resized(flat, w, h, m).SamePixels(ConstantImage(w, h, colour))) << w << "x" << h;
    }
}

TEST(ResizeImage, SuperSamplingAveragesBlocksWhenBothSidesShrink) {
    Image src = RandomImage(8, 6, 21);
    Image dst = Resized(src, 4, 3, ResizeMethod::SuperSampling);
    for (int y = 0; y < 3; ++y)
        for (int x = 0; x < 4; ++x)
            for (int c = 0; c < 3; ++c) {
                const int sum = src.Pixel(2 * x, 2 * y)[c] + src.Pixel(2 * x + 1, 2 * y)[c] +
                                src.Pixel(2 * x, 2 * y + 1)[c] + src.Pixel(2 * x + 1, 2 * y + 1)[c];
                EXPECT_EQ(dst.Pixel(x, y)[c], (sum + 2) / 4) << x << "," << y;
            }
    // 9 -> 3 and 7 -> 2: 3 x 3.5 source pixels each, the middle row shared half and half.
    Image odd = RandomImage(9, 7, 22);
    double sum = 0;
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 3; ++x) sum += (y == 3 ? 0.5 : 1.0) * odd.Pixel(x, y)[1];
    EXPECT_NEAR(Resized(odd, 3, 2, ResizeMethod::SuperSampling).Pixel(0, 0)[1], sum / 10.5, 0.5 + 1e-3);
    // Enlarging or keeping a side is bicubic.
    Image other = RandomImage(15, 10, 23);
    for (const auto& [w, h] : {std::pair{30, 20}, {15, 4}})
        EXPECT_TRUE(Resized(other, w, h, ResizeMethod::SuperSampling).SamePixels(Resized(other, w, h, ResizeMethod::Bicubic)));
}

TEST(ResizeImage, NearestPicksTheSourcePixelUnderEachCentre) {
    Image src = RandomImage(6, 4, 30);
    Image up = Resized(src, 12, 8, ResizeMethod::Nearest);
    for (int y = 0; y < 8; ++y)
        for (int x = 0; x < 12; ++x) EXPECT_EQ(std::memcmp(up.Pixel(x, y), src.Pixel(x / 2, y / 2), 3), 0);
    EXPECT_EQ(std::memcmp(Resized(src, 3, 2, ResizeMethod::Nearest).Pixel(2, 1), src.Pixel(5, 3), 3), 0);
}

TEST(ResizeImage, ThreadCountDoesNotChangeTheResult) {
    Image src = RandomImage(203, 141, 31);
    for (ResizeMethod m : kAll) {
        EXPECT_TRUE(Resized(src, 97, 70, m, 1).SamePixels(Resized(src, 97, 70, m, 3)));
        EXPECT_TRUE(Resized(src, 311, 150, m, 1).SamePixels(Resized(src, 311, 150, m, 2)));
    }
}

TEST(ResizeImage, ExtremeShapesStayInBoundsAndBadPlanesAreRefused) {
    Image line = RandomImage(1, 50, 40), dot = RandomImage(1, 1, 41);
    for (ResizeMethod m : kAll) {
        Resized(line, 7, 3, m);
        Resized(line, 1, 1, m);
        EXPECT_TRUE(Resized(dot, 5, 4, m).SamePixels(ConstantImage(5, 4, dot.Pixel(0, 0))));
    }
    Image src = RandomImage(5, 5, 42), dst(3, 3);
    EXPECT_FALSE(ResizeImage(ImagePlane{}, dst.plane, ResizeMethod::Bicubic));
    EXPECT_FALSE(ResizeImage(src.plane, ImagePlane{}, ResizeMethod::Bicubic));
    EXPECT_FALSE(ResizeImage(src.plane, dst.plane, static_cast<ResizeMethod>(9)));
}

TEST(VerticalPass, EveryInstructionSetGivesTheSameBits) {
    using geometry::detail::SimdLevel;
    std::mt19937 rng(77);
    for (int taps : {1, 2, 5, 13}) {
        const int n = 3 * 37;  // whole vectors and a remainder
        std::vector<std::vector<uint8_t>> data(taps, std::vector<uint8_t>(n));
        std::vector<const uint8_t*> rows;
        std::vector<float> weights;
        for (auto& row : data) {
            for (auto& b : row) b = static_cast<uint8_t>(rng());
            rows.push_back(row.data());
            weights.push_back(std::uniform_real_distribution<float>(-0.3f, 1.0f)(rng));
        }
        std::vector<float> plain(n), other(n);
        geometry::detail::VerticalPass(rows.data(), weights.data(), taps, n, plain.data(), SimdLevel::Plain);
        for (SimdLevel level : {SimdLevel::Sse2, SimdLevel::Avx2}) {
            if (level > geometry::detail::BestSimdLevel()) continue;
            geometry::detail::VerticalPass(rows.data(), weights.data(), taps, n, other.data(), level);
            EXPECT_EQ(std::memcmp(plain.data(), other.data(), n * sizeof(float)), 0)
                << "taps " << taps << " level " << static_cast<int>(level);
        }
    }
}
