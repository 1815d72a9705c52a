#pragma once
// Copying one picture so that it can be trusted before the original is deleted: the bytes
// go to a unique temporary file beside the target while their digest is taken, the file is
// flushed, its cached pages dropped and read back from the disk and compared, and only then
// renamed to the target name.
#include <sys/types.h>

#include <atomic>
#include <cstdint>
#include <ctime>
#include <functional>
#include <memory>
#include <optional>
#include <string>

// Where the bytes of a picture come from (a file on a card, a camera transfer).
class IByteReader {
public:
    virtual ~IByteReader() = default;
    // Reads up to `size` bytes: the count read, 0 at the end, -1 on an error (errno set).
    // Fewer bytes than asked do not mean the end.
    virtual ssize_t Read(uint8_t* buffer, size_t size) = 0;
};

// Reads an open file descriptor from its current position; owns it.
class CFdReader : public IByteReader {
public:
    explicit CFdReader(int fd) : m_fd(fd) {}
    ~CFdReader() override;
    CFdReader(const CFdReader&) = delete;
    CFdReader& operator=(const CFdReader&) = delete;
    ssize_t Read(uint8_t* buffer, size_t size) override;

private:
    int m_fd;
};

enum class CopyStatus {
    Copied,     // the target holds a verified copy
    Exists,     // the target exists and replacing it was not allowed
    Failed,     // nothing was made under the target name
    DiskFull,   // as Failed, and the disk holding the target has no room left
    Cancelled,  // stopped on request; nothing was made under the target name
};

struct CopyRequest {
    IByteReader* source = nullptr;
    uint64_t expectedSize = 0;           // for the free-space check; 0 when unknown
    std::string target;                  // full path of the file to make
    bool replace = false;                // the user agreed to replace an existing target
    std::optional<timespec> modified;    // modification time to give the copy
    const std::atomic<bool>* cancel = nullptr;
    std::function<void(uint64_t copied)> progress;  // bytes copied so far
    size_t bufferSize = 1 << 20;
};

struct CopyOutcome {
    CopyStatus status = CopyStatus::Failed;
    std::string error;    // why, for Failed and DiskFull
    uint64_t bytes = 0;   // bytes copied
};

// Copies as described above. Whatever happens, the temporary file is gone afterwards and
// the target name holds either what it held before or the verified copy.
CopyOutcome VerifiedCopy(const CopyRequest& request);

// Room kept free on the target disk beyond the file itself.
constexpr uint64_t kFreeSpaceReserve = 1 << 20;
