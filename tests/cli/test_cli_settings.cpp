// lumaret-cli settings: listing and changing settings.xml of the program folder.
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <filesystem>
#include <string>
#include <vector>

#include "cli_run.h"
#include "codec_fixtures.h"

namespace {

namespace fs = std::filesystem;

class CliSettingsTest : public ::testing::Test {
protected:
    // Runs lumaret-cli with LUMARET_HOME set to `programFolder` (the scratch folder when empty).
    clitest::CliResult Run(const std::vector<std::string>& args, const fs::path& programFolder = {}) const {
        const fs::path home = programFolder.empty() ? Home() : programFolder;
        return clitest::RunCli(LUMARET_CLI, args, Home(), "LUMARET_HOME=" + clitest::ShellQuote(home.string()));
    }
    fs::path Home() const { return scratch.File(""); }
    static ino_t Inode(const fs::path& path) {
        struct stat info {};
        return ::stat(path.c_str(), &info) == 0 ? info.st_ino : 0;
    }

    codectest::ScratchDir scratch;
};

const char* const kDefaultListing =
    "WindowColor=100\nDisplayWelcomeDialog=2\nThumbnailDatabase=\nImageDownloadDir=\nShortcut=\n"
    "ShortcutAppliesToDownloadedTime=0\nAutoplay=1\nAutostart=1\nClicklessDownload=1\n"
    "ClicklessDownloadDelete=0\nSetupCompleted=1\nFrequency=\nLastUpdate=\n";

TEST_F(CliSettingsTest, ListsDefaultsWithoutWritingAFileAndShowsWhatWasSet) {
    auto result = Run({"settings"});
    EXPECT_EQ(result.status, 0);
    EXPECT_EQ(result.out, kDefaultListing);
    EXPECT_EQ(result.err, "");
    EXPECT_FALSE(fs::exists(Home() / "settings.xml"));

    ASSERT_EQ(Run({"settings", "set", "WindowColor", "42"}).status, 0);
    // The file is replaced by a new one, never rewritten in place.
    const ino_t first = Inode(Home() / "settings.xml");
    ASSERT_EQ(Run({"settings", "set", "ImageDownloadDir", "/data/Fotos & more"}).status, 0);
    EXPECT_NE(Inode(Home() / "settings.xml"), first);
    EXPECT_NE(clitest::Slurp(Home() / "settings.xml").find("<GUI WindowColor=\"42\" DisplayWelcomeDialog=\"2\"/>"),
              std::string::npos);
    std::string expected = kDefaultListing;
    expected.replace(expected.find("WindowColor=100"), 15, "WindowColor=42");
    expected.replace(expected.find("ImageDownloadDir="), 17, "ImageDownloadDir=/data/Fotos & more");
    EXPECT_EQ(Run({"settings"}).out, expected);
}

TEST_F(CliSettingsTest, RefusalsSaveNothing) {
    for (const std::vector<std::string>& args : {std::vector<std::string>{"settings", "set", "NoSuchSetting", "1"},
                                                 {"settings", "set", "Autoplay", "yes"}, {"settings", "set", "WindowColor"}}) {
        const auto result = Run(args);
        EXPECT_EQ(result.status, 2);
        EXPECT_NE(result.err.find(args.size() == 4 ? args[2] : "settings set NAME VALUE"), std::string::npos) << result.err;
    }
    EXPECT_FALSE(fs::exists(Home() / "settings.xml"));
    const auto result = Run({"settings", "set", "WindowColor", "5"}, Home() / "gone");
    EXPECT_EQ(result.status, 1);
    EXPECT_NE(result.err.find("cannot write"), std::string::npos);
    EXPECT_FALSE(fs::exists(Home() / "gone"));
}

// A save that cannot be completed (here the file size limit of the shell stands in for a full
// disk) keeps every setting of the old file and says why.
TEST_F(CliSettingsTest, SaveThatCannotBeCompletedKeepsTheOldFile) {
    ASSERT_EQ(Run({"settings", "set", "WindowColor", "42"}).status, 0);
    const std::string before = clitest::Slurp(Home() / "settings.xml");
    const auto result = clitest::RunCli(LUMARET_CLI, {"settings", "set", "ImageDownloadDir", "/" + std::string(2000, 'd')},
                                        Home(),
                                        "trap '' XFSZ; ulimit -f 2; LUMARET_HOME=" + clitest::ShellQuote(Home().string()));
    EXPECT_EQ(result.status, 1);
    EXPECT_NE(result.err.find("cannot write"), std::string::npos) << result.err;
    EXPECT_EQ(clitest::Slurp(Home() / "settings.xml"), before);
    for (const auto& item : fs::directory_iterator(Home()))
        EXPECT_EQ(item.path().filename().string().find(".settings.xml"), std::string::npos) << item.path();
}

}  // namespace
