// lumaret-cli download and cameras, run as a user would.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <random>

#include "cli_fixture.h"
#include "cli_run.h"

namespace {

namespace fs = std::filesystem;

std::string Bytes(size_t size, unsigned seed) {
    std::mt19937 random(seed);
    std::string bytes(size, '\0');
    for (char& c : bytes) c = static_cast<char>(random());
    return bytes;
}

class CliDownloadTest : public clitest::CliFolderTest {
protected:
    void SetUp() override {
        CliFolderTest::SetUp();
        card = dir / "card";
        home = dir / "home";
        fs::create_directories(home);
        Put("DCIM/100TEST/big.jpg", Bytes(600000, 1));
        Put("DCIM/100TEST/small.jpg", Bytes(4000, 2));
        Put("DCIM/101TEST/other.jpg", Bytes(9000, 3));
    }
    void Put(const std::string& relative, const std::string& bytes) {
        fs::create_directories((card / relative).parent_path());
        std::ofstream(card / relative, std::ios::binary) << bytes;
    }
    // Runs lumaret-cli with the program folder in the scratch folder; `before` is shell
    // text run first (e.g. a file size limit).
    clitest::CliResult Run(const std::vector<std::string>& args, const std::string& before = "") {
        return clitest::RunCli(LUMARET_CLI, args, dir,
                               before + "LUMARET_HOME=" + clitest::ShellQuote(home.string()) +
                                   " LUMARET_CAMERAS=" + clitest::ShellQuote("Directory Browse@disk:" + card.string()) +
                                   " TZ=UTC");
    }
    std::string History() { return clitest::Slurp(home / "download.history"); }
    fs::path card, home;
};

TEST_F(CliDownloadTest, DownloadsAFolderIntoPatternFoldersAndKeepsTheHistory) {
    const std::string to = (dir / "photos").string();
    auto r = Run({"download", card.string(), "--to", to, "--pattern", "trip\\%Y", "--download-time"});
    ASSERT_EQ(r.status, 0) << r.err;
    const std::string year = r.out.substr(r.out.find("/trip/") + 6, 4);
    const std::string target = to + "/trip/" + year + "/";
    EXPECT_EQ(r.out, "copied " + (card / "DCIM/100TEST/big.jpg").string() + " -> " + target + "big.jpg\n" +
                         "copied " + (card / "DCIM/100TEST/small.jpg").string() + " -> " + target + "small.jpg\n" +
                         "copied " + (card / "DCIM/101TEST/other.jpg").string() + " -> " + target + "other.jpg\n");
    EXPECT_EQ(r.err, "downloaded 3 skipped 0 failed 0 deleted 0\n");
    EXPECT_EQ(clitest::Slurp(target + "big.jpg"), Bytes(600000, 1));
    const std::string history = History();
    EXPECT_EQ(history.rfind("Ver 1.0\n", 0), 0u) << history;
    EXPECT_NE(history.find("\n" + target + "big.jpg\n" + target + "small.jpg\n" + target + "other.jpg\n\n"),
              std::string::npos)
        << history;

    // Again: every target exists; without a terminal the answer is "no".
    r = Run({"download", card.string(), "--to", to, "--pattern", "trip\\%Y", "--download-time", "--delete"});
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.err, "downloaded 0 skipped 3 failed 0 deleted 0\n");
    EXPECT_NE(r.out.find("skipped " + (card / "DCIM/100TEST/big.jpg").string() + " (exists)\n"), std::string::npos);
    EXPECT_TRUE(fs::exists(card / "DCIM/100TEST/big.jpg"));

    // --overwrite yes with --select replaces and deletes just that one.
    r = Run({"download", card.string(), "--to", to, "--pattern", "trip\\%Y", "--download-time", "--delete",
             "--overwrite", "yes", "--select", "other.jpg"});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.err, "downloaded 1 skipped 0 failed 0 deleted 1\n");
    EXPECT_FALSE(fs::exists(card / "DCIM/101TEST"));  // emptied, so removed
    EXPECT_TRUE(fs::exists(card / "DCIM/100TEST/big.jpg"));
}

