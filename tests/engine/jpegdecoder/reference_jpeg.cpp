// The libjpeg-turbo wrapper of the decoder tests: errors become result values here.
#include "reference_jpeg.h"

#include <csetjmp>
#include <cstdio>
#include <cstdlib>
#include <memory>

#include <jpeglib.h>

namespace refjpeg {
namespace {

struct ErrorTrap {
    jpeg_error_mgr mgr;
    jmp_buf jump;
    int warnings = 0;
    char message[JMSG_LENGTH_MAX] = {};
};

void OnError(j_common_ptr info) {
    auto* trap = reinterpret_cast<ErrorTrap*>(info->err);
    info->err->format_message(info, trap->message);
    longjmp(trap->jump, 1);
}

void OnMessage(j_common_ptr info, int level) {
    if (level < 0) ++reinterpret_cast<ErrorTrap*>(info->err)->warnings;
}

J_COLOR_SPACE ToLib(Space s) {
    switch (s) {
    case Space::Grey: return JCS_GRAYSCALE;
    case Space::RGB: return JCS_RGB;
    case Space::BGR: return JCS_EXT_BGR;
    case Space::YCbCr: return JCS_YCbCr;
    case Space::CMYK: return JCS_CMYK;
    case Space::YCCK: return JCS_YCCK;
    }
    return JCS_UNKNOWN;
}

Space FromLib(J_COLOR_SPACE s) {
    switch (s) {
    case JCS_GRAYSCALE: return Space::Grey;
    case JCS_RGB: return Space::RGB;
    case JCS_CMYK: return Space::CMYK;
    case JCS_YCCK: return Space::YCCK;
    default: return Space::YCbCr;
    }
}

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
        trap.mgr.emit_message = OnMessage;
        jpeg_create_decompress(&info);
    }
    ~Decompressor() { jpeg_destroy_decompress(&info); }
};

}  // namespace

std::vector<uint8_t> Encode(const Image& image, const EncodeOptions& options) {
    Compressor c;
    std::vector<uint8_t> out;
    if (setjmp(c.trap.jump)) return {};
    jpeg_mem_dest(&c.info, &c.buffer, &c.size);
    c.info.image_width = static_cast<JDIMENSION>(image.width);
    c.info.image_height = static_cast<JDIMENSION>(image.height);
    c.info.input_components = image.channels;
    c.info.in_color_space = ToLib(options.input);
    jpeg_set_defaults(&c.info);
    jpeg_set_colorspace(&c.info, ToLib(options.jpegSpace));
    jpeg_set_quality(&c.info, options.quality, TRUE);
    if (c.info.num_components > 1) {
        for (int i = 0; i < c.info.num_components; ++i) {
            bool full = i == 0 || i == 3;
            c.info.comp_info[i].h_samp_factor = full ? options.hSamp : 1;
            c.info.comp_info[i].v_samp_factor = full ? options.vSamp : 1;
        }
    }
    c.info.restart_interval = static_cast<unsigned>(options.restartInterval);
    c.info.optimize_coding = options.optimize ? TRUE : FALSE;
    if (options.progressive) jpeg_simple_progression(&c.info);
    static const jpeg_scan_info kPerComponent[] = {
        {1, {0}, 0, 63, 0, 0}, {1, {1}, 0, 63, 0, 0}, {1, {2}, 0, 63, 0, 0}};
    static const jpeg_scan_info kLumaThenChroma[] = {{1, {0}, 0, 63, 0, 0},
                                                      {2, {1, 2}, 0, 63, 0, 0}};
    if (options.scanLayout == 1) {
        c.info.scan_info = kPerComponent;
        c.info.num_scans = 3;
    } else if (options.scanLayout == 2) {
        c.info.scan_info = kLumaThenChroma;
        c.info.num_scans = 2;
    }
    jpeg_start_compress(&c.info, TRUE);
    while (c.info.next_scanline < c.info.image_height) {
        JSAMPROW row = const_cast<JSAMPROW>(image.At(0, static_cast<int>(c.info.next_scanline)));
        jpeg_write_scanlines(&c.info, &row, 1);
    }
    jpeg_finish_compress(&c.info);
    out.assign(c.buffer, c.buffer + c.size);
    return out;
}

