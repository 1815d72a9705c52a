// The white balance colour wheel picture and its mouse mapping.
#include <cmath>
#include <numbers>

#include "adjust/whitebalance/whitebalance.h"

namespace adjust {

namespace {

constexpr float kRadToDeg = 180.0f / std::numbers::pi_v<float>;

// Angle in degrees, counter-clockwise from the right with y upwards, in 0..360.
float WheelAngle(float dx, float dyUp) {
    float a = std::atan2(dyUp, dx) * kRadToDeg;
    if (a < 0.0f) a += 360.0f;
    return a;
}

void PutPixel(const ImagePlane& dst, int32_t x, int32_t y, uint8_t r, uint8_t g, uint8_t b) {
    if (x < 0 || y < 0 || x >= dst.width || y >= dst.height) return;
    uint8_t* p = dst.Row(y) + 3 * static_cast<ptrdiff_t>(x);
    p[0] = b;
    p[1] = g;
    p[2] = r;
}

inline uint8_t UnitByte(float v) {
    v = v > 0.0f ? v : 0.0f;
    v = v < 1.0f ? v : 1.0f;
    return static_cast<uint8_t>(static_cast<int>(v * 255.0f));
}

}  // namespace

bool DrawColorWheel(const ImagePlane& dst, uint8_t bgR, uint8_t bgG, uint8_t bgB, float hue, float saturation) {
    if (!dst.IsValid() || dst.channels != 3 || dst.width < kWheelSize || dst.height < kWheelSize) return false;
    const float centre = kWheelRadius;
    for (int32_t y = 0; y < kWheelSize; ++y) {
        for (int32_t x = 0; x < kWheelSize; ++x) {
            const float dx = static_cast<float>(x) - centre;
            const float dy = centre - static_cast<float>(y);
            const float d = std::sqrt(dx * dx + dy * dy);
            if (d < kWheelRadius) {
                const RgbF c = HlsToRgb(WheelAngle(dx, dy) / 360.0f, kWheelLightness, d / kWheelRadius);
                PutPixel(dst, x, y, UnitByte(c.r), UnitByte(c.g), UnitByte(c.b));
            } else {
                PutPixel(dst, x, y, bgR, bgG, bgB);
            }
        }
    }
    if (!std::isfinite(hue) || !std::isfinite(saturation)) return true;
    saturation = std::fmin(std::fmax(saturation, 0.0f), kWheelRadius);
    const float rad = hue / kRadToDeg;
    const auto cx = static_cast<int32_t>(std::lround(centre + std::cos(rad) * saturation));
    const auto cy = static_cast<int32_t>(std::lround(centre - std::sin(rad) * saturation));
    for (int32_t i = -3; i <= 3; ++i) {
        PutPixel(dst, cx + i, cy, 0, 0, 0);
        PutPixel(dst, cx, cy + i, 0, 0, 0);
    }
    return true;
}

std::optional<WheelPoint> WheelPointAt(int32_t x, int32_t y) {
    const float dx = static_cast<float>(x) - kWheelRadius;
    const float dy = kWheelRadius - static_cast<float>(y);
    const float d = std::sqrt(dx * dx + dy * dy);
    if (!(d <= kWheelRadius)) return std::nullopt;
    return WheelPoint{WheelAngle(dx, dy), d};
}

}  // namespace adjust
