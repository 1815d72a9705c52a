#pragma once
// CRotateTool: straightening. A guide line laid on the picture along something that
// should be level is dragged by its ends or as a whole, or its angle typed; Ok turns the
// picture so that the line becomes level, and with "Crop" cuts the turned picture to its
// largest fill-free rectangle as a second undo step.
#include <memory>

#include "geometry/rotatetool.h"
#include "tools/toolbase.h"

class QCheckBox;
class QLineEdit;

class CRotateTool : public CToolBase {
public:
    explicit CRotateTool(CeditorView* view);

    void Create(QWidget* parent) override;
    bool OnLButtonDown(unsigned flags, int x, int y) override;
    bool OnLButtonUp(unsigned flags, int x, int y) override;
    bool OnMouseMove(unsigned flags, int x, int y) override;
    bool OnSetCursor() override;
    void DrawOverlay(QPainter& painter) override;
    bool RenderResult(const ImagePlane& destination) override;
    void GetResultSize(ImagePlane& size) override;
    std::vector<geometry::ResultStep> ResultSteps() override;

    geometry::CRotateToolModel& Model() { return *m_model; }
    QLineEdit* AngleEdit() const { return m_angle; }
    QCheckBox* CropBox() const { return m_crop; }

private:
    void ShowAngle();

    std::unique_ptr<geometry::CRotateToolModel> m_model;
    geometry::CRotateToolModel::DragMode m_hover = geometry::CRotateToolModel::DragMode::None;
    QLineEdit* m_angle = nullptr;
    QCheckBox* m_crop = nullptr;
};
