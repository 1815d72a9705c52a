// Channel mixer: routine, ".chmix" files and the dialog model.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <unistd.h>
#include <filesystem>
#include <fstream>

#include "adjust/mixer/channelmixer.h"
#include "core/prompt.h"
#include "framework_testimage.h"

using namespace adjust;
using adjusttest::TestImage;

namespace {

std::array<uint8_t, 3> Rgb(TestImage& img, int32_t x, int32_t y) {
    const uint8_t* p = img.Pixel(x, y);
    return {p[2], p[1], p[0]};
}

bool SamePixels(const ImagePlane& a, const ImagePlane& b) {
    for (int32_t y = 0; y < a.height; ++y)
        if (std::memcmp(a.Row(y), b.Row(y), static_cast<size_t>(a.width) * 3) != 0) return false;
    return true;
}

struct RecordingProgress : IProgress {
    std::string title;
    int total = -1, starts = 0, ends = 0;
    std::vector<int> positions;
    void Start(const std::string& t, int n) override { title = t, total = n, ++starts; }
    void SetPosition(int p) override { positions.push_back(p); }
    void End() override { ++ends; }
};

std::filesystem::path TempPath(const std::string& name) {
    return std::filesystem::temp_directory_path() / ("lumaret_mixer_" + std::to_string(::getpid()) + "_" + name);
}

}  // namespace

TEST(ChannelMixer, DefaultsLeaveTheImageUnchanged) {
    TestImage src(37, 150), dst(37, 150);
    src.Random(11);
    ASSERT_TRUE(ApplyChannelMixer(src.plane, dst.plane, ChannelMixerParams{}));
    EXPECT_TRUE(SamePixels(src.plane, dst.plane));
}

TEST(ChannelMixer, MonochromeDefaultsWeighTheChannels) {
    TestImage src(4, 1), dst(4, 1);
    src.SetRgb(0, 0, 255, 0, 0);
    src.SetRgb(1, 0, 0, 255, 0);
    src.SetRgb(2, 0, 0, 0, 255);
    src.SetRgb(3, 0, 255, 255, 255);
    ChannelMixerParams p;
    p.monochrome = 1;
    ASSERT_TRUE(ApplyChannelMixer(src.plane, dst.plane, p));
    EXPECT_EQ(Rgb(dst, 0, 0), (std::array<uint8_t, 3>{76, 76, 76}));
    EXPECT_EQ(Rgb(dst, 1, 0), (std::array<uint8_t, 3>{150, 150, 150}));
    EXPECT_EQ(Rgb(dst, 2, 0), (std::array<uint8_t, 3>{28, 28, 28}));
    EXPECT_EQ(Rgb(dst, 3, 0)[0], 255);
}

TEST(ChannelMixer, SumsAreLimitedAndChannelsLandInTheirPlace) {
    TestImage src(3, 1), dst(3, 1);
    src.SetRgb(0, 0, 200, 10, 20);
    src.SetRgb(1, 0, 100, 50, 30);
    src.SetRgb(2, 0, 7, 8, 9);

    ChannelMixerParams doubleRed;
    doubleRed.table[ChannelMixerParams::Index(0, kMixRed, kMixRed)] = 200;
    ASSERT_TRUE(ApplyChannelMixer(src.plane, dst.plane, doubleRed));
    EXPECT_EQ(Rgb(dst, 0, 0), (std::array<uint8_t, 3>{255, 10, 20}));
    EXPECT_EQ(Rgb(dst, 1, 0), (std::array<uint8_t, 3>{200, 50, 30}));

    ChannelMixerParams negativeRed;
    negativeRed.table[ChannelMixerParams::Index(0, kMixRed, kMixRed)] = -100;
    ASSERT_TRUE(ApplyChannelMixer(src.plane, dst.plane, negativeRed));
    for (int x = 0; x < 3; ++x) EXPECT_EQ(Rgb(dst, x, 0)[0], 0);

    // Red out of blue, green out of red, blue out of green.
    ChannelMixerParams rotate;
    rotate.table = {0, 100, 0, 0, 0, 100, 100, 0, 0, 30, 0, 0, 59, 0, 0, 11, 0, 0};
    ASSERT_TRUE(ApplyChannelMixer(src.plane, dst.plane, rotate));
    EXPECT_EQ(Rgb(dst, 1, 0), (std::array<uint8_t, 3>{30, 100, 50}));

    // Half red plus half green in the red output: 0.5 * 100 + 0.5 * 50 = 75.
    ChannelMixerParams half;
    half.table[ChannelMixerParams::Index(0, kMixRed, kMixRed)] = 50;
    half.table[ChannelMixerParams::Index(0, kMixGreen, kMixRed)] = 50;
    ASSERT_TRUE(ApplyChannelMixer(src.plane, dst.plane, half));
    EXPECT_EQ(Rgb(dst, 1, 0)[0], 75);
}

