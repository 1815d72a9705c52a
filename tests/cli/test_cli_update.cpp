// lumaret-cli update against a local HTTPS server, with lumaret-copy applying the update.
#include <gtest/gtest.h>
#include <unistd.h>

#include <chrono>
#include <memory>
#include <thread>

#include "cli_fixture.h"
#include "update_server.h"

namespace {

namespace fs = std::filesystem;
using updatetest::ListLine;
using updatetest::Quote;
using updatetest::ReadFile;
using updatetest::WriteFile;

class CliUpdate : public clitest::CliFolderTest {
protected:
    static void SetUpTestSuite() {
        base = fs::temp_directory_path() / ("lumaret_cli_update_server_" + std::to_string(::getpid()));
        fs::remove_all(base);
        ASSERT_TRUE(updatetest::MakeCertificate(base / "tls"));
        keys = updatetest::MakeKeyPair(base / "keys");
        fs::create_directories(base / "www/update");
        server = std::make_unique<updatetest::TestServer>(base / "www", base / "tls");
    }
    static void TearDownTestSuite() {
        server.reset();
        fs::remove_all(base);
    }
    void SetUp() override {
        CliFolderTest::SetUp();
        ASSERT_FALSE(server->Url().empty());
        home = dir / "home";
        WriteFile(home / "data/version.info", "1.0");
        fs::remove_all(base / "www/update");
        fs::create_directories(base / "www/update");
    }
    void Publish(const std::string& list, const std::map<std::string, std::string>& files) {
        WriteFile(base / "www/update/filelist", list);
        ASSERT_TRUE(updatetest::SignList(keys.privateKey, base / "www/update/filelist"));
        for (const auto& [name, content] : files) WriteFile(base / "www/update" / name, content);
    }
    clitest::CliResult Update(const std::string& option, const std::string& serverUrl = "") {
        // The instance lock lives in the test's folder so that a running Lumaret elsewhere
        // does not hold up lumaret-copy.
        const std::string environment =
            "LUMARET_HOME=" + Quote(home.string()) + " XDG_RUNTIME_DIR=" + Quote(dir.string()) +
            " LUMARET_UPDATE_SERVER=" + Quote(serverUrl.empty() ? server->Url() : serverUrl) +
            " LUMARET_UPDATE_CA=" + Quote((base / "tls/cert.pem").string()) +
            " LUMARET_UPDATE_PUBKEY=" + Quote(keys.publicKey.string());
        return clitest::RunCli(LUMARET_CLI, {"update", option}, dir, environment);
    }
    static inline fs::path base;
    static inline updatetest::KeyPair keys;
    static inline std::unique_ptr<updatetest::TestServer> server;
    fs::path home;
};

TEST_F(CliUpdate, ChecksDownloadsAndLumaretCopyAppliesAtExit) {
    WriteFile(home / "data/a.txt", "old a");
    WriteFile(home / "same.txt", "same");
    Publish(ListLine(base, "a.txt", "data/a.txt", "1.0", "new a") +
                ListLine(base, "same.txt", "same.txt", "1.0", "same") +
                ListLine(base, "b.txt", "b.txt", "1.0", "new b", "", true),
            {{"a.txt", "new a"}, {"b.txt", "new b"}});

    const clitest::CliResult check = Update("--check");
    EXPECT_EQ(check.status, 0) << check.err;
    EXPECT_EQ(check.out, "a.txt -> data/a.txt\nb.txt -> b.txt\n");
    EXPECT_FALSE(fs::exists(home / "job"));

    const clitest::CliResult download = Update("--download");
    ASSERT_EQ(download.status, 0) << download.err;
    EXPECT_NE(download.out.find("The file(s) have been downloaded."), std::string::npos) << download.out;
    // lumaret-copy runs once lumaret-cli has ended; its log line is the last thing it writes.
    const auto applied = [&] {
        return ReadFile(home / "lumaret-copy.log").find("Applied 2 updated file(s).") != std::string::npos;
    };
    for (int i = 0; i < 600 && !applied(); ++i) std::this_thread::sleep_for(std::chrono::milliseconds(100));
    ASSERT_TRUE(applied()) << ReadFile(home / "lumaret-copy.log");
    EXPECT_FALSE(fs::exists(home / "job"));
    EXPECT_EQ(ReadFile(home / "data/a.txt"), "new a");
    EXPECT_EQ(ReadFile(home / "b.txt"), "new b");
    EXPECT_FALSE(fs::exists(home / "Update"));

    const clitest::CliResult again = Update("--check");
    EXPECT_EQ(again.status, 0);
    EXPECT_EQ(again.out, "There are no updates available at this time.\n");
}

TEST_F(CliUpdate, RefusalsExitWithTheReasonAndChangeNothing) {
    const updatetest::TestServer plain(base / "www", base / "tls", true);
    ASSERT_FALSE(plain.Url().empty());
    const struct {
        const char* name;
        std::string list;
        bool tamper;
        std::string url;
        const char* reason;
    } cases[] = {
        {"tampered list", ListLine(base, "a.txt", "data/a.txt", "1.0", "new a"), true, "",
         "The update list could not be verified."},
        {"path climbing out", ListLine(base, "a.txt", "../a.txt", "1.0", "new a"), false, "",
         "The update list could not be read."},
        {"plain http", ListLine(base, "a.txt", "data/a.txt", "1.0", "new a"), false, plain.Url(), "https"},
    };
    for (const auto& c : cases) {
        WriteFile(home / "data/a.txt", "old a");
        Publish(c.list, {{"a.txt", "new a"}});
        if (c.tamper) WriteFile(base / "www/update/filelist", ListLine(base, "a.txt", "data/a.txt", "1.0", "evil"));
        for (const char* option : {"--check", "--download"}) {
            const clitest::CliResult result = Update(option, c.url);
            EXPECT_EQ(result.status, 1) << c.name << " " << option;
            EXPECT_NE(result.err.find(c.reason), std::string::npos) << c.name << " " << option << ": " << result.err;
        }
        EXPECT_EQ(ReadFile(home / "data/a.txt"), "old a") << c.name;
        EXPECT_FALSE(fs::exists(home / "job")) << c.name;
        EXPECT_FALSE(fs::exists(home / "Update")) << c.name;
        EXPECT_FALSE(fs::exists(home / "settings.xml")) << c.name;  // the check date is not recorded
    }
}

}  // namespace
