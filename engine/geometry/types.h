#pragma once
// Small value types shared by the geometric operations and their tool models.
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "core/imageplane.h"
#include "core/operation.h"

class CImageRing;
class CMemoryManager;

namespace geometry {

struct ImageSize {
    int32_t width = 0;
    int32_t height = 0;
    bool operator==(const ImageSize&) const = default;
};

struct IntPoint {
    int32_t x = 0;
    int32_t y = 0;
    bool operator==(const IntPoint&) const = default;
};

// A rectangle in image pixels; right and bottom are exclusive.
struct CropRect {
    int32_t left = 0;
    int32_t top = 0;
    int32_t right = 0;
    int32_t bottom = 0;
    int32_t Width() const { return right - left; }
    int32_t Height() const { return bottom - top; }
    bool IsEmpty() const { return right <= left || bottom <= top; }
    bool operator==(const CropRect&) const = default;
};

// One committed undo step of an operation: the size of its result (0 = the current one)
// and how to render it from the state current before the step.
using ResultStep = ops::Step;

// Renders and commits each step in turn on `ring`, each from the result of the one
// before. When a step cannot be had (no memory, render refused) nothing is committed and
// the ring is untouched, including any state undo or redo can reach. Results are rendered
// in place when that cannot damage such a state, else in blocks from `allocator` (the
// process-wide one when null) that then move into the ring without a copy.
ops::ApplyResult CommitSteps(CImageRing& ring, const std::vector<ResultStep>& steps,
                             CMemoryManager* allocator = nullptr);

// True when `plane` holds 3-channel pixels of exactly this size with a usable stride.
bool IsPlaneOfSize(const ImagePlane& plane, int32_t width, int32_t height);

// The leading whole number of an edit's text; 0 when the text does not start with
// digits (signs are not accepted). Saturates at INT32_MAX.
int32_t ReadInteger(const std::string& text);

// The leading decimal number of `text` ("2.5", "-7", " 3e1"); 0 when there is none.
double ReadDecimal(const std::string& text);

}  // namespace geometry
