// lumaret-cli autoplay: showing and changing the autorun settings and the autoplay files.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "cli_run.h"
#include "codec_fixtures.h"

namespace {

namespace fs = std::filesystem;

class CliAutoplayTest : public ::testing::Test {
protected:
    clitest::CliResult Run(const std::vector<std::string>& args) const {
        const std::string env = "LUMARET_HOME=" + clitest::ShellQuote(Dir("home")) +
                                " XDG_CONFIG_HOME=" + clitest::ShellQuote(Dir("config")) +
                                " XDG_DATA_HOME=" + clitest::ShellQuote(Dir("data"));
        std::vector<std::string> full{"autoplay"};
        full.insert(full.end(), args.begin(), args.end());
        return clitest::RunCli(LUMARET_CLI, full, scratch.File(""), env);
    }
    std::string Dir(const std::string& name) const {
        const std::string path = scratch.File(name);
        fs::create_directories(path);
        return path;
    }
    codectest::ScratchDir scratch;
};

TEST_F(CliAutoplayTest, AppliesLikeTheAutorunPageAndShowsWhatIsRegistered) {
    auto shown = Run({});
    EXPECT_EQ(shown.status, 0);
    EXPECT_NE(shown.out.find("Autoplay=1\nAutostart=1\nClicklessDownload=1\nClicklessDownloadDelete=0\n"),
              std::string::npos);
    EXPECT_NE(shown.out.find("card handler: no "), std::string::npos);
    EXPECT_FALSE(fs::exists(Dir("home") + "/settings.xml"));

    // Defaults on: applying anything registers both handlers.
    auto applied = Run({"--delete", "on"});
    EXPECT_EQ(applied.status, 0) << applied.err;
    for (const char* line : {"ClicklessDownloadDelete=1\n", "card handler: yes ", "card default: yes ",
                             "solid action: yes ", "camera watcher: yes "})
        EXPECT_NE(applied.out.find(line), std::string::npos) << line;
    const std::string handler = clitest::Slurp(Dir("data") + "/applications/org.lumaret.Lumaret.Card.desktop");
    EXPECT_NE(handler.find("lumaret %f -a\n"), std::string::npos);
    EXPECT_NE(clitest::Slurp(Dir("config") + "/mimeapps.list").find("x-content/image-dcf=org.lumaret.Lumaret.Card"),
              std::string::npos);

    // Clickless off clears delete even when delete is asked for in the same call.
    applied = Run({"--delete", "on", "--clickless", "off", "--media", "off", "--camera", "off"});
    EXPECT_EQ(applied.status, 0) << applied.err;
    for (const char* line : {"Autoplay=0\nAutostart=0\nClicklessDownload=0\nClicklessDownloadDelete=0\n",
                             "card handler: no ", "card default: no ", "solid action: no ", "camera watcher: no "})
        EXPECT_NE(applied.out.find(line), std::string::npos) << line;
    const std::string settings = clitest::Slurp(Dir("home") + "/settings.xml");
    EXPECT_NE(settings.find("Autoplay=\"0\" Autostart=\"0\" ClicklessDownload=\"0\" ClicklessDownloadDelete=\"0\""),
              std::string::npos);
}

TEST_F(CliAutoplayTest, RefusesBadArgumentsWithoutChangingAnything) {
    for (const std::vector<std::string>& args : {std::vector<std::string>{"--media"}, {"--media", "yes"},
                                                 {"--sound", "on"}, {"--camera", "off", "extra"}}) {
        const auto result = Run(args);
        EXPECT_EQ(result.status, 2) << args[0];
        EXPECT_FALSE(result.err.empty());
    }
    EXPECT_FALSE(fs::exists(Dir("home") + "/settings.xml"));
    EXPECT_FALSE(fs::exists(Dir("config") + "/autostart"));
}

}  // namespace
