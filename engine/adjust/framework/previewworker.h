#pragma once
// CPreviewWorker: the thread that recomputes an adjustment's preview off the window thread.
//
// The window thread posts a request after every change; the worker wakes, takes every
// request waiting at that moment as one, and runs the job once. Requests posted before the
// worker first runs (or while it is suspended) are kept. A request may carry a stage
// number (0 = recompute everything, larger = later pipeline steps only); a coalesced burst
// runs from the smallest stage asked for. A long job can poll NewerRequestWaiting() and
// give up early, since a fresh run follows anyway.
#include <climits>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>
#include <thread>

class CPreviewWorker;

// What a running computation may ask about its run.
class PreviewRun {
public:
    // Made by the worker for each computation.
    PreviewRun(const CPreviewWorker& worker, int stage) : m_worker(worker), m_stage(stage) {}
    // The smallest stage among the requests this run serves.
    int Stage() const { return m_stage; }
    // True when another request (or the stop request) has arrived since this run began:
    // the computation may stop early, its result would be replaced anyway.
    bool NewerRequestWaiting() const;

private:
    const CPreviewWorker& m_worker;
    int m_stage;
};

class CPreviewWorker {
public:
    using Job = std::function<void(const PreviewRun&)>;
    enum class Start { Running, Suspended };
    // Stage of a request that needs the whole computation.
    static constexpr int kFullStage = 0;

    // Creates the worker thread; with Start::Suspended it keeps requests until Resume().
    explicit CPreviewWorker(Job job, Start start = Start::Running);
    // Stops and joins the worker (see Stop).
    ~CPreviewWorker();
    CPreviewWorker(const CPreviewWorker&) = delete;
    CPreviewWorker& operator=(const CPreviewWorker&) = delete;

    // Asks for one more computation; `stage` is the first pipeline step that must be redone.
    void Post(int stage = kFullStage);
    // Lets a suspended worker serve its requests.
    void Resume();
    // Clears the run flag, wakes the worker and waits, without a time limit, until a
    // computation in progress has ended and the thread has returned. Requests still
    // waiting are dropped; later Posts do nothing. Must not be called from the job.
    void Stop();

    // True while a request is waiting that no run has taken yet, or once Stop began.
    bool NewerRequestWaiting() const;
    // Waits until no request is waiting and no computation runs (returns at once when the
    // worker is suspended or stopped, since then nothing more would happen).
    void WaitIdle() const;
    // Number of computations finished so far.
    uint64_t CompletedRuns() const;

private:
    void Loop();

    Job m_job;
    mutable std::mutex m_lock;
    std::condition_variable m_wake;
    mutable std::condition_variable m_idle;
    bool m_run = true;
    bool m_suspended = false;
    bool m_computing = false;
    bool m_pending = false;
    int m_pendingStage = INT_MAX;
    uint64_t m_completed = 0;
    std::thread m_thread;  // last, so everything above exists before the thread starts
};

// A value written by one thread and read whole by another.
template <class T>
class CLatestValue {
public:
    // Starts from a value-initialised or the given value.
    CLatestValue() = default;
    explicit CLatestValue(T initial) : m_value(std::move(initial)) {}
    // Replaces the value.
    void Store(const T& value) {
        std::lock_guard lock(m_lock);
        m_value = value;
    }
    // A copy of the newest value.
    T Load() const {
        std::lock_guard lock(m_lock);
        return m_value;
    }

private:
    mutable std::mutex m_lock;
    T m_value{};
};

// A preview worker whose requests carry the adjustment's parameters: every computation
// gets a copy of the newest parameters posted, so the window thread never shares mutable
// fields with the worker. The last computation always sees the last parameters posted.
template <class Params>
class CParamsPreviewWorker {
public:
    using Job = std::function<void(const Params&, const PreviewRun&)>;

    // Creates the worker; see CPreviewWorker.
    explicit CParamsPreviewWorker(Job job, CPreviewWorker::Start start = CPreviewWorker::Start::Running,
                                  Params initial = Params{})
        : m_job(std::move(job)),
          m_params(std::move(initial)),
          m_worker([this](const PreviewRun& run) { m_job(m_params.Load(), run); }, start) {}

    // Stores the parameters and asks for a computation from `stage` on.
    void Post(const Params& params, int stage = CPreviewWorker::kFullStage) {
        m_params.Store(params);
        m_worker.Post(stage);
    }
    // The CPreviewWorker operations of the same names.
    void Resume() { m_worker.Resume(); }
    void Stop() { m_worker.Stop(); }
    bool NewerRequestWaiting() const { return m_worker.NewerRequestWaiting(); }
    void WaitIdle() const { m_worker.WaitIdle(); }
    uint64_t CompletedRuns() const { return m_worker.CompletedRuns(); }

private:
    Job m_job;
    CLatestValue<Params> m_params;
    CPreviewWorker m_worker;  // last: stopped and joined before the members above go
};
