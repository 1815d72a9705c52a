// The shadow and highlight pipeline: luminance, mask curve, fine and coarse blur, mask,
// correction curve, then the per-pixel correction and blend.
#include "detail/shadowcontrol.h"

#include <algorithm>
#include <cmath>
#include <vector>

#include "adjust/framework/pixeltables.h"
#include "core/prompt.h"
#include "detail/workers.h"

namespace detail {

float ShadowEffectiveRadius(float radius, float zoom) { return zoom < 1.0f && zoom > 0.0f ? radius * zoom : radius; }

bool ApplyShadowControl(const ImagePlane& src, const ImagePlane& dst, const ShadowParams& p, IProgress* progress) {
    CShadowControl engine;
    engine.SetHooks(RunHooks{progress, {}, {}});
    return engine.Process(src, dst, p.tonalWidth, p.radius, p.amount, p.colorCorrection, kShadowStageAll);
}

bool ApplyHighlightControl(const ImagePlane& src, const ImagePlane& dst, const ShadowParams& p, IProgress* progress) {
    CHighlightControl engine;
    engine.SetHooks(RunHooks{progress, {}, {}});
    return engine.Process(src, dst, p.tonalWidth, p.radius, p.amount, p.colorCorrection, kShadowStageAll);
}

}  // namespace detail

using namespace detail;

// The blur of the pipeline: gives up at a tile border once a newer preview request waits.
class CShadowControl::StageBlur : public CGaussBlur1c {
public:
    explicit StageBlur(CMemoryManager* allocator, const RunHooks& hooks) : CGaussBlur1c(allocator), m_hooks(hooks) {}
    bool OnTileReady(const ImagePlane&, int32_t, int32_t, int32_t, int32_t, int32_t) override {
        return !(m_hooks.stale && m_hooks.stale());
    }

private:
    const RunHooks& m_hooks;
};

CShadowControl::CShadowControl(CMemoryManager* allocator)
    : m_threads(DefaultThreadCount()),
      m_blur(std::make_unique<StageBlur>(allocator, m_hooks)),
      m_luminance(allocator),
      m_mapped(allocator),
      m_fine(allocator),
      m_coarse(allocator),
      m_mask(allocator) {}

CShadowControl::~CShadowControl() = default;

void CShadowControl::SetThreadCount(int threads) {
    m_threads = std::max(1, threads);
    m_blur->SetThreadCount(m_threads);
}

bool CShadowControl::Process(const ImagePlane& src, const ImagePlane& dst, float tonalWidth, float radius,
                             float amount, float colorCorrection, int firstStage) {
    return RunPipeline(Kind::Shadow, src, dst, ShadowParams{tonalWidth, radius, amount, colorCorrection}, firstStage);
}

bool CHighlightControl::Process(const ImagePlane& src, const ImagePlane& dst, float tonalWidth, float radius,
                                float amount, float colorCorrection, int firstStage) {
    return RunPipeline(Kind::Highlight, src, dst, ShadowParams{tonalWidth, radius, amount, colorCorrection},
                       firstStage);
}

void CShadowControl::Step(int position) {
    if (m_hooks.progress) m_hooks.progress->SetPosition(position);
}

adjust::ByteTable CShadowControl::CurveTable(float x1) {
    const CCurves::Point points[] = {{0, 0}, {x1, 127}, {255, 255}};
    m_curve.SetPoints(0, points);
    m_curve.BuildTables();
    return m_curve.Table(0);
}

