#pragma once
// The one-number tone dialogs ("Brightness", "Boost") and "Black and White / Sepia".
#include <memory>

#include "adjust/adjustdialog.h"
#include "adjust/framework/previewworker.h"
#include "adjust/tone/blackwhite.h"
#include "adjust/tone/brightness.h"

class QRadioButton;

// "Brightness": one tone curve through a raised or lowered mid point.
class CBrightnessDialog : public CAdjustDialog {
    Q_OBJECT
public:
    explicit CBrightnessDialog(CeditorView* view);
    adjust::BrightnessParams Params() const { return {m_pair->Value()}; }

protected:
    CeditorDoc::Routine CommitRoutine(IProgress* progress) const override;
    std::optional<CeditorDoc::ChannelTables> CommitTables() const override;
    void OnReset() override;

private:
    CQtSliderEdit* m_pair;
    std::shared_ptr<CLatestValue<float>> m_shared = std::make_shared<CLatestValue<float>>();
};

// "Boost": an S-shaped contrast curve.
class CBoostDialog : public CAdjustDialog {
    Q_OBJECT
public:
    explicit CBoostDialog(CeditorView* view);
    adjust::BoostParams Params() const { return {m_pair->Value()}; }

protected:
    CeditorDoc::Routine CommitRoutine(IProgress* progress) const override;
    std::optional<CeditorDoc::ChannelTables> CommitTables() const override;
    void OnReset() override;

private:
    CQtSliderEdit* m_pair;
    std::shared_ptr<CLatestValue<float>> m_shared;
};

// "Black and White / Sepia": four fixed conversions chosen by radio buttons. The preview
// is cheap, so it is computed on the window thread as each button is chosen.
class CBlackWhiteDialog : public CAdjustDialog {
    Q_OBJECT
public:
    explicit CBlackWhiteDialog(CeditorView* view);
    adjust::BlackWhiteParams Params() const { return {m_mode}; }
    // Chooses a mode as its radio button does and recomputes the preview.
    void SelectMode(adjust::BlackWhiteMode mode);
    QRadioButton* ModeButton(adjust::BlackWhiteMode mode) const;

protected:
    CeditorDoc::Routine CommitRoutine(IProgress* progress) const override;

private:
    adjust::BlackWhiteMode m_mode = adjust::BlackWhiteMode::BlackAndWhite;
    QRadioButton* m_buttons[4] = {};
};
