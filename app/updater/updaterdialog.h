#pragma once
// The updater in the window program: the "Lumaret Updater" dialog of Help > Check for update,
// and the silent check at start-up. Both run CUpdater on a worker thread.
#include <QDialog>
#include <atomic>
#include <memory>
#include <thread>

#include "core/prompt.h"
#include "updater/updater.h"

class QListWidget;
class QProgressBar;
class QPushButton;

namespace updaterui {

// The menu command that opens the dialog.
constexpr int kCheckForUpdateCommand = 32928;

// Shows the prompts of a worker thread on the window thread and waits for the answer.
class CWindowThreadPrompt final : public IPrompt {
public:
    CWindowThreadPrompt(IPrompt& inner, QObject* windowThreadObject) : m_inner(inner), m_context(windowThreadObject) {}
    PromptAnswer Ask(const std::string& text, const std::string& caption, PromptButtons buttons) override;

private:
    IPrompt& m_inner;
    QObject* m_context;
};

// The interactive updater: a list of messages, a bar for the current file and one for the
// whole download, OK ("Update" when updates wait, "Done" at the end) and Cancel ("Wait..."
// while the worker stops).
class CUpdaterDialog final : public QDialog, private updater::IUpdaterView {
    Q_OBJECT
public:
    // `prompt` shows the message boxes (on the window thread).
    CUpdaterDialog(updater::UpdateSession& session, IPrompt& prompt, QWidget* parent = nullptr);
    ~CUpdaterDialog() override;

    // Shows the dialog and starts the check; false (and nothing shown) when files were already
    // downloaded in this run and the program must restart first.
    bool Start();

    QListWidget* Messages() const { return m_messages; }
    QPushButton* OkButton() const { return m_ok; }
    QPushButton* CancelButton() const { return m_cancel; }
    bool WorkerRunning() const { return m_running; }

protected:
    void reject() override;

private:
    void AppendMessage(const std::string& text) override;
    void SetOkEnabled(bool enabled) override;
    void SetOkText(const std::string& text) override;
    void SetProgress(int filePercent, int totalPercent) override;

    void OnOk();
    void RunWorker(std::function<void()> work);
    void WaitForWorker();

    updater::UpdateSession& m_session;
    CWindowThreadPrompt m_prompt;
    std::unique_ptr<updater::IHttpClient> m_http;
    std::unique_ptr<updater::CUpdater> m_updater;
    std::thread m_worker;
    std::atomic<bool> m_running{false};
    bool m_closing = false;
    QListWidget* m_messages;
    QProgressBar* m_fileBar;
    QProgressBar* m_totalBar;
    QPushButton* m_ok;
    QPushButton* m_cancel;
};

// The check the program runs at start-up when the settings say one is due.
class CSilentUpdateCheck final {
public:
    CSilentUpdateCheck(updater::UpdateSession& session, IPrompt& prompt, QObject* windowThreadObject);
    // Stops the check (it ends at its next block) and waits for it.
    ~CSilentUpdateCheck();

    // True when a check is due now: never checked or the frequency's time has passed, this
    // copy may update itself, and nothing was downloaded in this run.
    static bool IsDue(const updater::UpdateSession& session);
    // Starts the check on a worker thread.
    void Start();

private:
    CWindowThreadPrompt m_prompt;
    updater::UpdateSession& m_session;
    std::unique_ptr<updater::IHttpClient> m_http;
    std::unique_ptr<updater::CUpdater> m_updater;
    std::thread m_worker;
    std::atomic<bool> m_running{false};
};

}  // namespace updaterui
