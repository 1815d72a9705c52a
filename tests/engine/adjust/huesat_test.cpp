// HSI conversions and the hue/saturation routine: worked examples, ranges, vector rows and
// ".huesat" files.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <filesystem>

#include "adjust/huesat/huesaturation.h"
#include "framework_testimage.h"

using namespace adjust;
using namespace adjusttest;

namespace {

HueSaturationParams Params(int hue, int sat, int bright, HueRange range = HueRange::Image, int colorize = 0) {
    return HueSaturationParams{hue, sat, bright, colorize, range};
}

Rgb8 Apply(const HueSaturationParams& p, Rgb8 c) { return HueSaturationPixel(p, c.r, c.g, c.b); }

// A colour whose HSI hue is within 0.3 degrees of `hue`, found by search.
Rgb8 ColourWithHue(float hue) {
    for (int r = 255; r >= 0; --r)
        for (int g = 0; g < 256; ++g)
            for (int b = 0; b < 256; b += 5) {
                const Hsi h = RgbToHsi(static_cast<uint8_t>(r), static_cast<uint8_t>(g), static_cast<uint8_t>(b));
                if (std::fabs(h.h - hue) < 0.3f && h.s > 0.4f && h.i > 0.3f)
                    return {static_cast<uint8_t>(r), static_cast<uint8_t>(g), static_cast<uint8_t>(b)};
            }
    return {};
}

float HueShift(float from, float to) {
    float d = to - from;
    if (d > 180) d -= 360;
    if (d < -180) d += 360;
    return d;
}

}  // namespace

TEST(HueSaturation, WorkedExamples) {
    EXPECT_EQ(Apply(Params(180, 0, 0), {255, 0, 0}), (Rgb8{0, 127, 127}));  // red into cyan
    for (Rgb8 c : {Rgb8{200, 30, 90}, Rgb8{255, 255, 0}, Rgb8{90, 90, 91}}) {
        const Rgb8 out = Apply(Params(0, -100, 0), c);  // grey of the same intensity
        EXPECT_TRUE(out.r == out.g && out.g == out.b);
        EXPECT_NEAR(out.r, (c.r + c.g + c.b) / 3.0, 1.0);
    }
    EXPECT_EQ(Apply(Params(0, 0, 100), {1, 1, 1}), (Rgb8{255, 255, 255}));
    EXPECT_EQ(Apply(Params(0, 0, 100), {0, 0, 0}), (Rgb8{0, 0, 0}));  // black stays black
    EXPECT_EQ(Apply(Params(90, 50, 100, HueRange::Image, 1), {0, 0, 0}), (Rgb8{0, 0, 0}));
    EXPECT_EQ(Apply(Params(0, 0, -100), {100, 100, 100}), (Rgb8{0, 0, 0}));  // I' = 2I - 1
    EXPECT_EQ(Apply(Params(0, 0, -100), {255, 255, 255}), (Rgb8{255, 255, 255}));
    EXPECT_EQ(Apply(Params(120, 0, 0, HueRange::Image, 1), {255, 0, 0}), (Rgb8{0, 255, 0}));
}

TEST(HueSaturation, ColorizeGivesEveryPixelTheHue) {
    const HueSaturationParams p = Params(0, 0, 0, HueRange::Blues, 1);  // the range is ignored
    const Rgb8 grey = Apply(p, {128, 128, 128});
    EXPECT_EQ(grey, (Rgb8{grey.r, grey.r, grey.r}));
    EXPECT_LE(128 - grey.r, 1);
    // Coloured pixels take hue 0 (red) with their own saturation and intensity.
    const Rgb8 c{90, 100, 150}, out = Apply(p, c);
    EXPECT_GT(out.r, out.g);
    EXPECT_NEAR(out.g, out.b, 1);
    const Hsi before = RgbToHsi(c.r, c.g, c.b), after = RgbToHsi(out.r, out.g, out.b);
    EXPECT_NEAR(after.s, before.s, 0.02f);
    EXPECT_NEAR(after.i, before.i, 0.01f);
}

