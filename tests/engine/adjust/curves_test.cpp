// The curve engine (splines, tables, the routine, ".curves" files) and the curve box's mouse rules.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <filesystem>
#include <random>

#include "adjust/curves/curveedit.h"
#include "adjust/curves/curves.h"
#include "framework_testimage.h"

using adjust::SettingsFileStatus;
using adjusttest::Image;
using Point = CCurves::Point;

namespace {

CCurves WithMaster(std::vector<Point> points) {
    CCurves c;
    EXPECT_TRUE(c.SetPoints(0, points));
    c.BuildTables();
    return c;
}

// Box coordinates of a curve point.
int BoxY(float y) { return 255 - static_cast<int>(y); }

}  // namespace

// Smooth through the point, monotone, and cut at 255 where the spline overshoots.
TEST(Curves, SplineThroughThePointsAndLimitedTo255) {
    CCurves c = WithMaster({{0, 0}, {128, 160}, {255, 255}});
    const auto& t = c.Table(0);
    EXPECT_EQ(t[128], 160);
    EXPECT_EQ(t[255], 255);
    for (int i = 1; i < 256; ++i) EXPECT_LE(t[i - 1], t[i]) << i;
    for (int i = 120; i <= 136; ++i) EXPECT_LE(std::abs(t[i + 1] - 2 * t[i] + t[i - 1]), 1) << i;
    c.PrepareSpline();
    EXPECT_FLOAT_EQ(c.EvaluateCurve(-5), 0);
    EXPECT_FLOAT_EQ(c.EvaluateCurve(300), 255);
    c.SetPoints(2, std::vector<Point>{{0, 30}, {255, 200}});
    c.ResetCurves();
    c.BuildTables();
    for (int ch = 0; ch < 4; ++ch) EXPECT_EQ(c.Table(ch), adjust::IdentityTable()) << ch;

    CCurves over = WithMaster({{0, 0}, {90, 250}, {140, 255}, {255, 255}});
    for (int i = 90; i <= 255; ++i) EXPECT_GE(over.Table(0)[i], 240) << i;  // never wraps round to dark
}

// Each channel goes through its own table, then the master; grey planes the master only.
TEST(Curves, ChannelTablesThenMasterTable) {
    CCurves c;
    c.SetPoints(1, std::vector<Point>{{0, 255}, {255, 0}});
    c.SetPoints(0, std::vector<Point>{{0, 0}, {255, 128}});
    c.BuildTables();
    Image src(77, 19), dst(77, 19), g(50, 3, 1), gd(50, 3, 1);
    src.Random(5);
    g.Random(9);
    ASSERT_TRUE(adjust::ApplyCurves(src.plane, dst.plane, c.Tables()));
    const auto& t = c.Tables().table;
    for (int y = 0; y < 19; ++y)
        for (int x = 0; x < 77; ++x) {
            const uint8_t *s = src.Pixel(x, y), *d = dst.Pixel(x, y);
            ASSERT_EQ(d[0], t[0][s[0]]);
            ASSERT_EQ(d[1], t[0][s[1]]);
            ASSERT_EQ(d[2], t[0][255 - s[2]]);
        }
    ASSERT_TRUE(adjust::ApplyCurves(g.plane, gd.plane, c.Tables()));
    EXPECT_EQ(gd.Pixel(7, 1)[0], t[0][g.Pixel(7, 1)[0]]);
}

TEST(Curves, PointListRules) {
    CCurves c;
    EXPECT_FALSE(c.SetPoints(0, std::vector<Point>{{0, 0}}));
    EXPECT_FALSE(c.SetPoints(0, std::vector<Point>{{10, 0}, {5, 10}}));
    EXPECT_TRUE(c.InsertPoint(0, 1, Point{100, 50}));
    EXPECT_FALSE(c.InsertPoint(0, 1, Point{100, 50}));  // x already taken
    EXPECT_FALSE(c.RemovePoint(0, 0));                  // end points stay
    EXPECT_TRUE(c.RemovePoint(0, 1));
    for (int i = 1; i < CCurves::kMaxPoints - 1; ++i) ASSERT_TRUE(c.InsertPoint(0, i, Point{static_cast<float>(i) * 0.5f, 0}));
    EXPECT_FALSE(c.InsertPoint(0, 299, Point{254, 0}));
    EXPECT_TRUE(c.SetPoint(3, 1, Point{255, 400}));  // y beyond 0..255 is allowed; the tables stay limited
    EXPECT_FALSE(c.SetPoint(3, 0, Point{255, 0}));
}

