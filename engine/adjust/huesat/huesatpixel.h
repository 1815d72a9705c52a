#pragma once
// The hue/saturation rule for one pixel, shared by the plain rows and the tests.
#include <cmath>

#include "adjust/huesat/huesaturation.h"

namespace adjust::detail {

// Weight of a hue at `dist` degrees from the middle of its range: full within 15
// degrees, falling linearly to 0 at 60.
inline float RangeWeight(float dist) { return dist <= 15.0f ? 1.0f : 1.0f - (dist - 15.0f) / 45.0f; }

inline Rgb8 HueSatPixel(const HueSatRun& run, uint8_t R, uint8_t G, uint8_t B) {
    // Black has no saturation: it stays black whatever the settings.
    if ((R | G | B) == 0) return {0, 0, 0};
    const Hsi p = RgbToHsi(R, G, B);
    const float s2 = p.s * run.sf * (2.0f - run.bf);
    const float lift = (1.0f - p.i) * (run.bf - 1.0f);
    switch (run.mode) {
        case 0:
            return HsiToRgb(run.hue, s2, p.i + lift);
        case 1:
            return HsiToRgb(p.h + run.hue, s2, p.i + lift);
        case 2: {
            if (!(p.h > 315.0f || p.h < 45.0f)) return {R, G, B};
            const float w = RangeWeight(p.h < 45.0f ? p.h : 360.0f - p.h);
            return HsiToRgb(p.h + w * w * run.hue, s2, p.i + lift);
        }
        default: {
            if (!(run.a < p.h && p.h < run.d)) return {R, G, B};
            const float w = RangeWeight(std::fabs(p.h - run.mid));
            const float w2 = w * w;
            return HsiToRgb(p.h + w2 * run.hue, s2, p.i + w2 * w2 * std::sqrt(1.0f - p.i) * (run.bf - 1.0f));
        }
    }
}

}  // namespace adjust::detail
