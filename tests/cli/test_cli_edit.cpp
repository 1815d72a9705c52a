// lumaret-cli edit: each tone, colour and detail operation against the engine routine it
// runs, identities of chains, refusals that write nothing, and the EXIF of a JPEG result.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <sstream>
#include <random>
#include <string>
#include <vector>

#include "../engine/editor/editor_fixtures.h"
#include "adjust/curves/curves.h"
#include "adjust/filters/photofilter.h"
#include "adjust/huesat/huesaturation.h"
#include "adjust/levels/levels.h"
#include "adjust/mixer/channelmixer.h"
#include "adjust/tone/blackwhite.h"
#include "adjust/tone/brightness.h"
#include "adjust/whitebalance/whitebalance.h"
#include "cli_fixture.h"
#include "detail/irfilm.h"
#include "detail/redeye.h"
#include "detail/shadowcontrol.h"
#include "detail/unsharpmask.h"
#include "geometry/resize.h"
#include "geometry/rotate.h"
#include "geometry/rotatetool.h"
#include "exif/exif.h"

namespace fs = std::filesystem;
using clitest::Rgb;
using clitest::Slurp;

namespace {

using Routine = std::function<bool(const ImagePlane&, const ImagePlane&)>;
using Ops = std::vector<std::string>;

// A picture as a padded blue-green-red plane, the layout the routines work on.
struct Picture {
    int32_t width = 0, height = 0;
    std::vector<uint8_t> bytes;
    ImagePlane Plane() { return ImagePlane::Make(bytes.data(), width, height); }
};

// Seeded random pixels; the first row starts with black, white, grey, the primaries and
// a warm cast, whose results are easy to reason about.
Picture Generated(int32_t w, int32_t h, uint32_t seed) {
    Picture p{w, h, std::vector<uint8_t>(ImagePlane::BytesFor(w, h), 0)};
    std::mt19937 rng(seed);
    for (int32_t y = 0; y < h; ++y)
        for (int32_t x = 0; x < w * 3; ++x) p.Plane().Row(y)[x] = static_cast<uint8_t>(rng() >> 24);
    const uint8_t known[][3] = {{0, 0, 0}, {255, 255, 255}, {128, 128, 128}, {0, 0, 255},
                                {0, 255, 0}, {255, 0, 0}, {160, 180, 200}};
    for (size_t k = 0; k < std::size(known); ++k) std::copy(known[k], known[k] + 3, p.Plane().Row(0) + 3 * k);
    return p;
}

std::string ToPpm(Picture& p) {
    return clitest::PpmBytes(p.width, p.height, [&](int x, int y) {
        const uint8_t* px = p.Plane().Row(y) + 3 * x;
        return Rgb{px[2], px[1], px[0]};
    });
}

std::string Show(const Ops& ops) { return ops.empty() ? "" : ops[0] + (ops.size() > 1 ? " " + ops[1] : ""); }

uint32_t ExifInteger(CExif& exif, uint16_t tag) {
    uint32_t value = 0;
    const CIFDEntry* entry = exif.Section().FindEntry(tag);
    return entry && entry->FirstInteger(value) ? value : 0;
}

class CliEditTest : public clitest::CliFolderTest {
protected:
    void SetUp() override {
        CliFolderTest::SetUp();
        in = dir / "in.ppm";
        out = dir / "out.ppm";
        source = Generated(29, 17, 20240607);
        Write("in.ppm", ToPpm(source));
    }
    // Replaces the input with a w x h picture of colour(x, y).
    template <class Colour>
    void Input(int w, int h, Colour colour) {
        Write("in.ppm", clitest::PpmBytes(w, h, colour));
    }
    clitest::CliResult EditOps(Ops ops) {
        fs::remove(out);
        ops.insert(ops.begin(), {in.string(), out.string()});
        return Edit(ops);
    }
    // The PPM bytes `ops` make of the input (empty, with a failure, on error).
    std::string Result(const Ops& ops) {
        const auto r = EditOps(ops);
        EXPECT_EQ(r.status, 0) << Show(ops) << ": " << r.err;
        return Slurp(out);
    }
    // The PPM bytes `routine` makes of `picture`.
    static std::string Expected(Picture picture, const Routine& routine) {
        Picture result{picture.width, picture.height, std::vector<uint8_t>(picture.bytes.size(), 0)};
        EXPECT_TRUE(routine(picture.Plane(), result.Plane()));
        return ToPpm(result);
    }

