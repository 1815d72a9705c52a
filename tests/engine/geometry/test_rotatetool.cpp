// The rotate tool: the guide line, the angle it gives, and the steps of the result.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>

#include "core/imagering.h"
#include "geometry/rotatetool.h"
#include "test_image.h"

using namespace geometry;
using testimage::RandomImage;
using testimage::Image;
using Drag = CRotateToolModel::DragMode;

namespace {

// Loads `img` into slot 0 of `ring`.
void Load(CImageRing& ring, Image& img) {
    const ImagePlane p = ring.PrepareFirstState(img.plane.width, img.plane.height);
    for (int y = 0; y < img.plane.height; ++y) std::memcpy(p.Row(y), img.Pixel(0, y), static_cast<size_t>(img.plane.width) * 3);
}

}  // namespace

TEST(CRotateToolModel, DraggingTheEndsSetsTheAngleAndTheLineMovesWhole) {
    CRotateToolModel tool(400, 300);
    tool.PlaceGuideLine({100, 50, 200, 250});  // zoomed in on part of the image
    EXPECT_EQ(tool.FirstEnd(), (IntPoint{110, 150}));
    EXPECT_EQ(tool.SecondEnd(), (IntPoint{190, 150}));
    tool.PlaceGuideLine({0, 0, 400, 300});
    EXPECT_EQ(tool.ButtonDown(45, 147, 10), Drag::FirstEnd);  // (40,150) to (100,210)
    EXPECT_TRUE(tool.MouseMove(105, 207));
    tool.ButtonUp();
    EXPECT_EQ(tool.ButtonDown(360, 150, 10), Drag::SecondEnd);
    tool.MouseMove(300, 200);
    tool.ButtonUp();
    EXPECT_NEAR(tool.Angle(), 2.8624, 5e-5);  // rising to the right: positive
    EXPECT_EQ(tool.AngleText(), "2.8624");
    EXPECT_FALSE(tool.MouseMove(0, 0));  // no drag after the button went up
    EXPECT_EQ(tool.ButtonDown(200, 205, 10), Drag::WholeLine);
    tool.MouseMove(210, 185);
    EXPECT_EQ(tool.FirstEnd(), (IntPoint{110, 190}));
    EXPECT_EQ(tool.SecondEnd(), (IntPoint{310, 180}));
    EXPECT_EQ(tool.AngleText(), "2.8624");
    tool.ButtonUp();
    EXPECT_EQ(tool.ButtonDown(200, 230, 10), Drag::None);
    // The turn that levels the line is clockwise.
    EXPECT_FLOAT_EQ(tool.Frame().sinA, static_cast<float>(std::sin(-tool.Angle() * M_PI / 180)));
}

TEST(CRotateToolModel, CropGivesTwoStepsAndUndoShowsTheUncutTurn) {
    Image img = RandomImage(300, 200, 8, 40, 220);
    CImageRing ring;
    Load(ring, img);
    CRotateToolModel tool(300, 200);
    tool.SetAngle(5.0f);
    tool.SetCrop(true);
    const auto steps = tool.ResultSteps();
    ASSERT_EQ(steps.size(), 2u);
    const CropRect crop = tool.CropRectangle();
    ASSERT_EQ(CommitSteps(ring, steps), ops::ApplyResult::Ok);
    EXPECT_EQ(ring.UndoDepth(), 2);
    const ImagePlane cut = ring.Current();
    ASSERT_EQ(cut.width, crop.Width());
    ASSERT_EQ(cut.height, crop.Height());
    for (int y = 0; y < cut.height; ++y)  // no black corners
        for (int x = 0; x < cut.width; ++x) {
            const uint8_t* p = cut.Row(y) + x * 3;
            ASSERT_FALSE(p[0] == 0 && p[1] == 0 && p[2] == 0) << x << "," << y;
        }
    ASSERT_TRUE(ring.Undo());
    EXPECT_EQ(ring.Current().width, tool.ResultSize().width);
    EXPECT_EQ(ring.Current().Row(0)[0], 0);  // the turned image has fill
}

TEST(CommitSteps, AFailingStepLeavesTheRingAsItWas) {
    Image img = RandomImage(20, 10, 9);
    CImageRing ring;
    Load(ring, img);
    std::vector<ResultStep> steps = CRotateToolModel(20, 10).ResultSteps();
    steps.push_back({5, 5, [](const ImagePlane&, const ImagePlane&) { return false; }});
    EXPECT_EQ(CommitSteps(ring, steps), ops::ApplyResult::RoutineFailed);
    EXPECT_EQ(CommitSteps(ring, {{-1, 5, [](const ImagePlane&, const ImagePlane&) { return true; }}}),
              ops::ApplyResult::InvalidSize);
    EXPECT_EQ(ring.UndoDepth(), 0);
    EXPECT_EQ(ring.Current().width, 20);
    EXPECT_EQ(std::memcmp(ring.Current().Row(3), img.Pixel(0, 3), 60), 0);
}
