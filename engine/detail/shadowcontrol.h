#pragma once
// CShadowControl and CHighlightControl: brighten dark regions or darken bright ones. A
// smooth mask from the blurred, tone-mapped luminance decides, pixel by pixel, how much
// of the curve-corrected (and optionally re-saturated) value replaces the source.
#include <array>
#include <cstdint>
#include <memory>

#include "adjust/curves/curves.h"
#include "adjust/framework/slideredit.h"
#include "core/imageplane.h"
#include "detail/byteplane.h"
#include "detail/gaussblur.h"
#include "detail/runhooks.h"
#include "core/operation.h"

namespace detail {

struct ShadowParams {
    float tonalWidth = 40;       // T, 0..100
    float radius = 30;           // R, 1..120
    float amount = 50;           // A, 0..100
    float colorCorrection = 0;   // C, -100..100
};

inline constexpr SliderRange kShadowTonalWidthRange{0, 100, 1, 1, "%.0f", 40};
inline constexpr SliderRange kShadowRadiusRange{1, 120, 0, 1, "%.0f", 30};
inline constexpr SliderRange kShadowAmountRange{0, 100, 0, 1, "%.0f", 50};
inline constexpr SliderRange kShadowColorRange{-100, 100, 0, 1, "%.0f", 0};

// The pipeline stages; a change of one parameter redoes its stage and those after it.
enum ShadowStage : int {
    kShadowStageAll = 0,         // luminance
    kShadowStageTonalWidth = 1,  // mask curve, fine blur
    kShadowStageRadius = 2,      // coarse blur, mask
    kShadowStageAmount = 3,      // correction curve
    kShadowStageColor = 4,       // per-pixel correction and blend
};

// The radius used on the reduced preview image: scaled by the view's zoom below 1.
float ShadowEffectiveRadius(float radius, float zoom);

// The shadow and the highlight control operations (the same parameters).
const ops::Operation& ShadowsOperation();
const ops::Operation& HighlightsOperation();

}  // namespace detail

class CShadowControl {
public:
    explicit CShadowControl(CMemoryManager* allocator = nullptr);
    virtual ~CShadowControl();
    CShadowControl(const CShadowControl&) = delete;
    CShadowControl& operator=(const CShadowControl&) = delete;

    // "Shadow control" progress for whole-image runs; abandon query for previews.
    void SetHooks(detail::RunHooks hooks) { m_hooks = std::move(hooks); }
    // Threads used by the blurs and per-pixel stages (same results for any count).
    void SetThreadCount(int threads);

    // Runs the pipeline from `firstStage` on (earlier stages' planes are reused when they
    // are complete and were made from the same source and parameters; otherwise the run
    // starts earlier). The source is recognised by its descriptor: a caller whose source
    // pixels changed in place asks for stage 0. True when dst was written; false for bad
    // arguments, no memory, or an abandoned preview.
    virtual bool Process(const ImagePlane& src, const ImagePlane& dst, float tonalWidth, float radius, float amount,
                         float colorCorrection, int firstStage);

    // The stage the last Process actually started from (-1 before any run).
    int LastStartStage() const { return m_lastStart; }
    // The mask plane of the last run (for tests and diagnostics).
    ImagePlane MaskPlane() const { return m_mask.Plane(); }

protected:
    enum class Kind { Shadow, Highlight };
    bool RunPipeline(Kind kind, const ImagePlane& src, const ImagePlane& dst, const detail::ShadowParams& params,
                     int firstStage);

private:
    class StageBlur;
    bool Stage0(const ImagePlane& src);
    bool Stage1(Kind kind, float tonalWidth);
    bool Stage2(float radius);
    void Stage3(Kind kind, float amount);
    void Stage4(Kind kind, const ImagePlane& src, const ImagePlane& dst, float colorCorrection);
    void Step(int position);
    adjust::ByteTable CurveTable(float x1);

    detail::RunHooks m_hooks;
    int m_threads;
    std::unique_ptr<StageBlur> m_blur;
    CCurves m_curve;
    detail::CBytePlane m_luminance, m_mapped, m_fine, m_coarse, m_mask;
    adjust::ByteTable m_correction{};
    // What the kept planes were made from; m_complete counts the stages whose results
    // are current (0..4).
    ImagePlane m_source{};
    Kind m_kind = Kind::Shadow;
    detail::ShadowParams m_made;
    int m_complete = 0;
    int m_lastStart = -1;
};

class CHighlightControl : public CShadowControl {
public:
    using CShadowControl::CShadowControl;
    // The same pipeline with the highlight curves and the inverted mask.
    bool Process(const ImagePlane& src, const ImagePlane& dst, float tonalWidth, float radius, float amount,
                 float colorCorrection, int firstStage) override;
};

namespace detail {

// Whole-image runs on fresh objects, with "Shadow control" progress when given.
bool ApplyShadowControl(const ImagePlane& src, const ImagePlane& dst, const ShadowParams& params,
                        IProgress* progress = nullptr);
bool ApplyHighlightControl(const ImagePlane& src, const ImagePlane& dst, const ShadowParams& params,
                           IProgress* progress = nullptr);

}  // namespace detail