    fs::path in, out;
    Picture source;
};

}  // namespace

TEST_F(CliEditTest, EachOperationGivesItsRoutinesResult) {
    // Settings files of each kind, made by the engine's own writers.
    CCurves curves;
    const CCurves::Point master[] = {{0, 0}, {64, 100}, {255, 255}}, redInverted[] = {{0, 255}, {255, 0}};
    ASSERT_TRUE(curves.SetPoints(0, master) && curves.SetPoints(1, redInverted));
    curves.BuildTables();
    ASSERT_EQ(curves.SaveFile(dir / "s.curves"), adjust::SettingsFileStatus::Ok);
    adjust::ChannelMixerParams mixer;
    mixer.table[adjust::ChannelMixerParams::Index(0, adjust::kMixGreen, adjust::kMixRed)] = 40;
    mixer.table[adjust::ChannelMixerParams::Index(0, adjust::kMixBlue, adjust::kMixBlue)] = 150;
    ASSERT_EQ(adjust::SaveChannelMixerFile(dir / "s.chmix", mixer), adjust::SettingsFileStatus::Ok);
    const adjust::PhotoFilterParams lastFilter{-60, 0.2f, 0.35f, 0.8f};
    ASSERT_TRUE(adjust::SaveFilterLastSettings(dir / "s.last", lastFilter));

    const adjust::LevelsParams levels{{50, 0, 0, 10}, {200, 128, 255, 250}, {1, 1.5f, 1, 0.8f}};
    const adjust::HueSaturationParams reds{30, -20, 10, 0, adjust::HueRange::Reds}, colorize{20, 30, 0, 1};
    // The offset given on the command line is the one the dialog shows: 1 - offset.
    const adjust::PhotoFilterParams grad{30, 0.8f, 1.0f - 0.3f, 0.7f, {255, 128, 0}, {0, 64, 192}},
            fullBw{0, 0.5f, 0.5f, 1, {255, 128, 0}, {255, 255, 255}, 0, 1};
    const adjust::BlackWhiteParams bw1{static_cast<adjust::BlackWhiteMode>(1)},
            bw4{static_cast<adjust::BlackWhiteMode>(4)};

    const struct {
        Ops ops;
        Routine routine;
    } cases[] = {
        {{"--levels", "RGB:50:200:1", "--levels", "R:0:128:1.5", "--levels", "b:10:250:0.8"},
         [&](auto& s, auto& d) { return adjust::ApplyLevels(s, d, levels); }},
        {{"--curves", (dir / "s.curves").string()},
         [&](auto& s, auto& d) { return adjust::ApplyCurves(s, d, curves.Tables()); }},
        {{"--mixer", (dir / "s.chmix").string()},
         [&](auto& s, auto& d) { return adjust::ApplyChannelMixer(s, d, mixer); }},
        {{"--hue-saturation", "30:-20:10:reds"},
         [&](auto& s, auto& d) { return adjust::ApplyHueSaturation(s, d, reds); }},
        {{"--hue-saturation", "20:30:0:colorize"},
         [&](auto& s, auto& d) { return adjust::ApplyHueSaturation(s, d, colorize); }},
        {{"--brightness", "-120"}, [](auto& s, auto& d) { return adjust::ApplyBrightness(s, d, {-120}); }},
        {{"--white-balance", "200,180,160"},
         [](auto& s, auto& d) { return adjust::ApplyWhiteBalance(s, d, adjust::FactorsFromReference(200, 180, 160)); }},
        {{"--filter", "angle=30,hardness=0.8,offset=0.3,strength=0.7,color1=FF8000,color2=0040c0"},
         [&](auto& s, auto& d) { return adjust::ApplyPhotoFilter(s, d, grad); }},
        {{"--filter", "strength=1,color1=#FF8000,grad=0,bw=1"},
         [&](auto& s, auto& d) { return adjust::ApplyPhotoFilter(s, d, fullBw); }},
        {{"--filter", (dir / "s.last").string()},
         [&](auto& s, auto& d) { return adjust::ApplyPhotoFilter(s, d, lastFilter); }},
        {{"--bw", "1"}, [&](auto& s, auto& d) { return adjust::ApplyBlackWhite(s, d, bw1); }},
        {{"--bw", "4"}, [&](auto& s, auto& d) { return adjust::ApplyBlackWhite(s, d, bw4); }},
    };
    const std::string original = ToPpm(source);
    for (const auto& c : cases) {
        const std::string result = Result(c.ops);
        EXPECT_EQ(result, Expected(source, c.routine)) << Show(c.ops);
        EXPECT_NE(result, original) << Show(c.ops);
    }

    // Known pixels of the first row (red-green-blue after the 13-byte header): the warm
    // cast picked as reference becomes grey 183, and half a turn of hue makes pure red
    // the cyan of the same intensity.
    EXPECT_EQ(Result({"--white-balance", "200,180,160"}).substr(13 + 18, 3), "\xB7\xB7\xB7");
    EXPECT_EQ(Result({"--hue-saturation", "180:0:0"}).substr(13 + 9, 3), std::string("\0\x7F\x7F", 3));
}

