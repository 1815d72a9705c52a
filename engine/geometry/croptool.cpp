#include "geometry/croptool.h"

#include <algorithm>
#include <cmath>

#include "core/prompt.h"
#include "geometry/rotate.h"

namespace geometry {
namespace {

int32_t RoundToInt(double v) {
    if (!std::isfinite(v)) return 0;
    return static_cast<int32_t>(std::lround(std::clamp(v, -1e9, 1e9)));
}

// truncate(v * num / den + 0.5), at least 1.
int32_t Proportional(int32_t v, int32_t num, int32_t den) {
    const double r = static_cast<double>(v) * num / den + 0.5;
    return static_cast<int32_t>(std::clamp(r, 1.0, 1e9));
}

}  // namespace

CCropToolModel::CCropToolModel(int32_t imageWidth, int32_t imageHeight, IPrompt* prompt)
    : m_width(std::max(imageWidth, 1)), m_height(std::max(imageHeight, 1)), m_prompt(prompt) {
    PlaceRectangle({0, 0, m_width, m_height});
}

void CCropToolModel::PlaceRectangle(const CropRect& visible) {
    const int32_t w = visible.Width(), h = visible.Height();
    SetRect({visible.left + w / 10, visible.top + h / 10, visible.right - w / 10,
             visible.bottom - h / 10});
    m_fixed = {m_rect.Width(), m_rect.Height()};
}

void CCropToolModel::SetRect(const CropRect& rect) {
    CropRect r;
    r.left = std::clamp(rect.left, 0, m_width - 1);
    r.top = std::clamp(rect.top, 0, m_height - 1);
    r.right = std::clamp(rect.right, r.left + 1, m_width);
    r.bottom = std::clamp(rect.bottom, r.top + 1, m_height);
    m_rect = r;
}

void CCropToolModel::SelectMode(Mode mode) {
    const int32_t index = static_cast<int32_t>(mode);
    m_mode = index >= 0 && index <= 6 ? mode : Mode::Normal;
    // Width and height of the print formats, by mode index.
    static constexpr int32_t kPrintSizes[7][2] = {{0, 0}, {0, 0},  {0, 0}, {4, 6},
                                                  {5, 7}, {8, 10}, {8, 12}};
    if (m_mode == Mode::FixedSize) {
        m_a = m_fixed.width;
        m_b = m_fixed.height;
    } else if (m_mode == Mode::FixedRatio) {
        m_a = m_ratio.width;
        m_b = m_ratio.height;
    } else if (m_mode != Mode::Normal) {
        m_a = kPrintSizes[static_cast<int32_t>(m_mode)][0];
        m_b = kPrintSizes[static_cast<int32_t>(m_mode)][1];
    }
}

void CCropToolModel::Beep() const {
    if (m_prompt) m_prompt->Beep();
}

CCropToolModel::EditResult CCropToolModel::WidthEdited(const std::string& text) {
    return Edited(true, text);
}
CCropToolModel::EditResult CCropToolModel::HeightEdited(const std::string& text) {
    return Edited(false, text);
}

CCropToolModel::EditResult CCropToolModel::Edited(bool width, const std::string& text) {
    if (!EditsEnabled()) return EditResult::Ignored;
    const int32_t n = ReadInteger(text);
    if (n <= 0) {
        Beep();
        return EditResult::Refused;
    }
    if (m_mode == Mode::FixedSize) {
        // The rectangle may reach the last column and row (right and bottom exclusive).
        const int64_t end = static_cast<int64_t>(width ? m_rect.left : m_rect.top) + n;
        if (end > (width ? m_width : m_height)) {
            Beep();
            return EditResult::Restored;
        }
        (width ? m_fixed.width : m_fixed.height) = n;
    } else {
        (width ? m_ratio.width : m_ratio.height) = n;
    }
    (width ? m_a : m_b) = n;
    return EditResult::Accepted;
}

void CCropToolModel::Swap() {
    if (!EditsEnabled()) return;
    const std::string a = WidthText(), b = HeightText();
    WidthEdited(b);
    HeightEdited(a);
}

CCropToolModel::Zone CCropToolModel::HitTest(double x, double y, double tolerance) const {
    const CropRect& r = m_rect;
    const double mx = (r.left + r.right) / 2.0, my = (r.top + r.bottom) / 2.0;
    struct Handle {
        Zone zone;
        double x, y;
    };
    const Handle handles[8] = {{Zone::TopLeft, double(r.left), double(r.top)},
                               {Zone::Top, mx, double(r.top)},
                               {Zone::TopRight, double(r.right), double(r.top)},
                               {Zone::Right, double(r.right), my},
                               {Zone::BottomRight, double(r.right), double(r.bottom)},
                               {Zone::Bottom, mx, double(r.bottom)},
                               {Zone::BottomLeft, double(r.left), double(r.bottom)},
                               {Zone::Left, double(r.left), my}};
    Zone best = Zone::None;
    double bestDistance = tolerance * tolerance;
    for (const Handle& h : handles) {
        const double d = (x - h.x) * (x - h.x) + (y - h.y) * (y - h.y);
        if (d <= bestDistance) {
            bestDistance = d;
            best = h.zone;
        }
    }
    if (best != Zone::None) return best;
    if (x >= r.left && x < r.right && y >= r.top && y < r.bottom) return Zone::Move;
    return Zone::None;
}

CCropToolModel::Zone CCropToolModel::ButtonDown(double x, double y, double tolerance) {
    m_zone = HitTest(x, y, tolerance);
    m_last = {RoundToInt(x), RoundToInt(y)};
    return m_zone;
}

CCropToolModel::Cursor CCropToolModel::CursorFor(Zone zone) {
    switch (zone) {
        case Zone::TopLeft:
        case Zone::BottomRight:
            return Cursor::SizeNWSE;
        case Zone::TopRight:
        case Zone::BottomLeft:
            return Cursor::SizeNESW;
        case Zone::Top:
        case Zone::Bottom:
            return Cursor::SizeNS;
        case Zone::Left:
        case Zone::Right:
            return Cursor::SizeWE;
        case Zone::Move:
            return Cursor::SizeAll;
        case Zone::None:
            break;
    }
    return Cursor::Arrow;
}

bool CCropToolModel::MouseMove(double x, double y) {
    if (m_zone == Zone::None) return false;
    const IntPoint p{RoundToInt(x), RoundToInt(y)};
    const int32_t dx = p.x - m_last.x, dy = p.y - m_last.y;
    m_last = p;
    const CropRect before = m_rect;
    switch (m_mode) {
        case Mode::Normal:
            DragNormal(p, dx, dy);
            break;
        case Mode::FixedSize:
            DragFixedSize(p, dx, dy);
            break;
        default:
            DragRatio(p, dx, dy);
            break;
    }
    return !(before == m_rect);
}

void CCropToolModel::MoveBy(int32_t dx, int32_t dy) {
    CropRect& r = m_rect;
    dx = std::clamp(dx, -r.left, m_width - r.right);
    dy = std::clamp(dy, -r.top, m_height - r.bottom);
    r = {r.left + dx, r.top + dy, r.right + dx, r.bottom + dy};
}

void CCropToolModel::DragNormal(IntPoint p, int32_t dx, int32_t dy) {
    CropRect& r = m_rect;
    const Zone z = m_zone;
    if (z == Zone::Move) {
        MoveBy(dx, dy);
        return;
    }
    // Each dragged edge follows the pointer, stopping one pixel before the opposite edge.
    if (z == Zone::TopLeft || z == Zone::BottomLeft || z == Zone::Left)
        r.left = std::clamp(p.x, 0, r.right - 1);
    if (z == Zone::TopRight || z == Zone::BottomRight || z == Zone::Right)
        r.right = std::clamp(p.x, r.left + 1, m_width);
    if (z == Zone::TopLeft || z == Zone::TopRight || z == Zone::Top)
        r.top = std::clamp(p.y, 0, r.bottom - 1);
    if (z == Zone::BottomLeft || z == Zone::BottomRight || z == Zone::Bottom)
        r.bottom = std::clamp(p.y, r.top + 1, m_height);
}

void CCropToolModel::DragFixedSize(IntPoint p, int32_t dx, int32_t dy) {
    // A remembered size larger than the image is cut down to the image.
    const int32_t w = std::clamp(m_a, 1, m_width), h = std::clamp(m_b, 1, m_height);
    int32_t left = m_rect.left, top = m_rect.top;
    if (m_zone == Zone::Move) {
        left += dx;
        top += dy;
    } else {
        left = p.x;
        top = p.y;
    }
    left = std::clamp(left, 0, m_width - w);
    top = std::clamp(top, 0, m_height - h);
    m_rect = {left, top, left + w, top + h};
}

void CCropToolModel::DragRatio(IntPoint p, int32_t dx, int32_t dy) {
    const Zone z = m_zone;
    if (z == Zone::Move) {
        MoveBy(dx, dy);
        return;
    }
    const CropRect r = m_rect;
    const int32_t a = std::max(m_a, 1), b = std::max(m_b, 1);
    // The corner opposite the handle stays; edge handles keep the top or left edge.
    const bool growsLeft = z == Zone::TopLeft || z == Zone::BottomLeft || z == Zone::Left;
    const bool growsUp = z == Zone::TopLeft || z == Zone::TopRight || z == Zone::Top;
    const int32_t anchorX = growsLeft ? r.right : r.left;
    const int32_t anchorY = growsUp ? r.bottom : r.top;
    const int32_t roomX = std::max(1, growsLeft ? anchorX : m_width - anchorX);
    const int32_t roomY = std::max(1, growsUp ? anchorY : m_height - anchorY);
    int32_t w, h;
    if (z == Zone::Top || z == Zone::Bottom) {
        // The height leads: the width follows, and the image side limits it.
        h = std::clamp(growsUp ? anchorY - p.y : p.y - anchorY, 1, roomY);
        w = Proportional(h, a, b);
        if (w > roomX) {
            w = roomX;
            h = std::min(Proportional(w, b, a), roomY);
        }
    } else {
        w = std::clamp(growsLeft ? anchorX - p.x : p.x - anchorX, 1, roomX);
        h = Proportional(w, b, a);
        if (h > roomY) {
            h = roomY;
            w = std::min(Proportional(h, a, b), roomX);
        }
    }
    m_rect.left = growsLeft ? anchorX - w : anchorX;
    m_rect.right = m_rect.left + w;
    m_rect.top = growsUp ? anchorY - h : anchorY;
    m_rect.bottom = m_rect.top + h;
}

std::vector<ResultStep> CCropToolModel::ResultSteps() const {
    const CropRect rect = m_rect;
    return {{rect.Width(), rect.Height(), [rect](const ImagePlane& src, const ImagePlane& dst) {
                 return CropImage(src, dst, rect);
             }}};
}

}  // namespace geometry
