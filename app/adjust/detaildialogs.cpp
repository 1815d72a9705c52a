#include "adjust/detaildialogs.h"

#include <QGridLayout>
#include <QSlider>
#include <QLineEdit>
#include <QVBoxLayout>

#include "editor/editorview.h"

namespace {

// Hooks of a preview run: give up at a tile border once a newer request waits, and show
// finished tiles as they come.
detail::RunHooks PreviewHooks(const PreviewRun& run, CeditorView* view) {
    detail::RunHooks hooks;
    hooks.stale = [&run] { return run.NewerRequestWaiting(); };
    hooks.tileDone = [view] { view->RequestRepaint(); };
    return hooks;
}

void SetHint(CAdjustDialog& dialog, int pair, const QString& hint) {
    dialog.SliderOf(pair)->setToolTip(hint);
    dialog.EditOf(pair)->setToolTip(hint);
}

}  // namespace

// ---------------------------------------------------------------- sharpen

CUnsharpMaskDialog::CUnsharpMaskDialog(CeditorView* view)
    : CAdjustDialog(view, tr("Sharpen - USM"), kNoButtons, 9),
      m_zoom(static_cast<float>(view->Zoom() > 0 ? view->Zoom() : 1.0)) {
    auto* grid = new QGridLayout;
    Body()->addLayout(grid);
    const ops::Operation& op = detail::SharpenOperation();
    const char* labels[3] = {"Amount", "Radius", "Threshold"};
    for (int i = 0; i < 3; ++i) m_pairs[i] = AddPair(grid, i, tr(labels[i]), op.params[i]);
    SetHint(*this, 0, tr("Specifies the amount of the sharpening."));
    SetHint(*this, 1, tr("Specifies the radius of the sharpening."));
    SetHint(*this, 2, tr("Specifies the sharpening threshold."));
    const auto preview = [this] {
        detail::UnsharpParams p = Params();
        p.radius = detail::UsmPreviewRadius(p.radius, m_zoom);
        return p;
    };
    m_shared = std::make_shared<CLatestValue<detail::UnsharpParams>>(preview());
    for (CQtSliderEdit* pair : m_pairs)
        connect(pair, &CQtSliderEdit::valueChanged, this, [this, preview] {
            m_shared->Store(preview());
            PostPreview();
        });
    auto engine = std::make_shared<CUnsharpMask>();
    StartPreview([shared = m_shared, engine, view](const ImagePlane& source, const ImagePlane& target,
                                                   const PreviewRun& run) {
        const detail::UnsharpParams p = shared->Load();
        engine->SetHooks(PreviewHooks(run, view));
        const bool done = engine->ApplyUnsharpMask(source, target, p.amount, p.radius, p.threshold);
        engine->SetHooks({});
        return done;
    });
}

detail::UnsharpParams CUnsharpMaskDialog::Params() const {
    return {m_pairs[0]->Value(), detail::UsmRadiusFromSlider(m_pairs[1]->Value()), m_pairs[2]->Value()};
}

CeditorDoc::Routine CUnsharpMaskDialog::CommitRoutine(IProgress* progress) const {
    const detail::UnsharpParams params = Params();
    return [params, progress](const ImagePlane& s, const ImagePlane& d) {
        return detail::ApplyUnsharpMask(s, d, params, progress);
    };
}

// ---------------------------------------------------------------- shadow and highlight control

