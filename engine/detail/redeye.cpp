// Red-eye correction: the automatic pupil search and the manual brush.
#include "detail/redeye.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>

#include "core/memorymanager.h"
#include "detail/floodfill.h"
#include "detail/gaussblur.h"
#include "detail/histogram1c.h"

namespace detail {

std::string RedEyeDiagnostics::Text() const {
    char text[64];
    std::snprintf(text, sizeof text, "Clicked val: %d\nFinal threshold: %d\n", clicked, threshold);
    return text;
}

}  // namespace detail

using namespace detail;

namespace {

// How far the soft mask's blur reaches beyond the region (about 3 sigma of 2.2 and 2.0):
// the darkening fades out there instead of ending at a hard edge.
constexpr int32_t kSoftReach = 7;
// Room added around a manual stroke's rectangle each time it grows.
constexpr int32_t kStrokeSlack = 16;

// A small one-channel plane owning its bytes.
struct SmallPlane {
    std::vector<uint8_t> bytes;
    ImagePlane plane;
    SmallPlane(int32_t width, int32_t height)
        : bytes(ImagePlane::BytesFor(width, height, 1), 0), plane(ImagePlane::Make(bytes.data(), width, height, 1)) {}
};

using Rect = CRedEyeRemoval::Rect;

Rect Intersect(const Rect& a, const Rect& b) {
    return Rect{std::max(a.left, b.left), std::max(a.top, b.top), std::min(a.right, b.right),
                std::min(a.bottom, b.bottom)};
}
Rect Grow(const Rect& r, int32_t by) { return Rect{r.left - by, r.top - by, r.right + by, r.bottom + by}; }
bool IsEmpty(const Rect& r) { return r.right < r.left || r.bottom < r.top; }

// Darkens the pupil: each pixel of `area` (image coordinates) moves from `from` towards
// a grey target by alpha = min(1, 1.8 m / 255), m the soft mask at that pixel
// (mask pixel (0, 0) sits at image (maskX, maskY)).
void BlendPupil(const ImagePlane& from, const ImagePlane& to, const ImagePlane& mask, int32_t maskX, int32_t maskY,
                const Rect& area, float brightness) {
    const float lift = (brightness - 5.0f) * 10.0f;
    for (int32_t y = area.top; y <= area.bottom; ++y) {
        const uint8_t* m = mask.Row(y - maskY);
        const uint8_t* s = from.Row(y);
        uint8_t* d = to.Row(y);
        for (int32_t x = area.left; x <= area.right; ++x) {
            const float alpha = std::min(1.0f, m[x - maskX] * 1.8f / 255.0f);
            const uint8_t* p = s + x * 3;
            const float target = std::clamp(lift + 0.5f * p[1] + 0.5f * p[0], 0.0f, 255.0f);
            uint8_t out[3];
            for (int c = 0; c < 3; ++c) {
                const int32_t v = static_cast<int32_t>(p[c] * (1.0f - alpha) + target * alpha + 0.5f);
                out[c] = static_cast<uint8_t>(std::clamp(v, 0, 255));
            }
            std::memcpy(d + x * 3, out, 3);
        }
    }
}

}  // namespace

CRedEyeRemoval::CRedEyeRemoval(CMemoryManager* allocator)
    : m_allocator(allocator ? allocator : &CMemoryManager::GetInstance()), m_patch(m_allocator) {}

CRedEyeRemoval::~CRedEyeRemoval() = default;

CGaussBlur1c& CRedEyeRemoval::Blur() {
    if (!m_blur) m_blur = std::make_unique<CGaussBlur1c>(m_allocator);
    return *m_blur;
}

bool CRedEyeRemoval::Begin(const ImagePlane& current) {
    m_strokeActive = false;
    m_strokeMask.clear();
    m_stroke = Rect{};
    m_changed = Rect{};
    return current.channels == 3 && m_patch.Begin(current);
}

