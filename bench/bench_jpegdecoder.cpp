// CJPEGDecoder speed: a 160 x 120 baseline thumbnail (target under 0.5 ms) and a 2 MP
// baseline picture, each next to libjpeg-turbo (accurate integer transform, BGR output) on
// the same bytes (target: no slower than 3x).
#include <benchmark/benchmark.h>

#include <csetjmp>
#include <cmath>
#include <cstdlib>
#include <vector>

#include <jpeglib.h>

#include "jpegdecoder/jpegdecoder.h"

namespace {

// libjpeg-turbo error exits jump back here; the benchmark then reports the failure.
struct ErrorTrap {
    jpeg_error_mgr mgr;
    jmp_buf jump;
};

void OnError(j_common_ptr info) { longjmp(reinterpret_cast<ErrorTrap*>(info->err)->jump, 1); }

struct Compressor {
    jpeg_compress_struct info{};
    ErrorTrap trap;
    unsigned char* buffer = nullptr;
    unsigned long size = 0;
    Compressor() {
        info.err = jpeg_std_error(&trap.mgr);
        trap.mgr.error_exit = OnError;
        jpeg_create_compress(&info);
    }
    ~Compressor() {
        jpeg_destroy_compress(&info);
        std::free(buffer);
    }
};

struct Decompressor {
    jpeg_decompress_struct info{};
    ErrorTrap trap;
    Decompressor() {
        info.err = jpeg_std_error(&trap.mgr);
        trap.mgr.error_exit = OnError;
        jpeg_create_decompress(&info);
    }
    ~Decompressor() { jpeg_destroy_decompress(&info); }
};

// A photo-like picture (smooth shading, edges, fine texture) as baseline JPEG.
std::vector<uint8_t> MakeJpeg(int width, int height, int hSamp, int vSamp) {
    std::vector<uint8_t> rgb(static_cast<size_t>(width) * height * 3);
    uint32_t noise = 12345;
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            for (int c = 0; c < 3; ++c) {
                noise = noise * 1664525u + 1013904223u;
                double v = 128 + 80 * std::sin(x * 0.013 * (c + 1) + y * 0.021) +
                           30 * std::sin(x * 0.31 + y * 0.17 * c) + static_cast<int>(noise >> 28) -
                           8 + ((x / 97 + y / 61) % 2 ? 25 : -25);
                rgb[(static_cast<size_t>(y) * width + x) * 3 + c] =
                    static_cast<uint8_t>(v < 0 ? 0 : (v > 255 ? 255 : v));
            }
        }
    }
    Compressor c;
    if (setjmp(c.trap.jump)) return {};
    jpeg_mem_dest(&c.info, &c.buffer, &c.size);
    c.info.image_width = static_cast<JDIMENSION>(width);
    c.info.image_height = static_cast<JDIMENSION>(height);
    c.info.input_components = 3;
    c.info.in_color_space = JCS_RGB;
    jpeg_set_defaults(&c.info);
    jpeg_set_quality(&c.info, 90, TRUE);
    c.info.comp_info[0].h_samp_factor = hSamp;
    c.info.comp_info[0].v_samp_factor = vSamp;
    jpeg_start_compress(&c.info, TRUE);
    while (c.info.next_scanline < c.info.image_height) {
        JSAMPROW row = rgb.data() + static_cast<size_t>(c.info.next_scanline) * width * 3;
        jpeg_write_scanlines(&c.info, &row, 1);
    }
    jpeg_finish_compress(&c.info);
    return std::vector<uint8_t>(c.buffer, c.buffer + c.size);
}

// The thumbnail maker's calling order, with one decoder object reused between images.
void RunOwn(benchmark::State& state, const std::vector<uint8_t>& jpeg) {
    CJPEGDecoder decoder;
    std::vector<uint8_t> pixels;
    for (auto _ : state) {
        decoder.Clean();
        decoder.Init();
        decoder.SetSource(jpeg.data(), jpeg.size());
        int w = 0, h = 0, n = 0, p = 0, cs = 0, s = 0;
        int status = decoder.ReadHeader(w, h, n, p, cs, s);
        int stride = (w * 3 + 3) & ~3;
        pixels.resize(static_cast<size_t>(stride) * h);
        decoder.SetDestination(pixels.data(), w, h, stride, 8, 3, jpegdec::kColorBGR,
                               jpegdec::kSampling444);
        if (status == jpegdec::kOk) status = decoder.Decode();
        if (status != jpegdec::kOk) {
            state.SkipWithError("decode failed");
            break;
        }
        benchmark::DoNotOptimize(pixels.data());
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) *
                            static_cast<int64_t>(pixels.size()));
}

void RunLibjpeg(benchmark::State& state, const std::vector<uint8_t>& jpeg) {
    std::vector<uint8_t> pixels;
    for (auto _ : state) {
        Decompressor d;
        if (setjmp(d.trap.jump)) {
            state.SkipWithError("libjpeg-turbo failed");
            break;
        }
        jpeg_mem_src(&d.info, jpeg.data(), static_cast<unsigned long>(jpeg.size()));
        jpeg_read_header(&d.info, TRUE);
        d.info.out_color_space = JCS_EXT_BGR;
        d.info.dct_method = JDCT_ISLOW;
        jpeg_start_decompress(&d.info);
        int stride = (static_cast<int>(d.info.output_width) * 3 + 3) & ~3;
        pixels.resize(static_cast<size_t>(stride) * d.info.output_height);
        while (d.info.output_scanline < d.info.output_height) {
            JSAMPROW row = pixels.data() + static_cast<size_t>(d.info.output_scanline) * stride;
            jpeg_read_scanlines(&d.info, &row, 1);
        }
        jpeg_finish_decompress(&d.info);
        benchmark::DoNotOptimize(pixels.data());
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) *
                            static_cast<int64_t>(pixels.size()));
}

const std::vector<uint8_t>& Thumbnail() {
    static const std::vector<uint8_t> jpeg = MakeJpeg(160, 120, 2, 1);
    return jpeg;
}
const std::vector<uint8_t>& TwoMegapixel() {
    static const std::vector<uint8_t> jpeg = MakeJpeg(1632, 1224, 2, 2);
    return jpeg;
}

void BM_Thumbnail160x120_Own(benchmark::State& state) { RunOwn(state, Thumbnail()); }
void BM_Thumbnail160x120_Libjpeg(benchmark::State& state) { RunLibjpeg(state, Thumbnail()); }
void BM_Photo2MP_Own(benchmark::State& state) { RunOwn(state, TwoMegapixel()); }
void BM_Photo2MP_Libjpeg(benchmark::State& state) { RunLibjpeg(state, TwoMegapixel()); }

BENCHMARK(BM_Thumbnail160x120_Own)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_Thumbnail160x120_Libjpeg)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_Photo2MP_Own)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Photo2MP_Libjpeg)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
