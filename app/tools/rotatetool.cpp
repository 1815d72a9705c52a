#include "tools/rotatetool.h"

#include <QCheckBox>
#include <QFormLayout>
#include <QLineEdit>
#include <QPainter>
#include <QPushButton>
#include <QVBoxLayout>

#include "editor/editordoc.h"
#include "editor/editorview.h"

using geometry::CRotateToolModel;

namespace {

// Side of the squares drawn around the line's ends, window pixels.
constexpr double kEndSquare = 10.0;

}  // namespace

CRotateTool::CRotateTool(CeditorView* view) : CToolBase(view) {
    const ImagePlane image = view->GetDocument()->CurrentImage();
    m_model = std::make_unique<CRotateToolModel>(image.width, image.height);
}

void CRotateTool::Create(QWidget*) {
    CToolPanel* panel = MakePanel(QStringLiteral("Rotation parameters"));
    m_model->PlaceGuideLine(VisibleImageRect());

    auto* layout = new QVBoxLayout(panel);
    auto* form = new QFormLayout;
    m_angle = new QLineEdit(panel);
    m_angle->setObjectName(QStringLiteral("angle"));
    m_angle->setToolTip(QStringLiteral("Angle of the rotation."));
    m_crop = new QCheckBox(QStringLiteral("Crop"), panel);
    m_crop->setObjectName(QStringLiteral("crop"));
    m_crop->setToolTip(QStringLiteral("Specifies if the image should be cropped after the rotation."));
    form->addRow(QStringLiteral("Angle"), m_angle);
    form->addRow(QString(), m_crop);
    layout->addLayout(form);
    auto [ok, cancel] = panel->AddButtons(layout, QStringLiteral("OK"), QStringLiteral("Cancel"));
    ok->setToolTip(QStringLiteral("Applies the current setting."));
    cancel->setToolTip(QStringLiteral("Cancels the action."));

    QObject::connect(m_angle, &QLineEdit::textEdited, panel, [this](const QString& text) {
        m_model->SetAngleText(text.toStdString());
        Repaint();
    });
    QObject::connect(m_crop, &QCheckBox::toggled, panel, [this](bool on) { m_model->SetCrop(on); });
    QObject::connect(ok, &QPushButton::clicked, panel, [this] { Confirm(); });
    QObject::connect(cancel, &QPushButton::clicked, panel, [this] { Cancel(); });

    ShowAngle();
    panel->ShowBesideView();
    Repaint();
}

void CRotateTool::ShowAngle() {
    if (m_angle) m_angle->setText(QString::fromStdString(m_model->AngleText()));
}

bool CRotateTool::OnLButtonDown(unsigned, int x, int y) {
    const QPointF p = ToImage(x, y);
    m_hover = m_model->ButtonDown(p.x(), p.y(), CRotateToolModel::kGrabDistance / Zoom());
    OnSetCursor();
    return true;
}

bool CRotateTool::OnLButtonUp(unsigned, int, int) {
    m_model->ButtonUp();
    return true;
}

bool CRotateTool::OnMouseMove(unsigned, int x, int y) {
    const QPointF p = ToImage(x, y);
    if (m_model->Drag() != CRotateToolModel::DragMode::None) {
        if (m_model->MouseMove(p.x(), p.y())) {
            ShowAngle();
            m_view->viewport()->repaint();
        }
    } else {
        m_hover = m_model->HitTest(p.x(), p.y(), CRotateToolModel::kGrabDistance / Zoom());
    }
    OnSetCursor();
    return true;
}

bool CRotateTool::OnSetCursor() {
    if (m_view->SpaceHeld()) return false;
    const bool over = m_model->Drag() != CRotateToolModel::DragMode::None || m_hover != CRotateToolModel::DragMode::None;
    m_view->viewport()->setCursor(over ? Qt::SizeAllCursor : Qt::ArrowCursor);
    return true;
}

void CRotateTool::DrawOverlay(QPainter& painter) {
    const QPointF a = ToWindow(m_model->FirstEnd().x, m_model->FirstEnd().y);
    const QPointF b = ToWindow(m_model->SecondEnd().x, m_model->SecondEnd().y);
    painter.setPen(QPen(QColor(127, 127, 127), 1));
    painter.setBrush(Qt::NoBrush);
    painter.drawLine(a, b);
    for (const QPointF& end : {a, b})
        painter.drawRect(QRectF(end.x() - kEndSquare / 2, end.y() - kEndSquare / 2, kEndSquare, kEndSquare));
}

bool CRotateTool::RenderResult(const ImagePlane& destination) {
    // Only the turn: the view commits ResultSteps, which also hold the crop.
    const std::vector<geometry::ResultStep> steps = m_model->ResultSteps();
    return !steps.empty() && steps.front().render(m_view->GetDocument()->CurrentImage(), destination);
}

void CRotateTool::GetResultSize(ImagePlane& size) {
    const geometry::ImageSize result = m_model->ResultSize();
    size.width = result.width;
    size.height = result.height;
    size.channels = 3;
    size.stride = ImagePlane::StrideFor(size.width);
}

std::vector<geometry::ResultStep> CRotateTool::ResultSteps() {
    return m_model->ResultSteps();
}
