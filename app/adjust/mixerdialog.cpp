#include "adjust/mixerdialog.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QSlider>
#include <QVBoxLayout>

#include "editor/editorview.h"

CChannelMixerDialog::CChannelMixerDialog(CeditorView* view)
    : CAdjustDialog(view, tr("Channel mixer"), kReset | kLoadSave, 13),
      m_shared(std::make_shared<CLatestValue<adjust::ChannelMixerParams>>(m_model.Params())) {
    auto* top = new QHBoxLayout;
    top->addWidget(new QLabel(tr("Output channel"), this));
    m_output = new QComboBox(this);
    m_output->setToolTip(tr("Specifies the output channel."));
    top->addWidget(m_output);
    top->addStretch(1);
    Body()->addLayout(top);
    auto* group = new QGroupBox(tr("Input channel"), this);
    auto* grid = new QGridLayout(group);
    Body()->addWidget(group);
    const char* names[3] = {"Red", "Green", "Blue"};
    for (int input = 0; input < 3; ++input) {
        m_weights[input] = AddPair(grid, input, tr(names[input]), adjust::ChannelMixerWeightParam());
        grid->addWidget(new QLabel(QStringLiteral("%"), this), input, 3);
        const QString hint = tr("Specifies the amount of %1 channel going into output channel.").arg(names[input]);
        SliderOf(input)->setToolTip(hint);
        EditOf(input)->setToolTip(hint);
        connect(m_weights[input], &CQtSliderEdit::valueChanged, this, [this, input](float value) {
            if (m_filling || !m_model.SetWeight(input, value)) return;
            m_shared->Store(m_model.Params());
            PostPreview();
        });
    }
    m_mono = new QCheckBox(tr("Monochrome"), this);
    m_mono->setToolTip(tr("Specifies the output is monochrome."));
    Body()->addWidget(m_mono);
    connect(m_mono, &QCheckBox::toggled, this, [this](bool on) {
        m_model.MonochromeStep(on);
        ShowModel();
    });
    connect(m_output, &QComboBox::currentIndexChanged, this, [this](int index) {
        if (m_filling) return;
        m_model.SelectOutput(index);
        m_filling = true;
        const std::array<int32_t, 3> values = m_model.PairValues();
        for (int input = 0; input < 3; ++input) m_weights[input]->SetValue(static_cast<float>(values[input]));
        m_filling = false;
    });
    ShowModel();
    StartPreview([shared = m_shared](const ImagePlane& source, const ImagePlane& target, const PreviewRun&) {
        return adjust::ApplyChannelMixer(source, target, shared->Load());
    });
}

void CChannelMixerDialog::ShowModel() {
    m_filling = true;
    m_output->clear();
    for (const std::string& name : m_model.OutputNames()) m_output->addItem(QString::fromStdString(name));
    m_output->setCurrentIndex(m_model.SelectedOutput());
    const std::array<int32_t, 3> values = m_model.PairValues();
    for (int input = 0; input < 3; ++input) m_weights[input]->SetValue(static_cast<float>(values[input]));
    m_filling = false;
    m_shared->Store(m_model.Params());
    PostPreview();
}

void CChannelMixerDialog::OnReset() {
    m_model.Reset();
    ShowModel();
}

CAdjustDialog::SettingsFileKind CChannelMixerDialog::FileKind() const {
    return {tr("Channel mixer setting (*.chmix)"), QStringLiteral("chmix")};
}

adjust::SettingsFileStatus CChannelMixerDialog::LoadSettings(const std::string& path) {
    adjust::ChannelMixerParams loaded;
    const adjust::SettingsFileStatus status = adjust::LoadChannelMixerFile(path, loaded);
    if (status != adjust::SettingsFileStatus::Ok) return status;
    m_model.Apply(loaded);
    {
        // The model already ran the monochrome step for the loaded flag.
        const QSignalBlocker block(m_mono);
        m_mono->setChecked(loaded.monochrome != 0);
    }
    ShowModel();
    return status;
}

adjust::SettingsFileStatus CChannelMixerDialog::SaveSettings(const std::string& path) const {
    return adjust::SaveChannelMixerFile(path, m_model.Params());
}

CeditorDoc::Routine CChannelMixerDialog::CommitRoutine(IProgress* progress) const {
    const adjust::ChannelMixerParams params = m_model.Params();
    return [params, progress](const ImagePlane& s, const ImagePlane& d) {
        return adjust::ApplyChannelMixer(s, d, params, progress);
    };
}
