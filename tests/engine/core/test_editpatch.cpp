// CImageEditPatch: click-by-click history of a tool as rectangular patches.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <random>
#include <vector>

#include "core/editpatch.h"
#include "core/imagebuffer.h"
#include "core/memorymanager.h"

namespace {

CMemoryManager::Options NoReaper() {
    CMemoryManager::Options options;
    options.reaperPeriod = std::chrono::milliseconds(0);
    return options;
}

std::vector<uint8_t> Pixels(const ImagePlane& p) {
    std::vector<uint8_t> out;
    for (int32_t y = 0; y < p.height; ++y)
        out.insert(out.end(), p.Row(y), p.Row(y) + p.width * p.channels);
    return out;
}

void SetPixel(const ImagePlane& p, int32_t x, int32_t y, uint8_t b, uint8_t g, uint8_t r) {
    uint8_t* px = p.Row(y) + x * 3;
    px[0] = b;
    px[1] = g;
    px[2] = r;
}

class EditPatchTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(document.Create(20, 10));
        std::mt19937 random(1234);
        const ImagePlane p = document.Plane();
        for (int32_t y = 0; y < p.height; ++y)
            for (int32_t x = 0; x < p.width * 3; ++x)
                p.Row(y)[x] = static_cast<uint8_t>(random() % 200);  // never 0xEE
        original = Pixels(p);
        ASSERT_TRUE(patch.Begin(p));
    }

    CMemoryManager mm{NoReaper()};
    CImageBuffer document{&mm};
    std::vector<uint8_t> original;
    CImageEditPatch patch{&mm};
};

TEST_F(EditPatchTest, BeginCopiesTheCurrentState) {
    EXPECT_NE(patch.Working().data, document.Data());
    EXPECT_NE(patch.Base().data, document.Data());
    EXPECT_EQ(Pixels(patch.Working()), original);
    EXPECT_EQ(Pixels(patch.Base()), original);
    EXPECT_FALSE(patch.CanUndo());
    EXPECT_FALSE(patch.CanRedo());
}

TEST_F(EditPatchTest, TwoChangesUndoneTwiceRedoneOnceShowTheFirstOnly) {
    SetPixel(patch.Working(), 2, 3, 250, 250, 250);
    ASSERT_TRUE(patch.RecordStep());
    const std::vector<uint8_t> afterFirst = Pixels(patch.Working());
    SetPixel(patch.Working(), 15, 8, 1, 2, 3);
    SetPixel(patch.Working(), 16, 9, 4, 5, 6);
    ASSERT_TRUE(patch.RecordStep());
    EXPECT_EQ(patch.Step(), 4);
    EXPECT_EQ(patch.RecordCount(), 4u);

    ASSERT_TRUE(patch.UndoStep());
    EXPECT_EQ(Pixels(patch.Working()), afterFirst);
    ASSERT_TRUE(patch.UndoStep());
    EXPECT_EQ(Pixels(patch.Working()), original);
    EXPECT_EQ(Pixels(patch.Base()), original);
    EXPECT_FALSE(patch.UndoStep());

    ASSERT_TRUE(patch.RedoStep());
    EXPECT_EQ(Pixels(patch.Working()), afterFirst);
    EXPECT_EQ(Pixels(patch.Base()), afterFirst);
    EXPECT_TRUE(patch.CanRedo());
    // The document's image is never touched by the tool.
    EXPECT_EQ(Pixels(document.Plane()), original);
}

TEST_F(EditPatchTest, StepWithoutChangedPixelsRecordsNothing) {
    EXPECT_FALSE(patch.RecordStep());
    EXPECT_EQ(patch.Step(), 0);
    EXPECT_EQ(patch.RecordCount(), 0u);

    SetPixel(patch.Working(), 0, 0, 255, 255, 255);
    ASSERT_TRUE(patch.RecordStep());
    ASSERT_TRUE(patch.UndoStep());
    // Nothing changed since the undo: the redo stays available.
    EXPECT_FALSE(patch.RecordStep());
    EXPECT_TRUE(patch.CanRedo());
    EXPECT_EQ(patch.RecordCount(), 2u);
}

TEST_F(EditPatchTest, NewStepAfterUndoDropsTheRedoRecords) {
    SetPixel(patch.Working(), 1, 1, 255, 0, 0);
    ASSERT_TRUE(patch.RecordStep());
    const std::vector<uint8_t> afterFirst = Pixels(patch.Working());
    SetPixel(patch.Working(), 2, 2, 0, 255, 0);
    ASSERT_TRUE(patch.RecordStep());
    ASSERT_TRUE(patch.UndoStep());

    SetPixel(patch.Working(), 3, 3, 0, 0, 255);
    ASSERT_TRUE(patch.RecordStep());
    EXPECT_EQ(patch.RecordCount(), 4u);
    EXPECT_EQ(patch.Step(), 4);
    EXPECT_FALSE(patch.CanRedo());
    EXPECT_FALSE(patch.RedoStep());

    ASSERT_TRUE(patch.UndoStep());
    EXPECT_EQ(Pixels(patch.Working()), afterFirst);
}

