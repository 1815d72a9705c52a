#include "adjust/adjustcommands.h"

#include "adjust/curvesdialog.h"
#include "adjust/detaildialogs.h"
#include "adjust/huesatdialog.h"
#include "adjust/levelsdialog.h"
#include "adjust/mixerdialog.h"
#include "adjust/tonedialogs.h"
#include "editor/commandtable.h"

bool IsAdjustCommand(int id) {
    switch (id) {
        case cmd::Levels:
        case cmd::Curves:
        case cmd::ChannelMixer:
        case cmd::HueSaturation:
        case cmd::Brightness:
        case cmd::BlackAndWhite:
        case cmd::Boost:
        case cmd::Sharpen:
        case cmd::ShadowControl:
        case cmd::HighlightControl:
        case cmd::IrFilm:
            return true;
        default:
            return false;
    }
}

std::unique_ptr<CAdjustDialog> MakeAdjustDialog(int id, CeditorView* view) {
    switch (id) {
        case cmd::Levels: return std::make_unique<CLevelsDialog>(view);
        case cmd::Curves: return std::make_unique<CCurvesDialog>(view);
        case cmd::ChannelMixer: return std::make_unique<CChannelMixerDialog>(view);
        case cmd::HueSaturation: return std::make_unique<CHueSaturationDialog>(view);
        case cmd::Brightness: return std::make_unique<CBrightnessDialog>(view);
        case cmd::BlackAndWhite: return std::make_unique<CBlackWhiteDialog>(view);
        case cmd::Boost: return std::make_unique<CBoostDialog>(view);
        case cmd::Sharpen: return std::make_unique<CUnsharpMaskDialog>(view);
        case cmd::ShadowControl: return std::make_unique<CShadowControlDialog>(view, CShadowControlDialog::Kind::Shadow);
        case cmd::HighlightControl:
            return std::make_unique<CShadowControlDialog>(view, CShadowControlDialog::Kind::Highlight);
        case cmd::IrFilm: return std::make_unique<CIrFilmDialog>(view);
        default: return nullptr;
    }
}

void RunAdjustDialog(int id, CeditorView* view) {
    if (std::unique_ptr<CAdjustDialog> dialog = MakeAdjustDialog(id, view)) dialog->Run();
}
