#pragma once
// A blur engine that keeps what it computes and a double-precision reference blur for the
// detail tests.
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <limits>
#include <random>
#include <vector>

#include "test_image.h"
#include "detail/gaussblur.h"

namespace detailtest {

using testimage::Image;
using testimage::Photo;
using testimage::SamePixels;

struct TileCall {
    int32_t margin, width, height, x, y;
};

// Collects every blurred value the engine hands out, and how often each pixel came.
template <class Engine>
class Capture : public Engine {
public:
    Capture(int32_t width, int32_t height, int32_t channels)
        : width(width), channels(channels),
          values(static_cast<size_t>(width) * height * channels, std::numeric_limits<float>::quiet_NaN()),
          hits(static_cast<size_t>(width) * height, 0) {}

    bool OnTileReady(const ImagePlane& tile, int32_t margin, int32_t w, int32_t h, int32_t x, int32_t y) override {
        calls.push_back({margin, w, h, x, y});
        for (int32_t r = 0; r < h; ++r) {
            const float* row = reinterpret_cast<const float*>(tile.Row(margin + r));
            for (int32_t c = 0; c < w; ++c) {
                const size_t pixel = static_cast<size_t>(y + r) * width + (x + c);
                ++hits[pixel];
                for (int32_t ch = 0; ch < channels; ++ch)
                    values[pixel * channels + ch] = row[(margin + c) * channels + ch];
            }
        }
        return stopAfter < 0 || static_cast<int>(calls.size()) < stopAfter;
    }

    int32_t width, channels;
    std::vector<float> values;
    std::vector<int> hits;
    std::vector<TileCall> calls;
    int stopAfter = -1;
};

using Capture1c = Capture<CGaussBlur1c>;
using CaptureRGB = Capture<CGaussBlurRGB>;

// Gaussian blur in double over -half..half with edge replication, one pass along the rows
// and one down the columns (exact, as the 2-D kernel is the product of two 1-D ones).
inline std::vector<double> ReferenceBlur(const ImagePlane& src, float sigma, int32_t half) {
    const int32_t W = src.width, H = src.height, C = src.channels;
    std::vector<double> k(static_cast<size_t>(2 * half + 1)), a(static_cast<size_t>(W) * H * C), b(a.size());
    double sum = 0;
    for (int32_t i = -half; i <= half; ++i) sum += k[static_cast<size_t>(i + half)] = std::exp(-double(i) * i / (2.0 * sigma * sigma));
    for (double& v : k) v /= sum;
    auto at = [&](int32_t x, int32_t y, int32_t c) { return (static_cast<size_t>(y) * W + x) * C + c; };
    for (int32_t y = 0; y < H; ++y)
        for (int32_t j = 0; j < W * C; ++j) a[static_cast<size_t>(y) * W * C + j] = src.Row(y)[j];
    auto pass = [&](const std::vector<double>& in, std::vector<double>& out, int32_t dx, int32_t dy) {
        for (int32_t y = 0; y < H; ++y)
            for (int32_t x = 0; x < W; ++x)
                for (int32_t c = 0; c < C; ++c) {
                    double acc = 0;
                    for (int32_t i = -half; i <= half; ++i)
                        acc += k[static_cast<size_t>(i + half)] * in[at(std::clamp(x + i * dx, 0, W - 1), std::clamp(y + i * dy, 0, H - 1), c)];
                    out[at(x, y, c)] = acc;
                }
    };
    pass(a, b, 1, 0);
    pass(b, a, 0, 1);
    return a;
}

}  // namespace detailtest
