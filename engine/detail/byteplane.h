#pragma once
// CBytePlane: an owned one-channel 8-bit plane from the block allocator, kept between runs.
#include <cstdint>

#include "core/imageplane.h"

class CMemoryManager;

namespace detail {

class CBytePlane {
public:
    explicit CBytePlane(CMemoryManager* allocator = nullptr);
    ~CBytePlane();
    CBytePlane(const CBytePlane&) = delete;
    CBytePlane& operator=(const CBytePlane&) = delete;

    // Makes the plane width x height (zero-filled when newly allocated; the old contents
    // stay when the size is unchanged). False, with no plane, when memory cannot be had.
    bool Ensure(int32_t width, int32_t height);
    // Gives the block back.
    void Release();
    ImagePlane Plane() const { return m_plane; }
    bool IsValid() const { return m_plane.data != nullptr; }

private:
    CMemoryManager* m_allocator;
    ImagePlane m_plane{nullptr, 0, 0, 1, 0};
};

}  // namespace detail
