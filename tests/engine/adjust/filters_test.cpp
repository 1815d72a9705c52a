// Photographic filters: the routine, its vector rows, the preview mapping and the
// last-settings file.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <numbers>

#include "adjust/filters/filterrun.h"
#include "adjust/filters/photofilter.h"
#include "framework_testimage.h"

using namespace adjust;
using namespace adjusttest;
using Rgb3 = std::array<uint8_t, 3>;

namespace {

void Fill(Image& img, uint8_t r, uint8_t g, uint8_t b) {
    for (int32_t y = 0; y < img.plane.height; ++y)
        for (int32_t x = 0; x < img.plane.width; ++x) img.SetRgb(x, y, r, g, b);
}

PhotoFilterParams Grad(float angle, float hardness, float offset, float strength, FilterColor c1,
                       FilterColor c2 = {255, 255, 255}, uint8_t grad = 1) {
    return PhotoFilterParams{angle, hardness, offset, strength, c1, c2, grad, 0};
}

// First row whose centre pixel has colour 2's red.
int32_t FirstRowOfColour2(Image& img) {
    for (int32_t y = 0; y < img.plane.height; ++y)
        if (img.Rgb(img.plane.width / 2, y)[0] == 255) return y;
    return -1;
}

}  // namespace

TEST(PhotoFilter, StrengthZeroLeavesTheImageUnchanged) {
    Image src(61, 47), dst(61, 47);
    src.Random(21);
    const FilterPreviewMapping preview{0, 0, 1, 61, 47};
    for (uint8_t grad : {0, 1})
        for (const FilterPreviewMapping* mapping : {static_cast<const FilterPreviewMapping*>(nullptr), &preview}) {
            ASSERT_TRUE(ApplyPhotoFilter(src.plane, dst.plane, Grad(33, 0.2f, 0.3f, 0, {10, 200, 30}, {}, grad), mapping));
            EXPECT_TRUE(SamePixels(src.plane, dst.plane)) << int(grad);
        }
}

TEST(PhotoFilter, FullFilterScalesEachChannel) {
    Image src(3, 1), dst(3, 1);
    src.SetRgb(0, 0, 200, 200, 200);
    src.SetRgb(1, 0, 255, 255, 255);
    src.SetRgb(2, 0, 17, 99, 3);
    PhotoFilterParams p = Grad(0, 0, 0, 1.0f, {255, 128, 0}, {255, 255, 255}, 0);
    ASSERT_TRUE(ApplyPhotoFilter(src.plane, dst.plane, p));
    EXPECT_EQ(dst.Rgb(0, 0), (Rgb3{200, 128 * 200 / 255, 0}));
    EXPECT_EQ(dst.Rgb(2, 0), (Rgb3{17, 128 * 99 / 255, 0}));
    p.strength = 0.5f;  // multiplier 127.5 + 0.5 * colour
    ASSERT_TRUE(ApplyPhotoFilter(src.plane, dst.plane, p));
    EXPECT_EQ(dst.Rgb(1, 0), (Rgb3{255, 191, 127}));
}

// Black and white gives grey of the filtered brightness, full or graduated.
TEST(PhotoFilter, BlackAndWhiteIsGrey) {
    Image src(30, 20), dst(30, 20);
    src.Random(9);
    src.SetRgb(0, 0, 255, 255, 255);
    src.SetRgb(1, 0, 0, 0, 0);
    PhotoFilterParams p = Grad(20.0f, 0.5f, 0.5f, 0.7f, {255, 60, 0}, {0, 90, 255});
    p.blackAndWhite = 1;
    for (uint8_t grad : {1, 0}) {
        p.grad = grad;
        ASSERT_TRUE(ApplyPhotoFilter(src.plane, dst.plane, p));
        for (int32_t y = 0; y < 20; ++y)
            for (int32_t x = 0; x < 30; ++x) {
                const auto c = dst.Rgb(x, y);
                ASSERT_TRUE(c[0] == c[1] && c[1] == c[2]) << x << "," << y;
            }
    }
    EXPECT_GE(dst.Rgb(0, 0)[0], 254);  // white stays white
    EXPECT_EQ(dst.Rgb(1, 0)[0], 0);
    p.color1 = {0, 0, 0};  // a black filter takes all light: infinite grey gain, black result
    p.strength = 1.0f;
    ASSERT_TRUE(ApplyPhotoFilter(src.plane, dst.plane, p));
    EXPECT_EQ(dst.Rgb(0, 0), (Rgb3{0, 0, 0}));
}

