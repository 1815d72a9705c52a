#include "core/imagebuffer.h"

#include <climits>
#include <cstring>
#include <utility>

#include "core/memorymanager.h"

// The process-wide allocator is fetched here, not on first use: a buffer that exists
// before the allocator would otherwise outlive it at exit and free into a destroyed one.
CImageBuffer::CImageBuffer(CMemoryManager* allocator)
    : m_allocator(allocator ? allocator : &CMemoryManager::GetInstance()) {}

CImageBuffer::~CImageBuffer() {
    if (m_data) Allocator().Free(m_data);
}

CMemoryManager& CImageBuffer::Allocator() const {
    return *m_allocator;
}

bool CImageBuffer::Create(int32_t width, int32_t height) {
    // Negative sizes, and widths whose stride would not fit 32 bits, are refused outright.
    if (width < 0 || height < 0 || static_cast<int64_t>(width) * 3 + 3 > INT32_MAX) {
        if (m_data) Allocator().Free(m_data);
        m_data = nullptr;
        m_capacity = 0;
        m_width = m_height = 0;
        return false;
    }
    const size_t needed = ImagePlane::BytesFor(width, height);
    if (m_capacity < needed) {
        if (m_data) Allocator().Free(m_data);
        m_data = static_cast<uint8_t*>(Allocator().Allocate(needed));
        m_capacity = m_data ? needed : 0;
    } else if (m_data) {
        // A buffer only grows: a smaller image keeps the block, cleared whole.
        std::memset(m_data, 0, m_capacity);
    }
    m_width = width;
    m_height = height;
    return m_data != nullptr || needed == 0;
}

void CImageBuffer::Swap(CImageBuffer& other) noexcept {
    std::swap(m_allocator, other.m_allocator);
    std::swap(m_data, other.m_data);
    std::swap(m_capacity, other.m_capacity);
    std::swap(m_width, other.m_width);
    std::swap(m_height, other.m_height);
}