TEST(HueSaturation, RangesChangeOnlyTheirHues) {
    EXPECT_EQ(Apply(Params(180, 0, 0, HueRange::Reds), {255, 0, 0}), (Rgb8{0, 127, 127}));
    EXPECT_EQ(Apply(Params(180, 0, 0, HueRange::Yellows), {255, 0, 0}), (Rgb8{255, 0, 0}));
    // The saturation change applies in full across a range, here at its edge.
    const Rgb8 edge = ColourWithHue(100.0f);
    ASSERT_GT(edge.g, 0);
    const Rgb8 grey = Apply(Params(0, -100, 0, HueRange::Greens), edge);
    EXPECT_TRUE(grey.r == grey.g && grey.g == grey.b);
    // The hue shift falls off towards the edge of the range.
    const HueSaturationParams p = Params(30, 0, 0, HueRange::Reds);
    const Rgb8 at350 = ColourWithHue(350.0f);  // 10 degrees from the middle: full shift
    const Rgb8 at40 = ColourWithHue(40.0f);    // 40 degrees: 30 * (1 - 25/45)^2 = 5.9
    const Rgb8 at60 = ColourWithHue(60.0f);    // outside
    const Rgb8 out350 = Apply(p, at350), out40 = Apply(p, at40);
    EXPECT_NEAR(HueShift(RgbToHsi(at350.r, at350.g, at350.b).h, RgbToHsi(out350.r, out350.g, out350.b).h), 30.0f, 2.0f);
    EXPECT_NEAR(HueShift(RgbToHsi(at40.r, at40.g, at40.b).h, RgbToHsi(out40.r, out40.g, out40.b).h), 5.9f, 2.0f);
    EXPECT_EQ(Apply(p, at60), at60);
}

// Every mode and range, random and extreme pixels, and every byte value in every channel:
// the vector rows give the plain rule's bytes, and so does the plane routine.
TEST(HueSaturation, VectorRowsMatchThePlainRule) {
    Image src(266, 4), vec(266, 4), plain(266, 4);
    src.Random(77);
    for (int32_t y = 0; y < 3; ++y)
        for (int32_t x = 0; x < 266; ++x) src.SetRgb(x, y, x + 85 * y, 255 - x, x * 7 + y);
    src.SetRgb(0, 3, 0, 0, 0);
    src.SetRgb(1, 3, 255, 255, 255);
    src.SetRgb(2, 3, 255, 0, 1);
    const std::vector<HueSaturationParams> cases = {
        Params(180, 0, 0), Params(12, -100, 100), Params(-150, 70, 30, HueRange::Image, 1),
        Params(30, 20, 10, HueRange::Reds), Params(-90, -50, -40, HueRange::Yellows),
        Params(60, 10, 60, HueRange::Greens), Params(-180, 100, -100, HueRange::Cyans),
        Params(170, -30, 20, HueRange::Blues), Params(45, 90, -70, HueRange::Magentas),
        Params(100000, 300, -300),  // values from a settings file, used as they are
    };
    for (const auto& p : cases) {
        SCOPED_TRACE(testing::Message() << "hue " << p.hue << " range " << static_cast<int>(p.range));
        const detail::HueSatRun run = detail::MakeRun(p);
        detail::HueSatRows(run, src.plane, vec.plane, 0, 4);
        detail::HueSatRowsScalar(run, src.plane, plain.plane, 0, 4);
        ASSERT_TRUE(SamePixels(vec.plane, plain.plane));
        ASSERT_TRUE(ApplyHueSaturation(src.plane, vec.plane, p));
        for (int32_t x = 0; x < 266; x += 7) {
            const auto s = src.Rgb(x, 3), d = vec.Rgb(x, 3);
            EXPECT_EQ(HueSaturationPixel(p, s[0], s[1], s[2]), (Rgb8{d[0], d[1], d[2]}));
        }
    }
}

TEST(HueSaturation, NeutralSettingsCopyAndWholeImageRunsReportProgress) {
    Image src(53, 300), dst(53, 300), other(54, 300);
    src.Random(5);
    for (const auto& p : {HueSaturationParams{}, Params(0, 0, 0, HueRange::Greens)}) {
        ASSERT_TRUE(ApplyHueSaturation(src.plane, dst.plane, p));
        EXPECT_TRUE(SamePixels(src.plane, dst.plane));
    }
    RecordingProgress progress;
    ASSERT_TRUE(ApplyHueSaturation(src.plane, dst.plane, Params(10, 0, 0), &progress));
    EXPECT_EQ(progress.title, "Hue/Saturation");
    EXPECT_EQ(progress.ends, 1);
    EXPECT_FALSE(ApplyHueSaturation(src.plane, other.plane, Params(10, 0, 0)));
}

