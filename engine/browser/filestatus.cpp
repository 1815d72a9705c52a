#include "browser/filestatus.h"

#include <fcntl.h>
#include <sys/stat.h>

bool ReadFileStatus(const std::string& path, FileStatus& status) {
    struct statx info {};
    if (::statx(AT_FDCWD, path.c_str(), AT_STATX_SYNC_AS_STAT,
                STATX_TYPE | STATX_SIZE | STATX_BTIME | STATX_MTIME | STATX_INO, &info) != 0)
        return false;
    status.isFolder = S_ISDIR(info.stx_mode);
    status.isRegular = S_ISREG(info.stx_mode);
    status.size = info.stx_size;
    const bool hasBirth = (info.stx_mask & STATX_BTIME) != 0 && info.stx_btime.tv_sec != 0;
    const struct statx_timestamp& t = hasBirth ? info.stx_btime : info.stx_mtime;
    status.created = FileTime::FromUnix(t.tv_sec, t.tv_nsec);
    status.device = (static_cast<uint64_t>(info.stx_dev_major) << 32) | info.stx_dev_minor;
    status.inode = info.stx_ino;
    return true;
}

std::string JoinPath(const std::string& folder, const std::string& name) {
    if (folder.empty()) return name;
    if (folder.back() == '/') return folder + name;
    return folder + "/" + name;
}

std::string FileNameOf(const std::string& path) {
    size_t end = path.size();
    while (end > 1 && path[end - 1] == '/') --end;
    const size_t slash = path.rfind('/', end - 1);
    return slash == std::string::npos ? path.substr(0, end) : path.substr(slash + 1, end - slash - 1);
}
