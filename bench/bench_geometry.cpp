// Geometric operations on a generated 24-megapixel photo: right-angle turns, an arbitrary
// turn, and resizing to half size. `--write-ppm=PATH` also writes the test image, so that
// bench/compare_resize.sh can give other programs the same pixels.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "core/imagebuffer.h"
#include "geometry/resize.h"
#include "geometry/rotate.h"

namespace {

constexpr int32_t kWidth = 6000;
constexpr int32_t kHeight = 4000;

// Smooth gradients and soft waves with some grain, like a photo; fixed seed.
void Fill(CImageBuffer& img) {
    img.Create(kWidth, kHeight);
    std::vector<double> across(kWidth), down(kHeight);
    for (int32_t x = 0; x < kWidth; ++x) across[x] = std::sin(17.0 * x / kWidth);
    for (int32_t y = 0; y < kHeight; ++y) down[y] = std::cos(11.0 * y / kHeight);
    uint32_t state = 2024;
    auto grain = [&state] {
        state ^= state << 13;
        state ^= state >> 17;
        state ^= state << 5;
        return static_cast<int>(state % 13) - 6;
    };
    const ImagePlane p = img.Plane();
    for (int32_t y = 0; y < kHeight; ++y) {
        uint8_t* row = p.Row(y);
        const double v = static_cast<double>(y) / kHeight;
        for (int32_t x = 0; x < kWidth; ++x) {
            const double u = static_cast<double>(x) / kWidth;
            const double wave = 40.0 * across[x] * down[y];
            const int b = static_cast<int>(60 + 120 * v + wave) + grain();
            const int g = static_cast<int>(90 + 80 * u + wave) + grain();
            const int r = static_cast<int>(150 - 60 * u * v + wave) + grain();
            row[x * 3 + 0] = static_cast<uint8_t>(std::clamp(b, 0, 255));
            row[x * 3 + 1] = static_cast<uint8_t>(std::clamp(g, 0, 255));
            row[x * 3 + 2] = static_cast<uint8_t>(std::clamp(r, 0, 255));
        }
    }
}

const CImageBuffer& Photo() {
    static CImageBuffer image;
    static const bool filled = (Fill(image), true);
    (void)filled;
    return image;
}

bool WritePpm(const std::string& path, const ImagePlane& p) {
    FILE* f = std::fopen(path.c_str(), "wb");
    if (!f) return false;
    std::fprintf(f, "P6\n%d %d\n255\n", p.width, p.height);
    std::vector<uint8_t> line(static_cast<size_t>(p.width) * 3);
    bool ok = true;
    for (int32_t y = 0; y < p.height && ok; ++y) {
        const uint8_t* s = p.Row(y);
        for (int32_t x = 0; x < p.width; ++x) {
            line[x * 3 + 0] = s[x * 3 + 2];
            line[x * 3 + 1] = s[x * 3 + 1];
            line[x * 3 + 2] = s[x * 3 + 0];
        }
        ok = std::fwrite(line.data(), 1, line.size(), f) == line.size();
    }
    return std::fclose(f) == 0 && ok;
}

void BM_Rotate(benchmark::State& state) {
    const float angle = static_cast<float>(state.range(0)) / 10.0f;
    const int threads = static_cast<int>(state.range(1));
    const ImagePlane src = Photo().Plane();
    const geometry::ImageSize size = geometry::RotatedSize(src.width, src.height, angle);
    CImageBuffer dst;
    dst.Create(size.width, size.height);
    for (auto _ : state) {
        if (!geometry::RotateImage(src, dst.Plane(), angle, threads))
            state.SkipWithError("rotate failed");
        benchmark::ClobberMemory();
    }
}
// Angles in tenths of a degree: -90, +90, 180, and a 2.5-degree straightening.
BENCHMARK(BM_Rotate)
    ->ArgNames({"deg10", "threads"})
    ->Args({-900, 1})
    ->Args({900, 1})
    ->Args({1800, 1})
    ->Args({25, 1})
    ->Args({25, 2})
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

void BM_Mirror(benchmark::State& state) {
    const ImagePlane src = Photo().Plane();
    CImageBuffer dst;
    dst.Create(src.width, src.height);
    for (auto _ : state) {
        if (state.range(0) == 0)
            geometry::MirrorLeftRight(src, dst.Plane());
        else
            geometry::MirrorTopBottom(src, dst.Plane());
        benchmark::ClobberMemory();
    }
}
BENCHMARK(BM_Mirror)
    ->ArgName("vertical")
    ->Arg(0)
    ->Arg(1)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

void BM_ResizeHalf(benchmark::State& state) {
    const auto method = static_cast<geometry::ResizeMethod>(state.range(0));
    const int threads = static_cast<int>(state.range(1));
    const ImagePlane src = Photo().Plane();
    CImageBuffer dst;
    dst.Create(src.width / 2, src.height / 2);
    for (auto _ : state) {
        if (!geometry::ResizeImage(src, dst.Plane(), method, threads))
            state.SkipWithError("resize failed");
        benchmark::ClobberMemory();
    }
}
// Methods: 1 bilinear, 2 bicubic, 3 super-sampling, 4 Lanczos.
BENCHMARK(BM_ResizeHalf)
    ->ArgNames({"method", "threads"})
    ->Args({2, 1})
    ->Args({2, 2})
    ->Args({4, 1})
    ->Args({4, 2})
    ->Args({3, 1})
    ->Args({1, 1})
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

}  // namespace

int main(int argc, char** argv) {
    // Our own option first, hidden from the benchmark library.
    std::vector<char*> args;
    for (int i = 0; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg.rfind("--write-ppm=", 0) == 0) {
            if (!WritePpm(arg.substr(12), Photo().Plane())) {
                std::fprintf(stderr, "cannot write %s\n", arg.substr(12).c_str());
                return 1;
            }
        } else {
            args.push_back(argv[i]);
        }
    }
    int count = static_cast<int>(args.size());
    benchmark::Initialize(&count, args.data());
    if (benchmark::ReportUnrecognizedArguments(count, args.data())) return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
