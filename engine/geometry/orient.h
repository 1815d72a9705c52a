#pragma once
// Putting a picture upright by its EXIF orientation, a band of source rows at a time, so
// that the work can follow a decoder down the picture.
#include <cstdint>

#include "core/imageplane.h"
#include "geometry/types.h"

namespace geometry {

// True for the EXIF orientations this program turns upright on opening: 2 (mirrored), 3
// (upside down), 4 (mirrored top to bottom), 6 (turned clockwise) and 8 (anticlockwise).
bool IsUprightingOrientation(int orientation);

// Size of a w x h picture once set upright from `orientation` (sides swap for 6 and 8).
ImageSize OrientedSize(int32_t w, int32_t h, int orientation);

// Writes source rows [y0, y1) of `src` to where setting the picture upright puts them in
// `dst` (of OrientedSize); the result over all rows equals MirrorLeftRight (2),
// RotateImage by 180 (3), MirrorTopBottom (4), by -90 (6) and by 90 (8); any other
// orientation is a plain copy. False on a size mismatch or a bad row range.
bool OrientRows(const ImagePlane& src, const ImagePlane& dst, int orientation, int32_t y0, int32_t y1);

}  // namespace geometry
