#pragma once
// What the window benchmarks share: their 24 MP picture (gradients with fine detail, the same
// in every run) and their main(), which runs the Qt program offscreen.
#include <QApplication>
#include <benchmark/benchmark.h>
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

// The benchmark program's main(): a QApplication (offscreen unless a platform is given) around
// Google Benchmark's run.
#define LUMARET_QT_BENCHMARK_MAIN()                                                              \
    int main(int argc, char** argv) {                                                            \
        if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen"); \
        QApplication app(argc, argv);                                                            \
        benchmark::Initialize(&argc, argv);                                                      \
        benchmark::RunSpecifiedBenchmarks();                                                     \
        benchmark::Shutdown();                                                                   \
        return 0;                                                                                \
    }
