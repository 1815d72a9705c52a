#pragma once
// CGaussBlur1c and CGaussBlurRGB: Gaussian blur of any image size in bounded memory.
// The image is cut into overlapping 1024 x 1024 tiles; each tile is blurred in single
// precision and handed to OnTileReady, where derived operations do their per-pixel work.
// Small kernels use a direct separable convolution, large ones (n >= 73) an FFT.
#include <cstdint>
#include <memory>
#include <vector>

#include "core/imageplane.h"

class CMemoryManager;

namespace detail {

class CTileFft;

inline constexpr int32_t kTileSize = 1024;
// Kernels of this many taps and more are applied by FFT.
inline constexpr int32_t kFftMinTaps = 73;
// Largest sigma a blur accepts: the tile margin must leave each tile a step of at least
// one pixel (half <= 511). The adjustments stay well below (radius 120 at most).
inline constexpr float kMaxBlurSigma = 200.0f;
// Largest image side a blur accepts.
inline constexpr int32_t kMaxBlurSide = 1 << 28;

// How a blur call ended.
enum class BlurStatus {
    Done,     // every tile was processed
    Stopped,  // OnTileReady returned false
    Failed,   // bad arguments, or no memory for the planes
};

// Kernel size and tile margin for a sigma.
struct GaussKernelSize {
    int32_t taps = 3;    // n: odd, at least 3
    int32_t half = 1;    // (n - 1) / 2
    int32_t margin = 2;  // 2 * half for the direct method, half for the FFT method
    bool fft = false;
};

// n = trunc(5 sigma - 1), made odd by adding one, at least 3.
GaussKernelSize KernelSizeFor(float sigma);

// True when a blur would accept this sigma (finite, above 0, at most kMaxBlurSigma).
bool IsUsableSigma(float sigma);

// The tile origins along one axis of `length` pixels: -m, -m + (1024 - 2m), ... while
// below length + m.
std::vector<int32_t> TileOrigins(int32_t length, int32_t margin);

// Tiles of a blur that carry output pixels (OnTileReady may also be called for empty
// ones at the right and bottom edges).
int32_t FilledTileCount(int32_t width, int32_t height, float sigma);

// Blurred values are snapped to multiples of 1/1024 before they reach OnTileReady: the
// float rounding of the convolution (a few millionths) would otherwise turn a flat 200
// into 199.9999 and, truncated, into 199.
inline constexpr float kBlurGrid = 1024.0f;

}  // namespace detail

// What both engines share: the planes, the tile loop and the callback.
class CGaussBlurBase {
public:
    virtual ~CGaussBlurBase();
    CGaussBlurBase(const CGaussBlurBase&) = delete;
    CGaussBlurBase& operator=(const CGaussBlurBase&) = delete;

    // Called once per tile with the blurred values of image pixels dstX..dstX+width-1 x
    // dstY..dstY+height-1, found in `tile` (floats; for RGB three per pixel in the source's
    // byte order) at columns margin..margin+width-1 and rows margin..margin+height-1.
    // width or height may be 0 or negative for an empty last tile. Returning false stops
    // the blur at once. Runs on the thread that called Blur. The base does nothing.
    virtual bool OnTileReady(const ImagePlane& tile, int32_t margin, int32_t width, int32_t height,
                             int32_t dstX, int32_t dstY);

    // Threads used inside each tile (results are the same for any count).
    void SetThreadCount(int threads) { m_threads = threads < 1 ? 1 : threads; }
    int ThreadCount() const { return m_threads; }

protected:
    // An engine for 1- or 3-channel images; planes come from `allocator` (the
    // process-wide one when null) on first use and stay until destruction.
    CGaussBlurBase(int32_t channels, CMemoryManager* allocator);
    // The tile loop; dst (1 channel only) also receives the truncated blurred bytes.
    detail::BlurStatus Run(float sigma, const ImagePlane& src, const ImagePlane* dst);

private:
    bool PrepareDirect(float sigma, const detail::GaussKernelSize& size);
    bool PrepareFft(float sigma, const detail::GaussKernelSize& size);
    void FilterDirect(const ImagePlane& src, int32_t x, int32_t y, int32_t validW, int32_t validH);
    void FilterFft(const ImagePlane& src, int32_t x, int32_t y, int32_t validW, int32_t validH);
    void WriteDst(const ImagePlane& dst, int32_t x, int32_t y, int32_t validW, int32_t validH) const;
    ImagePlane FloatTile() const;

    int32_t m_channels;
    CMemoryManager* m_allocator;
    int m_threads;
    float* m_tile = nullptr;  // float tile: the result the callback sees
    float* m_work = nullptr;  // first-pass result of the direct method
    std::unique_ptr<detail::CTileFft> m_fft;
    std::vector<float> m_kernel;  // the 1-D kernel of the direct method
    detail::GaussKernelSize m_size;
    bool m_fftTileIsPlane = false;  // 1 channel by FFT: the callback reads the FFT plane
};

// Blur of one 8-bit channel, optionally written straight into a destination plane.
class CGaussBlur1c : public CGaussBlurBase {
public:
    explicit CGaussBlur1c(CMemoryManager* allocator = nullptr) : CGaussBlurBase(1, allocator) {}
    // Blurs src (1 channel) with this sigma; each finished tile goes to OnTileReady and,
    // unless that stops the blur, its valid part to dst (when given: same size as src, a
    // different plane), each value truncated to a byte.
    detail::BlurStatus Blur(float sigma, const ImagePlane& src, const ImagePlane* dst = nullptr) {
        return Run(sigma, src, dst);
    }
};

// Blur of interleaved 3-byte pixels, each channel with the same kernel; results reach
// the caller only through OnTileReady.
class CGaussBlurRGB : public CGaussBlurBase {
public:
    explicit CGaussBlurRGB(CMemoryManager* allocator = nullptr) : CGaussBlurBase(3, allocator) {}
    // Blurs src (3 channels) with this sigma.
    detail::BlurStatus Blur(float sigma, const ImagePlane& src) { return Run(sigma, src, nullptr); }
};
