// Photographic filters: the routine, its vector rows, the preview mapping, the colour bar
// and the last-settings file.
#include <gtest/gtest.h>

#include <unistd.h>

#include <cmath>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <numbers>

#include "adjust/filters/filterrun.h"
#include "adjust/filters/photofilter.h"
#include "framework_testimage.h"

using namespace adjust;
using adjusttest::TestImage;

namespace {

std::array<uint8_t, 3> Rgb(const TestImage& img, int32_t x, int32_t y) {
    const uint8_t* p = img.plane.Row(y) + 3 * x;
    return {p[2], p[1], p[0]};
}

void Fill(TestImage& img, uint8_t r, uint8_t g, uint8_t b) {
    for (int32_t y = 0; y < img.plane.height; ++y)
        for (int32_t x = 0; x < img.plane.width; ++x) img.SetRgb(x, y, r, g, b);
}

bool SamePixels(const ImagePlane& a, const ImagePlane& b) {
    for (int32_t y = 0; y < a.height; ++y)
        if (std::memcmp(a.Row(y), b.Row(y), static_cast<size_t>(a.width) * 3) != 0) return false;
    return true;
}

PhotoFilterParams Grad(float angle, float hardness, float offset, float strength, FilterColor c1,
                       FilterColor c2 = {255, 255, 255}) {
    PhotoFilterParams p;
    p.angle = angle;
    p.hardness = hardness;
    p.offset = offset;
    p.strength = strength;
    p.color1 = c1;
    p.color2 = c2;
    p.grad = 1;
    return p;
}

// First row, counted from the top, whose centre pixel has colour 2's red.
int32_t FirstRowOfColour2(const TestImage& img) {
    for (int32_t y = 0; y < img.plane.height; ++y)
        if (Rgb(img, img.plane.width / 2, y)[0] == 255) return y;
    return -1;
}

std::filesystem::path TempPath(const std::string& name) {
    return std::filesystem::temp_directory_path() / ("lumaret_filter_" + std::to_string(::getpid()) + "_" + name);
}

}  // namespace

TEST(PhotoFilter, StrengthZeroLeavesTheImageUnchanged) {
    TestImage src(61, 47), dst(61, 47);
    src.Random(21);
    for (uint8_t grad : {0, 1}) {
        PhotoFilterParams p = Grad(33.0f, 0.2f, 0.3f, 0.0f, {10, 200, 30}, {0, 0, 0});
        p.grad = grad;
        ASSERT_TRUE(ApplyPhotoFilter(src.plane, dst.plane, p));
        EXPECT_TRUE(SamePixels(src.plane, dst.plane)) << int(grad);
        FilterPreviewMapping preview{0, 0, 1, 61, 47};
        ASSERT_TRUE(ApplyPhotoFilter(src.plane, dst.plane, p, &preview));
        EXPECT_TRUE(SamePixels(src.plane, dst.plane)) << int(grad);
    }
}

TEST(PhotoFilter, FullFilterScalesEachChannel) {
    TestImage src(3, 1), dst(3, 1);
    src.SetRgb(0, 0, 200, 200, 200);
    src.SetRgb(1, 0, 255, 255, 255);
    src.SetRgb(2, 0, 17, 99, 3);
    PhotoFilterParams p;
    p.grad = 0;
    p.strength = 1.0f;
    p.color1 = {255, 128, 0};
    ASSERT_TRUE(ApplyPhotoFilter(src.plane, dst.plane, p));
    EXPECT_EQ(Rgb(dst, 0, 0), (std::array<uint8_t, 3>{200, static_cast<uint8_t>(128 * 200 / 255), 0}));
    EXPECT_EQ(Rgb(dst, 1, 0), (std::array<uint8_t, 3>{255, 128, 0}));
    EXPECT_EQ(Rgb(dst, 2, 0), (std::array<uint8_t, 3>{17, static_cast<uint8_t>(128 * 99 / 255), 0}));
    // Half strength: multiplier 127.5 + 0.5 * colour.
    p.strength = 0.5f;
    ASSERT_TRUE(ApplyPhotoFilter(src.plane, dst.plane, p));
    EXPECT_EQ(Rgb(dst, 1, 0), (std::array<uint8_t, 3>{255, 191, 127}));
}

