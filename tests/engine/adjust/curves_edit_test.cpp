// The mouse rules of the curve box.
#include <gtest/gtest.h>

#include "adjust/curves/curveedit.h"

using Point = CCurves::Point;

namespace {

// Box coordinates of a curve point.
int BoxY(float y) { return 255 - static_cast<int>(y); }

}  // namespace

TEST(CurveEditor, ClickInsertsOrSelects) {
    CCurves c;
    CCurveEditor e(c);
    EXPECT_TRUE(e.LeftButtonDown(128, BoxY(160)));
    EXPECT_TRUE(e.Dragging());
    ASSERT_EQ(c.Count(0), 3);
    EXPECT_EQ(c.Points(0)[1], (Point{128, 160}));
    EXPECT_EQ(e.SelectedPoint(), 1);
    EXPECT_EQ(c.Table(0)[128], 160) << "tables rebuilt after the insertion";
    e.LeftButtonUp();
    EXPECT_FALSE(e.Dragging());

    // Near an existing point: selection only, nothing inserted.
    EXPECT_FALSE(e.LeftButtonDown(5, BoxY(3)));
    EXPECT_EQ(e.SelectedPoint(), 0);
    EXPECT_EQ(c.Count(0), 3);
    // Far from every point but at an existing x: nothing is inserted.
    EXPECT_FALSE(e.LeftButtonDown(128, BoxY(20)));
    EXPECT_EQ(c.Count(0), 3);
    // Outside the box: ignored entirely.
    e.LeftButtonUp();
    EXPECT_FALSE(e.LeftButtonDown(300, 10));
    EXPECT_FALSE(e.Dragging());
}

TEST(CurveEditor, NearestPointRules) {
    CCurves c;
    c.SetPoints(0, std::vector<Point>{{0, 0}, {30, 30}, {50, 30}, {255, 255}});
    CCurveEditor e(c);
    EXPECT_EQ(e.NearestPoint(40, BoxY(30)), 1) << "a tie goes to the lower index";
    EXPECT_EQ(e.NearestPoint(48, BoxY(30)), 2);
    EXPECT_EQ(e.NearestPoint(100, BoxY(30)), -1);
    EXPECT_EQ(e.NearestPoint(50, BoxY(49)), 2) << "distance 19 is near";
    EXPECT_EQ(e.NearestPoint(50, BoxY(50)), -1) << "distance 20 is not";
}

TEST(CurveEditor, DraggingStopsOneUnitFromTheNeighbours) {
    CCurves c;
    c.SetPoints(0, std::vector<Point>{{0, 0}, {60, 60}, {120, 120}, {255, 255}});
    c.BuildTables();
    CCurveEditor e(c);
    e.LeftButtonDown(120, BoxY(120));
    ASSERT_EQ(e.SelectedPoint(), 2);
    EXPECT_TRUE(e.MouseMove(10, BoxY(200), true, false));
    EXPECT_EQ(c.Points(0)[2], (Point{61, 200}));
    EXPECT_EQ(e.Cursor(), CurveCursor::Move);
    EXPECT_TRUE(e.MouseMove(400, -50, true, false));  // limited to the box first
    EXPECT_EQ(c.Points(0)[2], (Point{254, 255}));
    e.LeftButtonUp();

    // End points move too, bounded only on their inner side.
    e.LeftButtonDown(0, BoxY(0));
    ASSERT_EQ(e.SelectedPoint(), 0);
    EXPECT_TRUE(e.MouseMove(100, BoxY(40), true, false));
    EXPECT_EQ(c.Points(0)[0], (Point{59, 40}));
    EXPECT_EQ(c.Table(0)[0], 40);
    EXPECT_TRUE(e.MouseMove(0, BoxY(40), true, false));
    EXPECT_EQ(c.Points(0)[0], (Point{0, 40}));
    e.LeftButtonUp();

    // Without a button only the cursor changes.
    EXPECT_FALSE(e.MouseMove(0, BoxY(40), false, false));
    EXPECT_EQ(e.Cursor(), CurveCursor::Move);
    EXPECT_FALSE(e.MouseMove(30, BoxY(200), false, false));
    EXPECT_EQ(e.Cursor(), CurveCursor::Cross);
}

TEST(CurveEditor, PointsTooCloseForAWholeUnitKeepTheirX) {
    CCurves c;
    c.SetPoints(0, std::vector<Point>{{0, 0}, {10, 10}, {10.5f, 11}, {11, 12}, {255, 255}});
    CCurveEditor e(c);
    e.LeftButtonDown(10, BoxY(11));
    e.MouseMove(10, BoxY(11), true, false);  // whatever got selected, x order must survive
    e.MouseMove(0, BoxY(90), true, false);
    auto p = c.Points(0);
    for (size_t i = 1; i < p.size(); ++i) EXPECT_LT(p[i - 1].x, p[i].x) << i;
}

TEST(CurveEditor, RightClickRemovesInnerPointsOnly) {
    CCurves c;
    c.SetPoints(0, std::vector<Point>{{0, 0}, {60, 60}, {120, 120}, {255, 255}});
    CCurveEditor e(c);
    EXPECT_FALSE(e.RightButtonDown(0, BoxY(0)));
    EXPECT_FALSE(e.RightButtonDown(255, BoxY(255)));
    e.LeftButtonDown(120, BoxY(120));
    e.LeftButtonUp();
    ASSERT_EQ(e.SelectedPoint(), 2);
    EXPECT_TRUE(e.RightButtonDown(60, BoxY(60)));
    EXPECT_EQ(c.Count(0), 3);
    EXPECT_EQ(e.SelectedPoint(), 1) << "the selection follows its point";
    EXPECT_TRUE(e.RightButtonDown(120, BoxY(120)));
    EXPECT_EQ(e.SelectedPoint(), -1);
    // With no selection a drag moves nothing.
    EXPECT_FALSE(e.MouseMove(50, 50, true, false));
    EXPECT_EQ(c.Count(0), 2);
}

TEST(CurveEditor, TheMoveAfterALoadIsIgnoredAndAFullCurveTakesNoPoint) {
    CCurves c;
    std::vector<Point> many;
    for (int i = 0; i < CCurves::kMaxPoints; ++i) many.push_back(Point{static_cast<float>(i) * 0.85f, 0});
    ASSERT_TRUE(c.SetPoints(0, many));
    CCurveEditor e(c);
    EXPECT_FALSE(e.LeftButtonDown(200, BoxY(200)));
    EXPECT_EQ(c.Count(0), CCurves::kMaxPoints);
    e.LeftButtonUp();
    e.IgnoreNextMove();
    EXPECT_FALSE(e.MouseMove(10, BoxY(0), false, false));
    EXPECT_EQ(e.Cursor(), CurveCursor::Cross) << "ignored: cursor not updated";
    EXPECT_FALSE(e.MouseMove(10, BoxY(0), false, false));
    EXPECT_EQ(e.Cursor(), CurveCursor::Move);
}
