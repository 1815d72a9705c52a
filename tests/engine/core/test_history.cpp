// Undo histories: CImageRing (four document states) and CImageEditPatch (a tool's clicks).
#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>

#include "core/editpatch.h"
#include "core/imagebuffer.h"
#include "core/imagering.h"
#include "core/memorymanager.h"
#include "test_image.h"

using testimage::Image;
using testimage::SamePixels;

namespace {

CMemoryManager::Options NoReaper(size_t maxBlock = 0) {
    CMemoryManager::Options options;
    options.reaperPeriod = std::chrono::milliseconds(0);
    options.maxBlockSize = maxBlock;
    return options;
}

// Each state is filled with one value, so the state shown identifies the step it came from.
class ImageRingTest : public ::testing::Test {
protected:
    void Edit(uint8_t value) {
        const ImagePlane plane = ring.PrepareNextState(0, 0);
        ASSERT_TRUE(plane.IsValid());
        std::memset(plane.data, value, plane.SizeInBytes());
        ring.Commit();
    }
    // Undoes (or redoes) once per expected value, checking the state shown after each.
    void Walk(bool undo, std::initializer_list<int> shown) {
        for (int expected : shown) {
            ASSERT_TRUE(undo ? ring.Undo() : ring.Redo());
            EXPECT_EQ(ring.Current().data[0], expected);
        }
    }

    CMemoryManager mm{NoReaper()};
    CImageRing ring{&mm};
};

TEST_F(ImageRingTest, FourEditsAllowThreeUndosAndANewEditDropsTheRedo) {
    const ImagePlane first = ring.PrepareFirstState(7, 5);
    ASSERT_TRUE(first.IsValid());
    std::memset(first.data, 10, first.SizeInBytes());
    EXPECT_FALSE(ring.Undo());
    EXPECT_FALSE(ring.Redo());
    for (uint8_t v = 11; v <= 14; ++v) Edit(v);  // the fourth overwrites the loaded image
    ASSERT_EQ(ring.CurrentIndex(), 0);
    Walk(true, {13, 12, 11});
    EXPECT_FALSE(ring.Undo());
    Walk(false, {12, 13, 14});
    EXPECT_FALSE(ring.CanRedo());
    Walk(true, {13, 12});
    Edit(20);
    EXPECT_FALSE(ring.CanRedo());
    Walk(true, {12, 11});
    EXPECT_FALSE(ring.CanUndo());
}

// The next slot takes a missing size from the current state; the current one stays shown,
// also when the next cannot be had.
TEST(ImageRing, PrepareNextStateSizesTheNextSlotAndLeavesTheCurrentOne) {
    CMemoryManager mm(NoReaper(10000));
    CImageRing ring(&mm);
    ASSERT_TRUE(ring.PrepareFirstState(7, 5).IsValid());
    const ImagePlane wider = ring.PrepareNextState(9, 0);
    EXPECT_EQ(wider.data, ring.State(1).Data());
    EXPECT_EQ(wider.height, 5);
    EXPECT_EQ(wider.stride, 28);
    EXPECT_EQ(ring.PrepareNextState(100, 100).data, nullptr);
    EXPECT_TRUE(ring.Current().IsValid());
    EXPECT_EQ(ring.CurrentIndex(), 0);
}

void SetPixel(const ImagePlane& p, int32_t x, int32_t y, uint8_t value) { std::memset(p.Row(y) + x * 3, value, 3); }

class EditPatchTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(document.Create(20, 10));
        for (int32_t y = 0; y < 10; ++y) std::memcpy(document.Plane().Row(y), original.plane.Row(y), 60);
        ASSERT_TRUE(patch.Begin(document.Plane()));
    }

    const Image original = Image(20, 10).Random(1234, 0, 199);  // never 0xEE
    CMemoryManager mm{NoReaper()};
    CImageBuffer document{&mm};
    CImageEditPatch patch{&mm};
};