TEST(Curves, DefaultFileIs80BytesAndEveryCurveRoundTrips) {
    CCurves c;
    auto bytes = c.SaveBytes();
    ASSERT_EQ(bytes.size(), 80u);
    EXPECT_EQ(bytes[0], 2);
    EXPECT_EQ(bytes[30], 0x7F);  // y of (255, 255) = 0x437F0000
    std::mt19937 rng(42);
    for (int ch = 0; ch < 4; ++ch) {
        std::vector<Point> pts;
        float x = 0;
        for (int i = 0, n = 2 + static_cast<int>(rng() % 40); i < n; ++i, x += 1.0f + static_cast<float>(rng() % 5) * 0.25f)
            pts.push_back(Point{x, static_cast<float>(rng() % 256)});
        ASSERT_TRUE(c.SetPoints(ch, pts));
    }
    c.BuildTables();
    const testsupport::TempDir dir;
    const auto path = dir / "c.curves";
    ASSERT_EQ(c.SaveFile(path.string()), SettingsFileStatus::Ok);
    EXPECT_EQ(std::filesystem::file_size(path), c.SaveBytes().size());
    CCurves d;
    ASSERT_EQ(d.LoadFile(path.string()), SettingsFileStatus::Ok);
    for (int ch = 0; ch < 4; ++ch) {
        EXPECT_TRUE(std::ranges::equal(d.Points(ch), c.Points(ch)));
        EXPECT_EQ(d.Table(ch), c.Table(ch)) << "tables are rebuilt on load";
    }
    std::filesystem::remove(path);
    EXPECT_EQ(d.LoadFile(path.string()), SettingsFileStatus::CannotOpen);
}

TEST(Curves, CorruptFilesChangeNothing) {
    CCurves c = WithMaster({{0, 10}, {128, 160}, {255, 240}});
    const auto before = c.SaveBytes();
    const auto tablesBefore = c.Tables().table;
    const auto valid = CCurves().SaveBytes();
    auto changed = [&](size_t at, std::vector<uint8_t> bytes) {
        auto out = valid;
        std::ranges::copy(bytes, out.begin() + static_cast<long>(at));
        return out;
    };
    auto withFloat = [](std::vector<uint8_t> bytes, size_t at, float value) {
        uint32_t u;
        std::memcpy(&u, &value, 4);
        for (size_t i = 0; i < 4; ++i) bytes.at(at + i) = static_cast<uint8_t>(u >> (8 * i));
        return bytes;
    };
    const std::vector<uint8_t> cases[] = {
        {},
        std::vector<uint8_t>(valid.begin(), valid.end() - 1),
        changed(4, {1}),                         // a curve of 1 point
        changed(4, {0x2D, 0x01}),                // 301 points
        changed(12, {0xFF, 0xFF, 0xFF, 0xFF}),   // -1 points
        withFloat(valid, 16 + 8 * 2 + 8, 0.0f),  // channel 1's second x equal to its first
        withFloat(withFloat(valid, 16 + 8 * 6, 200.0f), 16 + 8 * 7, 100.0f),  // decreasing x
        withFloat(valid, 16 + 4, NAN),
        withFloat(valid, 16 + 8 + 4, 1000.0f),  // y beyond 255
    };
    for (const auto& bytes : cases) {
        EXPECT_EQ(c.LoadBytes(bytes), SettingsFileStatus::InvalidFile) << bytes.size();
        EXPECT_EQ(c.SaveBytes(), before);
        EXPECT_EQ(c.Tables().table, tablesBefore);
    }
    // Random garbage never crashes; whatever is accepted is a valid set of curves.
    std::mt19937 rng(1);
    for (int round = 0; round < 2000; ++round) {
        std::vector<uint8_t> junk(rng() % 120);
        for (auto& b : junk) b = static_cast<uint8_t>(rng());
        if (rng() % 2 && junk.size() >= 16)  // plausible point counts
            for (size_t k = 0; k < 16; ++k) junk[k] = k % 4 == 0 ? static_cast<uint8_t>(rng() % 4) : 0;
        CCurves victim;
        if (victim.LoadBytes(junk) == SettingsFileStatus::Ok)
            for (int ch = 0; ch < 4; ++ch) EXPECT_GE(victim.Count(ch), 2);
        else
            EXPECT_EQ(victim.SaveBytes(), valid);
    }
}

