#pragma once
// The 24 MP picture of the window benchmarks: gradients with fine detail, the same in every run.
#include <cstdint>
#include <vector>

#include "core/imageplane.h"

namespace benchphoto {

constexpr int kWidth = 6000;
constexpr int kHeight = 4000;

// BGR rows with the standard stride.
inline std::vector<uint8_t> MakePhoto() {
    std::vector<uint8_t> pixels(ImagePlane::BytesFor(kWidth, kHeight));
    uint32_t noise = 12345;
    for (int y = 0; y < kHeight; ++y) {
        uint8_t* row = pixels.data() + static_cast<size_t>(y) * ImagePlane::StrideFor(kWidth);
        for (int x = 0; x < kWidth; ++x) {
            noise = noise * 1664525u + 1013904223u;
            const int jitter = static_cast<int>(noise >> 28);
            row[x * 3 + 0] = static_cast<uint8_t>(40 + 160 * x / kWidth + jitter);
            row[x * 3 + 1] = static_cast<uint8_t>(60 + 140 * y / kHeight + jitter);
            row[x * 3 + 2] = static_cast<uint8_t>(((x / 40 + y / 40) % 2) * 90 + 60 + jitter);
        }
    }
    return pixels;
}

}  // namespace benchphoto
