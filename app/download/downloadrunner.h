#pragma once
// CDownloadRunner: one download of a browser document at a time, run on its own thread.
// The progress dialog shows it, the questions are asked on the window thread, Cancel stops
// it between files and inside a file; when it ends Finished() is emitted on the window thread.
#include <QObject>
#include <QPointer>
#include <atomic>
#include <memory>
#include <string>
#include <thread>

#include "download/downloadengine.h"
#include "download/downloadprompts.h"

class CFileBrowserDoc;
class CFileCopyProgress;
class CFileSystemIF;

// The engine's progress calls on the browser's progress dialog (any thread).
class CDialogProgress : public IDownloadProgress {
public:
    explicit CDialogProgress(CFileCopyProgress& dialog) : m_dialog(dialog) {}
    void Show(bool visible) override;
    void SetCaption(const std::string& text) override;
    void SetLine(int line, const std::string& text) override;
    void SetRange(Bar bar, uint64_t upper) override;
    void SetPosition(Bar bar, uint64_t position) override;
    void ShowBar(Bar bar, bool visible) override;
    void Close() override;

private:
    CFileCopyProgress& m_dialog;
};

class CDownloadRunner : public QObject {
    Q_OBJECT
public:
    // Questions go to `prompt` (window thread) with the choice of files shown by a dialog
    // owned by `owner`; progress goes to `progress`, whose Cancel button stops the download.
    CDownloadRunner(QWidget* owner, IPrompt& prompt, CFileCopyProgress& progress);
    // Cancels a running download, answers its open question and waits for its thread.
    ~CDownloadRunner() override;

    // Starts the download of what `doc` shows from `source` into `settings.root`, recording
    // the batch in the history file at `historyPath`. False when a download runs already or
    // the source cannot download now (nothing started).
    bool Start(CFileBrowserDoc& doc, CFileSystemIF& source, const DownloadSettings& settings,
               const std::string& historyPath);
    bool Running() const { return m_thread.joinable(); }
    // Asks the running download to stop.
    void Cancel() { m_cancel = true; }
    // The outcome of the last download that ended.
    const DownloadSummary& LastSummary() const { return m_summary; }

signals:
    // A download ended (window thread); LastSummary() tells how.
    void Finished();

private:
    void OnWorkerDone();

    CFileCopyProgress& m_progress;
    CDownloadPrompt m_windowPrompt;
    CWorkerPrompt m_workerPrompt;
    CDialogProgress m_dialogProgress;
    std::unique_ptr<IDownloadDevice> m_device;
    std::atomic<bool> m_cancel{false};
    DownloadSummary m_summary;
    std::thread m_thread;
};
