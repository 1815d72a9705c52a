#pragma once
// Hue/saturation: shifts the hue, scales the saturation and raises or lowers the
// intensity in the HSI model, for the whole image or one of six hue ranges, or gives
// every pixel one hue ("Colorize").
#include <array>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "adjust/framework/binaryio.h"
#include "adjust/huesat/hsi.h"
#include "core/imageplane.h"
#include "core/operation.h"

class IProgress;

namespace adjust {

enum class HueRange : int32_t { Image = 0, Reds, Yellows, Greens, Cyans, Blues, Magentas };
inline constexpr int32_t kHueRangeCount = 7;

// Bounds of the dialog's pairs.
inline constexpr int32_t kHueMin = -180, kHueMax = 180;
inline constexpr int32_t kSaturationMin = -100, kSaturationMax = 100;
inline constexpr int32_t kBrightnessMin = -100, kBrightnessMax = 100;

// One hue range in degrees: outer start, inner start, inner end, outer end.
struct HueRangeBounds {
    const char* name;
    float outerStart, innerStart, innerEnd, outerEnd;
};

// The range combo's entries in order; entry 0 ("Image") has no bounds.
const std::array<HueRangeBounds, kHueRangeCount>& HueRanges();

struct HueSaturationParams {
    int32_t hue = 0;
    int32_t saturation = 0;
    int32_t brightness = 0;
    int32_t colorize = 0;
    HueRange range = HueRange::Image;

    // Reset: hue, saturation and brightness back to 0; colorize and range stay.
    void ResetValues() { hue = saturation = brightness = 0; }
    // True when the routine would give back the source unchanged.
    bool IsNeutral() const { return !colorize && hue == 0 && saturation == 0 && brightness == 0; }
    bool operator==(const HueSaturationParams&) const = default;
};

// The per-pixel rule: the destination colour of one source pixel.
Rgb8 HueSaturationPixel(const HueSaturationParams& params, uint8_t r, uint8_t g, uint8_t b);

// Runs the per-pixel rule from `source` into `destination` (3 bytes per pixel, same
// size). Black stays black; neutral settings copy the source. Rows are split between the
// cores; with a progress sink it reports under the title "Hue/Saturation". False
// (nothing written) when the planes do not match.
bool ApplyHueSaturation(const ImagePlane& source, const ImagePlane& destination, const HueSaturationParams& params,
                        IProgress* progress = nullptr);

// The ".huesat" settings file: magic, colorize, hue, saturation, brightness.
inline constexpr const char* kHueSaturationMagic = "huesat";
inline constexpr size_t kHueSaturationFileSize = 6 + 4 * 4;

// The ".huesat" bytes of `params` (the range is not stored).
std::vector<uint8_t> SerializeHueSaturation(const HueSaturationParams& params);
// Reads ".huesat" bytes into colorize, hue, saturation and brightness; InvalidFile (and
// `params` untouched) for a wrong magic or a short file. Values out of the pairs' bounds
// are kept as they are.
SettingsFileStatus ParseHueSaturation(std::span<const uint8_t> bytes, HueSaturationParams& params);
// Loads a ".huesat" file into `params`; on any failure `params` is unchanged.
SettingsFileStatus LoadHueSaturationFile(const std::string& path, HueSaturationParams& params);
// Saves `params` as a ".huesat" file.
SettingsFileStatus SaveHueSaturationFile(const std::string& path, const HueSaturationParams& params);

namespace detail {
// Precomputed constants of one run, shared by the scalar and the vector rows.
struct HueSatRun {
    float hue;       // the shift, or the colorize hue
    float sf;        // 1 + saturation / 100
    float bf;        // 1 + brightness / 100
    int32_t mode;    // 0 colorize, 1 image, 2 reds, 3 other range
    float a, d, mid; // outer bounds and their middle for mode 3
};
// The constants of a run with `params`.
HueSatRun MakeRun(const HueSaturationParams& params);
// Rows y0..y1 with plain code; `x0` is the first column to do.
void HueSatRowsScalar(const HueSatRun& run, const ImagePlane& src, const ImagePlane& dst, int32_t y0, int32_t y1,
                      int32_t x0 = 0);
// Rows y0..y1 with 8-wide vector code where the processor has it, plain code otherwise;
// the results are the same bit for bit.
void HueSatRows(const HueSatRun& run, const ImagePlane& src, const ImagePlane& dst, int32_t y0, int32_t y1);
// True when HueSatRows uses the vector code on this processor.
bool HueSatVectorAvailable();
}  // namespace detail

// The hue/saturation operation: typed values or a ".huesat" file.
const ops::Operation& HueSaturationOperation();

}  // namespace adjust
