#include "geometry/types.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <cmath>

#include "core/imagering.h"

namespace geometry {

bool CommitSteps(CImageRing& ring, const std::vector<ResultStep>& steps) {
    int committed = 0;
    for (const ResultStep& step : steps) {
        const ImagePlane source = ring.Current();
        bool ok = step.width > 0 && step.height > 0 && step.render;
        ImagePlane next;
        if (ok) {
            next = ring.PrepareNextState(step.width, step.height);
            ok = next.IsValid() && next.width == step.width && next.height == step.height &&
                 step.render(source, next);
        }
        if (!ok) {
            // Leave the document as it was: take back what this call committed.
            while (committed-- > 0) ring.Undo();
            return false;
        }
        ring.Commit();
        ++committed;
    }
    return true;
}

bool IsPlaneOfSize(const ImagePlane& plane, int32_t width, int32_t height) {
    return plane.IsValid() && plane.channels == 3 && plane.width == width &&
           plane.height == height && plane.stride >= width * 3;
}

int32_t ReadInteger(const std::string& text) {
    size_t i = 0;
    while (i < text.size() && std::isspace(static_cast<unsigned char>(text[i]))) ++i;
    int64_t value = 0;
    for (; i < text.size() && std::isdigit(static_cast<unsigned char>(text[i])); ++i)
        value = std::min<int64_t>(value * 10 + (text[i] - '0'), INT32_MAX);
    return static_cast<int32_t>(value);
}

double ReadDecimal(const std::string& text) {
    size_t i = 0;
    while (i < text.size() && (text[i] == ' ' || text[i] == '\t')) ++i;
    if (i < text.size() && text[i] == '+') ++i;  // from_chars takes no plus sign
    double value = 0.0;
    const auto [end, ec] = std::from_chars(text.data() + i, text.data() + text.size(), value);
    (void)end;
    if (ec != std::errc() || !std::isfinite(value)) return 0.0;
    return value;
}

}  // namespace geometry
