// Undo histories: CImageRing (four document states) and CImageEditPatch (a tool's clicks).
#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <random>
#include <vector>

#include "core/editpatch.h"
#include "core/imagebuffer.h"
#include "core/imagering.h"
#include "core/memorymanager.h"

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
    void Load(uint8_t value) {
        const ImagePlane plane = ring.PrepareFirstState(7, 5);
        ASSERT_TRUE(plane.IsValid());
        std::memset(plane.data, value, plane.SizeInBytes());
    }
    void Edit(uint8_t value) {
        const ImagePlane plane = ring.PrepareNextState(0, 0);
        ASSERT_TRUE(plane.IsValid());
        std::memset(plane.data, value, plane.SizeInBytes());
        ring.Commit();
    }
    int Shown() const { return ring.Current().IsValid() ? ring.Current().data[0] : -1; }

    CMemoryManager mm{NoReaper()};
    CImageRing ring{&mm};
};

TEST_F(ImageRingTest, FourEditsAllowThreeUndosAndAllThreeRedos) {
    Load(10);
    EXPECT_FALSE(ring.Undo());
    EXPECT_FALSE(ring.Redo());
    for (uint8_t v = 11; v <= 14; ++v) Edit(v);  // the fourth overwrites the loaded image
    ASSERT_EQ(ring.CurrentIndex(), 0);
    for (int expected : {13, 12, 11}) {
        ASSERT_TRUE(ring.Undo());
        EXPECT_EQ(Shown(), expected);
    }
    EXPECT_FALSE(ring.Undo());
    for (int expected : {12, 13, 14}) {
        ASSERT_TRUE(ring.Redo());
        EXPECT_EQ(Shown(), expected);
    }
    EXPECT_FALSE(ring.CanRedo());
}

