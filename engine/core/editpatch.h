#pragma once
// CImageEditPatch: a tool's own click-by-click history as pairs of rectangular patches.
#include <cstdint>
#include <memory>
#include <vector>

#include "core/imageplane.h"

class CMemoryManager;

class CImageEditPatch {
public:
    struct Rect { int32_t left, top, right, bottom; };  // inclusive pixel coordinates

    explicit CImageEditPatch(CMemoryManager* allocator = nullptr);
    virtual ~CImageEditPatch();
    CImageEditPatch(const CImageEditPatch&) = delete;
    CImageEditPatch& operator=(const CImageEditPatch&) = delete;

    // Copies `current` (the document's current state, which stays unchanged while the tool
    // runs) into the base and working copies. False when memory could not be had, or when
    // the plane is empty or its rows are shorter than its pixels.
    bool Begin(const ImagePlane& current);
    // Records what changed between base and working as one step; false when nothing changed.
    bool RecordStep();
    // Moves one step back; false when there is none.
    bool UndoStep();
    // Moves one step forward; false when there is none.
    bool RedoStep();

    // The copy the tool draws into and the view shows.
    ImagePlane Working() const { return m_working; }
    // The image as of the last recorded step.
    ImagePlane Base() const { return m_base; }
    int32_t Step() const { return m_step; }
    size_t RecordCount() const { return m_records.size(); }
    bool CanUndo() const { return m_step > 0; }
    bool CanRedo() const { return static_cast<size_t>(m_step) < m_records.size(); }

private:
    struct Record {
        Rect rect;
        uint8_t* pixels;
    };
    void WriteRecord(const Record& record, const ImagePlane& plane) const;
    void ReleaseRecordsFrom(size_t index);
    void ReleaseAll();
    CMemoryManager& Allocator() const;

    CMemoryManager* m_allocator;
    ImagePlane m_source;
    std::vector<Record> m_records;
    int32_t m_step = 0;
    ImagePlane m_base;
    ImagePlane m_working;
};
