#include "download/downloadrunner.h"

#include <algorithm>
#include <climits>
#include <ctime>

#include "browser/browserdoc.h"
#include "browser/filecopydialogs.h"
#include "browser/filesystemif.h"
#include "download/browserdownload.h"
#include "download/downloadhistory.h"

namespace {

CFileCopyProgress::Bar DialogBar(IDownloadProgress::Bar bar) {
    return bar == IDownloadProgress::Bar::Files ? CFileCopyProgress::Bar::First : CFileCopyProgress::Bar::Second;
}

int Clamp(uint64_t value) { return static_cast<int>(std::min<uint64_t>(value, INT_MAX)); }

}  // namespace

void CDialogProgress::Show(bool visible) { m_dialog.ShowDialog(visible); }
void CDialogProgress::SetCaption(const std::string& text) { m_dialog.SetCaption(QString::fromStdString(text)); }

void CDialogProgress::SetLine(int line, const std::string& text) {
    if (line == 0) m_dialog.SetFirstLine(QString::fromStdString(text));
    else m_dialog.SetSecondLine(QString::fromStdString(text));
}

void CDialogProgress::SetRange(Bar bar, uint64_t upper) { m_dialog.SetRange(DialogBar(bar), 0, Clamp(upper)); }
void CDialogProgress::SetPosition(Bar bar, uint64_t position) { m_dialog.SetValue(DialogBar(bar), Clamp(position)); }
void CDialogProgress::ShowBar(Bar bar, bool visible) { m_dialog.ShowBar(DialogBar(bar), visible); }
void CDialogProgress::Close() { m_dialog.ShowDialog(false); }

CDownloadRunner::CDownloadRunner(QWidget* owner, IPrompt& prompt, CFileCopyProgress& progress)
    : QObject(owner), m_progress(progress), m_windowPrompt(owner, prompt), m_workerPrompt(this, m_windowPrompt),
      m_dialogProgress(progress) {}

CDownloadRunner::~CDownloadRunner() {
    if (!m_thread.joinable()) return;
    m_cancel = true;
    // The thread may be waiting for an answer that the window thread will no longer give.
    m_workerPrompt.Abort();
    m_thread.join();
}

bool CDownloadRunner::Start(CFileBrowserDoc& doc, CFileSystemIF& source, const DownloadSettings& settings,
                            const std::string& historyPath) {
    if (m_thread.joinable()) return false;
    m_cancel = false;
    m_device = DeviceForSource(doc, source, &m_cancel);
    if (!m_device) return false;
    m_workerPrompt.Reset();
    m_summary = {};
    // The dialog's buttons and texts start afresh; Start(title, 0) would show it at once.
    m_progress.SetCancelHandler([this] { m_cancel = true; });
    m_progress.ArmCancel();
    m_progress.setWindowModality(Qt::WindowModal);
    m_progress.SetCaption(QStringLiteral("Download progress"));
    m_progress.SetFirstLine({});
    m_progress.SetSecondLine({});
    m_progress.ShowBar(CFileCopyProgress::Bar::First, true);
    m_progress.ShowBar(CFileCopyProgress::Bar::Second, true);
    m_thread = std::thread([this, &doc, settings, historyPath] {
        CDownloadHistory history(historyPath);
        history.Load();
        m_summary = RunBrowserDownload(doc, *m_device, history, &m_workerPrompt, nullptr, &m_dialogProgress, settings,
                                       m_cancel, std::time(nullptr));
        QMetaObject::invokeMethod(this, [this] { OnWorkerDone(); }, Qt::QueuedConnection);
    });
    return true;
}

void CDownloadRunner::OnWorkerDone() {
    if (m_thread.joinable()) m_thread.join();
    m_device.reset();
    m_progress.SetCancelHandler({});
    m_progress.ShowDialog(false);
    m_progress.setWindowModality(Qt::NonModal);
    emit Finished();
}
