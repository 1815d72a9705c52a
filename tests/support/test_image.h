#pragma once
// The one test image of the engine tests: an image owning its pixels, generated from fixed
// seeds (random, flat or photo-like), compared without its row padding.
#include <algorithm>
#include <cmath>
#include <array>
#include <cstdint>
#include <cstring>
#include <random>
#include <vector>

#include "core/imageplane.h"

namespace testimage {

// True when two planes have one size and equal pixels (the row padding is not compared).
inline bool SamePixels(const ImagePlane& a, const ImagePlane& b) {
    if (a.width != b.width || a.height != b.height || a.channels != b.channels) return false;
    for (int32_t y = 0; y < a.height; ++y)
        if (std::memcmp(a.Row(y), b.Row(y), static_cast<size_t>(a.width) * a.channels) != 0) return false;
    return true;
}

// An image with the standard stride; 3-byte pixels are blue, green, red.
struct Image {
    std::vector<uint8_t> bytes;
    ImagePlane plane;

    Image(int32_t width, int32_t height, int32_t channels = 3)
        : bytes(std::max<size_t>(ImagePlane::BytesFor(width, height, channels), 1), uint8_t{0}),
          plane(ImagePlane::Make(bytes.data(), width, height, channels)) {}
    // A copy of the pixels of `source`.
    explicit Image(const ImagePlane& source) : Image(source.width, source.height, source.channels) {
        for (int32_t y = 0; y < source.height; ++y)
            std::memcpy(plane.Row(y), source.Row(y), static_cast<size_t>(source.width) * source.channels);
    }
    Image(const Image& other) : bytes(other.bytes), plane(other.plane) { plane.data = bytes.data(); }
    Image& operator=(const Image& other) {
        bytes = other.bytes;
        plane = other.plane;
        plane.data = bytes.data();
        return *this;
    }

    // Seeded random bytes in lo..hi, the row padding included so that writes into it show.
    Image& Random(uint32_t seed, int lo = 0, int hi = 255) {
        std::mt19937 rng(seed);
        for (auto& b : bytes) b = static_cast<uint8_t>(lo + (rng() >> 24) * (hi - lo + 1) / 256);
        return *this;
    }
    Image& Fill(uint8_t value) {
        std::fill(bytes.begin(), bytes.end(), value);
        return *this;
    }
    uint8_t* Pixel(int32_t x, int32_t y) { return plane.Row(y) + x * plane.channels; }
    const uint8_t* Pixel(int32_t x, int32_t y) const { return plane.Row(y) + x * plane.channels; }
    void SetRgb(int32_t x, int32_t y, int r, int g, int b) {
        uint8_t* p = Pixel(x, y);
        p[0] = static_cast<uint8_t>(b), p[1] = static_cast<uint8_t>(g), p[2] = static_cast<uint8_t>(r);
    }
    std::array<uint8_t, 3> Rgb(int32_t x, int32_t y) const {
        const uint8_t* p = Pixel(x, y);
        return {p[2], p[1], p[0]};
    }
    bool SamePixels(const Image& other) const { return testimage::SamePixels(plane, other.plane); }
};

// Seeded random pixels in lo..hi.
inline Image RandomImage(int32_t width, int32_t height, uint32_t seed, int lo = 0, int hi = 255) {
    Image image(width, height);
    image.Random(seed, lo, hi);
    return image;
}

// Every pixel the colour `bgr` (blue, green, red).
inline Image ConstantImage(int32_t width, int32_t height, const uint8_t* bgr) {
    Image image(width, height);
    for (int32_t y = 0; y < height; ++y)
        for (int32_t x = 0; x < width; ++x) std::copy(bgr, bgr + 3, image.Pixel(x, y));
    return image;
}

// Smooth random image: blocks of random levels with a gentle gradient, so that it has both
// flat parts and edges.
inline Image Photo(int32_t width, int32_t height, int32_t channels, uint32_t seed) {
    Image image(width, height, channels);
    std::mt19937 rng(seed);
    std::vector<uint8_t> levels(64 * 3);
    for (auto& l : levels) l = static_cast<uint8_t>(rng() >> 24);
    for (int32_t y = 0; y < height; ++y)
        for (int32_t x = 0; x < width; ++x)
            for (int32_t c = 0; c < channels; ++c) {
                const int block = ((y / 37) * 7 + (x / 53)) % 64;
                const int v = levels[static_cast<size_t>(block * 3 + c)] / 2 + (x + y) % 97;
                image.Pixel(x, y)[c] = static_cast<uint8_t>(std::min(v + static_cast<int>(rng() % 9), 255));
            }
    return image;
}

}  // namespace testimage