CShadowControlDialog::CShadowControlDialog(CeditorView* view, Kind kind)
    : CAdjustDialog(view, kind == Kind::Shadow ? tr("Shadow Control Pro") : tr("Highlight Control Pro"), kNoButtons,
                    kind == Kind::Shadow ? 18 : 19),
      m_kind(kind),
      m_zoom(static_cast<float>(view->Zoom() > 0 ? view->Zoom() : 1.0)) {
    auto* grid = new QGridLayout;
    Body()->addLayout(grid);
    const ops::Operation& op = kind == Kind::Shadow ? detail::ShadowsOperation() : detail::HighlightsOperation();
    const char* labels[4] = {"Tonal width", "Radius", "Amount", "Color correction"};
    for (int i = 0; i < 4; ++i) m_pairs[i] = AddPair(grid, i, tr(labels[i]), op.params[i]);
    SetHint(*this, 0, kind == Kind::Shadow ? tr("Specifies what's considered 'shadows'.")
                                           : tr("Specifies what's considered 'highlights'."));
    SetHint(*this, 1, tr("Specifies the distance the correction is affecting highlights."));
    SetHint(*this, 2, tr("Specifies the amount of the correction."));
    SetHint(*this, 3, tr("Specifies the color correction of the affected area."));
    const auto preview = [this] {
        detail::ShadowParams p = Params();
        p.radius = detail::ShadowEffectiveRadius(p.radius, m_zoom);
        return p;
    };
    m_shared = std::make_shared<CLatestValue<detail::ShadowParams>>(preview());
    // Each parameter's change redoes the pipeline from its own stage.
    const int stages[4] = {detail::kShadowStageTonalWidth, detail::kShadowStageRadius, detail::kShadowStageAmount,
                           detail::kShadowStageColor};
    for (int i = 0; i < 4; ++i)
        connect(m_pairs[i], &CQtSliderEdit::valueChanged, this, [this, preview, stage = stages[i]] {
            m_shared->Store(preview());
            PostPreview(stage);
        });
    std::shared_ptr<CShadowControl> engine =
        kind == Kind::Shadow ? std::make_shared<CShadowControl>() : std::make_shared<CHighlightControl>();
    StartPreview([shared = m_shared, engine, view](const ImagePlane& source, const ImagePlane& target,
                                                   const PreviewRun& run) {
        const detail::ShadowParams p = shared->Load();
        engine->SetHooks(PreviewHooks(run, view));
        const bool done =
            engine->Process(source, target, p.tonalWidth, p.radius, p.amount, p.colorCorrection, run.Stage());
        engine->SetHooks({});
        return done;
    });
}

detail::ShadowParams CShadowControlDialog::Params() const {
    return {m_pairs[0]->Value(), m_pairs[1]->Value(), m_pairs[2]->Value(), m_pairs[3]->Value()};
}

CeditorDoc::Routine CShadowControlDialog::CommitRoutine(IProgress* progress) const {
    const detail::ShadowParams params = Params();
    if (m_kind == Kind::Shadow)
        return [params, progress](const ImagePlane& s, const ImagePlane& d) {
            return detail::ApplyShadowControl(s, d, params, progress);
        };
    return [params, progress](const ImagePlane& s, const ImagePlane& d) {
        return detail::ApplyHighlightControl(s, d, params, progress);
    };
}

// ---------------------------------------------------------------- IR film

CIrFilmDialog::CIrFilmDialog(CeditorView* view)
    : CAdjustDialog(view, tr("IR Film"), kNoButtons, 22),
      m_zoom(static_cast<float>(view->Zoom() > 0 ? view->Zoom() : 1.0)) {
    auto* grid = new QGridLayout;
    Body()->addLayout(grid);
    const ops::Operation& op = detail::IrFilmOperation();
    const char* labels[5] = {"Color", "Amount", "Brightness", "Glow size", "Glow amount"};
    const char* hints[5] = {"Specifies which color is going to be brightened.", "Specifies the amount of brightening.",
                            "Specifies the overall brightness.", "Specifies the glow size.",
                            "Specifies the glow amount."};
    for (int i = 0; i < 5; ++i) {
        m_pairs[i] = AddPair(grid, i, tr(labels[i]), op.params[i]);
        SetHint(*this, i, tr(hints[i]));
    }
    const auto preview = [this] {
        detail::IrFilmParams p = Params();
        p.glowSize = detail::IrPreviewGlowSize(p.glowSize, m_zoom);
        return p;
    };
    m_shared = std::make_shared<CLatestValue<detail::IrFilmParams>>(preview());
    for (CQtSliderEdit* pair : m_pairs)
        connect(pair, &CQtSliderEdit::valueChanged, this, [this, preview] {
            m_shared->Store(preview());
            PostPreview();
        });
    auto engine = std::make_shared<CIRFilm>();
    StartPreview([shared = m_shared, engine, view](const ImagePlane& source, const ImagePlane& target,
                                                   const PreviewRun& run) {
        engine->SetHooks(PreviewHooks(run, view));
        const bool done = engine->Process(source, target, shared->Load());
        engine->SetHooks({});
        return done;
    });
}

detail::IrFilmParams CIrFilmDialog::Params() const {
    return {m_pairs[0]->Value(), m_pairs[1]->Value(), m_pairs[2]->Value(), m_pairs[3]->Value(), m_pairs[4]->Value()};
}

CeditorDoc::Routine CIrFilmDialog::CommitRoutine(IProgress*) const {
    const detail::IrFilmParams params = Params();
    return [params](const ImagePlane& s, const ImagePlane& d) { return detail::ApplyIrFilm(s, d, params); };
}
