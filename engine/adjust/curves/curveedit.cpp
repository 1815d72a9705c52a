// CCurveEditor: insert, select, drag and delete control points with the mouse.
#include "adjust/curves/curveedit.h"

#include <algorithm>
#include <cmath>

int CCurveEditor::NearestPoint(int boxX, int boxY) const {
    const float x = static_cast<float>(boxX);
    const float y = static_cast<float>(255 - boxY);
    auto points = m_curves.Points(m_curves.SelectedChannel());
    int best = -1;
    float bestDistance = 300.0f;
    for (size_t i = 0; i < points.size(); ++i) {
        float d = std::hypot(points[i].x - x, points[i].y - y);
        if (d < bestDistance) {
            bestDistance = d;
            best = static_cast<int>(i);
        }
    }
    return bestDistance < kNearDistance ? best : -1;
}

void CCurveEditor::Rebuild() {
    m_curves.PrepareSpline();
    m_curves.BuildTables();
}

bool CCurveEditor::LeftButtonDown(int boxX, int boxY) {
    if (!InsideBox(boxX, boxY)) return false;
    m_dragging = true;
    int near = NearestPoint(boxX, boxY);
    if (near >= 0) {
        m_selected = near;
        return false;
    }
    const int channel = m_curves.SelectedChannel();
    auto points = m_curves.Points(channel);
    if (points.size() >= CCurves::kMaxPoints) return false;
    const float x = static_cast<float>(boxX);
    for (size_t i = 0; i + 1 < points.size(); ++i) {
        if (points[i].x < x && x < points[i + 1].x) {
            int index = static_cast<int>(i) + 1;
            if (!m_curves.InsertPoint(channel, index, CCurves::Point{x, static_cast<float>(255 - boxY)})) return false;
            m_selected = index;
            Rebuild();
            return true;
        }
    }
    return false;
}

bool CCurveEditor::RightButtonDown(int boxX, int boxY) {
    if (!InsideBox(boxX, boxY)) return false;
    int near = NearestPoint(boxX, boxY);
    if (near < 0 || !m_curves.RemovePoint(m_curves.SelectedChannel(), near)) return false;
    // Keep the selection on the same point; a removed selection is no selection.
    if (m_selected == near)
        m_selected = -1;
    else if (m_selected > near)
        --m_selected;
    Rebuild();
    return true;
}

bool CCurveEditor::MouseMove(int boxX, int boxY, bool leftDown, bool rightDown) {
    if (m_ignoreNextMove) {
        m_ignoreNextMove = false;
        return false;
    }
    if (!m_dragging && !InsideBox(boxX, boxY)) return false;
    boxX = std::clamp(boxX, 0, 255);
    boxY = std::clamp(boxY, 0, 255);
    if (!leftDown && !rightDown) {
        m_cursor = NearestPoint(boxX, boxY) >= 0 ? CurveCursor::Move : CurveCursor::Cross;
        return false;
    }
    if (!leftDown || rightDown) return false;
    m_cursor = CurveCursor::Move;
    const int channel = m_curves.SelectedChannel();
    auto points = m_curves.Points(channel);
    const int n = static_cast<int>(points.size());
    if (m_selected < 0 || m_selected >= n) return false;  // nothing selected on this curve
    const CCurves::Point old = points[static_cast<size_t>(m_selected)];
    float x = static_cast<float>(boxX);
    if (m_selected > 0 && x < points[static_cast<size_t>(m_selected - 1)].x + 1.0f)
        x = std::trunc(points[static_cast<size_t>(m_selected - 1)].x + 1.0f);
    if (m_selected < n - 1 && x > points[static_cast<size_t>(m_selected + 1)].x - 1.0f)
        x = std::trunc(points[static_cast<size_t>(m_selected + 1)].x - 1.0f);
    CCurves::Point moved{x, static_cast<float>(255 - boxY)};
    // Neighbours closer than two units (possible only in loaded files) leave no whole x
    // between them: the point then keeps its x and only its y follows the mouse.
    if (!m_curves.SetPoint(channel, m_selected, moved)) {
        moved.x = old.x;
        m_curves.SetPoint(channel, m_selected, moved);
    }
    Rebuild();
    return true;
}
