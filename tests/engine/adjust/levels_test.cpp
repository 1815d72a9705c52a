// Levels tables (rounding and order of the steps), warning marks, point rules and routine.
#include <gtest/gtest.h>

#include <cmath>

#include "adjust/levels/levels.h"
#include "framework_testimage.h"

using namespace adjust;
using adjusttest::Image;

// Master points and gammas act first, then the channel's own; blue rounds, red and green
// truncate.
TEST(Levels, TablesFollowTheStepsInOrder) {
    const LevelsParams master{{50, 0, 0, 0}, {200, 255, 255, 255}};
    const LevelsParams slider{{}, {255, 255, 255, 255}, {GammaFromPosition(PositionFromGamma(2.0f)), 1, 1, 1}};
    const LevelsParams extreme{{}, {0.001f, 255, 255, 255}, {0.0001f, 1, 1, 1000}};
    const struct {
        LevelsParams p;
        ByteTable LevelsTables::*table;
        int level, expected;
    } cases[] = {
        {master, &LevelsTables::red, 125, 127},
        {master, &LevelsTables::green, 125, 127},
        {master, &LevelsTables::blue, 125, 128},
        {master, &LevelsTables::blue, 50, 0},
        {master, &LevelsTables::green, 200, 255},
        {{{}, {255, 128, 255, 255}}, &LevelsTables::red, 128, 255},
        {{{50, 100, 0, 0}, {200, 255, 255, 255}}, &LevelsTables::red, 150, 115},  // 150 -> 170 -> trunc(70 * 255 / 155)
        {{{}, {255, 255, 255, 255}, {2, 0.5f, 1, 1}}, &LevelsTables::red, 64, 63},  // 64 -> 127 -> trunc(255 * (127/255)^2)
        {slider, &LevelsTables::red, 64, 127},
        {slider, &LevelsTables::blue, 64, 127},
        {slider, &LevelsTables::red, 255, 255},
        {extreme, &LevelsTables::blue, 255, 255},  // extreme values stay defined
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << "level " << c.level << " black " << c.p.black[0] << "," << c.p.black[1]);
        const LevelsTables t = BuildLevelsTables(c.p);
        EXPECT_EQ((t.*c.table)[c.level], c.expected);
        for (const ByteTable* table : {&t.red, &t.green, &t.blue})
            for (int i = 1; i < 256; ++i) ASSERT_LE((*table)[i - 1], (*table)[i]) << i;  // monotone
    }
    EXPECT_EQ(BuildLevelsTables(LevelsParams{}).blue, IdentityTable());
    EXPECT_EQ(BuildLevelsTables(LevelsParams{{}, {255, 128, 255, 255}}).green, IdentityTable());
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
    Image src(301, 203), dst(301, 203), small(300, 203);
    src.Random(11);
    ASSERT_TRUE(ApplyLevels(src.plane, dst.plane, t));
    for (int y = 0; y < 203; ++y)
        for (int x = 0; x < 301; ++x) {
            const uint8_t *s = src.Pixel(x, y), *d = dst.Pixel(x, y);
            ASSERT_EQ(d[0], t.blue[s[0]]);
            ASSERT_EQ(d[1], t.green[s[1]]);
            ASSERT_EQ(d[2], t.red[s[2]]);
        }
    EXPECT_FALSE(ApplyLevels(src.plane, small.plane, t));
}
