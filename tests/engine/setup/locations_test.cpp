// Where an installed, a portable and an explicitly homed program keep their files.
#include <gtest/gtest.h>

#include <map>

#include "platform/programfolder.h"
#include "scratch.h"

namespace {

namespace fs = std::filesystem;

platform::EnvLookup Env(std::map<std::string, std::string> values) {
    return [values](const char* name) {
        const auto it = values.find(name);
        return it == values.end() ? std::string() : it->second;
    };
}

TEST(ProgramLocations, LayoutDecidesWhereWritableFilesGo) {
    setuptest::Scratch scratch;
    const fs::path prefix = scratch.Path() / "prefix", portable = scratch.Path() / "portable";
    fs::create_directories(prefix / "bin");
    fs::create_directories(prefix / "share/lumaret/data");
    fs::create_directories(portable / "data");

    const auto env = Env({{"HOME", "/home/u"}, {"XDG_CONFIG_HOME", "/cfg"}, {"XDG_DATA_HOME", "relative/ignored"}});
    const platform::ProgramLocations installed = platform::ResolveLocations(prefix / "bin", env);
    EXPECT_EQ(installed.layout, platform::FolderLayout::Installed);
    EXPECT_EQ(installed.programFolder, prefix / "share/lumaret");
    EXPECT_EQ(installed.settingsFolder, fs::path("/cfg/lumaret"));
    EXPECT_EQ(installed.userDataFolder, fs::path("/home/u/.local/share/lumaret"));
    EXPECT_EQ(installed.cacheFolder, fs::path("/home/u/.cache/lumaret"));

    // A folder holding data/ beside the executable is used as it is (the build tree).
    const platform::ProgramLocations tree = platform::ResolveLocations(portable, env);
    EXPECT_EQ(tree.layout, platform::FolderLayout::Portable);
    EXPECT_EQ(tree.programFolder, portable);
    EXPECT_EQ(tree.settingsFolder, portable);
    EXPECT_EQ(tree.userDataFolder, portable);

    // $LUMARET_HOME wins over both.
    for (const fs::path& exe : {prefix / "bin", portable}) {
        const auto homed = platform::ResolveLocations(exe, Env({{"LUMARET_HOME", "/srv/l"}, {"HOME", "/home/u"}}));
        EXPECT_EQ(homed.layout, platform::FolderLayout::Explicit);
        EXPECT_EQ(homed.settingsFolder, fs::path("/srv/l"));
        EXPECT_EQ(homed.userDataFolder, fs::path("/srv/l"));
    }
}

}  // namespace
