#pragma once
// The setup wizard's folder handling: the check of a typed folder and the automatic choice
// of the download folder over the mounted file systems.
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "platform/drivetype.h"
#include "platform/mounts.h"
#include "platform/programfolder.h"

namespace setup {

// True when `folder` is an existing folder or could be created; only the last level is
// created, so a folder whose parent is missing fails.
bool EnsureFolder(const std::string& folder);

// The message shown when EnsureFolder fails.
std::string FolderErrorMessage(const std::string& folder);

// The name of the download folder the wizard proposes.
inline constexpr const char* kDownloadFolderName = "Lumaret Photos";

// What the automatic choice asks about each mounted file system; tests give fakes.
struct MountProbe {
    std::function<platform::DriveType(const platform::MountEntry&)> classify;
    std::function<std::optional<uint64_t>(const std::string& path)> freeBytes;  // for this user
    std::function<bool(const std::string& path)> writable;
};

// The probe over the real system (sysfs, statvfs, access).
MountProbe SystemMountProbe();

// The automatic choice of the download folder. Candidates are the file system holding
// `home` first, then the other mounted block-device file systems in table order (each device
// once); only fixed, writable ones with free space count. The one with the most bytes
// available wins, an earlier one on a tie. The proposal is `picturesFolder`/Lumaret Photos
// when the home's file system wins, else the winning mount point/Lumaret Photos. Nothing
// when no file system qualifies.
std::optional<std::string> ChooseDownloadFolder(const std::vector<platform::MountEntry>& mounts,
                                                const std::string& home, const std::string& picturesFolder,
                                                const MountProbe& probe);

// The user's pictures folder: XDG_PICTURES_DIR from `configHome`/user-dirs.dirs, else
// `home`/Pictures.
std::string PicturesFolder(const std::string& home, const std::string& configHome);

// What the wizard's download page proposes on entry: the stored root when set, else the
// automatic choice over the real mount table, else `picturesFolder`/Lumaret Photos.
std::string ProposeDownloadFolder(const std::string& storedRoot, const platform::EnvLookup& env);

}  // namespace setup
