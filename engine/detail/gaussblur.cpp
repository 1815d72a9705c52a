// The tile loop of the blur engines, the loading of bordered tiles and both filters.
#include "detail/gaussblur.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "core/memorymanager.h"
#include "detail/tilefft.h"
#include "detail/workers.h"

namespace detail {

GaussKernelSize KernelSizeFor(float sigma) {
    GaussKernelSize size;
    const float raw = 5.0f * sigma - 1.0f;
    // Out-of-range sigmas are refused by Blur; keep the arithmetic defined anyway.
    int32_t n = (raw > 0.0f && raw < 1.0e6f) ? static_cast<int32_t>(raw) : 0;
    if (n % 2 == 0) n += 1;
    if (n < 3) n = 3;
    size.taps = n;
    size.half = (n - 1) / 2;
    size.fft = n >= kFftMinTaps;
    size.margin = size.fft ? size.half : 2 * size.half;
    return size;
}

bool IsUsableSigma(float sigma) { return std::isfinite(sigma) && sigma > 0.0f && sigma <= kMaxBlurSigma; }

std::vector<int32_t> TileOrigins(int32_t length, int32_t margin) {
    std::vector<int32_t> origins;
    const int32_t step = kTileSize - 2 * margin;
    if (step <= 0 || length <= 0) return origins;
    for (int64_t v = -margin; v < static_cast<int64_t>(length) + margin; v += step)
        origins.push_back(static_cast<int32_t>(v));
    return origins;
}

int32_t FilledTileCount(int32_t width, int32_t height, float sigma) {
    if (!IsUsableSigma(sigma)) return 0;
    const int32_t m = KernelSizeFor(sigma).margin;
    auto filled = [m](int32_t length) {
        int32_t count = 0;
        for (int32_t origin : TileOrigins(length, m))
            if (std::min<int64_t>(kTileSize - m, int64_t{length} - origin) - m > 0) ++count;
        return count;
    };
    return filled(width) * filled(height);
}

namespace {

// Converts tile columns [c0, c1) of one source row to floats; tile column c reads image
// column x + c, columns outside the image repeat the nearest edge pixel. Interleaved
// output keeps the source's pixel layout; planar output puts channel ch `planeFloats`
// floats after channel 0 (`out` points at channel 0's row).
void LoadRow(const uint8_t* src, int32_t width, int32_t channels, int32_t x, int32_t c0, int32_t c1,
             float* out, bool planar, size_t planeFloats) {
    const int32_t inStart = std::clamp(-x, c0, c1);
    const int32_t inEnd = std::clamp(width - x, inStart, c1);
    if (!planar) {
        const int32_t C = channels;
        for (int32_t c = c0; c < inStart; ++c)
            for (int32_t ch = 0; ch < C; ++ch) out[c * C + ch] = src[ch];
        const uint8_t* s = src + static_cast<ptrdiff_t>(x + inStart) * C;
        float* d = out + static_cast<ptrdiff_t>(inStart) * C;
        const int32_t count = (inEnd - inStart) * C;
        for (int32_t i = 0; i < count; ++i) d[i] = s[i];
        const uint8_t* last = src + static_cast<ptrdiff_t>(width - 1) * C;
        for (int32_t c = inEnd; c < c1; ++c)
            for (int32_t ch = 0; ch < C; ++ch) out[c * C + ch] = last[ch];
        return;
    }
    for (int32_t ch = 0; ch < channels; ++ch) {
        float* d = out + planeFloats * static_cast<size_t>(ch);
        const float first = src[ch];
        const float lastValue = src[static_cast<ptrdiff_t>(width - 1) * channels + ch];
        for (int32_t c = c0; c < inStart; ++c) d[c] = first;
        const uint8_t* s = src + static_cast<ptrdiff_t>(x) * channels + ch;
        for (int32_t c = inStart; c < inEnd; ++c) d[c] = s[static_cast<ptrdiff_t>(c) * channels];
        for (int32_t c = inEnd; c < c1; ++c) d[c] = lastValue;
    }
}

inline const uint8_t* SourceRow(const ImagePlane& src, int32_t y) {
    return src.Row(std::clamp(y, 0, src.height - 1));
}

// Snaps a blurred value to the 1/1024 grid (see kBlurGrid).
inline float Snap(float v) {
    return static_cast<float>(static_cast<int32_t>(v * kBlurGrid + 0.5f)) * (1.0f / kBlurGrid);
}

}  // namespace
}  // namespace detail

using namespace detail;

CGaussBlurBase::CGaussBlurBase(int32_t channels, CMemoryManager* allocator)
    : m_channels(channels),
      m_allocator(allocator ? allocator : &CMemoryManager::GetInstance()),
      m_threads(DefaultThreadCount()) {}

CGaussBlurBase::~CGaussBlurBase() {
    m_allocator->Free(m_tile);
    m_allocator->Free(m_work);
}

