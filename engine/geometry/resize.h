#pragma once
// Resampling of a whole image to a new pixel size.
#include <cstdint>

#include "core/imageplane.h"
#include "core/operation.h"

namespace geometry {

// The interpolation methods, in the order of the Resize dialog's list.
enum class ResizeMethod : int32_t {
    Nearest = 0,
    Bilinear = 1,
    Bicubic = 2,
    SuperSampling = 3,  // area averaging when both sides shrink, else bicubic
    Lanczos = 4,
};

// Resamples `src` into `dst` (the destination's size is the new size). Pixel centres are
// aligned (the image edges coincide); when shrinking, the filters widen with the scale
// so every source pixel contributes. Each channel is resampled separately, rounded and
// saturated to 0..255. Rows are shared among `threads` threads; the output does not
// depend on the thread count. False on unusable planes or when memory ran out.
bool ResizeImage(const ImagePlane& src, const ImagePlane& dst, ResizeMethod method,
                 int threads = 2);

// The resize operation.
const ops::Operation& ResizeOperation();

}  // namespace geometry
