// The browser document: sorting, filters, selection and the source it browses with.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <random>

#include "browser/entrysort.h"
#include "browser_test_util.h"

using namespace browsertest;
using Doc = CFileBrowserDoc;
using Paths = std::vector<std::string>;

namespace {

struct DocFixture : ::testing::Test {
    Browser browser;
    Doc& doc = *browser.doc;

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
        Add("/p/huge.jpg", 'j', 0xFFFFFFF0u, 0);  // no overflow in the size comparison
    }
};

// Folders come first (reversed too when descending), names compare without case.
TEST_F(DocFixture, SortsByEveryKeyInBothDirections) {
    AddSample();
    const std::pair<std::vector<int>, Paths> cases[] = {
        {{}, {"/p/alpha", "/p/Zed", "/p/A.JPG", "/p/b.jpg", "/p/huge.jpg", "/p/notes.txt"}},
        {{Doc::kCmdSortByDate, Doc::kCmdDescending}, {"/p/Zed", "/p/alpha", "/p/A.JPG", "/p/b.jpg", "/p/notes.txt", "/p/huge.jpg"}},
        {{Doc::kCmdSortBySize, Doc::kCmdAscending}, {"/p/alpha", "/p/Zed", "/p/A.JPG", "/p/notes.txt", "/p/b.jpg", "/p/huge.jpg"}},
        {{Doc::kCmdDescending}, {"/p/Zed", "/p/alpha", "/p/huge.jpg", "/p/b.jpg", "/p/notes.txt", "/p/A.JPG"}},
    };
    for (const auto& [commands, expected] : cases) {
        for (int command : commands) doc.OnCommand(command);
        if (commands.empty()) doc.SortVisible();
        EXPECT_EQ(expected, browser.Visible());
    }
    EXPECT_EQ(Doc::kSortDescending | Doc::kSortBySize, doc.SortMode());
    EXPECT_TRUE(doc.QueryCommand(Doc::kCmdSortBySize).checked);
    EXPECT_FALSE(doc.QueryCommand(Doc::kCmdSortByDate).checked);
    EXPECT_FALSE(doc.QueryCommand(Doc::kCmdAscending).checked);
}

TEST_F(DocFixture, FiltersHideAndDeselectAndSkipGoneEntries) {
    AddSample();
    doc.Entry(0)->flags |= kEntryGone;          // b.jpg
    doc.OnCommand(Doc::kCmdShowNonImageFiles);  // hides notes.txt
    doc.SelectAll();
    EXPECT_EQ(4, doc.SelectedCount());  // only what is visible
    EXPECT_FALSE(doc.Entry(3)->Has(kEntrySelected));
    browser.sink.Clear();
    doc.OnCommand(Doc::kCmdShowFolders);
    EXPECT_EQ((Paths{"/p/A.JPG", "/p/huge.jpg"}), browser.Visible());
    EXPECT_EQ(2, doc.SelectedCount());
    // Refilter posts the count twice (0 first) and then the end of the listing.
    EXPECT_EQ((std::vector<std::pair<int, intptr_t>>{{kUpdateCount, 0}, {kUpdateCount, 2}, {kUpdateListed, 0}}),
              browser.sink.Updates());
    doc.OnCommand(Doc::kCmdShowFolders);  // shown again, not reselected
    EXPECT_EQ(4, doc.VisibleCount());
    EXPECT_EQ(2, doc.SelectedCount());
    doc.OnCommand(Doc::kCmdDeselectAll);
    EXPECT_EQ(0, doc.SelectedCount());
    EXPECT_EQ("", doc.EntryPath(-1));
    EXPECT_EQ("", doc.EntryPath(doc.VisibleCount()));
}

TEST_F(DocFixture, LongPathsAreKeptWhole) {
    const std::string longPath = "/p/" + std::string(300, 'd') + "/IMG.JPG";
    EXPECT_EQ(259u, EntryPathLength(*doc.Entry(Add(longPath, 'j', 5))));  // cut in the record only
    Add("/p/a.jpg", 'j', 5);
    doc.SortVisible();
    EXPECT_EQ((Paths{"/p/a.jpg", longPath}), browser.Visible());
    doc.ClearEntries();
    const int32_t again = doc.AddEntry(std::string(259, 'e'));
    EXPECT_EQ(std::string(259, 'e'), doc.StorePath(again));  // no stale long path
}

// The quicksort against the comparison: no later item may compare "before" an earlier one,
// and every item is there once.
TEST(EntrySort, RandomListsComeOutOrdered) {
    std::mt19937 random(12345);
    std::vector<FileEntry> entries(1000);
    std::vector<std::string> paths;
    for (FileEntry& e : entries) {
        e.flags = (random() % 5 == 0) ? kEntryFolder : kEntryJpegFlags;
        e.size = random() % 50;  // many equal keys
        e.date = FileTime::FromTicks(random() % 40);
        paths.push_back("/f/" + std::to_string(random() % 200));
    }
    for (uint32_t key : {Doc::kSortByName, Doc::kSortByDate, Doc::kSortBySize})
        for (uint32_t dir : {Doc::kSortAscending, Doc::kSortDescending}) {
            std::vector<SortItem> items;
            for (size_t i = 0; i < entries.size(); ++i) items.push_back({static_cast<int32_t>(i), &entries[i], paths[i]});
            QuickSortEntries(items, key | dir);
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
    for (uint32_t dir : {Doc::kSortDescending, Doc::kSortAscending, Doc::kSortAscending}) {
        QuickSortEntries(items, Doc::kSortByName | dir);
        for (int i = 0; i < n; ++i) ASSERT_EQ(dir == Doc::kSortAscending ? i : n - 1 - i, items[i].index);
    }
}

// A camera hint when no camera source can be made leaves the local source in place.
TEST(DocumentSources, CameraHintWithoutACameraSourceKeepsTheLocalOne) {
    CHint camera;
    camera.sourceKind = CHint::kCamera;
    camera.cameraSlot = 3;
    Doc doc;
    CFileSystemIF* local = doc.Source();
    doc.Browse(camera);
    EXPECT_EQ(local, doc.Source());
    EXPECT_TRUE(doc.QueryCommand(Doc::kCmdDelete).enabled);
}

}  // namespace
