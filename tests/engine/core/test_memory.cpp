// CMemoryManager (reuse rule, zeroing, ordering, unknown frees, the reaper, threads) and the
// blocks built on it: CImageBuffer and CFastArray.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstdint>
#include <cstring>
#include <memory>
#include <thread>
#include <utility>
#include <vector>

#include "core/fastarray.h"
#include "core/imagebuffer.h"
#include "core/memorymanager.h"

namespace {

using namespace std::chrono_literals;

// A manager on a clock the test moves by hand, with no reaper thread unless asked for.
struct ManagedClock {
    std::shared_ptr<std::atomic<double>> now = std::make_shared<std::atomic<double>>(1000.0);

    CMemoryManager::Options Options(std::chrono::milliseconds period = 0ms, size_t maxBlock = 0) const {
        CMemoryManager::Options options;
        options.clock = [clock = now] { return clock->load(); };
        options.reaperPeriod = period;
        options.maxBlockSize = maxBlock;
        return options;
    }
    void Advance(double seconds) { now->store(now->load() + seconds); }
};

CMemoryManager::Options NoReaper(size_t maxBlock = 0) { return ManagedClock().Options(0ms, maxBlock); }

bool AllBytesAre(const void* block, size_t from, size_t to, uint8_t value) {
    const auto* bytes = static_cast<const uint8_t*>(block);
    for (size_t i = from; i < to; ++i)
        if (bytes[i] != value) return false;
    return true;
}

// A freed block serves a request of more than half its size, and then only the requested
// bytes are cleared; checked on a heap block and a mapped one.
TEST(MemoryManager, ReusesAFreedBlockForMoreThanHalfItsSizeAndZeroesTheRequest) {
    for (size_t blockSize : {size_t{1500}, size_t{3} << 20}) {
        SCOPED_TRACE(blockSize);
        ManagedClock clock;
        CMemoryManager mm(clock.Options());
        void* block = mm.Allocate(blockSize);
        ASSERT_NE(block, nullptr);
        EXPECT_TRUE(AllBytesAre(block, 0, blockSize, 0));
        std::memset(block, 0xAB, blockSize);
        mm.Free(block);
        EXPECT_NE(mm.Allocate(blockSize / 2), block);  // exactly half gets a block of its own
        EXPECT_NE(mm.Allocate(blockSize + 1), block);
        const size_t request = blockSize / 2 + 1;
        ASSERT_EQ(mm.Allocate(request), block);
        EXPECT_TRUE(AllBytesAre(block, 0, request, 0));
        EXPECT_TRUE(AllBytesAre(block, request, blockSize, 0xAB));
        EXPECT_EQ(mm.SystemAllocations(), 3u);
    }
}

TEST(MemoryManager, IgnoresFreeOfNullUnknownAndAlreadyFreeAddresses) {
    ManagedClock clock;
    CMemoryManager mm(clock.Options());
    auto* block = static_cast<uint8_t*>(mm.Allocate(1000));
    int local = 0;
    mm.Free(nullptr);
    mm.Free(&local);
    mm.Free(block + 1);
    EXPECT_EQ(mm.FreeBytes(), 0u);
    EXPECT_NE(mm.Allocate(1000), block);  // still in use
    mm.Free(block);
    mm.Free(block);
    EXPECT_EQ(mm.FreeBytes(), 1000u);
}

TEST(MemoryManagerReaper, FreesOnlyBlocksIdleForMoreThanTheLimit) {
    ManagedClock clock;
    CMemoryManager mm(clock.Options());
    void* idle = mm.Allocate(1000);
    void* reused = mm.Allocate(3000);
    ASSERT_NE(mm.Allocate(2000), nullptr);  // stays in use
    mm.Free(idle);
    mm.Free(reused);
    clock.Advance(8);
    ASSERT_EQ(mm.Allocate(3000), reused);  // reuse restarts the idle time
    mm.Free(reused);
    clock.Advance(2);
    mm.ReapIdleBlocks();  // `idle` idle for exactly 10 s: kept
    EXPECT_EQ(mm.BlockCount(), 3u);
    clock.Advance(0.5);
    mm.ReapIdleBlocks();
    EXPECT_EQ(mm.BlockCount(), 2u);
    EXPECT_EQ(mm.FreeBytes(), 3000u);
    clock.Advance(1000);  // the block in use survives any idle time
    mm.ReapIdleBlocks();
    EXPECT_EQ(mm.BlockCount(), 1u);
    EXPECT_EQ(mm.FreeBytes(), 0u);
}

// Threads allocating and returning blocks of similar sizes never share a block, while the
// reaper thread runs beside them; afterwards it reaps the idle blocks on its own.
TEST(MemoryManager, ConcurrentUseNeverHandsOneBlockToTwoThreads) {
    ManagedClock clock;
    CMemoryManager mm(clock.Options(1ms));
    std::atomic<int> clashes{0};
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t) {
        threads.emplace_back([&, t] {
            const auto mark = static_cast<uint8_t>(t + 1);
            for (int i = 0; i < 300; ++i) {
                const size_t size = 4000 + static_cast<size_t>((i * 7 + t * 13) % 50) * 10;
                auto* block = static_cast<uint8_t*>(mm.Allocate(size));
                if (!block || !AllBytesAre(block, 0, size, 0)) { ++clashes; continue; }
                std::memset(block, mark, size);
                std::this_thread::yield();
                if (!AllBytesAre(block, 0, size, mark)) ++clashes;
                mm.Free(block);
            }
        });
    }
    for (auto& thread : threads) thread.join();
    EXPECT_EQ(clashes.load(), 0);

