#pragma once
// Interpolation kernels of the resampling routines.
#include <cmath>
#include <numbers>

namespace geometry::detail {

// Cubic convolution kernel with a = -0.5 (Catmull-Rom): 1 at 0, 0 at every other integer.
inline double CubicKernel(double t) {
    t = std::fabs(t);
    if (t <= 1.0) return (1.5 * t - 2.5) * t * t + 1.0;
    if (t < 2.0) return ((-0.5 * t + 2.5) * t - 4.0) * t + 2.0;
    return 0.0;
}

inline double TriangleKernel(double t) {
    t = std::fabs(t);
    return t < 1.0 ? 1.0 - t : 0.0;
}

inline double Sinc(double x) {
    if (x == 0.0) return 1.0;
    const double px = std::numbers::pi * x;
    return std::sin(px) / px;
}

// Lanczos window of three lobes.
inline double LanczosKernel(double t) {
    t = std::fabs(t);
    if (t >= 3.0) return 0.0;
    return Sinc(t) * Sinc(t / 3.0);
}

// Rounds to the nearest byte value, saturating at 0 and 255.
inline unsigned char SaturateRound(float v) {
    if (!(v > 0.0f)) return 0;  // also catches NaN
    if (v >= 254.5f) return 255;
    return static_cast<unsigned char>(static_cast<int>(v + 0.5f));
}

}  // namespace geometry::detail
