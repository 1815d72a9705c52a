#pragma once
// Operation descriptors. Every image operation declares once, beside its parameter struct,
// each parameter's name, meaning, bounds, step, default and display format, and how it
// runs. The command line builds its parser, range checks and help from these; the dialogs
// build their slider and edit pairs from them.
#include <cmath>
#include <cstdint>
#include <functional>
#include <span>
#include <string>
#include <vector>

#include "core/imageplane.h"

namespace ops {

enum class ParamKind {
    Number,   // a decimal number
    Integer,  // a whole number
    Choice,   // one word of `choices` (any case); the value is the word's index
    Color,    // RRGGBB or #RRGGBB in hexadecimal; the value is 0xRRGGBB
    Flag,     // a word that is present (1) or absent (0): the parameter's own lower-case
              // name among the values, or its `option` word after them
};

// Whether a bound itself is accepted.
enum class Bound { Inclusive, Exclusive };

// A maximum measured from the image the operation works on: `max` is added to its width
// or height (e.g. -1 for the last column).
enum class ImageLimit { None, Width, Height };

// How the values of an operation are written after its option word.
enum class ValueSyntax {
    None,      // no values
    Words,     // one word per parameter: "W H"
    Colon,     // one word "a:b:c"
    Comma,     // one word "a,b,c"
    KeyValue,  // one word "key=value,...", unnamed keys keep their defaults
};

// Settings files an operation reads instead of (or as well as) typed values.
enum class FileUse { None, Only, Alternative };

// A dialog's slider for a parameter when it is not simply min..max in units of `step`:
// bounds in the pair's own units (first above second makes the slider reversed) and the
// transforms between the pair's value and the number shown.
struct SliderSpec {
    double first = 0;
    double second = 0;
    double scale = 1;  // slider positions per unit of the pair's value
    double initial = 0;
    float (*display)(float) = nullptr;  // pair value -> number shown in the edit
    float (*input)(float) = nullptr;    // typed number -> pair value
};

struct Param {
    const char* name = "";     // upper case in usage ("BLACK"); lower case as a settings key
    const char* meaning = "";  // one line
    ParamKind kind = ParamKind::Number;
    double min = 0;
    double max = 0;
    double step = 1;  // smallest change the dialog's edit shows
    double def = 0;
    const char* format = "%.0f";  // printf-style, as the dialog's edit shows the value
    Bound minBound = Bound::Inclusive;
    Bound maxBound = Bound::Inclusive;
    ImageLimit maxFrom = ImageLimit::None;
    std::span<const char* const> choices = {};  // words of a Choice, index = value
    bool optional = false;        // may be left out; it then keeps `def`
    const char* option = nullptr;  // written after the values as "OPTION [VALUE]"
    double tic = 0;                // slider tick spacing in value units, 0 for none
    const SliderSpec* slider = nullptr;  // the dialog's slider, when it differs

    // The largest accepted value for an image of this size.
    double MaxFor(int32_t width, int32_t height) const {
        if (maxFrom == ImageLimit::Width) return max + width;
        if (maxFrom == ImageLimit::Height) return max + height;
        return max;
    }
    // True when `value` lies within the bounds (for an image of this size).
    bool Accepts(double value, int32_t width = 0, int32_t height = 0) const {
        if (!std::isfinite(value)) return false;
        if (kind == ParamKind::Integer && value != std::floor(value)) return false;
        const double high = MaxFor(width, height);
        const bool aboveMin = minBound == Bound::Inclusive ? value >= min : value > min;
        const bool belowMax = maxBound == Bound::Inclusive ? value <= high : value < high;
        return aboveMin && belowMax;
    }
};

// One undo step of an operation: the size of its result (0, 0 = the current size) and the
// routine that writes it from the state current before the step.
struct Step {
    int32_t width = 0;
    int32_t height = 0;
    std::function<bool(const ImagePlane& source, const ImagePlane& destination)> render;
};

// How committing the steps of an operation ended.
enum class ApplyResult {
    Ok,             // committed, one undo step per step
    NoImage,        // there is no current image
    InvalidSize,    // a negative result size was asked for
    OutOfMemory,    // no memory for a result; nothing changed
    RoutineFailed,  // a routine refused; nothing changed
};

// What an operation will do to the current image: its steps, in order. No steps and no
// failure means there is nothing to change (`message` says why); `failed` with `message`
// means the operation cannot run.
struct Plan {
    std::vector<Step> steps;
    std::string message;
    bool failed = false;
};

// The parameter values in `params` order; for an operation whose repeats merge, one such
// group per repeat.
using Values = std::span<const double>;

struct Operation {
    const char* name = "";     // "Levels"
    const char* option = "";   // the command-line word without dashes: "levels"
    const char* meaning = "";  // one line
    std::span<const Param> params = {};
    ValueSyntax syntax = ValueSyntax::None;
    // The steps for the current image and the values (every value already within bounds).
    Plan (*plan)(const ImagePlane& current, Values values) = nullptr;
    FileUse file = FileUse::None;
    const char* fileName = nullptr;  // how usage names the file: "FILE.curves"
    Plan (*planFromFile)(const ImagePlane& current, const std::string& path) = nullptr;
    // A rule between the values of one group; the error text, or null when they fit.
    const char* (*check)(Values values) = nullptr;
    // Options given directly one after another make one step (levels, per channel).
    bool repeatsMerge = false;
    const char* note = nullptr;  // a further usage line, or null
};

// The parameter named `name`, or null.
inline const Param* FindParam(const Operation& op, const std::string& name) {
    for (const Param& p : op.params)
        if (name == p.name) return &p;
    return nullptr;
}

// The defaults of every parameter, in order.
inline std::vector<double> Defaults(const Operation& op) {
    std::vector<double> values;
    for (const Param& p : op.params) values.push_back(p.def);
    return values;
}

// A plan of one same-size step running `render`.
inline Plan OneStep(std::function<bool(const ImagePlane&, const ImagePlane&)> render) {
    Plan plan;
    plan.steps.push_back({0, 0, std::move(render)});
    return plan;
}

}  // namespace ops
