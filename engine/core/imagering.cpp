#include "core/imagering.h"

#include <algorithm>

CImageRing::CImageRing(CMemoryManager* allocator)
    : m_states{CImageBuffer(allocator), CImageBuffer(allocator), CImageBuffer(allocator),
               CImageBuffer(allocator)} {}

void CImageRing::Reset() {
    m_current = 0;
    m_undoDepth = 0;
    m_redoLimit = 0;
}

ImagePlane CImageRing::PrepareFirstState(int32_t width, int32_t height) {
    Reset();
    if (!m_states[0].Create(width, height)) return ImagePlane{};
    return m_states[0].Plane();
}

ImagePlane CImageRing::PrepareNextState(int32_t width, int32_t height) {
    const CImageBuffer& current = m_states[m_current];
    if (width == 0) width = current.Width();
    if (height == 0) height = current.Height();
    CImageBuffer& next = m_states[(m_current + 1) % kSlots];
    if (!next.Create(width, height)) return ImagePlane{};
    return next.Plane();
}

void CImageRing::Advance() {
    m_current = (m_current + 1) % kSlots;
    m_undoDepth = std::min(m_undoDepth + 1, kMaxUndo);
}

void CImageRing::Commit() {
    Advance();
    m_redoLimit = m_undoDepth;
}

void CImageRing::CommitBuffer(CImageBuffer& state) {
    m_states[(m_current + 1) % kSlots].Swap(state);
    Commit();
}

bool CImageRing::Undo() {
    if (!CanUndo()) return false;
    int previous = m_current - 1;
    if (previous < 0) previous = m_states[3].Data() ? 3 : 0;
    m_current = previous;
    --m_undoDepth;
    return true;
}

bool CImageRing::Redo() {
    if (!CanRedo()) return false;
    const int limit = m_redoLimit;
    Advance();
    m_redoLimit = limit;
    return true;
}
