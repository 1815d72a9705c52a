#pragma once
// Drive classification: whether the file system holding a path is a fixed disk, a
// removable medium (memory card, USB stick) or an optical disc, and where its root is.
#include <string>
#include <vector>

#include "platform/mounts.h"

namespace platform {

enum class DriveType { Fixed, Removable, Optical };

struct DriveInfo {
    DriveType type = DriveType::Fixed;
    std::string root;  // the mount point (or LUMARET_REMOVABLE folder) holding the path
};

// Classifies the drive holding `path`. Folders listed in LUMARET_REMOVABLE (':'-separated)
// count as roots of removable media; otherwise the mount table and sysfs decide.
DriveInfo ClassifyDrive(const std::string& path);

// The same with an explicit mount table, removable-root list and sysfs folder (for tests).
DriveInfo ClassifyDrive(const std::string& path, const std::vector<MountEntry>& mounts,
                        const std::vector<std::string>& removableRoots,
                        const std::string& sysfsRoot);

// Type of one mount: optical for iso9660/udf or an sr device; removable when the block
// device or its disk has removable=1, sits on USB, or the mount lies below /media or
// /run/media; fixed otherwise.
DriveType ClassifyMount(const MountEntry& mount, const std::string& sysfsRoot);

// The folders listed in LUMARET_REMOVABLE, resolved; empty entries dropped.
std::vector<std::string> RemovableRootsFromEnvironment();

}  // namespace platform
