// Applying a job: every file replaced, or on any failure every file as it was and the job kept.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>

#include "tempdir.h"
#include "update_server.h"
#include "updater/jobfile.h"

namespace {

namespace fs = std::filesystem;
using namespace updater;
using updatetest::ReadFile;
using updatetest::WriteFile;

class ApplyJobTest : public ::testing::Test {
protected:
    // Empties the folder for the next case.
    void Clear() {
        for (const auto& item : fs::directory_iterator(folder)) fs::remove_all(item.path());
    }
    testsupport::TempDir scratch{"applyjob"};
    const fs::path& folder = scratch.Path();
};

TEST_F(ApplyJobTest, ReplacesEveryFileKeepsPermissionsAndCleansUp) {
    WriteFile(folder / "bin/tool", "old tool");
    ::chmod((folder / "bin/tool").c_str(), 0750);
    WriteFile(folder / "Update/tool", "new tool");
    WriteFile(folder / "Update/sub/new.txt", "brand new");
    WriteFile(folder / "job", "Update/tool|bin/tool\r\nUpdate/sub/new.txt|data/new.txt\r\n");

    const ApplyReport report = ApplyJob(folder);
    ASSERT_EQ(report.outcome, ApplyOutcome::Applied) << report.message;
    EXPECT_EQ(ReadFile(folder / "bin/tool"), "new tool");
    EXPECT_EQ(ReadFile(folder / "data/new.txt"), "brand new");
    struct stat info {};
    ASSERT_EQ(::stat((folder / "bin/tool").c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0750u);
    EXPECT_FALSE(fs::exists(folder / "job"));
    EXPECT_FALSE(fs::exists(folder / "Update"));
    EXPECT_FALSE(fs::exists(folder / "bin/tool.lumaret-backup"));

    EXPECT_EQ(ApplyJob(folder).outcome, ApplyOutcome::NothingToDo);
}

TEST_F(ApplyJobTest, FailureRestoresEarlierFilesAndKeepsTheJob) {
    const struct {
        const char* name;
        const char* secondLine;
        std::function<void(const fs::path&)> setUp;
    } cases[] = {
        {"second staging file missing", "Update/b|b", [](const fs::path&) {}},
        {"second local path under a regular file", "Update/b|blocker/b",
         [](const fs::path& f) { WriteFile(f / "blocker", "a file, not a folder"); }},
        {"second local path is a folder", "Update/b|dir",
         [](const fs::path& f) { WriteFile(f / "dir/inside", "x"); }},
    };
    for (const auto& c : cases) {
        Clear();
        WriteFile(folder / "a", "old a");
        WriteFile(folder / "Update/a", "new a");
        WriteFile(folder / "Update/c", "new c");
        if (std::string(c.name) != "second staging file missing") WriteFile(folder / "Update/b", "new b");
        c.setUp(folder);
        const std::string job = std::string("Update/c|c\r\nUpdate/a|a\r\n") + c.secondLine + "\r\n";
        WriteFile(folder / "job", job);

        const ApplyReport report = ApplyJob(folder);
        EXPECT_EQ(report.outcome, ApplyOutcome::RolledBack) << c.name;
        EXPECT_NE(report.message.find("restored"), std::string::npos) << c.name << ": " << report.message;
        EXPECT_EQ(ReadFile(folder / "a"), "old a") << c.name;
        EXPECT_FALSE(fs::exists(folder / "c")) << c.name;  // created by the job, so removed again
        EXPECT_FALSE(fs::exists(folder / "a.lumaret-backup")) << c.name;
        // The staging files are back, so the same job runs again at the next exit.
        EXPECT_EQ(ReadFile(folder / "Update/a"), "new a") << c.name;
        EXPECT_EQ(ReadFile(folder / "Update/c"), "new c") << c.name;
        EXPECT_EQ(ReadFile(folder / "job"), job) << c.name;
    }
}

TEST_F(ApplyJobTest, RefusesJobsNamingPathsOutsideTheFolder) {
    fs::create_directories(folder / "out");
    const fs::path outside = folder.parent_path() / (folder.filename().string() + "_outside");
    fs::create_directories(outside);
    fs::create_directory_symlink(outside, folder / "link");
    for (const char* line :
         {"Update/a|../a", "Update/a|/tmp/a", "../a|a", "elsewhere/a|a", "Update/a|link/a", "no bar"}) {
        WriteFile(folder / "Update/a", "new a");
        WriteFile(folder / "job", std::string(line) + "\r\n");
        const ApplyReport report = ApplyJob(folder);
        EXPECT_EQ(report.outcome, ApplyOutcome::RolledBack) << line;
        EXPECT_EQ(ReadFile(folder / "Update/a"), "new a") << line;
        EXPECT_TRUE(fs::is_empty(outside)) << line;
        EXPECT_TRUE(fs::exists(folder / "job")) << line;
    }
    fs::remove_all(outside);
}

}  // namespace
