// The codec component against libjpeg-turbo used directly, on a 24 MP 4:2:0 photo.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "../tests/support/codec_fixtures.h"
#include "codec/jpegcodec.h"

namespace {

constexpr int kWidth = 6000;
constexpr int kHeight = 4000;

// The test photo, made once: its blue-green-red pixels and a JPEG file of it.
struct Photo {
    codectest::ScratchDir dir;
    std::string path = dir.File("photo24mp.jpg");
    std::vector<uint8_t> bgr;

    Photo() {
        const codectest::Picture picture = codectest::MakePhotoLike(kWidth, kHeight, 2024);
        bgr = codectest::ToBgrRows(picture);
        codectest::WriteFileBytes(path, codectest::EncodeJpeg(picture));  // quality 90, 4:2:0
    }
};

const Photo& TestPhoto() {
    static const Photo photo;
    return photo;
}

size_t StrideFor(int width) { return (static_cast<size_t>(width) * 3 + 3) & ~size_t{3}; }

std::vector<uint8_t> DestinationFor(int divisor) {
    const int w = (kWidth + divisor - 1) / divisor, h = (kHeight + divisor - 1) / divisor;
    return std::vector<uint8_t>(StrideFor(w) * (h + 1) + StrideFor(w + 1), 0);
}

void BM_ReadJPEGfile(benchmark::State& state) {
    const Photo& photo = TestPhoto();
    const int divisor = static_cast<int>(state.range(0));
    std::vector<uint8_t> dest = DestinationFor(divisor);
    for (auto _ : state) {
        int w = 0, h = 0, c = 0;
        if (!getJPEGFileInfo(photo.path.c_str(), &w, &h, &c) || readJPEGfile(dest.data(), divisor) != kJpegReadOk) {
            state.SkipWithError("decode failed");
            break;
        }
        benchmark::DoNotOptimize(dest.data());
    }
    state.counters["MB_file"] = static_cast<double>(std::filesystem::file_size(photo.path)) / 1e6;
}

// The same decode written straight against libjpeg-turbo: stdio source, blue-green-red
// output, rows straight into the preallocated destination.
void BM_LibjpegDirectRead(benchmark::State& state) {
    const Photo& photo = TestPhoto();
    const int divisor = static_cast<int>(state.range(0));
    std::vector<uint8_t> dest = DestinationFor(divisor);
    for (auto _ : state) {
        FILE* file = std::fopen(photo.path.c_str(), "rb");
        jpeg_decompress_struct cinfo{};
        jpeg_error_mgr err{};
        cinfo.err = jpeg_std_error(&err);
        jpeg_create_decompress(&cinfo);
        jpeg_stdio_src(&cinfo, file);
        jpeg_read_header(&cinfo, TRUE);
        cinfo.scale_num = 1;
        cinfo.scale_denom = static_cast<unsigned>(divisor);
        cinfo.out_color_space = JCS_EXT_BGR;
        jpeg_start_decompress(&cinfo);
        const size_t stride = StrideFor(static_cast<int>(cinfo.output_width));
        JSAMPROW rows[16];
        while (cinfo.output_scanline < cinfo.output_height) {
            const JDIMENSION first = cinfo.output_scanline;
            const JDIMENSION count = std::min<JDIMENSION>(16, cinfo.output_height - first);
            for (JDIMENSION i = 0; i < count; ++i) rows[i] = dest.data() + stride * (first + i);
            jpeg_read_scanlines(&cinfo, rows, count);
        }
        jpeg_finish_decompress(&cinfo);
        jpeg_destroy_decompress(&cinfo);
        std::fclose(file);
        benchmark::DoNotOptimize(dest.data());
    }
}

void BM_WriteJPEGfile(benchmark::State& state) {
    const Photo& photo = TestPhoto();
    const std::string out = photo.dir.File("written.jpg");
    for (auto _ : state) {
        if (!writeJPEGfile(out.c_str(), kWidth, kHeight, photo.bgr.data(), 90)) {
            state.SkipWithError("encode failed");
            break;
        }
    }
}

void BM_LibjpegDirectWrite(benchmark::State& state) {
    const Photo& photo = TestPhoto();
    const std::string out = photo.dir.File("direct.jpg");
    for (auto _ : state) {
        FILE* file = std::fopen(out.c_str(), "wb");
        jpeg_compress_struct cinfo{};
        jpeg_error_mgr err{};
        cinfo.err = jpeg_std_error(&err);
        jpeg_create_compress(&cinfo);
        jpeg_stdio_dest(&cinfo, file);
        cinfo.image_width = kWidth;
        cinfo.image_height = kHeight;
        cinfo.input_components = 3;
        cinfo.in_color_space = JCS_EXT_BGR;
        jpeg_set_defaults(&cinfo);
        jpeg_set_quality(&cinfo, 90, TRUE);
        jpeg_start_compress(&cinfo, TRUE);
        const size_t stride = StrideFor(kWidth);
        JSAMPROW rows[16];
        while (cinfo.next_scanline < cinfo.image_height) {
            const JDIMENSION first = cinfo.next_scanline;
            const JDIMENSION count = std::min<JDIMENSION>(16, cinfo.image_height - first);
            for (JDIMENSION i = 0; i < count; ++i) {
                rows[i] = const_cast<JSAMPROW>(photo.bgr.data() + stride * (first + i));
            }
            jpeg_write_scanlines(&cinfo, rows, count);
        }
        jpeg_finish_compress(&cinfo);
        jpeg_destroy_compress(&cinfo);
        std::fclose(file);
    }
}

BENCHMARK(BM_ReadJPEGfile)->Arg(1)->Arg(8)->Unit(benchmark::kMillisecond)->Repetitions(5)->ReportAggregatesOnly(true);
BENCHMARK(BM_LibjpegDirectRead)->Arg(1)->Arg(8)->Unit(benchmark::kMillisecond)->Repetitions(5)->ReportAggregatesOnly(true);
BENCHMARK(BM_WriteJPEGfile)->Unit(benchmark::kMillisecond)->Repetitions(5)->ReportAggregatesOnly(true);
BENCHMARK(BM_LibjpegDirectWrite)->Unit(benchmark::kMillisecond)->Repetitions(5)->ReportAggregatesOnly(true);

}  // namespace

BENCHMARK_MAIN();
