#include "core/memorymanager.h"

#include <sys/mman.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <ctime>

namespace {

// Blocks this large are mapped on their own, 2 MiB aligned, and asked to use huge pages:
// first touch of a fresh 24 MP image is then several times cheaper.
constexpr size_t kHugePage = size_t{2} << 20;

double WallClockSeconds() { return static_cast<double>(std::time(nullptr)); }

size_t DefaultMaxBlock() {
    long pages = sysconf(_SC_PHYS_PAGES);
    long pageSize = sysconf(_SC_PAGESIZE);
    if (pages <= 0 || pageSize <= 0) return size_t{4} << 30;
    // More than half the machine's memory for one picture cannot end well: refuse it
    // here instead of letting the system kill the program halfway through zeroing it.
    return static_cast<size_t>(pages) * static_cast<size_t>(pageSize) / 2;
}

}  // namespace

CMemoryManager& CMemoryManager::GetInstance() {
    static CMemoryManager instance(Options{});
    return instance;
}

CMemoryManager::CMemoryManager(Options options) : m_options(std::move(options)) {
    if (!m_options.clock) m_options.clock = WallClockSeconds;
    if (m_options.maxBlockSize == 0) m_options.maxBlockSize = DefaultMaxBlock();
    if (m_options.reaperPeriod.count() > 0) m_reaper = std::thread([this] { ReaperLoop(); });
}

CMemoryManager::~CMemoryManager() {
    {
        std::lock_guard<std::mutex> guard(m_stopLock);
        m_stop = true;
    }
    m_stopSignal.notify_all();
    if (m_reaper.joinable()) m_reaper.join();
    std::lock_guard<std::mutex> guard(m_lock);
    for (const Record& r : m_records) SystemFree(r.block, r.mapped);
    m_records.clear();
}

void* CMemoryManager::SystemAllocate(size_t size, size_t& mapped) {
    if (size >= kHugePage) {
        // Over-map by one huge page so the block can start on a 2 MiB boundary; the
        // unused head and tail are unmapped again.
        size_t rounded = (size + kHugePage - 1) & ~(kHugePage - 1);
        size_t span = rounded + kHugePage;
        void* raw = mmap(nullptr, span, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
        if (raw == MAP_FAILED) return nullptr;
        uintptr_t start = reinterpret_cast<uintptr_t>(raw);
        uintptr_t aligned = (start + kHugePage - 1) & ~(uintptr_t{kHugePage} - 1);
        if (aligned > start) munmap(raw, aligned - start);
        size_t tail = (start + span) - (aligned + rounded);
        if (tail > 0) munmap(reinterpret_cast<void*>(aligned + rounded), tail);
        madvise(reinterpret_cast<void*>(aligned), rounded, MADV_HUGEPAGE);
        mapped = rounded;
        return reinterpret_cast<void*>(aligned);
    }
    mapped = 0;
    return std::malloc(size == 0 ? 1 : size);
}

void CMemoryManager::SystemFree(void* block, size_t mapped) {
    if (mapped) munmap(block, mapped);
    else std::free(block);
}

void* CMemoryManager::Allocate(size_t size) {
    if (size > m_options.maxBlockSize) return nullptr;
    std::lock_guard<std::mutex> guard(m_lock);
    // Reuse the smallest free block that is large enough but not more than twice too large.
    for (Record& r : m_records) {
        if (!r.inUse && r.size >= size && r.size / 2 < size) {
            r.inUse = true;
            r.time = m_options.clock();
            std::memset(r.block, 0, size);
            return r.block;
        }
    }
    size_t mapped = 0;
    void* block = SystemAllocate(size, mapped);
    if (!block) return nullptr;
    // Freshly mapped pages are already zero; touching them here would only cost time.
    if (!mapped) std::memset(block, 0, size);
    ++m_systemAllocations;
    auto pos = m_records.begin();
    while (pos != m_records.end() && pos->size < size) ++pos;
    m_records.insert(pos, Record{block, size, mapped, true, m_options.clock()});
    return block;
}

void CMemoryManager::Free(void* block) {
    if (!block) return;
    std::lock_guard<std::mutex> guard(m_lock);
    for (Record& r : m_records) {
        if (r.block == block) {
            r.inUse = false;
            r.time = m_options.clock();
            return;
        }
    }
}

void CMemoryManager::ReapIdleBlocks() {
    std::lock_guard<std::mutex> guard(m_lock);
    const double now = m_options.clock();
    for (auto it = m_records.begin(); it != m_records.end();) {
        if (!it->inUse && now - it->time > m_options.idleLimit) {
            SystemFree(it->block, it->mapped);
            it = m_records.erase(it);
        } else {
            ++it;
        }
    }
}

void CMemoryManager::ReaperLoop() {
    std::unique_lock<std::mutex> lock(m_stopLock);
    while (!m_stopSignal.wait_for(lock, m_options.reaperPeriod, [this] { return m_stop; })) {
        lock.unlock();
        ReapIdleBlocks();
        lock.lock();
    }
}

size_t CMemoryManager::BlockCount() const {
    std::lock_guard<std::mutex> guard(m_lock);
    return m_records.size();
}

size_t CMemoryManager::FreeBytes() const {
    std::lock_guard<std::mutex> guard(m_lock);
    size_t total = 0;
    for (const Record& r : m_records) if (!r.inUse) total += r.size;
    return total;
}

uint64_t CMemoryManager::SystemAllocations() const {
    std::lock_guard<std::mutex> guard(m_lock);
    return m_systemAllocations;
}
