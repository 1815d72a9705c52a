#include <gtest/gtest.h>

#include <cstring>

#include "core/imagering.h"
#include "core/prompt.h"
#include "geometry/croptool.h"
#include "test_images.h"

using namespace geometry;
using geometry_test::RandomImage;
using geometry_test::TestImage;
using Mode = CCropToolModel::Mode;
using Zone = CCropToolModel::Zone;
using Edit = CCropToolModel::EditResult;

namespace {

class CountingPrompt : public IPrompt {
public:
    PromptAnswer Ask(const std::string&, const std::string&, PromptButtons) override {
        return PromptAnswer::Ok;
    }
    void Beep() override { ++beeps; }
    int beeps = 0;
};

// Drags from `from` to `to` with a generous grab distance.
void Drag(CCropToolModel& tool, double fx, double fy, double tx, double ty) {
    tool.ButtonDown(fx, fy, 6);
    tool.MouseMove(tx, ty);
    tool.ButtonUp();
}

}  // namespace

TEST(CCropToolModel, OpensNormalWithAnInsetRectangle) {
    CCropToolModel tool(400, 300);
    EXPECT_EQ(tool.Rect(), (CropRect{40, 30, 360, 270}));
    EXPECT_EQ(tool.FixedSize(), (ImageSize{320, 240}));
    EXPECT_EQ(tool.CustomRatio(), (ImageSize{6, 4}));
    EXPECT_EQ(tool.GetMode(), Mode::Normal);
    EXPECT_FALSE(tool.EditsEnabled());
    EXPECT_EQ(tool.WidthText(), "4");
    EXPECT_EQ(tool.HeightText(), "6");
    EXPECT_EQ(tool.WidthEdited("10"), Edit::Ignored);
}

TEST(CCropToolModel, EditsRefuseZeroTextAndOversizedFixedSizes) {
    CountingPrompt prompt;
    CCropToolModel tool(400, 300, &prompt);
    tool.SelectMode(Mode::FixedSize);
    EXPECT_EQ(tool.WidthEdited("0"), Edit::Refused);
    EXPECT_EQ(tool.WidthEdited("wide"), Edit::Refused);
    EXPECT_EQ(prompt.beeps, 2);
    EXPECT_EQ(tool.ParamA(), 320);
    // left is 40: up to 360 pixels reach the last column, 361 would run past it.
    EXPECT_EQ(tool.WidthEdited("361"), Edit::Restored);
    EXPECT_EQ(tool.WidthText(), "320");
    EXPECT_EQ(tool.WidthEdited("360"), Edit::Accepted);
    EXPECT_EQ(tool.HeightEdited("271"), Edit::Restored);
    EXPECT_EQ(tool.HeightEdited("100"), Edit::Accepted);
    EXPECT_EQ(tool.FixedSize(), (ImageSize{360, 100}));
    EXPECT_EQ(prompt.beeps, 4);
    // Ratio modes change the custom ratio, remembered for "Fixed aspect ratio".
    tool.SelectMode(Mode::Ratio5x7);
    EXPECT_EQ(tool.WidthEdited("3"), Edit::Accepted);
    EXPECT_EQ(tool.CustomRatio(), (ImageSize{3, 4}));
    tool.SelectMode(Mode::FixedRatio);
    EXPECT_EQ(tool.ParamA(), 3);
    tool.SelectMode(Mode::FixedSize);
    EXPECT_EQ(tool.ParamA(), 360);
}

TEST(CCropToolModel, SwapTurnsAPrintFormatToLandscapeOnTheNextDrag) {
    CCropToolModel tool(400, 300);
    tool.SelectMode(Mode::Ratio4x6);
    tool.Swap();
    EXPECT_EQ(tool.WidthText(), "6");
    EXPECT_EQ(tool.HeightText(), "4");
    // Bottom-right corner (360,270) dragged to x = 340: 300 wide, 200 high.
    Drag(tool, 360, 270, 340, 250);
    EXPECT_EQ(tool.Rect(), (CropRect{40, 30, 340, 230}));
}

TEST(CCropToolModel, SwapInFixedSizeRunsBothEditsWithTheirChecks) {
    CountingPrompt prompt;
    CCropToolModel tool(400, 300, &prompt);  // rectangle at (40,30), fixed size 320 x 240
    tool.SelectMode(Mode::FixedSize);
    tool.Swap();  // width 240 fits; height 320 would run past the bottom: refused
    EXPECT_EQ(tool.ParamA(), 240);
    EXPECT_EQ(tool.ParamB(), 240);
    EXPECT_EQ(prompt.beeps, 1);
}

TEST(CCropToolModel, NormalDragsKeepTheRectangleInsideAndNonEmpty) {
    CCropToolModel tool(400, 300);
    Drag(tool, 40, 30, 10, 20);  // top-left corner
    EXPECT_EQ(tool.Rect(), (CropRect{10, 20, 360, 270}));
    Drag(tool, 360, 150, 500, 150);  // right edge middle, pulled past the image
    EXPECT_EQ(tool.Rect(), (CropRect{10, 20, 400, 270}));  // reaches the last column
    Drag(tool, 10, 145, 450, 145);                         // left edge onto and past the right edge
    EXPECT_EQ(tool.Rect(), (CropRect{399, 20, 400, 270}));
    tool.SetRect({100, 100, 200, 150});
    Drag(tool, 150, 125, 400, -50);  // inside: moved, stopped at the image edges
    EXPECT_EQ(tool.Rect(), (CropRect{300, 0, 400, 50}));
    Drag(tool, 350, 50, 350, 400);  // bottom edge
    EXPECT_EQ(tool.Rect(), (CropRect{300, 0, 400, 300}));
    Drag(tool, 350, 0, 350, 300);  // top edge down onto the bottom
    EXPECT_EQ(tool.Rect(), (CropRect{300, 299, 400, 300}));
    Drag(tool, 5, 5, 50, 50);  // outside: nothing is dragged
    EXPECT_EQ(tool.Rect(), (CropRect{300, 299, 400, 300}));
}