TEST_F(CliEditTest, IdentityChainsAndNeutralSettingsLeaveThePictureUnchanged) {
    ASSERT_EQ(adjust::SaveChannelMixerFile(dir / "default.chmix", {}), adjust::SettingsFileStatus::Ok);
    const std::string original = Slurp(in);
    for (const Ops& ops : std::vector<Ops>{
                 {"--flip", "h", "--flip", "h"},
                 {"--rotate", "90", "--rotate", "-90"},
                 {"--rotate", "-90", "--undo"},
                 {"--resize", "29", "17", "--method", "nearest"},
                 {"--brightness", "0"},
                 {"--mixer", (dir / "default.chmix").string()},
                 {"--filter", "strength=0"},
                 // A later setting of the same channel replaces the earlier one.
                 {"--levels", "RGB:10:20:3", "--levels", "rgb:0:255:1"},
                 // Consecutive --levels make one undo step.
                 {"--levels", "RGB:50:200:1", "--levels", "G:0:128:1", "--undo"},
                 {"--boost", "40", "--undo"}})
        EXPECT_EQ(Result(ops), original) << Show(ops);

    // --levels separated by another operation stay two steps: undo takes back only the second.
    const adjust::LevelsParams first{{50, 0, 0, 0}, {200, 255, 255, 255}};
    EXPECT_EQ(Result({"--levels", "RGB:50:200:1", "--brightness", "0", "--levels", "G:0:128:1", "--undo"}),
              Expected(source, [&](auto& s, auto& d) { return adjust::ApplyLevels(s, d, first); }));
}

TEST_F(CliEditTest, GeometryChainsWithTheAdjustments) {
    EXPECT_EQ(Result({"--crop", "1", "1", "4", "3"}).substr(0, 11), "P6\n3 2\n255\n");
    EXPECT_EQ(Result({"--resize", "10", "6", "--method", "lanczos", "--flip", "v"}).substr(0, 12), "P6\n10 6\n255\n");
    EXPECT_EQ(Result({"--straighten", "10", "--crop-auto"}).substr(0, 3), "P6\n");
    // Per-pixel adjustments commute with turns, flips and crops: each works on the image
    // the step before left.
    const std::string turned = Result({"--rotate", "90", "--flip", "h"});
    const std::string chained =
            Result({"--rotate", "90", "--boost", "40", "--flip", "h", "--white-balance", "90,100,120"});
    EXPECT_EQ(chained.substr(0, 13), "P6\n17 29\n255\n");
    EXPECT_NE(chained, turned);
    EXPECT_EQ(chained, Result({"--boost", "40", "--white-balance", "90,100,120", "--rotate", "90", "--flip", "h"}));
    EXPECT_EQ(Result({"--bw", "2", "--crop", "3", "2", "20", "15"}),
              Result({"--crop", "3", "2", "20", "15", "--bw", "2"}));
}