bool CShadowControl::RunPipeline(Kind kind, const ImagePlane& src, const ImagePlane& dst, const ShadowParams& given,
                                 int firstStage) {
    if (!adjust::PlanesMatch(src, dst) || src.channels != 3 || src.data == dst.data) return false;
    ShadowParams p = given;
    if (!std::isfinite(p.tonalWidth) || !std::isfinite(p.amount) || !std::isfinite(p.colorCorrection) ||
        !IsUsableSigma(p.radius))
        return false;
    // Outside these ranges the curves' middle points would leave 0..255.
    p.tonalWidth = std::clamp(p.tonalWidth, 0.0f, 100.0f);
    p.amount = std::clamp(p.amount, 0.0f, 100.0f);
    p.colorCorrection = std::clamp(p.colorCorrection, -100.0f, 100.0f);

    int start = std::clamp(firstStage, 0, 4);
    const bool sameSource = m_source.data == src.data && m_source.width == src.width &&
                            m_source.height == src.height && m_source.stride == src.stride && m_kind == kind;
    if (!sameSource) start = 0;
    start = std::min(start, m_complete);
    if (start > kShadowStageTonalWidth && p.tonalWidth != m_made.tonalWidth) start = kShadowStageTonalWidth;
    if (start > kShadowStageRadius && p.radius != m_made.radius) start = kShadowStageRadius;
    if (start > kShadowStageAmount && p.amount != m_made.amount) start = kShadowStageAmount;

    if (start == 0) {
        for (CBytePlane* plane : {&m_luminance, &m_mapped, &m_fine, &m_coarse, &m_mask})
            if (!plane->Ensure(src.width, src.height)) {
                m_complete = 0;
                return false;
            }
    }
    m_lastStart = start;
    m_complete = start;
    m_source = src;
    m_kind = kind;
    m_made = p;

    if (m_hooks.progress) m_hooks.progress->Start("Shadow control", 5);
    bool ok = true;
    if (ok && start <= 0) ok = Stage0(src);
    if (ok && start <= 1) ok = Stage1(kind, p.tonalWidth);
    if (ok && start <= 2) ok = Stage2(p.radius);
    if (ok && start <= 3) Stage3(kind, p.amount);
    if (ok) {
        Stage4(kind, src, dst, p.colorCorrection);
        Step(5);
    }
    if (m_hooks.progress) m_hooks.progress->End();
    return ok;
}

bool CShadowControl::Stage0(const ImagePlane& src) {
    const ImagePlane lum = m_luminance.Plane();
    ForBands(src.height, m_threads, [&](int32_t r0, int32_t r1) {
        for (int32_t y = r0; y < r1; ++y) {
            const uint8_t* s = src.Row(y);
            uint8_t* out = lum.Row(y);
            for (int32_t x = 0; x < src.width; ++x, s += 3)
                out[x] = static_cast<uint8_t>((467 * s[0] + 2404 * s[1] + 1225 * s[2] + 2048) >> 12);
        }
    });
    m_complete = 1;
    return true;
}

bool CShadowControl::Stage1(Kind kind, float tonalWidth) {
    const float x1 = kind == Kind::Shadow ? (tonalWidth + 1.0f) * 1.27f : (100.0f - tonalWidth) * 1.24f + 127.0f;
    const adjust::ByteTable curve = CurveTable(x1);
    const ImagePlane lum = m_luminance.Plane(), mapped = m_mapped.Plane(), fine = m_fine.Plane();
    ForBands(lum.height, m_threads, [&](int32_t r0, int32_t r1) {
        for (int32_t y = r0; y < r1; ++y) {
            const uint8_t* in = lum.Row(y);
            uint8_t* out = mapped.Row(y);
            for (int32_t x = 0; x < lum.width; ++x) out[x] = curve[in[x]];
        }
    });
    Step(1);
    if (m_blur->Blur(1.0f, mapped, &fine) != BlurStatus::Done) return false;
    Step(2);
    m_complete = 2;
    return true;
}

