#pragma once
// CCropToolModel: the image side of the crop tool — the crop rectangle, its modes and
// parameters, the edits of the panel and the drag rules.
#include <cstdint>
#include <string>
#include <vector>

#include "geometry/types.h"

class IPrompt;

namespace geometry {

class CCropToolModel {
public:
    enum class Mode : int32_t {
        Normal = 0,
        FixedSize = 1,
        FixedRatio = 2,
        Ratio4x6 = 3,
        Ratio5x7 = 4,
        Ratio8x10 = 5,
        Ratio8x12 = 6,
    };
    static constexpr const char* kModeNames[7] = {
        "Normal",           "Fixed size",        "Fixed aspect ratio", "4x6 aspect ratio",
        "5x7 aspect ratio", "8x10 aspect ratio", "8x12 aspect ratio"};
    // What a press grabs: a corner, an edge middle, the inside, or nothing.
    enum class Zone : int32_t {
        None,
        TopLeft,
        Top,
        TopRight,
        Right,
        BottomRight,
        Bottom,
        BottomLeft,
        Left,
        Move
    };
    enum class Cursor : int32_t { Arrow, SizeNWSE, SizeNESW, SizeNS, SizeWE, SizeAll };
    // How an edit was taken: used, refused with a beep (the text stays), refused with a
    // beep and the previous value to be shown again, or ignored (edits disabled).
    enum class EditResult : int32_t { Accepted, Refused, Restored, Ignored };
    // Grab distance of a handle in window pixels; the view divides it by its zoom.
    static constexpr double kGrabDistance = 8.0;

    // The tool for an image of this size; `prompt` (may be null) gets the beeps.
    CCropToolModel(int32_t imageWidth, int32_t imageHeight, IPrompt* prompt = nullptr);

    // Puts the rectangle over the visible part of the image (image pixels), inset on each
    // side by a tenth, and remembers its size as the fixed size.
    void PlaceRectangle(const CropRect& visible);
    // Sets the rectangle directly, kept inside the image and at least 1 x 1.
    void SetRect(const CropRect& rect);

    void SelectMode(Mode mode);
    bool EditsEnabled() const { return m_mode != Mode::Normal; }
    // The user changed the Width (Height) edit to `text`.
    EditResult WidthEdited(const std::string& text);
    EditResult HeightEdited(const std::string& text);
    // Exchanges the two edits' texts; each edit then takes its new text as typed.
    void Swap();
    std::string WidthText() const { return std::to_string(m_a); }
    std::string HeightText() const { return std::to_string(m_b); }

    // The zone at image point (x, y); `tolerance` is the grab distance in image pixels.
    Zone HitTest(double x, double y, double tolerance) const;
    // Button pressed: starts dragging the zone HitTest finds.
    Zone ButtonDown(double x, double y, double tolerance);
    // Pointer moved to image point (x, y) while dragging; true when the rectangle changed.
    bool MouseMove(double x, double y);
    void ButtonUp() { m_zone = Zone::None; }
    // The pointer shape over a zone.
    static Cursor CursorFor(Zone zone);

    Mode GetMode() const { return m_mode; }
    const CropRect& Rect() const { return m_rect; }
    int32_t ParamA() const { return m_a; }
    int32_t ParamB() const { return m_b; }
    ImageSize FixedSize() const { return m_fixed; }
    ImageSize CustomRatio() const { return m_ratio; }
    Zone Dragging() const { return m_zone; }

    ImageSize ResultSize() const { return {m_rect.Width(), m_rect.Height()}; }
    // The one undo step of Ok: the image cut to the rectangle.
    std::vector<ResultStep> ResultSteps() const;

private:
    EditResult Edited(bool width, const std::string& text);
    void DragNormal(IntPoint p, int32_t dx, int32_t dy);
    void DragFixedSize(IntPoint p, int32_t dx, int32_t dy);
    void DragRatio(IntPoint p, int32_t dx, int32_t dy);
    void MoveBy(int32_t dx, int32_t dy);
    void Beep() const;

    int32_t m_width;
    int32_t m_height;
    IPrompt* m_prompt;
    Mode m_mode = Mode::Normal;
    CropRect m_rect;
    int32_t m_a = 4;
    int32_t m_b = 6;
    ImageSize m_fixed;
    ImageSize m_ratio{6, 4};
    Zone m_zone = Zone::None;
    IntPoint m_last;
};

}  // namespace geometry
