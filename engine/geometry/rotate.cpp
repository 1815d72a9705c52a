#include "geometry/rotate.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <numbers>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "geometry/kernels.h"
#include "geometry/parallel.h"

namespace geometry {

RotationFrame RotationFrame::Make(int32_t w, int32_t h, float angleDegrees) {
    RotationFrame f;
    if (w <= 0 || h <= 0) return f;
    f.sourceWidth = w;
    f.sourceHeight = h;
    double a = std::fmod(static_cast<double>(angleDegrees), 360.0);
    if (a < 0.0) a += 360.0;
    if (a >= 360.0) a -= 360.0;
    // Exact sine and cosine at the right angles, so those turns land on whole pixels.
    if (a == 0.0 || a == 90.0 || a == 180.0 || a == 270.0) {
        f.quarterTurn = true;
        f.quarters = static_cast<int32_t>(a / 90.0);
        static constexpr double kCos[4] = {1.0, 0.0, -1.0, 0.0};
        static constexpr double kSin[4] = {0.0, 1.0, 0.0, -1.0};
        f.cosA = kCos[f.quarters];
        f.sinA = kSin[f.quarters];
    } else if (std::isfinite(a)) {
        const double r = a * std::numbers::pi / 180.0;
        f.cosA = std::cos(r);
        f.sinA = std::sin(r);
    }  // a non-finite angle leaves the identity
    f.centreX = w / 2;
    f.centreY = h / 2;
    // Turn the corner pixel centres; their bounding box is the canvas.
    const double xs[4] = {0.0, w - 1.0, 0.0, w - 1.0};
    const double ys[4] = {0.0, 0.0, h - 1.0, h - 1.0};
    double x0 = 0, y0 = 0, x1 = 0, y1 = 0;
    for (int i = 0; i < 4; ++i) {
        const double dx = xs[i] - f.centreX;
        const double dy = ys[i] - f.centreY;
        const double x = f.cosA * dx + f.sinA * dy + f.centreX;
        const double y = -f.sinA * dx + f.cosA * dy + f.centreY;
        if (i == 0 || x < x0) x0 = x;
        if (i == 0 || x > x1) x1 = x;
        if (i == 0 || y < y0) y0 = y;
        if (i == 0 || y > y1) y1 = y;
    }
    f.originX = x0;
    f.originY = y0;
    f.width = static_cast<int32_t>(std::lround(x1 - x0)) + 1;
    f.height = static_cast<int32_t>(std::lround(y1 - y0)) + 1;
    return f;
}

bool RotationFrame::CoversPixel(int32_t x, int32_t y) const {
    double sx, sy;
    SourceOf(x, y, sx, sy);
    return ContainsSource(sx, sy);
}

ImageSize RotatedSize(int32_t w, int32_t h, float angleDegrees) {
    const RotationFrame f = RotationFrame::Make(w, h, angleDegrees);
    return {f.width, f.height};
}

namespace {

bool SameShape(const ImagePlane& src, const ImagePlane& dst) {
    return src.IsValid() && src.channels == 3 && src.stride >= src.width * 3 &&
           IsPlaneOfSize(dst, src.width, src.height);
}

bool CheckRotation(const ImagePlane& src, const ImagePlane& dst, const RotationFrame& f) {
    return src.IsValid() && src.channels == 3 && src.stride >= src.width * 3 &&
           IsPlaneOfSize(dst, f.width, f.height);
}

inline void CopyPixel(uint8_t* d, const uint8_t* s) {
    d[0] = s[0];
    d[1] = s[1];
    d[2] = s[2];
}

// Quarter turns by tiles, so that both the rows read and the rows written stay in cache.
// Destination rows are shared among threads; each row is written by one thread only.
void QuarterTurn(const ImagePlane& src, const ImagePlane& dst, int32_t quarters, int threads) {
    const int32_t w = src.width, h = src.height;
    if (quarters == 0) {
        detail::ParallelRows(h, threads, [&](int32_t begin, int32_t end) {
            for (int32_t y = begin; y < end; ++y)
                std::memcpy(dst.Row(y), src.Row(y), static_cast<size_t>(w) * 3);
        });
        return;
    }
    if (quarters == 2) {
        detail::ParallelRows(h, threads, [&](int32_t begin, int32_t end) {
            for (int32_t y = begin; y < end; ++y) {
                const uint8_t* s = src.Row(h - 1 - y) + static_cast<ptrdiff_t>(w - 1) * 3;
                uint8_t* d = dst.Row(y);
                for (int32_t x = 0; x < w; ++x, d += 3, s -= 3) CopyPixel(d, s);
            }
        });
        return;
    }
    constexpr int32_t kTile = 32;
    // Pixels are moved as 4-byte words where the fourth byte is still inside the row read
    // and is overwritten later by the next pixel written; the last pixel of a row (read or
    // written) moves as 3 bytes.
    const int32_t dw = dst.width, dh = dst.height;  // h x w
    detail::ParallelRows(dh, threads, [&](int32_t begin, int32_t end) {
        for (int32_t ty = begin; ty < end; ty += kTile) {
            const int32_t yEnd = std::min(end, ty + kTile);
            for (int32_t tx = 0; tx < dw; tx += kTile) {
                const int32_t xEnd = std::min(dw, tx + kTile);
                const int32_t wideEnd = std::min(xEnd, dw - 1);
                for (int32_t y = ty; y < yEnd; ++y) {
                    uint8_t* d = dst.Row(y) + static_cast<ptrdiff_t>(tx) * 3;
                    // Counter-clockwise: dst(x, y) = src(w - 1 - y, x); clockwise: src(y, h - 1 - x).
                    const int32_t column = quarters == 1 ? w - 1 - y : y;
                    const ptrdiff_t col = static_cast<ptrdiff_t>(column) * 3;
                    const ptrdiff_t step =
                        quarters == 1 ? src.stride : -static_cast<ptrdiff_t>(src.stride);
                    const uint8_t* s = (quarters == 1 ? src.Row(tx) : src.Row(h - 1 - tx)) + col;
                    int32_t x = tx;
                    if (column + 1 < w) {
                        for (; x < wideEnd; ++x, d += 3, s += step) std::memcpy(d, s, 4);
                    }
                    for (; x < xEnd; ++x, d += 3, s += step) CopyPixel(d, s);
                }
            }
        }
    });
}

// The four cubic convolution weights (a = -0.5) for a sample at fraction t past the
// second of four pixels: exactly {0, 1, 0, 0} at t = 0.
inline void CubicWeights(float t, float w[4]) {
    w[0] = ((-t + 2.0f) * t - 1.0f) * t * 0.5f;
    w[1] = ((3.0f * t - 5.0f) * t * t + 2.0f) * 0.5f;
    w[2] = ((-3.0f * t + 4.0f) * t + 1.0f) * t * 0.5f;
    w[3] = (t - 1.0f) * t * t * 0.5f;
}

typedef float Float4 __attribute__((vector_size(16)));

// A pixel as four floats (the fourth is not used). `Wide` allows reading a fourth byte.
template <bool Wide>
inline Float4 LoadPixel(const uint8_t* p) {
#if defined(__SSE2__)
    uint32_t v;
    if constexpr (Wide) {
        std::memcpy(&v, p, 4);
    } else {
        v = p[0] | static_cast<uint32_t>(p[1]) << 8 | static_cast<uint32_t>(p[2]) << 16;
    }
    const __m128i zero = _mm_setzero_si128();
    const __m128i b = _mm_cvtsi32_si128(static_cast<int>(v));
    const __m128 f = _mm_cvtepi32_ps(_mm_unpacklo_epi16(_mm_unpacklo_epi8(b, zero), zero));
    Float4 out;
    std::memcpy(&out, &f, sizeof out);
    return out;
#else
    return Float4{static_cast<float>(p[0]), static_cast<float>(p[1]), static_cast<float>(p[2]),
                  0.0f};
#endif
}

// Cubic interpolation over the 4 x 4 pixels at the given rows and column offsets.
template <bool Wide>
inline Float4 Interpolate(const uint8_t* const rows[4], const ptrdiff_t cols[4], const float wx[4],
                          const float wy[4]) {
    Float4 acc = {0.0f, 0.0f, 0.0f, 0.0f};
    for (int j = 0; j < 4; ++j) {
        const uint8_t* row = rows[j];
        const Float4 r =
            wx[0] * LoadPixel<Wide>(row + cols[0]) + wx[1] * LoadPixel<Wide>(row + cols[1]) +
            wx[2] * LoadPixel<Wide>(row + cols[2]) + wx[3] * LoadPixel<Wide>(row + cols[3]);
        acc += wy[j] * r;
    }
    return acc;
}

void InterpolateRows(const ImagePlane& src, const ImagePlane& dst, const RotationFrame& f,
                     int32_t yBegin, int32_t yEnd) {
    const int32_t w = src.width, h = src.height;
    for (int32_t y = yBegin; y < yEnd; ++y) {
        uint8_t* d = dst.Row(y);
        for (int32_t x = 0; x < dst.width; ++x, d += 3) {
            double sx, sy;
            f.SourceOf(x, y, sx, sy);
            if (!f.ContainsSource(sx, sy)) {
                d[0] = d[1] = d[2] = 0;
                continue;
            }
            sx = std::clamp(sx, 0.0, w - 1.0);
            sy = std::clamp(sy, 0.0, h - 1.0);
            const int32_t ix = static_cast<int32_t>(sx);
            const int32_t iy = static_cast<int32_t>(sy);
            float wx[4], wy[4];
            CubicWeights(static_cast<float>(sx - ix), wx);
            CubicWeights(static_cast<float>(sy - iy), wy);
            ptrdiff_t cols[4];
            const uint8_t* rows[4];
            for (int k = 0; k < 4; ++k) {
                cols[k] = static_cast<ptrdiff_t>(std::clamp(ix - 1 + k, 0, w - 1)) * 3;
                rows[k] = src.Row(std::clamp(iy - 1 + k, 0, h - 1));
            }
            // Away from the right edge every tap has a pixel after it, so 4-byte reads are safe.
            const Float4 acc = ix + 3 < w ? Interpolate<true>(rows, cols, wx, wy)
                                          : Interpolate<false>(rows, cols, wx, wy);
            d[0] = detail::SaturateRound(acc[0]);
            d[1] = detail::SaturateRound(acc[1]);
            d[2] = detail::SaturateRound(acc[2]);
        }
    }
}

}  // namespace

bool RotateImageInterpolated(const ImagePlane& src, const ImagePlane& dst, float angleDegrees,
                             int threads) {
    const RotationFrame f = RotationFrame::Make(src.width, src.height, angleDegrees);
    if (!CheckRotation(src, dst, f)) return false;
    return detail::ParallelRows(dst.height, threads, [&](int32_t begin, int32_t end) {
        InterpolateRows(src, dst, f, begin, end);
    });
}

bool RotateImage(const ImagePlane& src, const ImagePlane& dst, float angleDegrees, int threads) {
    const RotationFrame f = RotationFrame::Make(src.width, src.height, angleDegrees);
    if (!CheckRotation(src, dst, f)) return false;
    if (!f.quarterTurn) return RotateImageInterpolated(src, dst, angleDegrees, threads);
    QuarterTurn(src, dst, f.quarters, threads);
    return true;
}

bool MirrorLeftRight(const ImagePlane& src, const ImagePlane& dst) {
    if (!SameShape(src, dst)) return false;
    const int32_t w = src.width;
    for (int32_t y = 0; y < src.height; ++y) {
        const uint8_t* s = src.Row(y) + static_cast<ptrdiff_t>(w - 1) * 3;
        uint8_t* d = dst.Row(y);
        for (int32_t x = 0; x < w; ++x, d += 3, s -= 3) CopyPixel(d, s);
    }
    return true;
}

bool MirrorTopBottom(const ImagePlane& src, const ImagePlane& dst) {
    if (!SameShape(src, dst)) return false;
    for (int32_t y = 0; y < src.height; ++y)
        std::memcpy(dst.Row(src.height - 1 - y), src.Row(y), static_cast<size_t>(src.width) * 3);
    return true;
}

bool CropImage(const ImagePlane& src, const ImagePlane& dst, const CropRect& rect) {
    if (!src.IsValid() || src.channels != 3 || src.stride < src.width * 3 || rect.IsEmpty() ||
        rect.left < 0 || rect.top < 0 || rect.right > src.width || rect.bottom > src.height ||
        !IsPlaneOfSize(dst, rect.Width(), rect.Height()))
        return false;
    const size_t bytes = static_cast<size_t>(rect.Width()) * 3;
    for (int32_t y = rect.top; y < rect.bottom; ++y)
        std::memcpy(dst.Row(y - rect.top), src.Row(y) + static_cast<ptrdiff_t>(rect.left) * 3,
                    bytes);
    return true;
}

namespace {

// The centred rectangle of the canvas's proportions whose longer side is `side` pixels.
CropRect CentredRect(const RotationFrame& f, int32_t side) {
    int32_t rw, rh;
    if (f.width >= f.height) {
        rw = side;
        rh = static_cast<int32_t>(std::lround(static_cast<double>(side) * f.height / f.width));
        rh = std::clamp(rh, 1, f.height);
    } else {
        rh = side;
        rw = static_cast<int32_t>(std::lround(static_cast<double>(side) * f.width / f.height));
        rw = std::clamp(rw, 1, f.width);
    }
    const int32_t left = (f.width - rw) / 2;
    const int32_t top = (f.height - rh) / 2;
    return {left, top, left + rw, top + rh};
}

// The region with image content is convex, so the corner pixels decide for all pixels.
bool FreeOfFill(const RotationFrame& f, const CropRect& r) {
    return f.CoversPixel(r.left, r.top) && f.CoversPixel(r.right - 1, r.top) &&
           f.CoversPixel(r.left, r.bottom - 1) && f.CoversPixel(r.right - 1, r.bottom - 1);
}

}  // namespace

CropRect LargestInscribedRect(const RotationFrame& frame) {
    if (frame.width <= 0 || frame.height <= 0) return {};
    const int32_t longest = std::max(frame.width, frame.height);
    if (!FreeOfFill(frame, CentredRect(frame, 1))) return {};
    // Bisection over the longer side; rounding and centring make the test not quite
    // monotonic, so a few sizes past the bisection's answer are tried as well.
    int32_t good = 1, bad = longest + 1;
    while (bad - good > 1) {
        const int32_t mid = good + (bad - good) / 2;
        if (FreeOfFill(frame, CentredRect(frame, mid)))
            good = mid;
        else
            bad = mid;
    }
    for (int32_t side = std::min(longest, good + 3); side > good; --side) {
        if (FreeOfFill(frame, CentredRect(frame, side))) {
            good = side;
            break;
        }
    }
    return CentredRect(frame, good);
}

}  // namespace geometry