    clock.Advance(11);  // the deadline only matters when the reaper thread is broken
    const auto deadline = std::chrono::steady_clock::now() + 10s;
    while (mm.BlockCount() > 0 && std::chrono::steady_clock::now() < deadline)
        std::this_thread::sleep_for(5ms);
    EXPECT_EQ(mm.BlockCount(), 0u);
}

// A smaller image keeps the block and clears all of it; a larger one returns it.
TEST(ImageBuffer, CreateKeepsOrReturnsTheBlockAndClearsIt) {
    CMemoryManager mm(NoReaper());
    {
        CImageBuffer buffer(&mm);
        ASSERT_TRUE(buffer.Create(100, 50));
        uint8_t* block = buffer.Data();
        std::memset(block, 0x5A, 15000);
        ASSERT_TRUE(buffer.Create(5, 2));
        EXPECT_EQ(buffer.Data(), block);
        EXPECT_EQ(buffer.Plane().stride, 16);  // rows padded to four bytes
        EXPECT_TRUE(AllBytesAre(block, 0, 15000, 0));     // the whole block, not just the new image
        ASSERT_TRUE(buffer.Create(100, 100));
        EXPECT_EQ(mm.FreeBytes(), 15000u);
    }
    EXPECT_EQ(mm.FreeBytes(), 15000u + 30000u);
}

// Bad sizes and failed allocations leave an empty buffer and give the old block back.
TEST(ImageBuffer, RefusedOrFailedCreateHoldsNoBlock) {
    CMemoryManager mm(NoReaper(1000));
    CImageBuffer buffer(&mm);
    for (auto [width, height] : {std::pair{-1, 4}, {4, -1}, {0x7FFFFFFF, 1}, {100, 100}}) {
        SCOPED_TRACE(width);
        ASSERT_TRUE(buffer.Create(10, 10));  // 320 bytes
        EXPECT_FALSE(buffer.Create(width, height));
        EXPECT_EQ(buffer.Data(), nullptr);
        EXPECT_EQ(buffer.Capacity(), 0u);
        EXPECT_FALSE(buffer.Plane().IsValid());
        EXPECT_EQ(mm.FreeBytes(), 320u);
    }
}

struct Entry {
    uint32_t id;
    char name[20];
};

// Chunks of 500 slots, each slot a 4-byte header and the element; elements start zeroed
// (also in reused chunks), keep their values and go back with the array.
TEST(FastArray, ChunksOf500SlotsZeroedOnFirstTouchAndGivenBack) {
    CMemoryManager mm(NoReaper());
    const size_t slot = sizeof(Entry) + 4;
    {
        CFastArray array(sizeof(Entry), &mm);
        auto* e500 = static_cast<uint8_t*>(array.At(500));
        ASSERT_NE(e500, nullptr);
        EXPECT_EQ(array.ChunkCount(), 2u);
        auto* e0 = static_cast<uint8_t*>(array.At(0));
        EXPECT_EQ(static_cast<uint8_t*>(array.At(499)) - e0, static_cast<ptrdiff_t>(499 * slot));
        EXPECT_EQ(static_cast<uint8_t*>(array.At(501)) - e500, static_cast<ptrdiff_t>(slot));
        std::memset(e500, 0xAB, sizeof(Entry));
        array.Clear();
        EXPECT_EQ(mm.FreeBytes(), 2 * 500 * slot);
        for (uint32_t i = 0; i < 1234; ++i) {
            Entry* e = array.As<Entry>(i);
            ASSERT_NE(e, nullptr);
            ASSERT_EQ(e->id, 0u);
            e->id = i * 3 + 1;
        }
        for (uint32_t i = 0; i < 1234; ++i) ASSERT_EQ(array.As<Entry>(i)->id, i * 3 + 1);
        EXPECT_EQ(mm.FreeBytes(), 0u);
    }
    EXPECT_EQ(mm.FreeBytes(), 3u * 500 * slot);

    CMemoryManager small(NoReaper(1000));
    CFastArray refused(sizeof(Entry), &small);  // 12,000-byte chunks cannot be had
    EXPECT_EQ(refused.At(0), nullptr);
    EXPECT_EQ(refused.ChunkCount(), 0u);
}

}  // namespace
