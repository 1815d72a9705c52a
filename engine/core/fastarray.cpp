#include "core/fastarray.h"

#include "core/memorymanager.h"

CFastArray::CFastArray(size_t elementSize, CMemoryManager* allocator)
    // The process-wide allocator is fetched now so that it is destroyed after this array.
    : m_allocator(allocator ? allocator : &CMemoryManager::GetInstance()), m_elementSize(elementSize) {
    m_chunks.reserve(15);
}

CFastArray::~CFastArray() { Clear(); }

CMemoryManager& CFastArray::Allocator() const {
    return *m_allocator;
}

void* CFastArray::At(size_t index) {
    const size_t chunk = index / kPerChunk;
    const size_t slotSize = m_elementSize + kSlotHeader;
    while (m_chunks.size() <= chunk) {
        auto* block = static_cast<uint8_t*>(Allocator().Allocate(slotSize * kPerChunk));
        if (!block) return nullptr;
        m_chunks.push_back(block);
    }
    return m_chunks[chunk] + (index % kPerChunk) * slotSize + kSlotHeader;
}

size_t CFastArray::ChunkCount() const { return m_chunks.size(); }

void CFastArray::Clear() {
    for (uint8_t* chunk : m_chunks) Allocator().Free(chunk);
    m_chunks.clear();
}
