#include "platform/safewrite.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <vector>

namespace platform {

void UniqueFd::Reset(int fd) {
    if (m_fd >= 0) ::close(m_fd);
    m_fd = fd;
}

bool UniqueFd::Close() {
    if (m_fd < 0) return true;
    const int fd = Release();
    return ::close(fd) == 0;
}

bool WriteAll(int fd, const void* data, size_t size) {
    const auto* bytes = static_cast<const uint8_t*>(data);
    while (size > 0) {
        const ssize_t n = ::write(fd, bytes, size);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        bytes += n;
        size -= static_cast<size_t>(n);
    }
    return true;
}

unsigned CurrentUmask() {
    // /proc shows the mask without the umask(0)/umask(old) dance, which would briefly give
    // files made by other threads the wrong permissions.
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line)) {
        if (line.rfind("Umask:", 0) == 0) return static_cast<unsigned>(std::strtoul(line.c_str() + 6, nullptr, 8));
    }
    const mode_t mask = ::umask(022);
    ::umask(mask);
    return mask;
}

namespace {

std::string ErrnoText() { return std::strerror(errno); }

// The file a target path really names: a symbolic link is followed so that the link survives.
std::string ResolveTarget(const std::string& target) {
    struct stat info {};
    if (::lstat(target.c_str(), &info) != 0 || !S_ISLNK(info.st_mode)) return target;
    char resolved[PATH_MAX];
    if (::realpath(target.c_str(), resolved)) return resolved;
    // A dangling link: write where it points to.
    std::vector<char> buffer(PATH_MAX);
    const ssize_t n = ::readlink(target.c_str(), buffer.data(), buffer.size() - 1);
    if (n <= 0) return target;
    std::string link(buffer.data(), static_cast<size_t>(n));
    if (link[0] == '/') return link;
    const size_t slash = target.rfind('/');
    return slash == std::string::npos ? link : target.substr(0, slash + 1) + link;
}

std::string FolderOf(const std::string& path) {
    const size_t slash = path.rfind('/');
    if (slash == std::string::npos) return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

// A new, empty file beside `target` under a name nobody else holds.
UniqueFd CreateTempBeside(const std::string& target, std::string& tempPath, std::string& error) {
    const size_t slash = target.rfind('/');
    const std::string prefix = slash == std::string::npos ? std::string() : target.substr(0, slash + 1);
    const std::string name = slash == std::string::npos ? target : target.substr(slash + 1);
    std::string pattern = prefix + "." + name + ".tmp-XXXXXX";
    // mkostemp opens with O_CREAT|O_EXCL, so an existing file is never reused.
    UniqueFd fd(::mkostemp(pattern.data(), O_CLOEXEC));
    if (!fd.IsOpen()) {
        error = "cannot create a file in " + FolderOf(target) + ": " + ErrnoText();
        return fd;
    }
    tempPath = pattern;
    return fd;
}

mode_t ModeFor(const std::string& target) {
    struct stat existing {};
    if (::stat(target.c_str(), &existing) == 0) return existing.st_mode & 07777;
    return 0666 & ~static_cast<mode_t>(CurrentUmask());
}

// Renames the flushed temporary file over the target and flushes the folder entry.
bool Publish(const std::string& tempPath, const std::string& target, std::string& error) {
    if (std::rename(tempPath.c_str(), target.c_str()) != 0) {
        error = "cannot replace " + target + ": " + ErrnoText();
        return false;
    }
    UniqueFd folder(::open(FolderOf(target).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    // The rename has happened; a folder that cannot be flushed still holds the new file.
    if (folder.IsOpen()) ::fsync(folder.Get());
    return true;
}

}  // namespace

bool ReplaceFile(const std::string& targetPath, const std::function<bool(int fd)>& produce, std::string& error) {
    const std::string target = ResolveTarget(targetPath);
    std::string tempPath;
    UniqueFd fd = CreateTempBeside(target, tempPath, error);
    if (!fd.IsOpen()) return false;
    bool ok = ::fchmod(fd.Get(), ModeFor(target)) == 0;
    if (!ok) error = "cannot set the permissions of " + tempPath + ": " + ErrnoText();
    if (ok && !produce(fd.Get())) {
        if (error.empty()) error = "writing " + target + " failed";
        ok = false;
    }
    if (ok && ::fsync(fd.Get()) != 0) {
        error = "cannot flush " + target + " to disk: " + ErrnoText();
        ok = false;
    }
    if (ok && !fd.Close()) {
        error = "writing " + target + " failed: " + ErrnoText();
        ok = false;
    }
    if (ok) ok = Publish(tempPath, target, error);
    if (!ok) ::unlink(tempPath.c_str());
    return ok;
}

bool ReplaceFileByPath(const std::string& targetPath,
                       const std::function<bool(const std::string& tempPath)>& produce, std::string& error) {
    const std::string target = ResolveTarget(targetPath);
    std::string tempPath;
    UniqueFd fd = CreateTempBeside(target, tempPath, error);
    if (!fd.IsOpen()) return false;
    bool ok = ::fchmod(fd.Get(), ModeFor(target)) == 0;
    if (!ok) error = "cannot set the permissions of " + tempPath + ": " + ErrnoText();
    // The writer opens the file by name (truncating the empty file, keeping its inode and mode);
    // the descriptor kept here flushes what it wrote.
    if (ok && !produce(tempPath)) {
        if (error.empty()) error = "writing " + target + " failed";
        ok = false;
    }
    if (ok && ::fsync(fd.Get()) != 0) {
        error = "cannot flush " + target + " to disk: " + ErrnoText();
        ok = false;
    }
    fd.Reset();
    if (ok) ok = Publish(tempPath, target, error);
    if (!ok) ::unlink(tempPath.c_str());
    return ok;
}

bool ReplaceFileWithBytes(const std::string& target, std::span<const uint8_t> bytes, std::string& error) {
    return ReplaceFile(target, [&](int fd) {
        if (WriteAll(fd, bytes.data(), bytes.size())) return true;
        error = "writing " + target + " failed: " + ErrnoText();
        return false;
    }, error);
}

}  // namespace platform
