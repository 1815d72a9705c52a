// Opening a 24 MP camera picture stored on its side (orientation 6): the editor's whole
// open (decode, turn upright, histograms) against the decode alone.
#include <benchmark/benchmark.h>

#include <string>
#include <vector>

#include "../tests/engine/editor/editor_fixtures.h"
#include "../tests/support/codec_fixtures.h"
#include "codec/jpegcodec.h"
#include "core/imagebuffer.h"
#include "editor/editordoc.h"

namespace {

struct Photo {
    codectest::ScratchDir dir;
    std::string path = dir.File("sideways.jpg");
    Photo() {
        const codectest::Picture picture = codectest::MakePhotoLike(6000, 4000, 7);
        std::vector<uint8_t> jpeg = codectest::EncodeJpeg(picture);
        const std::vector<uint8_t> record = editortest::ExifRecord(6, 6000, 4000);
        const size_t length = record.size() + 2;
        std::vector<uint8_t> segment = {0xFF, 0xE1, uint8_t(length >> 8), uint8_t(length)};
        segment.insert(segment.end(), record.begin(), record.end());
        jpeg.insert(jpeg.begin() + 2, segment.begin(), segment.end());
        codectest::WriteFileBytes(path, jpeg);
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

}  // namespace

BENCHMARK(BM_DecodeOnly)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_OpenOrientation6)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_ComputeHistogram)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK_MAIN();
