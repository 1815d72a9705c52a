// Listing local folders: what is listed, how changes are found, flat view, file lists.
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <algorithm>

#include "browser_test_util.h"

using namespace browsertest;

namespace {

using Updates = std::vector<std::pair<int, intptr_t>>;
using Names = std::vector<std::string>;

struct ListingFixture : ::testing::Test {
    TempDir dir;
    ScopedEnv noCards{"LUMARET_REMOVABLE", std::nullopt};
};

TEST_F(ListingFixture, ListsFoldersAndFilesButNoHiddenOrDotEntries) {
    WriteFiles(dir.Path(), {{"b.jpg", "bb"}, {"IMG.JPEG", "ccc"}, {"note.txt", "n"}, {".hidden.jpg", "h"},
                            {".thumbs/x.jpg", "x"}, {"sub/inner.jpg", "i"}});
    ASSERT_EQ(0, ::mkfifo((dir / "pipe.jpg").c_str(), 0600));  // not a file to read
    Browser b;
    b.Show(dir.Path());
    EXPECT_EQ((Names{"sub", "b.jpg", "IMG.JPEG", "note.txt"}), b.Names());
    EXPECT_EQ(4, b.doc->EntryCount());
    EXPECT_EQ(kEntryFolder | kEntrySeen, b.doc->VisibleEntry(0)->flags);
    EXPECT_EQ(kEntryJpegFlags | kEntrySeen, b.doc->VisibleEntry(2)->flags);
    EXPECT_EQ(3u, b.doc->VisibleEntry(2)->size);
    EXPECT_EQ((Updates{{kUpdateCount, 0}, {kUpdateCount, 4}, {kUpdateListed, 0}}), b.sink.Updates());
    EXPECT_EQ((std::vector<int>{1, 0}), b.sink.States());

    b.sink.Clear();
    b.Show(dir / "missing");
    EXPECT_EQ(0, b.doc->VisibleCount());
    EXPECT_EQ((Updates{{kUpdateCount, 0}, {kUpdateCount, 0}, {kUpdateListed, 0}}), b.sink.Updates());
}

// Entries are never removed while the folder is shown: a renamed or resized file becomes
// a new entry and the old one is marked gone; unchanged entries keep their thumbnail.
TEST_F(ListingFixture, ChangedFilesBecomeNewEntries) {
    WriteFiles(dir.Path(), {{"a.jpg", "aaaa"}, {"s.jpg", "1"}, {"keep.jpg", "k"}, {"k.jpg", "k"}, {"K.JPG", "differs only in case"}});
    Browser b;
    b.Show(dir.Path());
    const int32_t renamed = b.Find(dir / "a.jpg"), resized = b.Find(dir / "s.jpg"), keep = b.Find(dir / "keep.jpg");
    for (int32_t i = 0; i < b.doc->EntryCount(); ++i) b.doc->Entry(i)->flags |= kEntryThumbnailReady;
    std::filesystem::rename(dir / "a.jpg", dir / "c.jpg");
    WriteText(dir / "s.jpg", "1234");
    b.RefreshAndWait();
    EXPECT_EQ(5, b.doc->VisibleCount());
    EXPECT_EQ(7, b.doc->EntryCount());
    EXPECT_TRUE(b.doc->Entry(renamed)->Has(kEntryGone));
    EXPECT_TRUE(b.doc->Entry(resized)->Has(kEntryGone));
    EXPECT_TRUE(b.doc->Entry(keep)->Has(kEntryThumbnailReady));
    EXPECT_FALSE(b.doc->Entry(b.Find(dir / "c.jpg"))->Has(kEntryThumbnailReady));
    EXPECT_EQ(4u, b.doc->Entry(b.Find(dir / "s.jpg"))->size);
}

TEST_F(ListingFixture, FlatViewOnACardListsEveryPictureFromTheRoot) {
    const std::string card = dir / "card";
    WriteFiles(card, {{"DCIM/100ABCDE/IMG_0001.JPG", "1"}, {"DCIM/101ABCDE/IMG_0002.JPG", "22"}, {"MISC/info.txt", "t"},
                      {".Trashes/old.jpg", "o"}});
    ScopedEnv removable("LUMARET_REMOVABLE", "/nonexistent:" + card);
    Browser b;
    b.Show(card + "/DCIM/100ABCDE");
    EXPECT_EQ(card, b.Local().CurrentFolder());
    Names visible = b.Visible();
    std::sort(visible.begin(), visible.end());
    EXPECT_EQ((Names{card + "/DCIM/100ABCDE/IMG_0001.JPG", card + "/DCIM/101ABCDE/IMG_0002.JPG", card + "/MISC/info.txt"}),
              visible);
    EXPECT_FALSE(b.Local().IsFlatView());  // on a card the flag is not shown as a choice
    EXPECT_FALSE(b.Local().CanFlatViewOn());
    EXPECT_TRUE(b.Local().CanDownload());

    // A fixed drive turns flat view off; another folder of that drive keeps the setting.
    WriteFiles(dir / "fixed", {{"one/x.jpg", "x"}, {"two/y.jpg", "y"}});
    std::filesystem::create_directory_symlink(dir / "fixed", dir / "fixed/two/loop");
    b.Show(dir / "fixed");
    EXPECT_EQ((Names{"one", "two"}), b.Names());
    b.Local().FlatViewOn();
    b.Local().WaitForListing();
    EXPECT_EQ((Names{"x.jpg", "y.jpg"}), b.Names());  // the symlink loop is not followed forever
    b.Show(dir / "fixed/one");
    EXPECT_TRUE(b.Local().IsFlatView());
    b.Local().FlatViewOff();
    b.Local().WaitForListing();
    EXPECT_EQ((Names{"x.jpg"}), b.Names());
}

TEST_F(ListingFixture, PathsTooLongForTheRecordAreListedWhole) {
    std::string deep = dir.Path();
    while (deep.size() < 300) deep += "/" + std::string(40, 'd');
    WriteText(deep + "/IMG_0001.JPG", "jpeg");
    Browser b;
    b.Show(deep);
    ASSERT_EQ(1, b.doc->VisibleCount());
    EXPECT_EQ(deep + "/IMG_0001.JPG", b.doc->EntryPath(0));
    b.RefreshAndWait();  // the long path is found again, not listed twice
    EXPECT_EQ(1, b.doc->EntryCount());
    Names selected;
    b.doc->VisibleEntry(0)->flags |= kEntrySelected;
    EXPECT_TRUE(b.Local().GetSelectedFiles(selected));
    EXPECT_EQ((Names{deep + "/IMG_0001.JPG"}), selected);
}

TEST_F(ListingFixture, WatcherReportsChangesAndStopsPromptly) {
    WriteText(dir / "a.jpg", "a");
    Browser b;
    b.Show(dir.Path());
    WriteText(dir / "new.jpg", "n");
    ASSERT_TRUE(b.sink.WaitFor(kUpdateFolderChanged));
    b.RefreshAndWait();  // what the view does on the update
    EXPECT_EQ((Names{"a.jpg", "new.jpg"}), b.Names());
    b.sink.Clear();
    std::filesystem::remove(dir / "a.jpg");  // the refreshed source watches again
    ASSERT_TRUE(b.sink.WaitFor(kUpdateFolderChanged));

    Browser slow;
    slow.Local().SetWatcherSettleTime(std::chrono::hours(1));
    slow.Show(dir.Path());
    WriteText(dir / "x.jpg", "x");
    slow.Show(dir.Path());  // Browse stops the watcher in the middle of its settle wait
    slow.doc.reset();       // and so does the destructor
    EXPECT_EQ(0, slow.sink.Count(kUpdateFolderChanged));
}

TEST_F(ListingFixture, FileListModeListsReadableFilesOnly) {
    WriteFiles(dir.Path(), {{"b.jpg", "b"}, {"a.txt", "a"}});
    Browser b;
    b.doc->Browse(CHint::FileList({dir / "b.jpg", dir / "missing.jpg", dir / "a.txt"}));
    EXPECT_EQ((Names{"a.txt", "b.jpg"}), b.Names());
    EXPECT_FALSE(b.Local().CanFlatViewOn());
    EXPECT_FALSE(b.Local().CopyOrMove({dir / "a.txt"}, CFileSystemIF::kCopy));
    std::filesystem::remove(dir / "b.jpg");
    b.sink.Clear();
    b.Local().Revalidate();
    EXPECT_EQ((Names{"a.txt"}), b.Names());
    EXPECT_TRUE(b.doc->Entry(0)->Has(kEntryGone));
    EXPECT_EQ((Updates{{kUpdateCount, 0}, {kUpdateCount, 1}, {kUpdateListed, 0}}), b.sink.Updates());
}

}  // namespace