TEST_F(CliDownloadTest, NamesFoldersByTheExifDateTaken) {
    Put("DCIM/102TEST/canon.jpg", clitest::Slurp(fs::path(LUMARET_TESTDATA_DIR) / "jpeg/exiftool/Canon.jpg"));
    const auto r = Run({"download", card.string(), "--to", (dir / "p").string(), "--select", "canon.jpg"});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_TRUE(fs::exists(dir / "p/2003/December/04/canon.jpg")) << r.out;
}

// A file size limit makes the big copy fail part-way: no target, original kept, exit 1.
TEST_F(CliDownloadTest, FailedCopyIsReportedAndNeverDeleted) {
    const std::string to = (dir / "photos").string();
    const auto r = Run({"download", card.string(), "--to", to, "--pattern", "x", "--delete"},
                       "trap '' XFSZ; ulimit -f 200; ");
    EXPECT_EQ(r.status, 1) << r.err;
    EXPECT_NE(r.out.find("failed " + (card / "DCIM/100TEST/big.jpg").string() + ": write error"), std::string::npos)
        << r.out;
    EXPECT_EQ(r.err, "downloaded 2 skipped 0 failed 1 deleted 2\n");
    EXPECT_FALSE(fs::exists(to + "/x/big.jpg"));
    EXPECT_EQ(clitest::Slurp(card / "DCIM/100TEST/big.jpg"), Bytes(600000, 1));
    // Only the picture that failed is left, with its folder; no temporary file either.
    std::vector<std::string> left;
    for (const auto& e : fs::recursive_directory_iterator(dir / "photos"))
        if (e.is_regular_file()) left.push_back(e.path().filename().string());
    std::sort(left.begin(), left.end());
    EXPECT_EQ(left, (std::vector<std::string>{"other.jpg", "small.jpg"}));
    EXPECT_FALSE(fs::exists(card / "DCIM/101TEST"));
}

TEST_F(CliDownloadTest, DownloadsFromTheDirectoryBrowseCamera) {
    auto r = Run({"cameras"});
    ASSERT_EQ(r.status, 0);
    EXPECT_NE(r.out.find("Directory Browse\tdisk:" + card.string() + "\n"), std::string::npos) << r.out;

    r = Run({"download", "camera:disk:" + card.string(), "--to", (dir / "p").string(), "--pattern", "cam", "--delete"});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.err, "downloaded 3 skipped 0 failed 0 deleted 3\n");
    EXPECT_NE(r.out.find("copied /DCIM/100TEST/big.jpg -> " + (dir / "p/cam/big.jpg").string()), std::string::npos)
        << r.out;
    EXPECT_NE(r.out.find("deleted /DCIM/101TEST/other.jpg\n"), std::string::npos) << r.out;
    EXPECT_EQ(clitest::Slurp(dir / "p/cam/big.jpg"), Bytes(600000, 1));
    EXPECT_FALSE(fs::exists(card / "DCIM/100TEST/big.jpg"));
}

TEST_F(CliDownloadTest, BadArgumentsAndSourcesExitWithTwo) {
    const std::vector<std::vector<std::string>> cases = {
        {"download"},
        {"download", card.string(), "--overwrite", "maybe"},
        {"download", card.string(), "--to"},
        {"download", card.string(), "--bogus"},
        {"download", (dir / "nowhere").string()},
        {"download", "camera:usb:999,999"},
        {"download", card.string(), "--select", "not-there.jpg"},
        {"cameras", "extra"},
    };
    for (const auto& args : cases) {
        const auto r = Run(args);
        EXPECT_EQ(r.status, 2) << args.back() << ": " << r.err;
        EXPECT_TRUE(r.out.empty()) << r.out;
    }
    EXPECT_FALSE(fs::exists(home / "download.history"));
}

}  // namespace
