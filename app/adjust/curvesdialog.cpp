#include "adjust/curvesdialog.h"

#include <QComboBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPainter>
#include <QPushButton>
#include <QVBoxLayout>
#include <cmath>

#include "editor/editorview.h"

namespace {

constexpr int kBox = CCurveEditor::kBoxSize;
constexpr int kBar = 12;  // the grey bars beside and under the box

// The curve box with its grey bars: the box starts at (kBar, 0) inside this widget.
class CCurveBox : public QWidget {
public:
    explicit CCurveBox(CCurvesDialog* dialog) : QWidget(dialog), m_dialog(dialog) {
        setFixedSize(kBar + kBox + 2, kBox + 2 + kBar);
        setMouseTracking(true);
        setObjectName(QStringLiteral("curveBox"));
    }

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        // Left bar white at the top, bottom bar black at the left.
        for (int r = 0; r < kBox; ++r) {
            const int grey = static_cast<int>((256.0f - r) / 256.0f * 255.0f);
            painter.setPen(QColor(grey, grey, grey));
            painter.drawLine(0, r + 1, kBar - 2, r + 1);
        }
        for (int c = 0; c < kBox; ++c) {
            const int grey = static_cast<int>(c / 256.0f * 255.0f);
            painter.setPen(QColor(grey, grey, grey));
            painter.drawLine(kBar + 1 + c, kBox + 3, kBar + 1 + c, kBox + kBar);
        }
        painter.setPen(Qt::black);
        painter.drawRect(kBar, 0, kBox + 1, kBox + 1);
        painter.translate(kBar + 1, 1);
        m_dialog->PaintCurve(painter);
    }
    void mousePressEvent(QMouseEvent* event) override {
        const QPoint p = BoxPoint(event);
        bool changed = false;
        if (event->button() == Qt::LeftButton) changed = m_dialog->Editor().LeftButtonDown(p.x(), p.y());
        else if (event->button() == Qt::RightButton) changed = m_dialog->Editor().RightButtonDown(p.x(), p.y());
        if (changed) m_dialog->CurveChanged();
    }
    void mouseMoveEvent(QMouseEvent* event) override {
        const QPoint p = BoxPoint(event);
        const bool changed = m_dialog->Editor().MouseMove(p.x(), p.y(), event->buttons() & Qt::LeftButton,
                                                          event->buttons() & Qt::RightButton);
        setCursor(m_dialog->Editor().Cursor() == CurveCursor::Move ? Qt::SizeAllCursor : Qt::CrossCursor);
        if (changed) m_dialog->CurveChanged();
    }
    void mouseReleaseEvent(QMouseEvent* event) override {
        if (event->button() == Qt::LeftButton) m_dialog->Editor().LeftButtonUp();
    }

private:
    static QPoint BoxPoint(QMouseEvent* event) {
        const QPoint p = event->position().toPoint();
        return {p.x() - kBar - 1, p.y() - 1};
    }
    CCurvesDialog* m_dialog;
};

}  // namespace

CCurvesDialog::CCurvesDialog(CeditorView* view)
    : CAdjustDialog(view, tr("Curves"), kReset | kLoadSave, 12),
      m_tables(std::make_shared<CLatestValue<CurvesTables>>(m_curves.Tables())) {
    auto* top = new QHBoxLayout;
    top->addWidget(new QLabel(tr("Channel"), this));
    m_channel = new QComboBox(this);
    m_channel->addItems({"RGB", "R", "G", "B"});
    m_channel->setToolTip(tr("Select channel to modify."));
    top->addWidget(m_channel);
    top->addStretch(1);
    Body()->addLayout(top);
    m_box = new CCurveBox(this);
    Body()->addWidget(m_box);
    // The input and output fields are shown but never filled.
    auto* fields = new QHBoxLayout;
    for (const char* label : {"Input", "Output"}) {
        fields->addWidget(new QLabel(tr(label), this));
        auto* edit = new QLineEdit(this);
        edit->setEnabled(false);
        edit->setMaximumWidth(50);
        fields->addWidget(edit);
    }
    fields->addStretch(1);
    Body()->addLayout(fields);
    PreviewBox()->setToolTip(tr("Enables/disables preview."));
    ResetButton()->setToolTip(tr("Resets the parameters to the neutral setting."));
    for (QPushButton* button : findChildren<QPushButton*>())
        if (button->text() == tr("Save")) button->setToolTip(tr("Saves the current settings to the file."));
    connect(m_channel, &QComboBox::currentIndexChanged, this, &CCurvesDialog::SelectChannel);
    StartPreview([tables = m_tables](const ImagePlane& source, const ImagePlane& target, const PreviewRun&) {
        return adjust::ApplyCurves(source, target, tables->Load());
    });
}