TEST(HueSaturationFile, RoundTripLayoutAndCorruptFiles) {
    HueSaturationParams p = Params(-120, 35, -80, HueRange::Cyans, 1);
    const std::vector<uint8_t> bytes = SerializeHueSaturation(p);
    ASSERT_EQ(bytes.size(), kHueSaturationFileSize);
    EXPECT_EQ(std::string(bytes.begin(), bytes.begin() + 6), "huesat");
    EXPECT_EQ(bytes[6], 1);      // colorize
    EXPECT_EQ(bytes[10], 0x88);  // -120, little-endian
    EXPECT_EQ(bytes[13], 0xFF);
    const testsupport::TempDir dir;
    const auto path = dir / "s.huesat";
    ASSERT_EQ(SaveHueSaturationFile(path.string(), p), SettingsFileStatus::Ok);
    HueSaturationParams loaded;  // the range is not stored: it stays as it was
    loaded.range = HueRange::Blues;
    ASSERT_EQ(LoadHueSaturationFile(path.string(), loaded), SettingsFileStatus::Ok);
    p.range = HueRange::Blues;
    EXPECT_EQ(loaded, p);

    const HueSaturationParams keep = Params(7, 8, 9);
    std::vector<uint8_t> wrongMagic = bytes;
    wrongMagic[5] = 'x';
    for (const auto& bad : {wrongMagic, std::vector<uint8_t>(bytes.begin(), bytes.end() - 2)}) {
        HueSaturationParams q = keep;
        EXPECT_EQ(ParseHueSaturation(bad, q), SettingsFileStatus::InvalidFile);
        EXPECT_EQ(q, keep);
    }
    HueSaturationParams q = keep;  // out-of-range values are kept as they are
    ASSERT_EQ(ParseHueSaturation(SerializeHueSaturation(Params(500, -1000, 250)), q), SettingsFileStatus::Ok);
    EXPECT_EQ(q.hue, 500);
}

TEST(Hsi, RoundTripStaysCloseForEveryColour) {
    // The arccos table's 0.002 steps are coarse next to the primaries (about 3.6 degrees),
    // so strong dark colours there lose up to 13 levels; elsewhere a level or two.
    int worst = 0;
    long total = 0, count = 0, withinTwo = 0;
    for (int r = 0; r < 256; r += 3)
        for (int g = 0; g < 256; g += 3)
            for (int b = 0; b < 256; b += 3) {
                const Hsi hsi = RgbToHsi(static_cast<uint8_t>(r), static_cast<uint8_t>(g), static_cast<uint8_t>(b));
                const Rgb8 back = HsiToRgb(hsi.h, hsi.s, hsi.i);
                const int e = std::max({std::abs(back.r - r), std::abs(back.g - g), std::abs(back.b - b)});
                worst = std::max(worst, e);
                total += e;
                withinTwo += e <= 2;
                ++count;
            }
    EXPECT_LE(worst, 13);
    EXPECT_LT(static_cast<double>(total) / count, 1.5);
    EXPECT_GT(static_cast<double>(withinTwo) / count, 0.95);
    for (int v = 0; v < 256; ++v) {  // greys come back exactly or one level lower
        const Hsi hsi = RgbToHsi(uint8_t(v), uint8_t(v), uint8_t(v));
        const Rgb8 back = HsiToRgb(hsi.h, hsi.s, hsi.i);
        EXPECT_TRUE(back.r == back.g && back.g == back.b && v - back.r >= 0 && v - back.r <= 1) << v;
    }
}

TEST(Hsi, KnownColoursLimitsAndWrapAround) {
    const Hsi red = RgbToHsi(255, 0, 0), grey = RgbToHsi(90, 90, 90);
    EXPECT_EQ(red.h, 0.0f);
    EXPECT_FLOAT_EQ(red.s, 1.0f);
    EXPECT_FLOAT_EQ(red.i, 1.0f / 3.0f);
    EXPECT_NEAR(RgbToHsi(255, 0, 255).h, 300.0f, 0.2f);
    EXPECT_EQ(grey.s, 0.0f);
    EXPECT_EQ(RgbToHsi(0, 0, 0).s, 0.0f);  // undefined: reported as 0
    EXPECT_EQ(HsiToRgb(0.0f, 0.0f, 2.0f), (Rgb8{255, 255, 255}));
    EXPECT_EQ(HsiToRgb(0.0f, std::nanf(""), 0.5f), (Rgb8{0, 0, 0}));
    const float s = 0.6f, i = 0.4f;
    EXPECT_EQ(HsiToRgb(360.0f, s, i), HsiToRgb(0.0f, s, i));
    EXPECT_EQ(HsiToRgb(-10.0f, s, i), HsiToRgb(350.0f, s, i));
    EXPECT_EQ(HsiToRgb(1090.0f, s, i), HsiToRgb(10.0f, s, i));
    EXPECT_EQ(HsiToRgb(-1e-6f, s, i), HsiToRgb(0.0f, s, i));
    // Just past 60 degrees the cosine index would reach 360: it must wrap to 0.
    const Rgb8 near60 = HsiToRgb(60.000004f, s, i), at60 = HsiToRgb(60.0f, s, i);
    EXPECT_LE(std::abs(near60.r - at60.r), 1);
    EXPECT_LE(std::abs(near60.g - at60.g), 1);
    EXPECT_EQ(WrapHue(std::nanf("")), 0.0f);
    EXPECT_GE(WrapHue(-3e9f), 0.0f);
    EXPECT_LT(WrapHue(-3e9f), 360.0f);
}
