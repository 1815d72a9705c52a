#pragma once
// CFastArray: a chunked array of fixed-size elements whose chunks come from CMemoryManager.
#include <cstddef>
#include <cstdint>
#include <vector>

class CMemoryManager;

class CFastArray {
public:
    static constexpr size_t kPerChunk = 500;
    static constexpr size_t kSlotHeader = 4;

    // An array of elements of `elementSize` bytes (chunks from the process-wide allocator when null).
    explicit CFastArray(size_t elementSize, CMemoryManager* allocator = nullptr);
    ~CFastArray();
    CFastArray(const CFastArray&) = delete;
    CFastArray& operator=(const CFastArray&) = delete;

    // Address of element i; allocates its chunk (and every missing one before it) on first
    // touch. Null when memory for the chunk could not be had.
    void* At(size_t index);
    // Typed access for arrays of T.
    template <class T> T* As(size_t index) { return static_cast<T*>(At(index)); }

    size_t ElementSize() const { return m_elementSize; }
    size_t ChunkCount() const;
    // Gives every chunk back.
    void Clear();

private:
    CMemoryManager& Allocator() const;

    CMemoryManager* m_allocator;
    size_t m_elementSize;
    std::vector<uint8_t*> m_chunks;
};