TEST(ChannelMixer, HugeWeightsFromAFileAreLimitedNotOverflowed) {
    TestImage src(2, 1), dst(2, 1);
    src.SetRgb(0, 0, 255, 255, 255);
    src.SetRgb(1, 0, 1, 0, 0);
    ChannelMixerParams p;
    p.table[ChannelMixerParams::Index(0, kMixRed, kMixRed)] = INT32_MAX;
    p.table[ChannelMixerParams::Index(0, kMixGreen, kMixGreen)] = INT32_MIN;
    ASSERT_TRUE(ApplyChannelMixer(src.plane, dst.plane, p));
    EXPECT_EQ(Rgb(dst, 0, 0), (std::array<uint8_t, 3>{255, 0, 255}));
    EXPECT_EQ(Rgb(dst, 1, 0)[0], 255);
}

TEST(ChannelMixer, RefusesPlanesThatDoNotMatch) {
    TestImage a(10, 10), b(11, 10), grey(10, 10, 1);
    EXPECT_FALSE(ApplyChannelMixer(a.plane, b.plane, {}));
    EXPECT_FALSE(ApplyChannelMixer(grey.plane, grey.plane, {}));
    EXPECT_FALSE(ApplyChannelMixer(ImagePlane{}, a.plane, {}));
}

TEST(ChannelMixer, ReportsProgressOnTheWholeImage) {
    TestImage src(16, 600), dst(16, 600);
    src.Random(3);
    TestImage plain(16, 600);
    ChannelMixerParams p;
    p.monochrome = 1;
    RecordingProgress progress;
    ASSERT_TRUE(ApplyChannelMixer(src.plane, dst.plane, p, &progress));
    ASSERT_TRUE(ApplyChannelMixer(src.plane, plain.plane, p));
    EXPECT_TRUE(SamePixels(dst.plane, plain.plane));
    EXPECT_EQ(progress.title, "Channel mixer");
    EXPECT_EQ(progress.total, 600);
    EXPECT_EQ(progress.starts, 1);
    EXPECT_EQ(progress.ends, 1);
    ASSERT_FALSE(progress.positions.empty());
    EXPECT_TRUE(std::is_sorted(progress.positions.begin(), progress.positions.end()));
    EXPECT_EQ(progress.positions.back(), 600);
}

TEST(ChannelMixerFile, DefaultFileIs81BytesWithMagic) {
    const std::vector<uint8_t> bytes = SerializeChannelMixer(ChannelMixerParams{});
    ASSERT_EQ(bytes.size(), 81u);
    EXPECT_EQ(std::string(bytes.begin(), bytes.begin() + 5), "chmix");
    // Flag 0, then the first weight 100 little-endian.
    EXPECT_EQ(bytes[5], 0);
    EXPECT_EQ(bytes[9], 100);
    EXPECT_EQ(bytes[10], 0);
}

TEST(ChannelMixerFile, RoundTripThroughAFile) {
    ChannelMixerParams p;
    p.monochrome = 1;
    for (size_t i = 0; i < p.table.size(); ++i) p.table[i] = static_cast<int32_t>(i * 23) - 200;
    const auto path = TempPath("roundtrip.chmix");
    ASSERT_EQ(SaveChannelMixerFile(path.string(), p), SettingsFileStatus::Ok);
    EXPECT_EQ(std::filesystem::file_size(path), kChannelMixerFileSize);
    ChannelMixerParams loaded;
    ASSERT_EQ(LoadChannelMixerFile(path.string(), loaded), SettingsFileStatus::Ok);
    EXPECT_EQ(loaded, p);
    std::filesystem::remove(path);
}

