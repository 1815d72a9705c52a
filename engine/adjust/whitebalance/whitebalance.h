#pragma once
// White balance: scales the three channels so that a reference colour becomes neutral
// grey. The reference is picked from the image with a dropper or set on a colour wheel
// (hue and saturation in the HLS model at lightness 0.7).
#include <cstdint>
#include <optional>

#include "core/imageplane.h"
#include "core/operation.h"

namespace adjust {

// Channel multipliers.
struct WhiteBalanceFactors {
    float r = 1.0f;
    float g = 1.0f;
    float b = 1.0f;
    bool operator==(const WhiteBalanceFactors&) const = default;
};

// Factors that turn the reference colour (any common scale) into grey of its luminance
// Y = 0.299 r + 0.5879 g + 0.114 b: f = Y / channel. A channel of 0 gives an infinite
// factor (that channel goes to 255 wherever it is not 0). A black reference, which has
// no colour to correct, gives factors of 1.
WhiteBalanceFactors FactorsFromReference(float r, float g, float b);

// Multiplies every channel by its factor in single precision; above 255 becomes 255,
// a value that is not a number becomes 0, then truncated. Rows are split between the
// cores. False (nothing written) when the planes do not match.
bool ApplyWhiteBalance(const ImagePlane& source, const ImagePlane& destination, const WhiteBalanceFactors& factors);
// The byte a channel value becomes under `factor`.
uint8_t WhiteBalanceByte(uint8_t value, float factor);

// HLS colour: hue, lightness and saturation, each 0..1.
struct Hls {
    float h = 0;
    float l = 0;
    float s = 0;
};
struct RgbF {
    float r = 0;
    float g = 0;
    float b = 0;
};
// HLS of a colour with channels in 0..1.
Hls RgbToHls(float r, float g, float b);
// Colour (0..1 channels) of an HLS triple; a hue of 1 is the same as 0.
RgbF HlsToRgb(float h, float l, float s);

// Lightness of every wheel colour; the bounds of the wheel's pairs.
inline constexpr float kWheelLightness = 0.7f;
inline constexpr float kWheelHueMax = 360.0f;
inline constexpr float kWheelSaturationMax = 60.0f;
// The wheel picture: its size in pixels and its radius.
inline constexpr int32_t kWheelSize = 120;
inline constexpr float kWheelRadius = 60.0f;

// The reference colour (0..1) for a hue in degrees and a saturation of 0..60.
RgbF WheelReference(float hue, float saturation);

enum class DropperSize { OneByOne, ThreeByThree };

// What a dropper click gives: the reference colour and what the two pairs show.
struct WhiteBalancePick {
    RgbF reference;        // 0..255
    float hue = 0;         // 360 * HLS hue
    float saturation = 0;  // 60 * HLS saturation (1 x 1) or 120 * HSI saturation (3 x 3)
    WhiteBalanceFactors factors;
};

// The pick at image column x, row y, or nothing for a click within one pixel of the
// border (or outside the image).
std::optional<WhiteBalancePick> PickWhiteBalance(const ImagePlane& image, int32_t x, int32_t y, DropperSize size);

// Paints the colour wheel into a kWheelSize square BGR plane: HLS(angle / 360,
// distance / 60, 0.7) inside the circle (angle counter-clockwise from the right), the
// background colour outside, and a small black cross at the chosen hue and saturation.
// False when the plane is too small.
bool DrawColorWheel(const ImagePlane& destination, uint8_t backgroundR, uint8_t backgroundG, uint8_t backgroundB,
                    float hue, float saturation);

// Hue (degrees) and saturation (the distance) of a point of the wheel picture, or nothing
// when the point lies farther than the radius from the centre.
struct WheelPoint {
    float hue = 0;
    float saturation = 0;
};
std::optional<WheelPoint> WheelPointAt(int32_t x, int32_t y);

// The tool's state without its windows: the pairs' values, the dropper size and the
// factors the preview and the result use.
class CWhiteBalanceModel {
public:
    // Hue 0 and saturation 0 on the wheel: the grey of lightness 0.7.
    CWhiteBalanceModel() { SetFromWheel(0.0f, 0.0f); }

    float Hue() const { return m_hue; }
    float Saturation() const { return m_saturation; }
    const WhiteBalanceFactors& Factors() const { return m_factors; }
    DropperSize Dropper() const { return m_dropper; }
    void SetDropper(DropperSize size) { m_dropper = size; }

    // A pair was moved or the wheel clicked: the reference comes from the wheel.
    void SetFromWheel(float hue, float saturation);
    // A dropper click on the full image; false (nothing changed) when it is ignored.
    bool Pick(const ImagePlane& image, int32_t x, int32_t y);

private:
    float m_hue = 0;
    float m_saturation = 0;
    WhiteBalanceFactors m_factors;
    DropperSize m_dropper = DropperSize::ThreeByThree;
};

// The white balance operation (a reference colour) and the colour wheel's two pairs.
const ops::Operation& WhiteBalanceOperation();
std::span<const ops::Param> WhiteBalanceWheelParams();

}  // namespace adjust
