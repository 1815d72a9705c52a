// The wizard's folder check and the automatic choice of the download folder.
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <map>

#include "scratch.h"
#include "setup/folders.h"

namespace {

namespace fs = std::filesystem;
using platform::DriveType;
using platform::MountEntry;

MountEntry Mount(unsigned major, unsigned minor, const std::string& point, const std::string& source) {
    MountEntry entry;
    entry.major = major;
    entry.minor = minor;
    entry.mountPoint = point;
    entry.fsType = "ext4";
    entry.source = source;
    return entry;
}

// A probe answering from tables keyed by path; unknown paths are fixed, writable and full.
struct FakeSystem {
    std::map<std::string, DriveType> types;
    std::map<std::string, uint64_t> free;
    std::map<std::string, bool> writable;

    setup::MountProbe Probe() const {
        setup::MountProbe probe;
        probe.classify = [this](const MountEntry& m) {
            const auto it = types.find(m.mountPoint);
            return it == types.end() ? DriveType::Fixed : it->second;
        };
        probe.freeBytes = [this](const std::string& path) -> std::optional<uint64_t> {
            const auto it = free.find(path);
            if (it == free.end()) return std::nullopt;
            return it->second;
        };
        probe.writable = [this](const std::string& path) {
            const auto it = writable.find(path);
            return it == writable.end() || it->second;
        };
        return probe;
    }
};

const std::vector<MountEntry> kTable = {
    Mount(0, 21, "/proc", "proc"),          Mount(8, 1, "/", "/dev/sda1"),
    Mount(8, 17, "/data", "/dev/sdb1"),     Mount(8, 33, "/archive", "/dev/sdc1"),
    Mount(8, 17, "/srv/data", "/dev/sdb1"),  // a bind mount of /data
    Mount(8, 49, "/media/u/CARD", "/dev/sdd1"), Mount(0, 40, "/tmp", "tmpfs"),
};

TEST(DownloadFolderChoice, MostSpaceWinsEarlierOnATieHomeFirst) {
    const std::string home = "/home/u", pictures = "/home/u/Bilder";
    struct Case {
        const char* name;
        FakeSystem system;
        std::optional<std::string> expected;
    };
    const Case cases[] = {
        {"two disks with equal space: the earlier one",
         {{}, {{home, 10}, {"/data", 50}, {"/archive", 50}}, {}}, "/data/Lumaret Photos"},
        {"home ties with a disk: home comes first",
         {{}, {{home, 50}, {"/data", 50}, {"/archive", 10}}, {}}, pictures + "/Lumaret Photos"},
        {"the card is removable however large",
         {{{"/media/u/CARD", DriveType::Removable}}, {{home, 5}, {"/media/u/CARD", 900}}, {}},
         pictures + "/Lumaret Photos"},
        {"an unwritable disk does not count",
         {{}, {{home, 5}, {"/data", 900}, {"/archive", 6}}, {{"/data", false}}}, "/archive/Lumaret Photos"},
        {"pseudo file systems and bind mounts are not asked",
         {{}, {{home, 1}, {"/proc", 900}, {"/tmp", 900}, {"/srv/data", 900}, {"/data", 2}}, {}},
         "/data/Lumaret Photos"},
        {"no candidate: nothing full, nothing writable",
         {{}, {{home, 0}, {"/data", 0}}, {{"/archive", false}, {"/media/u/CARD", false}}}, std::nullopt},
    };
    for (const Case& c : cases) {
        std::vector<MountEntry> mounts = kTable;
        mounts.push_back(Mount(8, 2, "/home", "/dev/sda2"));
        EXPECT_EQ(setup::ChooseDownloadFolder(mounts, home, pictures, c.system.Probe()), c.expected) << c.name;
    }
}

TEST(DownloadFolderChoice, HomeOnAnOverlayRootIsStillACandidate) {
    // In a container "/" is an overlay, not a block device; the home on it still counts.
    const std::vector<MountEntry> mounts = {Mount(0, 50, "/", "overlay"), Mount(8, 17, "/data", "/dev/sdb1")};
    FakeSystem system{{}, {{"/root", 100}, {"/data", 99}}, {}};
    EXPECT_EQ(setup::ChooseDownloadFolder(mounts, "/root", "/root/Pictures", system.Probe()),
              std::optional<std::string>("/root/Pictures/Lumaret Photos"));
}

TEST(PicturesFolder, ReadsTheUserDirsFile) {
    setuptest::Scratch scratch;
    const fs::path config = scratch.Path();
    EXPECT_EQ(setup::PicturesFolder("/home/u", config.string()), "/home/u/Pictures");
    setuptest::WriteText(config / "user-dirs.dirs",
                        "# written by xdg-user-dirs-update\nXDG_DESKTOP_DIR=\"$HOME/Desktop\"\n"
                        "XDG_PICTURES_DIR=\"$HOME/Fotos und \\\"Bilder\\\"\"\n");
    EXPECT_EQ(setup::PicturesFolder("/home/u", config.string()), "/home/u/Fotos und \"Bilder\"");
    setuptest::WriteText(config / "user-dirs.dirs", "XDG_PICTURES_DIR=\"/srv/pics\"\n");
    EXPECT_EQ(setup::PicturesFolder("/home/u", config.string()), "/srv/pics");
}

TEST(FolderCheck, CreatesOneLevelOnly) {
    setuptest::Scratch scratch;
    const fs::path base = scratch.Path();
    EXPECT_TRUE(setup::EnsureFolder(base.string()));
    EXPECT_TRUE(setup::EnsureFolder((base / "new").string()));
    EXPECT_TRUE(fs::is_directory(base / "new"));
    EXPECT_FALSE(setup::EnsureFolder((base / "missing" / "thumbs").string()));
    EXPECT_FALSE(fs::exists(base / "missing"));
    setuptest::WriteText(base / "file", "x");
    EXPECT_FALSE(setup::EnsureFolder((base / "file").string()));
    EXPECT_FALSE(setup::EnsureFolder(""));
    if (::geteuid() != 0) {  // root may write anywhere
        ::chmod(base.c_str(), 0500);
        EXPECT_FALSE(setup::EnsureFolder((base / "locked").string()));
        ::chmod(base.c_str(), 0700);
    }
    EXPECT_EQ(setup::FolderErrorMessage("/x/y"), "Unable to create folder '/x/y'. Please check the path and try again.");
}

}  // namespace
