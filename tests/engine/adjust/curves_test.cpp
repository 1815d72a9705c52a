// The curve engine: splines, tables, the routine and ".curves" files.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cmath>
#include <cstring>
#include <filesystem>
#include <random>

#include "adjust/curves/curves.h"
#include "framework_testimage.h"

using adjusttest::TestImage;
using Point = CCurves::Point;

namespace {

CCurves WithMaster(std::initializer_list<Point> points) {
    CCurves c;
    EXPECT_TRUE(c.SetPoints(0, std::vector<Point>(points)));
    c.BuildTables();
    return c;
}

void PutFloat(std::vector<uint8_t>& bytes, size_t at, float value) {
    uint32_t u;
    std::memcpy(&u, &value, 4);
    for (int i = 0; i < 4; ++i) bytes[at + static_cast<size_t>(i)] = static_cast<uint8_t>(u >> (8 * i));
}

}  // namespace

TEST(Curves, ResetGivesIdentityAndTheRoutineCopies) {
    CCurves c;
    c.SetPoints(2, std::vector<Point>{{0, 30}, {255, 200}});
    c.ResetCurves();
    c.BuildTables();
    for (int ch = 0; ch < 4; ++ch) EXPECT_EQ(c.Table(ch), adjust::IdentityTable()) << ch;
    TestImage src(123, 45), dst(123, 45);
    src.Random(3);
    ASSERT_TRUE(adjust::ApplyCurves(src.plane, dst.plane, c.Tables()));
    for (int y = 0; y < 45; ++y) ASSERT_EQ(0, std::memcmp(src.plane.Row(y), dst.plane.Row(y), 123 * 3));
}

TEST(Curves, SplineThroughAMidPoint) {
    CCurves c = WithMaster({{0, 0}, {128, 160}, {255, 255}});
    const auto& t = c.Table(0);
    EXPECT_EQ(t[128], 160);
    EXPECT_EQ(t[0], 0);
    EXPECT_EQ(t[255], 255);
    for (int i = 1; i < 256; ++i) EXPECT_LE(t[i - 1], t[i]) << i;
    // Smooth through the point: no kink in the second differences.
    for (int i = 120; i <= 136; ++i) EXPECT_LE(std::abs(t[i + 1] - 2 * t[i] + t[i - 1]), 1) << i;
    c.SelectChannel(0);
    c.PrepareSpline();
    EXPECT_FLOAT_EQ(c.EvaluateCurve(128), 160);
    EXPECT_FLOAT_EQ(c.EvaluateCurve(-5), 0);
    EXPECT_FLOAT_EQ(c.EvaluateCurve(300), 255);
}

TEST(Curves, OvershootIsCutAt255) {
    CCurves c = WithMaster({{0, 0}, {90, 250}, {140, 255}, {255, 255}});
    c.SelectChannel(0);
    c.PrepareSpline();
    bool limited = false;
    for (int i = 90; i <= 255; ++i) {
        EXPECT_GE(c.Table(0)[i], 240) << i;  // never wraps round to dark values
        if (c.EvaluateCurve(static_cast<float>(i)) == 255.0f) limited = true;
    }
    EXPECT_TRUE(limited);
}

