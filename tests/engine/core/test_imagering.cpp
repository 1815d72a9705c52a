// CImageRing: the four-state history with undo and redo.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>

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
    void Load(uint8_t value, int32_t width = 7, int32_t height = 5) {
        ImagePlane plane = ring.PrepareFirstState(width, height);
        ASSERT_TRUE(plane.IsValid());
        std::memset(plane.data, value, plane.SizeInBytes());
    }
    void Edit(uint8_t value) {
        ImagePlane plane = ring.PrepareNextState(0, 0);
        ASSERT_TRUE(plane.IsValid());
        std::memset(plane.data, value, plane.SizeInBytes());
        ring.Commit();
    }
    int Shown() const {
        const ImagePlane current = ring.Current();
        if (!current.IsValid()) return -1;
        const uint8_t first = current.data[0];
        for (int32_t y = 0; y < current.height; ++y)
            for (int32_t x = 0; x < current.width * 3; ++x)
                if (current.Row(y)[x] != first) return -2;
        return first;
    }

    CMemoryManager mm{NoReaper()};
    CImageRing ring{&mm};
};

TEST_F(ImageRingTest, NothingToUndoOrRedoAfterLoad) {
    Load(10);
    EXPECT_FALSE(ring.CanUndo());
    EXPECT_FALSE(ring.CanRedo());
    EXPECT_FALSE(ring.Undo());
    EXPECT_FALSE(ring.Redo());
    EXPECT_EQ(Shown(), 10);
    EXPECT_EQ(ring.CurrentIndex(), 0);
}

TEST_F(ImageRingTest, FourEditsAllowThreeUndosBackToTheFirstEdit) {
    Load(10);
    Edit(11);
    Edit(12);
    Edit(13);
    Edit(14);  // overwrites the loaded image in slot 0
    EXPECT_EQ(ring.CurrentIndex(), 0);
    EXPECT_EQ(ring.UndoDepth(), 3);
    EXPECT_EQ(Shown(), 14);

    for (int expected : {13, 12, 11}) {
        ASSERT_TRUE(ring.CanUndo());
        ASSERT_TRUE(ring.Undo());
        EXPECT_EQ(Shown(), expected);
    }
    EXPECT_FALSE(ring.CanUndo());
    EXPECT_FALSE(ring.Undo());
    EXPECT_EQ(Shown(), 11);

    // And all three come back.
    for (int expected : {12, 13, 14}) {
        ASSERT_TRUE(ring.Redo());
        EXPECT_EQ(Shown(), expected);
    }
    EXPECT_FALSE(ring.CanRedo());
}

TEST_F(ImageRingTest, RedoBringsTheEditBackOnce) {
    Load(10);
    Edit(11);
    ASSERT_TRUE(ring.Undo());
    EXPECT_EQ(Shown(), 10);
    EXPECT_TRUE(ring.CanRedo());
    ASSERT_TRUE(ring.Redo());
    EXPECT_EQ(Shown(), 11);
    EXPECT_FALSE(ring.CanRedo());
    EXPECT_TRUE(ring.CanUndo());
}

TEST_F(ImageRingTest, NewEditAfterUndoDropsTheRedo) {
    Load(10);
    Edit(11);
    Edit(12);
    ASSERT_TRUE(ring.Undo());
    Edit(20);
    EXPECT_FALSE(ring.CanRedo());
    EXPECT_EQ(Shown(), 20);
    ASSERT_TRUE(ring.Undo());
    EXPECT_EQ(Shown(), 11);
    ASSERT_TRUE(ring.Undo());
    EXPECT_EQ(Shown(), 10);
    EXPECT_FALSE(ring.CanUndo());
}

// Stepping back from slot 0 goes to slot 3 when that slot holds an image.
TEST_F(ImageRingTest, UndoFromSlotZeroWrapsToSlotThree) {
    Load(10);
    for (uint8_t v = 11; v <= 14; ++v) Edit(v);
    ASSERT_EQ(ring.CurrentIndex(), 0);
    ASSERT_TRUE(ring.Undo());
    EXPECT_EQ(ring.CurrentIndex(), 3);
}

// ... and stays on slot 0 when slot 3 never received a block (empty images only).
TEST_F(ImageRingTest, UndoFromSlotZeroStaysWhenSlotThreeIsEmpty) {
    ring.PrepareFirstState(0, 0);
    for (int i = 0; i < 4; ++i) {
        ring.PrepareNextState(0, 0);
        ring.Commit();
    }
    ASSERT_EQ(ring.CurrentIndex(), 0);
    ASSERT_EQ(ring.State(3).Data(), nullptr);
    ASSERT_TRUE(ring.Undo());
    EXPECT_EQ(ring.CurrentIndex(), 0);
    EXPECT_EQ(ring.UndoDepth(), 2);
}

TEST_F(ImageRingTest, PrepareNextStateSizesTheNextSlotAndLeavesTheCurrentOne) {
    Load(10, 7, 5);
    ImagePlane same = ring.PrepareNextState(0, 0);
    EXPECT_EQ(same.width, 7);
    EXPECT_EQ(same.height, 5);
    EXPECT_EQ(same.stride, 24);
    EXPECT_EQ(same.channels, 3);
    EXPECT_EQ(same.data, ring.State(1).Data());

    ImagePlane wider = ring.PrepareNextState(9, 0);  // height from the current state
    EXPECT_EQ(wider.width, 9);
    EXPECT_EQ(wider.height, 5);
    EXPECT_EQ(wider.stride, 28);

    ImagePlane turned = ring.PrepareNextState(5, 7);
    EXPECT_EQ(turned.width, 5);
    EXPECT_EQ(turned.height, 7);
    EXPECT_EQ(ring.CurrentIndex(), 0);
    EXPECT_EQ(Shown(), 10);
    EXPECT_FALSE(ring.CanUndo());
}

TEST(ImageRing, FailedPreparationGivesANullPlane) {
    CMemoryManager mm(NoReaper(10000));
    CImageRing ring(&mm);
    ASSERT_TRUE(ring.PrepareFirstState(40, 40).IsValid());  // 4,800 bytes
    const ImagePlane next = ring.PrepareNextState(100, 100);
    EXPECT_EQ(next.data, nullptr);
    EXPECT_FALSE(next.IsValid());
    EXPECT_TRUE(ring.Current().IsValid());
    EXPECT_EQ(ring.CurrentIndex(), 0);
}

}  // namespace
