#pragma once
// Brightness and boost: tone curves built by the curve engine and applied to every byte
// of every pixel through the master table.
#include "adjust/curves/curves.h"
#include "adjust/framework/pixeltables.h"
#include "adjust/framework/slideredit.h"
#include "core/imageplane.h"
#include "core/operation.h"

namespace adjust {

struct BrightnessParams {
    float brightness = 0;  // lift (or drop, when negative) of the mid-tones, -200..200
};
inline constexpr SliderRange kBrightnessRange{-200, 200, 1, 1, "%.0f", 0};

struct BoostParams {
    float amount = 20;  // strength of the S-shaped contrast curve, 0..100
};
inline constexpr SliderRange kBoostRange{0, 100, 1, 1, "%.0f", 20};

}  // namespace adjust

// The brightness curve: master points (0, 0), (127, 127 + b), (255, 255).
class CBrightness {
public:
    CBrightness();
    // Rebuilds and returns the master table for brightness b.
    const adjust::ByteTable& BuildTable(float brightness);
    // Runs the brightness routine: every byte through the master table.
    bool Apply(const ImagePlane& source, const ImagePlane& destination, float brightness);

private:
    CCurves m_curves;
};

// The boost curve: master points (0, 0), (96, 96 - a/4), (160, 160 + a/4), (255, 255).
class CBoost {
public:
    // Rebuilds and returns the master table for amount a; the first call sets up the
    // curve's four points.
    const adjust::ByteTable& BuildTable(float amount);
    // Runs the boost routine: every byte through the master table.
    bool Apply(const ImagePlane& source, const ImagePlane& destination, float amount);

private:
    CCurves m_curves;
    bool m_curveNotSetUp = true;
};

namespace adjust {

// The whole-image routines, on fresh curve engines.
bool ApplyBrightness(const ImagePlane& source, const ImagePlane& destination, const BrightnessParams& params);
bool ApplyBoost(const ImagePlane& source, const ImagePlane& destination, const BoostParams& params);

// The brightness and boost operations.
const ops::Operation& BrightnessOperation();
const ops::Operation& BoostOperation();

}  // namespace adjust
