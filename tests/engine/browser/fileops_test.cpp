// Deleting, copying and moving from the browser: asked first, and no file is ever lost.
#include <gtest/gtest.h>

#include <sys/stat.h>

#include "browser/filetransfer.h"
#include "browser_test_util.h"
#include "filesize_limit.h"

using namespace browsertest;
using Names = std::vector<std::string>;

namespace {

bool Exists(const std::string& path) { return std::filesystem::exists(path); }

// Names in a folder, hidden ones (such as temporary files) included.
Names FolderNames(const std::string& folder) {
    Names names;
    for (auto& item : std::filesystem::directory_iterator(folder)) names.push_back(item.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

struct FileOpsFixture : ::testing::Test {
    TempDir dir;
    std::string shown = dir / "shown";
    std::string data = dir / "data";
    ScopedEnv noCards{"LUMARET_REMOVABLE", std::nullopt};
    ScopedEnv xdg{"XDG_DATA_HOME", data};

    // A browser showing `folder` with the named files selected.
    std::unique_ptr<Browser> ShowSelected(const std::string& folder, const Names& selected) {
        auto b = std::make_unique<Browser>();
        b->Show(folder);
        b->Select(selected);
        return b;
    }
};

TEST_F(FileOpsFixture, DeleteAsksAndOnAFixedDriveGoesToTheTrash) {
    WriteFiles(shown, {{"a b.jpg", "picture"}, {"keep.jpg", "k"}});
    auto b = ShowSelected(shown, {"a b.jpg", "keep.jpg"});
    b->prompt.answers = {PromptAnswer::No};
    b->Local().DeleteSelected();
    EXPECT_EQ("Are you sure you want to delete 2 files?\nFiles on a removable drives will be deleted immediately.\n"
              "Files on a hard-disk will go to the recycle bin.",
              b->prompt.asked[0].text);
    EXPECT_EQ("Delete... ?", b->prompt.asked[0].caption);
    EXPECT_EQ(PromptButtons::YesNo, b->prompt.asked[0].buttons);
    EXPECT_TRUE(Exists(shown + "/a b.jpg"));

    b = ShowSelected(shown, {"a b.jpg"});
    b->prompt.answers = {PromptAnswer::Yes};
    b->Local().DeleteSelected();
    EXPECT_NE(std::string::npos, b->prompt.asked[0].text.find("delete 1 file?"));
    EXPECT_EQ(1u, b->prompt.asked.size());  // no failure message
    EXPECT_FALSE(Exists(shown + "/a b.jpg"));
    EXPECT_EQ("picture", ReadText(data + "/Trash/files/a b.jpg"));
    EXPECT_NE(std::string::npos, ReadText(data + "/Trash/info/a b.jpg.trashinfo").find("Path=" + shown + "/a%20b.jpg\n"));
    ASSERT_TRUE(b->sink.WaitFor(kUpdateFolderChanged));
    b->RefreshAndWait();
    EXPECT_EQ((Names{"keep.jpg"}), b->Names());
}

TEST_F(FileOpsFixture, FailingTrashDeletesNothingAndSaysSo) {
    WriteText(shown + "/a.jpg", "a");
    WriteText(dir / "blocker", "a file where the data folder should be");
    ScopedEnv badXdg("XDG_DATA_HOME", dir / "blocker/data");
    auto b = ShowSelected(shown, {"a.jpg"});
    b->prompt.answers = {PromptAnswer::Yes};
    b->Local().DeleteSelected();
    EXPECT_EQ("a", ReadText(shown + "/a.jpg"));
    ASSERT_EQ(2u, b->prompt.asked.size());  // the question, then one message
    EXPECT_EQ(PromptButtons::Ok, b->prompt.asked[1].buttons);
    EXPECT_NE(std::string::npos, b->prompt.asked[1].text.find(shown + "/a.jpg"));
}

TEST_F(FileOpsFixture, DeleteOnACardIsImmediateAndInAFileListMarksTheEntryGone) {
    const std::string card = dir / "card";
    WriteFiles(card + "/DCIM", {{"a.jpg", "a"}, {"b.jpg", "b"}});
    {
        ScopedEnv removable("LUMARET_REMOVABLE", card);
        auto b = ShowSelected(card, {"a.jpg"});
        b->prompt.answers = {PromptAnswer::Yes};
        b->Local().DeleteSelected();
        EXPECT_FALSE(Exists(card + "/DCIM/a.jpg"));
        EXPECT_TRUE(Exists(card + "/DCIM/b.jpg"));
        EXPECT_FALSE(Exists(data + "/Trash"));
    }
    WriteFiles(shown, {{"a.jpg", "a"}, {"b.jpg", "b"}});
    Browser b;
    b.doc->Browse(CHint::FileList({shown + "/a.jpg", shown + "/b.jpg"}));
    b.Select({"b.jpg"});
    b.prompt.answers = {PromptAnswer::Yes};
    b.Local().DeleteSelected();
    EXPECT_EQ((Names{"a.jpg"}), b.Names());
    EXPECT_TRUE(b.doc->Entry(1)->Has(kEntryGone));
    EXPECT_TRUE(Exists(data + "/Trash/files/b.jpg"));
}

TEST_F(FileOpsFixture, CopyIntoTheShownFolderAsksBeforeOverwriting) {
    WriteFiles(shown, {{"same.jpg", "old"}, {"other.jpg", "old other"}});
    WriteFiles(dir / "in", {{"same.jpg", "new"}, {"other.jpg", "new other"}, {"fresh.jpg", "fresh"}});
    Browser b;
    b.Show(shown);
    b.prompt.answers = {PromptAnswer::No, PromptAnswer::Yes};
    ASSERT_TRUE(b.Local().CopyOrMove({dir / "in/same.jpg", dir / "in/other.jpg", dir / "in/fresh.jpg"}, CFileSystemIF::kCopy));
    b.Local().WaitForListing();
    EXPECT_EQ("old", ReadText(shown + "/same.jpg"));
    EXPECT_EQ("new other", ReadText(shown + "/other.jpg"));
    EXPECT_EQ("fresh", ReadText(shown + "/fresh.jpg"));
    EXPECT_EQ("new", ReadText(dir / "in/same.jpg"));  // a copy leaves the sources
    ASSERT_EQ(2u, b.prompt.asked.size());
    EXPECT_EQ("The file same.jpg already exists.\nDo you want to overwrite the destination file?", b.prompt.asked[0].text);
    EXPECT_EQ("Copying...", b.prompt.asked[0].caption);
    EXPECT_EQ(PromptButtons::YesNoAllCancel, b.prompt.asked[0].buttons);
    EXPECT_EQ(1, b.progress.ends);
    EXPECT_EQ((Names{"fresh.jpg", "other.jpg", "same.jpg"}), FolderNames(shown));  // no temporary file left
    EXPECT_EQ((Names{"fresh.jpg", "other.jpg", "same.jpg"}), b.Names());         // refreshed
    EXPECT_FALSE(b.Local().CopyOrMove({dir / "in/fresh.jpg"}, 3));
}

TEST_F(FileOpsFixture, AllAnswersAndCancelAreRemembered) {
    for (const char* n : {"1.jpg", "2.jpg", "3.jpg"}) {
        WriteText(shown + "/" + n, "old");
        WriteText(dir / "in" / n, "new");
    }
    const Names sources{dir / "in/1.jpg", dir / "in/2.jpg", dir / "in/3.jpg"};
    FakePrompt prompt;
    prompt.answers = {PromptAnswer::YesToAll};
    EXPECT_EQ(3, TransferFiles(sources, shown, TransferKind::Copy, &prompt, nullptr).transferred);
    EXPECT_EQ(1u, prompt.asked.size());
    EXPECT_EQ("new", ReadText(shown + "/3.jpg"));

    WriteText(dir / "in/1.jpg", "newer");
    prompt.answers = {PromptAnswer::NoToAll};
    EXPECT_EQ(3, TransferFiles(sources, shown, TransferKind::Move, &prompt, nullptr).skipped);
    EXPECT_EQ(2u, prompt.asked.size());
    EXPECT_EQ("new", ReadText(shown + "/1.jpg"));
    EXPECT_EQ("newer", ReadText(dir / "in/1.jpg"));  // skipped moves keep their source

    prompt.answers = {PromptAnswer::Cancel};
    const TransferReport r = TransferFiles(sources, shown, TransferKind::Copy, &prompt, nullptr);
    EXPECT_TRUE(r.cancelled);
    EXPECT_EQ(0, r.transferred);
    EXPECT_EQ(3u, prompt.asked.size());
    EXPECT_EQ("new", ReadText(shown + "/1.jpg"));
    EXPECT_EQ(1, TransferFiles({shown + "/2.jpg"}, shown, TransferKind::Copy, nullptr, nullptr).skipped);  // onto itself
    EXPECT_EQ("new", ReadText(shown + "/2.jpg"));
}

TEST_F(FileOpsFixture, MoveWithinOneFileSystemIsARename) {
    WriteFiles(dir.Path(), {{"in/m.jpg", "move me"}, {"shown/x.jpg", "x"}});
    struct stat before {}, after {};
    ASSERT_EQ(0, ::stat((dir / "in/m.jpg").c_str(), &before));
    Browser b;
    b.Show(shown);
    ASSERT_TRUE(b.Local().CopyOrMove({dir / "in/m.jpg"}, CFileSystemIF::kMove));
    b.Local().WaitForListing();
    ASSERT_EQ(0, ::stat((shown + "/m.jpg").c_str(), &after));
    EXPECT_EQ(before.st_ino, after.st_ino);
    EXPECT_FALSE(Exists(dir / "in/m.jpg"));
    EXPECT_EQ("Moving...", b.progress.title);
    EXPECT_EQ((Names{"m.jpg", "x.jpg"}), b.Names());
}

TEST_F(FileOpsFixture, MoveAcrossFileSystemsCopiesThenRemovesTheSource) {
    struct stat shm {}, tmp {};
    if (::stat("/dev/shm", &shm) != 0 || ::stat(dir.Path().c_str(), &tmp) != 0 || shm.st_dev == tmp.st_dev ||
        ::access("/dev/shm", W_OK) != 0)
        GTEST_SKIP() << "no second writable file system";
    std::string pattern = "/dev/shm/lumaret-move-XXXXXX";
    ASSERT_NE(nullptr, ::mkdtemp(pattern.data()));
    const std::string source = pattern + "/far.jpg";
    std::filesystem::create_directories(shown);
    std::string content(3 << 20, '\0');
    for (size_t i = 0; i < content.size(); ++i) content[i] = static_cast<char>(i * 31 + 7);
    WriteText(source, content);
    ::chmod(source.c_str(), 0640);
    FakeProgress progress;
    const TransferReport r = TransferFiles({source}, shown, TransferKind::Move, nullptr, &progress);
    const bool sourceLeft = Exists(source);
    std::filesystem::remove_all(pattern);
    EXPECT_EQ(1, r.transferred);
    EXPECT_FALSE(sourceLeft);
    EXPECT_TRUE(content == ReadText(shown + "/far.jpg"));
    struct stat moved {};
    ASSERT_EQ(0, ::stat((shown + "/far.jpg").c_str(), &moved));
    EXPECT_EQ(0640u, moved.st_mode & 0777);
    EXPECT_EQ((Names{"far.jpg"}), FolderNames(shown));
    EXPECT_EQ(progress.total, progress.Last() + 1);  // 48 units of 64 KiB, plus one
}

// A copy that cannot be completed (the disk fills up half-way) leaves nothing under the
// target name, an older target the user agreed to replace as it was, and the sources whole.
TEST_F(FileOpsFixture, FailedCopyLeavesNoTargetAndTheSourceIntact) {
    const std::string big(256 << 10, 'b');
    WriteFiles(dir / "in", {{"big.jpg", big}, {"old.jpg", big}});
    WriteText(shown + "/old.jpg", "old");
    FakePrompt prompt;
    prompt.answers = {PromptAnswer::Yes};
    TransferReport r;
    {
        testsupport::FileSizeLimit full(64 << 10);
        if (!full.Active()) GTEST_SKIP() << "cannot limit the file size";
        r = TransferFiles({dir / "in/big.jpg", dir / "in/old.jpg"}, shown, TransferKind::Copy, &prompt, nullptr);
    }
    EXPECT_EQ((Names{dir / "in/big.jpg", dir / "in/old.jpg"}), r.failed);
    EXPECT_EQ(1u, prompt.asked.size());
    EXPECT_EQ((Names{"old.jpg"}), FolderNames(shown));
    EXPECT_EQ("old", ReadText(shown + "/old.jpg"));
    EXPECT_TRUE(big == ReadText(dir / "in/big.jpg"));
    EXPECT_TRUE(big == ReadText(dir / "in/old.jpg"));

    // A named pipe is refused at once instead of waiting for a writer.
    ASSERT_EQ(0, ::mkfifo((dir / "in/pipe.jpg").c_str(), 0644));
    r = TransferFiles({dir / "in/pipe.jpg"}, shown, TransferKind::Copy, nullptr, nullptr);
    EXPECT_EQ((Names{dir / "in/pipe.jpg"}), r.failed);
    EXPECT_EQ((Names{"old.jpg"}), FolderNames(shown));
}

// A link is copied as the file it names, with that file's permissions (not the link's 0777).
TEST_F(FileOpsFixture, CopyOfALinkTakesTheFilesPermissions) {
    WriteText(dir / "in/real.jpg", "pixels");
    ::chmod((dir / "in/real.jpg").c_str(), 0640);
    std::filesystem::create_symlink(dir / "in/real.jpg", dir / "in/link.jpg");
    std::filesystem::create_directories(shown);
    EXPECT_EQ(1, TransferFiles({dir / "in/link.jpg"}, shown, TransferKind::Copy, nullptr, nullptr).transferred);
    struct stat copied {};
    ASSERT_EQ(0, ::lstat((shown + "/link.jpg").c_str(), &copied));
    EXPECT_TRUE(S_ISREG(copied.st_mode));
    EXPECT_EQ(0640u, copied.st_mode & 07777);
    EXPECT_EQ("pixels", ReadText(shown + "/link.jpg"));
}

// A missing source and a folder that would go into itself fail; the rest goes on.
TEST_F(FileOpsFixture, FailuresAreReportedAndNothingIsLost) {
    WriteFiles(dir.Path(), {{"shown/a.jpg", "a"}, {"in/f/inner.jpg", "i"}});
    Browser b;
    b.Show(shown);
    ASSERT_TRUE(b.Local().CopyOrMove({dir / "in/none.jpg", shown, dir / "in/f"}, CFileSystemIF::kCopy));
    b.Local().WaitForListing();
    EXPECT_EQ("i", ReadText(shown + "/f/inner.jpg"));
    ASSERT_EQ(1u, b.prompt.asked.size());
    EXPECT_NE(std::string::npos, b.prompt.asked[0].text.find("These files could not be copied:"));
    EXPECT_NE(std::string::npos, b.prompt.asked[0].text.find(dir / "in/none.jpg"));
    EXPECT_EQ("a", ReadText(shown + "/a.jpg"));
    EXPECT_FALSE(Exists(shown + "/shown"));
}

}  // namespace
