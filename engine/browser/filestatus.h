#pragma once
// File status as the browser records it: kind, size and creation time.
#include <cstdint>
#include <string>

#include "browser/fileentry.h"

struct FileStatus {
    bool isFolder = false;
    bool isRegular = false;
    uint64_t size = 0;
    FileTime created{};       // birth time where the file system keeps one, else modification time
    uint64_t device = 0;
    uint64_t inode = 0;
};

// Reads the status of `path`, following symbolic links. False when it cannot be read.
bool ReadFileStatus(const std::string& path, FileStatus& status);

// `folder` + "/" + `name` (no doubled slash at the root).
std::string JoinPath(const std::string& folder, const std::string& name);

// The last component of a path.
std::string FileNameOf(const std::string& path);
