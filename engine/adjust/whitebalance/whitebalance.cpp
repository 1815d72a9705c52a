// White balance factors, routine, HLS conversions and the dropper pick.
#include "adjust/whitebalance/whitebalance.h"

#include <algorithm>
#include <cmath>

#include "adjust/framework/pixeltables.h"
#include "adjust/huesat/hsi.h"

namespace adjust {

WhiteBalanceFactors FactorsFromReference(float r, float g, float b) {
    const float y = 0.299f * r + 0.5879f * g + 0.114f * b;
    // Y / 0 for every channel would turn the whole picture black (0 * inf is not a
    // number): a black reference is no colour cast to correct.
    if (!(y > 0.0f)) return WhiteBalanceFactors{};
    return WhiteBalanceFactors{y / r, y / g, y / b};
}

uint8_t WhiteBalanceByte(uint8_t value, float factor) {
    float v = static_cast<float>(value) * factor;
    if (v > 255.0f) v = 255.0f;
    if (!(v >= 0.0f)) v = 0.0f;  // not a number (0 * infinity), or a negative factor
    return static_cast<uint8_t>(static_cast<int>(v));
}

bool ApplyWhiteBalance(const ImagePlane& source, const ImagePlane& destination, const WhiteBalanceFactors& factors) {
    if (source.channels != 3) return false;
    // Each channel depends only on its own byte: three tables give the exact result.
    PixelTables tables{};
    for (int v = 0; v < 256; ++v) {
        const auto i = static_cast<size_t>(v);
        const auto byte = static_cast<uint8_t>(v);
        tables.red[i] = WhiteBalanceByte(byte, factors.r);
        tables.green[i] = WhiteBalanceByte(byte, factors.g);
        tables.blue[i] = WhiteBalanceByte(byte, factors.b);
        tables.grey[i] = byte;
    }
    return ApplyPixelTables(source, destination, tables);
}

Hls RgbToHls(float r, float g, float b) {
    const float mx = std::max(r, std::max(g, b));
    const float mn = std::min(r, std::min(g, b));
    Hls out;
    out.l = (mx + mn) / 2.0f;
    if (out.l <= 0.0f || mx == mn) return out;
    const float delta = mx - mn;
    out.s = out.l <= 0.5f ? delta / (mx + mn) : delta / (2.0f - mx - mn);
    const float rc = (mx - r) / delta, gc = (mx - g) / delta, bc = (mx - b) / delta;
    float h;
    if (r == mx)
        h = g == mn ? 5.0f + bc : 1.0f - gc;
    else if (g == mx)
        h = b == mn ? 1.0f + rc : 3.0f - bc;
    else
        h = r == mn ? 3.0f + gc : 5.0f - rc;
    out.h = h / 6.0f;
    return out;
}

RgbF HlsToRgb(float hue, float l, float s) {
    const float v = l <= 0.5f ? l * (1.0f + s) : l + s - l * s;
    if (!(v > 0.0f)) return RgbF{};
    const float m = 2.0f * l - v;
    const float sv = (v - m) / v;
    float h = 6.0f * hue;
    if (!(h >= 0.0f && h <= 6.0f)) h = 6.0f * (hue - std::floor(hue));  // any hue, wrapped
    if (!(h >= 0.0f && h <= 6.0f)) h = 0.0f;                           // not a number
    const int whole = static_cast<int>(h);
    const float f = h - static_cast<float>(whole);
    // A hue of exactly 1 (the hue pair's upper end, 360 degrees) is red again.
    const int sextant = whole % 6;
    const float vsf = v * sv * f;
    const float mid1 = m + vsf, mid2 = v - vsf;
    switch (sextant) {
        case 0: return {v, mid1, m};
        case 1: return {mid2, v, m};
        case 2: return {m, v, mid1};
        case 3: return {m, mid2, v};
        case 4: return {mid1, m, v};
        default: return {v, m, mid2};
    }
}

RgbF WheelReference(float hue, float saturation) {
    return HlsToRgb(hue / kWheelHueMax, kWheelLightness, saturation / kWheelSaturationMax);
}

std::optional<WhiteBalancePick> PickWhiteBalance(const ImagePlane& image, int32_t x, int32_t y, DropperSize size) {
    if (!image.IsValid() || image.channels != 3) return std::nullopt;
    if (x < 1 || y < 1 || x >= image.width - 1 || y >= image.height - 1) return std::nullopt;
    WhiteBalancePick pick;
    if (size == DropperSize::OneByOne) {
        const uint8_t* p = image.Row(y) + 3 * static_cast<ptrdiff_t>(x);
        pick.reference = {static_cast<float>(p[2]), static_cast<float>(p[1]), static_cast<float>(p[0])};
        const Hls hls = RgbToHls(p[2] / 255.0f, p[1] / 255.0f, p[0] / 255.0f);
        pick.hue = 360.0f * hls.h;
        pick.saturation = 60.0f * hls.s;
    } else {
        int sum[3] = {0, 0, 0};
        for (int32_t dy = -1; dy <= 1; ++dy) {
            const uint8_t* p = image.Row(y + dy) + 3 * static_cast<ptrdiff_t>(x - 1);
            for (int i = 0; i < 9; ++i) sum[i % 3] += p[i];
        }
        const float avgB = static_cast<float>(sum[0]) / 9.0f;
        const float avgG = static_cast<float>(sum[1]) / 9.0f;
        const float avgR = static_cast<float>(sum[2]) / 9.0f;
        pick.reference = {avgR, avgG, avgB};
        pick.hue = 360.0f * RgbToHls(avgR / 255.0f, avgG / 255.0f, avgB / 255.0f).h;
        const Hsi hsi = RgbToHsi(static_cast<uint8_t>(avgR), static_cast<uint8_t>(avgG), static_cast<uint8_t>(avgB));
        pick.saturation = 120.0f * hsi.s;
    }
    pick.factors = FactorsFromReference(pick.reference.r, pick.reference.g, pick.reference.b);
    return pick;
}

void CWhiteBalanceModel::SetFromWheel(float hue, float saturation) {
    m_hue = hue;
    m_saturation = saturation;
    const RgbF ref = WheelReference(hue, saturation);
    m_factors = FactorsFromReference(ref.r, ref.g, ref.b);
}

bool CWhiteBalanceModel::Pick(const ImagePlane& image, int32_t x, int32_t y) {
    const auto pick = PickWhiteBalance(image, x, y, m_dropper);
    if (!pick) return false;
    // The pairs show the pick, but the factors come from the reference itself.
    m_hue = pick->hue;
    m_saturation = pick->saturation;
    m_factors = pick->factors;
    return true;
}

}  // namespace adjust
