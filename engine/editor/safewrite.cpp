#include "editor/safewrite.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <vector>

bool ReplaceFileSafely(const std::string& target, const std::function<bool(const std::string&)>& produce,
                       std::string& error) {
    const size_t slash = target.rfind('/');
    const std::string folder = slash == std::string::npos ? "." : target.substr(0, slash + 1);
    const std::string name = slash == std::string::npos ? target : target.substr(slash + 1);
    std::string pattern = (slash == std::string::npos ? std::string() : folder) + "." + name + ".XXXXXX";
    std::vector<char> temp(pattern.begin(), pattern.end());
    temp.push_back('\0');
    const int fd = mkstemp(temp.data());
    if (fd < 0) {
        error = "cannot create a file in " + folder + ": " + std::strerror(errno);
        return false;
    }
    close(fd);
    const std::string tempPath = temp.data();

    // The new file gets the old one's permissions, or the usual ones for a new file;
    // mkstemp alone would leave it readable by its owner only.
    struct stat existing {};
    mode_t mode;
    if (stat(target.c_str(), &existing) == 0) {
        mode = existing.st_mode & 07777;
    } else {
        const mode_t mask = umask(0);
        umask(mask);
        mode = 0666 & ~mask;
    }

    if (!produce(tempPath)) {
        unlink(tempPath.c_str());
        if (error.empty()) error = "writing " + target + " failed";
        return false;
    }
    chmod(tempPath.c_str(), mode);
    if (std::rename(tempPath.c_str(), target.c_str()) != 0) {
        error = "cannot replace " + target + ": " + std::strerror(errno);
        unlink(tempPath.c_str());
        return false;
    }
    return true;
}