bool CRedEyeRemoval::CorrectAt(int32_t x, int32_t y, float brightness) {
    m_diagnostics = RedEyeDiagnostics{};
    m_changed = Rect{};
    const ImagePlane work = m_patch.Working();
    if (!work.data || x < 0 || y < 0 || x >= work.width || y >= work.height || !std::isfinite(brightness)) return false;

    const Rect window = Intersect(Rect{x - kRedEyeReach, y - kRedEyeReach, x + kRedEyeReach, y + kRedEyeReach},
                                  Rect{0, 0, work.width - 1, work.height - 1});
    const int32_t ww = window.right - window.left + 1, wh = window.bottom - window.top + 1;
    const int32_t cx = x - window.left, cy = y - window.top;

    SmallPlane redness(ww, wh), fine(ww, wh), coarse(ww, wh), contrast(ww, wh), mask(ww, wh);
    for (int32_t j = 0; j < wh; ++j) {
        const uint8_t* p = work.Row(window.top + j) + window.left * 3;
        uint8_t* r = redness.plane.Row(j);
        for (int32_t i = 0; i < ww; ++i, p += 3) r[i] = static_cast<uint8_t>(std::clamp(2 * p[2] - 2 * p[1] - p[0], 0, 255));
    }
    CGaussBlur1c& blur = Blur();
    if (blur.Blur(2.0f, redness.plane, &fine.plane) != BlurStatus::Done ||
        blur.Blur(7.0f, redness.plane, &coarse.plane) != BlurStatus::Done)
        return false;
    for (int32_t j = 0; j < wh; ++j) {
        const uint8_t* s = fine.plane.Row(j);
        const uint8_t* l = coarse.plane.Row(j);
        uint8_t* d = contrast.plane.Row(j);
        for (int32_t i = 0; i < ww; ++i) d[i] = static_cast<uint8_t>(std::min(std::abs(l[i] - s[i]) * 4, 255));
    }
    CHistogram1c histogram;
    histogram.Count(contrast.plane);
    const int h = histogram.TriangleThreshold();
    const int c = contrast.plane.Row(cy)[cx];
    const int t = (c - c / 40 + h) / 2;
    m_diagnostics.clicked = c;
    m_diagnostics.histogramThreshold = h;
    m_diagnostics.threshold = t;

    for (int32_t j = 0; j < wh; ++j) {
        const uint8_t* d = contrast.plane.Row(j);
        uint8_t* m = mask.plane.Row(j);
        for (int32_t i = 0; i < ww; ++i) m[i] = d[i] > t ? 255 : 0;
    }
    CFloodFill fill;
    m_diagnostics.regionPixels = fill.Fill(mask.plane, cx, cy);
    if (m_diagnostics.regionPixels == 0) return false;
    const float bw = static_cast<float>(fill.MaxX() - fill.MinX() + 1);
    const float bh = static_cast<float>(fill.MaxY() - fill.MinY() + 1);
    if (std::max(bw, bh) / std::min(bw, bh) >= 3.0f) return false;
    m_diagnostics.accepted = true;

    SmallPlane soft(ww, wh);
    if (blur.Blur(2.2f, fill.FilledPlane(), &soft.plane) != BlurStatus::Done) return false;
    const Rect box{window.left + fill.MinX(), window.top + fill.MinY(), window.left + fill.MaxX(),
                   window.top + fill.MaxY()};
    const Rect area = Intersect(Grow(box, kSoftReach), window);
    BlendPupil(work, work, soft.plane, window.left, window.top, area, brightness);
    m_changed = area;
    return m_patch.RecordStep();
}

bool CRedEyeRemoval::OnButtonDown(int32_t x, int32_t y) {
    if (m_params.automatic) return CorrectAt(x, y, m_params.autoBrightness);
    if (!m_patch.Working().data) return false;
    m_strokeActive = true;
    m_stroke = Rect{};
    m_strokeMask.clear();
    m_changed = Rect{};
    Paint(x, y);
    return !IsEmpty(m_changed);
}

bool CRedEyeRemoval::OnMouseMove(int32_t x, int32_t y) {
    if (!m_strokeActive) return false;
    m_changed = Rect{};
    Paint(x, y);
    return !IsEmpty(m_changed);
}

bool CRedEyeRemoval::OnButtonUp() {
    if (!m_strokeActive) return false;
    m_strokeActive = false;
    const bool changed = ApplyStroke();
    m_strokeMask.clear();
    m_stroke = Rect{};
    return changed;
}

