#include "tools/croptool.h"

#include <QComboBox>
#include <QFormLayout>
#include <QLineEdit>
#include <QPainter>
#include <QPushButton>
#include <QVBoxLayout>

#include "editor/editordoc.h"
#include "editor/editorview.h"
#include "geometry/rotate.h"
#include "shell/qtprompt.h"

using geometry::CCropToolModel;

namespace {

// Side of a drawn handle square, window pixels.
constexpr double kHandleSize = 7.0;

}  // namespace

Qt::CursorShape CropCursorShape(CCropToolModel::Cursor cursor) {
    switch (cursor) {
        case CCropToolModel::Cursor::SizeNWSE: return Qt::SizeFDiagCursor;
        case CCropToolModel::Cursor::SizeNESW: return Qt::SizeBDiagCursor;
        case CCropToolModel::Cursor::SizeNS: return Qt::SizeVerCursor;
        case CCropToolModel::Cursor::SizeWE: return Qt::SizeHorCursor;
        case CCropToolModel::Cursor::SizeAll: return Qt::SizeAllCursor;
        case CCropToolModel::Cursor::Arrow: break;
    }
    return Qt::ArrowCursor;
}

CCropTool::CCropTool(CeditorView* view) : CToolBase(view) {
    const ImagePlane image = view->GetDocument()->CurrentImage();
    m_model = std::make_unique<CCropToolModel>(image.width, image.height);
}

void CCropTool::Create(QWidget*) {
    CToolPanel* panel = MakePanel(QStringLiteral("Crop parameters"));
    // The model beeps through the panel's prompt for refused numbers.
    const ImagePlane image = m_view->GetDocument()->CurrentImage();
    m_model = std::make_unique<CCropToolModel>(image.width, image.height, &Prompt());
    m_model->PlaceRectangle(VisibleImageRect());

    auto* layout = new QVBoxLayout(panel);
    auto* form = new QFormLayout;
    m_mode = new QComboBox(panel);
    m_mode->setObjectName(QStringLiteral("mode"));
    for (const char* name : CCropToolModel::kModeNames) m_mode->addItem(QString::fromUtf8(name));
    m_mode->setToolTip(QStringLiteral("Cropping mode selection (normal, fixed size or fixed aspect ratio)."));
    m_width = new QLineEdit(panel);
    m_width->setObjectName(QStringLiteral("width"));
    m_width->setToolTip(QStringLiteral("Width of the cropping rectangle or width aspect ratio."));
    m_height = new QLineEdit(panel);
    m_height->setObjectName(QStringLiteral("height"));
    m_height->setToolTip(QStringLiteral("Height of the cropping rectangle or height aspect ratio."));
    m_swap = new QPushButton(QStringLiteral("Swap"), panel);
    m_swap->setObjectName(QStringLiteral("swap"));
    m_swap->setToolTip(QStringLiteral("Swaps cropping rectangle width and height parameters."));
    form->addRow(QStringLiteral("Mode"), m_mode);
    form->addRow(QStringLiteral("Width"), m_width);
    form->addRow(QStringLiteral("Height"), m_height);
    form->addRow(QString(), m_swap);
    layout->addLayout(form);
    auto [ok, cancel] = panel->AddButtons(layout, QStringLiteral("Ok"), QStringLiteral("Cancel"));
    ok->setToolTip(QStringLiteral("Accepts the crop selection."));
    cancel->setToolTip(QStringLiteral("Cancels the cropping action."));

    QObject::connect(m_mode, qOverload<int>(&QComboBox::activated), panel, [this](int index) { ModeChosen(index); });
    // textEdited: only what the user types, never the panel's own writes.
    QObject::connect(m_width, &QLineEdit::textEdited, panel, [this] { Edited(true); });
    QObject::connect(m_height, &QLineEdit::textEdited, panel, [this] { Edited(false); });
    QObject::connect(m_swap, &QPushButton::clicked, panel, [this] {
        m_model->Swap();
        ShowParameters();
    });
    QObject::connect(ok, &QPushButton::clicked, panel, [this] { Confirm(); });
    QObject::connect(cancel, &QPushButton::clicked, panel, [this] { Cancel(); });

    m_mode->setCurrentIndex(0);
    ModeChosen(0);
    panel->ShowBesideView();
    Repaint();
}

