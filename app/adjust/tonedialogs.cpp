#include "adjust/tonedialogs.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QRadioButton>
#include <QVBoxLayout>

#include "editor/editorview.h"

// ---------------------------------------------------------------- brightness

CBrightnessDialog::CBrightnessDialog(CeditorView* view) : CAdjustDialog(view, tr("Brightness"), kNoButtons, 15) {
    auto* grid = new QGridLayout;
    Body()->addLayout(grid);
    m_pair = AddPair(grid, 0, tr("Brightness"), adjust::BrightnessOperation().params[0]);
    m_shared->Store(m_pair->Value());
    connect(m_pair, &CQtSliderEdit::valueChanged, this, [this](float value) {
        m_shared->Store(value);
        PostPreview();
    });
    // The curve engine belongs to the worker: only the job touches it.
    auto engine = std::make_shared<CBrightness>();
    StartPreview([shared = m_shared, engine](const ImagePlane& source, const ImagePlane& target, const PreviewRun&) {
        return engine->Apply(source, target, shared->Load());
    });
}

CeditorDoc::Routine CBrightnessDialog::CommitRoutine(IProgress*) const {
    const adjust::BrightnessParams params = Params();
    return [params](const ImagePlane& s, const ImagePlane& d) { return adjust::ApplyBrightness(s, d, params); };
}

std::optional<CeditorDoc::ChannelTables> CBrightnessDialog::CommitTables() const {
    CBrightness curve;
    const adjust::ByteTable& table = curve.BuildTable(Params().brightness);
    return CeditorDoc::ChannelTables{table, table, table};
}

void CBrightnessDialog::OnReset() {
    m_pair->SetValue(adjust::BrightnessParams{}.brightness);
    m_shared->Store(m_pair->Value());
}

// ---------------------------------------------------------------- boost

CBoostDialog::CBoostDialog(CeditorView* view)
    : CAdjustDialog(view, tr("Boost"), kNoButtons, 17),
      m_shared(std::make_shared<CLatestValue<float>>(adjust::BoostParams{}.amount)) {
    auto* grid = new QGridLayout;
    Body()->addLayout(grid);
    m_pair = AddPair(grid, 0, tr("Amount:"), adjust::BoostOperation().params[0]);
    m_shared->Store(m_pair->Value());
    connect(m_pair, &CQtSliderEdit::valueChanged, this, [this](float value) {
        m_shared->Store(value);
        PostPreview();
    });
    auto engine = std::make_shared<CBoost>();
    StartPreview([shared = m_shared, engine](const ImagePlane& source, const ImagePlane& target, const PreviewRun&) {
        return engine->Apply(source, target, shared->Load());
    });
}

CeditorDoc::Routine CBoostDialog::CommitRoutine(IProgress*) const {
    const adjust::BoostParams params = Params();
    return [params](const ImagePlane& s, const ImagePlane& d) { return adjust::ApplyBoost(s, d, params); };
}

std::optional<CeditorDoc::ChannelTables> CBoostDialog::CommitTables() const {
    CBoost curve;
    const adjust::ByteTable& table = curve.BuildTable(Params().amount);
    return CeditorDoc::ChannelTables{table, table, table};
}

void CBoostDialog::OnReset() {
    m_pair->SetValue(adjust::BoostParams{}.amount);
    m_shared->Store(m_pair->Value());
}

// ---------------------------------------------------------------- black and white

CBlackWhiteDialog::CBlackWhiteDialog(CeditorView* view)
    : CAdjustDialog(view, tr("Black and White / Sepia"), kNoButtons, 16) {
    // No worker and no Preview box: each choice is computed at once.
    PreviewBox()->hide();
    const char* names[] = {"Black and White", "Sepia Antique", "Sepia Spring", "Sepia Spring Vivid"};
    for (int i = 0; i < 4; ++i) {
        m_buttons[i] = new QRadioButton(tr(names[i]), this);
        Body()->addWidget(m_buttons[i]);
        const auto mode = static_cast<adjust::BlackWhiteMode>(i + 1);
        connect(m_buttons[i], &QRadioButton::clicked, this, [this, mode] { SelectMode(mode); });
    }
    Body()->addStretch(1);
    SelectMode(adjust::BlackWhiteMode::BlackAndWhite);
}

QRadioButton* CBlackWhiteDialog::ModeButton(adjust::BlackWhiteMode mode) const {
    const int index = static_cast<int>(mode) - 1;
    return index >= 0 && index < 4 ? m_buttons[index] : nullptr;
}

void CBlackWhiteDialog::SelectMode(adjust::BlackWhiteMode mode) {
    if (!adjust::IsBlackWhiteMode(static_cast<int32_t>(mode))) return;
    m_mode = mode;
    if (QRadioButton* button = ModeButton(mode)) button->setChecked(true);
    if (adjust::ApplyBlackWhite(View()->DisplayCopy(), View()->PreviewCopy(), {m_mode}))
        ShowPreviewCounts(View(), CountPreview(View()->PreviewCopy()));
    View()->viewport()->update();
}

CeditorDoc::Routine CBlackWhiteDialog::CommitRoutine(IProgress*) const {
    const adjust::BlackWhiteParams params = Params();
    return [params](const ImagePlane& s, const ImagePlane& d) { return adjust::ApplyBlackWhite(s, d, params); };
}
