#pragma once
// The mount table: which mounted file system holds a path, and how much room it has left.
// A mount point plays the part of a drive: its root is the "drive part" of a path.
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace platform {

struct MountEntry {
    unsigned major = 0;       // device numbers of the mounted file system
    unsigned minor = 0;
    std::string mountPoint;   // absolute, with escapes undone
    std::string fsType;       // e.g. "ext4", "vfat", "iso9660"
    std::string source;       // the mount source, e.g. "/dev/sdb1"
};

// Parses the text of /proc/self/mountinfo; lines that do not parse are skipped.
std::vector<MountEntry> ParseMountInfo(const std::string& text);

// The current process' mount table, empty when it cannot be read.
std::vector<MountEntry> ReadMountTable();

// The mount whose mount point is the longest folder prefix of `path` (an absolute,
// normalised path); of equal mount points the later one wins (it covers the earlier).
// Null when no entry matches.
const MountEntry* FindMount(const std::vector<MountEntry>& mounts, const std::string& path);

// `path` made absolute and normalised, with symbolic links resolved as far as it exists;
// no trailing "/" except for the root itself.
std::string ResolvePath(const std::string& path);

// True when `prefix` is `path` itself or one of its parent folders (whole components).
bool PathHasPrefix(const std::string& path, const std::string& prefix);

// Bytes available to this user on the file system holding `path`, or nothing on error.
std::optional<uint64_t> FreeSpace(const std::string& path);

}  // namespace platform
