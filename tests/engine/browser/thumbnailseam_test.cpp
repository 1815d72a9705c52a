// How the local source drives the thumbnail service: database load before the scan,
// thumbnail runs after each listing, and stopping them before the lists change.
#include <gtest/gtest.h>

#include <thread>

#include "browser_test_util.h"

using namespace browsertest;

namespace {

class FakeThumbnails : public IThumbnailService {
public:
    struct Record {
        std::string path;
        uint32_t size;
    };

    void LoadDatabase(CFileBrowserDoc& doc, const std::string& folder, const std::atomic<bool>&) override {
        {
            std::unique_lock lock(m_lock);
            loads.push_back(folder);
            loading = true;
            m_changed.notify_all();
            m_changed.wait(lock, [&] { return !holdLoad; });
        }
        for (const Record& r : records) {
            FileEntry* e = doc.Entry(doc.AddEntry(r.path));
            e->size = r.size;
            e->thumbWidth = 100;
            e->flags = kEntryJpegFlags | kEntryThumbnailReady;
        }
    }

    void RunThumbnails(const ThumbnailRun& run) override {
        {
            std::lock_guard lock(m_lock);
            ++runs;
            lastFolder = run.folder;
            lastDatabaseAllowed = run.databaseAllowed;
            m_changed.notify_all();
        }
        if (blockRuns) {  // hold the run until the source stops it (bounded)
            for (int i = 0; i < 10000 && !run.stop; ++i) std::this_thread::sleep_for(std::chrono::milliseconds(1));
            std::lock_guard lock(m_lock);
            sawStop = run.stop.load();
            return;
        }
        for (int32_t row = 0; row < run.doc.VisibleCount() && !run.stop; ++row) {
            FileEntry* e = run.doc.VisibleEntry(row);
            if (!e->Has(kEntryThumbnailReady)) {
                e->flags |= kEntryThumbnailReady;
                std::lock_guard lock(m_lock);
                made.push_back(run.doc.EntryPath(row));
            }
            if (run.sink) run.sink->PostUpdate(kUpdateThumbnail, row);
        }
        if (run.sink) run.sink->PostUpdate(kUpdateThumbnailsDone, 0);
    }

    // Waits (bounded) until the condition holds under the lock.
    template <class Pred>
    bool WaitUntil(Pred pred) {
        std::unique_lock lock(m_lock);
        return m_changed.wait_for(lock, std::chrono::seconds(10), pred);
    }
    void Release() {
        std::lock_guard lock(m_lock);
        holdLoad = false;
        m_changed.notify_all();
    }
    bool TakeStop() {
        std::lock_guard lock(m_lock);
        return std::exchange(sawStop, false);
    }