TEST(Curves, ChannelTablesThenMasterTable) {
    CCurves c;
    c.SetPoints(1, std::vector<Point>{{0, 255}, {255, 0}});
    c.SetPoints(0, std::vector<Point>{{0, 0}, {255, 128}});
    c.BuildTables();
    TestImage src(77, 19), dst(77, 19);
    src.Random(5);
    ASSERT_TRUE(adjust::ApplyCurves(src.plane, dst.plane, c.Tables()));
    const auto& t = c.Tables().table;
    for (int y = 0; y < 19; ++y)
        for (int x = 0; x < 77; ++x) {
            const uint8_t* s = src.Pixel(x, y);
            const uint8_t* d = dst.Pixel(x, y);
            ASSERT_EQ(d[0], t[0][s[0]]);
            ASSERT_EQ(d[1], t[0][s[1]]);
            ASSERT_EQ(d[2], t[0][255 - s[2]]);
        }

    CCurves invert;
    invert.SetPoints(1, std::vector<Point>{{0, 255}, {255, 0}});
    invert.BuildTables();
    ASSERT_TRUE(adjust::ApplyCurves(src.plane, dst.plane, invert.Tables()));
    EXPECT_EQ(dst.Pixel(4, 4)[2], 255 - src.Pixel(4, 4)[2]);
    EXPECT_EQ(dst.Pixel(4, 4)[1], src.Pixel(4, 4)[1]);
    EXPECT_EQ(dst.Pixel(4, 4)[0], src.Pixel(4, 4)[0]);

    // One-byte planes go through the master table only.
    TestImage g(50, 3, 1), gd(50, 3, 1);
    g.Random(9);
    ASSERT_TRUE(adjust::ApplyCurves(g.plane, gd.plane, c.Tables()));
    EXPECT_EQ(gd.Pixel(7, 1)[0], t[0][g.Pixel(7, 1)[0]]);
}

TEST(Curves, PointListRules) {
    CCurves c;
    EXPECT_FALSE(c.SetPoints(0, std::vector<Point>{{0, 0}}));
    EXPECT_FALSE(c.SetPoints(0, std::vector<Point>{{10, 0}, {5, 10}}));
    EXPECT_TRUE(c.InsertPoint(0, 1, Point{100, 50}));
    EXPECT_FALSE(c.InsertPoint(0, 1, Point{100, 50}));  // x already taken
    EXPECT_FALSE(c.InsertPoint(0, 0, Point{0, 5}));
    EXPECT_FALSE(c.RemovePoint(0, 0));
    EXPECT_FALSE(c.RemovePoint(0, 2));
    EXPECT_TRUE(c.RemovePoint(0, 1));
    EXPECT_EQ(c.Count(0), 2);
    for (int i = 1; i < CCurves::kMaxPoints - 1; ++i) ASSERT_TRUE(c.InsertPoint(0, i, Point{static_cast<float>(i) * 0.5f, 0}));
    EXPECT_EQ(c.Count(0), CCurves::kMaxPoints);
    EXPECT_FALSE(c.InsertPoint(0, 299, Point{254, 0}));
    // The engine may drive a point's y beyond 0..255; the tables stay limited.
    EXPECT_TRUE(c.SetPoint(3, 1, Point{255, 400}));
    EXPECT_FALSE(c.SetPoint(3, 0, Point{255, 0}));
}

TEST(Curves, DefaultFileIs80BytesAndEveryCurveRoundTrips) {
    CCurves c;
    auto bytes = c.SaveBytes();
    ASSERT_EQ(bytes.size(), 80u);
    EXPECT_EQ(bytes[0], 2);
    EXPECT_EQ(bytes[3], 0);
    EXPECT_EQ(bytes[20], 0x00);  // x of (255, 255) = 0x437F0000
    EXPECT_EQ(bytes[30], 0x7F);

    std::mt19937 rng(42);
    for (int ch = 0; ch < 4; ++ch) {
        std::vector<Point> pts;
        float x = 0;
        int n = 2 + static_cast<int>(rng() % 40);
        for (int i = 0; i < n; ++i) {
            pts.push_back(Point{x, static_cast<float>(rng() % 256)});
            x += 1.0f + static_cast<float>(rng() % 5) * 0.25f;
        }
        ASSERT_TRUE(c.SetPoints(ch, pts));
    }
    c.BuildTables();
    CCurves d;
    ASSERT_EQ(d.LoadBytes(c.SaveBytes()), adjust::SettingsFileStatus::Ok);
    for (int ch = 0; ch < 4; ++ch) {
        ASSERT_EQ(d.Count(ch), c.Count(ch));
        for (int i = 0; i < c.Count(ch); ++i) EXPECT_EQ(d.Points(ch)[i], c.Points(ch)[i]);
        EXPECT_EQ(d.Table(ch), c.Table(ch)) << "tables are rebuilt on load";
    }
}

