// lumaret-cli edit: the tone and colour operations give exactly what the engine routines
// give on the same pixels, refuse values their dialogs refuse, and chain with the others.
#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <random>
#include <string>
#include <vector>

#include "adjust/curves/curves.h"
#include "adjust/filters/photofilter.h"
#include "adjust/huesat/huesaturation.h"
#include "adjust/levels/levels.h"
#include "adjust/mixer/channelmixer.h"
#include "adjust/tone/blackwhite.h"
#include "adjust/tone/brightness.h"
#include "adjust/whitebalance/whitebalance.h"
#include "cli_fixture.h"

namespace fs = std::filesystem;
using clitest::RunCli;
using clitest::Slurp;

namespace {

using Routine = std::function<bool(const ImagePlane&, const ImagePlane&)>;

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
    for (size_t k = 0; k < std::size(known); ++k)
        std::copy(known[k], known[k] + 3, p.Plane().Row(0) + 3 * k);
    return p;
}

std::string ToPpm(Picture& p) {
    std::string out = "P6\n" + std::to_string(p.width) + " " + std::to_string(p.height) + "\n255\n";
    for (int32_t y = 0; y < p.height; ++y)
        for (int32_t x = 0; x < p.width; ++x) {
            const uint8_t* px = p.Plane().Row(y) + 3 * x;
            out += {char(px[2]), char(px[1]), char(px[0])};
        }
    return out;
}

class CliEditAdjustTest : public clitest::CliFolderTest {
protected:
    void SetUp() override {
        CliFolderTest::SetUp();
        in = dir / "in.ppm";
        out = dir / "out.ppm";
        source = Generated(29, 17, 20240607);
        Write("in.ppm", ToPpm(source));
    }

