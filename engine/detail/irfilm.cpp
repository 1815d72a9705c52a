#include "detail/irfilm.h"

#include <algorithm>
#include <cmath>
#include <numbers>

#include "adjust/framework/pixeltables.h"
#include "detail/gaussblur.h"
#include "detail/workers.h"

namespace detail {

IrWeights IrHueWeights(float colorDegrees) {
    constexpr float kPi = std::numbers::pi_v<float>;
    constexpr float kTwoPi = 2.0f * kPi;
    constexpr float kThird = kTwoPi / 3.0f;
    float H = colorDegrees * kPi / 180.0f;
    if (H < 0.0f) H += kTwoPi;
    if (H > kTwoPi) H -= kTwoPi;
    if (!(H >= 0.0f && H <= kTwoPi)) H = 0.0f;  // also a hue that is not a number
    const int sector = H < kThird ? 0 : (H < 2.0f * kThird ? 1 : 2);
    const float h = H - static_cast<float>(sector) * kThird;
    const float I = 0.5f, S = 1.0f;
    const float low = I * (1.0f - S);
    const float high = I * (1.0f + S * std::cos(h) / std::cos(kPi / 3.0f - h));
    const float rest = 3.0f * I - high - low;
    float r, g, b;
    if (sector == 0) {
        b = low, r = high, g = rest;
    } else if (sector == 1) {
        r = low, g = high, b = rest;
    } else {
        g = low, b = high, r = rest;
    }
    auto scale = [](float v) { return std::clamp(v, 0.0f, 1.0f) * 255.0f; };
    r = scale(r), g = scale(g), b = scale(b);
    const float sum = r + g + b;
    if (!(sum > 0.0f)) return IrWeights{1.0f / 3, 1.0f / 3, 1.0f / 3};
    return IrWeights{r / sum, g / sum, b / sum};
}

float IrGlowSigma(float glowSize) { return glowSize * 60.0f / 100.0f; }

float IrPreviewGlowSize(float glowSize, float zoom) { return zoom <= 1.0f && zoom > 0.0f ? glowSize * zoom : glowSize; }

bool ApplyIrFilm(const ImagePlane& src, const ImagePlane& dst, const IrFilmParams& params) {
    CIRFilm engine;
    return engine.Process(src, dst, params);
}

}  // namespace detail

using namespace detail;

// The glow blur: gives up at a tile border once a newer preview request waits.
class CIRFilm::GlowBlur : public CGaussBlur1c {
public:
    GlowBlur(CMemoryManager* allocator, const RunHooks& hooks) : CGaussBlur1c(allocator), m_hooks(hooks) {}
    bool OnTileReady(const ImagePlane&, int32_t, int32_t, int32_t, int32_t, int32_t) override {
        return !(m_hooks.stale && m_hooks.stale());
    }

private:
    const RunHooks& m_hooks;
};

CIRFilm::CIRFilm(CMemoryManager* allocator)
    : m_threads(DefaultThreadCount()),
      m_blur(std::make_unique<GlowBlur>(allocator, m_hooks)),
      m_grey(allocator),
      m_glow(allocator) {}

CIRFilm::~CIRFilm() = default;

void CIRFilm::SetThreadCount(int threads) {
    m_threads = std::max(1, threads);
    m_blur->SetThreadCount(m_threads);
}

bool CIRFilm::Process(const ImagePlane& src, const ImagePlane& dst, const IrFilmParams& given) {
    if (!adjust::PlanesMatch(src, dst) || src.channels != 3 || src.data == dst.data) return false;
    IrFilmParams p = given;
    if (!std::isfinite(p.color) || !std::isfinite(p.amount) || !std::isfinite(p.brightness) ||
        !std::isfinite(p.glowSize) || !std::isfinite(p.glowAmount))
        return false;
    // Outside its range the brightness curve's middle point would leave 0..255.
    p.brightness = std::clamp(p.brightness, -100.0f, 100.0f);
    if (!m_grey.Ensure(src.width, src.height)) return false;

    const IrWeights w = IrHueWeights(p.color);
    const float D = p.amount * 0.03f, A = D / 2.0f, gain = 1.0f + D;
    const CCurves::Point points[] = {{0, 0}, {127.0f - p.brightness, 127}, {255, 255}};
    m_curve.SetPoints(0, points);
    m_curve.BuildTables();
    const adjust::ByteTable& T = m_curve.Table(0);

    const ImagePlane grey = m_grey.Plane();
    ForBands(src.height, m_threads, [&](int32_t r0, int32_t r1) {
        for (int32_t y = r0; y < r1; ++y) {
            const uint8_t* s = src.Row(y);
            uint8_t* out = grey.Row(y);
            for (int32_t x = 0; x < src.width; ++x, s += 3) {
                const float B = s[0], G = s[1], R = s[2];
                int32_t t = static_cast<int32_t>(w.g * (G * gain - A * (R + B))) +
                            static_cast<int32_t>(w.b * (B * gain - A * (R + G))) +
                            static_cast<int32_t>(w.r * (R * gain - A * (G + B)));
                out[x] = T[static_cast<size_t>(std::clamp(t, 0, 255))];
            }
        }
    });

    const float sigma = IrGlowSigma(p.glowSize);
    const bool glow = sigma > 1.0f;
    const float g = glow ? std::clamp(p.glowAmount, 0.0f, 100.0f) * 0.01f : 0.0f;
    ImagePlane blurred = grey;
    if (glow) {
        if (!m_glow.Ensure(src.width, src.height)) return false;
        blurred = m_glow.Plane();
        if (m_blur->Blur(std::min(sigma, kMaxBlurSigma), grey, &blurred) != BlurStatus::Done) return false;
    }
    ForBands(src.height, m_threads, [&](int32_t r0, int32_t r1) {
        for (int32_t y = r0; y < r1; ++y) {
            const uint8_t* a = grey.Row(y);
            const uint8_t* b = blurred.Row(y);
            uint8_t* out = dst.Row(y);
            for (int32_t x = 0; x < src.width; ++x, out += 3) {
                const int32_t v = static_cast<int32_t>(a[x] * (1.0f - g) + b[x] * g + 0.5f);
                out[0] = out[1] = out[2] = static_cast<uint8_t>(std::clamp(v, 0, 255));
            }
        }
    });
    return true;
}
