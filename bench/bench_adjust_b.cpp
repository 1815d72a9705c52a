// Channel mixer, hue/saturation, white balance and photographic filters against a plain
// per-channel table look-up on a 24-megapixel image (72 MB each way), all in one run.
// The look-up baseline runs on one core and on all cores (row bands).
#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdint>
#include <random>
#include <vector>

#include "adjust/filters/filterrun.h"
#include "adjust/filters/photofilter.h"
#include "adjust/framework/parallel.h"
#include "adjust/framework/pixeltables.h"
#include "lookup_baseline.h"
#include "adjust/huesat/huesaturation.h"
#include "adjust/mixer/channelmixer.h"
#include "adjust/whitebalance/whitebalance.h"
#include "core/imageplane.h"

namespace {

constexpr int32_t kWidth = 6000;
constexpr int32_t kHeight = 4000;

// A photo-like picture: smooth colour gradients with sensor-like noise.
struct Images {
    std::vector<uint8_t> source;
    std::vector<uint8_t> destination;
    ImagePlane src;
    ImagePlane dst;
    Images()
        : source(ImagePlane::BytesFor(kWidth, kHeight)), destination(ImagePlane::BytesFor(kWidth, kHeight)) {
        src = ImagePlane::Make(source.data(), kWidth, kHeight);
        dst = ImagePlane::Make(destination.data(), kWidth, kHeight);
        std::mt19937 rng(4321);
        for (int32_t y = 0; y < kHeight; ++y) {
            uint8_t* p = src.Row(y);
            for (int32_t x = 0; x < kWidth; ++x, p += 3) {
                const int noise = static_cast<int>(rng() >> 29) - 4;
                const int r = 128 + static_cast<int>(120 * std::sin(x * 0.0011 + y * 0.0005)) + noise;
                const int g = 128 + static_cast<int>(110 * std::cos(x * 0.0007 - y * 0.0013)) + noise;
                const int b = 100 + static_cast<int>(90 * std::sin((x + y) * 0.0009 + 1.0)) + noise;
                p[0] = static_cast<uint8_t>(std::clamp(b, 0, 255));
                p[1] = static_cast<uint8_t>(std::clamp(g, 0, 255));
                p[2] = static_cast<uint8_t>(std::clamp(r, 0, 255));
            }
        }
    }
};

Images& Shared() {
    static Images images;
    return images;
}

void BM_PlainLookupOneCore(benchmark::State& state) { lookupbaseline::Run(state, Shared().src, Shared().dst, false); }

void BM_PlainLookupAllCores(benchmark::State& state) { lookupbaseline::Run(state, Shared().src, Shared().dst, true); }

void BM_ChannelMixerColour(benchmark::State& state) {
    auto& im = Shared();
    adjust::ChannelMixerParams p;
    p.table = {80, 10, 5, 15, 85, 10, 5, 5, 85, 30, 0, 0, 59, 0, 0, 11, 0, 0};
    for (auto _ : state) adjust::ApplyChannelMixer(im.src, im.dst, p);
}

void BM_ChannelMixerMonochrome(benchmark::State& state) {
    auto& im = Shared();
    adjust::ChannelMixerParams p;
    p.monochrome = 1;
    for (auto _ : state) adjust::ApplyChannelMixer(im.src, im.dst, p);
}

void BM_HueSaturation(benchmark::State& state) {
    auto& im = Shared();
    adjust::HueSaturationParams p;
    p.hue = 30;
    p.saturation = 20;
    p.brightness = 10;
    p.range = static_cast<adjust::HueRange>(state.range(0));
    p.colorize = state.range(1);
    for (auto _ : state) adjust::ApplyHueSaturation(im.src, im.dst, p);
}

void BM_HueSaturationPlainCode(benchmark::State& state) {
    auto& im = Shared();
    adjust::HueSaturationParams p;
    p.hue = 30;
    p.saturation = 20;
    p.brightness = 10;
    const auto run = adjust::detail::MakeRun(p);
    for (auto _ : state) {
        adjust::ParallelRows(kHeight, [&](int32_t y0, int32_t y1) {
            adjust::detail::HueSatRowsScalar(run, im.src, im.dst, y0, y1);
        });
    }
}

// One core, for a ratio against BM_PlainLookupOneCore that a busy machine disturbs less.
void BM_HueSaturationOneCore(benchmark::State& state) {
    auto& im = Shared();
    adjust::HueSaturationParams p;
    p.hue = 30;
    p.saturation = 20;
    p.brightness = 10;
    const auto run = adjust::detail::MakeRun(p);
    for (auto _ : state) adjust::detail::HueSatRows(run, im.src, im.dst, 0, kHeight);
}

void BM_FilterGradOneCore(benchmark::State& state) {
    auto& im = Shared();
    adjust::PhotoFilterParams p;
    p.angle = 17.0f;
    p.hardness = 0.3f;
    p.strength = 0.6f;
    const auto run = adjust::detail::MakeFilterRun(p, kWidth, kHeight, nullptr);
    for (auto _ : state) adjust::detail::GradRows(run, im.src, im.dst, 0, kHeight);
}

void BM_WhiteBalance(benchmark::State& state) {
    auto& im = Shared();
    const auto f = adjust::FactorsFromReference(200.0f, 180.0f, 160.0f);
    for (auto _ : state) adjust::ApplyWhiteBalance(im.src, im.dst, f);
}

adjust::PhotoFilterParams FilterParams(bool grad, bool bw) {
    adjust::PhotoFilterParams p;
    p.angle = 17.0f;
    p.hardness = 0.3f;
    p.strength = 0.6f;
    p.grad = grad ? 1 : 0;
    p.blackAndWhite = bw ? 1 : 0;
    return p;
}

void BM_FilterGradWholeImage(benchmark::State& state) {
    auto& im = Shared();
    const auto p = FilterParams(true, state.range(0) != 0);
    for (auto _ : state) adjust::ApplyPhotoFilter(im.src, im.dst, p);
}

void BM_FilterGradPreviewMapping(benchmark::State& state) {
    auto& im = Shared();
    const auto p = FilterParams(true, false);
    const adjust::FilterPreviewMapping mapping{10.0f, 20.0f, 1.0f, kWidth + 20, kHeight + 40};
    for (auto _ : state) adjust::ApplyPhotoFilter(im.src, im.dst, p, &mapping);
}

void BM_FilterFull(benchmark::State& state) {
    auto& im = Shared();
    const auto p = FilterParams(false, state.range(0) != 0);
    for (auto _ : state) adjust::ApplyPhotoFilter(im.src, im.dst, p);
}

}  // namespace

BENCHMARK(BM_PlainLookupOneCore)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_PlainLookupAllCores)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_ChannelMixerColour)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_ChannelMixerMonochrome)->Unit(benchmark::kMillisecond)->UseRealTime();
// Arguments: range (0 image, 1 reds, 3 greens), colorize.
BENCHMARK(BM_HueSaturation)->Args({0, 0})->Args({1, 0})->Args({3, 0})->Args({0, 1})
    ->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_HueSaturationPlainCode)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_HueSaturationOneCore)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_FilterGradOneCore)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_WhiteBalance)->Unit(benchmark::kMillisecond)->UseRealTime();
// Argument: black and white.
BENCHMARK(BM_FilterGradWholeImage)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_FilterGradPreviewMapping)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_FilterFull)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->UseRealTime();

BENCHMARK_MAIN();
