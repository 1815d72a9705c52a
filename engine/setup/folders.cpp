#include "setup/folders.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <fstream>
#include <set>
#include <sstream>
#include <utility>

namespace setup {

namespace fs = std::filesystem;

bool EnsureFolder(const std::string& folder) {
    if (folder.empty()) return false;
    std::error_code error;
    if (fs::is_directory(folder, error)) return true;
    return ::mkdir(folder.c_str(), 0777) == 0 || (errno == EEXIST && fs::is_directory(folder, error));
}

std::string FolderErrorMessage(const std::string& folder) {
    return "Unable to create folder '" + folder + "'. Please check the path and try again.";
}

MountProbe SystemMountProbe() {
    MountProbe probe;
    probe.classify = [](const platform::MountEntry& mount) {
        return platform::ClassifyDrive(mount.mountPoint).type;
    };
    probe.freeBytes = [](const std::string& path) { return platform::FreeSpace(path); };
    probe.writable = [](const std::string& path) { return ::access(path.c_str(), W_OK) == 0; };
    return probe;
}

std::optional<std::string> ChooseDownloadFolder(const std::vector<platform::MountEntry>& mounts,
                                                const std::string& home, const std::string& picturesFolder,
                                                const MountProbe& probe) {
    // The home's file system is asked about the home folder itself: its mount root (often
    // "/") is rarely writable by the user, the home is.
    struct Candidate {
        const platform::MountEntry* mount;
        std::string probePath;
        bool isHome;
    };
    std::vector<Candidate> candidates;
    std::set<std::pair<unsigned, unsigned>> seen;
    if (const platform::MountEntry* homeMount = platform::FindMount(mounts, home)) {
        candidates.push_back({homeMount, home, true});
        seen.insert({homeMount->major, homeMount->minor});
    }
    for (const platform::MountEntry& mount : mounts) {
        // Only file systems on block devices: proc, tmpfs, cgroup and the like hold no photos.
        if (mount.source.rfind("/dev/", 0) != 0) continue;
        if (!seen.insert({mount.major, mount.minor}).second) continue;  // bind mounts, subvolumes
        candidates.push_back({&mount, mount.mountPoint, false});
    }

    const Candidate* best = nullptr;
    uint64_t bestFree = 0;
    for (const Candidate& candidate : candidates) {
        if (probe.classify(*candidate.mount) != platform::DriveType::Fixed) continue;
        if (!probe.writable(candidate.probePath)) continue;
        const std::optional<uint64_t> free = probe.freeBytes(candidate.probePath);
        if (!free || *free <= bestFree) continue;  // a tie keeps the earlier one
        best = &candidate;
        bestFree = *free;
    }
    if (!best) return std::nullopt;
    const fs::path base = best->isHome ? fs::path(picturesFolder) : fs::path(best->mount->mountPoint);
    return (base / kDownloadFolderName).string();
}

std::string PicturesFolder(const std::string& home, const std::string& configHome) {
    std::ifstream file(fs::path(configHome) / "user-dirs.dirs");
    std::string line;
    while (std::getline(file, line)) {
        const std::string key = "XDG_PICTURES_DIR=";
        const size_t start = line.find_first_not_of(" \t");
        if (start == std::string::npos || line.compare(start, key.size(), key) != 0) continue;
        std::string value = line.substr(start + key.size());
        while (!value.empty() && (value.back() == ' ' || value.back() == '\t' || value.back() == '\r')) value.pop_back();
        if (value.size() >= 2 && value.front() == '"' && value.back() == '"') value = value.substr(1, value.size() - 2);
        // The file allows only "$HOME/..." or an absolute path; backslashes escape.
        std::string unescaped;
        for (size_t i = 0; i < value.size(); ++i) {
            if (value[i] == '\\' && i + 1 < value.size()) ++i;
            unescaped += value[i];
        }
        if (unescaped == "$HOME" || unescaped.rfind("$HOME/", 0) == 0) return home + unescaped.substr(5);
        if (!unescaped.empty() && unescaped.front() == '/') return unescaped;
    }
    return (fs::path(home) / "Pictures").string();
}

std::string ProposeDownloadFolder(const std::string& storedRoot, const platform::EnvLookup& env) {
    if (!storedRoot.empty()) return storedRoot;
    const std::string homeVariable = env("HOME");
    const std::string home = platform::ResolvePath(homeVariable.empty() ? std::string(1, '/') : homeVariable);
    const std::string pictures = PicturesFolder(home, platform::XdgConfigHome(env).string());
    if (auto chosen = ChooseDownloadFolder(platform::ReadMountTable(), home, pictures, SystemMountProbe()))
        return *chosen;
    return (fs::path(pictures) / kDownloadFolderName).string();
}

}  // namespace setup
