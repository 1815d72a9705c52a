// CImageBuffer and CFastArray on a private allocator.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>

#include "core/fastarray.h"
#include "core/imagebuffer.h"
#include "core/memorymanager.h"

namespace {

CMemoryManager::Options NoReaper(size_t maxBlock = 0) {
    CMemoryManager::Options options;
    options.reaperPeriod = std::chrono::milliseconds(0);
    options.maxBlockSize = maxBlock;
    return options;
}

bool AllZero(const uint8_t* data, size_t bytes) {
    for (size_t i = 0; i < bytes; ++i)
        if (data[i] != 0) return false;
    return true;
}

TEST(ImageBuffer, NewBufferHoldsNothing) {
    CMemoryManager mm(NoReaper());
    CImageBuffer buffer(&mm);
    EXPECT_EQ(buffer.Data(), nullptr);
    EXPECT_EQ(buffer.Capacity(), 0u);
    EXPECT_EQ(buffer.Width(), 0);
    EXPECT_EQ(buffer.Height(), 0);
    EXPECT_FALSE(buffer.Plane().IsValid());
}

TEST(ImageBuffer, CreatePadsRowsToFourBytesAndClears) {
    CMemoryManager mm(NoReaper());
    // Dirty the block the buffer will be given, to see that Create clears it.
    void* dirty = mm.Allocate(32);
    std::memset(dirty, 0x77, 32);
    mm.Free(dirty);

    CImageBuffer buffer(&mm);
    ASSERT_TRUE(buffer.Create(5, 2));
    EXPECT_EQ(buffer.Data(), dirty);
    EXPECT_EQ(buffer.Stride(), 16);
    EXPECT_GE(buffer.Capacity(), 32u);
    EXPECT_TRUE(AllZero(buffer.Data(), buffer.Capacity()));
    const ImagePlane plane = buffer.Plane();
    EXPECT_EQ(plane.data, buffer.Data());
    EXPECT_EQ(plane.width, 5);
    EXPECT_EQ(plane.height, 2);
    EXPECT_EQ(plane.channels, 3);
    EXPECT_EQ(plane.stride, 16);
}

TEST(ImageBuffer, SmallerImageKeepsTheBlockAndClearsAllOfIt) {
    CMemoryManager mm(NoReaper());
    CImageBuffer buffer(&mm);
    ASSERT_TRUE(buffer.Create(100, 50));
    uint8_t* block = buffer.Data();
    const size_t capacity = buffer.Capacity();
    std::memset(block, 0x5A, capacity);

    ASSERT_TRUE(buffer.Create(10, 10));
    EXPECT_EQ(buffer.Data(), block);
    EXPECT_EQ(buffer.Capacity(), capacity);
    EXPECT_EQ(buffer.Width(), 10);
    EXPECT_EQ(buffer.Height(), 10);
    EXPECT_TRUE(AllZero(block, capacity));  // the whole block, not just the new image
    EXPECT_EQ(mm.SystemAllocations(), 1u);
}

TEST(ImageBuffer, LargerImageReturnsTheOldBlockAndTheDestructorTheNew) {
    CMemoryManager mm(NoReaper());
    {
        CImageBuffer buffer(&mm);
        ASSERT_TRUE(buffer.Create(10, 10));
        ASSERT_TRUE(buffer.Create(100, 100));
        EXPECT_EQ(buffer.Capacity(), size_t{300} * 100);
        EXPECT_EQ(mm.FreeBytes(), size_t{32} * 10);
    }
    EXPECT_EQ(mm.FreeBytes(), size_t{32} * 10 + size_t{300} * 100);
}

TEST(ImageBuffer, NegativeSizesAreRefused) {
    CMemoryManager mm(NoReaper());
    CImageBuffer buffer(&mm);
    ASSERT_TRUE(buffer.Create(4, 4));
    EXPECT_FALSE(buffer.Create(-1, 4));
    EXPECT_EQ(buffer.Data(), nullptr);
    EXPECT_FALSE(buffer.Create(4, -1));
    EXPECT_FALSE(buffer.Create(0x7FFFFFFF, 1));  // stride would not fit 32 bits
    EXPECT_EQ(buffer.Data(), nullptr);
    EXPECT_FALSE(buffer.Plane().IsValid());
}

TEST(ImageBuffer, FailedAllocationReportsFalseAndHoldsNoBlock) {
    CMemoryManager mm(NoReaper(1000));
    CImageBuffer buffer(&mm);
    ASSERT_TRUE(buffer.Create(10, 10));  // 320 bytes
    EXPECT_FALSE(buffer.Create(100, 100));
    EXPECT_EQ(buffer.Data(), nullptr);
    EXPECT_EQ(buffer.Capacity(), 0u);
    EXPECT_FALSE(buffer.Plane().IsValid());
    EXPECT_EQ(mm.FreeBytes(), 320u);  // the old block went back
    // The buffer is usable again afterwards.
    EXPECT_TRUE(buffer.Create(5, 2));
    EXPECT_NE(buffer.Data(), nullptr);
}

struct Entry {
    uint32_t id;
    char name[20];
};

TEST(FastArray, FirstTouchOfElement500AllocatesChunksZeroAndOne) {
    CMemoryManager mm(NoReaper());
    CFastArray array(sizeof(Entry), &mm);
    EXPECT_EQ(array.ChunkCount(), 0u);
    auto* e500 = static_cast<uint8_t*>(array.At(500));
    ASSERT_NE(e500, nullptr);
    EXPECT_EQ(array.ChunkCount(), 2u);
    EXPECT_EQ(mm.BlockCount(), 2u);

    const size_t slot = sizeof(Entry) + 4;
    auto* e0 = static_cast<uint8_t*>(array.At(0));
    EXPECT_EQ(static_cast<uint8_t*>(array.At(1)) - e0, static_cast<ptrdiff_t>(slot));
    EXPECT_EQ(static_cast<uint8_t*>(array.At(499)) - e0, static_cast<ptrdiff_t>(499 * slot));
    EXPECT_EQ(static_cast<uint8_t*>(array.At(501)) - e500, static_cast<ptrdiff_t>(slot));
    EXPECT_EQ(array.ChunkCount(), 2u);

    // Each chunk is 500 slots, and elements 0 and 500 sit 4 bytes past their chunk's start:
    // once the chunks are given back, the allocator hands exactly those addresses out again.
    array.Clear();
    EXPECT_EQ(array.ChunkCount(), 0u);
    EXPECT_EQ(mm.FreeBytes(), 2 * 500 * slot);
    auto* c1 = static_cast<uint8_t*>(mm.Allocate(500 * slot));
    auto* c2 = static_cast<uint8_t*>(mm.Allocate(500 * slot));
    EXPECT_TRUE((c1 == e0 - 4 && c2 == e500 - 4) || (c1 == e500 - 4 && c2 == e0 - 4));
}

TEST(FastArray, ElementsStartZeroedAndKeepTheirValues) {
    CMemoryManager mm(NoReaper());
    CFastArray array(sizeof(Entry), &mm);
    for (uint32_t i = 0; i < 1234; ++i) {
        Entry* e = array.As<Entry>(i);
        ASSERT_NE(e, nullptr);
        EXPECT_EQ(e->id, 0u);
        e->id = i * 3 + 1;
        std::snprintf(e->name, sizeof(e->name), "n%u", i);
    }
    EXPECT_EQ(array.ChunkCount(), 3u);
    for (uint32_t i = 0; i < 1234; ++i) {
        EXPECT_EQ(array.As<Entry>(i)->id, i * 3 + 1);
        EXPECT_EQ(std::string(array.As<Entry>(i)->name), "n" + std::to_string(i));
    }
}

TEST(FastArray, ChunkThatCannotBeHadGivesNull) {
    CMemoryManager mm(NoReaper(1000));
    CFastArray array(sizeof(Entry), &mm);  // 12,000-byte chunks
    EXPECT_EQ(array.At(0), nullptr);
    EXPECT_EQ(array.ChunkCount(), 0u);
}

TEST(FastArray, DestructorGivesEveryChunkBack) {
    CMemoryManager mm(NoReaper());
    {
        CFastArray array(8, &mm);
        ASSERT_NE(array.At(1499), nullptr);
        EXPECT_EQ(mm.FreeBytes(), 0u);
    }
    EXPECT_EQ(mm.FreeBytes(), 3u * 500 * 12);
}

}  // namespace