    clitest::CliResult EditOps(std::vector<std::string> ops) {
        ops.insert(ops.begin(), {in.string(), out.string()});
        return Edit(ops);
    }
    // The PPM bytes `ops` make of the generated picture (empty, with a failure, on error).
    std::string Result(const std::vector<std::string>& ops) {
        fs::remove(out);
        const auto r = EditOps(ops);
        EXPECT_EQ(r.status, 0) << ops[0] << ": " << r.err;
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

TEST_F(CliEditAdjustTest, EachOperationGivesItsRoutinesResult) {
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

    const struct {
        std::vector<std::string> ops;
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
    };
    const std::string original = ToPpm(source);
    for (const auto& c : cases) {
        const std::string result = Result(c.ops);
        EXPECT_EQ(result, Expected(source, c.routine)) << c.ops[0] << " " << c.ops[1];
        EXPECT_NE(result, original) << c.ops[0] << " " << c.ops[1];
    }
    for (int mode : {1, 4}) {
        const adjust::BlackWhiteParams p{static_cast<adjust::BlackWhiteMode>(mode)};
        EXPECT_EQ(Result({"--bw", std::to_string(mode)}),
                  Expected(source, [&](auto& s, auto& d) { return adjust::ApplyBlackWhite(s, d, p); }))
                << mode;
    }

    // Known pixels of the first row (red-green-blue after the 13-byte header): the warm
    // cast picked as reference becomes grey 183, and half a turn of hue makes pure red
    // the cyan of the same intensity.
    EXPECT_EQ(Result({"--white-balance", "200,180,160"}).substr(13 + 18, 3), "\xB7\xB7\xB7");
    EXPECT_EQ(Result({"--hue-saturation", "180:0:0"}).substr(13 + 9, 3), std::string("\0\x7F\x7F", 3));
}

TEST_F(CliEditAdjustTest, NeutralSettingsLeaveThePictureUnchanged) {
    ASSERT_EQ(adjust::SaveChannelMixerFile(dir / "default.chmix", {}), adjust::SettingsFileStatus::Ok);
    const std::string original = ToPpm(source);
    const std::vector<std::vector<std::string>> neutral = {
        {"--brightness", "0"},
        {"--mixer", (dir / "default.chmix").string()},
        {"--filter", "strength=0"},
        // A later setting of the same channel replaces the earlier one.
        {"--levels", "RGB:10:20:3", "--levels", "rgb:0:255:1"},
        // Consecutive --levels make one undo step.
        {"--levels", "RGB:50:200:1", "--levels", "G:0:128:1", "--undo"},
        {"--boost", "40", "--undo"},
    };
    for (const auto& ops : neutral) EXPECT_EQ(Result(ops), original) << ops[0] << " " << ops[1];

    // --levels separated by another operation stay two steps: undo takes back only the second.
    const adjust::LevelsParams first{{50, 0, 0, 0}, {200, 255, 255, 255}};
    EXPECT_EQ(Result({"--levels", "RGB:50:200:1", "--brightness", "0", "--levels", "G:0:128:1", "--undo"}),
              Expected(source, [&](auto& s, auto& d) { return adjust::ApplyLevels(s, d, first); }));
}

TEST_F(CliEditAdjustTest, RefusesValuesTheDialogsRefuse) {
    const std::vector<std::vector<std::string>> bad = {
        {"--levels", "X:0:255:1"},       {"--levels", "RGB:200:100:1"},  {"--levels", "RGB:0:255:0"},
        {"--levels", "RGB:0:256:1"},     {"--levels", "RGB:0:255"},      {"--brightness", "201"},
        {"--brightness", "nan"},         {"--boost", "10", "20"},        {"--bw", "5"},
        {"--hue-saturation", "181:0:0"}, {"--hue-saturation", "0:0:0:purples"},
        {"--white-balance", "1,2"},      {"--white-balance", "1,2,300"}, {"--filter", "strength=2"},
        {"--filter", "color1=GG0000"},   {"--filter", "bogus=1"},        {"--filter", "strength"},
    };
    for (const auto& ops : bad) {
        fs::remove(out);
        const auto r = EditOps(ops);
        EXPECT_EQ(r.status, 2) << ops[0] << " " << (ops.size() > 1 ? ops[1] : "");
        EXPECT_NE(r.err.find(ops[0]), std::string::npos) << r.err;
        EXPECT_FALSE(fs::exists(out)) << ops[0];
    }
}

TEST_F(CliEditAdjustTest, RefusesUnreadableAndInvalidSettingsFiles) {
    ASSERT_EQ(CCurves().SaveFile(dir / "good.curves"), adjust::SettingsFileStatus::Ok);
    const std::string curves = Slurp(dir / "good.curves");
    ASSERT_EQ(curves.size(), 80u);
    Write("short.curves", curves.substr(0, 79));
    Write("count.curves", "\1" + curves.substr(1));
    ASSERT_EQ(adjust::SaveChannelMixerFile(dir / "good.chmix", {}), adjust::SettingsFileStatus::Ok);
    Write("magic.chmix", "X" + Slurp(dir / "good.chmix").substr(1));
    Write("short.huesat", "huesat\1\0\0");
    Write("version.last", std::string("\2\0\0\0", 4) + std::string(28, '\0'));

    for (const auto& ops : std::vector<std::vector<std::string>>{
                 {"--curves", (dir / "short.curves").string()},
                 {"--curves", (dir / "count.curves").string()},
                 {"--curves", (dir / "missing.curves").string()},
                 {"--mixer", (dir / "magic.chmix").string()},
                 {"--hue-saturation", (dir / "short.huesat").string()},
                 {"--filter", (dir / "version.last").string()},
         }) {
        const auto r = EditOps(ops);
        EXPECT_EQ(r.status, 2) << ops[1];
        EXPECT_NE(r.err.find("Invalid file"), std::string::npos) << r.err;
        EXPECT_FALSE(fs::exists(out));
    }
}

TEST_F(CliEditAdjustTest, ChainsWithGeometryOperations) {
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

TEST_F(CliEditAdjustTest, AdjustsARealCameraPicture) {
    const fs::path photo = fs::path(LUMARET_TESTDATA_DIR) / "jpeg/exif-py/jpg/tests/Xiaomi_Mi_9T_KeyError.jpg";
    if (!fs::exists(photo)) GTEST_SKIP() << "no camera picture at " << photo;
    const fs::path jpeg = dir / "adjusted.jpg";
    auto r = RunCli(LUMARET_CLI,
                    {"edit", photo.string(), jpeg.string(), "--levels", "RGB:8:245:1.1", "--hue-saturation",
                     "0:15:0", "--boost", "25", "--filter", "strength=0.3,angle=0,hardness=0.3", "--quality", "85"},
                    dir);
    ASSERT_EQ(r.status, 0) << r.err;
    // The result decodes again.
    EXPECT_EQ(RunCli(LUMARET_CLI, {"decode", jpeg.string(), (dir / "a.ppm").string(), "--scale", "8"}, dir).status, 0);
}
