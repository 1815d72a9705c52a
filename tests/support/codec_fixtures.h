#pragma once
// Deterministic test pictures and JPEG files made and read with libjpeg directly: the
// trusted reference the codec component, the in-program decoder and lumaret-cli are
// compared with.
#include <algorithm>
#include <cmath>
#include <csetjmp>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <string>
#include <system_error>
#include <vector>

#include <jpeglib.h>

#include "tempdir.h"

namespace codectest {

// A picture with tightly packed samples (no row padding), `components` bytes per pixel.
struct Picture {
    int width = 0;
    int height = 0;
    int components = 3;
    std::vector<uint8_t> samples;

    const uint8_t* Pixel(int x, int y) const {
        return samples.data() + (static_cast<size_t>(y) * width + x) * components;
    }
};

// A photo-like picture, the same for the same seed: smooth gradients, a hard-edged disc,
// dark tiles and mild noise. 3 components are red-green-blue; 1 keeps green; 4 adds a
// fourth (ink) channel of its own.
inline Picture MakePhotoLike(int width, int height, uint32_t seed, int components = 3) {
    Picture picture{width, height, components, {}};
    picture.samples.reserve(static_cast<size_t>(width) * height * components);
    std::mt19937 random(seed);
    const int cx = static_cast<int>(random() % static_cast<uint32_t>(width));
    const int cy = static_cast<int>(random() % static_cast<uint32_t>(height));
    const int radius = 1 + std::min(width, height) / 3;
    uint32_t noise = seed * 2654435761u + 1;
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            noise = noise * 1664525u + 1013904223u;
            const int jitter = static_cast<int>((noise >> 24) & 15) - 8;
            int rgb[3] = {40 + 160 * x / width, 60 + 140 * y / height, 200 - 120 * (x + y) / (width + height)};
            const int dx = x - cx, dy = y - cy;
            if (dx * dx + dy * dy < radius * radius) rgb[0] = 230, rgb[1] = 190 - (dx & 31), rgb[2] = 60;
            if (((x / 37) + (y / 23)) % 7 == 0) rgb[0] /= 3, rgb[1] /= 3, rgb[2] /= 3;
            auto put = [&](int v) { picture.samples.push_back(static_cast<uint8_t>(std::clamp(v + jitter, 0, 255))); };
            if (components == 1) {
                put(rgb[1]);
                continue;
            }
            for (int v : rgb) put(v);
            if (components == 4) put(255 - (x * 5 + y * 3) % 200);
        }
    }
    return picture;
}

// Red-green-blue samples of `picture` reordered and padded to the program's blue-green-red
// layout with (width * 3 + 3) & ~3 bytes per row; the padding bytes hold `padding`.
inline std::vector<uint8_t> ToBgrRows(const Picture& picture, uint8_t padding = 0) {
    const size_t stride = (static_cast<size_t>(picture.width) * 3 + 3) & ~size_t{3};
    std::vector<uint8_t> rows(stride * picture.height, padding);
    for (int y = 0; y < picture.height; ++y) {
        for (int x = 0; x < picture.width; ++x) {
            const uint8_t* s = picture.Pixel(x, y);
            uint8_t* d = rows.data() + stride * y + x * 3;
            d[0] = s[2];
            d[1] = s[1];
            d[2] = s[0];
        }
    }
    return rows;
}

namespace detail {
struct Error {
    jpeg_error_mgr pub;
    std::jmp_buf jump;
};
[[noreturn]] inline void Exit(j_common_ptr cinfo) {
    std::longjmp(reinterpret_cast<Error*>(cinfo->err)->jump, 1);
}
inline void Quiet(j_common_ptr cinfo, int level) {
    if (level < 0) ++cinfo->err->num_warnings;
}
inline void Init(Error& err) {
    jpeg_std_error(&err.pub);
    err.pub.error_exit = Exit;
    err.pub.emit_message = Quiet;
}
// Runs libjpeg calls; false when libjpeg reported an error. `body` holds no objects with
// destructors, so the jump out of it skips nothing.
template <class Body>
[[gnu::noinline]] bool Guarded(Error& err, Body&& body) {
    if (setjmp(err.jump) != 0) return false;
    body();
    return true;
}
}  // namespace detail

// How a test file is encoded.
struct EncodeOptions {
    EncodeOptions(int quality_ = 90, J_COLOR_SPACE space = JCS_YCbCr, int h = 2, int v = 2,
                  bool progressive_ = false, int restartRows_ = 0)
        : quality(quality_), fileColorSpace(space), lumaH(h), lumaV(v), progressive(progressive_),
          restartRows(restartRows_) {}
    int quality;
    J_COLOR_SPACE fileColorSpace;  // also JCS_GRAYSCALE, JCS_RGB, JCS_CMYK, JCS_YCCK
    int lumaH, lumaV;              // sampling of the first (and fourth) component; others 1x1
    bool progressive;
    int restartRows;
    int restartInterval = 0;           // in MCUs
    bool optimize = false;
    std::vector<jpeg_scan_info> scans;  // a scan script of its own when not empty
};