TEST(PhotoFilter, FullBlackAndWhiteKeepsTheBrightness) {
    TestImage src(3, 1), dst(3, 1);
    src.SetRgb(0, 0, 255, 255, 255);
    src.SetRgb(1, 0, 200, 60, 10);
    src.SetRgb(2, 0, 0, 0, 0);
    PhotoFilterParams p;
    p.grad = 0;
    p.strength = 1.0f;
    p.color1 = {255, 128, 0};
    p.blackAndWhite = 1;
    ASSERT_TRUE(ApplyPhotoFilter(src.plane, dst.plane, p));
    for (int x = 0; x < 3; ++x) {
        const auto c = Rgb(dst, x, 0);
        EXPECT_EQ(c[0], c[1]);
        EXPECT_EQ(c[1], c[2]);
    }
    EXPECT_GE(Rgb(dst, 0, 0)[0], 254);  // white stays white
    EXPECT_EQ(Rgb(dst, 2, 0)[0], 0);
    // A black filter takes all light: the grey gain is infinite, the result black.
    p.color1 = {0, 0, 0};
    ASSERT_TRUE(ApplyPhotoFilter(src.plane, dst.plane, p));
    EXPECT_EQ(Rgb(dst, 0, 0), (std::array<uint8_t, 3>{0, 0, 0}));
}

TEST(PhotoFilter, HardGradSplitsTheImageAtTheMiddle) {
    TestImage src(40, 30), dst(40, 30);
    Fill(src, 255, 255, 255);
    ASSERT_TRUE(ApplyPhotoFilter(src.plane, dst.plane, Grad(0.0f, 1.0f, 0.5f, 1.0f, {100, 150, 200})));
    for (int32_t y = 0; y < 30; ++y) {
        for (int32_t x = 0; x < 40; x += 13) {
            if (y < 15) {
                EXPECT_EQ(Rgb(dst, x, y), (std::array<uint8_t, 3>{100, 150, 200})) << x << "," << y;
            } else if (y > 15) {
                EXPECT_EQ(Rgb(dst, x, y), (std::array<uint8_t, 3>{255, 255, 255})) << x << "," << y;
            }
        }
    }
    // Angle 90: the line turns upright, colour 1 on the left.
    ASSERT_TRUE(ApplyPhotoFilter(src.plane, dst.plane, Grad(90.0f, 1.0f, 0.5f, 1.0f, {100, 150, 200})));
    EXPECT_EQ(Rgb(dst, 5, 3)[0], 100);
    EXPECT_EQ(Rgb(dst, 5, 27)[0], 100);
    EXPECT_EQ(Rgb(dst, 35, 3)[0], 255);
    // Angle 180: upside down.
    ASSERT_TRUE(ApplyPhotoFilter(src.plane, dst.plane, Grad(180.0f, 1.0f, 0.5f, 1.0f, {100, 150, 200})));
    EXPECT_EQ(Rgb(dst, 20, 2)[0], 255);
    EXPECT_EQ(Rgb(dst, 20, 28)[0], 100);
}

TEST(PhotoFilter, SoftGradBlendsOverTheWholeHeight) {
    TestImage src(9, 101), dst(9, 101);
    Fill(src, 255, 255, 255);
    ASSERT_TRUE(ApplyPhotoFilter(src.plane, dst.plane, Grad(0.0f, 0.0f, 0.5f, 1.0f, {0, 0, 0})));
    // t = y / H down the middle column: the multiplier grows from 0 to 255.
    int previous = -1;
    for (int32_t y = 0; y < 101; ++y) {
        const int v = Rgb(dst, 4, y)[0];
        EXPECT_GE(v, previous);
        EXPECT_NEAR(v, 255.0 * y / 101.0, 1.5) << y;
        previous = v;
    }
}

TEST(PhotoFilter, ShownOffsetMovesTheLine) {
    TestImage src(50, 100), dst(50, 100);
    Fill(src, 255, 255, 255);
    ASSERT_TRUE(ApplyPhotoFilter(src.plane, dst.plane, Grad(0.0f, 1.0f, 0.5f, 1.0f, {0, 0, 0})));
    const int32_t middle = FirstRowOfColour2(dst);
    // The dialog shows 1 - offset: showing 0.6 (offset 0.4) moves the line up by 0.1 * 1.2 * 100.
    ASSERT_TRUE(ApplyPhotoFilter(src.plane, dst.plane, Grad(0.0f, 1.0f, 0.4f, 1.0f, {0, 0, 0})));
    const int32_t up = FirstRowOfColour2(dst);
    EXPECT_EQ(middle, 51);
    EXPECT_NEAR(up, middle - 12, 1);
}

TEST(PhotoFilter, GradBlackAndWhiteIsGrey) {
    TestImage src(30, 20), dst(30, 20);
    src.Random(9);
    PhotoFilterParams p = Grad(20.0f, 0.5f, 0.5f, 0.7f, {255, 60, 0}, {0, 90, 255});
    p.blackAndWhite = 1;
    ASSERT_TRUE(ApplyPhotoFilter(src.plane, dst.plane, p));
    for (int32_t y = 0; y < 20; ++y)
        for (int32_t x = 0; x < 30; ++x) {
            const auto c = Rgb(dst, x, y);
            ASSERT_EQ(c[0], c[1]);
            ASSERT_EQ(c[1], c[2]);
        }
}

