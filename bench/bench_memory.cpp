// Block allocator: reusing a full-size image block, and the first touch of a fresh one.
//
// A 24 MP picture is 6000 x 4000 pixels of 3 bytes: 72,000,000 bytes per image state.
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>
#include <string>

#include "core/memorymanager.h"

namespace {

constexpr size_t kImageBytes = size_t{6000} * 3 * 4000;

CMemoryManager::Options PrivateOptions() {
    CMemoryManager::Options options;
    options.reaperPeriod = std::chrono::milliseconds(0);
    return options;
}

// The system's transparent huge page mode, e.g. "always [madvise] never".
std::string HugePageMode() {
    std::ifstream file("/sys/kernel/mm/transparent_hugepage/enabled");
    std::string line;
    std::getline(file, line);
    return line.empty() ? "no transparent huge pages" : "THP: " + line;
}

// Anonymous memory of this process currently backed by huge pages, in MiB.
double AnonHugePagesMiB() {
    std::ifstream file("/proc/self/smaps_rollup");
    std::string line;
    while (std::getline(file, line)) {
        if (line.rfind("AnonHugePages:", 0) == 0) {
            std::istringstream fields(line.substr(14));
            double kib = 0;
            fields >> kib;
            return kib / 1024.0;
        }
    }
    return -1;
}

// Allocate and Free of a block that is already held: no system call, only the lock, the
// record walk and clearing the requested bytes.
void BM_ReuseAllocateFree(benchmark::State& state) {
    CMemoryManager mm(PrivateOptions());
    mm.Free(mm.Allocate(kImageBytes));
    const uint64_t before = mm.SystemAllocations();
    for (auto _ : state) {
        void* block = mm.Allocate(kImageBytes);
        benchmark::DoNotOptimize(block);
        mm.Free(block);
    }
    state.counters["system_allocations"] = static_cast<double>(mm.SystemAllocations() - before);
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * kImageBytes));
}
BENCHMARK(BM_ReuseAllocateFree)->Unit(benchmark::kMillisecond)->UseRealTime();

// The clearing alone, on memory already touched: the part of the reuse above that is not
// the allocator's own cost.
void BM_ClearTouchedBlock(benchmark::State& state) {
    CMemoryManager mm(PrivateOptions());
    auto* block = static_cast<uint8_t*>(mm.Allocate(kImageBytes));
    std::memset(block, 1, kImageBytes);
    for (auto _ : state) {
        std::memset(block, 0, kImageBytes);
        benchmark::ClobberMemory();
    }
    mm.Free(block);
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * kImageBytes));
}
BENCHMARK(BM_ClearTouchedBlock)->Unit(benchmark::kMillisecond)->UseRealTime();

// The allocator's bookkeeping without clearing: a one-byte reuse behind 64 other free
// records, all sizes ascending, so the walk passes every one of them.
void BM_ReuseBookkeeping(benchmark::State& state) {
    CMemoryManager mm(PrivateOptions());
    for (size_t i = 0; i < 64; ++i) mm.Free(mm.Allocate(64 + i * 16));  // too large for 1 byte
    void* tiny = mm.Allocate(1);
    mm.Free(tiny);
    for (auto _ : state) {
        void* block = mm.Allocate(1);
        benchmark::DoNotOptimize(block);
        mm.Free(block);
    }
    state.counters["system_allocations"] = static_cast<double>(mm.SystemAllocations() - 65);
}
BENCHMARK(BM_ReuseBookkeeping);

// First use of a fresh block through the C heap: 72 MB is above the heap's mapping
// threshold, so every iteration gets new 4 KiB pages and faults each one in.
void BM_FirstTouchMalloc(benchmark::State& state) {
    for (auto _ : state) {
        void* block = std::malloc(kImageBytes);
        // Keeps the compiler from turning malloc + memset into calloc, which would skip
        // the touch this measures.
        benchmark::DoNotOptimize(block);
        std::memset(block, 0, kImageBytes);
        benchmark::ClobberMemory();
        std::free(block);
    }
    state.SetLabel(HugePageMode());
}
BENCHMARK(BM_FirstTouchMalloc)->Unit(benchmark::kMillisecond)->UseRealTime();

// First use of a fresh block from the allocator: a new allocator per iteration, so the
// block is newly mapped (2 MiB aligned, huge pages requested) and then written once.
void BM_FirstTouchManager(benchmark::State& state) {
    for (auto _ : state) {
        CMemoryManager mm(PrivateOptions());
        void* block = mm.Allocate(kImageBytes);
        benchmark::DoNotOptimize(block);
        std::memset(block, 0, kImageBytes);
        benchmark::ClobberMemory();
    }
    {
        CMemoryManager mm(PrivateOptions());
        void* block = mm.Allocate(kImageBytes);
        std::memset(block, 0, kImageBytes);
        state.counters["huge_MiB_of_72MB"] = AnonHugePagesMiB();
    }
    state.SetLabel(HugePageMode());
}
BENCHMARK(BM_FirstTouchManager)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace

BENCHMARK_MAIN();