TEST(PhotoFilter, GradLineSplitsAtTheOffsetAndFollowsTheAngle) {
    Image src(40, 30), dst(40, 30);
    Fill(src, 255, 255, 255);
    ASSERT_TRUE(ApplyPhotoFilter(src.plane, dst.plane, Grad(0.0f, 1.0f, 0.5f, 1.0f, {100, 150, 200})));
    for (int32_t y = 0; y < 30; ++y)
        for (int32_t x = 0; x < 40 && y != 15; x += 13)
            EXPECT_EQ(dst.Rgb(x, y), (y < 15 ? Rgb3{100, 150, 200} : Rgb3{255, 255, 255})) << x << "," << y;
    // Angle 90: the line turns upright, colour 1 on the left; 180: upside down.
    ASSERT_TRUE(ApplyPhotoFilter(src.plane, dst.plane, Grad(90.0f, 1.0f, 0.5f, 1.0f, {100, 150, 200})));
    EXPECT_EQ(dst.Rgb(5, 27)[0], 100);
    EXPECT_EQ(dst.Rgb(35, 3)[0], 255);
    ASSERT_TRUE(ApplyPhotoFilter(src.plane, dst.plane, Grad(180.0f, 1.0f, 0.5f, 1.0f, {100, 150, 200})));
    EXPECT_EQ(dst.Rgb(20, 2)[0], 255);
    EXPECT_EQ(dst.Rgb(20, 28)[0], 100);

    Image soft(9, 101), softOut(9, 101);
    Fill(soft, 255, 255, 255);
    ASSERT_TRUE(ApplyPhotoFilter(soft.plane, softOut.plane, Grad(0.0f, 0.0f, 0.5f, 1.0f, {0, 0, 0})));
    for (int32_t y = 0; y < 101; ++y) EXPECT_NEAR(softOut.Rgb(4, y)[0], 255.0 * y / 101.0, 1.5) << y;  // t = y / H
    Image tall(50, 100), out(50, 100);
    Fill(tall, 255, 255, 255);
    ASSERT_TRUE(ApplyPhotoFilter(tall.plane, out.plane, Grad(0.0f, 1.0f, 0.5f, 1.0f, {0, 0, 0})));
    EXPECT_EQ(FirstRowOfColour2(out), 51);
    // The dialog shows 1 - offset: showing 0.6 (offset 0.4) moves the line up by 0.1 * 1.2 * 100.
    ASSERT_TRUE(ApplyPhotoFilter(tall.plane, out.plane, Grad(0.0f, 1.0f, 0.4f, 1.0f, {0, 0, 0})));
    EXPECT_NEAR(FirstRowOfColour2(out), 51 - 12, 1);
}

TEST(PhotoFilter, VectorRowsMatchThePlainCode) {
    Image src(75, 23), vec(75, 23), plain(75, 23);
    src.Random(31);
    const FilterPreviewMapping previews[] = {{100.0f, 40.0f, 0.25f, 900, 600}, {-5.5f, 7.25f, 0.5f, 150, 46}};
    for (float angle : {-180.0f, -135.5f, -1.0f, 0.0f, 33.3f, 90.0f, 179.9f})
        for (float hardness : {0.0f, 0.6f, 1.0f}) {
            PhotoFilterParams p = Grad(angle, hardness, 0.37f, 0.8f, {250, 90, 10}, {20, 120, 240});
            p.blackAndWhite = angle < 0 ? 1 : 0;
            for (int m = -1; m < 2; ++m) {
                const detail::FilterRun run = detail::MakeFilterRun(p, 75, 23, m < 0 ? nullptr : &previews[m]);
                detail::GradRows(run, src.plane, vec.plane, 0, 23);
                detail::GradRowsScalar(run, src.plane, plain.plane, 0, 23);
                ASSERT_TRUE(SamePixels(vec.plane, plain.plane)) << angle << " " << hardness << " " << m;
            }
        }
}

TEST(PhotoFilter, AnglesAreAccurate) {
    double worstExact = 0, worstApprox = 0;
    for (int y = -300; y <= 300; y += 7)
        for (int x = -300; x <= 300; x += 5) {
            const double truth = std::atan2(double(y), double(x)) * 180.0 / std::numbers::pi;
            worstExact = std::max(worstExact, std::fabs(FilterAtan2Degrees(float(y), float(x)) - truth));
            worstApprox = std::max(worstApprox, std::fabs(FilterAtan2DegreesApprox(float(y), float(x)) - truth));
        }
    EXPECT_LT(worstExact, 2e-5);
    EXPECT_LT(worstApprox, 0.3);
    EXPECT_EQ(FilterAtan2Degrees(0.0f, 0.0f), 0.0f);
}

