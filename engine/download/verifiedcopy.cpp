#include "download/verifiedcopy.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <vector>

#include "download/digest.h"
#include "platform/mounts.h"
#include "platform/safewrite.h"

CFdReader::~CFdReader() {
    if (m_fd >= 0) ::close(m_fd);
}

ssize_t CFdReader::Read(uint8_t* buffer, size_t size) {
    for (;;) {
        const ssize_t n = ::read(m_fd, buffer, size);
        if (n >= 0 || errno != EINTR) return n;
    }
}

namespace {

std::string ErrnoText(const char* what, int err) { return std::string(what) + ": " + std::strerror(err); }

// Removes the temporary file unless it was renamed into place.
struct TempFile {
    std::string path;
    bool keep = false;
    ~TempFile() {
        if (!path.empty() && !keep) ::unlink(path.c_str());
    }
};

std::string FolderOf(const std::string& path) {
    const size_t slash = path.find_last_of('/');
    if (slash == std::string::npos) return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

// Creates a new file with a name no one else uses in `folder`.
platform::UniqueFd CreateTemp(const std::string& folder, std::string& path, int& err) {
    static std::atomic<unsigned> counter{0};
    for (int attempt = 0; attempt < 100; ++attempt) {
        const auto ticks = std::chrono::steady_clock::now().time_since_epoch().count();
        char name[96];
        std::snprintf(name, sizeof name, "/.lumaret-download-%d-%u-%llx.part", static_cast<int>(::getpid()),
                      counter.fetch_add(1), static_cast<unsigned long long>(ticks));
        path = folder + name;
        const int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd >= 0) return platform::UniqueFd(fd);
        err = errno;
        if (err != EEXIST) break;
    }
    path.clear();
    return {};
}

bool WriteAllKeepErrno(int fd, const uint8_t* data, size_t size) {
    while (size > 0) {
        const ssize_t n = ::write(fd, data, size);
        if (n < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        if (n == 0) {
            errno = EIO;
            return false;
        }
        data += n;
        size -= static_cast<size_t>(n);
    }
    return true;
}

bool IsDiskFull(int err) { return err == ENOSPC || err == EDQUOT; }

// Moves `from` to `to`; without `replace` an existing `to` is never replaced (EEXIST).
bool RenameIntoPlace(const std::string& from, const std::string& to, bool replace) {
    if (replace) return ::rename(from.c_str(), to.c_str()) == 0;
    if (::renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE) == 0) return true;
    if (errno != EINVAL && errno != ENOSYS && errno != ENOTSUP) return false;
    // File systems without an atomic no-replace rename: a hard link fails on an existing
    // name; where links are not possible either, check and rename (a narrow window).
    if (::link(from.c_str(), to.c_str()) == 0) {
        ::unlink(from.c_str());
        return true;
    }
    if (errno == EEXIST) return false;
    struct stat st {};
    if (::lstat(to.c_str(), &st) == 0) {
        errno = EEXIST;
        return false;
    }
    return ::rename(from.c_str(), to.c_str()) == 0;
}

void SyncFolder(const std::string& folder) {
    platform::UniqueFd dir(::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (dir.IsOpen()) ::fsync(dir.Get());
}

bool Cancelled(const CopyRequest& r) { return r.cancel && r.cancel->load(); }

}  // namespace

CopyOutcome VerifiedCopy(const CopyRequest& r) {
    CopyOutcome out;
    struct stat st {};
    if (!r.replace && ::lstat(r.target.c_str(), &st) == 0) {
        out.status = CopyStatus::Exists;
        return out;
    }
    if (!r.source) {
        out.error = "no source";
        return out;
    }
    const std::string folder = FolderOf(r.target);
    const uint64_t needed =
        r.expectedSize > UINT64_MAX - kFreeSpaceReserve ? UINT64_MAX : r.expectedSize + kFreeSpaceReserve;
    if (const auto free = platform::FreeSpace(folder); free && *free < needed) {
        out.status = CopyStatus::DiskFull;
        out.error = "not enough free space on the disk (" + std::to_string(r.expectedSize / 1024) + " KB needed, " +
                    std::to_string(*free / 1024) + " KB free)";
        return out;
    }

    TempFile temp;
    int err = 0;
    platform::UniqueFd fd = CreateTemp(folder, temp.path, err);
    if (!fd.IsOpen()) {
        out.error = ErrnoText("cannot create a file in the target folder", err);
        out.status = IsDiskFull(err) ? CopyStatus::DiskFull : CopyStatus::Failed;
        return out;
    }

    CDigest written;
    std::vector<uint8_t> buffer(r.bufferSize ? r.bufferSize : 1 << 20);
    // A short read is not the end: only a read of 0 bytes is.
    for (;;) {
        if (Cancelled(r)) {
            out.status = CopyStatus::Cancelled;
            return out;
        }
        const ssize_t n = r.source->Read(buffer.data(), buffer.size());
        if (n < 0) {
            out.error = ErrnoText("read error", errno);
            return out;
        }
        if (n == 0) break;
        if (!WriteAllKeepErrno(fd.Get(), buffer.data(), static_cast<size_t>(n))) {
            err = errno;
            out.error = ErrnoText("write error", err);
            if (IsDiskFull(err)) out.status = CopyStatus::DiskFull;
            return out;
        }
        written.Update(buffer.data(), static_cast<size_t>(n));
        out.bytes += static_cast<uint64_t>(n);
        if (r.progress) r.progress(out.bytes);
    }
    if (r.modified) {
        const timespec times[2] = {{0, UTIME_OMIT}, *r.modified};
        ::futimens(fd.Get(), times);
    }
    if (::fdatasync(fd.Get()) != 0) {
        err = errno;
        out.error = ErrnoText("cannot flush the copy to disk", err);
        if (IsDiskFull(err)) out.status = CopyStatus::DiskFull;
        return out;
    }

    // Read the copy back from the disk, not from the page cache, and compare.
    ::posix_fadvise(fd.Get(), 0, 0, POSIX_FADV_DONTNEED);
    CDigest reread;
    uint64_t readBack = 0;
    for (;;) {
        if (Cancelled(r)) {
            out.status = CopyStatus::Cancelled;
            return out;
        }
        const ssize_t n = ::pread(fd.Get(), buffer.data(), buffer.size(), static_cast<off_t>(readBack));
        if (n < 0) {
            if (errno == EINTR) continue;
            out.error = ErrnoText("cannot read the copy back", errno);
            return out;
        }
        if (n == 0) break;
        reread.Update(buffer.data(), static_cast<size_t>(n));
        readBack += static_cast<uint64_t>(n);
    }
    CDigest::Value a{}, b{};
    if (!written.Finish(a) || !reread.Finish(b)) {
        out.error = "cannot compute a digest";
        return out;
    }
    if (readBack != out.bytes || a != b) {
        out.error = "the copy read back from the disk differs from the original";
        return out;
    }
    if (!fd.Close()) {
        out.error = ErrnoText("cannot close the copy", errno);
        return out;
    }
    if (Cancelled(r)) {
        out.status = CopyStatus::Cancelled;
        return out;
    }
    if (!RenameIntoPlace(temp.path, r.target, r.replace)) {
        err = errno;
        if (err == EEXIST) {
            out.status = CopyStatus::Exists;
        } else {
            out.error = ErrnoText("cannot rename the copy into place", err);
        }
        return out;
    }
    temp.keep = true;
    // The new name must be on the disk before the original may be deleted.
    SyncFolder(folder);
    out.status = CopyStatus::Copied;
    return out;
}
