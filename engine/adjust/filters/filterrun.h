#pragma once
// Internal: the constants of one filter run and the per-pixel rule, shared by the plain
// and the vector rows (which must give the same bytes).
#include <algorithm>
#include <array>
#include <cmath>

#include "adjust/filters/photofilter.h"

namespace adjust::detail {

// sin(k / 100 degrees) for k = 0..35999.
const std::array<float, 36000>& FilterSineTable();

struct FilterRun {
    bool grad = false;
    bool bw = false;
    bool approx = false;   // preview: rational atan approximation
    float s = 0, base = 0;                 // strength and (1 - s) * 255
    std::array<float, 3> c1{}, c2{};       // colours, red green blue
    std::array<float, 3> m1{}, m2{};       // multipliers of colour 1 and 2, limited to 255
    float w = 0, lo = 0, hi = 0;           // transition width and its ends in t
    float angle = 0;
    float halfW = 0, halfH = 0, fullH = 1; // W / 2, H / 2, H of the full image
    float shift = 0;                       // 1.2 * max(W, H) * (offset - 0.5)
    float kFull = 1;                       // grey gain of a full black-and-white filter
    float left = 0, top = 0, zoom = 1;     // preview mapping (zoom limited to 1)
};

// The constants of a run over a width x height plane (the preview's full image size
// comes from the mapping).
FilterRun MakeFilterRun(const PhotoFilterParams& params, int32_t width, int32_t height,
                        const FilterPreviewMapping* preview);

// Multipliers at position t (graduated filters).
inline std::array<float, 3> GradMultipliers(const FilterRun& run, float t) {
    if (t < run.lo) return run.m1;
    if (t > run.hi) return run.m2;
    if (!(run.w > 0.0f)) return run.m1;  // hardness 1: the line itself takes colour 1
    std::array<float, 3> m{};
    for (size_t c = 0; c < 3; ++c) {
        const float v = run.base + run.s * (run.c1[c] + (run.c2[c] - run.c1[c]) * (t - run.lo) / run.w);
        m[c] = v < 255.0f ? v : 255.0f;
    }
    return m;
}

// Position across the transition of the full-image point (x, y).
float GradPosition(const FilterRun& run, float x, float y);

// A channel under multiplier m: trunc(m * c / 255).
inline uint8_t FilterChannel(float m, uint8_t c) { return static_cast<uint8_t>(static_cast<int>(m * c / 255.0f)); }

// The grey of a filtered pixel, times k, limited to 0..255 and truncated.
inline uint8_t FilterGrey(float r, float g, float b, float k) {
    float v = (0.3f * r + 0.59f * g + 0.11f * b) * k;
    v = v > 0.0f ? v : 0.0f;  // first, so a black full filter's 0 * infinity gives 0
    v = v < 255.0f ? v : 255.0f;
    return static_cast<uint8_t>(static_cast<int>(v));
}

// Rows y0..y1 of a graduated filter from column x0 on, plain code.
void GradRowsScalar(const FilterRun& run, const ImagePlane& src, const ImagePlane& dst, int32_t y0, int32_t y1,
                    int32_t x0 = 0);
// The same with 8-wide vector code where the processor has it; same bytes.
void GradRows(const FilterRun& run, const ImagePlane& src, const ImagePlane& dst, int32_t y0, int32_t y1);
// True when GradRows uses the vector code on this processor.
bool FilterVectorAvailable();

}  // namespace adjust::detail
