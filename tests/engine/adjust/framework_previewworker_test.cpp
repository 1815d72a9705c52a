// CPreviewWorker: kept requests, coalescing, stages, the abandon signal and stopping.
// Synchronisation is by promises and WaitIdle only; no test relies on timing.
#include <gtest/gtest.h>

#include <atomic>
#include <future>
#include <mutex>
#include <stdexcept>
#include <thread>
#include <vector>

#include "adjust/framework/previewworker.h"

namespace {

// What the job saw, guarded for reading after WaitIdle.
struct Seen {
    std::mutex lock;
    std::vector<int> params, stages;
    void Add(int p, int s) {
        std::lock_guard g(lock);
        params.push_back(p);
        stages.push_back(s);
    }
};

}  // namespace

// Requests posted while suspended are kept and served once; the smallest stage of a
// burst wins.
TEST(PreviewWorker, ABurstIsServedOnceWithTheNewestParamsAndSmallestStage) {
    Seen seen;
    CParamsPreviewWorker<int> worker([&](const int& p, const PreviewRun& run) { seen.Add(p, run.Stage()); },
                                     CPreviewWorker::Start::Suspended);
    for (int i = 1; i <= 5; ++i) worker.Post(i, 5 - i % 3);
    worker.WaitIdle();  // returns at once while suspended
    EXPECT_EQ(worker.CompletedRuns(), 0u);
    worker.Resume();
    worker.WaitIdle();
    worker.Post(6, 2);
    worker.WaitIdle();
    worker.Post(7);
    worker.WaitIdle();
    EXPECT_EQ(seen.params, (std::vector<int>{5, 6, 7}));
    EXPECT_EQ(seen.stages, (std::vector<int>{3, 2, CPreviewWorker::kFullStage}));
    EXPECT_FALSE(worker.NewerRequestWaiting());
}

TEST(PreviewWorker, ABurstDuringAComputationGivesExactlyOneMoreWithTheNewestParams) {
    Seen seen;
    std::promise<void> entered, release;
    std::atomic<bool> newerAtStart{true}, newerAfterBurst{false};
    std::atomic<int> calls{0};
    CParamsPreviewWorker<int> worker([&](const int& p, const PreviewRun& run) {
        seen.Add(p, run.Stage());
        if (calls++ == 0) {
            newerAtStart = run.NewerRequestWaiting();
            entered.set_value();
            release.get_future().wait();
            newerAfterBurst = run.NewerRequestWaiting();
        }
    });
    worker.Post(1);
    entered.get_future().wait();
    for (int i = 2; i <= 11; ++i) worker.Post(i);
    release.set_value();
    worker.WaitIdle();
    EXPECT_FALSE(newerAtStart);
    EXPECT_TRUE(newerAfterBurst) << "a running computation learns that newer work waits";
    EXPECT_EQ(seen.params, (std::vector<int>{1, 11}));
}

TEST(PreviewWorker, StopWaitsForTheRunningComputationAndThenRefusesWork) {
    std::promise<void> entered;
    std::atomic<bool> stopReturned{false}, stopReturnedBeforeJobEnded{false};
    CPreviewWorker worker([&](const PreviewRun& run) {
        entered.set_value();
        // The stop request counts as newer work, so a long job may give up here.
        while (!run.NewerRequestWaiting()) std::this_thread::yield();
        stopReturnedBeforeJobEnded = stopReturned.load();
    });
    worker.Post();
    entered.get_future().wait();
    std::thread([&] {
        worker.Stop();
        stopReturned = true;
    }).join();
    EXPECT_FALSE(stopReturnedBeforeJobEnded);
    worker.Post();
    worker.WaitIdle();
    EXPECT_EQ(worker.CompletedRuns(), 1u);
    worker.Stop();  // a second stop is harmless
}

TEST(PreviewWorker, FailingComputationsDoNotEndTheWorkerAndSuspendedOnesNeverRun) {
    std::atomic<int> calls{0}, suspendedRuns{0};
    {
        CPreviewWorker suspended([&](const PreviewRun&) { ++suspendedRuns; }, CPreviewWorker::Start::Suspended);
        suspended.Post();
    }
    EXPECT_EQ(suspendedRuns.load(), 0);
    CPreviewWorker worker([&](const PreviewRun&) {
        if (calls++ == 0) throw std::runtime_error("no memory");
    });
    worker.Post();
    worker.WaitIdle();
    worker.Post();
    worker.WaitIdle();
    EXPECT_EQ(calls.load(), 2);
}
