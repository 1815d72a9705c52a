#pragma once
// libjpeg-turbo as the reference encoder and decoder of the decoder tests.
#include <cstdint>
#include <string>
#include <vector>

namespace refjpeg {

enum class Space { Grey, RGB, BGR, YCbCr, CMYK, YCCK };

// Packed pixels: channels bytes per pixel, no row padding.
struct Image {
    int width = 0;
    int height = 0;
    int channels = 3;
    std::vector<uint8_t> pixels;
    uint8_t* At(int x, int y) {
        return pixels.data() + (static_cast<size_t>(y) * width + x) * channels;
    }
    const uint8_t* At(int x, int y) const {
        return pixels.data() + (static_cast<size_t>(y) * width + x) * channels;
    }
};

struct EncodeOptions {
    Space input = Space::RGB;      // RGB, Grey or CMYK pixels
    Space jpegSpace = Space::YCbCr;
    int quality = 85;
    int hSamp = 2, vSamp = 2;      // first (and fourth) component; the others are 1x1
    int restartInterval = 0;       // in MCUs
    bool progressive = false;
    bool optimize = false;
    // Sequential scans: 0 one interleaved scan, 1 one scan per component,
    // 2 luma alone then the two chroma components interleaved.
    int scanLayout = 0;
};

// Encodes `image`; empty on failure.
std::vector<uint8_t> Encode(const Image& image, const EncodeOptions& options);

struct DecodeOptions {
    Space output = Space::BGR;
    bool fancyUpsampling = true;
};

struct Decoded {
    bool ok = false;
    int warnings = 0;
    Space jpegSpace = Space::YCbCr;
    Image image;
    std::string message;
};

// Decodes with the accurate integer transform.
Decoded Decode(const std::vector<uint8_t>& jpeg, const DecodeOptions& options);

// The component planes before upsampling and colour conversion, each plane cropped to the
// component's own size; empty on failure.
std::vector<Image> DecodeRawPlanes(const std::vector<uint8_t>& jpeg);

}  // namespace refjpeg
