#pragma once
// The desktop trash (freedesktop.org Trash specification): files moved there can be
// restored by the desktop's file manager.
#include <string>

namespace platform {

struct TrashOutcome {
    bool ok = false;
    std::string trashedPath;  // where the file now lies (files/<name>)
    std::string infoPath;     // its info/<name>.trashinfo
    std::string error;        // why it failed; the file is untouched then
};

// The home trash: $XDG_DATA_HOME/Trash, or ~/.local/share/Trash.
std::string HomeTrashFolder();

// Moves `path` (file or folder) into the trash: the home trash when it lies on the same
// file system, else the trash folder at the top of the file's own mount. Never copies:
// a file that cannot be renamed into a trash is left where it is and ok is false.
TrashOutcome MoveToTrash(const std::string& path);

// Percent-encodes a path for the Path= key of a .trashinfo file ('/' kept).
std::string EncodeTrashPath(const std::string& path);

}  // namespace platform