bool CShadowControl::Stage2(float radius) {
    const ImagePlane mapped = m_mapped.Plane(), fine = m_fine.Plane(), coarse = m_coarse.Plane(), mask = m_mask.Plane();
    if (m_blur->Blur(radius, mapped, &coarse) != BlurStatus::Done) return false;
    Step(3);
    ForBands(mask.height, m_threads, [&](int32_t r0, int32_t r1) {
        for (int32_t y = r0; y < r1; ++y) {
            const uint8_t* g = coarse.Row(y);
            const uint8_t* f = fine.Row(y);
            uint8_t* out = mask.Row(y);
            for (int32_t x = 0; x < mask.width; ++x)
                out[x] = static_cast<uint8_t>(static_cast<int32_t>((g[x] + 2.0f * f[x]) * 0.333333f + 0.5f));
        }
    });
    Step(4);
    m_complete = 3;
    return true;
}

void CShadowControl::Stage3(Kind kind, float amount) {
    const float x1 = kind == Kind::Shadow ? (101.0f - amount) * 1.27f : (amount - 1.0f) * 1.27f + 127.0f;
    m_correction = CurveTable(x1);
    m_complete = 4;
}

void CShadowControl::Stage4(Kind kind, const ImagePlane& src, const ImagePlane& dst, float colorCorrection) {
    const ImagePlane mask = m_mask.Plane();
    const adjust::ByteTable& V = m_correction;
    const float c = std::abs(colorCorrection) * 0.01f * (colorCorrection > 0 ? 0.5f : 1.0f);
    std::array<float, 256> weight{};
    for (int k = 0; k < 256; ++k)
        weight[static_cast<size_t>(k)] = kind == Kind::Shadow ? k / 255.0f : 1.0f - k / 255.0f;
    // The formulas are evaluated as q + c (g - q) and q + w (s - q), equal to the
    // weighted sums they stand for but exact when the values agree, so that grey stays
    // grey and white stays white in spite of float rounding. Each row goes through flat
    // float arrays so that the arithmetic vectorises.
    ForBands(src.height, m_threads, [&](int32_t r0, int32_t r1) {
        // Locals, not captures: byte stores could alias a captured value and keep the
        // compiler from vectorising.
        const int32_t W = src.width, n = W * 3;
        const float cc = c;
        std::vector<float> q(static_cast<size_t>(n)), o(static_cast<size_t>(n)), wt(static_cast<size_t>(n));
        for (int32_t y = r0; y < r1; ++y) {
            const uint8_t* s = src.Row(y);
            const uint8_t* k = mask.Row(y);
            uint8_t* out = dst.Row(y);
            for (int32_t j = 0; j < n; ++j) q[j] = V[s[j]];
            for (int32_t x = 0; x < W; ++x) wt[3 * x] = wt[3 * x + 1] = wt[3 * x + 2] = weight[k[x]];
            if (colorCorrection < 0) {
                for (int32_t j = 0; j < n; j += 3) {
                    const float g = (11.0f * q[j] + 59.0f * q[j + 1] + 30.0f * q[j + 2]) / 100.0f;
                    o[j] = g, o[j + 1] = g, o[j + 2] = g;
                }
                for (int32_t j = 0; j < n; ++j) q[j] = static_cast<float>(static_cast<int32_t>(q[j] + cc * (o[j] - q[j])));
            } else if (colorCorrection > 0) {
                for (int32_t j = 0; j < n; j += 3) {
                    o[j] = (q[j + 1] + q[j + 2]) * 0.5f;
                    o[j + 1] = (q[j] + q[j + 2]) * 0.5f;
                    o[j + 2] = (q[j] + q[j + 1]) * 0.5f;
                }
                for (int32_t j = 0; j < n; ++j) {
                    const float v = static_cast<float>(static_cast<int32_t>(q[j] + cc * (q[j] - o[j])));
                    q[j] = std::min(255.0f, std::max(0.0f, v));
                }
            }
            for (int32_t j = 0; j < n; ++j) {
                const int32_t v = static_cast<int32_t>(q[j] + wt[j] * (static_cast<float>(s[j]) - q[j]));
                out[j] = static_cast<uint8_t>(v < 0 ? 0 : (v > 255 ? 255 : v));
            }
        }
    });
}
