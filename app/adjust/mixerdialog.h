#pragma once
// CChannelMixerDialog: "Channel mixer". Each output channel as a weighted sum, in percent,
// of the red, green and blue inputs, or one grey output in monochrome mode.
#include <memory>

#include "adjust/adjustdialog.h"
#include "adjust/mixer/channelmixer.h"

class QCheckBox;
class QComboBox;

class CChannelMixerDialog : public CAdjustDialog {
    Q_OBJECT
public:
    explicit CChannelMixerDialog(CeditorView* view);

    const adjust::ChannelMixerParams& Params() const { return m_model.Params(); }
    QComboBox* OutputBox() const { return m_output; }
    QCheckBox* MonochromeBox() const { return m_mono; }

protected:
    CeditorDoc::Routine CommitRoutine(IProgress* progress) const override;
    void OnReset() override;
    SettingsFileKind FileKind() const override;
    adjust::SettingsFileStatus LoadSettings(const std::string& path) override;
    adjust::SettingsFileStatus SaveSettings(const std::string& path) const override;

private:
    // Shows the model's outputs and the selected output's weights; posts a preview.
    void ShowModel();

    adjust::CChannelMixerModel m_model;
    QComboBox* m_output = nullptr;
    QCheckBox* m_mono = nullptr;
    CQtSliderEdit* m_weights[3] = {};
    bool m_filling = false;
    std::shared_ptr<CLatestValue<adjust::ChannelMixerParams>> m_shared;
};
