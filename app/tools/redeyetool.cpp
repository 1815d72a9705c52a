#include "tools/redeyetool.h"

#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSlider>
#include <QVBoxLayout>
#include <cmath>
#include <cstring>

#include "editor/editordoc.h"
#include "editor/editorview.h"
#include "shell/qtprompt.h"
#include "shell/slidereditpair.h"

namespace {

// A labelled slider and edit pair on one row of `grid`.
CQtSliderEdit* AddPair(QWidget* parent, QGridLayout* grid, int row, const QString& label, const QString& name,
                       const SliderRange& range) {
    auto* slider = new QSlider(Qt::Horizontal, parent);
    auto* edit = new QLineEdit(parent);
    slider->setObjectName(name + QStringLiteral("Slider"));
    edit->setObjectName(name);
    edit->setMaximumWidth(48);
    grid->addWidget(new QLabel(label, parent), row, 0);
    grid->addWidget(slider, row, 1);
    grid->addWidget(edit, row, 2);
    auto* pair = new CQtSliderEdit(slider, edit, parent);
    pair->Init(range);
    return pair;
}

}  // namespace

CRedEyeTool::CRedEyeTool(CeditorView* view) : CToolBase(view) {}

CRedEyeTool::~CRedEyeTool() {
    CRedEyeTool::Close();
}

void CRedEyeTool::Create(QWidget*) {
    CToolPanel* panel = MakePanel(QStringLiteral("Red eye removal"));
    m_started = m_engine.Begin(m_view->GetDocument()->CurrentImage());
    if (m_started) {
        m_working = m_engine.Working();
        m_view->SetPreviewImage(&m_working);
    } else {
        Prompt().Message("There is not enough memory for the red eye removal.", "Red eye removal");
    }

    auto* layout = new QVBoxLayout(panel);
    m_automatic = new QRadioButton(QStringLiteral("Automatic"), panel);
    m_automatic->setObjectName(QStringLiteral("automatic"));
    m_manual = new QRadioButton(QStringLiteral("Manual"), panel);
    m_manual->setObjectName(QStringLiteral("manual"));
    m_autoControls = new QWidget(panel);
    auto* autoGrid = new QGridLayout(m_autoControls);
    autoGrid->setContentsMargins(16, 0, 0, 0);
    m_autoBrightness = AddPair(m_autoControls, autoGrid, 0, QStringLiteral("Pupil brightness"),
                               QStringLiteral("autoBrightness"), detail::kRedEyeAutoBrightnessRange);
    m_manualControls = new QWidget(panel);
    auto* manualGrid = new QGridLayout(m_manualControls);
    manualGrid->setContentsMargins(16, 0, 0, 0);
    m_diameter = AddPair(m_manualControls, manualGrid, 0, QStringLiteral("Pupil diameter"), QStringLiteral("diameter"),
                         detail::kRedEyeDiameterRange);
    m_manualBrightness = AddPair(m_manualControls, manualGrid, 1, QStringLiteral("Pupil brightness"),
                                 QStringLiteral("manualBrightness"), detail::kRedEyeManualBrightnessRange);
    layout->addWidget(m_automatic);
    layout->addWidget(m_autoControls);
    layout->addWidget(m_manual);
    layout->addWidget(m_manualControls);
    auto [ok, cancel] = panel->AddButtons(layout, QStringLiteral("Ok"), QStringLiteral("Cancel"));

    for (CQtSliderEdit* pair : {m_autoBrightness, m_diameter, m_manualBrightness})
        QObject::connect(pair, &CQtSliderEdit::valueChanged, panel, [this] { ParamsChanged(); });
    QObject::connect(m_automatic, &QRadioButton::toggled, panel, [this](bool on) { SetAutomatic(on); });
    QObject::connect(ok, &QPushButton::clicked, panel, [this] { Confirm(); });
    QObject::connect(cancel, &QPushButton::clicked, panel, [this] { Cancel(); });

    m_automatic->setChecked(true);
    SetAutomatic(true);
    panel->ShowBesideView();
    Repaint();
}

void CRedEyeTool::Close() {
    if (!m_closing && m_started) m_view->SetPreviewImage(nullptr);
    CToolBase::Close();
}

void CRedEyeTool::SetAutomatic(bool automatic) {
    if (m_automatic && m_automatic->isChecked() != automatic) {
        (automatic ? m_automatic : m_manual)->setChecked(true);  // comes back here through toggled
        return;
    }
    if (m_autoControls) m_autoControls->setEnabled(automatic);
    if (m_manualControls) m_manualControls->setEnabled(!automatic);
    ParamsChanged();
}

void CRedEyeTool::ParamsChanged() {
    detail::RedEyeParams params;
    params.automatic = !m_automatic || m_automatic->isChecked();
    if (m_autoBrightness) params.autoBrightness = m_autoBrightness->Value();
    if (m_diameter) params.diameter = m_diameter->Value();
    if (m_manualBrightness) params.manualBrightness = m_manualBrightness->Value();
    m_engine.SetParams(params);
}

void CRedEyeTool::Changed(bool changed) {
    if (!changed) return;
    m_view->viewport()->repaint();
    // Undo and Redo follow the tool's history.
    emit m_view->stateChanged();
}

bool CRedEyeTool::OnLButtonDown(unsigned, int x, int y) {
    if (!m_started) return true;
    const QPointF p = ToImage(x, y);
    Changed(m_engine.OnButtonDown(static_cast<int32_t>(std::floor(p.x())), static_cast<int32_t>(std::floor(p.y()))));
    return true;
}

bool CRedEyeTool::OnMouseMove(unsigned, int x, int y) {
    if (m_started && m_engine.StrokeActive()) {
        const QPointF p = ToImage(x, y);
        Changed(m_engine.OnMouseMove(static_cast<int32_t>(std::floor(p.x())), static_cast<int32_t>(std::floor(p.y()))));
    }
    OnSetCursor();
    return true;
}

bool CRedEyeTool::OnLButtonUp(unsigned, int, int) {
    if (m_started && m_engine.StrokeActive()) Changed(m_engine.OnButtonUp());
    return true;
}

bool CRedEyeTool::OnSetCursor() {
    if (m_view->SpaceHeld()) return false;
    m_view->viewport()->setCursor(m_engine.Params().automatic ? Qt::CrossCursor : Qt::PointingHandCursor);
    return true;
}

void CRedEyeTool::Undo() {
    Changed(m_engine.Undo());
}

void CRedEyeTool::Redo() {
    Changed(m_engine.Redo());
}

bool CRedEyeTool::RenderResult(const ImagePlane& destination) {
    const ImagePlane working = m_engine.Working();
    if (!m_started || !working.IsValid() || destination.width != working.width || destination.height != working.height)
        return false;
    for (int32_t y = 0; y < working.height; ++y)
        std::memcpy(destination.Row(y), working.Row(y), static_cast<size_t>(working.width) * 3);
    return true;
}

void CRedEyeTool::GetResultSize(ImagePlane& size) {
    const ImagePlane image = m_view->GetDocument()->CurrentImage();
    size.width = image.width;
    size.height = image.height;
    size.channels = 3;
    size.stride = ImagePlane::StrideFor(size.width);
}
