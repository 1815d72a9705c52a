#pragma once
// CMemoryManager: the process-wide block allocator that keeps freed blocks for reuse.
#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <list>
#include <mutex>
#include <thread>

class CMemoryManager {
public:
    struct Options {
        // Current time in seconds; the reaper compares record times with it.
        std::function<double()> clock;
        // How often the reaper thread wakes up; zero means no reaper thread.
        std::chrono::milliseconds reaperPeriod{20000};
        // Free blocks idle for longer than this many seconds go back to the system.
        double idleLimit = 10.0;
        // Largest block handed out; 0 picks a limit from the machine's physical memory.
        size_t maxBlockSize = 0;
    };

    // The single process-wide allocator, made on first use.
    static CMemoryManager& GetInstance();

    // A private allocator (tests, tools); the program uses GetInstance().
    explicit CMemoryManager(Options options);
    ~CMemoryManager();
    CMemoryManager(const CMemoryManager&) = delete;
    CMemoryManager& operator=(const CMemoryManager&) = delete;

    // A block of at least `size` bytes whose first `size` bytes are zero, or null.
    void* Allocate(size_t size);
    // Gives a block back for reuse; null or unknown addresses are ignored.
    void Free(void* block);
    // One reaper pass: returns free blocks idle longer than the limit to the system.
    void ReapIdleBlocks();

    // Number of blocks the allocator holds, in use or not.
    size_t BlockCount() const;
    // Bytes held in blocks that are currently free.
    size_t FreeBytes() const;
    // How many blocks were taken from the system since construction.
    uint64_t SystemAllocations() const;

private:
    struct Record {
        void* block;
        size_t size;       // the size requested when the block was made
        size_t mapped;     // bytes actually reserved from the system
        bool inUse;
        double time;       // last hand-out or return
    };

    void* SystemAllocate(size_t size, size_t& mapped);
    static void SystemFree(void* block, size_t mapped);
    void ReaperLoop();

    Options m_options;
    mutable std::mutex m_lock;
    std::list<Record> m_records;  // ascending by size
    uint64_t m_systemAllocations = 0;
    std::mutex m_stopLock;
    std::condition_variable m_stopSignal;
    bool m_stop = false;
    std::thread m_reaper;
};
