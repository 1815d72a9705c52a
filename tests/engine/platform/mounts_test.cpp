#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>

#include "platform/mounts.h"

namespace {

using platform::MountEntry;

const char* kTable =
    "22 27 0:21 / /proc rw,relatime - proc proc rw\n"
    "27 1 254:0 / / rw,relatime shared:1 - ext4 /dev/vda rw\n"
    "40 27 8:17 / /media/user/NIKON\\040D90 rw,nosuid shared:55 master:3 - vfat /dev/sdb1 rw\n"
    "41 27 11:0 / /media/cd rw - iso9660 /dev/sr0 ro\n"
    "garbage line\n"
    "42 27 x:y / /bad rw - ext4 /dev/x rw\n"
    "43 27 8:1 / /home rw - ext4 /dev/sda1 rw\n"
    "44 27 0:50 / /home rw - tmpfs tmpfs rw\n"
    "45 27 8:2 / /homework rw\n";

TEST(Mounts, ParsesMountInfoAndSkipsBrokenLines) {
    const auto mounts = platform::ParseMountInfo(kTable);
    ASSERT_EQ(6u, mounts.size());
    EXPECT_EQ("/", mounts[1].mountPoint);
    EXPECT_EQ(254u, mounts[1].major);
    EXPECT_EQ("ext4", mounts[1].fsType);
    EXPECT_EQ("/media/user/NIKON D90", mounts[2].mountPoint);  // octal escape undone
    EXPECT_EQ(8u, mounts[2].major);
    EXPECT_EQ(17u, mounts[2].minor);
    EXPECT_EQ("vfat", mounts[2].fsType);  // optional fields skipped
    EXPECT_EQ("/dev/sdb1", mounts[2].source);
    EXPECT_EQ("iso9660", mounts[3].fsType);
}

TEST(Mounts, FindsTheLongestWholeComponentPrefix) {
    const auto mounts = platform::ParseMountInfo(kTable);
    auto at = [&](const std::string& path) {
        const MountEntry* m = platform::FindMount(mounts, path);
        return m ? m->mountPoint + "|" + m->fsType : std::string("none");
    };
    EXPECT_EQ("/media/user/NIKON D90|vfat", at("/media/user/NIKON D90/DCIM/100NIKON"));
    EXPECT_EQ("/media/user/NIKON D90|vfat", at("/media/user/NIKON D90"));
    EXPECT_EQ("/|ext4", at("/media/user/NIKON D900"));
    EXPECT_EQ("/home|tmpfs", at("/home/u/x.jpg"));  // the later mount covers the earlier
    EXPECT_EQ("/|ext4", at("/homework/x"));
    EXPECT_EQ("none", at("relative/path"));
    EXPECT_EQ("none", platform::FindMount({}, "/x") ? "found" : "none");
}

TEST(Mounts, ResolvesPathsAndReadsTheRealTable) {
    namespace fs = std::filesystem;
    const fs::path base = fs::temp_directory_path() / "lumaret-mounts-test";
    fs::remove_all(base);
    fs::create_directories(base / "real");
    fs::create_directory_symlink(base / "real", base / "link");
    const std::string real = platform::ResolvePath((base / "real").string());
    EXPECT_EQ(real, platform::ResolvePath((base / "link/").string()));
    EXPECT_EQ(real + "/not/yet", platform::ResolvePath((base / "link/./x/../not/yet").string()));
    EXPECT_EQ("/", platform::ResolvePath("/"));

    const auto table = platform::ReadMountTable();
    ASSERT_FALSE(table.empty());
    EXPECT_NE(nullptr, platform::FindMount(table, real));
    const auto free = platform::FreeSpace(real);
    ASSERT_TRUE(free.has_value());
    EXPECT_FALSE(platform::FreeSpace((base / "missing").string()).has_value());
    fs::remove_all(base);
}

}  // namespace
