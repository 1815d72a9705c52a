// The detail operations of `lumaret-cli edit`: sharpening, shadow and highlight control,
// infra-red film and automatic red-eye correction.
#include <cstdio>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "detail/irfilm.h"
#include "detail/redeye.h"
#include "detail/shadowcontrol.h"
#include "detail/unsharpmask.h"
#include "edit_operations.h"
#include "editor/editordoc.h"

namespace cli {
namespace {

struct Bound {
    const char* name;
    double low, high;
};

// Reads "a:b:c" into `values`, each within its bound; `optional` trailing values may be
// left out. Sets `error` to the option's usage when the text does not fit.
bool ReadValues(const Args& args, size_t& i, const char* option, const char* usage, const std::vector<Bound>& bounds,
                size_t optional, std::vector<double>& values, std::string& error) {
    if (!NeedArgs(args, i, 1, option, error)) return false;
    const std::vector<std::string> parts = SplitText(args[i++], ':');
    values.clear();
    bool ok = parts.size() <= bounds.size() && parts.size() + optional >= bounds.size();
    for (size_t k = 0; ok && k < parts.size(); ++k) {
        double v = 0;
        ok = ParseNumber(parts[k], v) && v >= bounds[k].low && v <= bounds[k].high;
        values.push_back(v);
    }
    if (ok) return true;
    error = std::string("expected ") + usage + " with";
    for (size_t k = 0; k < bounds.size(); ++k) {
        char range[96];
        std::snprintf(range, sizeof range, "%s %s %g..%g", k ? "," : "", bounds[k].name, bounds[k].low, bounds[k].high);
        error += range;
    }
    return false;
}

// Runs a whole-image routine from the current image into the next state and commits it.
bool ApplyRoutine(CeditorDoc& doc, const std::function<bool(const ImagePlane&, const ImagePlane&)>& routine,
                  std::string& error) {
    switch (doc.ApplyOperation(0, 0, routine)) {
    case ApplyResult::Ok: return true;
    case ApplyResult::NoImage: return (error = "the document holds no image", false);
    default: return (error = "not enough memory", false);
    }
}

const std::vector<Bound> kShadowBounds{{"WIDTH", 0, 100}, {"RADIUS", 1, 120}, {"AMOUNT", 0, 100}, {"COLOR", -100, 100}};

bool RunShadows(CeditorDoc& doc, const Args& a, size_t& i, std::string& error, bool highlights) {
    const char* option = highlights ? "--highlights" : "--shadows";
    std::vector<double> v;
    if (!ReadValues(a, i, option, "WIDTH:RADIUS:AMOUNT:COLOR", kShadowBounds, 0, v, error)) return false;
    const detail::ShadowParams p{float(v[0]), float(v[1]), float(v[2]), float(v[3])};
    return ApplyRoutine(doc, [&](const ImagePlane& src, const ImagePlane& dst) {
        return highlights ? detail::ApplyHighlightControl(src, dst, p) : detail::ApplyShadowControl(src, dst, p);
    }, error);
}

EditOperationRegistration detailOperations{{
    {"--sharpen", "--sharpen AMOUNT:RADIUS:THRESHOLD (unsharp mask, e.g. 180:0.7:0)",
     [](CeditorDoc& doc, const Args& a, size_t& i, std::string& error) {
         std::vector<double> v;
         if (!ReadValues(a, i, "--sharpen", "AMOUNT:RADIUS:THRESHOLD",
                         {{"AMOUNT", 1, 500}, {"RADIUS", 0.4, 120}, {"THRESHOLD", 0, 255}}, 0, v, error))
             return false;
         const detail::UnsharpParams p{float(v[0]), float(v[1]), float(v[2])};
         return ApplyRoutine(doc, [&](const ImagePlane& src, const ImagePlane& dst) {
             return detail::ApplyUnsharpMask(src, dst, p);
         }, error);
     }},
    {"--shadows", "--shadows WIDTH:RADIUS:AMOUNT:COLOR (e.g. 40:30:50:0)",
     [](CeditorDoc& doc, const Args& a, size_t& i, std::string& error) { return RunShadows(doc, a, i, error, false); }},
    {"--highlights", "--highlights WIDTH:RADIUS:AMOUNT:COLOR (e.g. 40:30:50:0)",
     [](CeditorDoc& doc, const Args& a, size_t& i, std::string& error) { return RunShadows(doc, a, i, error, true); }},
    {"--ir-film", "--ir-film COLOR:AMOUNT:BRIGHTNESS:GLOWSIZE:GLOWAMOUNT (e.g. -55:20:0:20:50)",
     [](CeditorDoc& doc, const Args& a, size_t& i, std::string& error) {
         std::vector<double> v;
         if (!ReadValues(a, i, "--ir-film", "COLOR:AMOUNT:BRIGHTNESS:GLOWSIZE:GLOWAMOUNT",
                         {{"COLOR", -180, 180}, {"AMOUNT", 0, 100}, {"BRIGHTNESS", -100, 100}, {"GLOWSIZE", 0, 100},
                          {"GLOWAMOUNT", 0, 100}},
                         0, v, error))
             return false;
         const detail::IrFilmParams p{float(v[0]), float(v[1]), float(v[2]), float(v[3]), float(v[4])};
         return ApplyRoutine(doc, [&](const ImagePlane& src, const ImagePlane& dst) {
             return detail::ApplyIrFilm(src, dst, p);
         }, error);
     }},
    {"--red-eye", "--red-eye X:Y[:BRIGHTNESS] (automatic red-eye correction at a pixel; may repeat)",
     [](CeditorDoc& doc, const Args& a, size_t& i, std::string& error) {
         const ImagePlane current = doc.CurrentImage();
         std::vector<double> v;
         if (!ReadValues(a, i, "--red-eye", "X:Y[:BRIGHTNESS]",
                         {{"X", 0, current.width - 1.0}, {"Y", 0, current.height - 1.0}, {"BRIGHTNESS", 0, 10}}, 1, v,
                         error))
             return false;
         const auto x = static_cast<int32_t>(v[0]), y = static_cast<int32_t>(v[1]);
         const float brightness = v.size() > 2 ? static_cast<float>(v[2]) : 5.0f;
         CRedEyeRemoval tool;
         if (!tool.Begin(current)) return (error = "not enough memory", false);
         if (!tool.CorrectAt(x, y, brightness)) {
             // Not an error: the picture simply has no red pupil there.
             std::fprintf(stderr, "lumaret-cli: --red-eye: no red pupil found at %d:%d\n", x, y);
             return true;
         }
         return ApplyRoutine(doc, [&](const ImagePlane&, const ImagePlane& dst) {
             const ImagePlane work = tool.Working();
             for (int32_t row = 0; row < dst.height; ++row)
                 std::memcpy(dst.Row(row), work.Row(row), static_cast<size_t>(dst.width) * 3);
             return true;
         }, error);
     }},
}};

}  // namespace
}  // namespace cli