void CRedEyeRemoval::GrowStroke(const Rect& r) {
    const ImagePlane work = m_patch.Working();
    const Rect image{0, 0, work.width - 1, work.height - 1};
    if (!IsEmpty(m_stroke) && r.left >= m_stroke.left && r.top >= m_stroke.top && r.right <= m_stroke.right &&
        r.bottom <= m_stroke.bottom)
        return;
    Rect grown = IsEmpty(m_stroke) ? r
                                   : Rect{std::min(r.left, m_stroke.left), std::min(r.top, m_stroke.top),
                                          std::max(r.right, m_stroke.right), std::max(r.bottom, m_stroke.bottom)};
    grown = Intersect(Grow(grown, kStrokeSlack), image);
    const int32_t gw = grown.right - grown.left + 1, gh = grown.bottom - grown.top + 1;
    std::vector<uint8_t> mask(static_cast<size_t>(gw) * gh, 0);
    if (!IsEmpty(m_stroke)) {
        const int32_t ow = m_stroke.right - m_stroke.left + 1;
        for (int32_t y = m_stroke.top; y <= m_stroke.bottom; ++y)
            std::memcpy(&mask[static_cast<size_t>(y - grown.top) * gw + (m_stroke.left - grown.left)],
                        &m_strokeMask[static_cast<size_t>(y - m_stroke.top) * ow], static_cast<size_t>(ow));
    }
    m_stroke = grown;
    m_strokeMask = std::move(mask);
}

void CRedEyeRemoval::Paint(int32_t x, int32_t y) {
    const ImagePlane work = m_patch.Working();
    const float radius = std::clamp(m_params.diameter, 1.0f, 10.0f) / 2.0f;
    const float r2 = radius * radius;
    const int32_t reach = static_cast<int32_t>(std::ceil(radius));
    const Rect disc = Intersect(Rect{x - reach, y - reach, x + reach, y + reach}, Rect{0, 0, work.width - 1, work.height - 1});
    if (IsEmpty(disc)) return;
    GrowStroke(disc);
    const int32_t sw = m_stroke.right - m_stroke.left + 1;
    for (int32_t py = disc.top; py <= disc.bottom; ++py)
        for (int32_t px = disc.left; px <= disc.right; ++px) {
            const float dx = static_cast<float>(px - x), dy = static_cast<float>(py - y);
            if (dx * dx + dy * dy > r2) continue;
            m_strokeMask[static_cast<size_t>(py - m_stroke.top) * sw + (px - m_stroke.left)] = 255;
            uint8_t* p = work.Row(py) + px * 3;
            p[0] = 255;
            p[1] = 0;
            p[2] = 0;
        }
    m_changed = disc;
}

bool CRedEyeRemoval::ApplyStroke() {
    m_changed = Rect{};
    if (IsEmpty(m_stroke)) return false;
    const ImagePlane work = m_patch.Working(), base = m_patch.Base();
    const Rect area = Intersect(Grow(m_stroke, kSoftReach), Rect{0, 0, work.width - 1, work.height - 1});
    const int32_t aw = area.right - area.left + 1, ah = area.bottom - area.top + 1;
    SmallPlane mask(aw, ah), soft(aw, ah);
    const int32_t sw = m_stroke.right - m_stroke.left + 1;
    for (int32_t y = m_stroke.top; y <= m_stroke.bottom; ++y)
        std::memcpy(mask.plane.Row(y - area.top) + (m_stroke.left - area.left),
                    &m_strokeMask[static_cast<size_t>(y - m_stroke.top) * sw], static_cast<size_t>(sw));
    if (Blur().Blur(2.0f, mask.plane, &soft.plane) != BlurStatus::Done) {
        // Without the blur the marks cannot be turned into a correction: take them away.
        for (int32_t y = m_stroke.top; y <= m_stroke.bottom; ++y)
            std::memcpy(work.Row(y) + m_stroke.left * 3, base.Row(y) + m_stroke.left * 3, static_cast<size_t>(sw) * 3);
        m_changed = m_stroke;
        return false;
    }
    BlendPupil(base, work, soft.plane, area.left, area.top, area, m_params.manualBrightness);
    m_changed = area;
    return m_patch.RecordStep();
}