bool CGaussBlurBase::OnTileReady(const ImagePlane&, int32_t, int32_t, int32_t, int32_t, int32_t) { return true; }

ImagePlane CGaussBlurBase::FloatTile() const {
    float* data = m_fftTileIsPlane ? m_fft->Plane(0) : m_tile;
    return ImagePlane{reinterpret_cast<uint8_t*>(data), kTileSize, kTileSize, m_channels,
                      static_cast<int32_t>(sizeof(float)) * kTileSize * m_channels};
}

namespace {

size_t TileFloats(int32_t channels) { return static_cast<size_t>(kTileSize) * kTileSize * static_cast<size_t>(channels); }

}  // namespace

bool CGaussBlurBase::PrepareDirect(float sigma, const GaussKernelSize& size) {
    if (!m_tile) m_tile = static_cast<float*>(m_allocator->Allocate(TileFloats(m_channels) * sizeof(float)));
    if (!m_work) m_work = static_cast<float*>(m_allocator->Allocate(TileFloats(m_channels) * sizeof(float)));
    if (!m_tile || !m_work) return false;
    m_fftTileIsPlane = false;
    const float twoSigma2 = 2.0f * sigma * sigma;
    m_kernel.assign(static_cast<size_t>(size.taps), 0.0f);
    // The sum is kept in double: the kernel must sum to 1 as closely as floats allow, or
    // flat areas would drift.
    double sum = 0;
    for (int32_t i = 0; i < size.taps; ++i) {
        const float d = static_cast<float>(i - size.half);
        m_kernel[static_cast<size_t>(i)] = 100.0f * std::exp(-(d * d) / twoSigma2);
        sum += m_kernel[static_cast<size_t>(i)];
    }
    for (float& k : m_kernel) k = static_cast<float>(k / sum);
    return true;
}

bool CGaussBlurBase::PrepareFft(float sigma, const GaussKernelSize& size) {
    if (!m_fft) {
        m_fft = std::make_unique<CTileFft>(m_channels);
        if (!m_fft->IsValid()) {
            m_fft.reset();
            return false;
        }
    }
    if (m_channels > 1 && !m_tile) {
        m_tile = static_cast<float*>(m_allocator->Allocate(TileFloats(m_channels) * sizeof(float)));
        if (!m_tile) return false;
    }
    m_fftTileIsPlane = m_channels == 1;
    float* plane = m_fft->Plane(0);
    std::memset(plane, 0, sizeof(float) * kTileSize * kTileSize);
    const float twoSigma2 = 2.0f * sigma * sigma;
    const int32_t h = size.half;
    double sum = 0;
    auto at = [plane](int32_t dx, int32_t dy) -> float& {
        return plane[static_cast<size_t>((dy + kTileSize) % kTileSize) * kTileSize + static_cast<size_t>((dx + kTileSize) % kTileSize)];
    };
    for (int32_t dy = -h; dy <= h; ++dy)
        for (int32_t dx = -h; dx <= h; ++dx) {
            const float g = 100.0f * std::exp(-static_cast<float>(dx * dx + dy * dy) / twoSigma2);
            at(dx, dy) = g;
            sum += g;
        }
    for (int32_t dy = -h; dy <= h; ++dy)
        for (int32_t dx = -h; dx <= h; ++dx) at(dx, dy) = static_cast<float>(at(dx, dy) / sum);
    m_fft->TakeKernelFromPlane0();
    return true;
}

void CGaussBlurBase::FilterDirect(const ImagePlane& src, int32_t x, int32_t y, int32_t validW, int32_t validH) {
    const int32_t C = m_channels, n = m_size.taps, half = m_size.half, m = m_size.margin;
    const size_t rowFloats = static_cast<size_t>(kTileSize) * C;
    const float* k = m_kernel.data();
    // The vertical pass needs first-pass rows [m - half, validH + half), which read tile
    // columns [m - half, validW + half) of the same rows.
    const int32_t r0 = m - half, r1 = validH + half;
    const int32_t colBegin = m - half, colEnd = validW + half;
    const int32_t outBegin = m * C, outCount = (validW - m) * C;
    ForBands(r1 - r0, m_threads, [&](int32_t b0, int32_t b1) {
        for (int32_t r = r0 + b0; r < r0 + b1; ++r) {
            float* in = m_tile + rowFloats * static_cast<size_t>(r);
            LoadRow(SourceRow(src, y + r), src.width, C, x, colBegin, colEnd, in, false, 0);
            float* out = m_work + rowFloats * static_cast<size_t>(r) + outBegin;
            const float* base = in + outBegin - half * C;
            for (int32_t j = 0; j < outCount; ++j) out[j] = k[0] * base[j];
            for (int32_t i = 1; i < n; ++i) {
                const float ki = k[i];
                const float* tap = base + i * C;
                for (int32_t j = 0; j < outCount; ++j) out[j] += ki * tap[j];
            }
        }
    });
    ForBands(validH - m, m_threads, [&](int32_t b0, int32_t b1) {
        for (int32_t r = m + b0; r < m + b1; ++r) {
            float* out = m_tile + rowFloats * static_cast<size_t>(r) + outBegin;
            const float* first = m_work + rowFloats * static_cast<size_t>(r - half) + outBegin;
            for (int32_t j = 0; j < outCount; ++j) out[j] = k[0] * first[j];
            for (int32_t i = 1; i < n; ++i) {
                const float ki = k[i];
                const float* tap = first + rowFloats * static_cast<size_t>(i);
                for (int32_t j = 0; j < outCount; ++j) out[j] += ki * tap[j];
            }
            for (int32_t j = 0; j < outCount; ++j) out[j] = Snap(out[j]);
        }
    });
}