TEST_F(CliEditTest, DetailOperations) {
    // Sharpening leaves any flat picture alone; the shadow and highlight curves keep black
    // and white in place.
    Input(40, 30, [](int, int) { return Rgb{90, 140, 200}; });
    EXPECT_EQ(Result({"--sharpen", "500:2:0"}), Slurp(in));
    Input(40, 30, [](int, int) { return Rgb{0, 0, 0}; });
    EXPECT_EQ(Result({"--shadows", "40:30:50:-50"}), Slurp(in));
    Input(40, 30, [](int, int) { return Rgb{255, 255, 255}; });
    EXPECT_EQ(Result({"--highlights", "10:3:90:-100"}), Slurp(in));

    // Infrared film gives grey; red-eye darkens each pupil it finds and says where it found none.
    Input(30, 20, [](int x, int y) { return Rgb{x * 8, y * 12, 255 - x * 8}; });
    const std::string grey = clitest::PpmSamples(Result({"--ir-film", "-55:20:0:20:50"}));
    ASSERT_EQ(grey.size(), 30u * 20 * 3);
    for (size_t i = 0; i < grey.size(); i += 3) {
        ASSERT_EQ(grey[i], grey[i + 1]);
        ASSERT_EQ(grey[i], grey[i + 2]);
    }

    Input(150, 80, [](int x, int y) {
        for (int cx : {40, 110}) {
            const int d2 = (x - cx) * (x - cx) + (y - 40) * (y - 40);
            if (d2 <= 36) return Rgb{215, 45, 50};
            if (d2 <= 144) return Rgb{70, 55, 40};
        }
        return Rgb{205, 165, 145};
    });
    const auto r = EditOps({"--red-eye", "40:40", "--red-eye", "110:40:0", "--red-eye", "5:5"});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_NE(r.err.find("no red pupil found at 5:5"), std::string::npos);
    const std::string s = clitest::PpmSamples(Slurp(out));
    auto red = [&](int x, int y) { return static_cast<uint8_t>(s[(static_cast<size_t>(y) * 150 + x) * 3]); };
    EXPECT_LT(red(40, 40), 60);
    EXPECT_LT(red(110, 40), red(40, 40));  // brightness 0 darkens more
    EXPECT_EQ(red(75, 10), 205);
}

TEST_F(CliEditTest, RefusalsNameTheOptionAndWriteNothing) {
    // Range refusals of every parameter are covered by the descriptor walk below; these are
    // the malformed words.
    const std::vector<Ops> bad = {
        {"--spin", "3"}, {"--crop", "5", "0", "5", "17"}, {"--quality", "101"}, {"--undo"},
        {"--levels", "X:0:255:1"}, {"--levels", "RGB:200:100:1"}, {"--levels", "RGB:0:255"},
        {"--brightness", "nan"}, {"--boost", "10", "20"}, {"--hue-saturation", "0:0:0:purples"},
        {"--hue-saturation", "0:0:0:colorize:reds"}, {"--white-balance", "1,2"}, {"--filter", "color1=GG0000"},
        {"--filter", "bogus=1"}, {"--filter", "strength"}, {"--sharpen", "180:0.7"}, {"--shadows", "40:30:50:x"},
        {"--resize", "10", "1.5"}, {"--red-eye"}, {"--flip", "x"}, {"--resize", "10", "10", "--method", "cubic"},
    };
    for (const Ops& ops : bad) {
        const auto r = EditOps(ops);
        EXPECT_EQ(r.status, 2) << Show(ops);
        EXPECT_NE(r.err.find(ops[0]), std::string::npos) << r.err;
        EXPECT_FALSE(fs::exists(out)) << Show(ops);
    }
    // A sub-option belongs to its own operation only, and comes once.
    for (const Ops& ops : {Ops{"--flip", "h", "--method", "nearest"}, Ops{"--rotate", "90", "--crop-auto"},
                           Ops{"--straighten", "5", "--crop-auto", "--crop-auto"},
                           Ops{"--resize", "9", "9", "--method", "nearest", "--method", "lanczos"}}) {
        const auto r = EditOps(ops);
        EXPECT_EQ(r.status, 2) << Show(ops);
        EXPECT_NE(r.err.find("unknown option --"), std::string::npos) << r.err;
        EXPECT_FALSE(fs::exists(out)) << Show(ops);
    }
    EXPECT_EQ(Edit({in}).status, 2);
    const auto r = Edit({Write("text.jpg", "no"), out});
    EXPECT_EQ(r.status, 2);
    EXPECT_NE(r.err.find("text.jpg"), std::string::npos);
}

