#pragma once
// Generated test images for the geometry tests: deterministic pixels, owned buffers.
#include <algorithm>
#include <cstdint>
#include <random>
#include <vector>

#include "core/imageplane.h"

namespace geometry_test {

// An image that owns its pixels, padded rows as in the program.
struct TestImage {
    int32_t width = 0;
    int32_t height = 0;
    std::vector<uint8_t> bytes;

    TestImage(int32_t w, int32_t h)
        : width(w),
          height(h),
          bytes(ImagePlane::BytesFor(w, h) + (ImagePlane::BytesFor(w, h) ? 0 : 1), 0) {}

    ImagePlane Plane() { return ImagePlane::Make(bytes.data(), width, height); }
    uint8_t* Pixel(int32_t x, int32_t y) {
        return bytes.data() + static_cast<size_t>(y) * ImagePlane::StrideFor(width) +
               static_cast<size_t>(x) * 3;
    }
    const uint8_t* Pixel(int32_t x, int32_t y) const {
        return bytes.data() + static_cast<size_t>(y) * ImagePlane::StrideFor(width) +
               static_cast<size_t>(x) * 3;
    }
    // True when the visible pixels (not the row padding) of both images are equal.
    bool SamePixels(const TestImage& other) const {
        if (other.width != width || other.height != height) return false;
        for (int32_t y = 0; y < height; ++y)
            for (int32_t x = 0; x < width * 3; ++x)
                if (Pixel(0, y)[x] != other.Pixel(0, y)[x]) return false;
        return true;
    }
};

// Random pixels in [lo, hi] from a fixed seed.
inline TestImage RandomImage(int32_t w, int32_t h, uint32_t seed, int lo = 0, int hi = 255) {
    TestImage img(w, h);
    std::mt19937 rng(seed);
    std::uniform_int_distribution<int> dist(lo, hi);
    for (int32_t y = 0; y < h; ++y)
        for (int32_t x = 0; x < w * 3; ++x) img.Pixel(0, y)[x] = static_cast<uint8_t>(dist(rng));
    return img;
}

inline TestImage ConstantImage(int32_t w, int32_t h, const uint8_t* bgr) {
    TestImage img(w, h);
    for (int32_t y = 0; y < h; ++y)
        for (int32_t x = 0; x < w; ++x) std::copy(bgr, bgr + 3, img.Pixel(x, y));
    return img;
}

}  // namespace geometry_test