void CCropTool::ModeChosen(int index) {
    m_model->SelectMode(static_cast<CCropToolModel::Mode>(index));
    ShowParameters();
}

void CCropTool::ShowParameters() {
    m_width->setText(QString::fromStdString(m_model->WidthText()));
    m_height->setText(QString::fromStdString(m_model->HeightText()));
    const bool enabled = m_model->EditsEnabled();
    m_width->setEnabled(enabled);
    m_height->setEnabled(enabled);
    m_swap->setEnabled(enabled);
    Repaint();
}

void CCropTool::Edited(bool width) {
    QLineEdit* edit = width ? m_width : m_height;
    const std::string text = edit->text().toStdString();
    const CCropToolModel::EditResult result = width ? m_model->WidthEdited(text) : m_model->HeightEdited(text);
    if (result == CCropToolModel::EditResult::Restored)
        edit->setText(QString::fromStdString(width ? m_model->WidthText() : m_model->HeightText()));
    Repaint();
}

QRectF CCropTool::WindowRect() const {
    const geometry::CropRect& r = m_model->Rect();
    return QRectF(ToWindow(r.left, r.top), ToWindow(r.right, r.bottom));
}

bool CCropTool::OnLButtonDown(unsigned, int x, int y) {
    const QPointF p = ToImage(x, y);
    m_hover = m_model->ButtonDown(p.x(), p.y(), CCropToolModel::kGrabDistance / Zoom());
    OnSetCursor();
    return true;
}

bool CCropTool::OnLButtonUp(unsigned, int, int) {
    m_model->ButtonUp();
    return true;
}

bool CCropTool::OnMouseMove(unsigned, int x, int y) {
    const QPointF p = ToImage(x, y);
    if (m_model->Dragging() != CCropToolModel::Zone::None) {
        if (m_model->MouseMove(p.x(), p.y())) {
            // Only the frame moved: repaint at once, as the picture follows the pointer.
            m_view->viewport()->repaint();
        }
    } else {
        m_hover = m_model->HitTest(p.x(), p.y(), CCropToolModel::kGrabDistance / Zoom());
    }
    OnSetCursor();
    return true;
}

bool CCropTool::OnSetCursor() {
    if (m_view->SpaceHeld()) return false;
    const CCropToolModel::Zone zone =
            m_model->Dragging() != CCropToolModel::Zone::None ? m_model->Dragging() : m_hover;
    m_view->viewport()->setCursor(CropCursorShape(CCropToolModel::CursorFor(zone)));
    return true;
}

void CCropTool::DrawOverlay(QPainter& painter) {
    const QRectF r = WindowRect();
    // A dark and a light dashed line, so the frame shows on any picture.
    painter.setBrush(Qt::NoBrush);
    painter.setPen(QPen(Qt::black, 1));
    painter.drawRect(r);
    QPen dashes(Qt::white, 1, Qt::DashLine);
    painter.setPen(dashes);
    painter.drawRect(r);
    const QPointF points[8] = {r.topLeft(),     QPointF(r.center().x(), r.top()),    r.topRight(),
                               QPointF(r.right(), r.center().y()), r.bottomRight(), QPointF(r.center().x(), r.bottom()),
                               r.bottomLeft(),  QPointF(r.left(), r.center().y())};
    painter.setPen(QPen(Qt::black, 1));
    painter.setBrush(Qt::white);
    for (const QPointF& p : points)
        painter.drawRect(QRectF(p.x() - kHandleSize / 2, p.y() - kHandleSize / 2, kHandleSize, kHandleSize));
}

bool CCropTool::RenderResult(const ImagePlane& destination) {
    return geometry::CropImage(m_view->GetDocument()->CurrentImage(), destination, m_model->Rect());
}

void CCropTool::GetResultSize(ImagePlane& size) {
    size.width = m_model->Rect().Width();
    size.height = m_model->Rect().Height();
    size.channels = 3;
    size.stride = ImagePlane::StrideFor(size.width);
}
