#pragma once
// CDVFileDragDrop: what the browser's drag sources and drop targets share. Files leave the
// browser as a URI list plus a private format, so that the browser can refuse its own drags.
#include <QString>
#include <Qt>
#include <string>
#include <vector>

class QMimeData;
class CFileSystemIF;

namespace browserui {

// The private format every drag started in the browser carries.
inline constexpr const char* kPrivateDragFormat = "application/x-Lumaret_58CDA840-6311-4a78-B718-1F0BBBB3D395";

// What a drop does, from the keyboard state: Shift moves, anything else copies.
enum class DropEffect { None, Copy, Move };

class CDVFileDragDrop {
public:
    // The data of a drag of `paths` out of the browser.
    static QMimeData* MakeDragData(const std::vector<std::string>& paths);
    // True when the data comes from a drag started in the browser.
    static bool IsOwnDrag(const QMimeData* data);
    // The local file paths of the data, or an empty list when it carries anything that is
    // not a local file.
    static std::vector<std::string> DroppedPaths(const QMimeData* data);
    // The effect for the held keys.
    static DropEffect EffectFor(Qt::KeyboardModifiers modifiers);
    // True when `paths` may be dropped: not a drag of our own, at least one path, and no
    // folder among them.
    static bool AcceptableFiles(const QMimeData* data, const std::vector<std::string>& paths, CFileSystemIF& source);
    // Whether a drag that ended with `action` moved or copied the files: a drag whose
    // target reported nothing still moved them when one of them has gone.
    static bool DragChangedFiles(Qt::DropAction action, const std::vector<std::string>& paths);
};

}  // namespace browserui
