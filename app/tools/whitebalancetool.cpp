#include "tools/whitebalancetool.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPainter>
#include <QPushButton>
#include <QRadioButton>
#include <QSlider>
#include <QVBoxLayout>
#include <cmath>
#include <vector>

#include "adjust/framework/slideredit.h"
#include "adjust/previewbridge.h"
#include "editor/editordoc.h"
#include "editor/editorview.h"
#include "shell/slidereditpair.h"

using adjust::DropperSize;

namespace {

// The help page of the white balance tool.
constexpr int kWhiteBalanceHelp = 21;

}  // namespace

// ---------------------------------------------------------------- CColorWheel

CColorWheel::CColorWheel(QWidget* parent) : QWidget(parent) {
    setFixedSize(adjust::kWheelSize, adjust::kWheelSize);
    setCursor(Qt::CrossCursor);
}

void CColorWheel::SetChoice(float hue, float saturation) {
    m_hue = hue;
    m_saturation = saturation;
    update();
}

void CColorWheel::paintEvent(QPaintEvent*) {
    std::vector<uint8_t> pixels(ImagePlane::BytesFor(adjust::kWheelSize, adjust::kWheelSize));
    const ImagePlane plane = ImagePlane::Make(pixels.data(), adjust::kWheelSize, adjust::kWheelSize);
    const QColor face = palette().color(QPalette::Window);
    if (!adjust::DrawColorWheel(plane, static_cast<uint8_t>(face.red()), static_cast<uint8_t>(face.green()),
                                static_cast<uint8_t>(face.blue()), m_hue, m_saturation))
        return;
    const QImage image(plane.data, plane.width, plane.height, plane.stride, QImage::Format_BGR888);
    QPainter painter(this);
    painter.drawImage(0, 0, image);
}

void CColorWheel::mousePressEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton) Choose(event->position().toPoint());
}

void CColorWheel::mouseMoveEvent(QMouseEvent* event) {
    if (event->buttons() & Qt::LeftButton) Choose(event->position().toPoint());
}

void CColorWheel::Choose(const QPoint& at) {
    const std::optional<adjust::WheelPoint> point = adjust::WheelPointAt(at.x(), at.y());
    if (!point) return;
    SetChoice(point->hue, point->saturation);
    emit chosen(point->hue, point->saturation);
}

// ---------------------------------------------------------------- CWhiteBalance

CWhiteBalance::CWhiteBalance(CeditorView* view)
    : CToolBase(view), m_factors(std::make_shared<CLatestValue<adjust::WhiteBalanceFactors>>()) {
    m_factors->Store(m_model.Factors());
}

CWhiteBalance::~CWhiteBalance() {
    CWhiteBalance::Close();
}

void CWhiteBalance::Create(QWidget*) {
    CToolPanel* panel = MakePanel(QStringLiteral("White balance"));
    auto* layout = new QVBoxLayout(panel);
    auto* grid = new QGridLayout;
    const std::span<const ops::Param> params = adjust::WhiteBalanceWheelParams();

    auto* hueSlider = new QSlider(Qt::Horizontal, panel);
    auto* hueEdit = new QLineEdit(panel);
    hueEdit->setObjectName(QStringLiteral("hue"));
    hueEdit->setMaximumWidth(48);
    auto* satSlider = new QSlider(Qt::Vertical, panel);
    // A pair's slider has its minimum position at the top, as the pair expects.
    satSlider->setInvertedAppearance(true);
    satSlider->setInvertedControls(true);
    auto* satEdit = new QLineEdit(panel);
    satEdit->setObjectName(QStringLiteral("saturation"));
    satEdit->setMaximumWidth(48);
    m_wheel = new CColorWheel(panel);
    grid->addWidget(m_wheel, 0, 0);
    grid->addWidget(satSlider, 0, 1);
    grid->addWidget(new QLabel(QStringLiteral("Saturation"), panel), 1, 1);
    grid->addWidget(satEdit, 2, 1);
    grid->addWidget(hueSlider, 1, 0);
    auto* hueRow = new QHBoxLayout;
    hueRow->addWidget(new QLabel(QStringLiteral("Hue"), panel));
    hueRow->addWidget(hueEdit);
    hueRow->addStretch();
    grid->addLayout(hueRow, 2, 0);
    layout->addLayout(grid);

    auto* dropper = new QGroupBox(QStringLiteral("Dropper size"), panel);
    auto* dropperRow = new QHBoxLayout(dropper);
    m_one = new QRadioButton(QStringLiteral("1 x 1"), dropper);
    m_three = new QRadioButton(QStringLiteral("3 x 3"), dropper);
    dropperRow->addWidget(m_one);
    dropperRow->addWidget(m_three);
    layout->addWidget(dropper);
    m_preview = new QCheckBox(QStringLiteral("Preview"), panel);
    layout->addWidget(m_preview);
    auto [ok, cancel] = panel->AddButtons(layout, QStringLiteral("Ok"), QStringLiteral("Cancel"), kWhiteBalanceHelp);

    m_hue = new CQtSliderEdit(hueSlider, hueEdit, panel);
    m_saturation = new CQtSliderEdit(satSlider, satEdit, panel);
    InitSliderEdit(m_hue->Pair(), m_hue, params[0]);
    InitSliderEdit(m_saturation->Pair(), m_saturation, params[1]);
    for (CQtSliderEdit* pair : {m_hue, m_saturation})
        QObject::connect(pair, &CQtSliderEdit::valueChanged, panel,
                         [this] { FromWheel(m_hue->Value(), m_saturation->Value()); });
    QObject::connect(m_wheel, &CColorWheel::chosen, panel, [this](float hue, float saturation) {
        m_hue->SetValue(hue);
        m_saturation->SetValue(saturation);
        FromWheel(hue, saturation);
    });
    QObject::connect(m_one, &QRadioButton::toggled, panel, [this](bool on) {
        if (on) m_model.SetDropper(DropperSize::OneByOne);
    });
    QObject::connect(m_three, &QRadioButton::toggled, panel, [this](bool on) {
        if (on) m_model.SetDropper(DropperSize::ThreeByThree);
    });
    QObject::connect(m_preview, &QCheckBox::toggled, panel, [this](bool on) {
        m_view->SetDisplayMode(on ? CeditorView::kDrawPreviewCopy : CeditorView::kDrawDisplayCopy);
    });
    QObject::connect(ok, &QPushButton::clicked, panel, [this] {
        // The whole picture is worked next: the preview would only slow it down.
        m_bridge.reset();
        Confirm();
    });
    QObject::connect(cancel, &QPushButton::clicked, panel, [this] { Cancel(); });

    m_three->setChecked(true);
    m_preview->setChecked(true);
    FromWheel(m_hue->Value(), m_saturation->Value());
    MakeBridge();
    panel->ShowBesideView();
}