TEST_F(EditPatchTest, TwoChangesUndoneTwiceRedoneOnceShowTheFirstOnly) {
    EXPECT_FALSE(patch.RecordStep());  // nothing changed yet
    SetPixel(patch.Working(), 2, 3, 250);
    ASSERT_TRUE(patch.RecordStep());
    const Image afterFirst(patch.Working());
    SetPixel(patch.Working(), 15, 8, 1);
    SetPixel(patch.Working(), 16, 9, 4);
    ASSERT_TRUE(patch.RecordStep());

    ASSERT_TRUE(patch.UndoStep());
    EXPECT_TRUE(SamePixels(patch.Working(), afterFirst.plane));
    ASSERT_TRUE(patch.UndoStep());
    EXPECT_TRUE(SamePixels(patch.Working(), original.plane));
    EXPECT_TRUE(SamePixels(patch.Base(), original.plane));
    EXPECT_FALSE(patch.UndoStep());
    ASSERT_TRUE(patch.RedoStep());
    EXPECT_TRUE(SamePixels(patch.Working(), afterFirst.plane));
    EXPECT_TRUE(SamePixels(patch.Base(), afterFirst.plane));
    // Nothing changed since the redo: no step is recorded and the second redo stays.
    EXPECT_FALSE(patch.RecordStep());
    EXPECT_TRUE(patch.CanRedo());
    EXPECT_TRUE(SamePixels(document.Plane(), original.plane));  // the tool never touches the document

    SetPixel(patch.Working(), 3, 3, 255);  // a new step drops the redo record
    ASSERT_TRUE(patch.RecordStep());
    EXPECT_EQ(patch.RecordCount(), 4u);
    EXPECT_FALSE(patch.RedoStep());
    ASSERT_TRUE(patch.UndoStep());
    EXPECT_TRUE(SamePixels(patch.Working(), afterFirst.plane));
}

// Undo rewrites exactly the smallest rectangle around the changed pixels, which shows once
// the working copy has been overwritten everywhere.
TEST_F(EditPatchTest, RecordCoversTheSmallestRectangleAroundTheChanges) {
    SetPixel(patch.Working(), 10, 1, 9);
    ASSERT_TRUE(patch.RecordStep());
    const Image afterFirst(patch.Working());
    SetPixel(patch.Working(), 3, 2, 1);
    SetPixel(patch.Working(), 7, 5, 2);
    patch.Working().Row(4)[5 * 3 + 2] ^= 0x01;  // a single byte
    ASSERT_TRUE(patch.RecordStep());

    const ImagePlane w = patch.Working();
    std::memset(w.data, 0xEE, w.SizeInBytes());
    ASSERT_TRUE(patch.UndoStep());
    for (int32_t y = 0; y < w.height; ++y)
        for (int32_t x = 0; x < w.width * 3; ++x) {
            const bool inside = x >= 3 * 3 && x < 8 * 3 && y >= 2 && y <= 5;
            ASSERT_EQ(w.Row(y)[x], inside ? afterFirst.plane.Row(y)[x] : 0xEE) << "byte " << x << " row " << y;
        }
}

TEST(EditPatch, RefusesPlanesItCannotWalkAndGivesEveryBlockBack) {
    CMemoryManager mm(NoReaper());
    uint8_t pixels[64] = {};
    {
        CImageEditPatch patch(&mm);
        EXPECT_FALSE(patch.Begin(ImagePlane{}));
        EXPECT_FALSE(patch.Begin(ImagePlane{pixels, 4, 4, 3, 8}));  // rows shorter than 4 pixels
        EXPECT_FALSE(patch.Begin(ImagePlane{pixels, 4, 4, 0, 16}));
        EXPECT_FALSE(patch.RecordStep());
        EXPECT_FALSE(patch.UndoStep());

        Image document(8, 8);  // 192 bytes
        ASSERT_TRUE(patch.Begin(document.plane));
        SetPixel(patch.Working(), 1, 1, 1);
        SetPixel(patch.Working(), 2, 3, 1);
        ASSERT_TRUE(patch.RecordStep());  // 2 x 3 pixels: two records of 18 bytes
        EXPECT_EQ(mm.FreeBytes(), 0u);
    }
    EXPECT_EQ(mm.FreeBytes(), 2u * 192 + 2u * 18);
}

// Grey planes (one byte per pixel) are walked pixel by pixel too, never past their rows.
TEST(EditPatch, GreyPlanesRecordTheirOwnPixelSize) {
    CMemoryManager mm(NoReaper());
    Image grey(9, 3, 1);
    CImageEditPatch patch(&mm);
    ASSERT_TRUE(patch.Begin(grey.plane));
    patch.Working().Row(2)[8] = 200;
    ASSERT_TRUE(patch.RecordStep());
    patch.Working().Row(2)[8] = 0;
    patch.Working().Row(0)[0] = 7;
    ASSERT_TRUE(patch.RecordStep());
    ASSERT_TRUE(patch.UndoStep());
    EXPECT_EQ(patch.Working().Row(2)[8], 200);
    EXPECT_EQ(patch.Working().Row(0)[0], 0);
}

}  // namespace
