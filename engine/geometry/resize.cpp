#include "geometry/resize.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <new>
#include <vector>

#include "geometry/kernels.h"
#include "geometry/parallel.h"
#include "geometry/types.h"
#include "geometry/verticalpass.h"

namespace geometry {
namespace {

enum class Filter { Triangle, Cubic, Box, Lanczos };

// Per destination index along one axis: the first source index and `taps` weights.
struct AxisWeights {
    int32_t taps = 0;
    std::vector<int32_t> start;
    std::vector<float> weights;  // taps per destination index
};

double BaseSupport(Filter filter) {
    switch (filter) {
        case Filter::Triangle:
            return 1.0;
        case Filter::Cubic:
            return 2.0;
        case Filter::Box:
            return 0.5;
        case Filter::Lanczos:
            return 3.0;
    }
    return 1.0;
}

double KernelAt(Filter filter, double t) {
    switch (filter) {
        case Filter::Triangle:
            return detail::TriangleKernel(t);
        case Filter::Cubic:
            return detail::CubicKernel(t);
        case Filter::Lanczos:
            return detail::LanczosKernel(t);
        case Filter::Box:
            break;
    }
    return 0.0;
}

AxisWeights BuildAxis(int32_t srcLen, int32_t dstLen, Filter filter) {
    const double scale = static_cast<double>(dstLen) / srcLen;
    // Shrinking widens the kernel so that every source pixel contributes.
    const double stretch = std::max(1.0, 1.0 / scale);
    const double support = BaseSupport(filter) * stretch;

    std::vector<std::vector<double>> windows(static_cast<size_t>(dstLen));
    std::vector<int32_t> firsts(static_cast<size_t>(dstLen));
    int32_t taps = 1;
    for (int32_t x = 0; x < dstLen; ++x) {
        const double centre = (x + 0.5) / scale - 0.5;
        const int32_t lo = static_cast<int32_t>(std::floor(centre - support));
        const int32_t hi = static_cast<int32_t>(std::ceil(centre + support));
        const int32_t first = std::clamp(lo, 0, srcLen - 1);
        const int32_t last = std::clamp(hi, 0, srcLen - 1);
        std::vector<double> w(static_cast<size_t>(last - first + 1), 0.0);
        for (int32_t i = lo; i <= hi; ++i) {
            double v;
            if (filter == Filter::Box) {
                // Area averaging: the share of source pixel i inside the destination pixel.
                const double a = std::max(i - 0.5, centre - support);
                const double b = std::min(i + 0.5, centre + support);
                v = std::max(0.0, b - a);
            } else {
                v = KernelAt(filter, (i - centre) / stretch);
            }
            // Beyond the edges the edge pixels repeat.
            w[static_cast<size_t>(std::clamp(i, 0, srcLen - 1) - first)] += v;
        }
        double sum = 0.0;
        for (double v : w) sum += v;
        if (std::fabs(sum) < 1e-12) {  // cannot happen with these kernels; stay safe
            std::fill(w.begin(), w.end(), 0.0);
            w[static_cast<size_t>(
                std::clamp(static_cast<int32_t>(std::lround(centre)), first, last) - first)] = 1.0;
            sum = 1.0;
        }
        for (double& v : w) v /= sum;
        // Drop zero weights at both ends (kernel zeros) to keep the windows short.
        size_t b = 0, e = w.size();
        while (e - b > 1 && w[b] == 0.0) ++b;
        while (e - b > 1 && w[e - 1] == 0.0) --e;
        windows[static_cast<size_t>(x)].assign(w.begin() + static_cast<ptrdiff_t>(b),
                                               w.begin() + static_cast<ptrdiff_t>(e));
        firsts[static_cast<size_t>(x)] = first + static_cast<int32_t>(b);
        taps = std::max(taps, static_cast<int32_t>(e - b));
    }

    AxisWeights axis;
    axis.taps = taps;  // never more than srcLen: every window lies inside the source
    axis.start.resize(static_cast<size_t>(dstLen));
    axis.weights.assign(static_cast<size_t>(dstLen) * static_cast<size_t>(taps), 0.0f);
    for (int32_t x = 0; x < dstLen; ++x) {
        const std::vector<double>& w = windows[static_cast<size_t>(x)];
        // Every window gets the same tap count; a window near the end starts earlier.
        const int32_t start = std::min(firsts[static_cast<size_t>(x)], srcLen - taps);
        const int32_t offset = firsts[static_cast<size_t>(x)] - start;
        axis.start[static_cast<size_t>(x)] = start;
        float* dst = &axis.weights[static_cast<size_t>(x) * static_cast<size_t>(taps)];
        for (size_t k = 0; k < w.size(); ++k)
            dst[static_cast<size_t>(offset) + k] = static_cast<float>(w[k]);
    }
    return axis;
}

typedef float Float4 __attribute__((vector_size(16)));

inline Float4 Load4(const float* p) {
    Float4 v;
    std::memcpy(&v, p, sizeof v);
    return v;
}

// One destination row from a vertically filtered source row (3 floats per pixel, plus one
// float of padding so that 4-float loads stay inside).
void HorizontalPass(const float* line, const AxisWeights& ax, int32_t dstWidth, uint8_t* out) {
    const int32_t taps = ax.taps;
    const float* w = ax.weights.data();
    for (int32_t x = 0; x < dstWidth; ++x, w += taps, out += 3) {
        const float* p = line + static_cast<ptrdiff_t>(ax.start[static_cast<size_t>(x)]) * 3;
        Float4 acc = {0.0f, 0.0f, 0.0f, 0.0f};
        for (int32_t k = 0; k < taps; ++k, p += 3) acc += w[k] * Load4(p);
        out[0] = detail::SaturateRound(acc[0]);
        out[1] = detail::SaturateRound(acc[1]);
        out[2] = detail::SaturateRound(acc[2]);
    }
}

bool ResizeFiltered(const ImagePlane& src, const ImagePlane& dst, Filter filter, int threads) {
    const AxisWeights ax = BuildAxis(src.width, dst.width, filter);
    const AxisWeights ay = BuildAxis(src.height, dst.height, filter);
    const int32_t lineFloats = src.width * 3;
    const detail::SimdLevel simd = detail::BestSimdLevel();
    return detail::ParallelRows(dst.height, threads, [&](int32_t begin, int32_t end) {
        std::vector<float> line(static_cast<size_t>(lineFloats) + 4, 0.0f);
        std::vector<const uint8_t*> rows(static_cast<size_t>(ay.taps));
        for (int32_t y = begin; y < end; ++y) {
            const int32_t start = ay.start[static_cast<size_t>(y)];
            for (int32_t k = 0; k < ay.taps; ++k) rows[static_cast<size_t>(k)] = src.Row(start + k);
            VerticalPass(rows.data(),
                         &ay.weights[static_cast<size_t>(y) * static_cast<size_t>(ay.taps)],
                         ay.taps, lineFloats, line.data(), simd);
            HorizontalPass(line.data(), ax, dst.width, dst.Row(y));
        }
    });
}

bool ResizeNearest(const ImagePlane& src, const ImagePlane& dst, int threads) {
    // Source index of each destination pixel centre: floor((x + 0.5) * src / dst).
    std::vector<ptrdiff_t> cols(static_cast<size_t>(dst.width));
    for (int32_t x = 0; x < dst.width; ++x)
        cols[static_cast<size_t>(x)] =
            static_cast<ptrdiff_t>((2 * static_cast<int64_t>(x) + 1) * src.width /
                                   (2 * static_cast<int64_t>(dst.width))) *
            3;
    return detail::ParallelRows(dst.height, threads, [&](int32_t begin, int32_t end) {
        for (int32_t y = begin; y < end; ++y) {
            const int32_t sy = static_cast<int32_t>((2 * static_cast<int64_t>(y) + 1) * src.height /
                                                    (2 * static_cast<int64_t>(dst.height)));
            const uint8_t* s = src.Row(sy);
            uint8_t* d = dst.Row(y);
            for (int32_t x = 0; x < dst.width; ++x, d += 3) {
                const uint8_t* p = s + cols[static_cast<size_t>(x)];
                d[0] = p[0];
                d[1] = p[1];
                d[2] = p[2];
            }
        }
    });
}

}  // namespace

bool ResizeImage(const ImagePlane& src, const ImagePlane& dst, ResizeMethod method, int threads) {
    if (!src.IsValid() || src.channels != 3 || src.stride < src.width * 3 ||
        !IsPlaneOfSize(dst, dst.width, dst.height))
        return false;
    try {
        switch (method) {
            case ResizeMethod::Nearest:
                return ResizeNearest(src, dst, threads);
            case ResizeMethod::Bilinear:
                return ResizeFiltered(src, dst, Filter::Triangle, threads);
            case ResizeMethod::SuperSampling:
                if (dst.width < src.width && dst.height < src.height)
                    return ResizeFiltered(src, dst, Filter::Box, threads);
                return ResizeFiltered(src, dst, Filter::Cubic, threads);
            case ResizeMethod::Lanczos:
                return ResizeFiltered(src, dst, Filter::Lanczos, threads);
            case ResizeMethod::Bicubic:
                return ResizeFiltered(src, dst, Filter::Cubic, threads);
        }
    } catch (const std::bad_alloc&) {
        return false;
    }
    return false;  // unknown method
}

}  // namespace geometry
