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

// Temporary names are "." + name + ".tmp-XXXXXX"; a long name is shortened (at a UTF-8
// character boundary) so that the temporary name, and one made beside it in turn, still fit
// the 255 bytes a file name may have.
constexpr size_t kMaxNameInTemp = 200;

std::string TempPattern(const std::string& target) {
    const size_t slash = target.rfind('/');
    const std::string prefix = slash == std::string::npos ? std::string() : target.substr(0, slash + 1);
    std::string name = slash == std::string::npos ? target : target.substr(slash + 1);
    if (name.size() > kMaxNameInTemp) {
        size_t cut = kMaxNameInTemp;
        while (cut > 0 && (static_cast<unsigned char>(name[cut]) & 0xC0) == 0x80) --cut;
        name.resize(cut);
    }
    return prefix + "." + name + ".tmp-XXXXXX";
}

// A new, empty file beside `target` under a name nobody else holds, with `mode`.
UniqueFd CreateTempBeside(const std::string& target, mode_t mode, std::string& tempPath, std::string& error) {
    if (target.empty() || target.back() == '/') {
        error = "no file name given";
        return UniqueFd();
    }
    std::string pattern = TempPattern(target);
    // mkostemp opens with O_CREAT|O_EXCL, so an existing file is never reused.
    UniqueFd fd(::mkostemp(pattern.data(), O_CLOEXEC));
    if (!fd.IsOpen()) {
        error = "cannot create a file in " + FolderOf(target) + ": " + ErrnoText();
        return fd;
    }
    tempPath = pattern;
    if (::fchmod(fd.Get(), mode) != 0) {
        error = "cannot set the permissions of " + tempPath + ": " + ErrnoText();
        ::unlink(tempPath.c_str());
        fd.Reset();
    }
    return fd;
}

mode_t ModeFor(const std::string& target) {
    struct stat existing {};
    if (::stat(target.c_str(), &existing) == 0 && S_ISREG(existing.st_mode)) return existing.st_mode & 07777;
    return 0666 & ~static_cast<mode_t>(CurrentUmask());
}

// Gives the temporary file the target's name without replacing anything found there.
bool RenameKeepingExisting(const std::string& tempPath, const std::string& target) {
    if (::renameat2(AT_FDCWD, tempPath.c_str(), AT_FDCWD, target.c_str(), RENAME_NOREPLACE) == 0) return true;
    if (errno != EINVAL && errno != ENOSYS) return false;
    // File systems without the flag: a hard link fails just as surely on an existing name.
    if (::link(tempPath.c_str(), target.c_str()) == 0) {
        ::unlink(tempPath.c_str());
        return true;
    }
    if (errno == EEXIST) return false;
    // Nor hard links (FAT cards): a last look, then a plain rename.
    struct stat info {};
    if (::lstat(target.c_str(), &info) == 0) {
        errno = EEXIST;
        return false;
    }
    return std::rename(tempPath.c_str(), target.c_str()) == 0;
}

// Renames the flushed temporary file to the target and flushes the folder entry.
bool Publish(const std::string& tempPath, const std::string& target, ExistingTarget existing, std::string& error) {
    const bool renamed = existing == ExistingTarget::Keep ? RenameKeepingExisting(tempPath, target)
                                                          : std::rename(tempPath.c_str(), target.c_str()) == 0;
    if (!renamed) {
        error = errno == EEXIST ? target + " already exists" : "cannot replace " + target + ": " + ErrnoText();
        return false;
    }
    UniqueFd folder(::open(FolderOf(target).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    // The rename has happened; a folder that cannot be flushed still holds the new file.
    if (folder.IsOpen()) ::fsync(folder.Get());
    return true;
}

// The path to write: a link is followed when it is to be replaced, and is itself the
// existing file otherwise.
std::string TargetFor(const std::string& path, ExistingTarget existing) {
    return existing == ExistingTarget::Replace ? ResolveTarget(path) : path;
}

}  // namespace

bool ReplaceFile(const std::string& targetPath, const std::function<bool(int fd)>& produce, std::string& error,
                 ExistingTarget existing) {
    error.clear();
    const std::string target = TargetFor(targetPath, existing);
    std::string tempPath;
    UniqueFd fd = CreateTempBeside(target, ModeFor(target), tempPath, error);
    if (!fd.IsOpen()) return false;
    bool ok = produce(fd.Get());
    if (!ok && error.empty()) error = "writing " + target + " failed";
    if (ok && ::fsync(fd.Get()) != 0) {
        error = "cannot flush " + target + " to disk: " + ErrnoText();
        ok = false;
    }
    if (ok && !fd.Close()) {
        error = "writing " + target + " failed: " + ErrnoText();
        ok = false;
    }
    if (ok) ok = Publish(tempPath, target, existing, error);
    if (!ok) ::unlink(tempPath.c_str());
    return ok;
}

bool ReplaceFileByPath(const std::string& targetPath,
                       const std::function<bool(const std::string& tempPath)>& produce, std::string& error,
                       ExistingTarget existing) {
    error.clear();
    const std::string target = TargetFor(targetPath, existing);
    std::string tempPath;
    if (!CreateTempBeside(target, ModeFor(target), tempPath, error).IsOpen()) return false;
    bool ok = produce(tempPath);
    if (!ok && error.empty()) error = "writing " + target + " failed";
    if (ok) {
        // Opened again by name: the writer may have put a new file there (a rewrite of the
        // file through a temporary file of its own), and that file is the one to flush.
        UniqueFd written(::open(tempPath.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW));
        struct stat info {};
        if (!written.IsOpen() || ::fstat(written.Get(), &info) != 0 || !S_ISREG(info.st_mode)) {
            error = "writing " + target + " failed: the written file is missing";
            ok = false;
        } else if (::fsync(written.Get()) != 0) {
            error = "cannot flush " + target + " to disk: " + ErrnoText();
            ok = false;
        }
    }
    if (ok) ok = Publish(tempPath, target, existing, error);
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