TEST_F(CliEditTest, RefusesUnreadableAndInvalidSettingsFiles) {
    ASSERT_EQ(CCurves().SaveFile(dir / "good.curves"), adjust::SettingsFileStatus::Ok);
    const std::string curves = Slurp(dir / "good.curves");
    ASSERT_EQ(curves.size(), 80u);
    ASSERT_EQ(adjust::SaveChannelMixerFile(dir / "good.chmix", {}), adjust::SettingsFileStatus::Ok);
    const Ops cases[] = {
        {"--curves", Write("short.curves", curves.substr(0, 79))},
        {"--curves", Write("count.curves", "\1" + curves.substr(1))},
        {"--curves", dir / "missing.curves"},
        {"--mixer", Write("magic.chmix", "X" + Slurp(dir / "good.chmix").substr(1))},
        {"--hue-saturation", Write("short.huesat", "huesat\1\0\0")},
        {"--filter", Write("version.last", std::string("\2\0\0\0", 4) + std::string(28, '\0'))},
    };
    for (const Ops& ops : cases) {
        const auto r = EditOps(ops);
        EXPECT_EQ(r.status, 2) << ops[1];
        EXPECT_NE(r.err.find("Invalid file"), std::string::npos) << r.err;
        EXPECT_FALSE(fs::exists(out));
    }
}

TEST_F(CliEditTest, JpegOutputCarriesExifUprightAtItsNewSize) {
    const fs::path turned = dir / "turned.jpg", jpeg = dir / "out.jpg";
    editortest::WriteQuadrantJpeg(turned, 40, 20, 6);
    ASSERT_EQ(Edit({turned, jpeg, "--resize", "10", "20", "--quality", "80"}).status, 0);
    CExif exif(jpeg);
    ASSERT_EQ(exif.Read(), 0);
    EXPECT_EQ(exif.GetOrientation(), 1);
    EXPECT_EQ(ExifInteger(exif, kTagPixelXDimension), 10u);
    EXPECT_EQ(ExifInteger(exif, kTagPixelYDimension), 20u);

    ASSERT_EQ(Edit({turned, jpeg, "--strip-exif"}).status, 0);
    CExif stripped(jpeg);
    stripped.Read();
    EXPECT_FALSE(stripped.HasExif());
}

