#pragma once
// Generated images and a double-precision reference blur for the detail tests.
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <random>
#include <vector>

#include "core/imageplane.h"

namespace detailtest {

// An image owning its bytes (standard stride).
struct Image {
    std::vector<uint8_t> bytes;
    ImagePlane plane;

    Image(int32_t width, int32_t height, int32_t channels = 3)
        : bytes(ImagePlane::BytesFor(width, height, channels), uint8_t{0}),
          plane(ImagePlane::Make(bytes.data(), width, height, channels)) {}
    Image(const Image& other) : bytes(other.bytes), plane(other.plane) { plane.data = bytes.data(); }
    Image& operator=(const Image&) = delete;

    Image& Random(uint32_t seed) {
        std::mt19937 rng(seed);
        for (auto& b : bytes) b = static_cast<uint8_t>(rng() >> 24);
        return *this;
    }
    Image& Fill(uint8_t value) {
        std::fill(bytes.begin(), bytes.end(), value);
        return *this;
    }
    uint8_t* At(int32_t x, int32_t y) { return plane.Row(y) + x * plane.channels; }
    const uint8_t* At(int32_t x, int32_t y) const { return plane.Row(y) + x * plane.channels; }
    // Sets a 3-byte pixel from red, green, blue (stored blue, green, red).
    void SetRgb(int32_t x, int32_t y, int r, int g, int b) {
        uint8_t* p = At(x, y);
        p[0] = static_cast<uint8_t>(b);
        p[1] = static_cast<uint8_t>(g);
        p[2] = static_cast<uint8_t>(r);
    }
    // True when the pixels (not the row padding) equal those of `other`.
    bool SamePixels(const Image& other) const {
        for (int32_t y = 0; y < plane.height; ++y)
            if (std::memcmp(plane.Row(y), other.plane.Row(y), static_cast<size_t>(plane.width * plane.channels)) != 0)
                return false;
        return true;
    }
};

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
                image.At(x, y)[c] = static_cast<uint8_t>(std::min(v + static_cast<int>(rng() % 9), 255));
            }
    return image;
}

// Gaussian blur in double with edge replication: the separable form of the 2-D kernel
// over -half..half (exact, since the 2-D kernel is the product of two 1-D ones).
inline std::vector<double> ReferenceBlur(const ImagePlane& src, float sigma, int32_t half) {
    const int32_t W = src.width, H = src.height, C = src.channels;
    std::vector<double> k(static_cast<size_t>(2 * half + 1));
    double sum = 0;
    for (int32_t i = -half; i <= half; ++i) sum += k[static_cast<size_t>(i + half)] = std::exp(-double(i) * i / (2.0 * sigma * sigma));
    for (double& v : k) v /= sum;
    std::vector<double> tmp(static_cast<size_t>(W) * H * C), out(tmp.size());
    for (int32_t y = 0; y < H; ++y)
        for (int32_t x = 0; x < W; ++x)
            for (int32_t c = 0; c < C; ++c) {
                double acc = 0;
                for (int32_t i = -half; i <= half; ++i)
                    acc += k[static_cast<size_t>(i + half)] * src.Row(y)[std::clamp(x + i, 0, W - 1) * C + c];
                tmp[(static_cast<size_t>(y) * W + x) * C + c] = acc;
            }
    for (int32_t y = 0; y < H; ++y)
        for (int32_t x = 0; x < W; ++x)
            for (int32_t c = 0; c < C; ++c) {
                double acc = 0;
                for (int32_t i = -half; i <= half; ++i)
                    acc += k[static_cast<size_t>(i + half)] * tmp[(static_cast<size_t>(std::clamp(y + i, 0, H - 1)) * W + x) * C + c];
                out[(static_cast<size_t>(y) * W + x) * C + c] = acc;
            }
    return out;
}

}  // namespace detailtest
