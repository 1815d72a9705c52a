#pragma once
// CRedEyeRemoval: the red-eye tool's engine. A click finds the red pupil around a point
// and darkens it; in manual mode a round brush marks the pupil, which is darkened when
// the stroke ends. Every change goes to the working copy of an edit patch, one undo step
// per click or stroke, until the view commits or drops the working copy.
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "adjust/framework/slideredit.h"
#include "core/editpatch.h"
#include "core/imageplane.h"
#include "core/operation.h"

class CGaussBlur1c;

namespace detail {

struct RedEyeParams {
    bool automatic = true;
    float autoBrightness = 5;    // pupil brightness of automatic correction, 0..10
    float diameter = 5;          // manual brush, pixels, 1..10
    float manualBrightness = 5;  // pupil brightness of manual correction, 0..10
};

inline constexpr SliderRange kRedEyeAutoBrightnessRange{0, 10, 0, 1, "%.0f", 5};
inline constexpr SliderRange kRedEyeDiameterRange{1, 10, 0, 1, "%.0f", 5};
inline constexpr SliderRange kRedEyeManualBrightnessRange{0, 10, 0, 1, "%.0f", 5};

// Half the side of the search window around a click (81 x 81 pixels).
inline constexpr int32_t kRedEyeReach = 40;

// What the last automatic correction found.
struct RedEyeDiagnostics {
    int clicked = 0;             // contrast at the clicked pixel
    int histogramThreshold = 0;  // triangle threshold of the window's contrast
    int threshold = 0;           // the final threshold
    int32_t regionPixels = 0;    // size of the filled pupil region
    bool accepted = false;       // region found and not too elongated
    // "Clicked val: %d\n" followed by "Final threshold: %d\n".
    std::string Text() const;
};

// Automatic red-eye correction at one pixel, as one click of the tool.
const ops::Operation& RedEyeOperation();

}  // namespace detail

class CRedEyeRemoval {
public:
    struct Rect { int32_t left = 0, top = 0, right = -1, bottom = -1; };  // inclusive

    explicit CRedEyeRemoval(CMemoryManager* allocator = nullptr);
    ~CRedEyeRemoval();
    CRedEyeRemoval(const CRedEyeRemoval&) = delete;
    CRedEyeRemoval& operator=(const CRedEyeRemoval&) = delete;

    // Starts on the document's current image, which must stay unchanged while the tool
    // runs. False when memory for the copies could not be had.
    bool Begin(const ImagePlane& current);
    void SetParams(const detail::RedEyeParams& params) { m_params = params; }
    const detail::RedEyeParams& Params() const { return m_params; }

    // The working copy the view shows and commits on "Ok".
    ImagePlane Working() const { return m_patch.Working(); }

    // Mouse hooks in image coordinates. Button down corrects at the point (automatic) or
    // starts a stroke (manual); moves paint while a stroke is active; button up applies
    // the stroke. Each returns true when the working copy changed.
    bool OnButtonDown(int32_t x, int32_t y);
    bool OnMouseMove(int32_t x, int32_t y);
    bool OnButtonUp();
    bool StrokeActive() const { return m_strokeActive; }

    // Automatic correction at an image point; true when a pupil was found and darkened
    // (one undo step). Nothing happens outside the image.
    bool CorrectAt(int32_t x, int32_t y, float brightness);

    // The tool's own history.
    bool Undo() { return m_patch.UndoStep(); }
    bool Redo() { return m_patch.RedoStep(); }
    bool CanUndo() const { return m_patch.CanUndo(); }
    bool CanRedo() const { return m_patch.CanRedo(); }

    const detail::RedEyeDiagnostics& LastDiagnostics() const { return m_diagnostics; }
    // Image area changed by the last operation (empty when none), for repainting.
    Rect LastChange() const { return m_changed; }

private:
    CGaussBlur1c& Blur();
    void Paint(int32_t x, int32_t y);
    void GrowStroke(const Rect& r);
    bool ApplyStroke();

    CMemoryManager* m_allocator;
    CImageEditPatch m_patch;
    std::unique_ptr<CGaussBlur1c> m_blur;  // made on the first correction, kept for the tool's life
    detail::RedEyeParams m_params;
    detail::RedEyeDiagnostics m_diagnostics;
    Rect m_changed;
    // The stroke's mask over its working rectangle, which grows as the stroke goes.
    bool m_strokeActive = false;
    Rect m_stroke;
    std::vector<uint8_t> m_strokeMask;
};
