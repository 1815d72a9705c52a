// Mount table parsing, drive classification and the program folder.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>

#include "platform/drivetype.h"
#include "platform/mounts.h"
#include "platform/programfolder.h"
#include "tempdir.h"

namespace {

namespace fs = std::filesystem;
using platform::DriveType;
using platform::MountEntry;

// Sets or clears an environment variable for the scope and puts the old value back.
class ScopedEnv {
public:
    ScopedEnv(const char* name, const char* value) : m_name(name) {
        if (const char* old = std::getenv(name)) m_old = old;
        value ? setenv(name, value, 1) : unsetenv(name);
    }
    ~ScopedEnv() { m_old ? setenv(m_name, m_old->c_str(), 1) : unsetenv(m_name); }

private:
    const char* m_name;
    std::optional<std::string> m_old;
};

const char* kTable =
    "22 27 0:21 / /proc rw,relatime - proc proc rw\n"
    "27 1 254:0 / / rw,relatime shared:1 - ext4 /dev/vda rw\n"
    "40 27 8:17 / /media/user/NIKON\\040D90 rw,nosuid shared:55 master:3 - vfat /dev/sdb1 rw\n"
    "garbage line\n"
    "42 27 x:y / /bad rw - ext4 /dev/x rw\n"
    "43 27 8:1 / /home rw - ext4 /dev/sda1 rw\n"
    "44 27 0:50 / /home rw - tmpfs tmpfs rw\n"
    "45 27 8:2 / /homework rw\n";

TEST(Mounts, ParsesMountInfoAndFindsTheLongestWholeComponentPrefix) {
    const auto mounts = platform::ParseMountInfo(kTable);
    ASSERT_EQ(5u, mounts.size());
    EXPECT_EQ("/media/user/NIKON D90", mounts[2].mountPoint);  // octal escape undone
    EXPECT_EQ(8u, mounts[2].major);
    EXPECT_EQ(17u, mounts[2].minor);
    EXPECT_EQ("vfat", mounts[2].fsType);  // optional fields skipped
    EXPECT_EQ("/dev/sdb1", mounts[2].source);
    auto at = [&](const std::string& path) {
        const MountEntry* m = platform::FindMount(mounts, path);
        return m ? m->mountPoint + "|" + m->fsType : std::string("none");
    };
    EXPECT_EQ("/media/user/NIKON D90|vfat", at("/media/user/NIKON D90/DCIM/100NIKON"));
    EXPECT_EQ("/|ext4", at("/media/user/NIKON D900"));
    EXPECT_EQ("/home|tmpfs", at("/home/u/x.jpg"));  // the later mount covers the earlier
    EXPECT_EQ("/|ext4", at("/homework/x"));
    EXPECT_EQ("none", at("relative/path"));
}

TEST(Mounts, ResolvesPathsAndReadsTheRealTable) {
    const testsupport::TempDir dir("mounts");
    const fs::path& base = dir.Path();
    fs::create_directories(base / "real");
    fs::create_directory_symlink(base / "real", base / "link");
    const std::string real = platform::ResolvePath((base / "real").string());
    EXPECT_EQ(real + "/not/yet", platform::ResolvePath((base / "link/./x/../not/yet").string()));
    EXPECT_NE(nullptr, platform::FindMount(platform::ReadMountTable(), real));
    EXPECT_TRUE(platform::FreeSpace(real).has_value());
    EXPECT_FALSE(platform::FreeSpace((base / "missing").string()).has_value());
}

MountEntry Mount(unsigned major, unsigned minor, const std::string& point, const std::string& type = "ext4") {
    MountEntry m;
    m.major = major;
    m.minor = minor;
    m.mountPoint = point;
    m.fsType = type;
    return m;
}

// A small sysfs: /dev/block/MAJ:MIN links into /devices/<bus>/block/<disk>[/<partition>].
TEST(DriveType, ClassifiesMountsBySysfsTypeAndPlace) {
    const testsupport::TempDir dir("sysfs");
    const fs::path& root = dir.Path();
    fs::create_directories(root / "dev/block");
    auto add = [&](const std::string& device, const std::string& bus, const std::string& disk,
                   const std::string& partition, const char* removable) {
        fs::path dir = root / "devices" / bus / "block" / disk;
        fs::create_directories(dir / partition);
        std::ofstream(dir / "removable") << removable << "\n";
        if (!partition.empty()) std::ofstream(dir / partition / "partition") << "1\n";
        fs::create_directory_symlink(dir / partition, root / "dev/block" / device);
    };
    add("8:17", "pci0000:00/ata1", "sdb", "sdb1", "1");            // card reader slot
    add("8:1", "pci0000:00/ata2", "sda", "sda1", "0");             // internal disk
    add("8:33", "pci0000:00/usb2/2-1/host6", "sdc", "sdc1", "0");  // USB disk
    add("11:0", "pci0000:00/ata3", "sr0", "", "1");                // optical drive
    add("179:0", "platform/mmc", "mmcblk0", "", "1");              // whole-disk card
    const std::pair<MountEntry, DriveType> cases[] = {
        {Mount(8, 17, "/mnt/card", "vfat"), DriveType::Removable}, {Mount(8, 1, "/"), DriveType::Fixed},
        {Mount(8, 33, "/data"), DriveType::Removable},             {Mount(11, 0, "/mnt/dvd", "auto"), DriveType::Optical},
        {Mount(7, 0, "/mnt/iso", "iso9660"), DriveType::Optical},  {Mount(8, 1, "/media/x"), DriveType::Removable},
        {Mount(179, 0, "/mnt/sd", "exfat"), DriveType::Removable},
        {Mount(0, 60, "/run/media/u/STICK", "fuseblk"), DriveType::Removable},
        {Mount(0, 50, "/mediax", "tmpfs"), DriveType::Fixed},      {Mount(9, 9, "/srv"), DriveType::Fixed},
    };
    for (const auto& [mount, type] : cases) EXPECT_EQ(type, platform::ClassifyMount(mount, root.string())) << mount.mountPoint;
}

TEST(DriveType, ListedFoldersAreRemovableRoots) {
    const std::vector<MountEntry> mounts{Mount(1, 1, "/"), Mount(1, 2, "/tmp/card/inner")};
    const std::vector<std::string> listed{"/tmp/card"};
    auto info = platform::ClassifyDrive("/tmp/card/DCIM/100", mounts, listed, "/nonexistent");
    EXPECT_EQ(DriveType::Removable, info.type);
    EXPECT_EQ("/tmp/card", info.root);
    info = platform::ClassifyDrive("/tmp/card/inner/x", mounts, listed, "/nonexistent");
    EXPECT_EQ(DriveType::Fixed, info.type);  // a real mount inside the listed folder is its own drive
    EXPECT_EQ("/tmp/card/inner", info.root);
    EXPECT_EQ("/", platform::ClassifyDrive("/tmp/cardx", mounts, listed, "/nonexistent").root);

    const testsupport::TempDir dir("env-card");
    const fs::path& card = dir.Path();
    fs::create_directories(card / "DCIM");
    {
        ScopedEnv env("LUMARET_REMOVABLE", (":/nowhere::" + card.string() + "/").c_str());
        const std::string resolved = platform::ResolvePath(card.string());
        EXPECT_EQ((std::vector<std::string>{"/nowhere", resolved}), platform::RemovableRootsFromEnvironment());
        EXPECT_EQ(resolved, platform::ClassifyDrive((card / "DCIM").string()).root);
    }
}

// The program folder: $LUMARET_HOME first, else the executable's own folder.
TEST(ProgramFolder, EnvironmentVariableWinsOverTheExecutablesFolder) {
    {
        ScopedEnv home("LUMARET_HOME", "/srv/lumaret home");
        EXPECT_EQ(platform::ProgramFile("data/x.html"), fs::path("/srv/lumaret home/data/x.html"));
    }
    for (const char* value : {static_cast<const char*>(nullptr), ""}) {
        ScopedEnv home("LUMARET_HOME", value);
        EXPECT_TRUE(fs::equivalent(platform::ProgramFolder(), fs::path(LUMARET_BIN_DIR)));
    }
}

}  // namespace
