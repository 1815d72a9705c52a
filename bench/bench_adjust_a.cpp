// Levels, curves, brightness and boost against a plain per-channel table look-up on a
// 24-megapixel image (72 MB each way). The look-up baseline runs on one core and on all
// cores (row bands), in the same run as the routines.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdint>
#include <ctime>
#include <random>
#include <thread>
#include <vector>

#include "adjust/curves/curves.h"
#include "adjust/framework/parallel.h"
#include "adjust/framework/pixeltables.h"
#include "lookup_baseline.h"
#include "adjust/levels/levels.h"
#include "adjust/tone/blackwhite.h"
#include "adjust/tone/brightness.h"
#include "core/imageplane.h"

namespace {

constexpr int32_t kWidth = 6000;
constexpr int32_t kHeight = 4000;

struct Images {
    std::vector<uint8_t> source;
    std::vector<uint8_t> destination;
    ImagePlane src;
    ImagePlane dst;
    Images()
        : source(ImagePlane::BytesFor(kWidth, kHeight)), destination(ImagePlane::BytesFor(kWidth, kHeight)) {
        std::mt19937 rng(1234);
        for (auto& b : source) b = static_cast<uint8_t>(rng() >> 24);
        src = ImagePlane::Make(source.data(), kWidth, kHeight);
        dst = ImagePlane::Make(destination.data(), kWidth, kHeight);
    }
};

// CPU time of the whole process (all threads), in milliseconds: on a busy machine this
// shows the work a routine does even when wall time is dominated by waiting for a core.
double ProcessCpuMs() {
    timespec ts{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &ts);
    return static_cast<double>(ts.tv_sec) * 1e3 + static_cast<double>(ts.tv_nsec) / 1e6;
}

// Runs `body` once per benchmark iteration and reports process CPU time per iteration.
template <class Body>
void Measure(benchmark::State& state, Body&& body) {
    double start = ProcessCpuMs();
    for (auto _ : state) {
        body();
        benchmark::ClobberMemory();
    }
    state.counters["process_cpu_ms"] =
        benchmark::Counter((ProcessCpuMs() - start) / static_cast<double>(state.iterations()));
}

Images& Shared() {
    static Images images;
    return images;
}

void BM_PlainLookupOneCore(benchmark::State& state) {
    auto& im = Shared();
    const auto t = lookupbaseline::SomeTables();
    Measure(state, [&] {
        lookupbaseline::PlainLookup(im.src, im.dst, t, 0, kHeight);
    });
}

void BM_PlainLookupAllCores(benchmark::State& state) {
    auto& im = Shared();
    const auto t = lookupbaseline::SomeTables();
    Measure(state, [&] {
        adjust::ParallelRows(kHeight,
                             [&](int32_t y0, int32_t y1) { lookupbaseline::PlainLookup(im.src, im.dst, t, y0, y1); });
    });
}

void BM_Levels(benchmark::State& state) {
    auto& im = Shared();
    adjust::LevelsParams p;
    p.black[0] = 20;
    p.white[0] = 230;
    p.gamma[0] = 1.3f;
    p.white[adjust::kLevelsRed] = 240;
    Measure(state, [&] {
        adjust::ApplyLevels(im.src, im.dst, p);
    });
}

void BM_Curves(benchmark::State& state) {
    auto& im = Shared();
    CCurves curves;
    const CCurves::Point master[] = {{0, 0}, {64, 50}, {192, 210}, {255, 255}};
    const CCurves::Point red[] = {{0, 10}, {128, 140}, {255, 250}};
    curves.SetPoints(0, master);
    curves.SetPoints(1, red);
    Measure(state, [&] {
        curves.BuildTables();
        adjust::ApplyCurves(im.src, im.dst, curves.Tables());
    });
}

void BM_Brightness(benchmark::State& state) {
    auto& im = Shared();
    Measure(state, [&] {
        adjust::ApplyBrightness(im.src, im.dst, adjust::BrightnessParams{40});
    });
}

void BM_Boost(benchmark::State& state) {
    auto& im = Shared();
    Measure(state, [&] {
        adjust::ApplyBoost(im.src, im.dst, adjust::BoostParams{20});
    });
}

void BM_BlackWhite(benchmark::State& state) {
    auto& im = Shared();
    auto mode = static_cast<adjust::BlackWhiteMode>(state.range(0));
    Measure(state, [&] {
        adjust::ApplyBlackWhite(im.src, im.dst, adjust::BlackWhiteParams{mode});
    });
}

// The machine is shared: the fastest repetition is the fairest figure.
double Fastest(const std::vector<double>& v) { return *std::min_element(v.begin(), v.end()); }

}  // namespace

BENCHMARK(BM_PlainLookupOneCore)->Unit(benchmark::kMillisecond)->UseRealTime()->ComputeStatistics("min", Fastest);
BENCHMARK(BM_PlainLookupAllCores)->Unit(benchmark::kMillisecond)->UseRealTime()->ComputeStatistics("min", Fastest);
BENCHMARK(BM_Levels)->Unit(benchmark::kMillisecond)->UseRealTime()->ComputeStatistics("min", Fastest);
BENCHMARK(BM_Curves)->Unit(benchmark::kMillisecond)->UseRealTime()->ComputeStatistics("min", Fastest);
BENCHMARK(BM_Brightness)->Unit(benchmark::kMillisecond)->UseRealTime()->ComputeStatistics("min", Fastest);
BENCHMARK(BM_Boost)->Unit(benchmark::kMillisecond)->UseRealTime()->ComputeStatistics("min", Fastest);
BENCHMARK(BM_BlackWhite)->Arg(1)->Arg(2)->Arg(3)->Unit(benchmark::kMillisecond)->UseRealTime()->ComputeStatistics("min", Fastest);

BENCHMARK_MAIN();
