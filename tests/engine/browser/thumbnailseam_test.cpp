// How the local source drives the thumbnail service: the database load runs under the
// listing lock, and thumbnail runs are stopped before the lists change.
#include <gtest/gtest.h>

#include <thread>

#include "browser_test_util.h"

using namespace browsertest;

namespace {

// Holds LoadDatabase until released, and each thumbnail run until the source stops it.
class FakeThumbnails : public IThumbnailService {
public:
    void LoadDatabase(CFileBrowserDoc&, const std::string&, const std::atomic<bool>&) override {
        std::unique_lock lock(m_lock);
        loading = true;
        m_changed.notify_all();
        m_changed.wait(lock, [&] { return !holdLoad; });
    }
    void RunThumbnails(const ThumbnailRun& run) override {
        {
            std::lock_guard lock(m_lock);
            ++runs;
            m_changed.notify_all();
        }
        for (int i = 0; i < 10000 && !run.stop; ++i) std::this_thread::sleep_for(std::chrono::milliseconds(1));
        std::lock_guard lock(m_lock);
        sawStop = run.stop.load();
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
    bool holdLoad = false, loading = false, sawStop = false;
    int runs = 0;
};

struct SeamFixture : ::testing::Test {
    TempDir dir;
    ScopedEnv noCards{"LUMARET_REMOVABLE", std::nullopt};
    FakeThumbnails thumbs;
};

TEST_F(SeamFixture, ListingHoldsTheListingLockSoCommandsWaitForIt) {
    WriteText(dir / "a.jpg", "a");
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
    WriteText(dir / "a.jpg", "a");
    WriteText(dir / "n.txt", "n");
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
