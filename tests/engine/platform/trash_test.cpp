// Moving files to the home trash: never lose a file, never overwrite one.
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <cstdlib>
#include <filesystem>
#include <regex>

#include "platform/trash.h"
#include "tempdir.h"

namespace {

namespace fs = std::filesystem;
using testsupport::ReadText;

struct TrashFixture : ::testing::Test {
    testsupport::TempDir dir{"trash"};
    const fs::path& base = dir.Path();
    std::string savedXdg;
    bool hadXdg = false;
    void SetUp() override {
        ASSERT_FALSE(base.empty());
        if (const char* v = std::getenv("XDG_DATA_HOME")) hadXdg = true, savedXdg = v;
        ::setenv("XDG_DATA_HOME", (base / "data").c_str(), 1);
    }
    void TearDown() override {
        if (hadXdg) ::setenv("XDG_DATA_HOME", savedXdg.c_str(), 1);
        else ::unsetenv("XDG_DATA_HOME");
    }
    fs::path Make(const std::string& name, const std::string& content) {
        testsupport::WriteText(base / name, content);
        return base / name;
    }
};

TEST_F(TrashFixture, FilesAndFoldersGoToTheHomeTrashWithInfo) {
    const fs::path file = Make("photos/my photo%.jpg", "pixels");
    const auto outcome = platform::MoveToTrash(file.string());
    ASSERT_TRUE(outcome.ok) << outcome.error;
    EXPECT_FALSE(fs::exists(file));
    EXPECT_EQ((base / "data/Trash/files/my photo%.jpg").string(), outcome.trashedPath);
    EXPECT_EQ("pixels", ReadText(outcome.trashedPath));
    EXPECT_EQ((base / "data/Trash/info/my photo%.jpg.trashinfo").string(), outcome.infoPath);
    const std::regex form("\\[Trash Info\\]\nPath=(.*)\nDeletionDate=\\d{4}-\\d\\d-\\d\\dT\\d\\d:\\d\\d:\\d\\d\n");
    std::smatch m;
    const std::string info = ReadText(outcome.infoPath);
    ASSERT_TRUE(std::regex_match(info, m, form)) << info;
    EXPECT_EQ(platform::EncodeTrashPath(fs::canonical(base).string() + "/photos/my photo%.jpg"), m[1].str());
    struct stat st {};
    ASSERT_EQ(0, ::stat((base / "data/Trash").c_str(), &st));
    EXPECT_EQ(0700u, st.st_mode & 0777);

    Make("photos/sub/inner.jpg", "i");
    ASSERT_TRUE(platform::MoveToTrash((base / "photos/sub").string()).ok);
    EXPECT_EQ("i", ReadText(base / "data/Trash/files/sub/inner.jpg"));
}

// A name used in files/ without an info file is not overwritten either.
TEST_F(TrashFixture, TakenNamesGetANumber) {
    ASSERT_TRUE(platform::MoveToTrash(Make("a/x.jpg", "1").string()).ok);
    const auto second = platform::MoveToTrash(Make("b/x.jpg", "2").string());
    EXPECT_EQ((base / "data/Trash/files/x.2.jpg").string(), second.trashedPath);
    Make("data/Trash/files/x.3.jpg", "stray");
    const auto third = platform::MoveToTrash(Make("c/x.jpg", "3").string());
    EXPECT_EQ((base / "data/Trash/files/x.4.jpg").string(), third.trashedPath);
    EXPECT_EQ("stray", ReadText(base / "data/Trash/files/x.3.jpg"));
    EXPECT_EQ("1", ReadText(base / "data/Trash/files/x.jpg"));
}

TEST_F(TrashFixture, FailureLeavesTheFileAndNoInfo) {
    const fs::path file = Make("keep.jpg", "k");
    Make("blocker", "not a folder");
    ::setenv("XDG_DATA_HOME", (base / "blocker/data").c_str(), 1);
    const auto outcome = platform::MoveToTrash(file.string());
    EXPECT_FALSE(outcome.ok);
    EXPECT_FALSE(outcome.error.empty());
    EXPECT_EQ("k", ReadText(file));
    ::setenv("XDG_DATA_HOME", (base / "data").c_str(), 1);
    EXPECT_FALSE(platform::MoveToTrash((base / "missing.jpg").string()).ok);
    EXPECT_FALSE(fs::exists(base / "data/Trash/info/missing.jpg.trashinfo"));
}

TEST_F(TrashFixture, HomeTrashFollowsAnAbsoluteXdgDataHome) {
    EXPECT_EQ((base / "data/Trash").string(), platform::HomeTrashFolder());
    ::setenv("XDG_DATA_HOME", "relative/ignored", 1);
    const char* home = std::getenv("HOME");
    EXPECT_EQ(std::string(home ? home : "/") + "/.local/share/Trash", platform::HomeTrashFolder());
    EXPECT_EQ("/a/b-c_d.e~f", platform::EncodeTrashPath("/a/b-c_d.e~f"));
    EXPECT_EQ("/x%20y/%25/%C3%A9", platform::EncodeTrashPath("/x y/%/\xC3\xA9"));
}

}  // namespace
