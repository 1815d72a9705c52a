#pragma once
// CImageBuffer: the owner of one 24-bit image's pixel block.
#include <cstdint>

#include "core/imageplane.h"

class CMemoryManager;

class CImageBuffer {
public:
    // A buffer whose blocks come from `allocator` (the process-wide one when null).
    explicit CImageBuffer(CMemoryManager* allocator = nullptr);
    virtual ~CImageBuffer();
    CImageBuffer(const CImageBuffer&) = delete;
    CImageBuffer& operator=(const CImageBuffer&) = delete;

    // Makes the buffer hold an all-black image of this size. False when no memory could
    // be had: the buffer then holds no block and callers must abandon their operation.
    bool Create(int32_t width, int32_t height);
    // Exchanges blocks (and allocators) with `other`; nothing is copied or allocated.
    void Swap(CImageBuffer& other) noexcept;

    uint8_t* Data() const { return m_data; }
    size_t Capacity() const { return m_capacity; }
    int32_t Width() const { return m_width; }
    int32_t Height() const { return m_height; }
    int32_t Stride() const { return ImagePlane::StrideFor(m_width); }
    // The image as a plane (3 channels, standard stride).
    ImagePlane Plane() const { return ImagePlane{m_data, m_width, m_height, 3, Stride()}; }

private:
    CMemoryManager& Allocator() const;

    CMemoryManager* m_allocator;
    uint8_t* m_data = nullptr;
    size_t m_capacity = 0;
    int32_t m_width = 0;
    int32_t m_height = 0;
};
