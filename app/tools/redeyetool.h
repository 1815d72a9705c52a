#pragma once
// CRedEyeTool: red-eye removal on the editor view. In Automatic mode a click on a red
// pupil finds and darkens it; in Manual mode a round brush marks the pupil, which is
// darkened when the button is released. Each click or stroke is one step of the tool's
// own history (Ctrl+Z, Ctrl+Y); Ok commits the working copy as one undo step.
#include "detail/redeye.h"
#include "tools/toolbase.h"

class CQtSliderEdit;
class QRadioButton;

class CRedEyeTool : public CToolBase {
public:
    explicit CRedEyeTool(CeditorView* view);
    ~CRedEyeTool() override;

    void Create(QWidget* parent) override;
    void Close() override;
    bool OnLButtonDown(unsigned flags, int x, int y) override;
    bool OnLButtonUp(unsigned flags, int x, int y) override;
    bool OnMouseMove(unsigned flags, int x, int y) override;
    bool OnSetCursor() override;
    bool RenderResult(const ImagePlane& destination) override;
    void GetResultSize(ImagePlane& size) override;
    bool CanUndo() override { return m_engine.CanUndo(); }
    void Undo() override;
    bool CanRedo() override { return m_engine.CanRedo(); }
    void Redo() override;

    CRedEyeRemoval& Engine() { return m_engine; }
    // Switches between Automatic and Manual as the radio buttons do.
    void SetAutomatic(bool automatic);

private:
    void ParamsChanged();
    // Repaints after the working copy changed.
    void Changed(bool changed);

    CRedEyeRemoval m_engine;
    ImagePlane m_working;  // the working copy the view shows
    bool m_started = false;
    QRadioButton* m_automatic = nullptr;
    QRadioButton* m_manual = nullptr;
    CQtSliderEdit* m_autoBrightness = nullptr;
    CQtSliderEdit* m_diameter = nullptr;
    CQtSliderEdit* m_manualBrightness = nullptr;
    QWidget* m_autoControls = nullptr;
    QWidget* m_manualControls = nullptr;
};
