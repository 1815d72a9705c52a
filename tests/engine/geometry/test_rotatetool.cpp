#include <gtest/gtest.h>

#include <cmath>
#include <cstring>

#include "core/imagering.h"
#include "geometry/rotatetool.h"
#include "test_images.h"

using namespace geometry;
using geometry_test::RandomImage;
using geometry_test::TestImage;
using Drag = CRotateToolModel::DragMode;

namespace {

// Loads `img` into slot 0 of `ring`.
void Load(CImageRing& ring, TestImage& img) {
    const ImagePlane p = ring.PrepareFirstState(img.width, img.height);
    ASSERT_TRUE(p.IsValid());
    for (int y = 0; y < img.height; ++y)
        std::memcpy(p.Row(y), img.Pixel(0, y), static_cast<size_t>(img.width) * 3);
}

}  // namespace

TEST(CRotateToolModel, GuideLineStartsLevelInsideTheImage) {
    CRotateToolModel tool(400, 300);
    EXPECT_EQ(tool.FirstEnd(), (IntPoint{40, 150}));
    EXPECT_EQ(tool.SecondEnd(), (IntPoint{360, 150}));
    EXPECT_EQ(tool.AngleText(), "0.0000");
    tool.PlaceGuideLine({100, 50, 200, 250});  // zoomed in on part of the image
    EXPECT_EQ(tool.FirstEnd(), (IntPoint{110, 150}));
    EXPECT_EQ(tool.SecondEnd(), (IntPoint{190, 150}));
}

TEST(CRotateToolModel, DraggingTheEndsSetsTheAngle) {
    CRotateToolModel tool(400, 300);
    tool.PlaceGuideLine({0, 0, 400, 300});
    // Grab the first end (40,150) and bring it to (100,210); then the second to (300,200).
    EXPECT_EQ(tool.ButtonDown(45, 147, 10), Drag::FirstEnd);
    EXPECT_TRUE(tool.MouseMove(105, 207));
    tool.ButtonUp();
    EXPECT_EQ(tool.FirstEnd(), (IntPoint{100, 210}));
    EXPECT_EQ(tool.ButtonDown(360, 150, 10), Drag::SecondEnd);
    tool.MouseMove(300, 200);
    tool.ButtonUp();
    EXPECT_EQ(tool.SecondEnd(), (IntPoint{300, 200}));
    EXPECT_NEAR(tool.Angle(), 2.8624, 5e-5);  // rising to the right: positive
    EXPECT_EQ(tool.AngleText(), "2.8624");
    EXPECT_FALSE(tool.MouseMove(0, 0));  // no drag after the button went up

    // The whole line moves without changing the angle.
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

TEST(CRotateToolModel, TypedAngleTurnsTheLineAboutItsMiddle) {
    CRotateToolModel tool(400, 300);  // line (40,150)-(360,150): middle (200,150), half 160
    tool.SetAngleText("90");
    EXPECT_EQ(tool.FirstEnd(), (IntPoint{200, 310}));
    EXPECT_EQ(tool.SecondEnd(), (IntPoint{200, -10}));
    EXPECT_EQ(tool.AngleText(), "90.0000");
    EXPECT_EQ(tool.ResultSize(), (ImageSize{300, 400}));
    tool.SetAngleText("-30.5");
    EXPECT_EQ(tool.AngleText(), "-30.5000");
    EXPECT_NEAR(
        std::atan2(tool.FirstEnd().y - tool.SecondEnd().y, tool.SecondEnd().x - tool.FirstEnd().x) *
            180 / M_PI,
        -30.5, 0.5);
    tool.SetAngleText("level");
    EXPECT_EQ(tool.Angle(), 0.0f);
    EXPECT_EQ(tool.AngleText(), "0.0000");
}

TEST(CRotateToolModel, OkWithoutCropIsOneTurnStep) {
    TestImage img = RandomImage(60, 40, 7);
    CImageRing ring;
    Load(ring, img);
    CRotateToolModel tool(60, 40);
    tool.SetAngle(-90.0f);  // the image turns by +90
    const auto steps = tool.ResultSteps();
    ASSERT_EQ(steps.size(), 1u);
    ASSERT_TRUE(CommitSteps(ring, steps));
    EXPECT_EQ(ring.UndoDepth(), 1);
    const ImagePlane cur = ring.Current();
    EXPECT_EQ(cur.width, 40);
    EXPECT_EQ(cur.height, 60);
    EXPECT_EQ(std::memcmp(cur.Row(59), img.Pixel(0, 0), 3), 0);  // top-left went to bottom-left
}

TEST(CRotateToolModel, CropGivesTwoStepsAndUndoShowsTheUncutTurn) {
    TestImage img = RandomImage(300, 200, 8, 40, 220);
    CImageRing ring;
    Load(ring, img);
    CRotateToolModel tool(300, 200);
    tool.SetAngle(5.0f);
    tool.SetCrop(true);
    const auto steps = tool.ResultSteps();
    ASSERT_EQ(steps.size(), 2u);
    const ImageSize turned = tool.ResultSize();
    const CropRect crop = tool.CropRectangle();
    EXPECT_EQ(steps[1].width, crop.Width());
    EXPECT_EQ(steps[1].height, crop.Height());
    ASSERT_TRUE(CommitSteps(ring, steps));
    EXPECT_EQ(ring.UndoDepth(), 2);
    ImagePlane cut = ring.Current();
    ASSERT_EQ(cut.width, crop.Width());
    // No black corners: every pixel of the result has image content.
    for (int y = 0; y < cut.height; ++y)
        for (int x = 0; x < cut.width; ++x) {
            const uint8_t* p = cut.Row(y) + x * 3;
            ASSERT_FALSE(p[0] == 0 && p[1] == 0 && p[2] == 0) << x << "," << y;
        }
    ASSERT_TRUE(ring.Undo());
    EXPECT_EQ(ring.Current().width, turned.width);
    EXPECT_EQ(ring.Current().height, turned.height);
    const uint8_t* corner = ring.Current().Row(0);
    EXPECT_TRUE(corner[0] == 0 && corner[1] == 0 && corner[2] == 0);  // the turned image has fill
}

TEST(CommitSteps, AFailingStepLeavesTheRingAsItWas) {
    TestImage img = RandomImage(20, 10, 9);
    CImageRing ring;
    Load(ring, img);
    std::vector<ResultStep> steps = CRotateToolModel(20, 10).ResultSteps();
    steps.push_back({5, 5, [](const ImagePlane&, const ImagePlane&) { return false; }});
    EXPECT_FALSE(CommitSteps(ring, steps));
    EXPECT_EQ(ring.UndoDepth(), 0);
    EXPECT_EQ(ring.Current().width, 20);
    EXPECT_EQ(std::memcmp(ring.Current().Row(3), img.Pixel(0, 3), 60), 0);
    EXPECT_FALSE(
        CommitSteps(ring, {{0, 5, [](const ImagePlane&, const ImagePlane&) { return true; }}}));
    EXPECT_EQ(ring.UndoDepth(), 0);
}
