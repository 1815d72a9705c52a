#pragma once
// CRotateToolModel: the image side of the straightening tool — the guide line, its angle,
// and the result (the turned image, then optionally its largest fill-free crop).
#include <cstdint>
#include <string>
#include <vector>

#include "geometry/rotate.h"
#include "geometry/types.h"
#include "core/operation.h"

namespace geometry {

class CRotateToolModel {
public:
    enum class DragMode : int32_t { None = 0, FirstEnd = 1, SecondEnd = 2, WholeLine = 3 };
    // Grab distance in window pixels; the view divides it by its zoom.
    static constexpr double kGrabDistance = 10.0;

    // The tool for an image of this size, with the guide line placed over the whole image.
    CRotateToolModel(int32_t imageWidth, int32_t imageHeight);

    // Lays the guide line horizontally across the visible part of the image (image
    // pixels), inset from its sides by a tenth of its width, at its vertical middle.
    void PlaceGuideLine(const CropRect& visible);

    // What a press at image point (x, y) would drag, with `tolerance` in image pixels.
    DragMode HitTest(double x, double y, double tolerance) const;
    // Button pressed: starts dragging what HitTest finds.
    DragMode ButtonDown(double x, double y, double tolerance);
    // Pointer moved: moves the dragged end(s) by the movement; true when anything moved.
    bool MouseMove(double x, double y);
    void ButtonUp() { m_drag = DragMode::None; }

    // Typed angle in degrees: the line keeps its midpoint and length and shows the angle.
    void SetAngle(float degrees);
    // Typed text of the angle edit; text that is not a number reads as 0.
    void SetAngleText(const std::string& text);
    // The angle as the edit shows it ("%.4f", always with a point).
    std::string AngleText() const;

    void SetCrop(bool crop) { m_crop = crop; }
    bool Crop() const { return m_crop; }
    float Angle() const { return m_angle; }
    IntPoint FirstEnd() const { return m_first; }
    IntPoint SecondEnd() const { return m_second; }
    DragMode Drag() const { return m_drag; }

    // Canvas of the image turned so that the line becomes level (turned by -angle).
    RotationFrame Frame() const;
    // Size of the first result step (the turned image).
    ImageSize ResultSize() const;
    // Crop applied after the turn, in the turned image's pixels (empty when none fits).
    CropRect CropRectangle() const;
    // The undo steps of OK: the turn, then with "Crop" the cut to CropRectangle.
    std::vector<ResultStep> ResultSteps(int threads = 2) const;

private:
    void UpdateAngleFromLine();

    int32_t m_width;
    int32_t m_height;
    IntPoint m_first;
    IntPoint m_second;
    IntPoint m_last;
    float m_angle = 0.0f;
    bool m_crop = false;
    DragMode m_drag = DragMode::None;
};

// Straightening by a typed guide-line angle, optionally with the automatic crop.
const ops::Operation& StraightenOperation();

}  // namespace geometry
