#include "detail/histogram1c.h"

#include <cmath>

void CHistogram1c::Count(const ImagePlane& plane) {
    bins.fill(0);
    if (!plane.IsValid() || plane.channels != 1) return;
    for (int32_t y = 0; y < plane.height; ++y) {
        const uint8_t* row = plane.Row(y);
        for (int32_t x = 0; x < plane.width; ++x) ++bins[row[x]];
    }
}

int CHistogram1c::TriangleThreshold() const {
    int valley = -1;
    int32_t valleyCount = 1000000;
    for (int level = 254; level >= 1; --level) {
        const int32_t n = bins[static_cast<size_t>(level)];
        if (n > 0 && n < valleyCount) {
            valleyCount = n;
            valley = level;
        }
    }
    int peak = -1;
    int32_t peakCount = 0;
    for (int level = 1; level <= 254; ++level) {
        const int32_t n = bins[static_cast<size_t>(level)];
        if (n > peakCount) {
            peakCount = n;
            peak = level;
        }
    }
    if (valley < 0 || peak < 0) return 0;

    const int x1 = valley < peak ? valley : peak;
    const int x2 = valley < peak ? peak : valley;
    const int64_t y1 = bins[static_cast<size_t>(x1)], y2 = bins[static_cast<size_t>(x2)];
    const int64_t dx = x2 - x1, dy = y2 - y1;
    const float length = std::sqrt(static_cast<float>(dx * dx + dy * dy));
    // Peak and valley on one level: no line, so nothing lies below it.
    if (!(length > 0.0f)) return 0;
    int best = 0;
    float bestDistance = 0.0f;
    for (int t = x1; t <= x2; ++t) {
        // 64-bit products: counts may be large for big planes.
        const int64_t cross = dx * (y1 - bins[static_cast<size_t>(t)]) - dy * (x1 - t);
        const float d = static_cast<float>(cross) / length;
        if (d > bestDistance) {
            bestDistance = d;
            best = t;
        }
    }
    return best;
}
