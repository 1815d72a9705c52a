#pragma once
// CCropTool: the crop tool of the editor view. A frame with eight handles is dragged over
// the picture by the rules of CCropToolModel; the panel chooses the mode (free, fixed
// size, fixed or print-format ratio) and its numbers. Ok cuts the picture as one undo step.
#include <QCursor>
#include <memory>

#include "geometry/croptool.h"
#include "tools/toolbase.h"

class QComboBox;
class QLineEdit;
class QPushButton;

class CCropTool : public CToolBase {
public:
    explicit CCropTool(CeditorView* view);

    void Create(QWidget* parent) override;
    bool OnLButtonDown(unsigned flags, int x, int y) override;
    bool OnLButtonUp(unsigned flags, int x, int y) override;
    bool OnMouseMove(unsigned flags, int x, int y) override;
    bool OnSetCursor() override;
    void DrawOverlay(QPainter& painter) override;
    bool RenderResult(const ImagePlane& destination) override;
    void GetResultSize(ImagePlane& size) override;

    geometry::CCropToolModel& Model() { return *m_model; }
    // The panel's controls, for the panel's own handlers and for tests.
    QComboBox* ModeBox() const { return m_mode; }
    QLineEdit* WidthEdit() const { return m_width; }
    QLineEdit* HeightEdit() const { return m_height; }
    QPushButton* SwapButton() const { return m_swap; }

private:
    void ModeChosen(int index);
    void Edited(bool width);
    void ShowParameters();
    // The crop frame in window coordinates.
    QRectF WindowRect() const;

    std::unique_ptr<geometry::CCropToolModel> m_model;
    geometry::CCropToolModel::Zone m_hover = geometry::CCropToolModel::Zone::None;
    QComboBox* m_mode = nullptr;
    QLineEdit* m_width = nullptr;
    QLineEdit* m_height = nullptr;
    QPushButton* m_swap = nullptr;
};

// The cursor shape for a crop cursor kind.
Qt::CursorShape CropCursorShape(geometry::CCropToolModel::Cursor cursor);