TEST(CurveEditor, ClickInsertsOrSelects) {
    CCurves c;
    CCurveEditor e(c);
    EXPECT_TRUE(e.LeftButtonDown(128, BoxY(160)));
    ASSERT_EQ(c.Count(0), 3);
    EXPECT_EQ(c.Points(0)[1], (Point{128, 160}));
    EXPECT_EQ(e.SelectedPoint(), 1);
    EXPECT_EQ(c.Table(0)[128], 160) << "tables rebuilt after the insertion";
    e.LeftButtonUp();
    EXPECT_FALSE(e.LeftButtonDown(5, BoxY(3)));  // near a point: selection only
    EXPECT_EQ(e.SelectedPoint(), 0);
    EXPECT_FALSE(e.LeftButtonDown(128, BoxY(20)));  // far from every point but at a taken x
    EXPECT_EQ(c.Count(0), 3);

    CCurves near;
    near.SetPoints(0, std::vector<Point>{{0, 0}, {30, 30}, {50, 30}, {255, 255}});
    CCurveEditor n(near);
    EXPECT_EQ(n.NearestPoint(40, BoxY(30)), 1) << "a tie goes to the lower index";
    EXPECT_EQ(n.NearestPoint(50, BoxY(49)), 2) << "distance 19 is near";
    EXPECT_EQ(n.NearestPoint(50, BoxY(50)), -1) << "distance 20 is not";
}

TEST(CurveEditor, DraggingStopsOneUnitFromTheNeighbours) {
    CCurves c;
    c.SetPoints(0, std::vector<Point>{{0, 0}, {60, 60}, {120, 120}, {255, 255}});
    c.BuildTables();
    CCurveEditor e(c);
    e.LeftButtonDown(120, BoxY(120));
    EXPECT_TRUE(e.MouseMove(10, BoxY(200), true, false));
    EXPECT_EQ(c.Points(0)[2], (Point{61, 200}));
    EXPECT_TRUE(e.MouseMove(400, -50, true, false));  // limited to the box first
    EXPECT_EQ(c.Points(0)[2], (Point{254, 255}));
    e.LeftButtonUp();
    e.LeftButtonDown(0, BoxY(0));  // end points move too, bounded only on their inner side
    EXPECT_TRUE(e.MouseMove(100, BoxY(40), true, false));
    EXPECT_EQ(c.Points(0)[0], (Point{59, 40}));
    EXPECT_EQ(c.Table(0)[0], 40);
    e.LeftButtonUp();

    // Points too close for a whole unit keep their x order.
    CCurves tight;
    tight.SetPoints(0, std::vector<Point>{{0, 0}, {10, 10}, {10.5f, 11}, {11, 12}, {255, 255}});
    CCurveEditor t(tight);
    t.LeftButtonDown(10, BoxY(11));
    t.MouseMove(0, BoxY(90), true, false);
    auto p = tight.Points(0);
    for (size_t i = 1; i < p.size(); ++i) EXPECT_LT(p[i - 1].x, p[i].x) << i;
}
