// CMemoryManager: reuse rule, zeroing, ordering, unknown frees, the reaper.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstdint>
#include <cstring>
#include <memory>
#include <thread>
#include <vector>

#include "core/memorymanager.h"

namespace {

using namespace std::chrono_literals;

// A manager on a clock the test moves by hand, with no reaper thread unless asked for.
struct ManagedClock {
    std::shared_ptr<std::atomic<double>> now = std::make_shared<std::atomic<double>>(1000.0);

    CMemoryManager::Options Options(std::chrono::milliseconds period = 0ms) const {
        CMemoryManager::Options options;
        auto clock = now;
        options.clock = [clock] { return clock->load(); };
        options.reaperPeriod = period;
        return options;
    }
    void Advance(double seconds) { now->store(now->load() + seconds); }
};

bool AllBytesAre(const void* block, size_t from, size_t to, uint8_t value) {
    const auto* bytes = static_cast<const uint8_t*>(block);
    for (size_t i = from; i < to; ++i)
        if (bytes[i] != value) return false;
    return true;
}

TEST(MemoryManager, ReusesAFreedBlockOnlyForMoreThanHalfItsSize) {
    ManagedClock clock;
    CMemoryManager mm(clock.Options());
    void* block = mm.Allocate(1500);
    ASSERT_NE(block, nullptr);
    mm.Free(block);

    // 1500 >= 1000 and 750 < 1000.
    void* again = mm.Allocate(1000);
    EXPECT_EQ(again, block);
    EXPECT_EQ(mm.SystemAllocations(), 1u);
    mm.Free(again);

    // 750 is not less than 750: a request of exactly half gets a block of its own.
    void* half = mm.Allocate(750);
    EXPECT_NE(half, block);
    void* smaller = mm.Allocate(700);
    EXPECT_NE(smaller, block);
    // One byte more than the block never fits.
    void* larger = mm.Allocate(1501);
    EXPECT_NE(larger, block);
    EXPECT_EQ(mm.SystemAllocations(), 4u);

    void* justOverHalf = mm.Allocate(751);
    EXPECT_EQ(justOverHalf, block);
    EXPECT_EQ(mm.SystemAllocations(), 4u);
}

// On reuse only the requested bytes are cleared; the tail keeps what was written before.
// Checked on a small (heap) block and on a huge-page mapped one.
TEST(MemoryManager, ReuseZeroesOnlyTheRequestedBytes) {
    for (size_t blockSize : {size_t{1500}, size_t{3} << 20}) {
        SCOPED_TRACE(blockSize);
        ManagedClock clock;
        CMemoryManager mm(clock.Options());
        void* block = mm.Allocate(blockSize);
        ASSERT_NE(block, nullptr);
        EXPECT_TRUE(AllBytesAre(block, 0, blockSize, 0));
        std::memset(block, 0xAB, blockSize);
        mm.Free(block);

        const size_t request = blockSize * 2 / 3;
        void* again = mm.Allocate(request);
        ASSERT_EQ(again, block);
        EXPECT_TRUE(AllBytesAre(again, 0, request, 0));
        EXPECT_TRUE(AllBytesAre(again, request, blockSize, 0xAB));
    }
}

// Records are kept in ascending size order, so the smallest fitting free block wins
// whatever order the blocks were made in.
TEST(MemoryManager, PicksTheSmallestFittingFreeBlock) {
    ManagedClock clock;
    CMemoryManager mm(clock.Options());
    void* b3000 = mm.Allocate(3000);
    void* b1200 = mm.Allocate(1200);
    void* b2000 = mm.Allocate(2000);
    mm.Free(b3000);
    mm.Free(b2000);
    mm.Free(b1200);

    EXPECT_EQ(mm.Allocate(1100), b1200);  // 2000 would fit too
    EXPECT_EQ(mm.Allocate(1100), b2000);  // 1200 is in use now
    EXPECT_EQ(mm.Allocate(1600), b3000);
    EXPECT_EQ(mm.SystemAllocations(), 3u);
    EXPECT_EQ(mm.FreeBytes(), 0u);
}

TEST(MemoryManager, IgnoresFreeOfNullAndOfUnknownAddresses) {
    ManagedClock clock;
    CMemoryManager mm(clock.Options());
    auto* block = static_cast<uint8_t*>(mm.Allocate(1000));
    ASSERT_NE(block, nullptr);
    int local = 0;
    mm.Free(nullptr);
    mm.Free(&local);
    mm.Free(block + 1);  // inside a block, but not a block's address
    EXPECT_EQ(mm.BlockCount(), 1u);
    EXPECT_EQ(mm.FreeBytes(), 0u);
    // Still in use: a request of the same size needs a new block.
    EXPECT_NE(mm.Allocate(1000), block);

    mm.Free(block);
    mm.Free(block);  // a second free of the same block changes nothing
    EXPECT_EQ(mm.FreeBytes(), 1000u);
}

TEST(MemoryManager, RefusesBlocksLargerThanTheLimit) {
    ManagedClock clock;
    auto options = clock.Options();
    options.maxBlockSize = 4096;
    CMemoryManager mm(options);
    EXPECT_EQ(mm.Allocate(4097), nullptr);
    EXPECT_EQ(mm.BlockCount(), 0u);
    EXPECT_EQ(mm.SystemAllocations(), 0u);
    EXPECT_NE(mm.Allocate(4096), nullptr);
}

TEST(MemoryManager, ProcessWideInstanceIsOneObjectAndAllocates) {
    CMemoryManager& mm = CMemoryManager::GetInstance();
    EXPECT_EQ(&mm, &CMemoryManager::GetInstance());
    void* block = mm.Allocate(100);
    ASSERT_NE(block, nullptr);
    EXPECT_TRUE(AllBytesAre(block, 0, 100, 0));
    mm.Free(block);
}

TEST(MemoryManagerReaper, FreesOnlyBlocksIdleForMoreThanTheLimit) {
    ManagedClock clock;
    CMemoryManager mm(clock.Options());
    void* idle = mm.Allocate(1000);
    void* busy = mm.Allocate(2000);
    void* recent = mm.Allocate(3000);
    mm.Free(idle);

    clock.Advance(5);
    mm.Free(recent);
    clock.Advance(5);
    mm.ReapIdleBlocks();  // idle for exactly 10 s: kept
    EXPECT_EQ(mm.BlockCount(), 3u);

    clock.Advance(0.5);
    mm.ReapIdleBlocks();
    EXPECT_EQ(mm.BlockCount(), 2u);
    EXPECT_EQ(mm.FreeBytes(), 3000u);

    clock.Advance(1000);  // the block in use survives any idle time
    mm.ReapIdleBlocks();
    EXPECT_EQ(mm.BlockCount(), 1u);
    EXPECT_EQ(mm.FreeBytes(), 0u);

    // The reaped sizes now come from the system again.
    const uint64_t before = mm.SystemAllocations();
    mm.Free(mm.Allocate(1000));
    EXPECT_EQ(mm.SystemAllocations(), before + 1);
    (void)busy;
}

TEST(MemoryManagerReaper, ReuseRestartsTheIdleTime) {
    ManagedClock clock;
    CMemoryManager mm(clock.Options());
    void* block = mm.Allocate(1000);
    mm.Free(block);
    clock.Advance(8);
    ASSERT_EQ(mm.Allocate(1000), block);
    clock.Advance(8);
    mm.Free(block);
    clock.Advance(8);
    mm.ReapIdleBlocks();  // 16 s since it was first freed, 8 s since its last return
    EXPECT_EQ(mm.BlockCount(), 1u);
    clock.Advance(2.5);
    mm.ReapIdleBlocks();
    EXPECT_EQ(mm.BlockCount(), 0u);
}

// The thread does the same passes on its own; the period is short and the clock is fake,
// so waiting here is bounded by the generous deadline only when something is broken.
TEST(MemoryManagerReaper, BackgroundThreadReapsIdleBlocks) {
    ManagedClock clock;
    CMemoryManager mm(clock.Options(20ms));
    void* kept = mm.Allocate(500);
    mm.Free(mm.Allocate(1000));
    mm.Free(mm.Allocate(2u << 20));
    EXPECT_EQ(mm.BlockCount(), 3u);
    clock.Advance(11);

    const auto deadline = std::chrono::steady_clock::now() + 10s;
    while (mm.BlockCount() > 1 && std::chrono::steady_clock::now() < deadline)
        std::this_thread::sleep_for(5ms);
    EXPECT_EQ(mm.BlockCount(), 1u);
    EXPECT_EQ(mm.FreeBytes(), 0u);
    (void)kept;
}

// Several threads allocating and returning blocks of similar sizes never share a block.
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
                if (!block) { ++clashes; continue; }
                if (!AllBytesAre(block, 0, size, 0)) ++clashes;
                std::memset(block, mark, size);
                std::this_thread::yield();
                if (!AllBytesAre(block, 0, size, mark)) ++clashes;
                mm.Free(block);
            }
        });
    }
    for (auto& thread : threads) thread.join();
    EXPECT_EQ(clashes.load(), 0);
}

}  // namespace
