// The descriptors of the tone and colour operations: their parameters as the dialogs show
// them and the routines they run over the whole image after OK.
#include <memory>
#include <optional>
#include <string>

#include "adjust/curves/curves.h"
#include "adjust/filters/photofilter.h"
#include "adjust/huesat/huesaturation.h"
#include "adjust/levels/levels.h"
#include "adjust/mixer/channelmixer.h"
#include "adjust/tone/blackwhite.h"
#include "adjust/tone/brightness.h"
#include "adjust/whitebalance/whitebalance.h"
#include "core/operation.h"

namespace adjust {
namespace {

using ops::Bound;
using ops::Param;
using ops::ParamKind;
using ops::Plan;
using ops::Values;

// The message for a settings file that was not used (the dialogs say "Invalid file").
Plan InvalidFile(const std::string& path, SettingsFileStatus status) {
    Plan plan;
    plan.failed = true;
    plan.message = status == SettingsFileStatus::CannotOpen ? "Invalid file: " + path + " cannot be read"
                                                            : "Invalid file: " + path;
    return plan;
}

// A param taking its bounds, tick spacing, format and default from a pair's range.
constexpr Param FromRange(const char* name, const char* meaning, const SliderRange& range) {
    return Param{.name = name, .meaning = meaning, .min = range.first, .max = range.second,
                 .step = 1 / range.scale, .def = range.initial, .format = range.format, .tic = range.tic};
}

// ---- levels ----------------------------------------------------------------------------

constexpr const char* kLevelsChannels[] = {"RGB", "R", "G", "B"};
const ops::SliderSpec kGammaSlider{.first = kLevelsGammaRange.first, .second = kLevelsGammaRange.second,
                                   .scale = kLevelsGammaRange.scale, .initial = kLevelsGammaRange.initial,
                                   .display = GammaFromPosition, .input = PositionFromGamma};
// Black stays below white, so neither may sit on the other's end; a typed gamma may go far
// beyond the slider's 0.10..10, up to 1000, but not to 0 (no slider position, no curve).
const Param kLevelsParams[] = {
        {.name = "CH", .meaning = "channel", .kind = ParamKind::Choice, .max = 3, .choices = kLevelsChannels},
        {.name = "BLACK", .meaning = "black point", .min = 0, .max = 255, .def = kLevelsBlackRange.initial,
         .maxBound = Bound::Exclusive, .tic = kLevelsBlackRange.tic},
        {.name = "WHITE", .meaning = "white point", .min = 0, .max = 255, .def = kLevelsWhiteRange.initial,
         .minBound = Bound::Exclusive, .tic = kLevelsWhiteRange.tic},
        {.name = "GAMMA", .meaning = "gamma, 1 neutral", .min = 0, .max = 1000, .step = 0.01, .def = 1,
         .format = kLevelsGammaRange.format, .minBound = Bound::Exclusive, .tic = kLevelsGammaRange.tic,
         .slider = &kGammaSlider},
};

const char* CheckLevels(Values v) { return v[1] < v[2] ? nullptr : "BLACK must be below WHITE"; }

Plan PlanLevels(const ImagePlane&, Values v) {
    LevelsParams params;
    for (size_t at = 0; at + 4 <= v.size(); at += 4) {
        const auto c = static_cast<size_t>(v[at]);
        params.black[c] = static_cast<float>(v[at + 1]);
        params.white[c] = static_cast<float>(v[at + 2]);
        params.gamma[c] = static_cast<float>(v[at + 3]);
    }
    return ops::OneStep([params](auto& s, auto& d) { return ApplyLevels(s, d, params); });
}

// ---- settings files --------------------------------------------------------------------

Plan PlanCurvesFile(const ImagePlane&, const std::string& path) {
    auto curves = std::make_shared<CCurves>();
    const SettingsFileStatus status = curves->LoadFile(path);
    if (status != SettingsFileStatus::Ok) return InvalidFile(path, status);
    return ops::OneStep([curves](auto& s, auto& d) { return ApplyCurves(s, d, curves->Tables()); });
}

Plan PlanMixerFile(const ImagePlane&, const std::string& path) {
    ChannelMixerParams params;
    const SettingsFileStatus status = LoadChannelMixerFile(path, params);
    if (status != SettingsFileStatus::Ok) return InvalidFile(path, status);
    return ops::OneStep([params](auto& s, auto& d) { return ApplyChannelMixer(s, d, params); });
}

// ---- hue/saturation --------------------------------------------------------------------

constexpr const char* kHueRangeNames[] = {"Image", "Reds", "Yellows", "Greens", "Cyans", "Blues", "Magentas"};
static_assert(std::size(kHueRangeNames) == kHueRangeCount);
const Param kHueSaturationParams[] = {
        {.name = "HUE", .meaning = "hue shift in degrees", .min = kHueMin, .max = kHueMax, .tic = 10},
        {.name = "SAT", .meaning = "saturation change", .min = kSaturationMin, .max = kSaturationMax, .tic = 10},
        {.name = "BRIGHT", .meaning = "brightness change", .min = kBrightnessMin, .max = kBrightnessMax, .tic = 10},
        {.name = "RANGE", .meaning = "hue range changed", .kind = ParamKind::Choice, .max = kHueRangeCount - 1,
         .choices = kHueRangeNames, .optional = true},
        {.name = "COLORIZE", .meaning = "colour the image with the hue", .kind = ParamKind::Flag, .max = 1,
         .optional = true},
};

HueSaturationParams HueSaturationFrom(Values v) {
    // The pairs hold whole numbers: typed fractions are truncated.
    HueSaturationParams params;
    params.hue = static_cast<int32_t>(v[0]);
    params.saturation = static_cast<int32_t>(v[1]);
    params.brightness = static_cast<int32_t>(v[2]);
    params.range = static_cast<HueRange>(static_cast<int32_t>(v[3]));
    params.colorize = v[4] != 0 ? 1 : 0;
    return params;
}

Plan PlanHueSaturation(const ImagePlane&, Values v) {
    const HueSaturationParams params = HueSaturationFrom(v);
    return ops::OneStep([params](auto& s, auto& d) { return ApplyHueSaturation(s, d, params); });
}

// The file holds no range: it works on the whole image, like the dialog's default.
Plan PlanHueSaturationFile(const ImagePlane&, const std::string& path) {
    HueSaturationParams params;
    const SettingsFileStatus status = LoadHueSaturationFile(path, params);
    if (status != SettingsFileStatus::Ok) return InvalidFile(path, status);
    return ops::OneStep([params](auto& s, auto& d) { return ApplyHueSaturation(s, d, params); });
}

// ---- one-number adjustments ------------------------------------------------------------

const Param kBrightnessParams[] = {FromRange("B", "mid-tone lift in levels", kBrightnessRange)};
const Param kBoostParams[] = {FromRange("A", "contrast strength", kBoostRange)};

Plan PlanBrightness(const ImagePlane&, Values v) {
    const BrightnessParams params{static_cast<float>(v[0])};
    return ops::OneStep([params](auto& s, auto& d) { return ApplyBrightness(s, d, params); });
}

Plan PlanBoost(const ImagePlane&, Values v) {
    const BoostParams params{static_cast<float>(v[0])};
    return ops::OneStep([params](auto& s, auto& d) { return ApplyBoost(s, d, params); });
}

constexpr const char* kBlackWhiteModes[] = {"black and white", "sepia antique", "sepia spring",
                                            "sepia spring vivid"};
const Param kBlackWhiteParams[] = {
        {.name = "MODE", .meaning = "toning", .kind = ParamKind::Integer, .min = 1, .max = 4, .def = 1,
         .choices = kBlackWhiteModes},
};

Plan PlanBlackWhite(const ImagePlane&, Values v) {
    const BlackWhiteParams params{static_cast<BlackWhiteMode>(static_cast<int32_t>(v[0]))};
    return ops::OneStep([params](auto& s, auto& d) { return ApplyBlackWhite(s, d, params); });
}

// ---- white balance ---------------------------------------------------------------------

// The reference colour a dropper click would pick; it becomes neutral grey.
const Param kWhiteBalanceParams[] = {
        {.name = "R", .meaning = "reference red", .max = 255, .def = 128},
        {.name = "G", .meaning = "reference green", .max = 255, .def = 128},
        {.name = "B", .meaning = "reference blue", .max = 255, .def = 128},
};

const ops::SliderSpec kWheelSaturationSlider{.first = kWheelSaturationMax, .second = 0, .scale = 1};
const Param kWheelParams[] = {
        {.name = "HUE", .meaning = "wheel hue in degrees", .max = kWheelHueMax},
        {.name = "SATURATION", .meaning = "wheel saturation", .max = kWheelSaturationMax,
         .slider = &kWheelSaturationSlider},
};

Plan PlanWhiteBalance(const ImagePlane&, Values v) {
    const WhiteBalanceFactors factors = FactorsFromReference(static_cast<float>(v[0]), static_cast<float>(v[1]),
                                                             static_cast<float>(v[2]));
    return ops::OneStep([factors](auto& s, auto& d) { return ApplyWhiteBalance(s, d, factors); });
}

// ---- photographic filter ---------------------------------------------------------------

constexpr PhotoFilterParams kFilterDefaults{};
constexpr double ColorValue(FilterColor c) { return c.r * 65536.0 + c.g * 256.0 + c.b; }
constexpr FilterColor ColorFrom(double v) {
    const auto c = static_cast<uint32_t>(v);
    return {static_cast<uint8_t>(c >> 16), static_cast<uint8_t>(c >> 8), static_cast<uint8_t>(c)};
}
// Hardness, offset and strength are reversed pairs: the top of the slider is 1.
const ops::SliderSpec kFilterAngleSlider{.first = kFilterAngleMin, .second = kFilterAngleMax, .scale = 1000};
const ops::SliderSpec kFilterHardnessSlider{.first = 1, .second = 0, .scale = 1000, .initial = kFilterDefaults.hardness};
const ops::SliderSpec kFilterOffsetSlider{.first = 1, .second = 0, .scale = 1000,
                                          .initial = kFilterDefaults.ShownOffset()};
const ops::SliderSpec kFilterStrengthSlider{.first = 1, .second = 0, .scale = 1000, .initial = kFilterDefaults.strength};
const Param kFilterParams[] = {
        {.name = "ANGLE", .meaning = "angle of the transition in degrees", .min = kFilterAngleMin,
         .max = kFilterAngleMax, .step = 0.1, .def = kFilterDefaults.angle, .format = "%.1f", .tic = 1,
         .slider = &kFilterAngleSlider},
        {.name = "HARDNESS", .meaning = "hardness of the transition", .max = 1, .step = 0.001,
         .def = kFilterDefaults.hardness, .format = "%.3f", .tic = 1, .slider = &kFilterHardnessSlider},
        {.name = "OFFSET", .meaning = "height of the transition, as the dialog shows it", .max = 1, .step = 0.001,
         .def = kFilterDefaults.ShownOffset(), .format = "%.3f", .tic = 1, .slider = &kFilterOffsetSlider},
        {.name = "STRENGTH", .meaning = "strength of the filter", .max = 1, .step = 0.001,
         .def = kFilterDefaults.strength, .format = "%.3f", .tic = 1, .slider = &kFilterStrengthSlider},
        {.name = "COLOR1", .meaning = "first colour", .kind = ParamKind::Color, .max = 0xFFFFFF,
         .def = ColorValue(kFilterDefaults.color1), .format = "%06X"},
        {.name = "COLOR2", .meaning = "second colour", .kind = ParamKind::Color, .max = 0xFFFFFF,
         .def = ColorValue(kFilterDefaults.color2), .format = "%06X"},
        {.name = "GRAD", .meaning = "1 graduated, 0 full filter", .kind = ParamKind::Integer, .max = 1,
         .def = kFilterDefaults.grad},
        {.name = "BW", .meaning = "1 converts to black and white", .kind = ParamKind::Integer, .max = 1,
         .def = kFilterDefaults.blackAndWhite},
};

Plan PlanFilter(const ImagePlane&, Values v) {
    PhotoFilterParams params;
    params.angle = static_cast<float>(v[0]);
    params.hardness = static_cast<float>(v[1]);
    params.SetShownOffset(static_cast<float>(v[2]));
    params.strength = static_cast<float>(v[3]);
    params.color1 = ColorFrom(v[4]);
    params.color2 = ColorFrom(v[5]);
    params.grad = v[6] != 0 ? 1 : 0;
    params.blackAndWhite = v[7] != 0 ? 1 : 0;
    return ops::OneStep([params](auto& s, auto& d) { return ApplyPhotoFilter(s, d, params); });
}

Plan PlanFilterFile(const ImagePlane&, const std::string& path) {
    const std::optional<PhotoFilterParams> loaded = ReadFilterLastSettings(path);
    if (!loaded) return InvalidFile(path, SettingsFileStatus::InvalidFile);
    const PhotoFilterParams params = *loaded;
    return ops::OneStep([params](auto& s, auto& d) { return ApplyPhotoFilter(s, d, params); });
}

}  // namespace

const ops::Operation& LevelsOperation() {
    static const ops::Operation op{.name = "Levels", .option = "levels",
                                   .meaning = "black point, white point and gamma of one channel",
                                   .params = kLevelsParams, .syntax = ops::ValueSyntax::Colon, .plan = PlanLevels,
                                   .check = CheckLevels, .repeatsMerge = true,
                                   .note = "consecutive --levels make one step"};
    return op;
}

const ops::Operation& CurvesOperation() {
    static const ops::Operation op{.name = "Curves", .option = "curves", .meaning = "tone curves of a settings file",
                                   .file = ops::FileUse::Only, .fileName = "FILE.curves",
                                   .planFromFile = PlanCurvesFile};
    return op;
}

const ops::Operation& ChannelMixerOperation() {
    static const ops::Operation op{.name = "Channel mixer", .option = "mixer",
                                   .meaning = "channel weights of a settings file", .file = ops::FileUse::Only,
                                   .fileName = "FILE.chmix", .planFromFile = PlanMixerFile};
    return op;
}

const ops::Param& ChannelMixerWeightParam() {
    static const Param weight{.name = "WEIGHT", .meaning = "percent of an input channel in the output",
                              .min = kMixerWeightMin, .max = kMixerWeightMax, .tic = 1};
    return weight;
}

const ops::Operation& HueSaturationOperation() {
    static const ops::Operation op{.name = "Hue/Saturation", .option = "hue-saturation",
                                   .meaning = "hue, saturation and brightness of the image or of one hue range",
                                   .params = kHueSaturationParams, .syntax = ops::ValueSyntax::Colon,
                                   .plan = PlanHueSaturation, .file = ops::FileUse::Alternative,
                                   .fileName = "FILE.huesat", .planFromFile = PlanHueSaturationFile};
    return op;
}

const ops::Operation& BrightnessOperation() {
    static const ops::Operation op{.name = "Brightness", .option = "brightness", .meaning = "mid-tone curve",
                                   .params = kBrightnessParams, .syntax = ops::ValueSyntax::Words,
                                   .plan = PlanBrightness};
    return op;
}

const ops::Operation& BoostOperation() {
    static const ops::Operation op{.name = "Boost", .option = "boost", .meaning = "S-shaped contrast curve",
                                   .params = kBoostParams, .syntax = ops::ValueSyntax::Words, .plan = PlanBoost};
    return op;
}

const ops::Operation& BlackWhiteOperation() {
    static const ops::Operation op{.name = "Black and white", .option = "bw", .meaning = "grey or sepia toning",
                                   .params = kBlackWhiteParams, .syntax = ops::ValueSyntax::Words,
                                   .plan = PlanBlackWhite};
    return op;
}

const ops::Operation& WhiteBalanceOperation() {
    static const ops::Operation op{.name = "White balance", .option = "white-balance",
                                   .meaning = "makes a reference colour neutral grey", .params = kWhiteBalanceParams,
                                   .syntax = ops::ValueSyntax::Comma, .plan = PlanWhiteBalance};
    return op;
}

std::span<const ops::Param> WhiteBalanceWheelParams() { return kWheelParams; }

const ops::Operation& PhotoFilterOperation() {
    static const ops::Operation op{.name = "Photographic filter", .option = "filter",
                                   .meaning = "full or graduated colour filter", .params = kFilterParams,
                                   .syntax = ops::ValueSyntax::KeyValue, .plan = PlanFilter,
                                   .file = ops::FileUse::Alternative, .fileName = "FILE.last",
                                   .planFromFile = PlanFilterFile};
    return op;
}

}  // namespace adjust
