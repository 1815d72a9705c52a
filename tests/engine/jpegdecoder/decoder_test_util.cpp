#include "decoder_test_util.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <fstream>
#include <iterator>

namespace dectest {

namespace {
uint32_t Hash(uint32_t x) {
    x ^= x >> 16;
    x *= 0x7feb352dU;
    x ^= x >> 15;
    x *= 0x846ca68bU;
    x ^= x >> 16;
    return x;
}
}  // namespace

refjpeg::Image MakeImage(int width, int height, int channels, uint32_t seed) {
    refjpeg::Image image;
    image.width = width;
    image.height = height;
    image.channels = channels;
    image.pixels.resize(static_cast<size_t>(width) * height * channels);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            for (int c = 0; c < channels; ++c) {
                double wave = 90.0 * std::sin(x * (0.05 + 0.03 * c) + y * (0.08 - 0.02 * c) + seed);
                // A bright box with hard edges gives the coder high frequencies to carry.
                bool box = x > width / 4 && x < width / 2 && y > height / 3 && y < 2 * height / 3;
                double edge = box ? (c == 1 ? -70.0 : 60.0) : 0.0;
                uint32_t h = Hash(static_cast<uint32_t>((y * 131071 + x) * 7 + c) ^ seed);
                double noise = static_cast<double>(h % 41) - 20.0;
                double v = 128.0 + wave + edge + noise;
                image.At(x, y)[c] = static_cast<uint8_t>(std::clamp(v, 0.0, 255.0));
            }
        }
    }
    return image;
}

Result DecodeOwn(const std::vector<uint8_t>& jpeg, int colorSpace, int channels, int sampling,
                 CJPEGDecoder* reuse) {
    CJPEGDecoder local;
    CJPEGDecoder& decoder = reuse ? *reuse : local;
    decoder.Clean();
    decoder.Init();
    decoder.SetSource(jpeg.data(), jpeg.size());
    Result r;
    r.status = decoder.ReadHeader(r.width, r.height, r.components, r.precision, r.colorSpace,
                                  r.sampling);
    if (r.status != jpegdec::kOk) return r;
    int rowBytes = colorSpace == jpegdec::kColorYCbCr && sampling == jpegdec::kSampling422
                       ? (r.width + 1) / 2 * 4
                       : r.width * channels;
    r.stride = (rowBytes + 3) & ~3;
    // Pre-filled so that rows the decoder never wrote show up.
    r.raw.assign(static_cast<size_t>(r.stride) * r.height, 0xA5);
    decoder.SetDestination(r.raw.data(), r.width, r.height, r.stride, 8, channels, colorSpace,
                           sampling);
    r.status = decoder.Decode();
    r.image.width = rowBytes / channels;
    r.image.height = r.height;
    r.image.channels = channels;
    for (int y = 0; y < r.height; ++y) {
        const uint8_t* row = r.raw.data() + static_cast<size_t>(y) * r.stride;
        r.image.pixels.insert(r.image.pixels.end(), row, row + rowBytes);
    }
    decoder.Clean();
    return r;
}

int MaxDifference(const refjpeg::Image& a, const refjpeg::Image& b) {
    if (a.width != b.width || a.height != b.height || a.channels != b.channels ||
        a.pixels.size() != b.pixels.size())
        return -1;
    int worst = 0;
    for (size_t i = 0; i < a.pixels.size(); ++i)
        worst = std::max(worst, std::abs(int{a.pixels[i]} - int{b.pixels[i]}));
    return worst;
}

long FindMarker(const std::vector<uint8_t>& jpeg, int marker) {
    // Walks the segments from SOI; stops at the first scan unless that is what is asked for.
    size_t pos = 2;
    while (pos + 4 <= jpeg.size()) {
        if (jpeg[pos] != 0xFF) return -1;
        int code = jpeg[pos + 1];
        if (code == marker) return static_cast<long>(pos);
        if (code == 0xDA || code == 0xD9) return -1;
        pos += 2 + ((jpeg[pos + 2] << 8) | jpeg[pos + 3]);
    }
    return -1;
}

std::vector<uint8_t> ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) return {};
    return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), {});
}

}  // namespace dectest
