#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <random>

#include "browser/entrysort.h"
#include "browser_test_util.h"

using namespace browsertest;

namespace {

struct DocFixture : ::testing::Test {
    Browser browser;
    CFileBrowserDoc& doc = *browser.doc;

    // Adds a visible entry: kind 'f' folder, 'j' JPEG, 'o' other file.
    int32_t Add(const std::string& path, char kind, uint32_t size = 0, uint64_t date = 0) {
        const int32_t i = doc.AddEntry(path);
        FileEntry* e = doc.Entry(i);
        e->size = size;
        e->date = FileTime::FromTicks(date);
        e->flags = kEntrySeen | (kind == 'f' ? kEntryFolder : 0) | (kind == 'j' ? kEntryJpegFlags : 0);
        doc.AppendVisible(i);
        return i;
    }
    void AddSample() {
        Add("/p/b.jpg", 'j', 300, 30);
        Add("/p/Zed", 'f');
        Add("/p/A.JPG", 'j', 100, 50);
        Add("/p/notes.txt", 'o', 200, 10);
        Add("/p/alpha", 'f');
    }
    std::vector<std::string> Rows() { return browser.Visible(); }
};

TEST_F(DocFixture, FreshDocumentSortsByNameAscendingFoldersFirst) {
    EXPECT_EQ(CFileBrowserDoc::kSortAscending | CFileBrowserDoc::kSortByName, doc.SortMode());
    AddSample();
    doc.SortVisible();
    EXPECT_EQ((std::vector<std::string>{"/p/alpha", "/p/Zed", "/p/A.JPG", "/p/b.jpg", "/p/notes.txt"}), Rows());
}

TEST_F(DocFixture, DescendingByDateListsNewestFirstAndFoldersReversedBeforeFiles) {
    AddSample();
    doc.OnCommand(CFileBrowserDoc::kCmdSortByDate);
    doc.OnCommand(CFileBrowserDoc::kCmdDescending);
    EXPECT_EQ(CFileBrowserDoc::kSortDescending | CFileBrowserDoc::kSortByDate, doc.SortMode());
    EXPECT_EQ((std::vector<std::string>{"/p/Zed", "/p/alpha", "/p/A.JPG", "/p/b.jpg", "/p/notes.txt"}), Rows());
    EXPECT_TRUE(doc.QueryCommand(CFileBrowserDoc::kCmdSortByDate).checked);
    EXPECT_FALSE(doc.QueryCommand(CFileBrowserDoc::kCmdSortByName).checked);
    EXPECT_TRUE(doc.QueryCommand(CFileBrowserDoc::kCmdDescending).checked);
    EXPECT_FALSE(doc.QueryCommand(CFileBrowserDoc::kCmdAscending).checked);
    EXPECT_GE(browser.sink.ViewUpdates(), 2);
}

TEST_F(DocFixture, SizeSortOrdersFilesBySizeInBothDirections) {
    AddSample();
    Add("/p/huge.jpg", 'j', 0xFFFFFFF0u, 0);  // no overflow in the size comparison
    doc.OnCommand(CFileBrowserDoc::kCmdSortBySize);
    EXPECT_EQ((std::vector<std::string>{"/p/alpha", "/p/Zed", "/p/A.JPG", "/p/notes.txt", "/p/b.jpg", "/p/huge.jpg"}),
              Rows());
    doc.OnCommand(CFileBrowserDoc::kCmdDescending);
    EXPECT_EQ((std::vector<std::string>{"/p/Zed", "/p/alpha", "/p/huge.jpg", "/p/b.jpg", "/p/notes.txt", "/p/A.JPG"}),
              Rows());
}

TEST_F(DocFixture, HidingFoldersDeselectsThemAndShowingDoesNotReselect) {
    AddSample();
    doc.SelectAll();
    EXPECT_EQ(5, doc.SelectedCount());
    browser.sink.Clear();
    doc.OnCommand(CFileBrowserDoc::kCmdShowFolders);
    EXPECT_FALSE(doc.ShowFolders());
    EXPECT_EQ((std::vector<std::string>{"/p/A.JPG", "/p/b.jpg", "/p/notes.txt"}), Rows());
    EXPECT_EQ(3, doc.SelectedCount());
    // Refilter posts the count twice (0 first) and then the end of the listing.
    EXPECT_EQ((std::vector<std::pair<int, intptr_t>>{{kUpdateCount, 0}, {kUpdateCount, 3}, {kUpdateListed, 0}}),
              browser.sink.Updates());
    const FileEntry* zed = doc.Entry(1);
    EXPECT_TRUE(zed->Has(kEntryFiltered));
    EXPECT_FALSE(zed->Has(kEntrySelected));

    doc.OnCommand(CFileBrowserDoc::kCmdShowFolders);
    EXPECT_EQ(5, doc.VisibleCount());
    EXPECT_EQ(3, doc.SelectedCount());
    EXPECT_FALSE(zed->Has(kEntryFiltered));
    EXPECT_FALSE(zed->Has(kEntrySelected));
}

TEST_F(DocFixture, BothFiltersOffLeaveOnlyJpegsAndSkipGoneEntries) {
    AddSample();
    doc.Entry(0)->flags |= kEntryGone;  // b.jpg
    doc.OnCommand(CFileBrowserDoc::kCmdShowFolders);
    doc.OnCommand(CFileBrowserDoc::kCmdShowNonImageFiles);
    EXPECT_FALSE(doc.QueryCommand(CFileBrowserDoc::kCmdShowFolders).checked);
    EXPECT_FALSE(doc.QueryCommand(CFileBrowserDoc::kCmdShowNonImageFiles).checked);
    EXPECT_EQ((std::vector<std::string>{"/p/A.JPG"}), Rows());
}

TEST_F(DocFixture, EntryPathOutsideTheListIsEmpty) {
    AddSample();
    EXPECT_EQ("", doc.EntryPath(-1));
    EXPECT_EQ("", doc.EntryPath(doc.VisibleCount()));
    EXPECT_EQ("/p/b.jpg", doc.EntryPath(0));
    EXPECT_EQ(doc.EntryPath(0), doc.ImageListPath(0));
    EXPECT_EQ(5, doc.ImageListCount());
    EXPECT_EQ(-1, doc.CurrentImageIndex());
}

TEST_F(DocFixture, SelectAndDeselectAllTouchOnlyVisibleEntries) {
    AddSample();
    doc.OnCommand(CFileBrowserDoc::kCmdShowNonImageFiles);  // hides notes.txt
    doc.OnCommand(CFileBrowserDoc::kCmdSelectAll);
    EXPECT_EQ(4, doc.SelectedCount());
    EXPECT_FALSE(doc.Entry(3)->Has(kEntrySelected));
    doc.OnCommand(CFileBrowserDoc::kCmdDeselectAll);
    EXPECT_EQ(0, doc.SelectedCount());
}

TEST_F(DocFixture, LongPathsAreKeptWhole) {
    const std::string longPath = "/p/" + std::string(300, 'd') + "/IMG.JPG";
    const int32_t i = Add(longPath, 'j', 5);
    Add("/p/a.jpg", 'j', 5);
    EXPECT_EQ(longPath, doc.StorePath(i));
    EXPECT_EQ(259u, EntryPathLength(*doc.Entry(i)));
    doc.SortVisible();
    EXPECT_EQ((std::vector<std::string>{"/p/a.jpg", longPath}), Rows());
    doc.ClearEntries();
    EXPECT_EQ(0, doc.EntryCount());
    const int32_t again = doc.AddEntry(std::string(259, 'e'));
    EXPECT_EQ(std::string(259, 'e'), doc.StorePath(again));  // no stale long path
}

// The quicksort against the comparison: no later item may compare "before" an earlier one.
TEST(EntrySort, RandomListsComeOutOrdered) {
    std::mt19937 random(12345);
    std::vector<std::unique_ptr<FileEntry>> entries;
    std::vector<std::string> paths;
    for (int i = 0; i < 1000; ++i) {
        auto e = std::make_unique<FileEntry>();
        e->flags = (random() % 5 == 0) ? kEntryFolder : kEntryJpegFlags;
        e->size = random() % 50;  // many equal keys
        e->date = FileTime::FromTicks(random() % 40);
        paths.push_back("/f/" + std::to_string(random() % 200));
        entries.push_back(std::move(e));
    }
    for (uint32_t key : {CFileBrowserDoc::kSortByName, CFileBrowserDoc::kSortByDate, CFileBrowserDoc::kSortBySize})
        for (uint32_t dir : {CFileBrowserDoc::kSortAscending, CFileBrowserDoc::kSortDescending}) {
            std::vector<SortItem> items;
            for (size_t i = 0; i < entries.size(); ++i)
                items.push_back({static_cast<int32_t>(i), entries[i].get(), paths[i]});
            QuickSortEntries(items, key | dir);
            ASSERT_EQ(entries.size(), items.size());
            for (size_t i = 1; i < items.size(); ++i)
                ASSERT_LE(CompareEntries(items[i], items[i - 1], key | dir), 0) << "key " << key << " at " << i;
            std::vector<int32_t> indexes;
            for (auto& it : items) indexes.push_back(it.index);
            std::sort(indexes.begin(), indexes.end());
            for (size_t i = 0; i < indexes.size(); ++i) ASSERT_EQ(static_cast<int32_t>(i), indexes[i]);
        }
}

TEST(EntrySort, LongSortedAndReversedListsSortWithoutDeepRecursion) {
    const int n = 50000;
    FileEntry file{};
    file.flags = kEntryJpegFlags;
    std::vector<std::string> names(n);
    std::vector<SortItem> items;
    for (int i = 0; i < n; ++i) {
        char name[16];
        std::snprintf(name, sizeof name, "/p/%07d", i);
        names[i] = name;
        items.push_back({i, &file, names[i]});
    }
    QuickSortEntries(items, CFileBrowserDoc::kSortByName | CFileBrowserDoc::kSortDescending);
    for (int i = 0; i < n; ++i) ASSERT_EQ(n - 1 - i, items[i].index);
    QuickSortEntries(items, CFileBrowserDoc::kSortByName | CFileBrowserDoc::kSortAscending);
    for (int i = 0; i < n; ++i) ASSERT_EQ(i, items[i].index);
    QuickSortEntries(items, CFileBrowserDoc::kSortByName | CFileBrowserDoc::kSortAscending);  // already sorted
    for (int i = 0; i < n; ++i) ASSERT_EQ(i, items[i].index);
}

}  // namespace