TEST(PhotoFilter, VectorRowsMatchThePlainCode) {
    TestImage src(75, 23), vec(75, 23), plain(75, 23);
    src.Random(31);
    const FilterPreviewMapping previews[] = {{100.0f, 40.0f, 0.25f, 900, 600}, {0.0f, 0.0f, 3.0f, 75, 23},
                                             {-5.5f, 7.25f, 0.5f, 150, 46}};
    for (float angle : {-180.0f, -135.5f, -90.0f, -1.0f, 0.0f, 33.3f, 90.0f, 179.9f, 180.0f}) {
        for (float hardness : {0.0f, 0.6f, 1.0f}) {
            PhotoFilterParams p = Grad(angle, hardness, 0.37f, 0.8f, {250, 90, 10}, {20, 120, 240});
            p.blackAndWhite = angle < 0 ? 1 : 0;
            for (int m = -1; m < 3; ++m) {
                const detail::FilterRun run =
                    detail::MakeFilterRun(p, 75, 23, m < 0 ? nullptr : &previews[m]);
                detail::GradRows(run, src.plane, vec.plane, 0, 23);
                detail::GradRowsScalar(run, src.plane, plain.plane, 0, 23);
                ASSERT_TRUE(SamePixels(vec.plane, plain.plane)) << angle << " " << hardness << " " << m;
            }
        }
    }
}

TEST(PhotoFilter, AnglesAreAccurate) {
    double worstExact = 0, worstApprox = 0;
    for (int y = -300; y <= 300; y += 7) {
        for (int x = -300; x <= 300; x += 5) {
            const double truth = std::atan2(double(y), double(x)) * 180.0 / std::numbers::pi;
            worstExact = std::max(worstExact, std::fabs(FilterAtan2Degrees(float(y), float(x)) - truth));
            worstApprox = std::max(worstApprox, std::fabs(FilterAtan2DegreesApprox(float(y), float(x)) - truth));
        }
    }
    EXPECT_LT(worstExact, 2e-5);
    EXPECT_LT(worstApprox, 0.3);
    EXPECT_EQ(FilterAtan2Degrees(0.0f, 0.0f), 0.0f);
    EXPECT_FLOAT_EQ(FilterAtan2Degrees(0.0f, -5.0f), 180.0f);
    EXPECT_FLOAT_EQ(FilterAtan2DegreesApprox(1.0f, 0.5f), FilterAtan2Degrees(1.0f, 0.5f));  // |X| < 1: exact
}

TEST(PhotoFilter, PreviewMapsToFullImagePoints) {
    // A preview at zoom 0.5 showing the whole image: preview pixel (px, py) stands for
    // full-image point (2 px, 2 py), so away from the line both runs agree.
    TestImage full(200, 120), fullOut(200, 120), small(100, 60), smallOut(100, 60);
    full.Random(17);
    for (int32_t y = 0; y < 60; ++y)
        for (int32_t x = 0; x < 100; ++x) std::memcpy(small.Pixel(x, y), full.Pixel(2 * x, 2 * y), 3);
    const PhotoFilterParams p = Grad(25.0f, 0.4f, 0.45f, 0.9f, {30, 200, 90}, {240, 240, 30});
    ASSERT_TRUE(ApplyPhotoFilter(full.plane, fullOut.plane, p));
    const FilterPreviewMapping mapping{0.0f, 0.0f, 0.5f, 200, 120};
    ASSERT_TRUE(ApplyPhotoFilter(small.plane, smallOut.plane, p, &mapping));
    int differing = 0;
    for (int32_t y = 0; y < 60; ++y)
        for (int32_t x = 0; x < 100; ++x) {
            const auto a = Rgb(smallOut, x, y), b = Rgb(fullOut, 2 * x, 2 * y);
            for (int c = 0; c < 3; ++c) {
                EXPECT_LE(std::abs(a[c] - b[c]), 3);
                differing += a[c] != b[c];
            }
        }
    EXPECT_LT(differing, 100 * 60 * 3 / 4);
    // A zoom above 1 is limited to 1; a region further down shifts the picture.
    const FilterPreviewMapping zoomed{0.0f, 60.0f, 4.0f, 200, 120};
    TestImage part(200, 60), partOut(200, 60);
    for (int32_t y = 0; y < 60; ++y) std::memcpy(part.plane.Row(y), full.plane.Row(60 + y), 600);
    ASSERT_TRUE(ApplyPhotoFilter(part.plane, partOut.plane, Grad(0.0f, 1.0f, 0.5f, 1.0f, {0, 0, 0}), &zoomed));
    ASSERT_TRUE(ApplyPhotoFilter(full.plane, fullOut.plane, Grad(0.0f, 1.0f, 0.5f, 1.0f, {0, 0, 0})));
    for (int32_t y = 2; y < 60; ++y)
        for (int32_t x = 0; x < 200; x += 11) ASSERT_EQ(Rgb(partOut, x, y), Rgb(fullOut, x, 60 + y)) << x << "," << y;
}