TEST(CCropToolModel, FixedSizeDragsKeepTheSize) {
    CCropToolModel tool(400, 300);
    tool.SelectMode(Mode::FixedSize);
    tool.WidthEdited("100");
    tool.HeightEdited("50");
    Drag(tool, 40, 30, 70, 80);  // a handle puts the top-left corner at the pointer
    EXPECT_EQ(tool.Rect(), (CropRect{70, 80, 170, 130}));
    Drag(tool, 100, 100, 1000, 1000);  // pushed back inside
    EXPECT_EQ(tool.Rect(), (CropRect{300, 250, 400, 300}));
    Drag(tool, 400, 300, 390, 290);  // bottom-right handle: top-left at the pointer, pushed back
    EXPECT_EQ(tool.Rect(), (CropRect{300, 250, 400, 300}));
}

TEST(CCropToolModel, RatioDragsRoundToTheNearestPixelAndStopAtTheEdges) {
    CCropToolModel tool(400, 300);
    tool.SelectMode(Mode::Ratio5x7);
    tool.SetRect({100, 100, 150, 170});
    Drag(tool, 150, 170, 161, 0);  // bottom-right: width 61, height 61 * 7 / 5 = 85.4 -> 85
    EXPECT_EQ(tool.Rect(), (CropRect{100, 100, 161, 185}));
    Drag(tool, 100, 100, 20, 100);  // top-left: width 141 -> height 197 crosses the top
    // Height limited to 185 (the distance to the top), width 185 * 5 / 7 = 132.1 -> 132.
    EXPECT_EQ(tool.Rect(), (CropRect{29, 0, 161, 185}));
    Drag(tool, 29, 0, -50, 0);  // further left: the left edge limits the width
    EXPECT_EQ(tool.Rect(), (CropRect{29, 0, 161, 185}));
    tool.SetRect({10, 10, 60, 80});
    Drag(tool, 35, 80, 35, 290);  // bottom edge: height 280 -> width 200
    EXPECT_EQ(tool.Rect(), (CropRect{10, 10, 210, 290}));
    // Right edge: width 390 needs height 546; the bottom allows 290 (the last row
    // included), so width 290 * 5 / 7 = 207.1 -> 207.
    Drag(tool, 210, 150, 400, 150);
    EXPECT_EQ(tool.Rect(), (CropRect{10, 10, 217, 300}));
    const double ratio = static_cast<double>(tool.Rect().Width()) / tool.Rect().Height();
    EXPECT_NEAR(ratio, 5.0 / 7.0, 0.01);
}

TEST(CCropToolModel, PressesFindTheNearestHandleOrTheInside) {
    CCropToolModel tool(400, 300);  // (40,30)-(360,270)
    EXPECT_EQ(tool.HitTest(41, 31, 5), Zone::TopLeft);
    EXPECT_EQ(tool.HitTest(200, 272, 5), Zone::Bottom);
    EXPECT_EQ(tool.HitTest(358, 150, 5), Zone::Right);
    EXPECT_EQ(tool.HitTest(200, 150, 5), Zone::Move);
    EXPECT_EQ(tool.HitTest(20, 150, 5), Zone::None);
    tool.SetRect({100, 100, 104, 104});  // handles crowd a tiny rectangle: the nearest wins
    EXPECT_EQ(tool.HitTest(103.5, 101.5, 5), Zone::Right);
    EXPECT_EQ(tool.HitTest(104, 104.5, 5), Zone::BottomRight);
}

TEST(CCropToolModel, OkCutsTheImageAsOneUndoStep) {
    TestImage img = RandomImage(200, 100, 11);
    CImageRing ring;
    const ImagePlane first = ring.PrepareFirstState(200, 100);
    for (int y = 0; y < 100; ++y) std::memcpy(first.Row(y), img.Pixel(0, y), 600);
    CCropToolModel tool(200, 100);
    tool.SetRect({10, 20, 110, 70});
    EXPECT_EQ(tool.ResultSize(), (ImageSize{100, 50}));
    ASSERT_TRUE(CommitSteps(ring, tool.ResultSteps()));
    EXPECT_EQ(ring.UndoDepth(), 1);
    const ImagePlane cut = ring.Current();
    ASSERT_EQ(cut.width, 100);
    ASSERT_EQ(cut.height, 50);
    EXPECT_EQ(std::memcmp(cut.Row(0), img.Pixel(10, 20), 3), 0);
    EXPECT_EQ(std::memcmp(cut.Row(49) + 99 * 3, img.Pixel(109, 69), 3), 0);
    ASSERT_TRUE(ring.Undo());
    EXPECT_EQ(ring.Current().width, 200);
}