void CCurvesDialog::SelectChannel(int channel) {
    if (channel < 0 || channel >= CCurves::kChannels) return;
    if (m_channel->currentIndex() != channel) m_channel->setCurrentIndex(channel);
    m_curves.SelectChannel(channel);
    m_curves.PrepareSpline();
    m_editor.ClearSelection();
    m_box->update();
}

void CCurvesDialog::CurveChanged() {
    m_tables->Store(m_curves.Tables());
    PostPreview();
    m_box->update();
}

void CCurvesDialog::OnReset() {
    m_curves.ResetCurves();
    m_curves.SelectChannel(0);
    m_curves.BuildTables();
    m_channel->setCurrentIndex(0);
    m_editor.ClearSelection();
    m_tables->Store(m_curves.Tables());
    m_box->update();
}

void CCurvesDialog::PaintCurve(QPainter& painter) const {
    painter.fillRect(0, 0, kBox, kBox, Qt::white);
    QPen grid(QColor(128, 128, 128));
    grid.setStyle(Qt::DotLine);
    painter.setPen(grid);
    for (int at = 32; at < kBox; at += 32) {
        painter.drawLine(at, 0, at, kBox - 1);
        painter.drawLine(0, at, kBox - 1, at);
    }
    painter.setPen(QColor(20, 20, 20));
    for (int x = 0; x < kBox; ++x)
        painter.drawPoint(x, 255 - static_cast<int>(m_curves.EvaluateCurve(static_cast<float>(x)) + 0.5f));
    const std::span<const CCurves::Point> points = m_curves.Points(m_curves.SelectedChannel());
    painter.setPen(Qt::black);
    painter.setBrush(Qt::white);
    for (size_t i = 0; i < points.size(); ++i) {
        const QRect figure(static_cast<int>(points[i].x) - 4, 255 - static_cast<int>(points[i].y) - 4, 8, 8);
        if (i == 0 || i + 1 == points.size()) painter.drawRect(figure);
        else painter.drawEllipse(figure);
    }
}

CAdjustDialog::SettingsFileKind CCurvesDialog::FileKind() const {
    return {tr("Curves setting (*.curves)"), QStringLiteral("curves")};
}

adjust::SettingsFileStatus CCurvesDialog::LoadSettings(const std::string& path) {
    const adjust::SettingsFileStatus status = m_curves.LoadFile(path);
    if (status != adjust::SettingsFileStatus::Ok) return status;
    m_curves.PrepareSpline();
    m_editor.ClearSelection();
    m_editor.IgnoreNextMove();
    m_tables->Store(m_curves.Tables());
    m_box->update();
    return status;
}

adjust::SettingsFileStatus CCurvesDialog::SaveSettings(const std::string& path) const {
    return m_curves.SaveFile(path);
}

std::optional<CeditorDoc::ChannelTables> CCurvesDialog::CommitTables() const {
    const adjust::PixelTables tables = adjust::ComposeCurvesTables(m_curves.Tables());
    return CeditorDoc::ChannelTables{tables.red, tables.green, tables.blue};
}

CeditorDoc::Routine CCurvesDialog::CommitRoutine(IProgress*) const {
    const CurvesTables tables = m_curves.Tables();
    return [tables](const ImagePlane& s, const ImagePlane& d) { return adjust::ApplyCurves(s, d, tables); };
}