Decoded Decode(const std::vector<uint8_t>& jpeg, const DecodeOptions& options) {
    Decompressor d;
    // Kept on the heap: locals changed between setjmp and longjmp are indeterminate after it.
    auto result = std::make_unique<Decoded>();
    if (setjmp(d.trap.jump)) {
        result->ok = false;
        result->message = d.trap.message;
        return std::move(*result);
    }
    jpeg_mem_src(&d.info, jpeg.data(), static_cast<unsigned long>(jpeg.size()));
    jpeg_read_header(&d.info, TRUE);
    result->jpegSpace = FromLib(d.info.jpeg_color_space);
    d.info.out_color_space = ToLib(options.output);
    d.info.dct_method = JDCT_ISLOW;
    d.info.do_fancy_upsampling = options.fancyUpsampling ? TRUE : FALSE;
    jpeg_start_decompress(&d.info);
    Image& image = result->image;
    image.width = static_cast<int>(d.info.output_width);
    image.height = static_cast<int>(d.info.output_height);
    image.channels = d.info.output_components;
    image.pixels.resize(static_cast<size_t>(image.width) * image.height * image.channels);
    while (d.info.output_scanline < d.info.output_height) {
        JSAMPROW row = image.At(0, static_cast<int>(d.info.output_scanline));
        jpeg_read_scanlines(&d.info, &row, 1);
    }
    jpeg_finish_decompress(&d.info);
    result->warnings = d.trap.warnings;
    result->ok = true;
    return std::move(*result);
}

std::vector<Image> DecodeRawPlanes(const std::vector<uint8_t>& jpeg) {
    Decompressor d;
    auto planesHolder = std::make_unique<std::vector<Image>>();
    auto rowsHolder = std::make_unique<std::vector<std::vector<JSAMPROW>>>();
    std::vector<Image>& planes = *planesHolder;
    std::vector<std::vector<JSAMPROW>>& rows = *rowsHolder;
    if (setjmp(d.trap.jump)) return {};
    jpeg_mem_src(&d.info, jpeg.data(), static_cast<unsigned long>(jpeg.size()));
    jpeg_read_header(&d.info, TRUE);
    d.info.raw_data_out = TRUE;
    d.info.dct_method = JDCT_ISLOW;
    jpeg_start_decompress(&d.info);
    const int n = d.info.num_components;
    const int groupRows = d.info.max_v_samp_factor * DCTSIZE;
    planes.resize(static_cast<size_t>(n));
    rows.resize(static_cast<size_t>(n));
    for (int c = 0; c < n; ++c) {
        const jpeg_component_info& comp = d.info.comp_info[c];
        Image& plane = planes[static_cast<size_t>(c)];
        // Padded to whole blocks and whole MCU rows, as libjpeg writes them.
        plane.width = static_cast<int>(comp.width_in_blocks) * DCTSIZE;
        int mcuRows = static_cast<int>((d.info.output_height + groupRows - 1) / groupRows);
        plane.height = mcuRows * comp.v_samp_factor * DCTSIZE;
        plane.channels = 1;
        plane.pixels.resize(static_cast<size_t>(plane.width) * plane.height);
    }
    JSAMPARRAY arrays[MAX_COMPONENTS];
    int y = 0;
    while (d.info.output_scanline < d.info.output_height) {
        for (int c = 0; c < n; ++c) {
            const jpeg_component_info& comp = d.info.comp_info[c];
            auto& list = rows[static_cast<size_t>(c)];
            list.clear();
            int first = y / d.info.max_v_samp_factor * comp.v_samp_factor;
            for (int r = 0; r < comp.v_samp_factor * DCTSIZE; ++r)
                list.push_back(planes[static_cast<size_t>(c)].At(0, first + r));
            arrays[c] = list.data();
        }
        jpeg_read_raw_data(&d.info, arrays, static_cast<JDIMENSION>(groupRows));
        y += groupRows;
    }
    // Crop each plane to the samples the image covers (read before finishing: the
    // component records go with the image).
    for (int c = 0; c < n; ++c) {
        const jpeg_component_info& comp = d.info.comp_info[c];
        Image cropped;
        cropped.width = static_cast<int>(comp.downsampled_width);
        cropped.height = static_cast<int>(comp.downsampled_height);
        cropped.channels = 1;
        for (int r = 0; r < cropped.height; ++r) {
            const uint8_t* src = planes[static_cast<size_t>(c)].At(0, r);
            cropped.pixels.insert(cropped.pixels.end(), src, src + cropped.width);
        }
        planes[static_cast<size_t>(c)] = std::move(cropped);
    }
    jpeg_finish_decompress(&d.info);
    return std::move(planes);
}

}  // namespace refjpeg
