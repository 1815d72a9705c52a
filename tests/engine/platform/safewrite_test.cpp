// Replacing files: a new inode on success, the old file intact on any failure, permissions
// and symbolic links kept, no temporary file left behind.
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>

#include "platform/safewrite.h"
#include "tempdir.h"

namespace {

namespace fs = std::filesystem;

using testsupport::ReadText;

class SafeWrite : public ::testing::Test {
protected:
    size_t FileCount() const { return static_cast<size_t>(std::distance(fs::directory_iterator(m_dir), {})); }
    testsupport::TempDir m_scratch{"safewrite"};
    const fs::path& m_dir = m_scratch.Path();
};

ino_t Inode(const fs::path& p) {
    struct stat s {};
    ::stat(p.c_str(), &s);
    return s.st_ino;
}

TEST_F(SafeWrite, ReplacesWithNewInodeKeepingPermissions) {
    const fs::path target = m_dir / "settings.xml";
    std::ofstream(target) << "old";
    ::chmod(target.c_str(), 0640);
    const ino_t before = Inode(target);
    const std::string text = "new contents";
    std::string error;
    ASSERT_TRUE(platform::ReplaceFileWithBytes(
            target, {reinterpret_cast<const uint8_t*>(text.data()), text.size()}, error)) << error;
    EXPECT_EQ(ReadText(target), text);
    EXPECT_NE(Inode(target), before);
    struct stat s {};
    ::stat(target.c_str(), &s);
    EXPECT_EQ(s.st_mode & 07777, 0640u);
    EXPECT_EQ(FileCount(), 1u);

    // A new file gets the usual mode for new files.
    const fs::path fresh = m_dir / "fresh.bin";
    ASSERT_TRUE(platform::ReplaceFile(fresh, [](int fd) { return platform::WriteAll(fd, "x", 1); }, error));
    ::stat(fresh.c_str(), &s);
    EXPECT_EQ(s.st_mode & 07777, 0666u & ~platform::CurrentUmask());
}

TEST_F(SafeWrite, FailureLeavesTargetAndNoTemporary) {
    const fs::path target = m_dir / "photo.jpg";
    std::ofstream(target) << "original";
    std::string error;
    // The writer fails half-way: the partly written temporary must go.
    EXPECT_FALSE(platform::ReplaceFile(target, [](int fd) { return platform::WriteAll(fd, "half", 4) && false; },
                                       error));
    EXPECT_FALSE(error.empty());
    EXPECT_EQ(ReadText(target), "original");
    EXPECT_EQ(FileCount(), 1u);

    error.clear();
    EXPECT_FALSE(platform::ReplaceFileByPath(target, [](const std::string& temp) {
        std::ofstream(temp) << "partial";
        return false;
    }, error));
    EXPECT_EQ(ReadText(target), "original");
    EXPECT_EQ(FileCount(), 1u);

    // No file name, or a folder as the target: nothing is created or replaced.
    for (const std::string& bad : {std::string(), m_dir.string() + "/", m_dir.string()}) {
        EXPECT_FALSE(platform::ReplaceFileWithBytes(bad, {}, error)) << bad;
        EXPECT_FALSE(error.empty());
    }
    EXPECT_TRUE(fs::is_directory(m_dir));
    EXPECT_EQ(FileCount(), 1u);

    // A folder we cannot write into: nothing is created, the reason is given. (Root may write
    // anywhere, so the check only means something for other users.)
    if (::geteuid() != 0) {
        fs::permissions(m_dir, fs::perms::owner_read | fs::perms::owner_exec);
        error.clear();
        EXPECT_FALSE(platform::ReplaceFileWithBytes(target, {}, error));
        EXPECT_NE(error.find("cannot create"), std::string::npos) << error;
        EXPECT_EQ(ReadText(target), "original");
    }
}

TEST_F(SafeWrite, SymbolicLinkStaysALink) {
    const fs::path real = m_dir / "real.xml";
    const fs::path link = m_dir / "link.xml";
    std::ofstream(real) << "old";
    fs::create_symlink("real.xml", link);
    std::string error;
    ASSERT_TRUE(platform::ReplaceFileByPath(link, [](const std::string& temp) {
        std::ofstream(temp) << "through the link";
        return true;
    }, error)) << error;
    EXPECT_TRUE(fs::is_symlink(link));
    EXPECT_EQ(ReadText(real), "through the link");
    EXPECT_EQ(FileCount(), 2u);
}

// A name as long as a file name may be (multi-byte characters included) still gets a
// temporary name beside it, even when the writer rewrites its file through a temporary file
// of its own (an encoder followed by an EXIF rewrite); the old file's permissions survive both.
TEST_F(SafeWrite, LongNamesAndWritersThatReplaceTheirFile) {
    std::string name;
    while (name.size() + 2 <= 254) name += "\xC3\xA9";  // é
    name += "x";
    ASSERT_EQ(name.size(), 255u);
    const fs::path target = m_dir / name;
    std::ofstream(target) << "old";
    ::chmod(target.c_str(), 0640);
    std::string error;
    ASSERT_TRUE(platform::ReplaceFileByPath(target, [](const std::string& temp) {
        std::ofstream(temp) << "encoded";
        std::string innerError;
        const std::string text = "rewritten";
        return platform::ReplaceFileWithBytes(temp, {reinterpret_cast<const uint8_t*>(text.data()), text.size()},
                                              innerError);
    }, error)) << error;
    EXPECT_EQ(ReadText(target), "rewritten");
    struct stat s {};
    ::stat(target.c_str(), &s);
    EXPECT_EQ(s.st_mode & 07777, 0640u);
    EXPECT_EQ(FileCount(), 1u);
}

// Writing a new file that must not replace anything: whatever holds the name by the time
// the file is complete stays, and the temporary file goes.
TEST_F(SafeWrite, KeepingAnExistingTargetNeverReplacesIt) {
    std::ofstream(m_dir / "taken.jpg") << "theirs";
    fs::create_symlink("nowhere", m_dir / "link.jpg");
    const struct {
        const char* name;
        bool written;
    } cases[] = {{"free.jpg", true}, {"taken.jpg", false}, {"link.jpg", false}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        std::string error;
        const bool ok = platform::ReplaceFile(m_dir / c.name, [](int fd) { return platform::WriteAll(fd, "ours", 4); },
                                              error, platform::ExistingTarget::Keep);
        EXPECT_EQ(ok, c.written) << error;
        if (!c.written) {
            EXPECT_NE(error.find("already exists"), std::string::npos) << error;
        }
    }
    EXPECT_EQ(ReadText(m_dir / "free.jpg"), "ours");
    EXPECT_EQ(ReadText(m_dir / "taken.jpg"), "theirs");
    EXPECT_TRUE(fs::is_symlink(m_dir / "link.jpg"));
    EXPECT_FALSE(fs::exists(m_dir / "nowhere"));
    EXPECT_EQ(FileCount(), 3u);
}

}  // namespace
