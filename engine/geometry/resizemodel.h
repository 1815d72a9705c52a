#pragma once
// CResizeModel: the numbers of the Resize dialog, kept apart from its controls.
#include <cstdint>
#include <string>

#include "geometry/resize.h"

namespace geometry {

class CResizeModel {
public:
    enum class Units : int32_t { Pixels = 0, Percent = 1 };
    static constexpr int32_t kMaxSide = 10000;
    // Texts of the interpolation list, in the order of ResizeMethod.
    static constexpr const char* kMethodNames[5] = {"Nearest neighbor", "Bi-linear", "Bi-cubic",
                                                    "Super sampling", "Lanczos"};
    static constexpr const char* kUnitNames[2] = {"Pixels", "Percent"};

    struct Result {
        int32_t width = 0;
        int32_t height = 0;
        ResizeMethod method = ResizeMethod::Bicubic;
    };

    // The dialog as it opens for an image of this size: pixels, proportions kept, bicubic.
    CResizeModel(int32_t startWidth, int32_t startHeight);

    // The number in an edit's text; text that is not a number reads as 0.
    static int32_t ReadNumber(const std::string& text);

    // The user typed into the width (height) edit; the other edit may follow, and the
    // typed edit may be corrected to the 10,000-pixel limit.
    void WidthEdited(int32_t typed);
    void HeightEdited(int32_t typed);
    // Switches units, converting both numbers in place.
    void SetUnits(Units units);
    void SetPreserve(bool preserve) { m_preserve = preserve; }
    void SetMethod(ResizeMethod method) { m_method = method; }
    // OK: numbers in percent become pixels (the edits show them), and the result is read.
    Result Ok();

    int32_t Width() const { return m_width; }    // what the width edit shows
    int32_t Height() const { return m_height; }  // what the height edit shows
    Units GetUnits() const { return m_units; }
    bool Preserve() const { return m_preserve; }
    ResizeMethod Method() const { return m_method; }
    int32_t StartWidth() const { return m_startWidth; }
    int32_t StartHeight() const { return m_startHeight; }

private:
    void Edited(bool widthEdited, int32_t typed);

    int32_t m_startWidth;
    int32_t m_startHeight;
    float m_aspect;
    Units m_units = Units::Pixels;
    bool m_preserve = true;
    ResizeMethod m_method = ResizeMethod::Bicubic;
    int32_t m_width;
    int32_t m_height;
};

}  // namespace geometry
