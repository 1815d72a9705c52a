// The resize dialog's numbers: proportions, the 10,000-pixel limit, units.
#include <gtest/gtest.h>

#include "geometry/resizemodel.h"

using geometry::CResizeModel;
using Units = CResizeModel::Units;

TEST(CResizeModel, KeptProportionsRoundAndStopAtTenThousandPixels) {
    CResizeModel m(3000, 2000);
    m.HeightEdited(333);
    EXPECT_EQ(m.Width(), 500);  // 333 * 1.5 + 0.5
    m.WidthEdited(1001);
    EXPECT_EQ(m.Height(), 667);  // 667.33 + 0.5 truncated
    m.WidthEdited(20000);
    EXPECT_EQ(m.Width(), 10000);
    EXPECT_EQ(m.Height(), 6667);
    m.HeightEdited(12000);  // the height is capped and the width follows
    EXPECT_EQ(m.Height(), 6667);
    EXPECT_EQ(m.Width(), 10000);
    CResizeModel tall(1000, 4000);  // the width is fine but the height it implies is not
    tall.WidthEdited(5000);
    EXPECT_EQ(tall.Height(), 10000);
    EXPECT_EQ(tall.Width(), 2500);
}

TEST(CResizeModel, PercentCopiesAndLimits) {
    CResizeModel m(3000, 2000);
    m.SetUnits(Units::Percent);
    m.WidthEdited(50);
    EXPECT_EQ(m.Height(), 50);
    m.HeightEdited(1000);  // 30000 pixels wide: limited to 10000 / 3000 * 100
    EXPECT_EQ(m.Height(), 333);
    EXPECT_EQ(m.Width(), 333);
    const CResizeModel::Result r = m.Ok();
    EXPECT_EQ(r.width, 9990);
    EXPECT_EQ(r.height, 6660);
    m.WidthEdited(INT32_MAX);  // no overflow in the limit checks
    EXPECT_EQ(m.Width(), 333);

    CResizeModel free(3000, 2000);
    free.SetPreserve(false);
    free.WidthEdited(12345);
    EXPECT_EQ(free.Width(), 10000);
    EXPECT_EQ(free.Height(), 2000);
    free.SetUnits(Units::Percent);
    free.WidthEdited(400);  // 12000 pixels: lowered to 333 %
    EXPECT_EQ(free.Width(), 333);
    free.HeightEdited(400);  // 8000 pixels: fine
    EXPECT_EQ(free.Height(), 400);
}

TEST(CResizeModel, UnitSwitchesConvertInPlace) {
    CResizeModel m(3000, 2000);
    m.WidthEdited(1500);
    m.SetUnits(Units::Percent);
    EXPECT_EQ(m.Width(), 50);
    m.SetUnits(Units::Percent);  // choosing the same units again changes nothing
    EXPECT_EQ(m.Width(), 50);
    const CResizeModel::Result r = m.Ok();
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
    EXPECT_EQ(CResizeModel::ReadNumber(" 42px"), 42);
    EXPECT_EQ(CResizeModel::ReadNumber("abc"), 0);
    EXPECT_EQ(CResizeModel::ReadNumber("-5"), 0);
    EXPECT_EQ(CResizeModel::ReadNumber("99999999999999"), INT32_MAX);
    CResizeModel empty(0, 0);
    empty.WidthEdited(100);
    EXPECT_EQ(empty.Height(), 100);
}
