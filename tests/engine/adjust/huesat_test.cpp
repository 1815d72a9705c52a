// Hue/saturation routine: the worked examples, ranges, vector rows and ".huesat" files.
#include <gtest/gtest.h>

#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <filesystem>
#include <fstream>

#include "adjust/huesat/huesaturation.h"
#include "core/prompt.h"
#include "framework_testimage.h"

using namespace adjust;
using adjusttest::TestImage;

namespace {

HueSaturationParams Params(int hue, int sat, int bright, HueRange range = HueRange::Image, int colorize = 0) {
    HueSaturationParams p;
    p.hue = hue;
    p.saturation = sat;
    p.brightness = bright;
    p.range = range;
    p.colorize = colorize;
    return p;
}

Rgb8 Apply(const HueSaturationParams& p, Rgb8 c) { return HueSaturationPixel(p, c.r, c.g, c.b); }

// A colour whose HSI hue is within 0.3 degrees of `hue`, found by search.
Rgb8 ColourWithHue(float hue) {
    for (int r = 255; r >= 0; r -= 1)
        for (int g = 0; g < 256; g += 1)
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

struct RecordingProgress : IProgress {
    std::string title;
    int ends = 0;
    void Start(const std::string& t, int) override { title = t; }
    void SetPosition(int) override {}
    void End() override { ++ends; }
};

}  // namespace

TEST(HueSaturation, Hue180TurnsRedIntoCyan) {
    EXPECT_EQ(Apply(Params(180, 0, 0), {255, 0, 0}), (Rgb8{0, 127, 127}));
}

TEST(HueSaturation, NeutralSettingsCopyTheImage) {
    TestImage src(53, 140), dst(53, 140);
    src.Random(5);
    ASSERT_TRUE(ApplyHueSaturation(src.plane, dst.plane, HueSaturationParams{}));
    for (int32_t y = 0; y < 140; ++y) ASSERT_EQ(std::memcmp(src.plane.Row(y), dst.plane.Row(y), 53 * 3), 0);
    // Neutral in a range too.
    ASSERT_TRUE(ApplyHueSaturation(src.plane, dst.plane, Params(0, 0, 0, HueRange::Greens)));
    for (int32_t y = 0; y < 140; ++y) ASSERT_EQ(std::memcmp(src.plane.Row(y), dst.plane.Row(y), 53 * 3), 0);
}

TEST(HueSaturation, SaturationMinus100GivesGreyOfTheSameIntensity) {
    for (Rgb8 c : {Rgb8{200, 30, 90}, Rgb8{10, 220, 140}, Rgb8{255, 255, 0}, Rgb8{90, 90, 91}}) {
        const Rgb8 out = Apply(Params(0, -100, 0), c);
        EXPECT_EQ(out.r, out.g);
        EXPECT_EQ(out.g, out.b);
        EXPECT_NEAR(out.r, (c.r + c.g + c.b) / 3.0, 1.0);
    }
}

TEST(HueSaturation, Brightness100GivesWhiteButBlackStaysBlack) {
    EXPECT_EQ(Apply(Params(0, 0, 100), {12, 200, 77}), (Rgb8{255, 255, 255}));
    EXPECT_EQ(Apply(Params(0, 0, 100), {1, 1, 1}), (Rgb8{255, 255, 255}));
    EXPECT_EQ(Apply(Params(0, 0, 100), {0, 0, 0}), (Rgb8{0, 0, 0}));
    EXPECT_EQ(Apply(Params(90, 50, 100, HueRange::Image, 1), {0, 0, 0}), (Rgb8{0, 0, 0}));
    // Brightness -100 takes a grey to I' = 2I - 1.
    EXPECT_EQ(Apply(Params(0, 0, -100), {100, 100, 100}), (Rgb8{0, 0, 0}));
    EXPECT_EQ(Apply(Params(0, 0, -100), {255, 255, 255}), (Rgb8{255, 255, 255}));
}

TEST(HueSaturation, ColorizeGivesEveryPixelTheHue) {
    const HueSaturationParams p = Params(0, 0, 0, HueRange::Blues, 1);  // the range is ignored
    for (int v : {1, 60, 128, 254, 255}) {
        const auto b = static_cast<uint8_t>(v);
        const Rgb8 out = Apply(p, {b, b, b});
        EXPECT_EQ(out, (Rgb8{out.r, out.r, out.r})) << v;
        EXPECT_LE(v - out.r, 1);
    }
    // Coloured pixels take hue 0 (red) with their own saturation: green equals blue.
    for (Rgb8 c : {Rgb8{120, 160, 140}, Rgb8{90, 100, 150}}) {
        const Rgb8 out = Apply(p, c);
        EXPECT_GT(out.r, out.g);
        EXPECT_NEAR(out.g, out.b, 1);
        const Hsi before = RgbToHsi(c.r, c.g, c.b), after = RgbToHsi(out.r, out.g, out.b);
        EXPECT_NEAR(after.s, before.s, 0.02f);
        EXPECT_NEAR(after.i, before.i, 0.01f);
    }
    EXPECT_EQ(Apply(Params(120, 0, 0, HueRange::Image, 1), {255, 0, 0}), (Rgb8{0, 255, 0}));
}

TEST(HueSaturation, RangesChangeOnlyTheirHues) {
    // Pure red: hue 0, in the reds with full weight, outside the yellows.
    EXPECT_EQ(Apply(Params(180, 0, 0, HueRange::Reds), {255, 0, 0}), (Rgb8{0, 127, 127}));
    EXPECT_EQ(Apply(Params(180, 0, 0, HueRange::Yellows), {255, 0, 0}), (Rgb8{255, 0, 0}));
    EXPECT_EQ(Apply(Params(90, -100, 50, HueRange::Greens), {255, 0, 0}), (Rgb8{255, 0, 0}));
    // Pure green (hue 120) is the middle of the greens.
    const Rgb8 green = Apply(Params(0, -100, 0, HueRange::Greens), {0, 255, 0});
    EXPECT_EQ(green.r, green.g);
    // The saturation change applies in full across a range, here at its edge.
    const Rgb8 edge = ColourWithHue(100.0f);
    ASSERT_GT(edge.g, 0);
    const Rgb8 grey = Apply(Params(0, -100, 0, HueRange::Greens), edge);
    EXPECT_EQ(grey.r, grey.g);
    EXPECT_EQ(grey.g, grey.b);
}

TEST(HueSaturation, HueShiftFallsOffTowardsTheRangeEdge) {
    const HueSaturationParams p = Params(30, 0, 0, HueRange::Reds);
    const Rgb8 at350 = ColourWithHue(350.0f);  // 10 degrees from the middle: full shift
    const Rgb8 at40 = ColourWithHue(40.0f);    // 40 degrees: 30 * (1 - 25/45)^2 = 5.9
    const Rgb8 at60 = ColourWithHue(60.0f);    // outside
    const Hsi h350 = RgbToHsi(at350.r, at350.g, at350.b);
    const Hsi h40 = RgbToHsi(at40.r, at40.g, at40.b);
    const Rgb8 out350 = Apply(p, at350), out40 = Apply(p, at40);
    EXPECT_NEAR(HueShift(h350.h, RgbToHsi(out350.r, out350.g, out350.b).h), 30.0f, 2.0f);
    EXPECT_NEAR(HueShift(h40.h, RgbToHsi(out40.r, out40.g, out40.b).h), 5.9f, 2.0f);
    EXPECT_EQ(Apply(p, at60), at60);
}

TEST(HueSaturation, VectorRowsMatchThePlainRule) {
    // Odd widths exercise the plain tail; every mode and range; random and extreme pixels.
    TestImage src(67, 31), vec(67, 31), plain(67, 31);
    src.Random(77);
    src.SetRgb(0, 0, 0, 0, 0);
    src.SetRgb(1, 0, 255, 255, 255);
    src.SetRgb(2, 0, 255, 0, 1);  // hue 360 minus nothing
    src.SetRgb(3, 0, 0, 0, 1);
    const std::vector<HueSaturationParams> cases = {
        Params(180, 0, 0),  Params(-37, 45, -20), Params(12, -100, 100),
        Params(5, 0, 0, HueRange::Image, 1), Params(-150, 70, 30, HueRange::Image, 1),
        Params(30, 20, 10, HueRange::Reds), Params(-90, -50, -40, HueRange::Yellows),
        Params(60, 10, 60, HueRange::Greens), Params(-180, 100, -100, HueRange::Cyans),
        Params(170, -30, 20, HueRange::Blues), Params(45, 90, -70, HueRange::Magentas),
        Params(100000, 300, -300),  // values from a settings file, used as they are
    };
    for (const auto& p : cases) {
        const detail::HueSatRun run = detail::MakeRun(p);
        detail::HueSatRows(run, src.plane, vec.plane, 0, 31);
        detail::HueSatRowsScalar(run, src.plane, plain.plane, 0, 31);
        for (int32_t y = 0; y < 31; ++y)
            ASSERT_EQ(std::memcmp(vec.plane.Row(y), plain.plane.Row(y), 67 * 3), 0)
                << "hue " << p.hue << " range " << static_cast<int>(p.range) << " row " << y;
        // The plane routine gives the same bytes as the per-pixel rule.
        ASSERT_TRUE(ApplyHueSaturation(src.plane, vec.plane, p));
        for (int32_t x = 0; x < 67; x += 7) {
            const uint8_t* s = src.Pixel(x, 5);
            const uint8_t* d = vec.Pixel(x, 5);
            EXPECT_EQ(HueSaturationPixel(p, s[2], s[1], s[0]), (Rgb8{d[2], d[1], d[0]}));
        }
    }
}

TEST(HueSaturation, VectorRowsMatchForEveryByteValue) {
    // Every byte value in every channel, so each conversion of a byte to 0..1 is checked.
    TestImage src(266, 3), vec(266, 3), plain(266, 3);
    for (int32_t y = 0; y < 3; ++y)
        for (int32_t x = 0; x < 266; ++x)
            src.SetRgb(x, y, static_cast<uint8_t>(x + 85 * y), static_cast<uint8_t>(255 - x), static_cast<uint8_t>(x * 7 + y));
    for (const auto& p : {Params(77, -20, 15), Params(-100, 60, -30, HueRange::Magentas)}) {
        const detail::HueSatRun run = detail::MakeRun(p);
        detail::HueSatRows(run, src.plane, vec.plane, 0, 3);
        detail::HueSatRowsScalar(run, src.plane, plain.plane, 0, 3);
        for (int32_t y = 0; y < 3; ++y) ASSERT_EQ(std::memcmp(vec.plane.Row(y), plain.plane.Row(y), 266 * 3), 0);
    }
}

TEST(HueSaturation, WholeImageRunReportsProgress) {
    TestImage src(20, 300), dst(20, 300);
    src.Random(8);
    RecordingProgress progress;
    ASSERT_TRUE(ApplyHueSaturation(src.plane, dst.plane, Params(10, 0, 0), &progress));
    EXPECT_EQ(progress.title, "Hue/Saturation");
    EXPECT_EQ(progress.ends, 1);
    TestImage other(21, 300);
    EXPECT_FALSE(ApplyHueSaturation(src.plane, other.plane, Params(10, 0, 0)));
}

TEST(HueSaturationFile, RoundTripAndLayout) {
    HueSaturationParams p = Params(-120, 35, -80, HueRange::Cyans, 1);
    const std::vector<uint8_t> bytes = SerializeHueSaturation(p);
    ASSERT_EQ(bytes.size(), kHueSaturationFileSize);
    EXPECT_EQ(std::string(bytes.begin(), bytes.begin() + 6), "huesat");
    EXPECT_EQ(bytes[6], 1);     // colorize
    EXPECT_EQ(bytes[10], 0x88); // -120, little-endian
    EXPECT_EQ(bytes[13], 0xFF);

    const auto path = std::filesystem::temp_directory_path() / ("lumaret_huesat_" + std::to_string(::getpid()));
    ASSERT_EQ(SaveHueSaturationFile(path.string(), p), SettingsFileStatus::Ok);
    HueSaturationParams loaded;  // the range is not stored: it stays as it was
    loaded.range = HueRange::Blues;
    ASSERT_EQ(LoadHueSaturationFile(path.string(), loaded), SettingsFileStatus::Ok);
    EXPECT_EQ(loaded.hue, -120);
    EXPECT_EQ(loaded.saturation, 35);
    EXPECT_EQ(loaded.brightness, -80);
    EXPECT_EQ(loaded.colorize, 1);
    EXPECT_EQ(loaded.range, HueRange::Blues);
    std::filesystem::remove(path);
}

TEST(HueSaturationFile, CorruptFilesChangeNothing) {
    const HueSaturationParams keep = Params(7, 8, 9);
    std::vector<uint8_t> good = SerializeHueSaturation(Params(1, 2, 3));
    std::vector<uint8_t> wrongMagic = good;
    wrongMagic[5] = 'x';
    std::vector<uint8_t> shortFile(good.begin(), good.end() - 2);
    for (const auto& bytes : {wrongMagic, shortFile, std::vector<uint8_t>(good.begin(), good.begin() + 6)}) {
        HueSaturationParams p = keep;
        EXPECT_EQ(ParseHueSaturation(bytes, p), SettingsFileStatus::InvalidFile);
        EXPECT_EQ(p, keep);
    }
    // Out-of-range values are kept as they are.
    HueSaturationParams wild = Params(500, -1000, 250);
    HueSaturationParams p = keep;
    ASSERT_EQ(ParseHueSaturation(SerializeHueSaturation(wild), p), SettingsFileStatus::Ok);
    EXPECT_EQ(p.hue, 500);
    EXPECT_EQ(p.saturation, -1000);
}
