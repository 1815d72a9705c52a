#include "adjust/levelsdialog.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QSlider>
#include <QPainter>
#include <QVBoxLayout>

#include "editor/editorview.h"

namespace {

// The histogram box: 256 levels wide plus its frame.
class CLevelsHistogramBox : public QWidget {
public:
    explicit CLevelsHistogramBox(CLevelsDialog* dialog) : QWidget(dialog), m_dialog(dialog) {
        setFixedSize(258, 130);
    }

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        painter.setPen(Qt::black);
        painter.drawRect(rect().adjusted(0, 0, -1, -1));
        m_dialog->PaintHistogram(painter, rect().adjusted(1, 1, -1, -1));
    }

private:
    CLevelsDialog* m_dialog;
};

const ops::Param& LevelsParam(const char* name) {
    return *ops::FindParam(adjust::LevelsOperation(), name);
}

}  // namespace

CLevelsDialog::CLevelsDialog(CeditorView* view)
    : CAdjustDialog(view, tr("Levels"), kReset, 11),
      m_tables(std::make_shared<CLatestValue<adjust::LevelsTables>>(adjust::BuildLevelsTables({}))) {
    CeditorDoc* doc = view->GetDocument();
    std::copy(doc->GetHistogram(0).begin(), doc->GetHistogram(0).end(), m_histograms.red.begin());
    std::copy(doc->GetHistogram(1).begin(), doc->GetHistogram(1).end(), m_histograms.green.begin());
    std::copy(doc->GetHistogram(2).begin(), doc->GetHistogram(2).end(), m_histograms.blue.begin());
    m_histograms.maxCount = doc->HistogramPeak();
    m_pixels = int64_t{doc->CurrentImage().width} * doc->CurrentImage().height;

    auto* top = new QHBoxLayout;
    top->addWidget(new QLabel(tr("Channel"), this));
    m_channel = new QComboBox(this);
    m_channel->addItems({"RGB", "R", "G", "B"});
    m_channel->setToolTip(tr("Select the channel to modify."));
    top->addWidget(m_channel);
    top->addStretch(1);
    Body()->addLayout(top);
    m_box = new CLevelsHistogramBox(this);
    Body()->addWidget(m_box);

    auto* grid = new QGridLayout;
    Body()->addLayout(grid);
    m_white = AddPair(grid, 0, tr("Whitepoint"), LevelsParam("WHITE"));
    m_black = AddPair(grid, 1, tr("Blackpoint"), LevelsParam("BLACK"));
    m_gamma = AddPair(grid, 2, tr("Graypoint"), LevelsParam("GAMMA"));
    SliderOf(0)->setToolTip(tr("White point slider."));
    EditOf(0)->setToolTip(tr("White point value."));
    SliderOf(1)->setToolTip(tr("Black point slider."));
    EditOf(1)->setToolTip(tr("Black point value."));
    SliderOf(2)->setToolTip(tr("Gamma slider."));
    EditOf(2)->setToolTip(tr("Gamma value."));
    m_warning = new QCheckBox(tr("Warning"), this);
    m_warning->setToolTip(tr("Toggles overexposure warning."));
    Body()->addWidget(m_warning);
    PreviewBox()->setToolTip(tr("Toggles the preview."));
    ResetButton()->setToolTip(tr("Restores the settings to neutral."));
    OkButton()->setToolTip(tr("Applies this setting."));
    CancelButton()->setToolTip(tr("Cancels this operation."));

    connect(m_white, &CQtSliderEdit::valueChanged, this, &CLevelsDialog::OnWhite);
    connect(m_black, &CQtSliderEdit::valueChanged, this, &CLevelsDialog::OnBlack);
    connect(m_gamma, &CQtSliderEdit::valueChanged, this, &CLevelsDialog::OnGamma);
    connect(m_channel, &QComboBox::currentIndexChanged, this, &CLevelsDialog::SelectChannel);
    connect(m_warning, &QCheckBox::toggled, this, &CLevelsDialog::Changed);

    StartPreview([tables = m_tables](const ImagePlane& source, const ImagePlane& target, const PreviewRun&) {
        return adjust::ApplyLevels(source, target, tables->Load());
    });
}

void CLevelsDialog::SelectChannel(int channel) {
    if (channel < adjust::kLevelsMaster || channel > adjust::kLevelsBlue) return;
    m_selected = channel;
    if (m_channel->currentIndex() != channel) m_channel->setCurrentIndex(channel);
    m_white->SetValue(m_params.white[channel]);
    m_black->SetValue(m_params.black[channel]);
    m_gamma->SetValue(static_cast<float>(adjust::GammaSliderPosition(m_params.gamma[channel])));
    Changed();
}

void CLevelsDialog::OnBlack(float value) {
    // A black point at or above the white point is refused by putting the pair back.
    if (!adjust::TrySetLevelsBlack(m_params, m_selected, value)) m_black->SetValue(m_params.black[m_selected]);
    Changed();
}

void CLevelsDialog::OnWhite(float value) {
    if (!adjust::TrySetLevelsWhite(m_params, m_selected, value)) m_white->SetValue(m_params.white[m_selected]);
    Changed();
}

void CLevelsDialog::OnGamma(float position) {
    m_params.gamma[m_selected] = adjust::GammaFromPosition(position);
    Changed();
}

void CLevelsDialog::Changed() {
    m_tables->Store(adjust::BuildLevelsTables(m_params, m_warning->isChecked()));
    PostPreview();
    m_box->update();
}

void CLevelsDialog::OnReset() {
    m_params = adjust::LevelsParams{};
    m_white->SetValue(m_params.white[m_selected]);
    m_black->SetValue(m_params.black[m_selected]);
    m_gamma->SetValue(static_cast<float>(adjust::GammaSliderPosition(1.0f)));
    m_tables->Store(adjust::BuildLevelsTables(m_params, m_warning->isChecked()));
    m_box->update();
}

void CLevelsDialog::PaintHistogram(QPainter& painter, const QRect& rect) const {
    painter.fillRect(rect, Qt::white);
    const adjust::LevelsHistogramPicture picture =
        adjust::LevelsHistogramBars(m_params, m_selected, m_histograms, m_pixels, rect.width(), rect.height());
    if (!picture.drawn) return;
    painter.setPen(QColor(picture.penRed, picture.penGreen, picture.penBlue));
    const int bottom = rect.bottom();
    for (size_t i = 0; i < picture.barX.size(); ++i) {
        if (picture.barHeight[i] <= 0) continue;
        const int x = rect.left() + picture.barX[i];
        painter.drawLine(x, bottom, x, bottom - picture.barHeight[i] + 1);
    }
    painter.setPen(QColor(120, 120, 120));
    for (int marker : {picture.whiteMarkerX, picture.blackMarkerX})
        painter.drawLine(rect.left() + marker, rect.top(), rect.left() + marker, bottom);
}

std::optional<CeditorDoc::ChannelTables> CLevelsDialog::CommitTables() const {
    const adjust::LevelsTables tables = adjust::BuildLevelsTables(m_params, false);
    return CeditorDoc::ChannelTables{tables.red, tables.green, tables.blue};
}

CeditorDoc::Routine CLevelsDialog::CommitRoutine(IProgress*) const {
    const adjust::LevelsParams params = m_params;
    return [params](const ImagePlane& s, const ImagePlane& d) { return adjust::ApplyLevels(s, d, params); };
}
