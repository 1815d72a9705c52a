#pragma once
// Pixel helpers of the thumbnail maker: turning a picture upright by its EXIF orientation,
// the fit-into-a-box size rule, and the EXIF date text as a FILETIME.
#include <cstdint>
#include <optional>
#include <string>

#include "browser/fileentry.h"
#include "core/imageplane.h"

namespace thumbs {

struct FitSize {
    int32_t width = 0;
    int32_t height = 0;
};

// True for orientations that swap width and height (5 to 8).
bool OrientationSwapsSides(int orientation);

// Copies `src` into `dst` turned upright for an EXIF orientation value: 2 mirror
// left-right, 3 half turn, 4 mirror top-bottom, 5 transpose, 6 quarter turn clockwise,
// 7 transverse, 8 quarter turn counter-clockwise; any other value copies unchanged.
// `dst` must have the oriented size (sides swapped for 5 to 8). False on a size mismatch.
bool OrientPixels(const ImagePlane& src, const ImagePlane& dst, int orientation);

// Size of a width x height picture scaled by s = min(maxWidth / width, maxHeight / height)
// (single precision), each side w * s + 0.5 truncated and kept within 1 .. the box.
FitSize FitInto(int32_t width, int32_t height, int32_t maxWidth, int32_t maxHeight);

// The EXIF date text "YYYY:MM:DD HH:MM:SS" (local time of the camera) as a FILETIME; nothing
// for a text that is not a real date and time (such as "0000:00:00 00:00:00").
std::optional<FileTime> ParseExifDate(const std::string& text);

}  // namespace thumbs
