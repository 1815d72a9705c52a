#pragma once
// CHueSaturationDialog: "Hue / Saturation". Shifts the hue, scales saturation and
// brightness of the whole image or of one hue range, or colours the image with one hue.
#include <memory>

#include "adjust/adjustdialog.h"
#include "adjust/huesat/huesaturation.h"

class QCheckBox;
class QComboBox;

class CHueSaturationDialog : public CAdjustDialog {
    Q_OBJECT
public:
    explicit CHueSaturationDialog(CeditorView* view);

    const adjust::HueSaturationParams& Params() const { return m_params; }
    QComboBox* RangeBox() const { return m_range; }
    QCheckBox* ColorizeBox() const { return m_colorize; }

protected:
    CeditorDoc::Routine CommitRoutine(IProgress* progress) const override;
    void OnReset() override;
    SettingsFileKind FileKind() const override;
    adjust::SettingsFileStatus LoadSettings(const std::string& path) override;
    adjust::SettingsFileStatus SaveSettings(const std::string& path) const override;

private:
    void Changed();
    void ShowValues();

    adjust::HueSaturationParams m_params;
    QComboBox* m_range = nullptr;
    QCheckBox* m_colorize = nullptr;
    CQtSliderEdit* m_hue = nullptr;
    CQtSliderEdit* m_saturation = nullptr;
    CQtSliderEdit* m_brightness = nullptr;
    std::shared_ptr<CLatestValue<adjust::HueSaturationParams>> m_shared;
};
