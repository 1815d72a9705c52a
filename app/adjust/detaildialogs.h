#pragma once
// The detail dialogs: "Sharpen - USM", "Shadow Control Pro" / "Highlight Control Pro" and
// "IR Film". Their previews run on the reduced preview image, so radii and glow sizes are
// scaled by the view's zoom there; the whole-image run after OK uses them as set.
#include <memory>

#include "adjust/adjustdialog.h"
#include "detail/irfilm.h"
#include "detail/shadowcontrol.h"
#include "detail/unsharpmask.h"

// "Sharpen - USM": unsharp mask with amount, radius and threshold.
class CUnsharpMaskDialog : public CAdjustDialog {
    Q_OBJECT
public:
    explicit CUnsharpMaskDialog(CeditorView* view);
    // The parameters as set (radius without the zoom factor).
    detail::UnsharpParams Params() const;

protected:
    CeditorDoc::Routine CommitRoutine(IProgress* progress) const override;

private:
    float m_zoom = 1;
    CQtSliderEdit* m_pairs[3] = {};
    std::shared_ptr<CLatestValue<detail::UnsharpParams>> m_shared;
};

// "Shadow Control Pro" and "Highlight Control Pro": a change of one parameter redoes its
// pipeline stage and those after it; the earlier stages' planes are reused.
class CShadowControlDialog : public CAdjustDialog {
    Q_OBJECT
public:
    enum class Kind { Shadow, Highlight };
    CShadowControlDialog(CeditorView* view, Kind kind);
    // The parameters as set (radius without the zoom factor).
    detail::ShadowParams Params() const;
    Kind GetKind() const { return m_kind; }

protected:
    CeditorDoc::Routine CommitRoutine(IProgress* progress) const override;

private:
    Kind m_kind;
    float m_zoom = 1;
    CQtSliderEdit* m_pairs[4] = {};
    std::shared_ptr<CLatestValue<detail::ShadowParams>> m_shared;
};

// "IR Film": a grey infra-red film look with glow.
class CIrFilmDialog : public CAdjustDialog {
    Q_OBJECT
public:
    explicit CIrFilmDialog(CeditorView* view);
    // The parameters as set (glow size without the zoom factor).
    detail::IrFilmParams Params() const;

protected:
    CeditorDoc::Routine CommitRoutine(IProgress* progress) const override;

private:
    float m_zoom = 1;
    CQtSliderEdit* m_pairs[5] = {};
    std::shared_ptr<CLatestValue<detail::IrFilmParams>> m_shared;
};
