#include "platform/trash.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <filesystem>

#include "platform/mounts.h"

namespace platform {
namespace fs = std::filesystem;
namespace {

struct TrashTarget {
    std::string folder;  // the trash folder holding files/ and info/
    std::string topdir;  // set for a trash at the top of a mount: Path= is relative to it
};

std::string ErrnoText(const std::string& what) { return what + ": " + std::strerror(errno); }

// Device of `path`, or of its nearest existing parent folder when it does not exist yet.
bool DeviceOf(fs::path path, dev_t& device) {
    struct stat st {};
    for (;;) {
        if (::stat(path.c_str(), &st) == 0) {
            device = st.st_dev;
            return true;
        }
        if (!path.has_relative_path()) return false;
        path = path.parent_path();
    }
}

bool MakeFolder(const std::string& path) {
    if (::mkdir(path.c_str(), 0700) == 0) return true;
    if (errno != EEXIST) return false;
    struct stat st {};
    return ::lstat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

// Makes the trash folder (0700) and its files/ and info/; `createParents` also makes the
// folders above it (the home trash's data folder may not exist yet).
bool PrepareTrash(const std::string& folder, bool createParents) {
    if (createParents) {
        std::error_code ec;
        fs::create_directories(fs::path(folder).parent_path(), ec);
    }
    return MakeFolder(folder) && MakeFolder(folder + "/files") && MakeFolder(folder + "/info");
}

// $topdir/.Trash/$uid when the administrator made a sticky, non-symlink .Trash there;
// otherwise $topdir/.Trash-$uid.
bool TopdirTrash(const std::string& topdir, TrashTarget& target) {
    const std::string uid = std::to_string(::getuid());
    const std::string base = topdir == "/" ? "" : topdir;
    struct stat st {};
    const std::string shared = base + "/.Trash";
    if (::lstat(shared.c_str(), &st) == 0 && S_ISDIR(st.st_mode) && (st.st_mode & S_ISVTX)) {
        const std::string own = shared + "/" + uid;
        if (PrepareTrash(own, false)) {
            target = {own, topdir};
            return true;
        }
    }
    const std::string own = base + "/.Trash-" + uid;
    if (!PrepareTrash(own, false)) return false;
    if (::lstat(own.c_str(), &st) != 0 || st.st_uid != ::getuid()) return false;
    target = {own, topdir};
    return true;
}

std::string DeletionDate() {
    const std::time_t now = std::time(nullptr);
    std::tm local {};
    localtime_r(&now, &local);
    char text[32];
    std::strftime(text, sizeof text, "%Y-%m-%dT%H:%M:%S", &local);
    return text;
}

// Creates info/<name>.trashinfo exclusively, trying "stem.2.ext", "stem.3.ext"... when the
// name is taken; the info file reserves the name in files/ as the freedesktop.org trash rules require.
bool ReserveName(const std::string& trash, const std::string& name, const std::string& content,
                 std::string& chosen, std::string& infoPath, std::string& error) {
    const fs::path asPath(name);
    const std::string stem = asPath.stem().string(), ext = asPath.extension().string();
    for (int n = 1; n < 10000; ++n) {
        const std::string candidate =
            n == 1 ? name : (stem.empty() ? name + "." + std::to_string(n) : stem + "." + std::to_string(n) + ext);
        const std::string info = trash + "/info/" + candidate + ".trashinfo";
        const int fd = ::open(info.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
        if (fd < 0) {
            if (errno == EEXIST) continue;
            error = ErrnoText("cannot create " + info);
            return false;
        }
        // A name can also be taken in files/ without an info file (left by another program).
        struct stat st {};
        const std::string file = trash + "/files/" + candidate;
        if (::lstat(file.c_str(), &st) == 0) {
            ::close(fd);
            ::unlink(info.c_str());
            continue;
        }
        const ssize_t written = ::write(fd, content.data(), content.size());
        const bool closed = ::close(fd) == 0;
        if (written != static_cast<ssize_t>(content.size()) || !closed) {
            error = ErrnoText("cannot write " + info);
            ::unlink(info.c_str());
            return false;
        }
        chosen = candidate;
        infoPath = info;
        return true;
    }
    error = "no free name in the trash for " + name;
    return false;
}

// rename() that never replaces an existing file; falls back to a plain rename on file
// systems without RENAME_NOREPLACE (the name was reserved through the info file anyway).
bool RenameNoReplace(const std::string& from, const std::string& to) {
    if (::renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE) == 0) return true;
    if (errno != EINVAL && errno != ENOSYS) return false;
    return ::rename(from.c_str(), to.c_str()) == 0;
}

}  // namespace

std::string HomeTrashFolder() {
    const char* data = std::getenv("XDG_DATA_HOME");
    if (data && data[0] == '/') return std::string(data) + "/Trash";
    const char* home = std::getenv("HOME");
    return std::string(home && home[0] ? home : "/") + "/.local/share/Trash";
}

std::string EncodeTrashPath(const std::string& path) {
    static const char* hex = "0123456789ABCDEF";
    std::string out;
    for (unsigned char c : path) {
        const bool plain = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ||
                           c == '/' || c == '-' || c == '_' || c == '.' || c == '~';
        if (plain) {
            out.push_back(static_cast<char>(c));
        } else {
            out.push_back('%');
            out.push_back(hex[c >> 4]);
            out.push_back(hex[c & 15]);
        }
    }
    return out;
}

TrashOutcome MoveToTrash(const std::string& path) {
    TrashOutcome outcome;
    // The last component is not resolved: trashing a symbolic link trashes the link.
    std::error_code ec;
    fs::path absolute = fs::absolute(path, ec).lexically_normal();
    if (ec || !absolute.has_filename()) absolute = fs::path(path).lexically_normal();
    std::string name = absolute.filename().string();
    if (name.empty() || name == "." || name == "..") {
        outcome.error = "not a file: " + path;
        return outcome;
    }
    const std::string parent = ResolvePath(absolute.parent_path().string());
    const std::string full = (parent == "/" ? "" : parent) + "/" + name;

    struct stat st {};
    if (::lstat(full.c_str(), &st) != 0) {
        outcome.error = ErrnoText("cannot read " + full);
        return outcome;
    }

    TrashTarget target;
    const std::string home = HomeTrashFolder();
    dev_t homeDevice = 0;
    if (DeviceOf(home, homeDevice) && homeDevice == st.st_dev) {
        if (!PrepareTrash(home, true)) {
            outcome.error = ErrnoText("cannot make the trash folder " + home);
            return outcome;
        }
        target.folder = home;
    } else {
        const std::vector<MountEntry> mounts = ReadMountTable();
        const MountEntry* mount = FindMount(mounts, parent);
        if (!mount || !TopdirTrash(mount->mountPoint, target)) {
            outcome.error = "no trash folder can be made on the file system of " + full;
            return outcome;
        }
    }

    std::string recorded = full;
    if (!target.topdir.empty() && target.topdir != "/") recorded = full.substr(target.topdir.size() + 1);
    else if (target.topdir == "/") recorded = full.substr(1);
    const std::string content =
        "[Trash Info]\nPath=" + EncodeTrashPath(recorded) + "\nDeletionDate=" + DeletionDate() + "\n";

    std::string chosen;
    if (!ReserveName(target.folder, name, content, chosen, outcome.infoPath, outcome.error)) return outcome;
    const std::string destination = target.folder + "/files/" + chosen;
    if (!RenameNoReplace(full, destination)) {
        outcome.error = ErrnoText("cannot move " + full + " to the trash");
        ::unlink(outcome.infoPath.c_str());
        outcome.infoPath.clear();
        return outcome;
    }
    outcome.ok = true;
    outcome.trashedPath = destination;
    return outcome;
}

}  // namespace platform
