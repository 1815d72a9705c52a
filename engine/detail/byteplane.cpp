#include "detail/byteplane.h"

#include "core/memorymanager.h"

namespace detail {

CBytePlane::CBytePlane(CMemoryManager* allocator)
    : m_allocator(allocator ? allocator : &CMemoryManager::GetInstance()) {}

CBytePlane::~CBytePlane() { Release(); }

void CBytePlane::Release() {
    m_allocator->Free(m_plane.data);
    m_plane = ImagePlane{nullptr, 0, 0, 1, 0};
}

bool CBytePlane::Ensure(int32_t width, int32_t height) {
    if (m_plane.data && m_plane.width == width && m_plane.height == height) return true;
    Release();
    const size_t bytes = ImagePlane::BytesFor(width, height, 1);
    if (bytes == 0) return false;
    auto* data = static_cast<uint8_t*>(m_allocator->Allocate(bytes));
    if (!data) return false;
    m_plane = ImagePlane::Make(data, width, height, 1);
    return true;
}

}  // namespace detail