void CWhiteBalance::Close() {
    // The worker reads the view's copies: it stops before the view lets them go.
    m_bridge.reset();
    CToolBase::Close();
}

void CWhiteBalance::SetDropper(DropperSize size) {
    if (m_one) (size == DropperSize::OneByOne ? m_one : m_three)->setChecked(true);
    m_model.SetDropper(size);
}

void CWhiteBalance::FromWheel(float hue, float saturation) {
    m_model.SetFromWheel(hue, saturation);
    ShowModel();
}

void CWhiteBalance::ShowModel() {
    m_factors->Store(m_model.Factors());
    if (m_wheel) m_wheel->SetChoice(m_model.Hue(), m_model.Saturation());
    if (m_bridge) m_bridge->Post();
}

void CWhiteBalance::MakeBridge() {
    m_bridge.reset();
    const std::shared_ptr<CLatestValue<adjust::WhiteBalanceFactors>> factors = m_factors;
    m_bridge = std::make_unique<CPreviewBridge>(
        m_view, [factors](const ImagePlane& source, const ImagePlane& target, const PreviewRun&) {
            return adjust::ApplyWhiteBalance(source, target, factors->Load());
        });
    m_bridge->Post();
}

bool CWhiteBalance::OnLButtonDown(unsigned, int x, int y) {
    const QPointF p = ToImage(x, y);
    const ImagePlane image = m_view->GetDocument()->CurrentImage();
    if (!m_model.Pick(image, static_cast<int32_t>(std::floor(p.x())), static_cast<int32_t>(std::floor(p.y()))))
        return true;
    // The pairs show the pick; the factors come from the picked colour, not the wheel.
    if (m_hue) m_hue->SetValue(m_model.Hue());
    if (m_saturation) m_saturation->SetValue(m_model.Saturation());
    ShowModel();
    return true;
}

bool CWhiteBalance::OnMouseMove(unsigned, int, int) {
    OnSetCursor();
    return true;
}

bool CWhiteBalance::OnSetCursor() {
    if (m_view->SpaceHeld()) return false;
    m_view->viewport()->setCursor(Qt::CrossCursor);
    return true;
}

void CWhiteBalance::OnViewChanging() {
    m_bridge.reset();
}

void CWhiteBalance::OnViewChanged() {
    if (!m_closing) MakeBridge();
}

bool CWhiteBalance::RenderResult(const ImagePlane& destination) {
    return adjust::ApplyWhiteBalance(m_view->GetDocument()->CurrentImage(), destination, m_model.Factors());
}

void CWhiteBalance::GetResultSize(ImagePlane& size) {
    const ImagePlane image = m_view->GetDocument()->CurrentImage();
    size.width = image.width;
    size.height = image.height;
    size.channels = 3;
    size.stride = ImagePlane::StrideFor(size.width);
}