TEST(ChannelMixerFile, CorruptFilesChangeNothing) {
    ChannelMixerParams keep;
    keep.table[0] = 42;
    std::vector<uint8_t> good = SerializeChannelMixer(ChannelMixerParams{});

    std::vector<uint8_t> wrongMagic = good;
    wrongMagic[0] = 'C';
    std::vector<uint8_t> shortFile(good.begin(), good.end() - 1);
    std::vector<uint8_t> badFlag = good;
    badFlag[5] = 2;
    for (const auto& bytes : {wrongMagic, shortFile, badFlag, std::vector<uint8_t>{}}) {
        ChannelMixerParams p = keep;
        EXPECT_EQ(ParseChannelMixer(bytes, p), SettingsFileStatus::InvalidFile);
        EXPECT_EQ(p, keep);
    }
    ChannelMixerParams p = keep;
    EXPECT_EQ(LoadChannelMixerFile(TempPath("missing.chmix").string(), p), SettingsFileStatus::CannotOpen);
    EXPECT_EQ(p, keep);

    const auto path = TempPath("wrongmagic.chmix");
    std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(wrongMagic.data()),
                                                static_cast<std::streamsize>(wrongMagic.size()));
    EXPECT_EQ(LoadChannelMixerFile(path.string(), p), SettingsFileStatus::InvalidFile);
    EXPECT_EQ(p, keep);
    std::filesystem::remove(path);
}

TEST(ChannelMixerModel, MonochromeStepFillsTheOutputsAndPairs) {
    CChannelMixerModel m;
    EXPECT_EQ(m.OutputNames(), (std::vector<std::string>{"Red", "Green", "Blue"}));
    EXPECT_EQ(m.PairValues(), (std::array<int32_t, 3>{100, 0, 0}));
    m.SelectOutput(2);
    EXPECT_EQ(m.PairValues(), (std::array<int32_t, 3>{0, 0, 100}));

    m.MonochromeStep(true);
    EXPECT_EQ(m.OutputNames(), (std::vector<std::string>{"Gray"}));
    EXPECT_EQ(m.SelectedOutput(), 0);
    EXPECT_EQ(m.Params().monochrome, 1);
    EXPECT_EQ(m.PairValues(), (std::array<int32_t, 3>{30, 59, 11}));
    m.SelectOutput(1);  // no such entry in monochrome mode
    EXPECT_EQ(m.SelectedOutput(), 0);
}

TEST(ChannelMixerModel, WeightsAreTruncatedIntoTheSelectedOutput) {
    CChannelMixerModel m;
    m.SelectOutput(1);
    const ChannelMixerParams before = m.Params();
    m.SelectOutput(0);
    m.SelectOutput(1);
    EXPECT_EQ(m.Params(), before);  // choosing an output does not change the image

    ASSERT_TRUE(m.SetWeight(kMixBlue, 12.7f));
    EXPECT_EQ(m.Params().Weight(0, kMixBlue, kMixGreen), 12);
    ASSERT_TRUE(m.SetWeight(kMixRed, -3.9f));
    EXPECT_EQ(m.Params().Weight(0, kMixRed, kMixGreen), -3);
    EXPECT_EQ(m.PairValues(), (std::array<int32_t, 3>{-3, 100, 12}));

    m.MonochromeStep(true);
    m.SetWeight(kMixGreen, 80.0f);
    EXPECT_EQ(m.Params().Weight(1, kMixGreen, 0), 80);
    m.Reset();  // back to the defaults, still monochrome
    EXPECT_EQ(m.Params().table, ChannelMixerParams::DefaultTable());
    EXPECT_EQ(m.Params().monochrome, 1);
    EXPECT_EQ(m.OutputNames().size(), 1u);

    ChannelMixerParams loaded;
    loaded.table[0] = 5;
    m.Apply(loaded);
    EXPECT_EQ(m.Params().monochrome, 0);
    EXPECT_EQ(m.PairValues(), (std::array<int32_t, 3>{5, 0, 0}));
}
