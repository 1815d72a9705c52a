// lumaret-cli settings: listing and changing settings.xml of the program folder.
#include <gtest/gtest.h>
#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;

struct RunResult {
    int status = -1;
    std::string out;
    std::string err;
};

std::string ReadAll(const fs::path& path) {
    std::ifstream file(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
}

class CliSettingsTest : public ::testing::Test {
protected:
    void SetUp() override {
        std::string pattern = (fs::temp_directory_path() / "lumaret-cli-settings-XXXXXX").string();
        ASSERT_NE(mkdtemp(pattern.data()), nullptr);
        home = pattern;
    }
    void TearDown() override {
        std::error_code error;
        fs::remove_all(home, error);
    }

    // Runs lumaret-cli with LUMARET_HOME set to `programFolder` (the test's folder when empty).
    RunResult Run(const std::vector<std::string>& args, const fs::path& programFolder = {}) const {
        const fs::path outPath = home / "stdout.txt", errPath = home / "stderr.txt";
        const pid_t pid = fork();
        if (pid == 0) {
            setenv("LUMARET_HOME", (programFolder.empty() ? home : programFolder).c_str(), 1);
            const int out = open(outPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
            const int err = open(errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
            dup2(out, 1);
            dup2(err, 2);
            std::vector<char*> argv{const_cast<char*>(LUMARET_CLI)};
            for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
            argv.push_back(nullptr);
            execv(LUMARET_CLI, argv.data());
            _exit(127);
        }
        RunResult result;
        int status = 0;
        if (pid > 0 && waitpid(pid, &status, 0) == pid && WIFEXITED(status))
            result.status = WEXITSTATUS(status);
        result.out = ReadAll(outPath);
        result.err = ReadAll(errPath);
        return result;
    }

    fs::path home;
};

const char* const kDefaultListing =
    "WindowColor=100\n"
    "DisplayWelcomeDialog=2\n"
    "ThumbnailDatabase=\n"
    "ImageDownloadDir=\n"
    "Shortcut=\n"
    "ShortcutAppliesToDownloadedTime=0\n"
    "Autoplay=1\n"
    "Autostart=1\n"
    "ClicklessDownload=1\n"
    "ClicklessDownloadDelete=0\n"
    "SetupCompleted=1\n"
    "Frequency=\n"
    "LastUpdate=\n";

TEST_F(CliSettingsTest, ListsDefaultsWithoutWritingAFile) {
    const RunResult result = Run({"settings"});
    EXPECT_EQ(result.status, 0);
    EXPECT_EQ(result.out, kDefaultListing);
    EXPECT_EQ(result.err, "");
    EXPECT_FALSE(fs::exists(home / "settings.xml"));
}

TEST_F(CliSettingsTest, SetSavesAndTheListingShowsIt) {
    RunResult result = Run({"settings", "set", "WindowColor", "42"});
    ASSERT_EQ(result.status, 0) << result.err;
    result = Run({"settings", "set", "ImageDownloadDir", "/data/Fotos & more"});
    ASSERT_EQ(result.status, 0) << result.err;
    EXPECT_NE(ReadAll(home / "settings.xml").find("<GUI WindowColor=\"42\" DisplayWelcomeDialog=\"2\"/>"),
              std::string::npos);

    result = Run({"settings"});
    EXPECT_EQ(result.status, 0);
    std::string expected = kDefaultListing;
    expected.replace(expected.find("WindowColor=100"), 15, "WindowColor=42");
    expected.replace(expected.find("ImageDownloadDir="), 17, "ImageDownloadDir=/data/Fotos & more");
    EXPECT_EQ(result.out, expected);
}

TEST_F(CliSettingsTest, RefusesUnknownNamesAndBadNumbersWithoutSaving) {
    RunResult result = Run({"settings", "set", "NoSuchSetting", "1"});
    EXPECT_EQ(result.status, 2);
    EXPECT_NE(result.err.find("NoSuchSetting"), std::string::npos);
    result = Run({"settings", "set", "Autoplay", "yes"});
    EXPECT_EQ(result.status, 2);
    EXPECT_NE(result.err.find("Autoplay"), std::string::npos);
    EXPECT_FALSE(fs::exists(home / "settings.xml"));
}

TEST_F(CliSettingsTest, BadArgumentsGiveTheUsage) {
    for (const std::vector<std::string>& args :
         {std::vector<std::string>{"settings", "set", "WindowColor"},
          std::vector<std::string>{"settings", "get", "WindowColor", "1"},
          std::vector<std::string>{"settings", "--all"}}) {
        const RunResult result = Run(args);
        EXPECT_EQ(result.status, 2);
        EXPECT_NE(result.err.find("settings set NAME VALUE"), std::string::npos);
        EXPECT_EQ(result.out, "");
    }
}

TEST_F(CliSettingsTest, ProgramFolderThatCannotBeWrittenIsAFailure) {
    const fs::path missing = home / "gone";
    const RunResult result = Run({"settings", "set", "WindowColor", "5"}, missing);
    EXPECT_EQ(result.status, 1);
    EXPECT_NE(result.err.find("cannot write"), std::string::npos);
    EXPECT_FALSE(fs::exists(missing));
}

}  // namespace
