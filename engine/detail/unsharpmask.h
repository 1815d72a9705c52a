#pragma once
// CUnsharpMask: sharpening by unsharp mask. Each channel is pushed away from its blurred
// value by an amount, unless the scaled difference stays below a threshold.
#include <cstdint>

#include "adjust/framework/slideredit.h"
#include "core/imageplane.h"
#include "detail/gaussblur.h"
#include "detail/runhooks.h"
#include "core/operation.h"

namespace detail {

struct UnsharpParams {
    float amount = 180;     // percent, 1..500
    float radius = 0.7f;    // blur sigma in pixels, 0.4..120
    float threshold = 0;    // levels, 0..255
};

// The radius pair works on a slider scale p in 0.4..120 that is finer for small radii:
// radius = 119.6 ((p - 0.4) / 119.6)^3 + 0.4.
float UsmRadiusFromSlider(float p);
// The inverse: p = 119.6 ((radius - 0.4) / 119.6)^(1/3) + 0.4.
float UsmSliderFromRadius(float radius);

inline constexpr SliderRange kUsmAmountRange{1, 500, 50, 1, "%.0f", 180};
// The pair holds p (display: UsmRadiusFromSlider, input: UsmSliderFromRadius).
inline const SliderRange kUsmRadiusRange{0.4f, 120, 10, 100, "%.1f", UsmSliderFromRadius(0.7f)};
inline constexpr SliderRange kUsmThresholdRange{0, 255, 1, 1, "%.0f", 0};

// Radius used on the reduced preview image: scaled by the view's zoom below 1.
float UsmPreviewRadius(float radius, float zoom);

// The per-byte unsharp-mask step: o the source byte, b its blurred value, a = amount/100.
inline uint8_t UnsharpByte(uint8_t o, float b, float a, float threshold) {
    const float of = o;
    const float s = (of - b) * a;
    const float kept = threshold > (s < 0.0f ? -s : s) ? 0.0f : s;
    const int32_t v = static_cast<int32_t>(of + kept);
    return static_cast<uint8_t>(v < 0 ? 0 : (v > 255 ? 255 : v));
}

// The unsharp mask operation.
const ops::Operation& SharpenOperation();

}  // namespace detail

class CUnsharpMask : public CGaussBlurRGB {
public:
    explicit CUnsharpMask(CMemoryManager* allocator = nullptr) : CGaussBlurRGB(allocator) {}

    // Progress of whole-image runs, or the abandon query and tile notice of previews.
    void SetHooks(detail::RunHooks hooks) { m_hooks = std::move(hooks); }

    // Sharpens src into dst (same size, different planes) with sigma = radius. True when
    // dst was written completely; false for bad arguments, no memory, or an abandoned
    // preview (dst then holds the tiles done so far).
    bool ApplyUnsharpMask(const ImagePlane& src, const ImagePlane& dst, float amount, float radius, float threshold);

    bool OnTileReady(const ImagePlane& tile, int32_t margin, int32_t width, int32_t height, int32_t dstX,
                     int32_t dstY) override;

private:
    detail::RunHooks m_hooks;
    ImagePlane m_src, m_dst;
    float m_amount = 1.8f;  // amount / 100
    float m_threshold = 0;
    int32_t m_tilesDone = 0;
};

namespace detail {

// Whole-image run on a fresh engine, with "Un-sharp mask" progress when given.
bool ApplyUnsharpMask(const ImagePlane& src, const ImagePlane& dst, const UnsharpParams& params,
                      IProgress* progress = nullptr);

}  // namespace detail
