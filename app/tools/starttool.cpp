#include "tools/starttool.h"

#include <memory>

#include "editor/commandtable.h"
#include "editor/editordoc.h"
#include "editor/editorview.h"
#include "tools/croptool.h"
#include "tools/redeyetool.h"
#include "tools/rotatetool.h"

namespace tools {

bool IsToolCommand(int command) {
    switch (command) {
        case cmd::Crop:
        case cmd::ArbitraryRotation:
        case cmd::RedEyeRemoval:
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
        default: return false;
    }
    return view.StartTool(std::move(tool), previewInCopies);
}

}  // namespace tools
