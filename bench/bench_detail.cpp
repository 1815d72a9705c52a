// The detail operations on a generated 24-megapixel photo-like image: unsharp mask at
// radius 0.7 (direct blur), a radius-30 blur (FFT method), shadow control with defaults
// and its colour-only rerun, IR film. Each runs on one thread and on two; peak resident
// size is reported so that the tile-bounded memory shows.
#include <benchmark/benchmark.h>

#include <sys/resource.h>

#include <cstdint>
#include <ctime>
#include <random>
#include <vector>

#include "core/imageplane.h"
#include "detail/gaussblur.h"
#include "detail/irfilm.h"
#include "detail/shadowcontrol.h"
#include "detail/unsharpmask.h"

namespace {

constexpr int32_t kWidth = 6000;
constexpr int32_t kHeight = 4000;

// Smooth shapes with noise, so that blurs and masks see photo-like data.
struct Images {
    std::vector<uint8_t> source, destination;
    ImagePlane src, dst;
    Images() : source(ImagePlane::BytesFor(kWidth, kHeight)), destination(source.size()) {
        src = ImagePlane::Make(source.data(), kWidth, kHeight);
        dst = ImagePlane::Make(destination.data(), kWidth, kHeight);
        std::mt19937 rng(99);
        for (int32_t y = 0; y < kHeight; ++y) {
            uint8_t* row = src.Row(y);
            for (int32_t x = 0; x < kWidth; ++x)
                for (int c = 0; c < 3; ++c) {
                    const int base = ((x / 300 + y / 200 + c) % 5) * 50 + (x * (c + 1) + y) % 40;
                    row[x * 3 + c] = static_cast<uint8_t>(std::min(255, base + static_cast<int>(rng() % 16)));
                }
        }
    }
};

Images& Shared() {
    static Images images;
    return images;
}

double ProcessCpuMs() {
    timespec ts{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &ts);
    return static_cast<double>(ts.tv_sec) * 1e3 + static_cast<double>(ts.tv_nsec) / 1e6;
}

double PeakRssMb() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return static_cast<double>(usage.ru_maxrss) / 1024.0;
}

template <class Body>
void Measure(benchmark::State& state, Body&& body) {
    const double start = ProcessCpuMs();
    for (auto _ : state) {
        body();
        benchmark::ClobberMemory();
    }
    state.counters["process_cpu_ms"] = (ProcessCpuMs() - start) / static_cast<double>(state.iterations());
    state.counters["peak_rss_mb"] = PeakRssMb();
}

// A blur whose callback does nothing: the cost of the tiles alone.
class NullBlur : public CGaussBlurRGB {};

void BM_UnsharpMaskRadius07(benchmark::State& state) {
    Images& im = Shared();
    CUnsharpMask usm;
    usm.SetThreadCount(static_cast<int>(state.range(0)));
    Measure(state, [&] { usm.ApplyUnsharpMask(im.src, im.dst, 180, 0.7f, 0); });
}
BENCHMARK(BM_UnsharpMaskRadius07)->Arg(1)->Arg(2)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_BlurRgbRadius30Fft(benchmark::State& state) {
    Images& im = Shared();
    NullBlur blur;
    blur.SetThreadCount(static_cast<int>(state.range(0)));
    blur.Blur(30.0f, ImagePlane::Make(im.source.data(), 8, 8));  // plans the transform outside the timing
    Measure(state, [&] { blur.Blur(30.0f, im.src); });
}
BENCHMARK(BM_BlurRgbRadius30Fft)->Arg(1)->Arg(2)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(2);

void BM_UnsharpMaskRadius30(benchmark::State& state) {
    Images& im = Shared();
    CUnsharpMask usm;
    usm.SetThreadCount(static_cast<int>(state.range(0)));
    usm.ApplyUnsharpMask(ImagePlane::Make(im.source.data(), 8, 8), ImagePlane::Make(im.destination.data(), 8, 8), 180,
                         30, 0);
    Measure(state, [&] { usm.ApplyUnsharpMask(im.src, im.dst, 180, 30.0f, 0); });
}
BENCHMARK(BM_UnsharpMaskRadius30)->Arg(2)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(2);

void BM_ShadowControlDefaults(benchmark::State& state) {
    Images& im = Shared();
    CShadowControl shadow;
    shadow.SetThreadCount(static_cast<int>(state.range(0)));
    Measure(state, [&] { shadow.Process(im.src, im.dst, 40, 30, 50, 0, detail::kShadowStageAll); });
}
BENCHMARK(BM_ShadowControlDefaults)->Arg(1)->Arg(2)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(2);

void BM_ShadowControlColourOnly(benchmark::State& state) {
    Images& im = Shared();
    CShadowControl shadow;
    shadow.SetThreadCount(static_cast<int>(state.range(0)));
    shadow.Process(im.src, im.dst, 40, 30, 50, 0, detail::kShadowStageAll);
    float colour = -30;
    Measure(state, [&] {
        shadow.Process(im.src, im.dst, 40, 30, 50, colour, detail::kShadowStageColor);
        colour = -colour;
    });
}
BENCHMARK(BM_ShadowControlColourOnly)->Arg(1)->Arg(2)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_IrFilmDefaults(benchmark::State& state) {
    Images& im = Shared();
    CIRFilm ir;
    ir.SetThreadCount(static_cast<int>(state.range(0)));
    Measure(state, [&] { ir.Process(im.src, im.dst, detail::IrFilmParams{}); });
}
BENCHMARK(BM_IrFilmDefaults)->Arg(2)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(2);

}  // namespace

BENCHMARK_MAIN();
