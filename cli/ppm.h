#pragma once
// Binary PPM (P6) reading and writing for the command-line tool.
#include <string>

#include "core/imagebuffer.h"

namespace cli {

// Writes `plane` (blue-green-red pixels) as a P6 file with red-green-blue samples; an older
// file of that name is replaced only by a complete new one.
bool WritePpm(const std::string& path, const ImagePlane& plane);
// The same, with the reason for a failure in `error`.
bool WritePpm(const std::string& path, const ImagePlane& plane, std::string& error);
// Reads a P6 file with maxval 255 into `image` (blue-green-red); false with `error` set
// when the file is missing, malformed or truncated.
bool ReadPpm(const std::string& path, CImageBuffer& image, std::string& error);

}  // namespace cli