// A record covers exactly the smallest rectangle around the changed pixels: undoing the
// step rewrites that rectangle and nothing else, which shows when the working copy has
// been overwritten everywhere in between.
TEST_F(EditPatchTest, RecordCoversTheSmallestRectangleAroundTheChanges) {
    SetPixel(patch.Working(), 10, 1, 9, 9, 9);
    ASSERT_TRUE(patch.RecordStep());
    const std::vector<uint8_t> afterFirst = Pixels(patch.Working());
    // Changed pixels at (3, 2), (7, 5) and a single byte (red) at (5, 4).
    SetPixel(patch.Working(), 3, 2, 1, 1, 1);
    SetPixel(patch.Working(), 7, 5, 2, 2, 2);
    patch.Working().Row(4)[5 * 3 + 2] ^= 0x01;
    ASSERT_TRUE(patch.RecordStep());

    const ImagePlane w = patch.Working();
    std::memset(w.data, 0xEE, w.SizeInBytes());
    ASSERT_TRUE(patch.UndoStep());
    for (int32_t y = 0; y < w.height; ++y) {
        for (int32_t x = 0; x < w.width; ++x) {
            const bool inside = x >= 3 && x <= 7 && y >= 2 && y <= 5;
            for (int c = 0; c < 3; ++c) {
                const uint8_t got = w.Row(y)[x * 3 + c];
                const uint8_t want = inside ? afterFirst[(y * w.width + x) * 3 + c] : 0xEE;
                ASSERT_EQ(got, want) << "x " << x << " y " << y << " c " << c;
            }
        }
    }
}

TEST(EditPatch, DestructorGivesEveryBlockBack) {
    CMemoryManager mm(NoReaper());
    CImageBuffer document(&mm);
    ASSERT_TRUE(document.Create(8, 8));  // 24 x 8 = 192 bytes
    {
        CImageEditPatch patch(&mm);
        ASSERT_TRUE(patch.Begin(document.Plane()));
        SetPixel(patch.Working(), 1, 1, 1, 1, 1);
        SetPixel(patch.Working(), 2, 3, 1, 1, 1);
        ASSERT_TRUE(patch.RecordStep());  // 2 x 3 pixels: two records of 18 bytes
        EXPECT_EQ(mm.FreeBytes(), 0u);
    }
    EXPECT_EQ(mm.FreeBytes(), 2u * 192 + 2u * 18);
}

TEST(EditPatch, BeginRefusesPlanesItCannotWalk) {
    CMemoryManager mm(NoReaper());
    CImageEditPatch patch(&mm);
    EXPECT_FALSE(patch.Begin(ImagePlane{}));
    uint8_t pixels[64] = {};
    EXPECT_FALSE(patch.Begin(ImagePlane{pixels, 4, 4, 3, 8}));  // rows shorter than 4 pixels
    EXPECT_FALSE(patch.Begin(ImagePlane{pixels, 4, 4, 0, 16}));
    EXPECT_FALSE(patch.RecordStep());
    EXPECT_FALSE(patch.UndoStep());
    EXPECT_FALSE(patch.RedoStep());
}

// Grey planes (one byte per pixel) are walked pixel by pixel too, never past their rows.
TEST(EditPatch, GreyPlanesRecordTheirOwnPixelSize) {
    CMemoryManager mm(NoReaper());
    auto* grey = static_cast<uint8_t*>(mm.Allocate(ImagePlane::BytesFor(9, 3, 1)));
    ASSERT_NE(grey, nullptr);
    const ImagePlane source = ImagePlane::Make(grey, 9, 3, 1);
    CImageEditPatch patch(&mm);
    ASSERT_TRUE(patch.Begin(source));
    patch.Working().Row(2)[8] = 200;
    ASSERT_TRUE(patch.RecordStep());
    patch.Working().Row(2)[8] = 0;
    patch.Working().Row(0)[0] = 7;
    ASSERT_TRUE(patch.RecordStep());
    ASSERT_TRUE(patch.UndoStep());
    EXPECT_EQ(patch.Working().Row(2)[8], 200);
    EXPECT_EQ(patch.Working().Row(0)[0], 0);
    ASSERT_TRUE(patch.UndoStep());
    EXPECT_EQ(patch.Working().Row(2)[8], 0);
    mm.Free(grey);
}

}  // namespace