// A preview at zoom 0.5 showing the whole image: preview pixel (px, py) stands for
// full-image point (2 px, 2 py), so away from the line both runs agree.
TEST(PhotoFilter, PreviewMapsToFullImagePoints) {
    Image full(200, 120), fullOut(200, 120), small(100, 60), smallOut(100, 60);
    full.Random(17);
    for (int32_t y = 0; y < 60; ++y)
        for (int32_t x = 0; x < 100; ++x) std::memcpy(small.Pixel(x, y), full.Pixel(2 * x, 2 * y), 3);
    const PhotoFilterParams p = Grad(25.0f, 0.4f, 0.45f, 0.9f, {30, 200, 90}, {240, 240, 30});
    ASSERT_TRUE(ApplyPhotoFilter(full.plane, fullOut.plane, p));
    const FilterPreviewMapping mapping{0.0f, 0.0f, 0.5f, 200, 120};
    ASSERT_TRUE(ApplyPhotoFilter(small.plane, smallOut.plane, p, &mapping));
    int differing = 0;
    for (int32_t y = 0; y < 60; ++y)
        for (int32_t x = 0; x < 100; ++x)
            for (int c = 0; c < 3; ++c) {
                const int d = std::abs(smallOut.Rgb(x, y)[c] - fullOut.Rgb(2 * x, 2 * y)[c]);
                EXPECT_LE(d, 3);
                differing += d != 0;
            }
    EXPECT_LT(differing, 100 * 60 * 3 / 4);
}

TEST(PhotoFilter, OutOfRangeParametersAreTamed) {
    Image src(20, 10), dst(20, 10), other(20, 11);
    src.Random(2);
    const PhotoFilterParams p = Grad(std::nanf(""), 7.0f, -3.0f, INFINITY, {1, 2, 3}, {}, 9);
    ASSERT_TRUE(ApplyPhotoFilter(src.plane, dst.plane, p));
    const PhotoFilterParams s = p.Sanitized();
    EXPECT_EQ(s.angle, 0.0f);
    EXPECT_EQ(s.hardness, 1.0f);
    EXPECT_EQ(s.offset, 0.0f);
    EXPECT_EQ(s.strength, PhotoFilterParams{}.strength);
    EXPECT_EQ(s.grad, 1);
    EXPECT_FALSE(ApplyPhotoFilter(src.plane, other.plane, p));
}

TEST(PhotoFilterFile, ParameterBlockLayoutAndTheLastSettingsFile) {
    PhotoFilterParams p = Grad(-12.5f, 0.25f, 0.2f, 0.5f, {1, 2, 3}, {4, 5, 6});  // the dialog shows 0.8
    p.blackAndWhite = 1;
    ByteWriter w;
    WriteFilterParams(w, p);
    const std::vector<uint8_t>& b = w.Bytes();
    ASSERT_EQ(b.size(), kFilterParamsSize);
    EXPECT_EQ((std::vector<uint8_t>(b.begin() + 16, b.begin() + 28)), (std::vector<uint8_t>{1, 2, 3, 0, 4, 5, 6, 0, 1, 1, 0, 0}));
    ByteReader shortReader(std::span<const uint8_t>(b.data(), 27));
    EXPECT_FALSE(ReadFilterParams(shortReader, p));

    const testsupport::TempDir dir;
    const auto path = dir / "last";
    ASSERT_TRUE(SaveFilterLastSettings(path.string(), p));
    char raw[32];
    std::ifstream(path, std::ios::binary).read(raw, 32);
    int32_t version;
    float angle, shown;
    std::memcpy(&version, raw, 4);
    std::memcpy(&angle, raw + 4, 4);
    std::memcpy(&shown, raw + 12, 4);
    EXPECT_EQ(version, 1);
    EXPECT_EQ(angle, -12.5f);
    EXPECT_FLOAT_EQ(shown, 0.8f);
    const PhotoFilterParams loaded = LoadFilterLastSettings(path.string());
    EXPECT_FLOAT_EQ(loaded.ShownOffset(), 0.8f);
    EXPECT_EQ(loaded.color2, p.color2);
    // Another version, a short file or no file: the defaults.
    raw[0] = 2;
    std::ofstream(path, std::ios::binary).write(raw, 32);
    EXPECT_EQ(LoadFilterLastSettings(path.string()), PhotoFilterParams{});
    raw[0] = 1;
    std::ofstream(path, std::ios::binary).write(raw, 31);
    EXPECT_EQ(LoadFilterLastSettings(path.string()), PhotoFilterParams{});
    std::filesystem::remove(path);
    EXPECT_EQ(LoadFilterLastSettings(path.string()), PhotoFilterParams{});
}
