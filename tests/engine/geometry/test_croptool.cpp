// The crop tool: edits and their checks, drags in every mode, handles, and the result.
#include <gtest/gtest.h>

#include <cstring>

#include "core/imagering.h"
#include "fakes.h"
#include "geometry/croptool.h"
#include "test_image.h"

using namespace geometry;
using testimage::RandomImage;
using testimage::Image;
using Mode = CCropToolModel::Mode;
using Edit = CCropToolModel::EditResult;

namespace {

using CountingPrompt = testsupport::ScriptedPrompt;

void Drag(CCropToolModel& tool, double fx, double fy, double tx, double ty) {
    tool.ButtonDown(fx, fy, 6);
    tool.MouseMove(tx, ty);
    tool.ButtonUp();
}

}  // namespace

TEST(CCropToolModel, EditsRefuseZeroTextAndOversizedFixedSizes) {
    CountingPrompt prompt;
    CCropToolModel tool(400, 300, &prompt);  // rectangle (40,30)-(360,270)
    EXPECT_EQ(tool.WidthEdited("10"), Edit::Ignored);  // normal mode: no edits
    tool.SelectMode(Mode::FixedSize);
    EXPECT_EQ(tool.WidthEdited("0"), Edit::Refused);
    EXPECT_EQ(tool.WidthEdited("wide"), Edit::Refused);
    EXPECT_EQ(prompt.beeps, 2);
    // left is 40: up to 360 pixels reach the last column, 361 would run past it.
    EXPECT_EQ(tool.WidthEdited("361"), Edit::Restored);
    EXPECT_EQ(tool.WidthText(), "320");
    EXPECT_EQ(tool.WidthEdited("360"), Edit::Accepted);
    EXPECT_EQ(tool.HeightEdited("271"), Edit::Restored);
    EXPECT_EQ(tool.HeightEdited("100"), Edit::Accepted);
    EXPECT_EQ(tool.FixedSize(), (ImageSize{360, 100}));
}

TEST(CCropToolModel, NormalDragsKeepTheRectangleInsideAndNonEmpty) {
    CCropToolModel tool(400, 300);
    Drag(tool, 40, 30, 10, 20);  // top-left corner
    EXPECT_EQ(tool.Rect(), (CropRect{10, 20, 360, 270}));
    Drag(tool, 360, 150, 500, 150);  // right edge pulled past the image: reaches the last column
    EXPECT_EQ(tool.Rect(), (CropRect{10, 20, 400, 270}));
    Drag(tool, 10, 145, 450, 145);  // left edge onto and past the right edge
    EXPECT_EQ(tool.Rect(), (CropRect{399, 20, 400, 270}));
    tool.SetRect({100, 100, 200, 150});
    Drag(tool, 150, 125, 400, -50);  // inside: moved, stopped at the image edges
    EXPECT_EQ(tool.Rect(), (CropRect{300, 0, 400, 50}));
    Drag(tool, 350, 0, 350, 300);  // top edge down onto the bottom
    EXPECT_EQ(tool.Rect(), (CropRect{300, 49, 400, 50}));
    Drag(tool, 5, 5, 50, 50);  // outside: nothing is dragged
    EXPECT_EQ(tool.Rect(), (CropRect{300, 49, 400, 50}));
}

TEST(CCropToolModel, RatioDragsRoundToTheNearestPixelAndStopAtTheEdges) {
    CCropToolModel tool(400, 300);
    tool.SelectMode(Mode::Ratio5x7);
    tool.SetRect({100, 100, 150, 170});
    Drag(tool, 150, 170, 161, 0);  // bottom-right: width 61, height 61 * 7 / 5 = 85.4 -> 85
    EXPECT_EQ(tool.Rect(), (CropRect{100, 100, 161, 185}));
    // Top-left: width 141 -> height 197 crosses the top; height limited to 185, width 132.
    Drag(tool, 100, 100, 20, 100);
    EXPECT_EQ(tool.Rect(), (CropRect{29, 0, 161, 185}));
    tool.SetRect({10, 10, 60, 80});
    Drag(tool, 35, 80, 35, 290);  // bottom edge: height 280 -> width 200
    EXPECT_EQ(tool.Rect(), (CropRect{10, 10, 210, 290}));
    // Right edge: width 390 needs height 546; the bottom allows 290 (the last row
    // included), so width 290 * 5 / 7 = 207.1 -> 207.
    Drag(tool, 210, 150, 400, 150);
    EXPECT_EQ(tool.Rect(), (CropRect{10, 10, 217, 300}));
}

TEST(CCropToolModel, OkCutsTheImageAsOneUndoStep) {
    Image img = RandomImage(200, 100, 11);
    CImageRing ring;
    const ImagePlane first = ring.PrepareFirstState(200, 100);
    for (int y = 0; y < 100; ++y) std::memcpy(first.Row(y), img.Pixel(0, y), 600);
    CCropToolModel tool(200, 100);
    tool.SetRect({10, 20, 110, 70});
    ASSERT_EQ(CommitSteps(ring, tool.ResultSteps()), ops::ApplyResult::Ok);
    EXPECT_EQ(ring.UndoDepth(), 1);
    const ImagePlane cut = ring.Current();
    ASSERT_EQ(cut.width, 100);
    ASSERT_EQ(cut.height, 50);
    EXPECT_EQ(std::memcmp(cut.Row(0), img.Pixel(10, 20), 3), 0);
    EXPECT_EQ(std::memcmp(cut.Row(49) + 99 * 3, img.Pixel(109, 69), 3), 0);
    ASSERT_TRUE(ring.Undo());
    EXPECT_EQ(ring.Current().width, 200);
}