TEST_F(CliEditTest, RealCameraFileKeepsItsMakerDataThroughAChain) {
    const fs::path photo = fs::path(LUMARET_TESTDATA_DIR) / "jpeg/exif-py/jpg/tests/Xiaomi_Mi_9T_KeyError.jpg";
    if (!fs::exists(photo)) GTEST_SKIP() << "test data not found at " << photo;
    const fs::path jpeg = dir / "out.jpg";
    const auto r = Edit({photo, jpeg, "--levels", "RGB:8:245:1.1", "--hue-saturation", "0:15:0", "--boost", "25",
                         "--filter", "strength=0.3,angle=0,hardness=0.3", "--flip", "h", "--resize", "600", "800",
                         "--rotate", "1.5", "--quality", "85"});
    ASSERT_EQ(r.status, 0) << r.err;
    CExif original(photo), edited(jpeg);
    ASSERT_EQ(original.Read(), 0);
    ASSERT_EQ(edited.Read(), 0);
    EXPECT_EQ(original.GetOrientation(), 6);
    EXPECT_EQ(edited.GetOrientation(), 1);
    EXPECT_EQ(edited.GetDateTaken(), original.GetDateTaken());
    int w = 0, h = 0, c = 0;
    edited.GetImageSize(w, h, c);
    // 600 x 800 turned by 1.5 degrees spans a slightly larger canvas.
    EXPECT_GT(w, 600);
    EXPECT_GT(h, 800);
    EXPECT_EQ(ExifInteger(edited, kTagPixelXDimension), uint32_t(w));
    EXPECT_TRUE(edited.Section().FindEntry(0x110));  // the camera model survives
    // The result decodes again.
    EXPECT_EQ(Edit({jpeg, dir / "a.ppm"}).status, 0);
}

namespace {

// Every operation the engine declares; the command line must offer each of them.
std::vector<const ops::Operation*> AllOperations() {
    return {&geometry::RotateOperation(),      &geometry::StraightenOperation(), &geometry::FlipOperation(),
            &geometry::ResizeOperation(),      &geometry::CropOperation(),       &adjust::LevelsOperation(),
            &adjust::CurvesOperation(),        &adjust::ChannelMixerOperation(), &adjust::HueSaturationOperation(),
            &adjust::BrightnessOperation(),    &adjust::BoostOperation(),        &adjust::BlackWhiteOperation(),
            &adjust::WhiteBalanceOperation(),  &adjust::PhotoFilterOperation(),  &detail::SharpenOperation(),
            &detail::ShadowsOperation(),       &detail::HighlightsOperation(),   &detail::IrFilmOperation(),
            &detail::RedEyeOperation()};
}

std::string Text(const ops::Param& p, double v) {
    char text[64];
    if (p.kind == ops::ParamKind::Choice) return p.choices[static_cast<size_t>(v)];
    if (p.kind == ops::ParamKind::Color) std::snprintf(text, sizeof text, "%06X", static_cast<unsigned>(v));
    else std::snprintf(text, sizeof text, "%.10g", v);
    return text;
}

// The words that give `op` these values, in its own syntax (flags left out).
Ops Words(const ops::Operation& op, const std::vector<double>& values) {
    Ops words{"--" + std::string(op.option)}, trailing;
    std::string joined;
    const std::string separator = op.syntax == ops::ValueSyntax::Comma ? "," : ":";
    for (size_t k = 0; k < op.params.size(); ++k) {
        const ops::Param& p = op.params[k];
        const std::string value = Text(p, values[k]);
        if (p.kind == ops::ParamKind::Flag) continue;
        if (p.option) {
            trailing.insert(trailing.end(), {p.option, value});
        } else if (op.syntax == ops::ValueSyntax::Words) {
            words.push_back(value);
        } else {
            std::string key = p.name;
            for (char& c : key) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
            const std::string item = op.syntax == ops::ValueSyntax::KeyValue ? key + "=" + value : value;
            const std::string between = op.syntax == ops::ValueSyntax::KeyValue ? "," : separator;
            joined += (joined.empty() ? "" : between) + item;
        }
    }
    if (!joined.empty()) words.push_back(joined);
    words.insert(words.end(), trailing.begin(), trailing.end());
    return words;
}

}  // namespace

