#include "geometry/types.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <cmath>
#include <memory>

#include "core/imagering.h"

namespace geometry {

ops::ApplyResult CommitSteps(CImageRing& ring, const std::vector<ResultStep>& steps, CMemoryManager* allocator) {
    using ops::ApplyResult;
    const ImagePlane current = ring.Current();
    if (!current.IsValid()) return ApplyResult::NoImage;
    for (const ResultStep& step : steps)
        if (step.width < 0 || step.height < 0) return ApplyResult::InvalidSize;
    if (steps.empty()) return ApplyResult::Ok;

    // One step whose slot holds nothing undo or redo can reach is rendered in place: a
    // failure there loses nothing, and no extra image is needed.
    if (steps.size() == 1 && !ring.NextSlotInUse()) {
        const ImagePlane next = ring.PrepareNextState(steps[0].width, steps[0].height);
        if (!next.IsValid()) return ApplyResult::OutOfMemory;
        if (!steps[0].render || !steps[0].render(current, next)) return ApplyResult::RoutineFailed;
        ring.Commit();
        return ApplyResult::Ok;
    }

    // Otherwise every step gets a block of its own and only when all have succeeded do
    // they move into the ring; until then the ring is not touched at all.
    std::vector<std::unique_ptr<CImageBuffer>> results;
    ImagePlane source = current;
    for (const ResultStep& step : steps) {
        auto buffer = std::make_unique<CImageBuffer>(allocator);
        const int32_t w = step.width ? step.width : source.width;
        const int32_t h = step.height ? step.height : source.height;
        if (!buffer->Create(w, h) || !buffer->Data()) return ApplyResult::OutOfMemory;
        if (!step.render || !step.render(source, buffer->Plane())) return ApplyResult::RoutineFailed;
        source = buffer->Plane();
        results.push_back(std::move(buffer));
    }
    for (auto& buffer : results) ring.CommitBuffer(*buffer);
    return ApplyResult::Ok;
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
