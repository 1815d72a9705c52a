#pragma once
// The HSI colour model through whole-degree tables: hue in degrees, saturation and
// intensity 0..1.
#include <array>
#include <cstdint>

namespace adjust {

// The conversion tables, filled once per process and only read afterwards.
struct HsiTables {
    std::array<float, 360> cosine;   // cos(k degrees)
    std::array<float, 1001> arccos;  // arccos((j - 500) / 500) in degrees
    std::array<float, 256> unit;     // byte / 255

    static const HsiTables& Get();
};

struct Hsi {
    float h = 0;  // degrees, 0..360
    float s = 0;
    float i = 0;
};

struct Rgb8 {
    uint8_t r = 0;
    uint8_t g = 0;
    uint8_t b = 0;
    bool operator==(const Rgb8&) const = default;
};

// HSI of a pixel. Grey pixels have hue 0; black, whose saturation is undefined, gets
// saturation 0 (callers that must keep black black test for it themselves).
Hsi RgbToHsi(uint8_t r, uint8_t g, uint8_t b);

// Bytes of an HSI colour. Any hue is brought into 0..360 first; channels are limited to
// 0..1 (a value that is not a number counts as 0), scaled by 255 and truncated.
Rgb8 HsiToRgb(float h, float s, float i);

// Brings a hue in degrees into [0, 360) the way HsiToRgb does (one step each way, then a
// full wrap for anything still outside; 0 for a value that is not a number or that
// rounding leaves outside).
float WrapHue(float h);

}  // namespace adjust
