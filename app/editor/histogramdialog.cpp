#include "editor/histogramdialog.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QPainter>
#include <QPushButton>
#include <QSignalBlocker>
#include <QSlider>
#include <QVBoxLayout>
#include <algorithm>
#include <array>

#include "editor/editordoc.h"
#include "editor/editorview.h"
#include "editor/viewlayout.h"
#include "shell/helpwindow.h"
#include "shell/mainframe.h"

namespace {

constexpr int kSliderMinimum = 150;
constexpr int kSliderMaximum = 1000;

// The box the curves are drawn in: it asks the dialog to paint.
class CHistogramBox : public QWidget {
public:
    CHistogramBox(CHistogramDialog* dialog, QWidget* parent) : QWidget(parent), m_dialog(dialog) {
        setMinimumSize(258, 130);
        setObjectName("histogramBox");
    }

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        m_dialog->PaintCurves(painter, rect());
    }

private:
    CHistogramDialog* m_dialog;
};

}  // namespace

uint32_t HistogramCap(uint32_t maxCount, int32_t imageWidth, int32_t imageHeight) {
    if (imageWidth <= 0 || imageHeight <= 0) return 0;
    const uint64_t onePercent = static_cast<uint64_t>(imageWidth) * static_cast<uint64_t>(imageHeight) / 100;
    return static_cast<uint32_t>(std::min<uint64_t>(maxCount, onePercent));
}

QPolygon HistogramCurve(const float* levels, const QRect& box, uint32_t cap) {
    QPolygon points;
    if (cap == 0 || box.width() <= 0 || box.height() <= 0) return points;
    const int height = box.height();
    const double xScale = box.width() / 256.0;
    const double yScale = 2.0 * height / cap;
    const int bottom = box.y() + height;  // one past the last row, as a window rectangle has it
    points.reserve(256);
    for (int i = 0; i < 256; ++i) {
        const double scaled = std::min<double>(levels[i] * yScale, height);
        points << QPoint(box.x() + static_cast<int>(i * xScale), bottom - static_cast<int>(scaled));
    }
    return points;
}

CHistogramDialog::CHistogramDialog(CMainFrame* frame) : QDialog(frame, Qt::Tool), m_frame(frame) {
    setWindowTitle(QStringLiteral("Histogram"));
    setObjectName("histogramWindow");
    auto* layout = new QVBoxLayout(this);
    m_box = new CHistogramBox(this, this);
    layout->addWidget(m_box, 1);

    auto* checks = new QHBoxLayout;
    const char* names[4] = {"R", "G", "B", "RGB"};
    for (int i = 0; i < 4; ++i) {
        m_checks[i] = new QCheckBox(QString::fromLatin1(names[i]), this);
        connect(m_checks[i], &QCheckBox::toggled, m_box, qOverload<>(&QWidget::update));
        checks->addWidget(m_checks[i]);
    }
    m_checks[kAverage]->setChecked(true);
    checks->addStretch(1);
    layout->addLayout(checks);

    auto* zoom = new QHBoxLayout;
    zoom->addWidget(new QLabel(QStringLiteral("Zoom:"), this));
    m_slider = new QSlider(Qt::Horizontal, this);
    m_slider->setRange(kSliderMinimum, kSliderMaximum);
    zoom->addWidget(m_slider, 1);
    m_zoomText = new QLabel(this);
    m_zoomText->setMinimumWidth(m_zoomText->fontMetrics().horizontalAdvance(QStringLiteral("1600.00 %")));
    zoom->addWidget(m_zoomText);
    m_plus = new QPushButton(QStringLiteral("+"), this);
    m_minus = new QPushButton(QStringLiteral("-"), this);
    auto* helpButton = new QPushButton(QStringLiteral("?"), this);
    for (QPushButton* button : {m_plus, m_minus, helpButton}) {
        button->setAutoDefault(false);
        button->setFixedWidth(button->fontMetrics().horizontalAdvance(QStringLiteral("MM")) + 8);
        zoom->addWidget(button);
    }
    layout->addLayout(zoom);

    connect(m_slider, &QSlider::valueChanged, this, &CHistogramDialog::OnSliderChanged);
    connect(m_slider, &QSlider::sliderReleased, this, &CHistogramDialog::OnSliderReleased);
    connect(m_plus, &QPushButton::clicked, this, &CHistogramDialog::OnPlus);
    connect(m_minus, &QPushButton::clicked, this, &CHistogramDialog::OnMinus);
    connect(helpButton, &QPushButton::clicked, this, [this] { m_frame->ShowHelp(help::kHistogram); });

    // Keys typed here reach the editor: space pans, the rest are the menu's shortcuts.
    for (QWidget* child : findChildren<QWidget*>()) child->installEventFilter(this);
    installEventFilter(this);
    Refresh();
}

