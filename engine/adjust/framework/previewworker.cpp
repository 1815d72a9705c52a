// CPreviewWorker: request queue, coalescing and stop on one condition variable.
#include "adjust/framework/previewworker.h"

bool PreviewRun::NewerRequestWaiting() const { return m_worker.NewerRequestWaiting(); }

CPreviewWorker::CPreviewWorker(Job job, Start start)
    : m_job(std::move(job)), m_suspended(start == Start::Suspended), m_thread([this] { Loop(); }) {}

CPreviewWorker::~CPreviewWorker() { Stop(); }

void CPreviewWorker::Post(int stage) {
    {
        std::lock_guard lock(m_lock);
        if (!m_run) return;
        m_pending = true;
        if (stage < m_pendingStage) m_pendingStage = stage;
    }
    m_wake.notify_one();
}

void CPreviewWorker::Resume() {
    {
        std::lock_guard lock(m_lock);
        m_suspended = false;
    }
    m_wake.notify_one();
}

void CPreviewWorker::Stop() {
    {
        std::lock_guard lock(m_lock);
        m_run = false;
    }
    m_wake.notify_one();
    m_idle.notify_all();
    if (m_thread.joinable() && m_thread.get_id() != std::this_thread::get_id()) m_thread.join();
}

bool CPreviewWorker::NewerRequestWaiting() const {
    std::lock_guard lock(m_lock);
    return m_pending || !m_run;
}

void CPreviewWorker::WaitIdle() const {
    std::unique_lock lock(m_lock);
    m_idle.wait(lock, [this] { return !m_run || m_suspended || (!m_pending && !m_computing); });
}

uint64_t CPreviewWorker::CompletedRuns() const {
    std::lock_guard lock(m_lock);
    return m_completed;
}

void CPreviewWorker::Loop() {
    std::unique_lock lock(m_lock);
    for (;;) {
        m_wake.wait(lock, [this] { return !m_run || (!m_suspended && m_pending); });
        if (!m_run) break;
        // Everything waiting now is served by this one run.
        int stage = m_pendingStage;
        m_pending = false;
        m_pendingStage = INT_MAX;
        m_computing = true;
        lock.unlock();
        try {
            m_job(PreviewRun(*this, stage));
        } catch (...) {
            // A failed preview (e.g. no memory) leaves the old preview; the next request retries.
        }
        lock.lock();
        m_computing = false;
        ++m_completed;
        m_idle.notify_all();
    }
    m_computing = false;
    m_idle.notify_all();
}
