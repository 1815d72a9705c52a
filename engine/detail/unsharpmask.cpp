#include "detail/unsharpmask.h"

#include <cmath>

#include "adjust/framework/pixeltables.h"
#include "core/prompt.h"
#include "detail/workers.h"

namespace detail {

float UsmRadiusFromSlider(float p) {
    const float t = (p - 0.4f) / 119.6f;
    return 119.6f * (t * t * t) + 0.4f;
}

float UsmSliderFromRadius(float radius) {
    const float t = (radius - 0.4f) / 119.6f;
    return 119.6f * std::cbrt(t) + 0.4f;
}

float UsmPreviewRadius(float radius, float zoom) { return zoom < 1.0f && zoom > 0.0f ? radius * zoom : radius; }

bool ApplyUnsharpMask(const ImagePlane& src, const ImagePlane& dst, const UnsharpParams& params, IProgress* progress) {
    CUnsharpMask engine;
    engine.SetHooks(RunHooks{progress, {}, {}});
    return engine.ApplyUnsharpMask(src, dst, params.amount, params.radius, params.threshold);
}

}  // namespace detail

using namespace detail;

bool CUnsharpMask::ApplyUnsharpMask(const ImagePlane& src, const ImagePlane& dst, float amount, float radius,
                                    float threshold) {
    if (!adjust::PlanesMatch(src, dst) || src.channels != 3 || src.data == dst.data || !std::isfinite(amount) ||
        !std::isfinite(threshold) || !IsUsableSigma(radius))
        return false;
    m_src = src;
    m_dst = dst;
    m_amount = amount / 100.0f;
    m_threshold = threshold;
    m_tilesDone = 0;
    if (m_hooks.progress) m_hooks.progress->Start("Un-sharp mask", FilledTileCount(src.width, src.height, radius));
    const BlurStatus status = Blur(radius, src);
    if (m_hooks.progress) m_hooks.progress->End();
    return status == BlurStatus::Done;
}

bool CUnsharpMask::OnTileReady(const ImagePlane& tile, int32_t margin, int32_t width, int32_t height, int32_t dstX,
                               int32_t dstY) {
    if (width <= 0 || height <= 0) return true;
    ForBands(height, ThreadCount(), [&](int32_t r0, int32_t r1) {
        // Locals, not captures: byte stores could alias a captured value and keep the
        // compiler from vectorising.
        const float a = m_amount, threshold = m_threshold;
        const int32_t count = width * 3;
        for (int32_t r = r0; r < r1; ++r) {
            const float* b = reinterpret_cast<const float*>(tile.Row(margin + r)) + margin * 3;
            const uint8_t* o = m_src.Row(dstY + r) + dstX * 3;
            uint8_t* out = m_dst.Row(dstY + r) + dstX * 3;
            for (int32_t j = 0; j < count; ++j) out[j] = UnsharpByte(o[j], b[j], a, threshold);
        }
    });
    ++m_tilesDone;
    if (m_hooks.progress) m_hooks.progress->SetPosition(m_tilesDone);
    if (m_hooks.tileDone) m_hooks.tileDone();
    return !(m_hooks.stale && m_hooks.stale());
}
