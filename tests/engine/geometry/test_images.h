#pragma once
// Generated test images for the geometry tests, with the size at hand.
#include <algorithm>
#include <cstdint>

#include "../core/test_image.h"

namespace geometry_test {

struct TestImage : testimage::Image {
    int32_t width, height;
    TestImage(int32_t w, int32_t h) : Image(w, h), width(w), height(h) {}
    ImagePlane Plane() const { return plane; }
};

// Random pixels in [lo, hi] from a fixed seed.
inline TestImage RandomImage(int32_t w, int32_t h, uint32_t seed, int lo = 0, int hi = 255) {
    TestImage img(w, h);
    img.Random(seed, lo, hi);
    return img;
}

inline TestImage ConstantImage(int32_t w, int32_t h, const uint8_t* bgr) {
    TestImage img(w, h);
    for (int32_t y = 0; y < h; ++y)
        for (int32_t x = 0; x < w; ++x) std::copy(bgr, bgr + 3, img.Pixel(x, y));
    return img;
}

}  // namespace geometry_test
