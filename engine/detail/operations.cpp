// The descriptors of the detail operations: sharpening, shadow and highlight control,
// infra-red film and automatic red-eye correction.
#include <cstring>
#include <memory>
#include <string>

#include "core/operation.h"
#include "detail/irfilm.h"
#include "detail/redeye.h"
#include "detail/shadowcontrol.h"
#include "detail/unsharpmask.h"

namespace detail {
namespace {

using ops::Param;
using ops::Plan;
using ops::Values;

// A param taking its bounds, tick spacing, format and default from a pair's range.
Param FromRange(const char* name, const char* meaning, const SliderRange& range) {
    return Param{.name = name, .meaning = meaning, .min = range.first, .max = range.second,
                 .step = 1 / range.scale, .def = range.initial, .format = range.format, .tic = range.tic};
}

// The radius pair works on a slider scale finer for small radii; the parameter itself is
// the radius in pixels.
const ops::SliderSpec kUsmRadiusSlider{.first = kUsmRadiusRange.first, .second = kUsmRadiusRange.second,
                                       .scale = kUsmRadiusRange.scale, .initial = kUsmRadiusRange.initial,
                                       .display = UsmRadiusFromSlider, .input = UsmSliderFromRadius};
const Param kSharpenParams[] = {
        FromRange("AMOUNT", "strength in percent", kUsmAmountRange),
        {.name = "RADIUS", .meaning = "blur radius in pixels", .min = kUsmRadiusRange.first,
         .max = kUsmRadiusRange.second, .step = 0.1, .def = UnsharpParams{}.radius, .format = kUsmRadiusRange.format,
         .tic = kUsmRadiusRange.tic, .slider = &kUsmRadiusSlider},
        FromRange("THRESHOLD", "levels below which nothing changes", kUsmThresholdRange),
};

Plan PlanSharpen(const ImagePlane&, Values v) {
    const UnsharpParams p{float(v[0]), float(v[1]), float(v[2])};
    return ops::OneStep([p](auto& s, auto& d) { return ApplyUnsharpMask(s, d, p); });
}

const Param kShadowParams[] = {
        FromRange("WIDTH", "tonal width", kShadowTonalWidthRange),
        FromRange("RADIUS", "radius in pixels", kShadowRadiusRange),
        FromRange("AMOUNT", "amount", kShadowAmountRange),
        FromRange("COLOR", "colour correction", kShadowColorRange),
};

ShadowParams ShadowFrom(Values v) { return {float(v[0]), float(v[1]), float(v[2]), float(v[3])}; }

Plan PlanShadows(const ImagePlane&, Values v) {
    const ShadowParams p = ShadowFrom(v);
    return ops::OneStep([p](auto& s, auto& d) { return ApplyShadowControl(s, d, p); });
}

Plan PlanHighlights(const ImagePlane&, Values v) {
    const ShadowParams p = ShadowFrom(v);
    return ops::OneStep([p](auto& s, auto& d) { return ApplyHighlightControl(s, d, p); });
}

const Param kIrFilmParams[] = {
        FromRange("COLOR", "hue brightened, in degrees", kIrColorRange),
        FromRange("AMOUNT", "amount of brightening", kIrAmountRange),
        FromRange("BRIGHTNESS", "overall brightness", kIrBrightnessRange),
        FromRange("GLOWSIZE", "glow size", kIrGlowSizeRange),
        FromRange("GLOWAMOUNT", "glow amount", kIrGlowAmountRange),
};

Plan PlanIrFilm(const ImagePlane&, Values v) {
    const IrFilmParams p{float(v[0]), float(v[1]), float(v[2]), float(v[3]), float(v[4])};
    return ops::OneStep([p](auto& s, auto& d) { return ApplyIrFilm(s, d, p); });
}

Param RedEyeBrightness() {
    Param p = FromRange("BRIGHTNESS", "pupil brightness", kRedEyeAutoBrightnessRange);
    p.optional = true;
    return p;
}
const Param kRedEyeParams[] = {
        {.name = "X", .meaning = "column of the pupil", .max = -1, .maxFrom = ops::ImageLimit::Width},
        {.name = "Y", .meaning = "row of the pupil", .max = -1, .maxFrom = ops::ImageLimit::Height},
        RedEyeBrightness(),
};

// The correction runs while planning, on a copy of the current image: a click where no
// red pupil is found changes nothing and is no error.
Plan PlanRedEye(const ImagePlane& current, Values v) {
    const auto x = static_cast<int32_t>(v[0]), y = static_cast<int32_t>(v[1]);
    auto tool = std::make_shared<CRedEyeRemoval>();
    Plan plan;
    if (!tool->Begin(current)) {
        plan.failed = true;
        plan.message = "not enough memory";
        return plan;
    }
    if (!tool->CorrectAt(x, y, static_cast<float>(v[2]))) {
        plan.message = "no red pupil found at " + std::to_string(x) + ":" + std::to_string(y);
        return plan;
    }
    return ops::OneStep([tool](const ImagePlane&, const ImagePlane& dst) {
        const ImagePlane work = tool->Working();
        if (work.width != dst.width || work.height != dst.height) return false;
        for (int32_t row = 0; row < dst.height; ++row)
            std::memcpy(dst.Row(row), work.Row(row), static_cast<size_t>(dst.width) * 3);
        return true;
    });
}

}  // namespace

const ops::Operation& SharpenOperation() {
    static const ops::Operation op{.name = "Sharpen - USM", .option = "sharpen", .meaning = "unsharp mask",
                                   .params = kSharpenParams, .syntax = ops::ValueSyntax::Colon, .plan = PlanSharpen};
    return op;
}

const ops::Operation& ShadowsOperation() {
    static const ops::Operation op{.name = "Shadows", .option = "shadows", .meaning = "lifts the shadows",
                                   .params = kShadowParams, .syntax = ops::ValueSyntax::Colon, .plan = PlanShadows};
    return op;
}

const ops::Operation& HighlightsOperation() {
    static const ops::Operation op{.name = "Highlights", .option = "highlights",
                                   .meaning = "recovers the highlights", .params = kShadowParams,
                                   .syntax = ops::ValueSyntax::Colon, .plan = PlanHighlights};
    return op;
}

const ops::Operation& IrFilmOperation() {
    static const ops::Operation op{.name = "IR Film", .option = "ir-film", .meaning = "infra-red film look",
                                   .params = kIrFilmParams, .syntax = ops::ValueSyntax::Colon, .plan = PlanIrFilm};
    return op;
}

const ops::Operation& RedEyeOperation() {
    static const ops::Operation op{.name = "Red eye removal", .option = "red-eye",
                                   .meaning = "automatic red-eye correction at a pixel", .params = kRedEyeParams,
                                   .syntax = ops::ValueSyntax::Colon, .plan = PlanRedEye};
    return op;
}

}  // namespace detail
