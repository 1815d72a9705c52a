#pragma once
// CPreviewBridge: computes an adjustment's live preview off the window thread and shows it
// in an editor view.
//
// Usage:
//   1. The view's display copy and preview copy must exist (CeditorView::RebuildDisplayCopies)
//      before the bridge is made; the bridge keeps their descriptors, so the copies must
//      not be rebuilt while it lives (a modal dialog or an active tool guarantees that).
//   2. Give the bridge a job: it reads the display copy (`source`) and writes the preview
//      copy (`target`). The job runs on the worker thread only, so everything it reads
//      must be owned by the job itself (captured by value or through a shared_ptr) or be
//      thread-safe, e.g. a CLatestValue the window thread stores new parameters into.
//      It returns true when it wrote a whole preview; false when it gave up (because
//      run.NewerRequestWaiting()) or failed, and then nothing is repainted.
//   3. Call Post() after every change on the window thread. Requests are coalesced and a
//      running job may abandon early; the last preview always reflects the last Post.
//   4. After each finished job the view is repainted from the window thread and
//      previewShown() is emitted there. Jobs that draw in pieces may call
//      RepaintFromWorker() between pieces.
//   5. Stop() (or the destructor) waits for a running job; after it nothing more runs.
#include <QObject>
#include <QPointer>
#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>

#include "adjust/framework/previewworker.h"
#include "core/imageplane.h"

class CeditorView;

class CPreviewBridge : public QObject {
    Q_OBJECT
public:
    using Job = std::function<bool(const ImagePlane& source, const ImagePlane& target, const PreviewRun& run)>;

    // Starts the worker for `view` (running at once, or suspended until Resume()).
    CPreviewBridge(CeditorView* view, Job job, CPreviewWorker::Start start = CPreviewWorker::Start::Running,
                   QObject* parent = nullptr);
    // Stops and joins the worker.
    ~CPreviewBridge() override;

    // Asks for a new preview, computed from `stage` on (see CPreviewWorker).
    void Post(int stage = CPreviewWorker::kFullStage);
    // Lets a worker created suspended serve its requests.
    void Resume();
    // Stops the worker, waiting for a job in progress; later Posts do nothing.
    void Stop();
    // Waits until no request waits and no job runs (tests and benchmarks).
    void WaitIdle() const;
    // Asks the view for a repaint; callable from the worker thread.
    void RepaintFromWorker();
    // Number of previews finished and shown so far.
    uint64_t ShownPreviews() const { return m_shown.load(); }
    // The planes the job works on.
    ImagePlane Source() const { return m_source; }
    ImagePlane Target() const { return m_target; }

signals:
    // A finished preview was handed to the view for repainting (window thread).
    void previewShown();

private:
    void OnPreviewDone();

    QPointer<CeditorView> m_view;
    ImagePlane m_source;
    ImagePlane m_target;
    Job m_job;
    std::atomic<uint64_t> m_shown{0};
    std::unique_ptr<CPreviewWorker> m_worker;  // last: stopped before the members above go
};
