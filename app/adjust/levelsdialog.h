#pragma once
// CLevelsDialog: "Levels". Black point, white point and gamma for the whole image and for
// each of red, green and blue, the image's histogram with the points marked, and an
// over-exposure warning in the preview.
#include <memory>

#include "adjust/adjustdialog.h"
#include "adjust/levels/levels.h"

class QCheckBox;
class QComboBox;

class CLevelsDialog : public CAdjustDialog {
    Q_OBJECT
public:
    explicit CLevelsDialog(CeditorView* view);

    const adjust::LevelsParams& Params() const { return m_params; }
    // Chooses the channel whose values the pairs show, as the combo box does.
    void SelectChannel(int channel);
    QComboBox* ChannelBox() const { return m_channel; }
    QCheckBox* WarningBox() const { return m_warning; }
    // Paints the histogram box's picture into `rect`.
    void PaintHistogram(QPainter& painter, const QRect& rect) const;

protected:
    CeditorDoc::Routine CommitRoutine(IProgress* progress) const override;
    std::optional<CeditorDoc::ChannelTables> CommitTables() const override;
    void OnReset() override;

private:
    void OnBlack(float value);
    void OnWhite(float value);
    void OnGamma(float position);
    // Rebuilds the preview tables, asks for a preview and repaints the histogram.
    void Changed();

    adjust::LevelsParams m_params;
    adjust::ChannelHistograms m_histograms;
    int64_t m_pixels = 0;
    int m_selected = adjust::kLevelsMaster;
    QComboBox* m_channel = nullptr;
    QCheckBox* m_warning = nullptr;
    QWidget* m_box = nullptr;
    CQtSliderEdit* m_white = nullptr;
    CQtSliderEdit* m_black = nullptr;
    CQtSliderEdit* m_gamma = nullptr;
    std::shared_ptr<CLatestValue<adjust::LevelsTables>> m_tables;
};