void CHistogramDialog::Refresh() {
    CeditorView* view = m_frame->ActiveEditorView();
    const double zoom = view ? view->Zoom() : 0.0;
    {
        m_syncing = true;
        const QSignalBlocker block(m_slider);
        m_slider->setValue(viewlayout::ZoomToSlider(zoom));
        m_syncing = false;
    }
    m_zoomText->setText(view ? QString::fromStdString(viewlayout::ZoomText(zoom)) : QString());
    m_box->update();
}

void CHistogramDialog::PaintCurves(QPainter& painter, const QRect& frame) {
    painter.fillRect(frame, QColor(255, 255, 255));
    painter.setPen(QColor(128, 128, 128));
    painter.drawRect(frame.adjusted(0, 0, -1, -1));
    CeditorView* view = m_frame->ActiveEditorView();
    if (!view) return;
    const CeditorDoc* document = view->GetDocument();
    const ImagePlane image = document->CurrentImage();
    const uint32_t cap = m_preview ? HistogramCap(m_preview->peak, m_preview->width, m_preview->height)
                                   : HistogramCap(document->HistogramPeak(), image.width, image.height);
    if (cap == 0) return;  // an empty picture: nothing to scale the curves by
    const QRect box = frame.adjusted(1, 1, -1, -1);

    std::array<std::array<float, 256>, 4> levels{};
    for (int i = 0; i < 256; ++i) {
        const float red = static_cast<float>(m_preview ? m_preview->rgb[0][i] : document->GetHistogram(0)[i]);
        const float green = static_cast<float>(m_preview ? m_preview->rgb[1][i] : document->GetHistogram(1)[i]);
        const float blue = static_cast<float>(m_preview ? m_preview->rgb[2][i] : document->GetHistogram(2)[i]);
        levels[kRed][i] = red;
        levels[kGreen][i] = green;
        levels[kBlue][i] = blue;
        levels[kAverage][i] = (red + green + blue) / 3.0f;
    }
    const QColor colours[4] = {QColor(255, 0, 0), QColor(0, 255, 0), QColor(0, 0, 255), QColor(80, 80, 80)};
    painter.setRenderHint(QPainter::Antialiasing, false);
    for (int curve = kRed; curve <= kAverage; ++curve) {
        if (!m_checks[curve]->isChecked()) continue;
        painter.setPen(QPen(colours[curve], 0));
        painter.drawPolyline(HistogramCurve(levels[curve].data(), box, cap));
    }
}

void CHistogramDialog::SetPreviewCounts(std::optional<PreviewCounts> counts) {
    m_preview = std::move(counts);
    m_box->update();
}

void CHistogramDialog::OnSliderChanged(int position) {
    CeditorView* view = m_frame->ActiveEditorView();
    if (m_syncing || !view || !view->GetDocument()->CurrentImage().IsValid()) return;
    const double zoom = viewlayout::SliderToZoom(position);
    view->SetZoom(zoom, true);
    m_zoomText->setText(QString::fromStdString(viewlayout::ZoomText(zoom)));
    view->viewport()->repaint();
    // A click or a key moves the slider in one go: that is the end of the move as well.
    if (!m_slider->isSliderDown()) OnSliderReleased();
}

void CHistogramDialog::OnSliderReleased() {
    CeditorView* view = m_frame->ActiveEditorView();
    if (!view) return;
    view->SetFastDrawing(false);
    view->RefreshToolPreview();
}

void CHistogramDialog::OnPlus() {
    Step(true);
}

void CHistogramDialog::OnMinus() {
    Step(false);
}

void CHistogramDialog::Step(bool in) {
    if (CeditorView* view = m_frame->ActiveEditorView()) view->ZoomStep(in);
    Refresh();
}

bool CHistogramDialog::eventFilter(QObject* watched, QEvent* event) {
    const QEvent::Type type = event->type();
    if (type == QEvent::KeyPress || type == QEvent::KeyRelease || type == QEvent::ShortcutOverride) {
        auto* key = static_cast<QKeyEvent*>(event);
        if (key->key() == Qt::Key_Space) {
            // The check boxes and buttons would take space as a click; it belongs to the view.
            if (type != QEvent::ShortcutOverride && !key->isAutoRepeat())
                if (CeditorView* view = m_frame->ActiveEditorView()) view->HandleSpaceKey(type == QEvent::KeyPress);
            event->accept();
            return true;
        }
        if (type == QEvent::KeyPress && m_frame->TranslateAccelerator(key)) return true;
    }
    return QDialog::eventFilter(watched, event);
}