namespace {

class FakeCamera : public CFileSystemIF {
public:
    explicit FakeCamera(int* browsed) : m_browsed(browsed) {}
    int32_t GetSourceKind() const override { return CHint::kCamera; }
    void Browse(const CHint* hint) override { *m_browsed = hint ? hint->cameraSlot : -2; }
    void Refresh() override {}
    void SetThumbnailCursor(int32_t, int32_t) override {}
    void RestartThumbnails() override {}
    void OnThumbnailsDone() override {}
    void Download() override {}
    bool CanDownload() override { return true; }
    void DeleteSelected() override {}
    bool CanDelete() override { return false; }
    void FlatViewOn() override {}
    bool CanFlatViewOn() override { return false; }
    void FlatViewOff() override {}
    bool IsFlatView() override { return false; }

private:
    int* m_browsed;
};

TEST(DocumentSources, HintsSwapTheSourceByKind) {
    CFileBrowserDoc plain;
    CFileSystemIF* local = plain.Source();
    ASSERT_NE(nullptr, local);
    CHint camera;
    camera.sourceKind = CHint::kCamera;
    camera.cameraSlot = 3;
    plain.Browse(camera);  // no camera source can be made: the local one stays
    EXPECT_EQ(local, plain.Source());

    int browsed = -1;
    BrowserServices services;
    services.cameraSource = [&](CFileBrowserDoc&, const BrowserServices&) {
        return std::make_unique<FakeCamera>(&browsed);
    };
    CFileBrowserDoc doc(services);
    EXPECT_EQ(CHint::kLocal, doc.Source()->GetSourceKind());
    doc.Browse(camera);
    EXPECT_EQ(CHint::kCamera, doc.Source()->GetSourceKind());
    EXPECT_EQ(3, browsed);
    EXPECT_FALSE(doc.QueryCommand(CFileBrowserDoc::kCmdDelete).enabled);
    EXPECT_TRUE(doc.QueryCommand(CFileBrowserDoc::kCmdDownload).enabled);
    doc.Browse(CHint::Folder(""));
    EXPECT_EQ(CHint::kLocal, doc.Source()->GetSourceKind());
    EXPECT_TRUE(doc.QueryCommand(CFileBrowserDoc::kCmdDelete).enabled);
    EXPECT_FALSE(doc.QueryCommand(CFileBrowserDoc::kCmdDownload).enabled);
}

}  // namespace
