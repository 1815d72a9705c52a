#pragma once
// Rotation by any angle about the image centre, and the two mirror operations.
#include <cstdint>

#include "core/imageplane.h"
#include "geometry/types.h"
#include "core/operation.h"

namespace geometry {

// How a w x h image maps onto the canvas of its turned copy. A positive angle turns the
// picture counter-clockwise on screen; the pivot is (w div 2, h div 2).
struct RotationFrame {
    int32_t sourceWidth = 0;
    int32_t sourceHeight = 0;
    double cosA = 1.0;
    double sinA = 0.0;
    double centreX = 0.0;
    double centreY = 0.0;
    double originX = 0.0;  // top-left of the turned corners' bounding box
    double originY = 0.0;
    int32_t width = 0;  // canvas size: pixel positions the turned image spans
    int32_t height = 0;
    bool quarterTurn = false;  // 0, 90, 180 or 270 degrees: every pixel lands on a pixel
    int32_t quarters = 0;      // number of counter-clockwise quarter turns when quarterTurn

    // Frame of a w x h image turned by `angleDegrees`.
    static RotationFrame Make(int32_t w, int32_t h, float angleDegrees);
    // Source position of the centre of canvas pixel (x, y).
    void SourceOf(double x, double y, double& sx, double& sy) const {
        const double dx = x + originX - centreX;
        const double dy = y + originY - centreY;
        sx = cosA * dx - sinA * dy + centreX;
        sy = sinA * dx + cosA * dy + centreY;
    }
    // True when a source position lies within the source pixel centres (with a hair of
    // tolerance for rounding), i.e. the canvas pixel gets image content, not fill.
    bool ContainsSource(double sx, double sy) const {
        constexpr double kTolerance = 1e-6;
        return sx >= -kTolerance && sy >= -kTolerance && sx <= sourceWidth - 1 + kTolerance &&
               sy <= sourceHeight - 1 + kTolerance;
    }
    // True when canvas pixel (x, y) gets image content.
    bool CoversPixel(int32_t x, int32_t y) const;
};

// Size of the canvas of a w x h image turned by `angleDegrees` (0 x 0 for an empty image).
ImageSize RotatedSize(int32_t w, int32_t h, float angleDegrees);

// Turns `src` by `angleDegrees` into `dst`, which must have RotatedSize. Bicubic
// interpolation; pixels without a source are black. Exact quarter and half turns are
// direct pixel copies, identical to what the interpolating path gives. False on a size
// mismatch.
bool RotateImage(const ImagePlane& src, const ImagePlane& dst, float angleDegrees, int threads = 2);

// The interpolating path of RotateImage for every angle, quarter turns included.
bool RotateImageInterpolated(const ImagePlane& src, const ImagePlane& dst, float angleDegrees,
                             int threads = 2);

// Copies pixel x of each row to w - 1 - x; `dst` must have the size of `src`.
bool MirrorLeftRight(const ImagePlane& src, const ImagePlane& dst);

// Copies row y to row h - 1 - y; `dst` must have the size of `src`.
bool MirrorTopBottom(const ImagePlane& src, const ImagePlane& dst);

// Copies `rect` (right and bottom exclusive) of `src` into `dst` of the rectangle's size.
bool CropImage(const ImagePlane& src, const ImagePlane& dst, const CropRect& rect);

// Largest rectangle of the canvas's proportions, centred on the canvas, whose every pixel
// has image content (no fill). Empty when not even one pixel qualifies.
CropRect LargestInscribedRect(const RotationFrame& frame);

// The turn by any angle, the flips and the crop as operations.
const ops::Operation& RotateOperation();
const ops::Operation& FlipOperation();
const ops::Operation& CropOperation();

}  // namespace geometry
