#include "core/editpatch.h"

#include <algorithm>
#include <cstring>

#include "core/memorymanager.h"

// The process-wide allocator is fetched here, not on first use: an object that exists
// before the allocator would otherwise outlive it at exit and free into a destroyed one.
CImageEditPatch::CImageEditPatch(CMemoryManager* allocator)
    : m_allocator(allocator ? allocator : &CMemoryManager::GetInstance()) {}

CImageEditPatch::~CImageEditPatch() { ReleaseAll(); }

CMemoryManager& CImageEditPatch::Allocator() const {
    return *m_allocator;
}

void CImageEditPatch::ReleaseRecordsFrom(size_t index) {
    for (size_t i = index; i < m_records.size(); ++i) Allocator().Free(m_records[i].pixels);
    m_records.resize(std::min(index, m_records.size()));
}

void CImageEditPatch::ReleaseAll() {
    ReleaseRecordsFrom(0);
    Allocator().Free(m_base.data);
    Allocator().Free(m_working.data);
    m_base = m_working = ImagePlane{};
    m_step = 0;
}

bool CImageEditPatch::Begin(const ImagePlane& current) {
    ReleaseAll();
    // The walks below step through whole pixels of `channels` bytes and whole rows of
    // `stride` bytes; a plane whose rows are shorter than its pixels would be read past
    // its end.
    if (!current.IsValid() || current.channels < 1 || current.channels > 4 ||
        static_cast<int64_t>(current.stride) < static_cast<int64_t>(current.width) * current.channels)
        return false;
    const size_t bytes = current.SizeInBytes();
    auto* base = static_cast<uint8_t*>(Allocator().Allocate(bytes));
    auto* working = static_cast<uint8_t*>(Allocator().Allocate(bytes));
    if (!base || !working) {
        Allocator().Free(base);
        Allocator().Free(working);
        return false;
    }
    m_source = current;
    m_base = current;
    m_base.data = base;
    m_working = current;
    m_working.data = working;
    std::memcpy(base, current.data, bytes);
    std::memcpy(working, current.data, bytes);
    return true;
}

bool CImageEditPatch::RecordStep() {
    if (!m_working.data) return false;
    Rect r{10000000, 10000000, -10000000, -10000000};
    const int32_t pixelBytes = m_working.channels;
    const size_t rowBytes = static_cast<size_t>(m_working.width) * pixelBytes;
    for (int32_t y = 0; y < m_working.height; ++y) {
        const uint8_t* a = m_base.Row(y);
        const uint8_t* b = m_working.Row(y);
        if (std::memcmp(a, b, rowBytes) == 0) continue;
        for (int32_t x = 0; x < m_working.width; ++x) {
            if (std::memcmp(a + x * pixelBytes, b + x * pixelBytes, pixelBytes) != 0) {
                r.left = std::min(r.left, x);
                r.right = std::max(r.right, x);
            }
        }
        r.top = std::min(r.top, y);
        r.bottom = std::max(r.bottom, y);
    }
    if (r.right < r.left) return false;

    const size_t packedRow = static_cast<size_t>(r.right - r.left + 1) * pixelBytes;
    const size_t bytes = packedRow * static_cast<size_t>(r.bottom - r.top + 1);
    auto* before = static_cast<uint8_t*>(Allocator().Allocate(bytes));
    auto* after = static_cast<uint8_t*>(Allocator().Allocate(bytes));
    if (!before || !after) {
        // Without room for the step the history stays as it was; the change itself stays
        // on screen but cannot be undone click by click.
        Allocator().Free(before);
        Allocator().Free(after);
        return false;
    }
    for (int32_t y = r.top; y <= r.bottom; ++y) {
        const size_t offset = static_cast<size_t>(y - r.top) * packedRow;
        std::memcpy(before + offset, m_base.Row(y) + r.left * pixelBytes, packedRow);
        std::memcpy(after + offset, m_working.Row(y) + r.left * pixelBytes, packedRow);
    }
    ReleaseRecordsFrom(static_cast<size_t>(m_step));
    m_records.push_back(Record{r, before});
    m_records.push_back(Record{r, after});
    m_step += 2;
    std::memcpy(m_base.data, m_working.data, m_working.SizeInBytes());
    return true;
}

void CImageEditPatch::WriteRecord(const Record& record, const ImagePlane& plane) const {
    const Rect& r = record.rect;
    const size_t packedRow = static_cast<size_t>(r.right - r.left + 1) * plane.channels;
    for (int32_t y = r.top; y <= r.bottom; ++y)
        std::memcpy(plane.Row(y) + r.left * plane.channels,
                    record.pixels + static_cast<size_t>(y - r.top) * packedRow, packedRow);
}

bool CImageEditPatch::UndoStep() {
    if (m_step <= 0) return false;
    m_step -= 2;
    if (m_step == 0) {
        std::memcpy(m_working.data, m_source.data, m_working.SizeInBytes());
        std::memcpy(m_base.data, m_source.data, m_base.SizeInBytes());
    } else {
        WriteRecord(m_records[m_step], m_working);
        WriteRecord(m_records[m_step], m_base);
    }
    return true;
}

bool CImageEditPatch::RedoStep() {
    if (static_cast<size_t>(m_step) >= m_records.size()) return false;
    WriteRecord(m_records[m_step + 1], m_working);
    WriteRecord(m_records[m_step + 1], m_base);
    m_step += 2;
    return true;
}
