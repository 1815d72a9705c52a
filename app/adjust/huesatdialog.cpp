#include "adjust/huesatdialog.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QVBoxLayout>

#include "editor/editorview.h"

CHueSaturationDialog::CHueSaturationDialog(CeditorView* view)
    : CAdjustDialog(view, tr("Hue / Saturation"), kReset | kLoadSave, 14),
      m_shared(std::make_shared<CLatestValue<adjust::HueSaturationParams>>()) {
    auto* top = new QHBoxLayout;
    top->addWidget(new QLabel(tr("Edit"), this));
    m_range = new QComboBox(this);
    for (const adjust::HueRangeBounds& range : adjust::HueRanges()) m_range->addItem(tr(range.name));
    top->addWidget(m_range);
    top->addStretch(1);
    Body()->addLayout(top);
    auto* grid = new QGridLayout;
    Body()->addLayout(grid);
    const ops::Operation& op = adjust::HueSaturationOperation();
    m_hue = AddPair(grid, 0, tr("Hue"), *ops::FindParam(op, "HUE"));
    m_saturation = AddPair(grid, 1, tr("Saturation"), *ops::FindParam(op, "SAT"));
    m_brightness = AddPair(grid, 2, tr("Brightness"), *ops::FindParam(op, "BRIGHT"));
    m_colorize = new QCheckBox(tr("Colorize"), this);
    Body()->addWidget(m_colorize);
    // The parameters are the truncated pair values.
    connect(m_hue, &CQtSliderEdit::valueChanged, this, [this](float v) {
        m_params.hue = static_cast<int32_t>(v);
        Changed();
    });
    connect(m_saturation, &CQtSliderEdit::valueChanged, this, [this](float v) {
        m_params.saturation = static_cast<int32_t>(v);
        Changed();
    });
    connect(m_brightness, &CQtSliderEdit::valueChanged, this, [this](float v) {
        m_params.brightness = static_cast<int32_t>(v);
        Changed();
    });
    connect(m_colorize, &QCheckBox::toggled, this, [this](bool on) {
        m_params.colorize = on ? 1 : 0;
        Changed();
    });
    connect(m_range, &QComboBox::currentIndexChanged, this, [this](int index) {
        if (index < 0 || index >= adjust::kHueRangeCount) return;
        m_params.range = static_cast<adjust::HueRange>(index);
        Changed();
    });
    StartPreview([shared = m_shared](const ImagePlane& source, const ImagePlane& target, const PreviewRun&) {
        return adjust::ApplyHueSaturation(source, target, shared->Load());
    });
}

void CHueSaturationDialog::Changed() {
    m_shared->Store(m_params);
    PostPreview();
}

void CHueSaturationDialog::ShowValues() {
    m_hue->SetValue(static_cast<float>(m_params.hue));
    m_saturation->SetValue(static_cast<float>(m_params.saturation));
    m_brightness->SetValue(static_cast<float>(m_params.brightness));
    const QSignalBlocker block(m_colorize);
    m_colorize->setChecked(m_params.colorize != 0);
    m_shared->Store(m_params);
}

void CHueSaturationDialog::OnReset() {
    // Colorize and the range stay as chosen.
    m_params.ResetValues();
    ShowValues();
}

CAdjustDialog::SettingsFileKind CHueSaturationDialog::FileKind() const {
    return {tr("Hue/Saturation setting (*.huesat)"), QStringLiteral("huesat")};
}

adjust::SettingsFileStatus CHueSaturationDialog::LoadSettings(const std::string& path) {
    adjust::HueSaturationParams loaded = m_params;
    const adjust::SettingsFileStatus status = adjust::LoadHueSaturationFile(path, loaded);
    if (status != adjust::SettingsFileStatus::Ok) return status;
    // The file holds no range: the chosen one stays.
    loaded.range = m_params.range;
    m_params = loaded;
    ShowValues();
    return status;
}

adjust::SettingsFileStatus CHueSaturationDialog::SaveSettings(const std::string& path) const {
    return adjust::SaveHueSaturationFile(path, m_params);
}

CeditorDoc::Routine CHueSaturationDialog::CommitRoutine(IProgress* progress) const {
    const adjust::HueSaturationParams params = m_params;
    return [params, progress](const ImagePlane& s, const ImagePlane& d) {
        return adjust::ApplyHueSaturation(s, d, params, progress);
    };
}