TEST_F(ImageRingTest, NewEditAfterUndoDropsTheRedo) {
    Load(10);
    Edit(11);
    Edit(12);
    ASSERT_TRUE(ring.Undo());
    Edit(20);
    EXPECT_FALSE(ring.CanRedo());
    for (int expected : {11, 10}) {
        ASSERT_TRUE(ring.Undo());
        EXPECT_EQ(Shown(), expected);
    }
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

std::vector<uint8_t> Pixels(const ImagePlane& p) {
    std::vector<uint8_t> out;
    for (int32_t y = 0; y < p.height; ++y)
        out.insert(out.end(), p.Row(y), p.Row(y) + p.width * p.channels);
    return out;
}

void SetPixel(const ImagePlane& p, int32_t x, int32_t y, uint8_t value) {
    std::memset(p.Row(y) + x * 3, value, 3);
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

TEST_F(EditPatchTest, TwoChangesUndoneTwiceRedoneOnceShowTheFirstOnly) {
    EXPECT_FALSE(patch.RecordStep());  // nothing changed yet
    SetPixel(patch.Working(), 2, 3, 250);
    ASSERT_TRUE(patch.RecordStep());
    const std::vector<uint8_t> afterFirst = Pixels(patch.Working());
    SetPixel(patch.Working(), 15, 8, 1);
    SetPixel(patch.Working(), 16, 9, 4);
    ASSERT_TRUE(patch.RecordStep());

    ASSERT_TRUE(patch.UndoStep());
    EXPECT_EQ(Pixels(patch.Working()), afterFirst);
    ASSERT_TRUE(patch.UndoStep());
    EXPECT_EQ(Pixels(patch.Working()), original);
    EXPECT_EQ(Pixels(patch.Base()), original);
    EXPECT_FALSE(patch.UndoStep());
    ASSERT_TRUE(patch.RedoStep());
    EXPECT_EQ(Pixels(patch.Working()), afterFirst);
    EXPECT_EQ(Pixels(patch.Base()), afterFirst);
    // Nothing changed since the redo: no step is recorded and the second redo stays.
    EXPECT_FALSE(patch.RecordStep());
    EXPECT_TRUE(patch.CanRedo());
    EXPECT_EQ(Pixels(document.Plane()), original);  // the tool never touches the document

    SetPixel(patch.Working(), 3, 3, 255);  // a new step drops the redo record
    ASSERT_TRUE(patch.RecordStep());
    EXPECT_EQ(patch.RecordCount(), 4u);
    EXPECT_FALSE(patch.RedoStep());
    ASSERT_TRUE(patch.UndoStep());
    EXPECT_EQ(Pixels(patch.Working()), afterFirst);
}

// Undo rewrites exactly the smallest rectangle around the changed pixels, which shows once
// the working copy has been overwritten everywhere.
TEST_F(EditPatchTest, RecordCoversTheSmallestRectangleAroundTheChanges) {
    SetPixel(patch.Working(), 10, 1, 9);
    ASSERT_TRUE(patch.RecordStep());
    const std::vector<uint8_t> afterFirst = Pixels(patch.Working());
    SetPixel(patch.Working(), 3, 2, 1);
    SetPixel(patch.Working(), 7, 5, 2);
    patch.Working().Row(4)[5 * 3 + 2] ^= 0x01;  // a single byte
    ASSERT_TRUE(patch.RecordStep());

    const ImagePlane w = patch.Working();
    std::memset(w.data, 0xEE, w.SizeInBytes());
    ASSERT_TRUE(patch.UndoStep());
    for (int32_t y = 0; y < w.height; ++y) {
        for (int32_t x = 0; x < w.width * 3; ++x) {
            const bool inside = x >= 3 * 3 && x < 8 * 3 && y >= 2 && y <= 5;
            ASSERT_EQ(w.Row(y)[x], inside ? afterFirst[y * w.width * 3 + x] : 0xEE)
                << "byte " << x << " row " << y;
        }
    }
}

TEST(EditPatch, DestructorGivesEveryBlockBack) {
    CMemoryManager mm(NoReaper());
    CImageBuffer document(&mm);
    ASSERT_TRUE(document.Create(8, 8));  // 192 bytes
    {
        CImageEditPatch patch(&mm);
        ASSERT_TRUE(patch.Begin(document.Plane()));
        SetPixel(patch.Working(), 1, 1, 1);
        SetPixel(patch.Working(), 2, 3, 1);
        ASSERT_TRUE(patch.RecordStep());  // 2 x 3 pixels: two records of 18 bytes
        EXPECT_EQ(mm.FreeBytes(), 0u);
    }
    EXPECT_EQ(mm.FreeBytes(), 2u * 192 + 2u * 18);
}

TEST(EditPatch, BeginRefusesPlanesItCannotWalk) {
    CMemoryManager mm(NoReaper());
    CImageEditPatch patch(&mm);
    uint8_t pixels[64] = {};
    EXPECT_FALSE(patch.Begin(ImagePlane{}));
    EXPECT_FALSE(patch.Begin(ImagePlane{pixels, 4, 4, 3, 8}));  // rows shorter than 4 pixels
    EXPECT_FALSE(patch.Begin(ImagePlane{pixels, 4, 4, 0, 16}));
    EXPECT_FALSE(patch.RecordStep());
    EXPECT_FALSE(patch.UndoStep());
}

// Grey planes (one byte per pixel) are walked pixel by pixel too, never past their rows.
TEST(EditPatch, GreyPlanesRecordTheirOwnPixelSize) {
    CMemoryManager mm(NoReaper());
    auto* grey = static_cast<uint8_t*>(mm.Allocate(ImagePlane::BytesFor(9, 3, 1)));
    CImageEditPatch patch(&mm);
    ASSERT_TRUE(patch.Begin(ImagePlane::Make(grey, 9, 3, 1)));
    patch.Working().Row(2)[8] = 200;
    ASSERT_TRUE(patch.RecordStep());
    patch.Working().Row(2)[8] = 0;
    patch.Working().Row(0)[0] = 7;
    ASSERT_TRUE(patch.RecordStep());
    ASSERT_TRUE(patch.UndoStep());
    EXPECT_EQ(patch.Working().Row(2)[8], 200);
    EXPECT_EQ(patch.Working().Row(0)[0], 0);
    mm.Free(grey);
}

}  // namespace
