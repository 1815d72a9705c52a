#include "adjust/previewbridge.h"

#include <QWidget>

#include "editor/editorview.h"

CPreviewBridge::CPreviewBridge(CeditorView* view, Job job, CPreviewWorker::Start start, QObject* parent)
    : QObject(parent),
      m_view(view),
      m_source(view ? view->DisplayCopy() : ImagePlane{}),
      m_target(view ? view->PreviewCopy() : ImagePlane{}),
      m_job(std::move(job)) {
    m_worker = std::make_unique<CPreviewWorker>(
        [this](const PreviewRun& run) {
            if (!m_source.IsValid() || !m_target.IsValid() || !m_job) return;
            if (!m_job(m_source, m_target, run)) return;
            // Queued to this object: it runs on the window thread, and not at all once the
            // bridge is gone.
            QMetaObject::invokeMethod(this, &CPreviewBridge::OnPreviewDone, Qt::QueuedConnection);
        },
        start);
}

CPreviewBridge::~CPreviewBridge() {
    Stop();
}

void CPreviewBridge::Post(int stage) {
    m_worker->Post(stage);
}

void CPreviewBridge::Resume() {
    m_worker->Resume();
}

void CPreviewBridge::Stop() {
    m_worker->Stop();
}

void CPreviewBridge::WaitIdle() const {
    m_worker->WaitIdle();
}

void CPreviewBridge::RepaintFromWorker() {
    if (m_view) m_view->RequestRepaint();
}

void CPreviewBridge::OnPreviewDone() {
    ++m_shown;
    if (m_view) m_view->viewport()->update();
    emit previewShown();
}
