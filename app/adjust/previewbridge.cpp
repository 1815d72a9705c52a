#include "adjust/previewbridge.h"

#include <QWidget>
#include <algorithm>

#include "editor/editorview.h"
#include "shell/mainframe.h"

CHistogramDialog::PreviewCounts CountPreview(const ImagePlane& plane) {
    CHistogramDialog::PreviewCounts counts;
    counts.width = plane.width;
    counts.height = plane.height;
    for (int32_t y = 0; y < plane.height; ++y) {
        const uint8_t* pixel = plane.Row(y);
        for (int32_t x = 0; x < plane.width; ++x, pixel += 3) {
            ++counts.rgb[2][pixel[0]];
            ++counts.rgb[1][pixel[1]];
            ++counts.rgb[0][pixel[2]];
        }
    }
    for (const auto& channel : counts.rgb)
        for (uint32_t n : channel) counts.peak = std::max(counts.peak, n);
    return counts;
}

void ShowPreviewCounts(CeditorView* view, std::optional<CHistogramDialog::PreviewCounts> counts) {
    if (!view || !view->MainFrame() || !view->MainFrame()->HistogramWindow()) return;
    view->MainFrame()->HistogramWindow()->SetPreviewCounts(std::move(counts));
}

CPreviewBridge::CPreviewBridge(CeditorView* view, Job job, CPreviewWorker::Start start, QObject* parent)
    : QObject(parent),
      m_view(view),
      m_source(view ? view->DisplayCopy() : ImagePlane{}),
      m_target(view ? view->PreviewCopy() : ImagePlane{}),
      m_job(std::move(job)),
      m_countPreviews(view && view->MainFrame() && view->MainFrame()->HistogramWindow()) {
    m_worker = std::make_unique<CPreviewWorker>(
        [this](const PreviewRun& run) {
            if (!m_source.IsValid() || !m_target.IsValid() || !m_job) return;
            if (!m_job(m_source, m_target, run)) return;
            // Counted here, off the window thread, while the worker owns the target.
            if (m_countPreviews) m_counts.Store(CountPreview(m_target));
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
    if (m_countPreviews && m_view) ShowPreviewCounts(m_view, std::nullopt);
    m_countPreviews = false;
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
    if (m_countPreviews) ShowPreviewCounts(m_view, m_counts.Load());
    emit previewShown();
}