    std::mutex m_lock;
    std::condition_variable m_changed;
    std::vector<Record> records;
    std::vector<std::string> loads, made;
    std::string lastFolder;
    bool lastDatabaseAllowed = false, holdLoad = false, loading = false, blockRuns = false, sawStop = false;
    int runs = 0;
};

struct SeamFixture : ::testing::Test {
    TempDir dir;
    ScopedEnv noCards{"LUMARET_REMOVABLE", std::nullopt};
    FakeThumbnails thumbs;
};

TEST_F(SeamFixture, DatabaseRecordsOfUnchangedFilesAreKept) {
    WriteFile(dir / "a.jpg", "aaaa");
    WriteFile(dir / "b.jpg", "bb");
    WriteFile(dir / "c.jpg", "changed");
    thumbs.records = {{dir / "a.jpg", 4}, {dir / "c.jpg", 3}, {dir / "deleted.jpg", 9}};
    Browser b(&thumbs);
    b.Show(dir.Path());
    b.Local().WaitForThumbnails();
    EXPECT_EQ((std::vector<std::string>{dir.Path()}), thumbs.loads);
    EXPECT_EQ((std::vector<std::string>{"a.jpg", "b.jpg", "c.jpg"}), b.Names());
    EXPECT_EQ(0, b.Find(dir / "a.jpg"));             // the loaded record, not a new entry
    EXPECT_TRUE(b.doc->Entry(1)->Has(kEntryGone));  // c.jpg's size changed
    EXPECT_TRUE(b.doc->Entry(2)->Has(kEntryGone));  // deleted.jpg
    EXPECT_EQ((std::vector<std::string>{dir / "b.jpg", dir / "c.jpg"}), thumbs.made);
    EXPECT_TRUE(thumbs.lastDatabaseAllowed);
    EXPECT_EQ(3, b.sink.Count(kUpdateThumbnail));
    EXPECT_EQ(1, b.sink.Count(kUpdateThumbnailsDone));
    // Refresh keeps what is in memory and does not load the database again.
    b.RefreshAndWait();
    b.Local().WaitForThumbnails();
    EXPECT_EQ(1u, thumbs.loads.size());
    EXPECT_EQ(2, thumbs.runs);
    EXPECT_EQ(2u, thumbs.made.size());
}

TEST_F(SeamFixture, CardsAndFileListsNeverUseTheDatabase) {
    WriteFile(dir / "card/DCIM/x.jpg", "x");
    ScopedEnv removable("LUMARET_REMOVABLE", dir / "card");
    Browser b(&thumbs);
    b.Show(dir / "card/DCIM");
    b.Local().WaitForThumbnails();
    EXPECT_FALSE(thumbs.lastDatabaseAllowed);
    EXPECT_EQ(1u, thumbs.made.size());
    b.doc->Browse(CHint::FileList({dir / "card/DCIM/x.jpg"}));
    b.Local().WaitForThumbnails();
    EXPECT_TRUE(thumbs.loads.empty());
    EXPECT_FALSE(thumbs.lastDatabaseAllowed);
    EXPECT_EQ("", thumbs.lastFolder);
    EXPECT_EQ(2, thumbs.runs);
}

TEST_F(SeamFixture, ListingHoldsTheListingLockSoCommandsWaitForIt) {
    WriteFile(dir / "a.jpg", "a");
    thumbs.holdLoad = true;
    Browser b(&thumbs);
    b.doc->Browse(CHint::Folder(dir.Path()));
    ASSERT_TRUE(thumbs.WaitUntil([&] { return thumbs.loading; }));
    auto lockIsFree = [&] {
        bool free = false;
        std::thread([&] {
            free = b.doc->ListingLock().try_lock();
            if (free) b.doc->ListingLock().unlock();
        }).join();
        return free;
    };
    EXPECT_FALSE(lockIsFree());
    thumbs.Release();
    b.Local().WaitForListing();
    EXPECT_TRUE(lockIsFree());
    EXPECT_EQ(1, b.doc->VisibleCount());
}

TEST_F(SeamFixture, BrowseAndRefilterStopTheThumbnailWorkerFirst) {
    WriteFile(dir / "a.jpg", "a");
    WriteFile(dir / "n.txt", "n");
    thumbs.blockRuns = true;
    Browser b(&thumbs);
    b.Show(dir.Path());
    ASSERT_TRUE(thumbs.WaitUntil([&] { return thumbs.runs >= 1; }));
    b.doc->OnCommand(CFileBrowserDoc::kCmdShowNonImageFiles);  // stops the run, refilters, restarts
    EXPECT_TRUE(thumbs.TakeStop());
    EXPECT_TRUE(thumbs.WaitUntil([&] { return thumbs.runs >= 2; }));
    EXPECT_EQ((std::vector<std::string>{"a.jpg"}), b.Names());
    b.Show(dir.Path());
    EXPECT_TRUE(thumbs.TakeStop());
    EXPECT_TRUE(thumbs.WaitUntil([&] { return thumbs.runs >= 3; }));
    b.doc.reset();  // the destructor stops the last run
    EXPECT_TRUE(thumbs.TakeStop());
}

}  // namespace
