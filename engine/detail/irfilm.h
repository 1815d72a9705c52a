#pragma once
// CIRFilm: an infra-red film look. A chosen hue is mixed in strongly, the grey result goes
// through a brightness curve, and a blurred copy is blended in as glow.
#include <array>
#include <cstdint>
#include <memory>

#include "adjust/curves/curves.h"
#include "adjust/framework/slideredit.h"
#include "core/imageplane.h"
#include "detail/byteplane.h"
#include "detail/runhooks.h"
#include "core/operation.h"

namespace detail {

struct IrFilmParams {
    float color = -55;      // hue in degrees, -180..180
    float amount = 20;      // 0..100
    float brightness = 0;   // -100..100
    float glowSize = 20;    // 0..100
    float glowAmount = 50;  // 0..100
};

inline constexpr SliderRange kIrColorRange{-180, 180, 0, 1, "%.0f", -55};
inline constexpr SliderRange kIrAmountRange{0, 100, 0, 1, "%.0f", 20};
inline constexpr SliderRange kIrBrightnessRange{-100, 100, 0, 1, "%.0f", 0};
inline constexpr SliderRange kIrGlowSizeRange{0, 100, 0, 1, "%.0f", 20};
inline constexpr SliderRange kIrGlowAmountRange{0, 100, 0, 1, "%.0f", 50};

// Channel weights of a hue: the colour of that hue at full saturation and intensity 0.5,
// normalised to sum 1.
struct IrWeights {
    float r = 0, g = 0, b = 0;
};
IrWeights IrHueWeights(float colorDegrees);

// Glow sigma of a glow size (size * 60 / 100); at most 1 means no glow.
float IrGlowSigma(float glowSize);

// The glow size used on the reduced preview image: scaled by the view's zoom up to 1.
float IrPreviewGlowSize(float glowSize, float zoom);

// The infra-red film operation.
const ops::Operation& IrFilmOperation();

}  // namespace detail

class CIRFilm {
public:
    explicit CIRFilm(CMemoryManager* allocator = nullptr);
    ~CIRFilm();
    CIRFilm(const CIRFilm&) = delete;
    CIRFilm& operator=(const CIRFilm&) = delete;

    // Abandon query of previews (checked at each tile border of the glow blur).
    void SetHooks(detail::RunHooks hooks) { m_hooks = std::move(hooks); }
    void SetThreadCount(int threads);

    // Writes the grey result into dst (all three bytes of a pixel equal). True when dst
    // was written; false for bad arguments, no memory, or an abandoned preview.
    bool Process(const ImagePlane& src, const ImagePlane& dst, const detail::IrFilmParams& params);

private:
    class GlowBlur;
    detail::RunHooks m_hooks;
    int m_threads;
    std::unique_ptr<GlowBlur> m_blur;
    CCurves m_curve;
    detail::CBytePlane m_grey, m_glow;
};

namespace detail {

// Whole-image run on a fresh object.
bool ApplyIrFilm(const ImagePlane& src, const ImagePlane& dst, const IrFilmParams& params);

}  // namespace detail
