#pragma once
// Generated test images for the adjustment tests: deterministic, with every byte value.
#include <cstdint>
#include <random>
#include <vector>

#include "core/imageplane.h"

namespace adjusttest {

// An image whose pixels hold seeded random bytes (the plane points into `bytes`).
struct TestImage {
    std::vector<uint8_t> bytes;
    ImagePlane plane;

    TestImage(int32_t width, int32_t height, int32_t channels = 3)
        : bytes(ImagePlane::BytesFor(width, height, channels), uint8_t{0}),
          plane(ImagePlane::Make(bytes.data(), width, height, channels)) {}
    TestImage(const TestImage&) = delete;

    // Fills with random bytes (padding included, so a routine writing padding shows).
    TestImage& Random(uint32_t seed) {
        std::mt19937 rng(seed);
        for (auto& b : bytes) b = static_cast<uint8_t>(rng() >> 24);
        return *this;
    }
    uint8_t* Pixel(int32_t x, int32_t y) { return plane.Row(y) + x * plane.channels; }
    // Sets a 3-byte pixel from red, green, blue.
    void SetRgb(int32_t x, int32_t y, uint8_t r, uint8_t g, uint8_t b) {
        uint8_t* p = Pixel(x, y);
        p[0] = b;
        p[1] = g;
        p[2] = r;
    }
};

// Every (b, g, r) with the same level i in pixel i of a 256 x 1 row: one pixel per level.
inline void FillGreyRamp(TestImage& image) {
    for (int32_t x = 0; x < image.plane.width; ++x)
        for (int32_t c = 0; c < image.plane.channels; ++c) image.Pixel(x, 0)[c] = static_cast<uint8_t>(x);
}

}  // namespace adjusttest
