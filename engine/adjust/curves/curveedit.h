#pragma once
// CCurveEditor: the mouse rules of the curve box, without any window code. Box coordinates
// run 0..255 to the right and down; a curve point (x, y) sits at box pixel (x, 255 - y).
// Every call that returns true changed the selected channel's points and rebuilt the
// tables: the dialog then posts a preview request and repaints the box.
#include "adjust/curves/curves.h"

enum class CurveCursor { Cross, Move };

class CCurveEditor {
public:
    // A point counts as near the mouse below this distance.
    static constexpr float kNearDistance = 20.0f;
    static constexpr int kBoxSize = 256;

    explicit CCurveEditor(CCurves& curves) : m_curves(curves) {}

    // Index of the selected channel's point nearest to the box position, or -1 when none is
    // nearer than kNearDistance (on ties the lowest index wins).
    int NearestPoint(int boxX, int boxY) const;

    // Left button pressed at a box position (ignored outside the box): starts dragging;
    // selects the nearest point, or inserts a new point between its neighbours.
    bool LeftButtonDown(int boxX, int boxY);
    // Right button pressed: removes the nearest point unless it is the first or the last.
    bool RightButtonDown(int boxX, int boxY);
    // Mouse moved; `leftDown` / `rightDown` are the buttons held. With only the left button
    // the selected point follows the mouse, kept strictly between its neighbours.
    bool MouseMove(int boxX, int boxY, bool leftDown, bool rightDown);
    // Left button released: dragging ends.
    void LeftButtonUp() { m_dragging = false; }
    // After loading a file the next mouse move is ignored.
    void IgnoreNextMove() { m_ignoreNextMove = true; }
    // Forgets the selected point (after Reset or a channel change).
    void ClearSelection() { m_selected = -1; }

    // Index of the selected point of the selected channel, -1 for none.
    int SelectedPoint() const { return m_selected; }
    // True between a left button press in the box and its release.
    bool Dragging() const { return m_dragging; }
    // The cursor the box shows after the last mouse move.
    CurveCursor Cursor() const { return m_cursor; }

private:
    static bool InsideBox(int boxX, int boxY) {
        return boxX >= 0 && boxX < kBoxSize && boxY >= 0 && boxY < kBoxSize;
    }
    void Rebuild();

    CCurves& m_curves;
    int m_selected = -1;
    bool m_dragging = false;
    bool m_ignoreNextMove = false;
    CurveCursor m_cursor = CurveCursor::Cross;
};
