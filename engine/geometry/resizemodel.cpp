#include "geometry/resizemodel.h"

#include <algorithm>
#include <cstdint>

#include "geometry/types.h"

namespace geometry {
namespace {

// truncate(x + 0.5) of a non-negative value, kept within int32.
int32_t RoundHalfUp(double v) {
    v = std::clamp(v + 0.5, 0.0, 2147483647.0);
    return static_cast<int32_t>(v);
}

int32_t Truncate(double v) {
    return static_cast<int32_t>(std::clamp(v, -2147483648.0, 2147483647.0));
}

// truncate(start * percent / 100) without overflow.
int32_t PercentOf(int32_t start, int32_t percent) {
    return Truncate(static_cast<double>(static_cast<int64_t>(start) * percent / 100));
}

}  // namespace

CResizeModel::CResizeModel(int32_t startWidth, int32_t startHeight)
    : m_startWidth(std::max(startWidth, 0)),
      m_startHeight(std::max(startHeight, 0)),
      // An empty image has no proportions; 1 keeps the arithmetic finite.
      m_aspect(m_startWidth > 0 && m_startHeight > 0
                   ? static_cast<float>(m_startWidth) / static_cast<float>(m_startHeight)
                   : 1.0f),
      m_width(m_startWidth),
      m_height(m_startHeight) {}

int32_t CResizeModel::ReadNumber(const std::string& text) {
    return ReadInteger(text);
}

void CResizeModel::WidthEdited(int32_t typed) {
    Edited(true, typed);
}
void CResizeModel::HeightEdited(int32_t typed) {
    Edited(false, typed);
}

void CResizeModel::Edited(bool widthEdited, int32_t typed) {
    typed = std::max(typed, 0);
    // Written for the width; for the height the roles of the two sides swap.
    int32_t& same = widthEdited ? m_width : m_height;
    int32_t& other = widthEdited ? m_height : m_width;
    const int32_t startSame = widthEdited ? m_startWidth : m_startHeight;
    // The other side for a given side, through the float aspect as the dialog keeps it.
    auto otherFor = [&](int32_t side, bool forWidthEdit) {
        const float v = forWidthEdit ? static_cast<float>(side) / m_aspect
                                     : static_cast<float>(side) * m_aspect;
        return RoundHalfUp(static_cast<double>(v));
    };
    const bool pixels = m_units == Units::Pixels;

    if (m_preserve && pixels) {
        int32_t s = typed;
        int32_t o = otherFor(s, widthEdited);
        if (s > kMaxSide) {
            s = kMaxSide;
            o = otherFor(kMaxSide, widthEdited);
        }
        if (o > kMaxSide) {
            o = kMaxSide;
            s = otherFor(kMaxSide, !widthEdited);
        }
        same = s;
        other = o;
    } else if (m_preserve) {
        int32_t p = typed;
        const int32_t larger = std::max(m_startWidth, m_startHeight);
        if (larger > 0 &&
            std::max(PercentOf(m_startWidth, p), PercentOf(m_startHeight, p)) > kMaxSide)
            p = Truncate(static_cast<double>(kMaxSide) / larger * 100.0);
        same = p;
        other = p;
    } else if (pixels) {
        same = std::min(typed, kMaxSide);
    } else {
        int32_t p = typed;
        if (startSame > 0 && PercentOf(startSame, p) > kMaxSide)
            p = Truncate(static_cast<double>(kMaxSide) / startSame * 100.0);
        same = p;
    }
}

void CResizeModel::SetUnits(Units units) {
    if (units == m_units) return;
    m_units = units;
    if (units == Units::Pixels) {
        m_width = PercentOf(m_startWidth, m_width);
        m_height = PercentOf(m_startHeight, m_height);
    } else {
        auto percent = [](int32_t v, int32_t start) {
            if (start <= 0) return 0;
            return RoundHalfUp(static_cast<double>(v) / start * 100.0);
        };
        m_width = percent(m_width, m_startWidth);
        m_height = percent(m_height, m_startHeight);
    }
}

CResizeModel::Result CResizeModel::Ok() {
    if (m_units == Units::Percent) {
        m_width = PercentOf(m_startWidth, m_width);
        m_height = PercentOf(m_startHeight, m_height);
    }
    return {m_width, m_height, m_method};
}

}  // namespace geometry