// Each numeric parameter's bounds, as declared, are what the command line accepts: the
// bound itself (or just inside an excluded one) passes, just outside is refused. Other
// parameters keep their defaults, or a valid value where the default is no value
// (a size, a place in the picture).
TEST_F(CliEditTest, EveryDeclaredBoundIsTheBoundTheCommandLineChecks) {
    constexpr int kW = 9, kH = 7;
    Input(kW, kH, [](int x, int y) { return Rgb{x * 20, y * 30, 90}; });
    int checked = 0;
    for (const ops::Operation* op : AllOperations()) {
        if (op->file == ops::FileUse::Only) continue;
        std::vector<double> base = ops::Defaults(*op);
        for (size_t k = 0; k < base.size(); ++k) {
            const ops::Param& p = op->params[k];
            if (!p.Accepts(base[k], kW, kH)) base[k] = p.maxFrom != ops::ImageLimit::None ? p.MaxFor(kW, kH) : p.min;
        }
        for (size_t k = 0; k < base.size(); ++k) {
            const ops::Param& p = op->params[k];
            if (p.kind != ops::ParamKind::Number && p.kind != ops::ParamKind::Integer) continue;
            if (std::isinf(p.min) || std::isinf(p.max)) continue;
            const double half = p.kind == ops::ParamKind::Integer ? 1 : p.step / 2;
            const double high = p.MaxFor(kW, kH);
            const double outside = p.kind == ops::ParamKind::Integer ? 1 : p.step;
            const struct { double value; bool accepted; } probes[] = {
                    {p.minBound == ops::Bound::Inclusive ? p.min : p.min + half, true},
                    {p.maxBound == ops::Bound::Inclusive ? high : high - half, true},
                    {p.minBound == ops::Bound::Inclusive ? p.min - outside : p.min, false},
                    {p.maxBound == ops::Bound::Inclusive ? high + outside : high, false},
            };
            for (const auto& probe : probes) {
                std::vector<double> values = base;
                values[k] = probe.value;
                const Ops words = Words(*op, values);
                std::ostringstream shown;
                for (const std::string& w : words) shown << w << ' ';
                const auto r = EditOps(words);
                EXPECT_EQ(r.status, probe.accepted ? 0 : 2) << shown.str() << r.err;
                if (!probe.accepted) {
                    EXPECT_NE(r.err.find(p.name), std::string::npos) << shown.str() << r.err;
                }
                ++checked;
            }
        }
    }
    EXPECT_GT(checked, 150);
}

// The help has one line per operation naming each parameter with its bounds and default.
TEST_F(CliEditTest, HelpListsEveryOperationWithRangesAndDefaults) {
    const auto r = Edit({"--help"});
    ASSERT_EQ(r.status, 0);
    const std::string help = r.out + r.err;
    for (const ops::Operation* op : AllOperations()) {
        const std::string option = "--" + std::string(op->option) + " ";
        const size_t at = help.find("\n      " + option);
        ASSERT_NE(at, std::string::npos) << option;
        const std::string line = help.substr(at + 7, help.find('\n', at + 1) - at - 7);
        EXPECT_EQ(help.find("\n      " + option, at + 1), std::string::npos) << option;
        if (op->fileName) {
            EXPECT_NE(line.find(op->fileName), std::string::npos) << line;
        }
        for (const ops::Param& p : op->params) {
            // A flag is named by its option word or its own word in lower case.
            std::string word = p.option ? p.option : p.name;
            if (p.kind == ops::ParamKind::Flag && !p.option)
                for (char& c : word) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
            EXPECT_NE(line.find(word), std::string::npos) << line;
            if (p.kind != ops::ParamKind::Number && p.kind != ops::ParamKind::Integer) continue;
            if (std::isinf(p.min) || p.maxFrom != ops::ImageLimit::None) continue;
            char bounds[64], fallback[64];
            std::snprintf(bounds, sizeof bounds, "%g..%g", p.min, p.max);
            std::snprintf(fallback, sizeof fallback, "%g to", p.min);
            EXPECT_TRUE(line.find(bounds) != std::string::npos || line.find(fallback) != std::string::npos) << line;
            if (p.Accepts(p.def)) {
                char def[64];
                std::snprintf(def, sizeof def, p.format, p.def);
                EXPECT_NE(line.find(std::string("default ") + def), std::string::npos) << line;
            }
        }
    }
}
