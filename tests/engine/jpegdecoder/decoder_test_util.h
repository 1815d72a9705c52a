#pragma once
// Shared helpers of the JPEG decoder tests: generated images, decoding with CJPEGDecoder,
// comparing pixels and locating marker segments.
#include <cstdint>
#include <string>
#include <vector>

#include "exif/decoder/jpegdecoder.h"
#include "reference_jpeg.h"

namespace dectest {

// A deterministic picture with smooth gradients, sharp edges and noise (channels 1, 3 or 4).
refjpeg::Image MakeImage(int width, int height, int channels, uint32_t seed);

struct Result {
    int status = 0;
    int width = 0, height = 0, components = 0, precision = 0;
    int colorSpace = 0, sampling = 0;
    int stride = 0;
    refjpeg::Image image;  // packed copy of the destination
    std::vector<uint8_t> raw;  // the destination buffer as written, padding included
};

// ReadHeader, then (when it succeeds) Decode into a buffer of the standard stride for the
// requested output. `channels` is bytes per pixel.
Result DecodeOwn(const std::vector<uint8_t>& jpeg, int colorSpace = jpegdec::kColorBGR,
                 int channels = 3, int sampling = jpegdec::kSampling444,
                 CJPEGDecoder* reuse = nullptr);

// Largest absolute difference of two images of the same shape (-1 when shapes differ).
int MaxDifference(const refjpeg::Image& a, const refjpeg::Image& b);

// Offset of the first marker segment with this code (the 0xFF byte), or -1.
long FindMarker(const std::vector<uint8_t>& jpeg, int marker);

// Reads a whole file; empty when it cannot be read.
std::vector<uint8_t> ReadFile(const std::string& path);

}  // namespace dectest
