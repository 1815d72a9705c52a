#pragma once
// CCurvesDialog: "Curves". A tone curve for the whole image and one each for red, green
// and blue, shaped by adding, dragging and removing points in a 256 x 256 box.
#include <memory>

#include "adjust/adjustdialog.h"
#include "adjust/curves/curveedit.h"
#include "adjust/curves/curves.h"

class QComboBox;

class CCurvesDialog : public CAdjustDialog {
    Q_OBJECT
public:
    explicit CCurvesDialog(CeditorView* view);

    const CCurves& Curves() const { return m_curves; }
    CCurveEditor& Editor() { return m_editor; }
    QComboBox* ChannelBox() const { return m_channel; }
    // The curve box (mouse input in box coordinates 0..255).
    QWidget* CurveBox() const { return m_box; }
    // Chooses the channel whose curve the box shows and edits.
    void SelectChannel(int channel);
    // Draws the curve box (256 x 256) with its origin at the painter's origin.
    void PaintCurve(QPainter& painter) const;
    // A mouse call of the editor changed the points: tables rebuilt, preview asked for.
    void CurveChanged();

protected:
    CeditorDoc::Routine CommitRoutine(IProgress* progress) const override;
    std::optional<CeditorDoc::ChannelTables> CommitTables() const override;
    void OnReset() override;
    SettingsFileKind FileKind() const override;
    adjust::SettingsFileStatus LoadSettings(const std::string& path) override;
    adjust::SettingsFileStatus SaveSettings(const std::string& path) const override;

private:
    CCurves m_curves;
    CCurveEditor m_editor{m_curves};
    QComboBox* m_channel = nullptr;
    QWidget* m_box = nullptr;
    std::shared_ptr<CLatestValue<CurvesTables>> m_tables;
};
