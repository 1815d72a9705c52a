// Opening a 24 MP camera picture stored on its side (orientation 6): the editor's whole
// open (decode, turn upright, histograms) against the decode alone.
#include <benchmark/benchmark.h>

#include <cstring>
#include <string>
#include <vector>

#include "../tests/engine/editor/editor_fixtures.h"
#include "../tests/support/codec_fixtures.h"
#include "codec/jpegcodec.h"
#include "core/imagebuffer.h"
#include "editor/editordoc.h"
#include "editor/histogramcount.h"
#include "geometry/orient.h"

namespace {

struct Photo {
    codectest::ScratchDir dir;
    std::string path = dir.File("sideways.jpg");
    Photo() {
        const codectest::Picture picture = codectest::MakePhotoLike(6000, 4000, 7);
        codectest::WriteFileBytes(path, codectest::EncodeJpeg(picture));
        editortest::InsertExifOrientation(path, 6000, 4000, 6);
    }
};

const Photo& TestPhoto() {
    static const Photo photo;
    return photo;
}

void BM_DecodeOnly(benchmark::State& state) {
    CImageBuffer pixels;
    for (auto _ : state) {
        int w = 0, h = 0, c = 0;
        if (!getJPEGFileInfo(TestPhoto().path.c_str(), &w, &h, &c) || !pixels.Create(w, h) ||
            !readJPEGfile(pixels.Data(), 0)) {
            state.SkipWithError("decode failed");
            break;
        }
        benchmark::DoNotOptimize(pixels.Data());
    }
}

void BM_OpenOrientation6(benchmark::State& state) {
    for (auto _ : state) {
        CeditorDoc doc;
        doc.OnOpenDocument(TestPhoto().path);
        if (doc.CurrentImage().width != 4000) {
            state.SkipWithError("not turned upright");
            break;
        }
        benchmark::DoNotOptimize(doc.HistogramPeak());
    }
}

void BM_ComputeHistogram(benchmark::State& state) {
    CeditorDoc doc;
    doc.OnOpenDocument(TestPhoto().path);
    for (auto _ : state) {
        doc.ComputeHistogram();
        benchmark::DoNotOptimize(doc.HistogramPeak());
    }
}

// The work that follows the decoder when opening a sideways photo, on one thread: setting
// 32-row bands upright and counting them.
void BM_FollowDecoder(benchmark::State& state) {
    CImageBuffer src, dst;
    if (!src.Create(6000, 4000) || !dst.Create(4000, 6000)) {
        state.SkipWithError("no memory");
        return;
    }
    std::memset(src.Data(), 90, static_cast<size_t>(src.Plane().stride) * 4000);
    const bool turn = state.range(0) != 0, count = state.range(1) != 0;
    for (auto _ : state) {
        CHistogramCounter counter;
        for (int32_t y = 0; y < 4000; y += 32) {
            if (turn) geometry::OrientRows(src.Plane(), dst.Plane(), 6, y, y + 32);
            if (count) counter.CountRows(src.Plane(), y, y + 32);
        }
        benchmark::DoNotOptimize(counter);
        benchmark::DoNotOptimize(dst.Data());
    }
}
BENCHMARK(BM_FollowDecoder)->ArgsProduct({{0, 1}, {0, 1}})->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK(BM_DecodeOnly)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_OpenOrientation6)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_ComputeHistogram)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK_MAIN();
