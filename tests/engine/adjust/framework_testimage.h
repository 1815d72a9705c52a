#pragma once
// Generated test images for the adjustment tests: deterministic, with every byte value.
#include <unistd.h>

#include <array>
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <random>
#include <string>
#include <vector>

#include "core/imageplane.h"
#include "core/prompt.h"

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

// A pixel of a 3-byte image as red, green, blue.
inline std::array<uint8_t, 3> Rgb(TestImage& img, int32_t x, int32_t y) {
    const uint8_t* p = img.Pixel(x, y);
    return {p[2], p[1], p[0]};
}

// True when the visible pixels (not the row padding) of two 3-byte planes are equal.
inline bool SamePixels(const ImagePlane& a, const ImagePlane& b) {
    for (int32_t y = 0; y < a.height; ++y)
        if (std::memcmp(a.Row(y), b.Row(y), static_cast<size_t>(a.width) * 3) != 0) return false;
    return true;
}

// A path in the temporary folder, unique to this process.
inline std::filesystem::path TempPath(const std::string& name) {
    return std::filesystem::temp_directory_path() / ("lumaret_adjust_" + std::to_string(::getpid()) + "_" + name);
}

// Records what a whole-image run reports.
struct RecordingProgress : IProgress {
    std::string title;
    int ends = 0;
    std::vector<int> positions;
    void Start(const std::string& t, int) override { title = t; }
    void SetPosition(int p) override { positions.push_back(p); }
    void End() override { ++ends; }
};

}  // namespace adjusttest
