// Black-and-white and sepia per-pixel conversions.
#include "adjust/tone/blackwhite.h"

#include "adjust/framework/parallel.h"
#include "adjust/framework/pixeltables.h"
#include "adjust/huesat/hsi.h"

namespace adjust {

namespace {

// Values above 255 become 255, then the value is truncated.
inline uint8_t Limit(double v) { return v > 255.0 ? uint8_t{255} : static_cast<uint8_t>(v); }

// Products and sums run in single precision (float weights times byte values), which
// keeps white at 255: the weights 0.30f + 0.59f + 0.11f fall just short of 1 in double.
inline uint8_t Grey(int r, int g, int b) {
    float y = 0.30f * static_cast<float>(r) + 0.59f * static_cast<float>(g) + 0.11f * static_cast<float>(b);
    return Limit(y);
}

inline void Antique(int r, int g, int b, uint8_t* d) {
    float fr = static_cast<float>(r), fg = static_cast<float>(g), fb = static_cast<float>(b);
    d[2] = Limit((0.393f * fr + 0.769f * fg + 0.189f * fb) * 0.75);
    d[1] = Limit((0.349f * fr + 0.686f * fg + 0.168f * fb) * 0.75);
    d[0] = Limit((0.272f * fr + 0.534f * fg + 0.131f * fb) * 0.75);
}

}  // namespace

bool IsBlackWhiteMode(int32_t mode) { return mode >= 1 && mode <= 4; }

bool ApplyBlackWhite(const ImagePlane& source, const ImagePlane& destination, const BlackWhiteParams& params) {
    if (!PlanesMatch(source, destination) || source.channels != 3) return false;
    const int32_t mode = static_cast<int32_t>(params.mode);
    if (!IsBlackWhiteMode(mode)) return false;
    const float saturation = params.mode == BlackWhiteMode::SepiaSpringVivid ? 0.2f : 0.05f;
    ParallelRows(source.height, [&](int32_t y0, int32_t y1) {
        for (int32_t y = y0; y < y1; ++y) {
            const uint8_t* s = source.Row(y);
            uint8_t* d = destination.Row(y);
            for (int32_t x = 0; x < source.width; ++x, s += 3, d += 3) {
                const int b = s[0], g = s[1], r = s[2];
                switch (params.mode) {
                    case BlackWhiteMode::BlackAndWhite:
                        d[0] = d[1] = d[2] = Grey(r, g, b);
                        break;
                    case BlackWhiteMode::SepiaAntique:
                        Antique(r, g, b, d);
                        break;
                    case BlackWhiteMode::SepiaSpring:
                    case BlackWhiteMode::SepiaSpringVivid: {
                        Rgb8 out = HsiToRgb(32.0f, saturation, RgbToHsi(s[2], s[1], s[0]).i);
                        d[0] = out.b;
                        d[1] = out.g;
                        d[2] = out.r;
                        break;
                    }
                }
            }
        }
    });
    return true;
}

}  // namespace adjust
