#include <gtest/gtest.h>

#include "geometry/resizemodel.h"

using geometry::CResizeModel;
using geometry::ResizeMethod;
using Units = CResizeModel::Units;

TEST(CResizeModel, KeptProportionsFollowInPixels) {
    CResizeModel m(3000, 2000);
    EXPECT_EQ(m.Height(), 2000);
    m.WidthEdited(1500);
    EXPECT_EQ(m.Height(), 1000);
    m.HeightEdited(333);
    EXPECT_EQ(m.Width(), 500);  // 333 * 1.5 + 0.5 = 500
    m.WidthEdited(1001);
    EXPECT_EQ(m.Height(), 667);  // 667.33 + 0.5 truncated
}

TEST(CResizeModel, TenThousandPixelLimitWithProportions) {
    CResizeModel m(3000, 2000);
    m.WidthEdited(20000);
    EXPECT_EQ(m.Width(), 10000);
    EXPECT_EQ(m.Height(), 6667);
    // Height typed past the limit: the height is capped and the width follows.
    m.HeightEdited(12000);
    EXPECT_EQ(m.Height(), 6667);
    EXPECT_EQ(m.Width(), 10000);
    // A tall image: the width stays below the limit but the height it implies does not.
    CResizeModel tall(1000, 4000);
    tall.WidthEdited(5000);
    EXPECT_EQ(tall.Height(), 10000);
    EXPECT_EQ(tall.Width(), 2500);
}

TEST(CResizeModel, PercentWithProportionsCopiesAndLimits) {
    CResizeModel m(3000, 2000);
    m.SetUnits(Units::Percent);
    EXPECT_EQ(m.Width(), 100);
    EXPECT_EQ(m.Height(), 100);
    m.WidthEdited(50);
    EXPECT_EQ(m.Height(), 50);
    m.HeightEdited(1000);  // 30000 pixels wide: limited to 10000 / 3000 * 100
    EXPECT_EQ(m.Height(), 333);
    EXPECT_EQ(m.Width(), 333);
    const CResizeModel::Result r = m.Ok();
    EXPECT_EQ(r.width, 9990);
    EXPECT_EQ(r.height, 6660);
}

TEST(CResizeModel, FreeSidesAreLimitedOnTheirOwn) {
    CResizeModel m(3000, 2000);
    m.SetPreserve(false);
    m.WidthEdited(12345);
    EXPECT_EQ(m.Width(), 10000);
    EXPECT_EQ(m.Height(), 2000);
    m.HeightEdited(77);
    EXPECT_EQ(m.Width(), 10000);
    EXPECT_EQ(m.Height(), 77);
    m.SetUnits(Units::Percent);
    m.WidthEdited(400);  // 12000 pixels: lowered to 333 %
    EXPECT_EQ(m.Width(), 333);
    m.HeightEdited(400);  // 8000 pixels: fine
    EXPECT_EQ(m.Height(), 400);
}

TEST(CResizeModel, UnitSwitchesConvertInPlace) {
    CResizeModel m(3000, 2000);
    m.WidthEdited(1500);
    m.SetUnits(Units::Percent);
    EXPECT_EQ(m.Width(), 50);
    EXPECT_EQ(m.Height(), 50);
    m.SetUnits(Units::Percent);  // choosing the same units again changes nothing
    EXPECT_EQ(m.Width(), 50);
    const CResizeModel::Result r = m.Ok();
    EXPECT_EQ(r.width, 1500);
    EXPECT_EQ(r.height, 1000);
    EXPECT_EQ(m.Width(), 1500);  // the edits show pixels after OK

    CResizeModel back(641, 479);
    back.SetUnits(Units::Percent);
    back.WidthEdited(33);
    back.SetUnits(Units::Pixels);
    EXPECT_EQ(back.Width(), 211);   // 641 * 33 / 100 truncated
    EXPECT_EQ(back.Height(), 158);  // 479 * 33 / 100 truncated
}

TEST(CResizeModel, NumbersAreReadLikeANumberOnlyEdit) {
    EXPECT_EQ(CResizeModel::ReadNumber("1500"), 1500);
    EXPECT_EQ(CResizeModel::ReadNumber(" 42px"), 42);
    EXPECT_EQ(CResizeModel::ReadNumber("abc"), 0);
    EXPECT_EQ(CResizeModel::ReadNumber(""), 0);
    EXPECT_EQ(CResizeModel::ReadNumber("-5"), 0);
    EXPECT_EQ(CResizeModel::ReadNumber("99999999999999"), INT32_MAX);
    // A huge typed number does not overflow the limit checks.
    CResizeModel m(3000, 2000);
    m.SetUnits(Units::Percent);
    m.WidthEdited(INT32_MAX);
    EXPECT_EQ(m.Width(), 333);
    CResizeModel empty(0, 0);
    empty.WidthEdited(100);
    EXPECT_EQ(empty.Height(), 100);
}
