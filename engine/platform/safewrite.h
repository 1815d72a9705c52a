#pragma once
// Replacing a file without ever leaving it half-written: every file the program writes goes
// through here (pictures, EXIF rewrites, settings, presets, databases, histories, copies).
#include <cstddef>
#include <cstdint>
#include <functional>
#include <span>
#include <string>

namespace platform {

// Owns one open file descriptor and closes it on destruction.
class UniqueFd {
public:
    UniqueFd() = default;
    explicit UniqueFd(int fd) : m_fd(fd) {}
    ~UniqueFd() { Reset(); }
    UniqueFd(UniqueFd&& other) noexcept : m_fd(other.Release()) {}
    UniqueFd& operator=(UniqueFd&& other) noexcept {
        if (this != &other) Reset(other.Release());
        return *this;
    }
    UniqueFd(const UniqueFd&) = delete;
    UniqueFd& operator=(const UniqueFd&) = delete;

    // The descriptor, or -1.
    int Get() const { return m_fd; }
    bool IsOpen() const { return m_fd >= 0; }
    // Gives up ownership without closing.
    int Release() {
        const int fd = m_fd;
        m_fd = -1;
        return fd;
    }
    // Closes the held descriptor (if any) and takes `fd`.
    void Reset(int fd = -1);
    // Closes now and reports whether close succeeded (a deferred write error shows here).
    bool Close();

private:
    int m_fd = -1;
};

// Writes all of `size` bytes, resuming after short writes and interrupted calls.
bool WriteAll(int fd, const void* data, size_t size);

// What the final rename does when a file of the target's name exists by then.
enum class ExistingTarget {
    Replace,  // replace it (symbolic links are followed and stay links)
    Keep,     // keep it and fail: for new files such as copies whose target was free when asked
};

// Replaces `target` with what `produce` writes to the open descriptor of a new file: the new
// file gets a unique name beside the target (O_CREAT|O_EXCL), is flushed to disk, takes the old
// file's permissions (or 0666 less the umask), and is renamed over the target; the folder is
// then flushed too. A symbolic link as target stays a link: the file it names is replaced.
// On any failure the temporary file is removed, the target is untouched and `error` says why
// (`produce` may set `error` itself before it returns false).
bool ReplaceFile(const std::string& target, const std::function<bool(int fd)>& produce, std::string& error,
                 ExistingTarget existing = ExistingTarget::Replace);

// The same for writers that open the file themselves: `produce` gets the temporary file's path
// and may write it in place or replace it by another file of that name.
bool ReplaceFileByPath(const std::string& target, const std::function<bool(const std::string& tempPath)>& produce,
                       std::string& error, ExistingTarget existing = ExistingTarget::Replace);

// Replaces `target` with `bytes`.
bool ReplaceFileWithBytes(const std::string& target, std::span<const uint8_t> bytes, std::string& error);

// The process's file-creation mask, read without changing it (other threads may be creating files).
unsigned CurrentUmask();

}  // namespace platform
