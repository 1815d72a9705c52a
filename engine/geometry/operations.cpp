// The descriptors of the geometric operations: turns by any angle, straightening with the
// optional automatic crop, flips, resize and crop.
#include <limits>

#include "core/operation.h"
#include "geometry/resize.h"
#include "geometry/resizemodel.h"
#include "geometry/rotate.h"
#include "geometry/rotatetool.h"

namespace geometry {
namespace {

using ops::Param;
using ops::ParamKind;
using ops::Plan;
using ops::Values;

constexpr double kAnyAngle = std::numeric_limits<double>::infinity();

const Param kRotateParams[] = {
        {.name = "DEG", .meaning = "angle in degrees", .min = -kAnyAngle, .max = kAnyAngle,
         .step = 0.0001, .format = "%.4f"},
};

Plan PlanRotate(const ImagePlane& current, Values v) {
    const auto angle = static_cast<float>(v[0]);
    const ImageSize size = RotatedSize(current.width, current.height, angle);
    Plan plan;
    plan.steps.push_back({size.width, size.height, [angle](const ImagePlane& src, const ImagePlane& dst) {
                              return RotateImage(src, dst, angle);
                          }});
    return plan;
}

const Param kStraightenParams[] = {
        {.name = "DEG", .meaning = "angle of the guide line in degrees", .min = -kAnyAngle, .max = kAnyAngle,
         .step = 0.0001, .format = "%.4f"},
        {.name = "CROP", .meaning = "cut the result to a rectangle without fill", .kind = ParamKind::Flag,
         .max = 1, .optional = true, .option = "--crop-auto"},
};

Plan PlanStraighten(const ImagePlane& current, Values v) {
    CRotateToolModel tool(current.width, current.height);
    tool.SetAngle(static_cast<float>(v[0]));
    tool.SetCrop(v[1] != 0);
    Plan plan;
    plan.steps = tool.ResultSteps();
    return plan;
}

constexpr const char* kFlipWays[] = {"h", "v"};
const Param kFlipParams[] = {
        // No default: a flip always names its way.
        {.name = "WAY", .meaning = "h mirrors left and right, v top and bottom", .kind = ParamKind::Choice,
         .max = 1, .def = -1, .choices = kFlipWays},
};

Plan PlanFlip(const ImagePlane&, Values v) {
    if (v[0] == 0) return ops::OneStep(MirrorLeftRight);
    return ops::OneStep(MirrorTopBottom);
}

constexpr const char* kResizeMethods[] = {"nearest", "bilinear", "bicubic", "supersampling", "lanczos"};
const Param kResizeParams[] = {
        {.name = "W", .meaning = "new width in pixels", .kind = ParamKind::Integer, .min = 1,
         .max = CResizeModel::kMaxSide, .format = "%.0f"},
        {.name = "H", .meaning = "new height in pixels", .kind = ParamKind::Integer, .min = 1,
         .max = CResizeModel::kMaxSide, .format = "%.0f"},
        {.name = "METHOD", .meaning = "interpolation", .kind = ParamKind::Choice, .max = 4,
         .def = static_cast<double>(ResizeMethod::Bicubic), .choices = kResizeMethods, .optional = true,
         .option = "--method"},
};

Plan PlanResize(const ImagePlane&, Values v) {
    const auto w = static_cast<int32_t>(v[0]), h = static_cast<int32_t>(v[1]);
    const auto method = static_cast<ResizeMethod>(static_cast<int32_t>(v[2]));
    Plan plan;
    plan.steps.push_back({w, h, [method](const ImagePlane& src, const ImagePlane& dst) {
                              return ResizeImage(src, dst, method);
                          }});
    return plan;
}

// Right and bottom are exclusive: they may equal the width and the height, and the
// rectangle holds at least one pixel.
const Param kCropParams[] = {
        {.name = "L", .meaning = "left column", .kind = ParamKind::Integer, .max = -1,
         .maxFrom = ops::ImageLimit::Width},
        {.name = "T", .meaning = "top row", .kind = ParamKind::Integer, .max = -1, .maxFrom = ops::ImageLimit::Height},
        {.name = "R", .meaning = "right column, exclusive", .kind = ParamKind::Integer, .min = 1,
         .maxFrom = ops::ImageLimit::Width},
        {.name = "B", .meaning = "bottom row, exclusive", .kind = ParamKind::Integer, .min = 1,
         .maxFrom = ops::ImageLimit::Height},
};

const char* CheckCrop(Values v) { return v[0] < v[2] && v[1] < v[3] ? nullptr : "the rectangle is empty"; }

Plan PlanCrop(const ImagePlane&, Values v) {
    const CropRect rect{static_cast<int32_t>(v[0]), static_cast<int32_t>(v[1]), static_cast<int32_t>(v[2]),
                        static_cast<int32_t>(v[3])};
    Plan plan;
    plan.steps.push_back({rect.Width(), rect.Height(), [rect](const ImagePlane& src, const ImagePlane& dst) {
                              return CropImage(src, dst, rect);
                          }});
    return plan;
}

}  // namespace

const ops::Operation& RotateOperation() {
    static const ops::Operation op{.name = "Rotate", .option = "rotate", .meaning = "turns by any angle",
                                   .params = kRotateParams, .syntax = ops::ValueSyntax::Words, .plan = PlanRotate};
    return op;
}

const ops::Operation& StraightenOperation() {
    static const ops::Operation op{.name = "Straighten", .option = "straighten",
                                   .meaning = "levels a guide line of this angle", .params = kStraightenParams,
                                   .syntax = ops::ValueSyntax::Words, .plan = PlanStraighten};
    return op;
}

const ops::Operation& FlipOperation() {
    static const ops::Operation op{.name = "Flip", .option = "flip", .meaning = "mirrors the image",
                                   .params = kFlipParams, .syntax = ops::ValueSyntax::Words, .plan = PlanFlip};
    return op;
}

const ops::Operation& ResizeOperation() {
    static const ops::Operation op{.name = "Resize", .option = "resize", .meaning = "resamples to a new size",
                                   .params = kResizeParams, .syntax = ops::ValueSyntax::Words, .plan = PlanResize};
    return op;
}

const ops::Operation& CropOperation() {
    static const ops::Operation op{.name = "Crop", .option = "crop", .meaning = "cuts the image to a rectangle",
                                   .params = kCropParams, .syntax = ops::ValueSyntax::Words, .plan = PlanCrop,
                                   .check = CheckCrop};
    return op;
}

}  // namespace geometry
