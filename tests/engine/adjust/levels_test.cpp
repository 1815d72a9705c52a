// Levels tables (rounding and order of the steps), warning marks, point rules, routine
// and the histogram box.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>

#include "adjust/levels/levels.h"
#include "framework_testimage.h"

using namespace adjust;
using adjusttest::TestImage;

TEST(Levels, MasterPointsBlueRoundsRedAndGreenTruncate) {
    EXPECT_EQ(BuildLevelsTables(LevelsParams{}).blue, IdentityTable());
    LevelsParams p;
    p.black[kLevelsMaster] = 50;
    p.white[kLevelsMaster] = 200;
    LevelsTables t = BuildLevelsTables(p);
    EXPECT_EQ(t.red[125], 127);
    EXPECT_EQ(t.green[125], 127);
    EXPECT_EQ(t.blue[125], 128);
    for (const ByteTable* table : {&t.red, &t.green, &t.blue}) {
        EXPECT_EQ((*table)[50], 0);
        EXPECT_EQ((*table)[200], 255);
        for (int i = 1; i < 256; ++i) EXPECT_LE((*table)[i - 1], (*table)[i]) << i;  // monotone
    }
}

TEST(Levels, GammaThroughTheSliderMapping) {
    EXPECT_NEAR(PositionFromGamma(2.0f), 349.485f, 1e-2);
    EXPECT_NEAR(GammaFromPosition(0), 10.0f, 1e-4);
    EXPECT_NEAR(GammaFromPosition(1000), 0.1f, 1e-6);
    EXPECT_EQ(GammaSliderPosition(1.0f), 500);
    EXPECT_FALSE(std::isfinite(PositionFromGamma(0)));
    LevelsParams p;
    p.gamma[kLevelsMaster] = GammaFromPosition(PositionFromGamma(2.0f));
    LevelsTables t = BuildLevelsTables(p);
    EXPECT_EQ(t.red[64], 127);
    EXPECT_EQ(t.blue[64], 127);
    EXPECT_EQ(t.red[255], 255);
}

TEST(Levels, ChannelPointsActAfterMasterPointsAndGammasInOrder) {
    LevelsParams p;
    p.white[kLevelsRed] = 128;
    LevelsTables t = BuildLevelsTables(p);
    EXPECT_EQ(t.red[128], 255);
    EXPECT_EQ(t.green, IdentityTable());
    // Master 50..200 first (150 -> 170), then red black 100: trunc(70 * 255 / 155) = 115.
    LevelsParams q;
    q.black[kLevelsMaster] = 50;
    q.white[kLevelsMaster] = 200;
    q.black[kLevelsRed] = 100;
    EXPECT_EQ(BuildLevelsTables(q).red[150], 115);
    // Master gamma 2 then red gamma 0.5: 64 -> 127 -> trunc(255 * (127/255)^2) = 63.
    LevelsParams g;
    g.gamma[kLevelsMaster] = 2.0f;
    g.gamma[kLevelsRed] = 0.5f;
    EXPECT_EQ(BuildLevelsTables(g).red[64], 63);
    LevelsParams x;  // extreme values stay defined
    x.white[kLevelsMaster] = x.black[kLevelsMaster] + 0.001f;
    x.gamma[kLevelsMaster] = 0.0001f;
    x.gamma[kLevelsBlue] = 1000.0f;
    EXPECT_EQ(BuildLevelsTables(x).blue[255], 255);
}

TEST(Levels, WarningMarksOnlyClippedLevelsAndOnlyInPreviewTables) {
    LevelsParams p;
    p.white[kLevelsMaster] = 200;
    LevelsTables warn = BuildLevelsTables(p, true);
    for (int i = 200; i < 256; ++i) EXPECT_EQ(warn.red[i] + warn.green[i] + warn.blue[i], 0) << i;
    // 199 maps to 253.7: red and green truncate to 253 and stay, blue rounds to 254 and is marked.
    EXPECT_EQ(warn.red[199], 253);
    EXPECT_EQ(warn.blue[199], 0);
    EXPECT_EQ(BuildLevelsTables(p).blue[199], 254);
}

TEST(Levels, BlackAndWhitePointsNeverCross) {
    LevelsParams p;
    EXPECT_TRUE(TrySetLevelsBlack(p, kLevelsGreen, 100));
    EXPECT_FALSE(TrySetLevelsWhite(p, kLevelsGreen, 100));
    EXPECT_FALSE(TrySetLevelsWhite(p, kLevelsGreen, 99.5f));
    EXPECT_TRUE(TrySetLevelsWhite(p, kLevelsGreen, 100.5f));
    EXPECT_FALSE(TrySetLevelsBlack(p, kLevelsGreen, 200));
    EXPECT_FALSE(TrySetLevelsBlack(p, 4, 1));
    EXPECT_EQ(p.black[kLevelsGreen], 100);
}

TEST(Levels, RoutineSendsEachChannelThroughItsOwnTable) {
    LevelsTables t{};
    for (int i = 0; i < 256; ++i) {
        t.red[i] = static_cast<uint8_t>(255 - i);
        t.green[i] = static_cast<uint8_t>(i / 2);
        t.blue[i] = static_cast<uint8_t>(i ^ 0x55);
    }
    TestImage src(301, 203), dst(301, 203);
    src.Random(11);
    ASSERT_TRUE(ApplyLevels(src.plane, dst.plane, t));
    for (int y = 0; y < 203; ++y)
        for (int x = 0; x < 301; ++x) {
            const uint8_t* s = src.Pixel(x, y);
            const uint8_t* d = dst.Pixel(x, y);
            ASSERT_EQ(d[0], t.blue[s[0]]);
            ASSERT_EQ(d[1], t.green[s[1]]);
            ASSERT_EQ(d[2], t.red[s[2]]);
        }
    TestImage small(300, 203);
    EXPECT_FALSE(ApplyLevels(src.plane, small.plane, t));
}