TEST(PhotoFilter, OutOfRangeParametersAreTamed) {
    TestImage src(20, 10), dst(20, 10);
    src.Random(2);
    PhotoFilterParams p = Grad(std::nanf(""), 7.0f, -3.0f, INFINITY, {1, 2, 3});
    p.grad = 9;
    ASSERT_TRUE(ApplyPhotoFilter(src.plane, dst.plane, p));
    const PhotoFilterParams s = p.Sanitized();
    EXPECT_EQ(s.angle, 0.0f);
    EXPECT_EQ(s.hardness, 1.0f);
    EXPECT_EQ(s.offset, 0.0f);
    EXPECT_EQ(s.strength, PhotoFilterParams{}.strength);
    EXPECT_EQ(s.grad, 1);
    TestImage other(20, 11);
    EXPECT_FALSE(ApplyPhotoFilter(src.plane, other.plane, p));
}

TEST(PhotoFilterColorBar, RowsFollowTheFilter) {
    PhotoFilterParams p = Grad(0.0f, 1.0f, 0.5f, 1.0f, {100, 150, 200}, {10, 20, 30});
    // Ten rows: t = 0.0 .. 0.9; the row at t = 0.5 keeps colour 1 like the row above.
    for (int r = 0; r <= 5; ++r) EXPECT_EQ(FilterColorBarRow(p, r, 10), (std::array<uint8_t, 3>{100, 150, 200})) << r;
    for (int r = 6; r < 10; ++r) EXPECT_EQ(FilterColorBarRow(p, r, 10), (std::array<uint8_t, 3>{10, 20, 30})) << r;
    // Soft: a blend between the two.
    p.hardness = 0.0f;
    const auto mid = FilterColorBarRow(p, 5, 10);
    EXPECT_EQ(mid[0], 55);
    // A full filter shows colour 1 on every row; black and white does not change the bar.
    p.grad = 0;
    p.strength = 0.5f;
    p.blackAndWhite = 1;
    for (int r = 0; r < 10; r += 3) EXPECT_EQ(FilterColorBarRow(p, r, 10), (std::array<uint8_t, 3>{177, 202, 227}));
    TestImage bar(4, 10);
    ASSERT_TRUE(DrawFilterColorBar(bar.plane, p));
    EXPECT_EQ(Rgb(bar, 3, 9), (std::array<uint8_t, 3>{177, 202, 227}));
}

TEST(PhotoFilterFile, ParameterBlockLayout) {
    PhotoFilterParams p = Grad(-12.5f, 0.25f, 0.75f, 0.5f, {1, 2, 3}, {4, 5, 6});
    p.blackAndWhite = 1;
    ByteWriter w;
    WriteFilterParams(w, p);
    const std::vector<uint8_t>& b = w.Bytes();
    ASSERT_EQ(b.size(), kFilterParamsSize);
    float angle;
    std::memcpy(&angle, b.data(), 4);
    EXPECT_EQ(angle, -12.5f);
    EXPECT_EQ((std::vector<uint8_t>(b.begin() + 16, b.begin() + 28)),
              (std::vector<uint8_t>{1, 2, 3, 0, 4, 5, 6, 0, 1, 1, 0, 0}));
    ByteReader r(b);
    PhotoFilterParams back;
    ASSERT_TRUE(ReadFilterParams(r, back));
    EXPECT_EQ(back, p);
    ByteReader shortReader(std::span<const uint8_t>(b.data(), 27));
    EXPECT_FALSE(ReadFilterParams(shortReader, back));
}

TEST(PhotoFilterFile, LastSettingsKeepTheShownOffset) {
    const auto path = TempPath("last");
    PhotoFilterParams p = Grad(45.0f, 0.3f, 0.2f, 0.9f, {9, 8, 7});  // the dialog shows 0.8
    ASSERT_TRUE(SaveFilterLastSettings(path.string(), p));
    EXPECT_EQ(std::filesystem::file_size(path), 4 + kFilterParamsSize);
    std::ifstream in(path, std::ios::binary);
    char raw[32];
    in.read(raw, 32);
    int32_t version;
    float shown;
    std::memcpy(&version, raw, 4);
    std::memcpy(&shown, raw + 12, 4);
    EXPECT_EQ(version, 1);
    EXPECT_FLOAT_EQ(shown, 0.8f);
    const PhotoFilterParams loaded = LoadFilterLastSettings(path.string());
    EXPECT_FLOAT_EQ(loaded.ShownOffset(), 0.8f);
    EXPECT_EQ(loaded.color1, p.color1);
    EXPECT_EQ(loaded.angle, 45.0f);

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
