#pragma once
// Shared helpers of the JPEG decoder tests: decoding with CJPEGDecoder into a buffer of the
// standard stride, comparing pixels and locating marker segments. libjpeg-turbo, the
// reference, is reached through codec_fixtures.h.
#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "codec_fixtures.h"
#include "jpegdecoder/jpegdecoder.h"

namespace dectest {

using codectest::Picture;

struct Result {
    int status = 0;
    int width = 0, height = 0, components = 0, precision = 0;
    int colorSpace = 0, sampling = 0;
    int stride = 0;
    Picture image;             // packed copy of the destination
    std::vector<uint8_t> raw;  // the destination buffer as written, padding included
};

// ReadHeader, then (when it succeeds) Decode into a buffer of the standard stride for the
// requested output, pre-filled so that rows never written show. `channels` is bytes per pixel.
inline Result DecodeOwn(const std::vector<uint8_t>& jpeg, int colorSpace = jpegdec::kColorBGR, int channels = 3,
                        int sampling = jpegdec::kSampling444, CJPEGDecoder* reuse = nullptr) {
    CJPEGDecoder local;
    CJPEGDecoder& decoder = reuse ? *reuse : local;
    decoder.Clean();
    decoder.Init();
    decoder.SetSource(jpeg.data(), jpeg.size());
    Result r;
    r.status = decoder.ReadHeader(r.width, r.height, r.components, r.precision, r.colorSpace, r.sampling);
    if (r.status != jpegdec::kOk) return r;
    const bool pairs = colorSpace == jpegdec::kColorYCbCr && sampling == jpegdec::kSampling422;
    const int rowBytes = pairs ? (r.width + 1) / 2 * 4 : r.width * channels;
    r.stride = (rowBytes + 3) & ~3;
    r.raw.assign(static_cast<size_t>(r.stride) * r.height, 0xA5);
    decoder.SetDestination(r.raw.data(), r.width, r.height, r.stride, 8, channels, colorSpace, sampling);
    r.status = decoder.Decode();
    r.image = Picture{rowBytes / channels, r.height, channels, {}};
    for (int y = 0; y < r.height; ++y) {
        const uint8_t* row = r.raw.data() + static_cast<size_t>(y) * r.stride;
        r.image.samples.insert(r.image.samples.end(), row, row + rowBytes);
    }
    decoder.Clean();
    return r;
}

// Largest absolute difference of two pictures of the same shape (-1 when shapes differ).
inline int MaxDifference(const Picture& a, const Picture& b) {
    if (a.width != b.width || a.height != b.height || a.components != b.components || a.samples.size() != b.samples.size())
        return -1;
    int worst = 0;
    for (size_t i = 0; i < a.samples.size(); ++i) worst = std::max(worst, std::abs(a.samples[i] - b.samples[i]));
    return worst;
}

// Offset of the first marker segment with this code before the first scan (the scan itself
// may be asked for), or -1.
inline long FindMarker(const std::vector<uint8_t>& jpeg, int marker) {
    size_t pos = 2;
    while (pos + 4 <= jpeg.size()) {
        if (jpeg[pos] != 0xFF) return -1;
        const int code = jpeg[pos + 1];
        if (code == marker) return static_cast<long>(pos);
        if (code == 0xDA || code == 0xD9) return -1;
        pos += 2 + ((jpeg[pos + 2] << 8) | jpeg[pos + 3]);
    }
    return -1;
}

}  // namespace dectest