TEST(Curves, CorruptFilesChangeNothing) {
    CCurves c = WithMaster({{0, 10}, {128, 160}, {255, 240}});
    const auto before = c.SaveBytes();
    const auto tablesBefore = c.Tables().table;
    CCurves good;
    const auto valid = good.SaveBytes();

    auto expectRefused = [&](std::vector<uint8_t> bytes, const char* what) {
        EXPECT_EQ(c.LoadBytes(bytes), adjust::SettingsFileStatus::InvalidFile) << what;
        EXPECT_EQ(c.SaveBytes(), before) << what;
        EXPECT_EQ(c.Tables().table, tablesBefore) << what;
    };
    expectRefused({}, "empty");
    expectRefused(std::vector<uint8_t>(valid.begin(), valid.end() - 1), "one byte short");
    auto count = valid;
    count[4] = 1;
    expectRefused(count, "count 1");
    count[4] = 0x2D;  // 301
    count[5] = 0x01;
    expectRefused(count, "count 301");
    auto negative = valid;
    negative[12] = negative[13] = negative[14] = negative[15] = 0xFF;
    expectRefused(negative, "count -1");
    auto equalX = valid;
    PutFloat(equalX, 16 + 8 * 2 + 8, 0.0f);  // channel 1's second x equal to its first
    expectRefused(equalX, "equal x");
    auto decreasing = valid;
    PutFloat(decreasing, 16 + 8 * 6, 200.0f);  // channel 3: (200, 0) then (100, 255)
    PutFloat(decreasing, 16 + 8 * 7, 100.0f);
    expectRefused(decreasing, "decreasing x");
    auto nan = valid;
    PutFloat(nan, 16 + 4, NAN);
    expectRefused(nan, "NaN y");
    auto outside = valid;
    PutFloat(outside, 16 + 8 + 4, 1000.0f);
    expectRefused(outside, "y beyond 255");

    // Random garbage never crashes; whatever is accepted is a valid set of curves.
    std::mt19937 rng(1);
    for (int round = 0; round < 2000; ++round) {
        std::vector<uint8_t> junk(rng() % 120);
        for (auto& b : junk) b = static_cast<uint8_t>(rng());
        if (rng() % 2 && junk.size() >= 16)
            for (int k = 0; k < 4; ++k) {
                junk[static_cast<size_t>(4 * k)] = static_cast<uint8_t>(rng() % 4);
                junk[static_cast<size_t>(4 * k) + 1] = junk[static_cast<size_t>(4 * k) + 2] = junk[static_cast<size_t>(4 * k) + 3] = 0;
            }
        CCurves victim;
        if (victim.LoadBytes(junk) == adjust::SettingsFileStatus::Ok) {
            for (int ch = 0; ch < 4; ++ch) EXPECT_GE(victim.Count(ch), 2);
        } else {
            EXPECT_EQ(victim.SaveBytes(), valid);
        }
    }
}

TEST(Curves, FilesOnDisk) {
    namespace fs = std::filesystem;
    fs::path dir = fs::temp_directory_path() / ("lumaret-curves-" + std::to_string(::getpid()));
    fs::create_directories(dir);
    CCurves c = WithMaster({{0, 0}, {64, 100}, {255, 255}});
    std::string path = (dir / "a.curves").string();
    ASSERT_EQ(c.SaveFile(path), adjust::SettingsFileStatus::Ok);
    EXPECT_EQ(fs::file_size(path), 88u);
    CCurves d;
    ASSERT_EQ(d.LoadFile(path), adjust::SettingsFileStatus::Ok);
    EXPECT_EQ(d.Table(0), c.Table(0));
    EXPECT_EQ(d.LoadFile((dir / "missing.curves").string()), adjust::SettingsFileStatus::CannotOpen);
    fs::remove_all(dir);
}
