// Channel mixer: routine, ".chmix" files and the dialog model.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>

#include "adjust/mixer/channelmixer.h"
#include "framework_testimage.h"

using namespace adjust;
using namespace adjusttest;
using Rgb3 = std::array<uint8_t, 3>;

TEST(ChannelMixer, DefaultsAndMonochromeWeights) {
    Image src(37, 600), dst(37, 600);
    src.Random(11);
    ASSERT_TRUE(ApplyChannelMixer(src.plane, dst.plane, ChannelMixerParams{}));
    EXPECT_TRUE(SamePixels(src.plane, dst.plane));
    src.SetRgb(0, 0, 255, 0, 0);
    src.SetRgb(1, 0, 0, 255, 0);
    src.SetRgb(2, 0, 0, 0, 255);
    src.SetRgb(3, 0, 255, 255, 255);
    ChannelMixerParams p;
    p.monochrome = 1;
    RecordingProgress progress;
    ASSERT_TRUE(ApplyChannelMixer(src.plane, dst.plane, p, &progress));
    EXPECT_EQ(dst.Rgb(0, 0), (Rgb3{76, 76, 76}));
    EXPECT_EQ(dst.Rgb(1, 0), (Rgb3{150, 150, 150}));
    EXPECT_EQ(dst.Rgb(2, 0), (Rgb3{28, 28, 28}));
    EXPECT_EQ(dst.Rgb(3, 0)[0], 255);
    EXPECT_EQ(progress.ends, 1);
    EXPECT_TRUE(std::is_sorted(progress.positions.begin(), progress.positions.end()));
    EXPECT_EQ(progress.positions.back(), 600);
}

TEST(ChannelMixer, SumsAreLimitedAndChannelsLandInTheirPlace) {
    Image src(3, 1), dst(3, 1);
    src.SetRgb(0, 0, 200, 10, 20);
    src.SetRgb(1, 0, 100, 50, 30);
    src.SetRgb(2, 0, 255, 255, 255);
    ChannelMixerParams doubleRed;
    doubleRed.table[ChannelMixerParams::Index(0, kMixRed, kMixRed)] = 200;
    ASSERT_TRUE(ApplyChannelMixer(src.plane, dst.plane, doubleRed));
    EXPECT_EQ(dst.Rgb(0, 0), (Rgb3{255, 10, 20}));
    EXPECT_EQ(dst.Rgb(1, 0), (Rgb3{200, 50, 30}));
    // Red out of blue, green out of red, blue out of green.
    ChannelMixerParams rotate;
    rotate.table = {0, 100, 0, 0, 0, 100, 100, 0, 0, 30, 0, 0, 59, 0, 0, 11, 0, 0};
    ASSERT_TRUE(ApplyChannelMixer(src.plane, dst.plane, rotate));
    EXPECT_EQ(dst.Rgb(1, 0), (Rgb3{30, 100, 50}));
    // Huge weights from a file are limited, not overflowed.
    ChannelMixerParams huge;
    huge.table[ChannelMixerParams::Index(0, kMixRed, kMixRed)] = INT32_MAX;
    huge.table[ChannelMixerParams::Index(0, kMixGreen, kMixGreen)] = INT32_MIN;
    ASSERT_TRUE(ApplyChannelMixer(src.plane, dst.plane, huge));
    EXPECT_EQ(dst.Rgb(2, 0), (Rgb3{255, 0, 255}));
    Image wider(4, 1), grey(3, 1, 1);
    EXPECT_FALSE(ApplyChannelMixer(src.plane, wider.plane, {}));
    EXPECT_FALSE(ApplyChannelMixer(grey.plane, grey.plane, {}));
}

TEST(ChannelMixerFile, LayoutRoundTripAndCorruptFiles) {
    const std::vector<uint8_t> good = SerializeChannelMixer(ChannelMixerParams{});
    ASSERT_EQ(good.size(), 81u);
    EXPECT_EQ(std::string(good.begin(), good.begin() + 5), "chmix");
    EXPECT_EQ((std::vector<uint8_t>(good.begin() + 5, good.begin() + 11)), (std::vector<uint8_t>{0, 0, 0, 0, 100, 0}));
    ChannelMixerParams p;
    p.monochrome = 1;
    for (size_t i = 0; i < p.table.size(); ++i) p.table[i] = static_cast<int32_t>(i * 23) - 200;
    const testsupport::TempDir dir;
    const auto path = dir / "roundtrip.chmix";
    ASSERT_EQ(SaveChannelMixerFile(path.string(), p), SettingsFileStatus::Ok);
    ChannelMixerParams loaded;
    ASSERT_EQ(LoadChannelMixerFile(path.string(), loaded), SettingsFileStatus::Ok);
    EXPECT_EQ(loaded, p);
    std::filesystem::remove(path);

    ChannelMixerParams keep;
    keep.table[0] = 42;
    std::vector<uint8_t> wrongMagic = good, badFlag = good;
    wrongMagic[0] = 'C';
    badFlag[5] = 2;
    for (const auto& bytes : {wrongMagic, badFlag, std::vector<uint8_t>(good.begin(), good.end() - 1), std::vector<uint8_t>{}}) {
        ChannelMixerParams q = keep;
        EXPECT_EQ(ParseChannelMixer(bytes, q), SettingsFileStatus::InvalidFile);
        EXPECT_EQ(q, keep);
    }
    ChannelMixerParams q = keep;
    EXPECT_EQ(LoadChannelMixerFile(path.string(), q), SettingsFileStatus::CannotOpen);
    EXPECT_EQ(q, keep);
}

// Weights are truncated into the selected output; monochrome has one output of its own.
TEST(ChannelMixerModel, WeightsGoIntoTheSelectedOutput) {
    CChannelMixerModel m;
    m.SelectOutput(1);
    ASSERT_TRUE(m.SetWeight(kMixBlue, 12.7f));
    ASSERT_TRUE(m.SetWeight(kMixRed, -3.9f));
    EXPECT_EQ(m.PairValues(), (std::array<int32_t, 3>{-3, 100, 12}));
    EXPECT_EQ(m.Params().Weight(0, kMixBlue, kMixGreen), 12);
    m.MonochromeStep(true);
    EXPECT_EQ(m.SelectedOutput(), 0);
    EXPECT_EQ(m.PairValues(), (std::array<int32_t, 3>{30, 59, 11}));
    m.SetWeight(kMixGreen, 80.0f);
    EXPECT_EQ(m.Params().Weight(1, kMixGreen, 0), 80);
    m.Reset();  // back to the defaults, still monochrome
    EXPECT_EQ(m.Params().table, ChannelMixerParams::DefaultTable());
    EXPECT_EQ(m.Params().monochrome, 1);
}
