#pragma once
// IGuiItem: an interactive tool attached to an editor view (crop, arbitrary rotation,
// red-eye removal, photographic filters, white balance). The view offers it the mouse and
// the keys first, lets it draw its marks over the picture, and asks it for the result
// when the user confirms.
#include <cstdint>
#include <vector>

#include "core/imageplane.h"
#include "geometry/types.h"

class QPainter;
class QWidget;

// Bits of the `flags` argument of the mouse and key hooks.
namespace guiflags {
constexpr unsigned kLeftButton = 0x01;
constexpr unsigned kRightButton = 0x02;
constexpr unsigned kShift = 0x04;
constexpr unsigned kControl = 0x08;
constexpr unsigned kMiddleButton = 0x10;
constexpr unsigned kAlt = 0x20;
}  // namespace guiflags

class IGuiItem {
public:
    // Creates and shows the tool's modeless panel (null parent: a top-level window).
    virtual void Create(QWidget* parent) = 0;
    // Closes the panel; may be called more than once.
    virtual void Close() = 0;

    // Mouse hooks in window coordinates of the view; true when the tool handled the event.
    // The defaults swallow every event, so the view pans only while space is held.
    virtual bool OnLButtonDown(unsigned /*flags*/, int /*x*/, int /*y*/) { return true; }
    virtual bool OnLButtonUp(unsigned /*flags*/, int /*x*/, int /*y*/) { return true; }
    virtual bool OnLButtonDblClk(unsigned /*flags*/, int /*x*/, int /*y*/) { return true; }
    virtual bool OnMouseMove(unsigned /*flags*/, int /*x*/, int /*y*/) { return true; }
    virtual bool OnRButtonDown(unsigned /*flags*/, int /*x*/, int /*y*/) { return true; }
    virtual bool OnRButtonUp(unsigned /*flags*/, int /*x*/, int /*y*/) { return true; }
    // Key hooks; `key` is a Qt::Key value.
    virtual bool OnKeyDown(int /*key*/, int /*repeat*/, unsigned /*flags*/) { return true; }
    virtual bool OnKeyUp(int /*key*/, int /*repeat*/, unsigned /*flags*/) { return true; }
    // True when the tool has set the view's cursor itself.
    virtual bool OnSetCursor() { return false; }
    // Draws the tool's marks over the picture, in window coordinates.
    virtual void DrawOverlay(QPainter& /*painter*/) {}
    // Called before and after the view rebuilds its display copies for a new zoom, pan or size.
    virtual void OnViewChanging() {}
    virtual void OnViewChanged() {}
    // Writes the full-size result into `destination` (sized by GetResultSize); false on failure.
    virtual bool RenderResult(const ImagePlane& destination) = 0;
    // Width and height of the result, written into `size`.
    virtual void GetResultSize(ImagePlane& size) = 0;
    // True when the tool's preview is computed at display size and must follow zoom and pan.
    virtual bool IsViewDependent() = 0;
    // The undo steps of the result, for a tool whose result is more than one step (the
    // straightening with its crop). Empty: the one step of GetResultSize and RenderResult.
    virtual std::vector<geometry::ResultStep> ResultSteps() { return {}; }
    // The tool's own click-by-click history, used by Undo and Redo while it is active.
    virtual bool CanUndo() { return false; }
    virtual void Undo() {}
    virtual bool CanRedo() { return false; }
    virtual void Redo() {}
    virtual ~IGuiItem() = default;
};
