#include "platform/drivetype.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>

namespace platform {
namespace {

bool ReadFlagFile(const std::filesystem::path& file) {
    std::ifstream in(file);
    std::string value;
    return in && (in >> value) && value == "1";
}

bool IsBelow(const std::string& path, const char* folder) { return PathHasPrefix(path, folder); }

}  // namespace

DriveType ClassifyMount(const MountEntry& mount, const std::string& sysfsRoot) {
    namespace fs = std::filesystem;
    if (mount.fsType == "iso9660" || mount.fsType == "udf") return DriveType::Optical;

    // Block devices show up as /sys/dev/block/MAJ:MIN -> .../block/<disk>[/<partition>].
    if (mount.major != 0) {
        std::error_code ec;
        const fs::path link = fs::path(sysfsRoot) / "dev" / "block" /
                              (std::to_string(mount.major) + ":" + std::to_string(mount.minor));
        const fs::path device = fs::canonical(link, ec);
        if (!ec) {
            const std::string name = device.filename().string();
            if (name.rfind("sr", 0) == 0) return DriveType::Optical;
            if (ReadFlagFile(device / "removable")) return DriveType::Removable;
            // A partition carries a "partition" file; the removable flag sits on its disk.
            if (fs::exists(device / "partition", ec) && ReadFlagFile(device.parent_path() / "removable"))
                return DriveType::Removable;
            if (device.string().find("/usb") != std::string::npos) return DriveType::Removable;
        }
    }
    if (IsBelow(mount.mountPoint, "/media") || IsBelow(mount.mountPoint, "/run/media"))
        return DriveType::Removable;
    return DriveType::Fixed;
}

std::vector<std::string> RemovableRootsFromEnvironment() {
    std::vector<std::string> roots;
    const char* value = std::getenv("LUMARET_REMOVABLE");
    if (!value) return roots;
    const std::string list(value);
    size_t start = 0;
    while (start <= list.size()) {
        size_t end = list.find(':', start);
        if (end == std::string::npos) end = list.size();
        const std::string item = list.substr(start, end - start);
        if (!item.empty()) roots.push_back(ResolvePath(item));
        start = end + 1;
    }
    return roots;
}

DriveInfo ClassifyDrive(const std::string& path, const std::vector<MountEntry>& mounts,
                        const std::vector<std::string>& removableRoots,
                        const std::string& sysfsRoot) {
    const std::string resolved = ResolvePath(path);
    DriveInfo info;
    info.root.assign(1, '/');
    const MountEntry* mount = FindMount(mounts, resolved);
    size_t best = 0;
    if (mount) {
        info.root = mount->mountPoint;
        best = mount->mountPoint.size();
    }
    // A listed folder is a removable root unless a real mount sits deeper inside it.
    const std::string* listed = nullptr;
    for (const std::string& root : removableRoots)
        if (PathHasPrefix(resolved, root) && (!listed || root.size() > listed->size())) listed = &root;
    if (listed && (!mount || listed->size() >= best)) {
        info.type = DriveType::Removable;
        info.root = *listed;
        return info;
    }
    info.type = mount ? ClassifyMount(*mount, sysfsRoot) : DriveType::Fixed;
    return info;
}

DriveInfo ClassifyDrive(const std::string& path) {
    return ClassifyDrive(path, ReadMountTable(), RemovableRootsFromEnvironment(), "/sys");
}

}  // namespace platform
