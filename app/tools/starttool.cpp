#include "tools/starttool.h"

#include <memory>

#include "editor/commandtable.h"
#include "editor/editordoc.h"
#include "editor/editorview.h"
#include "tools/croptool.h"
#include "tools/photofilterstool.h"
#include "tools/redeyetool.h"
#include "tools/rotatetool.h"
#include "tools/whitebalancetool.h"

namespace tools {

bool IsToolCommand(int command) {
    switch (command) {
        case cmd::Crop:
        case cmd::ArbitraryRotation:
        case cmd::RedEyeRemoval:
        case cmd::WhiteBalance:
        case cmd::PhotographicFilters:
            return true;
        default:
            return false;
    }
}

bool StartToolCommand(CeditorView& view, int command) {
    if (view.Tool() || !view.GetDocument()->CurrentImage().IsValid()) return false;
    std::unique_ptr<IGuiItem> tool;
    bool previewInCopies = false;
    switch (command) {
        case cmd::Crop: tool = std::make_unique<CCropTool>(&view); break;
        case cmd::ArbitraryRotation: tool = std::make_unique<CRotateTool>(&view); break;
        case cmd::RedEyeRemoval: tool = std::make_unique<CRedEyeTool>(&view); break;
        case cmd::WhiteBalance:
            // It previews into the view's preview copy, like the adjustment dialogs.
            tool = std::make_unique<CWhiteBalance>(&view);
            previewInCopies = true;
            break;
        case cmd::PhotographicFilters:
            tool = std::make_unique<CPhotographicFilters>(&view);
            previewInCopies = true;
            break;
        default: return false;
    }
    return view.StartTool(std::move(tool), previewInCopies);
}

}  // namespace tools
