#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "download/verifiedcopy.h"
#include "download_test_util.h"

namespace {

using dltest::TempDir;

// Serves bytes from memory in reads of at most `chunk` bytes; fails with EIO once
// `failAfter` bytes have been served.
class MemoryReader : public IByteReader {
public:
    explicit MemoryReader(std::string bytes, size_t chunk = 1 << 20, size_t failAfter = SIZE_MAX)
        : m_bytes(std::move(bytes)), m_chunk(chunk), m_failAfter(failAfter) {}
    ssize_t Read(uint8_t* buffer, size_t size) override {
        if (m_pos >= m_failAfter) {
            errno = EIO;
            return -1;
        }
        const size_t n = std::min({size, m_chunk, m_bytes.size() - m_pos, m_failAfter - m_pos});
        std::memcpy(buffer, m_bytes.data() + m_pos, n);
        m_pos += n;
        return static_cast<ssize_t>(n);
    }

private:
    std::string m_bytes;
    size_t m_chunk, m_failAfter, m_pos = 0;
};

CopyRequest Request(IByteReader& reader, const std::string& target) {
    CopyRequest r;
    r.source = &reader;
    r.target = target;
    r.bufferSize = 4096;
    return r;
}

TEST(VerifiedCopy, CopiesEveryByteWithTheSourceTime) {
    TempDir dir;
    // Reads of a few bytes at a time: a short read is not the end of the file.
    struct Case {
        size_t size, chunk;
    };
    for (const Case c : {Case{0, 7}, Case{1, 7}, Case{100000, 7}, Case{100000, 1 << 20}, Case{4096 * 3, 4096}}) {
        const std::string bytes = dltest::Bytes(c.size, static_cast<unsigned>(c.size));
        MemoryReader reader(bytes, c.chunk);
        const std::string target = dir / ("copy" + std::to_string(c.size) + "_" + std::to_string(c.chunk));
        CopyRequest r = Request(reader, target);
        r.modified = timespec{1146477600, 0};
        const CopyOutcome out = VerifiedCopy(r);
        ASSERT_EQ(out.status, CopyStatus::Copied) << out.error;
        EXPECT_EQ(out.bytes, c.size);
        EXPECT_EQ(dltest::ReadText(target), bytes);
        struct stat st {};
        ASSERT_EQ(::stat(target.c_str(), &st), 0);
        EXPECT_EQ(st.st_mtim.tv_sec, 1146477600);
    }
    // No temporary file is left beside the copies.
    for (const std::string& name : dltest::FilesBelow(dir.Path())) EXPECT_EQ(name.rfind("copy", 0), 0u) << name;
}

TEST(VerifiedCopy, NeverReplacesUnasked) {
    TempDir dir;
    dltest::WriteText(dir / "a.jpg", "old");
    MemoryReader reader("new");
    EXPECT_EQ(VerifiedCopy(Request(reader, dir / "a.jpg")).status, CopyStatus::Exists);
    EXPECT_EQ(dltest::ReadText(dir / "a.jpg"), "old");

    MemoryReader again("new");
    CopyRequest r = Request(again, dir / "a.jpg");
    r.replace = true;
    EXPECT_EQ(VerifiedCopy(r).status, CopyStatus::Copied);
    EXPECT_EQ(dltest::ReadText(dir / "a.jpg"), "new");
    EXPECT_EQ(dltest::FilesBelow(dir.Path()), std::vector<std::string>{"a.jpg"});
}

TEST(VerifiedCopy, FailuresLeaveNothingUnderTheTargetName) {
    TempDir dir;
    const std::string bytes = dltest::Bytes(50000, 1);
    {
        MemoryReader reader(bytes, 1000, 20000);  // a read error part-way
        const CopyOutcome out = VerifiedCopy(Request(reader, dir / "read.jpg"));
        EXPECT_EQ(out.status, CopyStatus::Failed);
        EXPECT_NE(out.error.find("read error"), std::string::npos) << out.error;
    }
    {
        std::atomic<bool> cancel{false};
        MemoryReader reader(bytes, 1000);
        CopyRequest r = Request(reader, dir / "cancel.jpg");
        r.cancel = &cancel;
        r.progress = [&](uint64_t copied) {
            if (copied >= 10000) cancel = true;
        };
        EXPECT_EQ(VerifiedCopy(r).status, CopyStatus::Cancelled);
    }
    {
        MemoryReader reader(bytes);
        CopyRequest r = Request(reader, dir / "full.jpg");
        r.expectedSize = UINT64_MAX / 2;  // more than any disk has free
        const CopyOutcome out = VerifiedCopy(r);
        EXPECT_EQ(out.status, CopyStatus::DiskFull);
        EXPECT_NE(out.error.find("free space"), std::string::npos) << out.error;
    }
    {
        MemoryReader reader(bytes);
        EXPECT_EQ(VerifiedCopy(Request(reader, dir / "missing/folder.jpg")).status, CopyStatus::Failed);
    }
    EXPECT_TRUE(dltest::FilesBelow(dir.Path()).empty());
}

// A file size limit makes the write fail part-way, as a full or failing disk would.
TEST(VerifiedCopy, WriteFailurePartWayLeavesNoTarget) {
    TempDir dir;
    const std::string target = dir / "big.jpg";
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        ::signal(SIGXFSZ, SIG_IGN);
        const rlimit limit{20000, 20000};
        ::setrlimit(RLIMIT_FSIZE, &limit);
        MemoryReader reader(dltest::Bytes(100000, 2), 3000);
        const CopyOutcome out = VerifiedCopy(Request(reader, target));
        ::_exit(out.status == CopyStatus::Failed && out.error.find("write error") != std::string::npos ? 0 : 1);
    }
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0);
    EXPECT_TRUE(dltest::FilesBelow(dir.Path()).empty());
}

}  // namespace