void CGaussBlurBase::FilterFft(const ImagePlane& src, int32_t x, int32_t y, int32_t validW, int32_t validH) {
    const int32_t C = m_channels, m = m_size.margin;
    const size_t planeFloats = static_cast<size_t>(kTileSize) * kTileSize;
    float* plane0 = m_fft->Plane(0);
    ForBands(kTileSize, m_threads, [&](int32_t b0, int32_t b1) {
        for (int32_t r = b0; r < b1; ++r)
            LoadRow(SourceRow(src, y + r), src.width, C, x, 0, kTileSize, plane0 + static_cast<size_t>(r) * kTileSize,
                    true, planeFloats);
    });
    ForEach(C, m_threads, [&](int32_t ch) { m_fft->Convolve(ch); });
    ForBands(validH - m, m_threads, [&](int32_t b0, int32_t b1) {
        for (int32_t r = m + b0; r < m + b1; ++r) {
            const size_t rowStart = static_cast<size_t>(r) * kTileSize;
            if (C == 1) {
                float* row = plane0 + rowStart;
                for (int32_t c = m; c < validW; ++c) row[c] = Snap(row[c]);
                continue;
            }
            float* out = m_tile + rowStart * C;
            for (int32_t ch = 0; ch < C; ++ch) {
                const float* in = plane0 + planeFloats * static_cast<size_t>(ch) + rowStart;
                for (int32_t c = m; c < validW; ++c) out[c * C + ch] = Snap(in[c]);
            }
        }
    });
}

void CGaussBlurBase::WriteDst(const ImagePlane& dst, int32_t x, int32_t y, int32_t validW, int32_t validH) const {
    const ImagePlane tile = FloatTile();
    const int32_t m = m_size.margin;
    for (int32_t r = m; r < validH; ++r) {
        const float* in = reinterpret_cast<const float*>(tile.Row(r));
        uint8_t* out = dst.Row(y + r) + x;
        for (int32_t c = m; c < validW; ++c) {
            const float v = in[c];
            out[c] = static_cast<uint8_t>(v <= 0.0f ? 0 : (v >= 255.0f ? 255 : static_cast<int32_t>(v)));
        }
    }
}

BlurStatus CGaussBlurBase::Run(float sigma, const ImagePlane& src, const ImagePlane* dst) {
    const int32_t C = m_channels;
    // The size limit keeps every coordinate sum of the tile loop inside 32 bits.
    if (!IsUsableSigma(sigma) || !src.IsValid() || src.channels != C || src.width > kMaxBlurSide ||
        src.height > kMaxBlurSide ||
        static_cast<int64_t>(src.stride) < static_cast<int64_t>(src.width) * C)
        return BlurStatus::Failed;
    if (dst && (C != 1 || !dst->IsValid() || dst->channels != 1 || dst->width != src.width ||
                dst->height != src.height || dst->stride < dst->width || dst->data == src.data))
        return BlurStatus::Failed;

    m_size = KernelSizeFor(sigma);
    if (!(m_size.fft ? PrepareFft(sigma, m_size) : PrepareDirect(sigma, m_size))) return BlurStatus::Failed;

    const int32_t m = m_size.margin;
    const std::vector<int32_t> xs = TileOrigins(src.width, m), ys = TileOrigins(src.height, m);
    for (int32_t y : ys) {
        for (int32_t x : xs) {
            const int32_t validW = std::min(kTileSize - m, src.width - x);
            const int32_t validH = std::min(kTileSize - m, src.height - y);
            const bool filled = validW > m && validH > m;
            if (filled) {
                if (m_size.fft)
                    FilterFft(src, x, y, validW, validH);
                else
                    FilterDirect(src, x, y, validW, validH);
            }
            if (!OnTileReady(FloatTile(), m, validW - m, validH - m, x + m, y + m)) return BlurStatus::Stopped;
            if (dst && filled) WriteDst(*dst, x, y, validW, validH);
        }
    }
    return BlurStatus::Done;
}
