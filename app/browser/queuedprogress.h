#pragma once
// CQueuedProgress: progress reports from worker threads (thumbnails, databases) carried to
// a progress display of the window thread. Reports still queued when the context object
// goes are dropped.
#include <QMetaObject>
#include <QObject>
#include <QPointer>
#include <atomic>
#include <string>

#include "core/prompt.h"

class CQueuedProgress : public IProgress {
public:
    // Reports go to `target` (may be null) on the thread of `context`.
    CQueuedProgress(QObject* context, IProgress* target) : m_context(context), m_target(target) {}
    void Start(const std::string& title, int total) override {
        m_running.store(true);
        Queue([this, title, total] { m_target->Start(title, total); });
    }
    void SetPosition(int position) override {
        Queue([this, position] { m_target->SetPosition(position); });
    }
    void End() override {
        m_running.store(false);
        Queue([this] { m_target->End(); });
    }
    // True between Start and End: the display still shows this progress.
    bool Running() const { return m_running.load(); }

private:
    template <class Work>
    void Queue(Work work) {
        if (m_target && m_context) QMetaObject::invokeMethod(m_context, std::move(work), Qt::QueuedConnection);
    }

    QObject* m_context;
    IProgress* m_target;
    std::atomic<bool> m_running{false};
};
