#include <gtest/gtest.h>

#include <sys/stat.h>

#include <algorithm>
#include <atomic>

#include "browser_test_util.h"

using namespace browsertest;

namespace {

using Updates = std::vector<std::pair<int, intptr_t>>;

std::vector<std::string> Sorted(std::vector<std::string> v) {
    std::sort(v.begin(), v.end());
    return v;
}

struct ListingFixture : ::testing::Test {
    TempDir dir;
    ScopedEnv noCards{"LUMARET_REMOVABLE", std::nullopt};
};

TEST_F(ListingFixture, ListsFoldersAndFilesButNoHiddenOrDotEntries) {
    WriteFile(dir / "b.jpg", "bb");
    WriteFile(dir / "IMG.JPEG", "ccc");
    WriteFile(dir / "note.txt", "n");
    WriteFile(dir / ".hidden.jpg", "h");
    WriteFile(dir / ".thumbs/x.jpg", "x");
    WriteFile(dir / "sub/inner.jpg", "i");
    ASSERT_EQ(0, ::mkfifo((dir / "pipe.jpg").c_str(), 0600));  // not a file to read

    Browser b;
    b.Show(dir.Path());
    EXPECT_EQ((std::vector<std::string>{"sub", "b.jpg", "IMG.JPEG", "note.txt"}), b.Names());
    EXPECT_EQ(4, b.doc->EntryCount());

    const FileEntry* sub = b.doc->VisibleEntry(0);
    EXPECT_EQ(kEntryFolder | kEntrySeen, sub->flags);
    EXPECT_EQ(0u, sub->size);
    EXPECT_EQ(kEntryJpegFlags | kEntrySeen, b.doc->VisibleEntry(2)->flags);
    EXPECT_EQ(3u, b.doc->VisibleEntry(2)->size);
    EXPECT_EQ(kEntrySeen, b.doc->VisibleEntry(3)->flags);
    EXPECT_GT(b.doc->VisibleEntry(3)->date.Ticks(), 116444736000000000ULL);

    EXPECT_EQ((Updates{{kUpdateCount, 0}, {kUpdateCount, 4}, {kUpdateListed, 0}}), b.sink.Updates());
    EXPECT_EQ((std::vector<int>{1, 0}), b.sink.States());
    EXPECT_EQ(dir.Path(), b.Local().CurrentFolder());
    EXPECT_FALSE(b.Local().IsFlatView());
    EXPECT_TRUE(b.Local().CanFlatViewOn());
    EXPECT_FALSE(b.Local().CanDownload());
}

TEST_F(ListingFixture, EmptyOrUnreadableFoldersGiveAnEmptyList) {
    Browser b;
    b.Show(dir.Path());
    EXPECT_EQ(0, b.doc->VisibleCount());
    b.sink.Clear();
    b.Show(dir / "missing");
    EXPECT_EQ(0, b.doc->VisibleCount());
    EXPECT_EQ((Updates{{kUpdateCount, 0}, {kUpdateCount, 0}, {kUpdateListed, 0}}), b.sink.Updates());
    b.sink.Clear();
    b.doc->Browse(CHint::Folder(""));  // nothing is listed for an empty path
    b.Local().WaitForListing();
    EXPECT_TRUE(b.sink.Updates().empty());
}

TEST_F(ListingFixture, RenamedFileBecomesANewEntryAndTheOldOneIsGone) {
    WriteFile(dir / "a.jpg", "aaaa");
    WriteFile(dir / "keep.jpg", "k");
    Browser b;
    b.Show(dir.Path());
    const int32_t old = b.Find(dir / "a.jpg");
    ASSERT_GE(old, 0);
    b.doc->Entry(old)->flags |= kEntryThumbnailReady;
    const int32_t keep = b.Find(dir / "keep.jpg");
    b.doc->Entry(keep)->flags |= kEntryThumbnailReady;

    std::filesystem::rename(dir / "a.jpg", dir / "c.jpg");
    b.RefreshAndWait();
    EXPECT_EQ((std::vector<std::string>{"c.jpg", "keep.jpg"}), b.Names());
    EXPECT_EQ(3, b.doc->EntryCount());  // entries are never removed while the folder is shown
    EXPECT_TRUE(b.doc->Entry(old)->Has(kEntryGone));
    EXPECT_TRUE(b.doc->Entry(keep)->Has(kEntryThumbnailReady));  // unchanged entries keep their thumbnail
    EXPECT_FALSE(b.doc->Entry(b.Find(dir / "c.jpg"))->Has(kEntryThumbnailReady));
}

TEST_F(ListingFixture, FileWithANewSizeBecomesANewEntry) {
    WriteFile(dir / "a.jpg", "1");
    Browser b;
    b.Show(dir.Path());
    const int32_t old = b.Find(dir / "a.jpg");
    WriteFile(dir / "a.jpg", "1234");
    b.RefreshAndWait();
    ASSERT_EQ(1, b.doc->VisibleCount());
    EXPECT_TRUE(b.doc->Entry(old)->Has(kEntryGone));
    EXPECT_EQ(4u, b.doc->VisibleEntry(0)->size);
    EXPECT_NE(old, b.doc->VisibleIndex(0));
}

TEST_F(ListingFixture, FilesDifferingOnlyInCaseAreBothListed) {
    WriteFile(dir / "a.jpg", "1");
    WriteFile(dir / "A.JPG", "2");
    Browser b;
    b.Show(dir.Path());
    b.RefreshAndWait();
    EXPECT_EQ(2, b.doc->VisibleCount());
    EXPECT_EQ(2, b.doc->EntryCount());
}

TEST_F(ListingFixture, FlatViewOnACardListsEveryPictureFromTheRoot) {
    const std::string card = dir / "card";
    WriteFile(card + "/DCIM/100ABCDE/IMG_0001.JPG", "1");
    WriteFile(card + "/DCIM/101ABCDE/IMG_0002.JPG", "22");
    WriteFile(card + "/MISC/info.txt", "t");
    WriteFile(card + "/.Trashes/old.jpg", "o");
    ScopedEnv removable("LUMARET_REMOVABLE", "/nonexistent:" + card);

    Browser b;
    b.Show(card + "/DCIM/100ABCDE");
    EXPECT_EQ(card, b.Local().CurrentFolder());
    EXPECT_EQ(Sorted({card + "/DCIM/100ABCDE/IMG_0001.JPG", card + "/DCIM/101ABCDE/IMG_0002.JPG",
                      card + "/MISC/info.txt"}),
              Sorted(b.Visible()));
    EXPECT_TRUE(b.Local().FlatViewFlag());
    EXPECT_FALSE(b.Local().IsFlatView());  // on a card the flag is not shown as a choice
    EXPECT_FALSE(b.Local().CanFlatViewOn());
    EXPECT_TRUE(b.Local().CanDownload());

    // A fixed drive turns flat view off; another folder of that drive keeps the setting.
    WriteFile(dir / "fixed/one/x.jpg", "x");
    WriteFile(dir / "fixed/two/y.jpg", "y");
    b.Show(dir / "fixed");
    EXPECT_FALSE(b.Local().IsFlatView());
    EXPECT_EQ((std::vector<std::string>{"one", "two"}), b.Names());
    b.Local().FlatViewOn();
    b.Local().WaitForListing();
    EXPECT_TRUE(b.Local().IsFlatView());
    EXPECT_FALSE(b.Local().CanFlatViewOn());
    EXPECT_EQ((std::vector<std::string>{"x.jpg", "y.jpg"}), b.Names());
    b.Show(dir / "fixed/one");
    EXPECT_TRUE(b.Local().IsFlatView());
    b.Local().FlatViewOff();
    b.Local().WaitForListing();
    EXPECT_EQ((std::vector<std::string>{"x.jpg"}), b.Names());
}

TEST_F(ListingFixture, FlatViewSurvivesSymlinkLoops) {
    WriteFile(dir / "a/p.jpg", "p");
    std::filesystem::create_directory_symlink(dir.Path(), dir / "a/loop");
    Browser b;
    b.Show(dir.Path());
    b.Local().FlatViewOn();
    b.Local().WaitForListing();
    EXPECT_EQ((std::vector<std::string>{"p.jpg"}), b.Names());
}

TEST_F(ListingFixture, PathsTooLongForTheRecordAreListedWhole) {
    std::string deep = dir.Path();
    while (deep.size() < 300) deep += "/" + std::string(40, 'd');
    WriteFile(deep + "/IMG_0001.JPG", "jpeg");
    Browser b;
    b.Show(deep);
    ASSERT_EQ(1, b.doc->VisibleCount());
    EXPECT_EQ(deep + "/IMG_0001.JPG", b.doc->EntryPath(0));
    EXPECT_EQ(259u, EntryPathLength(*b.doc->VisibleEntry(0)));
    b.RefreshAndWait();  // the long path is found again, not listed twice
    EXPECT_EQ(1, b.doc->EntryCount());
    std::vector<std::string> selected;
    b.doc->VisibleEntry(0)->flags |= kEntrySelected;
    EXPECT_TRUE(b.Local().GetSelectedFiles(selected));
    EXPECT_EQ((std::vector<std::string>{deep + "/IMG_0001.JPG"}), selected);
}

TEST_F(ListingFixture, WatcherReportsAnAddedFileAndRefreshListsIt) {
    WriteFile(dir / "a.jpg", "a");
    Browser b;
    b.Show(dir.Path());
    b.sink.Clear();
    WriteFile(dir / "new.jpg", "n");
    ASSERT_TRUE(b.sink.WaitFor(kUpdateFolderChanged));
    b.RefreshAndWait();  // what the view does on code 1
    EXPECT_EQ((std::vector<std::string>{"a.jpg", "new.jpg"}), b.Names());
    // The refreshed source watches again.
    b.sink.Clear();
    std::filesystem::remove(dir / "a.jpg");
    ASSERT_TRUE(b.sink.WaitFor(kUpdateFolderChanged));
    b.RefreshAndWait();
    EXPECT_EQ((std::vector<std::string>{"new.jpg"}), b.Names());
}

TEST_F(ListingFixture, StoppingCutsTheWatcherSettleShort) {
    Browser b;
    b.Local().SetWatcherSettleTime(std::chrono::hours(1));
    b.Show(dir.Path());
    WriteFile(dir / "x.jpg", "x");
    b.Show(dir.Path());  // Browse stops the watcher in the middle of its settle wait
    b.doc.reset();       // and so does the destructor
    EXPECT_EQ(0, b.sink.Count(kUpdateFolderChanged));
}

TEST_F(ListingFixture, FileListModeListsReadableFilesOnly) {
    WriteFile(dir / "b.jpg", "b");
    WriteFile(dir / "a.txt", "a");
    Browser b;
    b.doc->Browse(CHint::FileList({dir / "b.jpg", dir / "missing.jpg", dir / "a.txt"}));
    EXPECT_TRUE(b.Local().IsFileListMode());
    EXPECT_EQ((std::vector<std::string>{"a.txt", "b.jpg"}), b.Names());
    EXPECT_EQ((Updates{{kUpdateCount, 0}, {kUpdateCount, 2}, {kUpdateListed, 0}}), b.sink.Updates());
    EXPECT_FALSE(b.Local().CanDownload());
    EXPECT_FALSE(b.Local().CanFlatViewOn());
    EXPECT_FALSE(b.Local().CopyOrMove({dir / "a.txt"}, CFileSystemIF::kCopy));

    std::filesystem::remove(dir / "b.jpg");
    b.sink.Clear();
    b.Local().Revalidate();
    EXPECT_EQ((std::vector<std::string>{"a.txt"}), b.Names());
    EXPECT_TRUE(b.doc->Entry(0)->Has(kEntryGone));
    EXPECT_EQ((Updates{{kUpdateCount, 0}, {kUpdateCount, 1}, {kUpdateListed, 0}}), b.sink.Updates());
}

TEST_F(ListingFixture, OpenEntryOpensPicturesAndFoldersAndBeepsOtherwise) {
    WriteFile(dir / "Sub/x.txt", "x");
    WriteFile(dir / "p.jpg", "p");
    WriteFile(dir / "t.txt", "t");
    Browser b;
    b.Show(dir.Path());
    ASSERT_EQ((std::vector<std::string>{"Sub", "p.jpg", "t.txt"}), b.Names());
    b.Local().OpenEntry(1);
    EXPECT_EQ((std::vector<std::string>{dir / "p.jpg"}), b.host.opened);
    EXPECT_EQ(1, b.doc->CurrentImageIndex());
    b.Local().OpenEntry(0);
    EXPECT_EQ((std::vector<std::string>{"Sub"}), b.host.folders);
    b.Local().OpenEntry(2);
    b.Local().OpenEntry(7);  // outside the list: nothing
    EXPECT_EQ(1, b.prompt.beeps);
}

TEST_F(ListingFixture, ClicklessDownloadRunsOnceAfterTheFirstThumbnails) {
    Browser b;
    b.host.startedByDevice = true;
    b.host.clickless = true;
    b.Local().OnThumbnailsDone();
    b.Local().OnThumbnailsDone();
    EXPECT_EQ(1, b.host.downloads);
    EXPECT_FALSE(b.host.startedByDevice);

    Browser c;
    c.host.startedByDevice = true;  // clickless download off: no download, flag still cleared
    c.Local().OnThumbnailsDone();
    EXPECT_EQ(0, c.host.downloads);
    EXPECT_FALSE(c.host.startedByDevice);
}

TEST_F(ListingFixture, SelectionQueries) {
    WriteFile(dir / "f/x.jpg", "x");
    WriteFile(dir / "a.jpg", "a");
    WriteFile(dir / "b.jpg", "b");
    Browser b;
    b.Show(dir.Path());
    std::vector<std::string> paths{"left over"};
    EXPECT_FALSE(b.Local().GetSelectedFiles(paths));
    EXPECT_TRUE(paths.empty());
    b.Select({"a.jpg", "b.jpg"});
    EXPECT_TRUE(b.Local().GetSelectedFiles(paths));
    EXPECT_EQ((std::vector<std::string>{dir / "a.jpg", dir / "b.jpg"}), paths);
    b.Select({"f"});
    EXPECT_FALSE(b.Local().GetSelectedFiles(paths));
    EXPECT_TRUE(paths.empty());

    EXPECT_TRUE(b.Local().IsNotFolder(dir / "a.jpg"));
    EXPECT_TRUE(b.Local().IsNotFolder(dir / "missing"));
    EXPECT_FALSE(b.Local().IsNotFolder(dir / "f"));
    EXPECT_TRUE(b.Local().AreAllFiles({}));
    EXPECT_TRUE(b.Local().AreAllFiles({dir / "a.jpg", dir / "b.jpg"}));
    EXPECT_FALSE(b.Local().AreAllFiles({dir / "a.jpg", dir / "f"}));
}

}  // namespace
