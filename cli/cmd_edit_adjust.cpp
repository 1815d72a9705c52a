// The tone and colour operations of `lumaret-cli edit`: levels, curves, channel mixer,
// hue/saturation, brightness, boost, black-and-white and sepia, white balance and the
// photographic filters. Each runs the routine its dialog runs after OK, as one undo step,
// and takes only values its dialog would accept.
#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "adjust/curves/curves.h"
#include "adjust/filters/photofilter.h"
#include "adjust/huesat/huesaturation.h"
#include "adjust/levels/levels.h"
#include "adjust/mixer/channelmixer.h"
#include "adjust/tone/blackwhite.h"
#include "adjust/tone/brightness.h"
#include "adjust/whitebalance/whitebalance.h"
#include "edit_operations.h"
#include "editor/editordoc.h"

namespace cli {
namespace {

using Routine = std::function<bool(const ImagePlane& source, const ImagePlane& destination)>;

// Words starting with "--" are options, never values.
bool IsOptionWord(const std::string& word) { return word.rfind("--", 0) == 0; }

// The text in lower case (ASCII), for channel, range and key names.
std::string Lower(std::string text) {
    for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return text;
}

// Takes the one value of an operation at args[i]. The command gives an operation every word up
// to the next option word, so anything after that value is a stray word and refused.
bool TakeValue(const Args& args, size_t& i, std::string& value, std::string& error) {
    if (i >= args.size() || IsOptionWord(args[i])) return (error = "needs a value", false);
    value = args[i++];
    if (i < args.size() && !IsOptionWord(args[i]))
        return (error = "takes one value; unexpected '" + args[i] + "'", false);
    return true;
}

// A number within low..high, or an error naming what it is and its bounds.
bool NumberIn(const std::string& text, double low, double high, const std::string& what, double& value,
              std::string& error) {
    if (ParseNumber(text, value) && value >= low && value <= high) return true;
    char bounds[64];
    std::snprintf(bounds, sizeof bounds, " must be a number from %g to %g", low, high);
    error = what + bounds + " (got '" + text + "')";
    return false;
}

// Runs `routine` from the current image into the next state of the ring and commits that
// state as one undo step; nothing is committed when memory or the routine fails.
bool ApplyStep(CeditorDoc& doc, std::string& error, const Routine& routine) {
    switch (doc.ApplyOperation(0, 0, routine)) {
    case ApplyResult::Ok: return true;
    case ApplyResult::NoImage: return (error = "the document holds no image", false);
    case ApplyResult::OutOfMemory: return (error = "not enough memory for the result", false);
    default: return (error = "the adjustment could not be applied", false);
    }
}

// The message for a settings file that was not used (the dialogs say "Invalid file").
std::string InvalidFile(const std::string& path, adjust::SettingsFileStatus status) {
    if (status == adjust::SettingsFileStatus::CannotOpen) return "Invalid file: " + path + " cannot be read";
    return "Invalid file: " + path;
}

// ---- levels ----------------------------------------------------------------------------

// One "CH:BLACK:WHITE:GAMMA" into `params`. The bounds are the dialog's: points 0..255 with
// black below white, and a typed gamma above 0 and at most 1000 (0 has no slider position).
bool ReadLevelsChannel(const std::string& text, adjust::LevelsParams& params, std::string& error) {
    const std::vector<std::string> parts = SplitText(text, ':');
    if (parts.size() != 4) return (error = "expected CH:BLACK:WHITE:GAMMA, got '" + text + "'", false);
    const std::string ch = Lower(parts[0]);
    int channel = -1;
    if (ch == "rgb") channel = adjust::kLevelsMaster;
    else if (ch == "r") channel = adjust::kLevelsRed;
    else if (ch == "g") channel = adjust::kLevelsGreen;
    else if (ch == "b") channel = adjust::kLevelsBlue;
    else return (error = "the channel must be RGB, R, G or B (got '" + parts[0] + "')", false);
    double black = 0, white = 0, gamma = 0;
    if (!NumberIn(parts[1], 0, 255, "BLACK", black, error) || !NumberIn(parts[2], 0, 255, "WHITE", white, error) ||
        !NumberIn(parts[3], 0, 1000, "GAMMA", gamma, error))
        return false;
    if (!(black < white)) return (error = "BLACK must be below WHITE in '" + text + "'", false);
    if (!(gamma > 0)) return (error = "GAMMA must be above 0 (got '" + parts[3] + "')", false);
    const size_t c = static_cast<size_t>(channel);
    params.black[c] = static_cast<float>(black);
    params.white[c] = static_cast<float>(white);
    params.gamma[c] = static_cast<float>(gamma);
    return true;
}

// Consecutive --levels options make one step with every channel they name set (a later
// one for the same channel wins), as the dialog applies all four channels at one OK.
bool RunLevels(CeditorDoc& doc, const Args& a, size_t& i, std::string& error) {
    // An option that directly follows another --levels and its value (operations start
    // after IN and OUT, hence i >= 5) was taken into that option's step already.
    if (i >= 5 && a[i - 3] == "--levels" && !IsOptionWord(a[i - 2])) {
        ++i;
        return true;
    }
    adjust::LevelsParams params;
    for (;;) {
        std::string value;
        if (!TakeValue(a, i, value, error) || !ReadLevelsChannel(value, params, error)) return false;
        if (i >= a.size() || a[i] != "--levels") break;
        ++i;
    }
    return ApplyStep(doc, error, [&](auto& s, auto& d) { return adjust::ApplyLevels(s, d, params); });
}

// ---- settings files --------------------------------------------------------------------

// The curves of a ".curves" file, through their four tables.
bool RunCurves(CeditorDoc& doc, const Args& a, size_t& i, std::string& error) {
    std::string path;
    if (!TakeValue(a, i, path, error)) return false;
    CCurves curves;
    const adjust::SettingsFileStatus status = curves.LoadFile(path);
    if (status != adjust::SettingsFileStatus::Ok) return (error = InvalidFile(path, status), false);
    return ApplyStep(doc, error, [&](auto& s, auto& d) { return adjust::ApplyCurves(s, d, curves.Tables()); });
}

// The weights and monochrome flag of a ".chmix" file.
bool RunMixer(CeditorDoc& doc, const Args& a, size_t& i, std::string& error) {
    std::string path;
    if (!TakeValue(a, i, path, error)) return false;
    adjust::ChannelMixerParams params;
    const adjust::SettingsFileStatus status = adjust::LoadChannelMixerFile(path, params);
    if (status != adjust::SettingsFileStatus::Ok) return (error = InvalidFile(path, status), false);
    return ApplyStep(doc, error, [&](auto& s, auto& d) { return adjust::ApplyChannelMixer(s, d, params); });
}

// ---- hue/saturation --------------------------------------------------------------------

// "HUE:SAT:BRIGHT[:RANGE][:colorize]"; each number is truncated as the dialog's pairs do.
bool ReadHueSaturation(const std::string& text, adjust::HueSaturationParams& params, std::string& error) {
    const std::vector<std::string> parts = SplitText(text, ':');
    if (parts.size() < 3 || parts.size() > 5)
        return (error = "expected HUE:SAT:BRIGHT[:RANGE][:colorize] or a .huesat file, got '" + text + "'", false);
    double hue = 0, saturation = 0, brightness = 0;
    if (!NumberIn(parts[0], adjust::kHueMin, adjust::kHueMax, "HUE", hue, error) ||
        !NumberIn(parts[1], adjust::kSaturationMin, adjust::kSaturationMax, "SAT", saturation, error) ||
        !NumberIn(parts[2], adjust::kBrightnessMin, adjust::kBrightnessMax, "BRIGHT", brightness, error))
        return false;
    params.hue = static_cast<int32_t>(hue);
    params.saturation = static_cast<int32_t>(saturation);
    params.brightness = static_cast<int32_t>(brightness);
    // The range may only come fourth, and "colorize" only once, after it.
    for (size_t k = 3; k < parts.size(); ++k) {
        const std::string word = Lower(parts[k]);
        if (word == "colorize" && !params.colorize) {
            params.colorize = 1;
            continue;
        }
        bool known = false;
        for (int32_t r = 0; r < adjust::kHueRangeCount && k == 3 && !known; ++r) {
            known = word == Lower(adjust::HueRanges()[static_cast<size_t>(r)].name);
            if (known) params.range = static_cast<adjust::HueRange>(r);
        }
        if (!known)
            return (error = "'" + parts[k] +
                            "' is not a range (image, reds, yellows, greens, cyans, blues, magentas) "
                            "followed by an optional 'colorize'",
                    false);
    }
    return true;
}

// Values when the text starts with a number and has a ':', a ".huesat" file otherwise.
bool RunHueSaturation(CeditorDoc& doc, const Args& a, size_t& i, std::string& error) {
    std::string value;
    if (!TakeValue(a, i, value, error)) return false;
    adjust::HueSaturationParams params;
    double first = 0;
    const std::vector<std::string> parts = SplitText(value, ':');
    if (parts.size() > 1 && ParseNumber(parts[0], first)) {
        if (!ReadHueSaturation(value, params, error)) return false;
    } else {
        // The file holds no range: it works on the whole image, like the dialog's default.
        const adjust::SettingsFileStatus status = adjust::LoadHueSaturationFile(value, params);
        if (status != adjust::SettingsFileStatus::Ok) return (error = InvalidFile(value, status), false);
    }
    return ApplyStep(doc, error, [&](auto& s, auto& d) { return adjust::ApplyHueSaturation(s, d, params); });
}

// ---- one-number adjustments ------------------------------------------------------------

// The brightness curve lifting (or lowering) the mid-tones by B.
bool RunBrightness(CeditorDoc& doc, const Args& a, size_t& i, std::string& error) {
    std::string text;
    double b = 0;
    if (!TakeValue(a, i, text, error) ||
        !NumberIn(text, adjust::kBrightnessRange.first, adjust::kBrightnessRange.second, "B", b, error))
        return false;
    const adjust::BrightnessParams params{static_cast<float>(b)};
    return ApplyStep(doc, error, [&](auto& s, auto& d) { return adjust::ApplyBrightness(s, d, params); });
}

// The S-shaped contrast curve of strength A.
bool RunBoost(CeditorDoc& doc, const Args& a, size_t& i, std::string& error) {
    std::string text;
    double amount = 0;
    if (!TakeValue(a, i, text, error) ||
        !NumberIn(text, adjust::kBoostRange.first, adjust::kBoostRange.second, "A", amount, error))
        return false;
    const adjust::BoostParams params{static_cast<float>(amount)};
    return ApplyStep(doc, error, [&](auto& s, auto& d) { return adjust::ApplyBoost(s, d, params); });
}

// Grey or one of the three sepia tonings.
bool RunBlackWhite(CeditorDoc& doc, const Args& a, size_t& i, std::string& error) {
    std::string text;
    int32_t mode = 0;
    if (!TakeValue(a, i, text, error)) return false;
    if (!ParseInt(text, mode, 1, 4) || !adjust::IsBlackWhiteMode(mode))
        return (error = "MODE must be 1 (black and white), 2 (sepia antique), 3 (sepia spring) or "
                        "4 (sepia spring vivid), got '" + text + "'",
                false);
    const adjust::BlackWhiteParams params{static_cast<adjust::BlackWhiteMode>(mode)};
    return ApplyStep(doc, error, [&](auto& s, auto& d) { return adjust::ApplyBlackWhite(s, d, params); });
}

// The reference colour is what a dropper click would pick: it becomes neutral grey.
bool RunWhiteBalance(CeditorDoc& doc, const Args& a, size_t& i, std::string& error) {
    std::string text;
    if (!TakeValue(a, i, text, error)) return false;
    const std::vector<std::string> parts = SplitText(text, ',');
    if (parts.size() != 3) return (error = "expected the reference colour R,G,B, got '" + text + "'", false);
    double rgb[3] = {};
    const char* names[3] = {"R", "G", "B"};
    for (size_t k = 0; k < 3; ++k)
        if (!NumberIn(parts[k], 0, 255, names[k], rgb[k], error)) return false;
    const adjust::WhiteBalanceFactors factors = adjust::FactorsFromReference(
            static_cast<float>(rgb[0]), static_cast<float>(rgb[1]), static_cast<float>(rgb[2]));
    return ApplyStep(doc, error, [&](auto& s, auto& d) { return adjust::ApplyWhiteBalance(s, d, factors); });
}

// ---- photographic filter ---------------------------------------------------------------

// "RRGGBB" (or "#RRGGBB") in hexadecimal.
bool ReadHexColor(const std::string& text, adjust::FilterColor& color) {
    const std::string digits = !text.empty() && text[0] == '#' ? text.substr(1) : text;
    if (digits.size() != 6) return false;
    for (char c : digits)
        if (!std::isxdigit(static_cast<unsigned char>(c))) return false;
    const unsigned long v = std::strtoul(digits.c_str(), nullptr, 16);
    color = {static_cast<uint8_t>(v >> 16), static_cast<uint8_t>(v >> 8), static_cast<uint8_t>(v)};
    return true;
}

// "key=value,..." over the defaults. Offset is the value the dialog's Offset pair shows
// (and the last-settings file stores): raising it moves the transition line up.
bool ReadFilterSettings(const std::string& text, adjust::PhotoFilterParams& params, std::string& error) {
    for (const std::string& item : SplitText(text, ',')) {
        const size_t eq = item.find('=');
        if (eq == std::string::npos) return (error = "expected key=value, got '" + item + "'", false);
        const std::string key = Lower(item.substr(0, eq)), value = item.substr(eq + 1);
        double v = 0;
        if (key == "angle") {
            if (!NumberIn(value, adjust::kFilterAngleMin, adjust::kFilterAngleMax, "angle", v, error)) return false;
            params.angle = static_cast<float>(v);
        } else if (key == "hardness" || key == "offset" || key == "strength") {
            if (!NumberIn(value, 0, 1, key, v, error)) return false;
            if (key == "hardness") params.hardness = static_cast<float>(v);
            else if (key == "offset") params.SetShownOffset(static_cast<float>(v));
            else params.strength = static_cast<float>(v);
        } else if (key == "color1" || key == "color2") {
            if (!ReadHexColor(value, key == "color1" ? params.color1 : params.color2))
                return (error = key + " must be a colour RRGGBB in hexadecimal (got '" + value + "')", false);
        } else if (key == "grad" || key == "bw") {
            if (value != "0" && value != "1") return (error = key + " must be 0 or 1 (got '" + value + "')", false);
            (key == "grad" ? params.grad : params.blackAndWhite) = value == "1" ? 1 : 0;
        } else {
            return (error = "unknown filter setting '" + key +
                            "' (angle, hardness, offset, strength, color1, color2, grad, bw)",
                    false);
        }
    }
    return true;
}

// Settings when the text holds a '=', a last-settings file otherwise.
bool RunFilter(CeditorDoc& doc, const Args& a, size_t& i, std::string& error) {
    std::string value;
    if (!TakeValue(a, i, value, error)) return false;
    adjust::PhotoFilterParams params;
    if (value.find('=') != std::string::npos) {
        if (!ReadFilterSettings(value, params, error)) return false;
    } else {
        const std::optional<adjust::PhotoFilterParams> loaded = adjust::ReadFilterLastSettings(value);
        if (!loaded) return (error = "Invalid file: " + value, false);
        params = *loaded;
    }
    return ApplyStep(doc, error, [&](auto& s, auto& d) { return adjust::ApplyPhotoFilter(s, d, params); });
}

EditOperationRegistration adjustOperations{{
        {"--levels",
         "--levels CH:BLACK:WHITE:GAMMA  (CH RGB, R, G or B; points 0..255; gamma above 0, 1 neutral)\n"
         "      repeat for more channels: consecutive --levels make one step",
         &RunLevels},
        {"--curves", "--curves FILE.curves", &RunCurves},
        {"--mixer", "--mixer FILE.chmix", &RunMixer},
        {"--hue-saturation",
         "--hue-saturation HUE:SAT:BRIGHT[:RANGE][:colorize] | FILE.huesat  (hue -180..180, others -100..100;\n"
         "      RANGE image, reds, yellows, greens, cyans, blues or magentas)",
         &RunHueSaturation},
        {"--brightness", "--brightness B  (-200..200)", &RunBrightness},
        {"--boost", "--boost A  (0..100)", &RunBoost},
        {"--bw", "--bw MODE  (1 black and white, 2 sepia antique, 3 sepia spring, 4 sepia spring vivid)",
         &RunBlackWhite},
        {"--white-balance", "--white-balance R,G,B  (reference colour 0..255 that becomes neutral grey)",
         &RunWhiteBalance},
        {"--filter",
         "--filter FILE.last | angle=DEG,hardness=H,offset=O,strength=S,color1=RRGGBB,color2=RRGGBB,grad=0|1,bw=0|1\n"
         "      (hardness, offset as shown in the dialog, strength 0..1; unnamed settings keep their defaults)",
         &RunFilter},
}};

}  // namespace
}  // namespace cli
