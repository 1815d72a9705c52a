// HSI conversions through the whole-degree cosine and the 0.002-step arccos tables.
#include "adjust/huesat/hsi.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace adjust {

const HsiTables& HsiTables::Get() {
    static const HsiTables tables = [] {
        HsiTables t{};
        constexpr double kDegree = std::numbers::pi / 180.0;
        for (int k = 0; k < 360; ++k) t.cosine[static_cast<size_t>(k)] = static_cast<float>(std::cos(k * kDegree));
        for (int j = 0; j <= 1000; ++j)
            t.arccos[static_cast<size_t>(j)] = static_cast<float>(std::acos((j - 500) / 500.0) / kDegree);
        for (int b = 0; b < 256; ++b) t.unit[static_cast<size_t>(b)] = static_cast<float>(b) / 255.0f;
        return t;
    }();
    return tables;
}

Hsi RgbToHsi(uint8_t R, uint8_t G, uint8_t B) {
    const HsiTables& t = HsiTables::Get();
    const float r = t.unit[R], g = t.unit[G], b = t.unit[B];
    const float sum = r + g + b;
    Hsi out;
    out.i = sum / 3.0f;
    if (sum > 0.0f) out.s = 1.0f - 3.0f * std::min(r, std::min(g, b)) / sum;
    if (R == G && G == B) return out;

    const float rg = r - g, rb = r - b, gb = g - b;
    const float c = (rg + rb) / 2.0f / std::sqrt(rg * rg + rb * gb);
    float jf = 500.0f * c + 500.5f;
    jf = jf > 0.0f ? jf : 0.0f;  // also turns a NaN into 0
    jf = jf < 1000.0f ? jf : 1000.0f;
    const float theta = t.arccos[static_cast<size_t>(static_cast<int>(jf))];
    out.h = B <= G ? theta : 360.0f - theta;
    return out;
}

float WrapHue(float h) {
    if (h >= 360.0f) h -= 360.0f;
    if (h < 0.0f) h += 360.0f;
    // 360 itself (from 360 - 0, or a tiny negative hue plus 360) and hues from settings
    // files far out of range: a full wrap, exact for every hue already in range.
    h -= 360.0f * std::floor(h / 360.0f);
    // Rounding of huge hues may still land just outside; a NaN fails both tests too.
    return (h >= 0.0f && h < 360.0f) ? h : 0.0f;
}

namespace {

inline uint8_t UnitToByte(float v) {
    v = v > 0.0f ? v : 0.0f;  // NaN counts as 0
    v = v < 1.0f ? v : 1.0f;
    return static_cast<uint8_t>(static_cast<int>(v * 255.0f));
}

}  // namespace

Rgb8 HsiToRgb(float H, float S, float I) {
    const HsiTables& t = HsiTables::Get();
    H = WrapHue(H);
    const int sector = H < 120.0f ? 0 : (H < 240.0f ? 1 : 2);
    // h - 120 * sector with the same single rounding as the per-sector subtraction.
    const float h = sector == 0 ? H : (sector == 1 ? H - 120.0f : H - 240.0f);
    const int k = std::min(static_cast<int>(h), 119);
    float jm = 60.0f - h;
    if (jm < 0.0f) jm += 360.0f;
    // 60 - h + 360 can round up to 360 for h just above 60: that is cos(0) again.
    int j = static_cast<int>(jm);
    if (j >= 360) j = 0;

    const float low = I * (1.0f - S);
    const float high = I * (1.0f + S * t.cosine[static_cast<size_t>(k)] / t.cosine[static_cast<size_t>(j)]);
    // Without saturation all three are I; 3I - 2I could round to a neighbour level and
    // tint a grey.
    const float rest = S == 0.0f ? I : 3.0f * I - (high + low);
    Rgb8 out;
    if (sector == 0) {
        out = {UnitToByte(high), UnitToByte(rest), UnitToByte(low)};
    } else if (sector == 1) {
        out = {UnitToByte(low), UnitToByte(high), UnitToByte(rest)};
    } else {
        out = {UnitToByte(rest), UnitToByte(low), UnitToByte(high)};
    }
    return out;
}

}  // namespace adjust