// Encodes `picture` (1 component: grey, 3: red-green-blue, 4: CMYK) into JPEG bytes.
inline std::vector<uint8_t> EncodeJpeg(const Picture& picture, const EncodeOptions& options = {}) {
    jpeg_compress_struct cinfo{};
    detail::Error err{};
    detail::Init(err);
    cinfo.err = &err.pub;
    unsigned char* buffer = nullptr;
    unsigned long size = 0;
    std::vector<uint8_t> bytes;
    jpeg_create_compress(&cinfo);
    const bool ok = detail::Guarded(err, [&] {
        jpeg_mem_dest(&cinfo, &buffer, &size);
        cinfo.image_width = static_cast<JDIMENSION>(picture.width);
        cinfo.image_height = static_cast<JDIMENSION>(picture.height);
        cinfo.input_components = picture.components;
        cinfo.in_color_space = picture.components == 1 ? JCS_GRAYSCALE
                               : picture.components == 4 ? JCS_CMYK
                                                         : JCS_RGB;
        jpeg_set_defaults(&cinfo);
        jpeg_set_colorspace(&cinfo, options.fileColorSpace);
        jpeg_set_quality(&cinfo, options.quality, TRUE);
        for (int c = 0; c < cinfo.num_components && cinfo.num_components > 1; ++c) {
            const bool full = c == 0 || c == 3;
            cinfo.comp_info[c].h_samp_factor = full ? options.lumaH : 1;
            cinfo.comp_info[c].v_samp_factor = full ? options.lumaV : 1;
        }
        if (options.progressive) jpeg_simple_progression(&cinfo);
        if (!options.scans.empty()) {
            cinfo.scan_info = options.scans.data();
            cinfo.num_scans = static_cast<int>(options.scans.size());
        }
        cinfo.restart_in_rows = options.restartRows;
        cinfo.restart_interval = static_cast<unsigned>(options.restartInterval);
        cinfo.optimize_coding = options.optimize ? TRUE : FALSE;
        jpeg_start_compress(&cinfo, TRUE);
        const size_t rowBytes = static_cast<size_t>(picture.width) * picture.components;
        while (cinfo.next_scanline < cinfo.image_height) {
            JSAMPROW row = const_cast<JSAMPROW>(picture.samples.data() + rowBytes * cinfo.next_scanline);
            jpeg_write_scanlines(&cinfo, &row, 1);
        }
        jpeg_finish_compress(&cinfo);
    });
    if (ok) bytes.assign(buffer, buffer + size);
    jpeg_destroy_compress(&cinfo);
    std::free(buffer);
    return bytes;
}

// libjpeg's own decoding (islow IDCT) at 1/scale. `out` JCS_UNKNOWN gives red-green-blue,
// or CMYK for four-component files; `fancy` false is plain chroma replication. Empty
// picture on error; `warnings` counts libjpeg's warnings.
inline Picture DecodeJpeg(const std::vector<uint8_t>& bytes, int scale = 1, int* warnings = nullptr,
                          J_COLOR_SPACE out = JCS_UNKNOWN, bool fancy = true) {
    jpeg_decompress_struct cinfo{};
    detail::Error err{};
    detail::Init(err);
    cinfo.err = &err.pub;
    Picture picture;
    jpeg_create_decompress(&cinfo);
    uint8_t* samples = nullptr;  // set once the output size is known
    size_t rowBytes = 0;
    const bool ok = detail::Guarded(err, [&] {
        jpeg_mem_src(&cinfo, bytes.data(), static_cast<unsigned long>(bytes.size()));
        jpeg_read_header(&cinfo, TRUE);
        cinfo.scale_num = 1;
        cinfo.scale_denom = static_cast<unsigned>(scale);
        cinfo.dct_method = JDCT_ISLOW;
        cinfo.do_fancy_upsampling = fancy ? TRUE : FALSE;
        const bool cmyk = cinfo.jpeg_color_space == JCS_CMYK || cinfo.jpeg_color_space == JCS_YCCK;
        cinfo.out_color_space = out != JCS_UNKNOWN ? out : cmyk ? JCS_CMYK : JCS_RGB;
        jpeg_start_decompress(&cinfo);
        picture.width = static_cast<int>(cinfo.output_width);
        picture.height = static_cast<int>(cinfo.output_height);
        picture.components = cinfo.output_components;
        rowBytes = static_cast<size_t>(picture.width) * picture.components;
        samples = static_cast<uint8_t*>(std::malloc(rowBytes * picture.height));
        if (samples == nullptr) detail::Exit(reinterpret_cast<j_common_ptr>(&cinfo));
        while (cinfo.output_scanline < cinfo.output_height) {
            JSAMPROW row = samples + rowBytes * cinfo.output_scanline;
            jpeg_read_scanlines(&cinfo, &row, 1);
        }
        jpeg_finish_decompress(&cinfo);
    });
    if (warnings) *warnings = static_cast<int>(err.pub.num_warnings);
    if (ok) picture.samples.assign(samples, samples + rowBytes * picture.height);
    else picture = Picture{};
    std::free(samples);
    jpeg_destroy_decompress(&cinfo);
    return picture;
}

inline std::vector<uint8_t> ReadFileBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

inline bool WriteFileBytes(const std::string& path, const std::vector<uint8_t>& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    return static_cast<bool>(out);
}

using ScratchDir = testsupport::TempDir;

// Peak signal-to-noise ratio in dB between two same-sized sample arrays.
inline double Psnr(const uint8_t* a, const uint8_t* b, size_t count) {
    double sum = 0;
    for (size_t i = 0; i < count; ++i) {
        const double d = static_cast<double>(a[i]) - b[i];
        sum += d * d;
    }
    if (sum == 0) return 99.0;
    return 10.0 * std::log10(255.0 * 255.0 * static_cast<double>(count) / sum);
}

}  // namespace codectest
