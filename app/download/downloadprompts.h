#pragma once
// The download's questions. CDownloadSelectionDlg asks which files to take (Selected, All,
// Cancel); CDownloadPrompt shows the engine's questions on the window thread with it and the
// browser's dialogs; CWorkerPrompt carries questions asked on worker threads (the download,
// a camera's listing) over to the window thread and waits for the answer.
#include <QDialog>
#include <QPointer>
#include <atomic>
#include <condition_variable>
#include <mutex>

#include "core/prompt.h"

class CDownloadSelectionDlg : public QDialog {
    Q_OBJECT
public:
    enum Result { kCancel = 0, kSelected = 1078, kAll = 1079 };
    static constexpr const char* kCaption = "Please choose :";
    static constexpr const char* kText = "Which files should be downloaded ?";
    explicit CDownloadSelectionDlg(QWidget* parent);
    // Runs the dialog; closing it without a button counts as Cancel.
    Result Ask();
};

class CDownloadPrompt : public IPrompt {
public:
    // Questions other than the choice of files go to `inner` (the browser's prompt).
    CDownloadPrompt(QWidget* owner, IPrompt& inner) : m_owner(owner), m_inner(inner) {}
    PromptAnswer Ask(const std::string& text, const std::string& caption, PromptButtons buttons) override;
    void Beep() override { m_inner.Beep(); }

private:
    QPointer<QWidget> m_owner;
    IPrompt& m_inner;
};

class CWorkerPrompt : public IPrompt {
public:
    // Questions are shown by `window` on the thread of `context`.
    CWorkerPrompt(QObject* context, IPrompt& window) : m_context(context), m_window(window) {}
    // Asks on the window thread: directly from that thread; from another, a message is
    // posted without waiting and a question waits for its answer. After Abort every
    // question from another thread gets its safe answer (Cancel, No) at once.
    PromptAnswer Ask(const std::string& text, const std::string& caption, PromptButtons buttons) override;
    // Ends every wait: the window thread is about to wait for the download thread.
    void Abort();
    // Lets questions through again (a new download).
    void Reset() { m_aborted = false; }
    // The answer a question gets when nobody can answer it.
    static PromptAnswer SafeAnswer(PromptButtons buttons);

private:
    QObject* m_context;
    IPrompt& m_window;
    std::mutex m_mutex;
    std::condition_variable m_answered;
    std::atomic<bool> m_aborted{false};
};
