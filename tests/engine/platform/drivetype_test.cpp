#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "platform/drivetype.h"

namespace {

namespace fs = std::filesystem;
using platform::DriveType;
using platform::MountEntry;

// A small sysfs: /dev/block/MAJ:MIN links into /devices/.../block/<disk>[/<partition>].
class FakeSysfs {
public:
    FakeSysfs() {
        m_root = fs::temp_directory_path() / "lumaret-sysfs-test";
        fs::remove_all(m_root);
        fs::create_directories(m_root / "dev/block");
    }
    ~FakeSysfs() { fs::remove_all(m_root); }
    // Adds a disk (and optionally a partition of it) under `bus`.
    void Add(const std::string& device, const std::string& bus, const std::string& disk,
             const std::string& partition, const char* removable) {
        fs::path dir = m_root / "devices" / bus / "block" / disk;
        fs::create_directories(dir);
        if (removable) std::ofstream(dir / "removable") << removable << "\n";
        if (!partition.empty()) {
            std::ofstream(dir / "removable") << (removable ? removable : "0") << "\n";
            dir /= partition;
            fs::create_directories(dir);
            std::ofstream(dir / "partition") << "1\n";
        }
        fs::create_directory_symlink(dir, m_root / "dev/block" / device);
    }
    std::string Root() const { return m_root.string(); }

private:
    fs::path m_root;
};

MountEntry Mount(unsigned major, unsigned minor, const std::string& point, const std::string& type = "ext4") {
    MountEntry m;
    m.major = major;
    m.minor = minor;
    m.mountPoint = point;
    m.fsType = type;
    return m;
}

TEST(DriveType, ClassifiesMountsBySysfsTypeAndPlace) {
    FakeSysfs sys;
    sys.Add("8:17", "pci0000:00/ata1", "sdb", "sdb1", "1");           // card reader slot
    sys.Add("8:1", "pci0000:00/ata2", "sda", "sda1", "0");            // internal disk
    sys.Add("8:33", "pci0000:00/usb2/2-1/host6", "sdc", "sdc1", "0"); // USB disk
    sys.Add("11:0", "pci0000:00/ata3", "sr0", "", "1");               // optical drive
    sys.Add("179:0", "platform/mmc", "mmcblk0", "", "1");             // whole-disk card
    const std::string root = sys.Root();
    EXPECT_EQ(DriveType::Removable, platform::ClassifyMount(Mount(8, 17, "/mnt/card", "vfat"), root));
    EXPECT_EQ(DriveType::Fixed, platform::ClassifyMount(Mount(8, 1, "/"), root));
    EXPECT_EQ(DriveType::Removable, platform::ClassifyMount(Mount(8, 33, "/data"), root));
    EXPECT_EQ(DriveType::Optical, platform::ClassifyMount(Mount(11, 0, "/mnt/dvd", "udf"), root));
    EXPECT_EQ(DriveType::Optical, platform::ClassifyMount(Mount(11, 0, "/mnt/dvd", "auto"), root));
    EXPECT_EQ(DriveType::Optical, platform::ClassifyMount(Mount(7, 0, "/mnt/iso", "iso9660"), root));
    EXPECT_EQ(DriveType::Removable, platform::ClassifyMount(Mount(179, 0, "/mnt/sd", "exfat"), root));
    EXPECT_EQ(DriveType::Removable, platform::ClassifyMount(Mount(0, 60, "/run/media/u/STICK", "fuseblk"), root));
    EXPECT_EQ(DriveType::Removable, platform::ClassifyMount(Mount(8, 1, "/media/x"), root));
    EXPECT_EQ(DriveType::Fixed, platform::ClassifyMount(Mount(0, 50, "/mediax", "tmpfs"), root));
    EXPECT_EQ(DriveType::Fixed, platform::ClassifyMount(Mount(9, 9, "/srv"), root));  // unknown device
}

TEST(DriveType, ListedFoldersAreRemovableRoots) {
    FakeSysfs sys;
    const std::vector<MountEntry> mounts{Mount(1, 1, "/"), Mount(1, 2, "/tmp/lumaret-card/inner")};
    const std::vector<std::string> listed{"/tmp/lumaret-card"};
    auto info = platform::ClassifyDrive("/tmp/lumaret-card/DCIM/100", mounts, listed, sys.Root());
    EXPECT_EQ(DriveType::Removable, info.type);
    EXPECT_EQ("/tmp/lumaret-card", info.root);
    info = platform::ClassifyDrive("/tmp/lumaret-card", mounts, listed, sys.Root());
    EXPECT_EQ("/tmp/lumaret-card", info.root);
    // A real mount deeper inside the listed folder is its own drive.
    info = platform::ClassifyDrive("/tmp/lumaret-card/inner/x", mounts, listed, sys.Root());
    EXPECT_EQ(DriveType::Fixed, info.type);
    EXPECT_EQ("/tmp/lumaret-card/inner", info.root);
    info = platform::ClassifyDrive("/tmp/lumaret-cardx", mounts, listed, sys.Root());
    EXPECT_EQ(DriveType::Fixed, info.type);
    EXPECT_EQ("/", info.root);
}

TEST(DriveType, EnvironmentListsRemovableRoots) {
    const fs::path card = fs::temp_directory_path() / "lumaret-env-card";
    fs::create_directories(card / "DCIM");
    const char* old = std::getenv("LUMARET_REMOVABLE");
    const std::string saved = old ? old : "";
    ::setenv("LUMARET_REMOVABLE", (":/nowhere::" + card.string() + "/").c_str(), 1);
    const auto roots = platform::RemovableRootsFromEnvironment();
    const std::string resolved = platform::ResolvePath(card.string());
    EXPECT_EQ((std::vector<std::string>{"/nowhere", resolved}), roots);
    const auto info = platform::ClassifyDrive((card / "DCIM").string());
    EXPECT_EQ(DriveType::Removable, info.type);
    EXPECT_EQ(resolved, info.root);
    ::unsetenv("LUMARET_REMOVABLE");
    EXPECT_TRUE(platform::RemovableRootsFromEnvironment().empty());
    EXPECT_NE(resolved, platform::ClassifyDrive((card / "DCIM").string()).root);
    if (old) ::setenv("LUMARET_REMOVABLE", saved.c_str(), 1);
    fs::remove_all(card);
}

}  // namespace
