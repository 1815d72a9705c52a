#pragma once
// CImageRing: the editor document's ring of four image states with undo and redo.
#include <cstdint>

#include "core/imagebuffer.h"

class CImageRing {
public:
    static constexpr int kSlots = 4;
    static constexpr int kMaxUndo = 3;

    explicit CImageRing(CMemoryManager* allocator = nullptr);

    // Makes slot 0 the current state and forgets the history (after a file is loaded).
    void Reset();
    // Slot 0 to hold a freshly loaded image; after Reset, fill its plane.
    ImagePlane PrepareFirstState(int32_t width, int32_t height);
    // Sizes the slot after the current one (0 means the current size) and returns its plane;
    // the plane's data is null when memory could not be had — the caller must then not commit.
    ImagePlane PrepareNextState(int32_t width, int32_t height);
    // Makes the prepared slot current: one more undo step, redo no longer possible.
    void Commit();
    // True when the slot PrepareNextState would reuse holds a state that undo or redo can
    // still reach: preparing it and then not committing would damage that state.
    bool NextSlotInUse() const { return CanRedo() || m_undoDepth == kMaxUndo; }
    // Commits `state` as the next state without copying: its block moves into the ring and
    // `state` receives the block of the state it replaces.
    void CommitBuffer(CImageBuffer& state);
    // Steps back one state; false when nothing can be undone.
    bool Undo();
    // Steps forward again; false when nothing can be redone.
    bool Redo();

    bool CanUndo() const { return m_undoDepth > 0; }
    bool CanRedo() const { return m_undoDepth != m_redoLimit; }
    ImagePlane Current() const { return m_states[m_current].Plane(); }
    int CurrentIndex() const { return m_current; }
    int UndoDepth() const { return m_undoDepth; }
    int RedoLimit() const { return m_redoLimit; }
    const CImageBuffer& State(int slot) const { return m_states[slot]; }

private:
    void Advance();

    CImageBuffer m_states[kSlots];
    int32_t m_current = 0;
    int32_t m_undoDepth = 0;
    int32_t m_redoLimit = 0;
};
