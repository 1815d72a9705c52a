#include "updater/updaterdialog.h"

#include <QCoreApplication>
#include <QDialogButtonBox>
#include <QLabel>
#include <QListWidget>
#include <QProgressBar>
#include <QPushButton>
#include <QThread>
#include <QVBoxLayout>
#include <ctime>

#include "platform/programfolder.h"
#include "settings/settings.h"
#include "updater/schedule.h"

namespace updaterui {
namespace {

// The updater's configuration for this program folder, or an empty key when the test key
// named in the environment cannot be read (every list is then refused).
updater::UpdaterConfig MakeConfig(const updater::EnvironmentConfig& environment) {
    updater::UpdaterConfig config;
    config.folder = platform::ProgramFolder();
    config.publicKeyPem = environment.publicKeyPem;
    return config;
}

// Spins the window thread's events until `running` drops, so that a worker waiting for a
// message box or posting messages can finish.
void WaitProcessingEvents(const std::atomic<bool>& running) {
    while (running) QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
}

}  // namespace

PromptAnswer CWindowThreadPrompt::Ask(const std::string& text, const std::string& caption, PromptButtons buttons) {
    if (QThread::currentThread() == m_context->thread()) return m_inner.Ask(text, caption, buttons);
    PromptAnswer answer = PromptAnswer::Cancel;
    QMetaObject::invokeMethod(
        m_context, [&] { answer = m_inner.Ask(text, caption, buttons); }, Qt::BlockingQueuedConnection);
    return answer;
}

CUpdaterDialog::CUpdaterDialog(updater::UpdateSession& session, IPrompt& prompt, QWidget* parent)
    : QDialog(parent), m_session(session), m_prompt(prompt, this) {
    setWindowTitle(QStringLiteral("Lumaret Updater"));
    setObjectName(QStringLiteral("updaterDialog"));
    m_messages = new QListWidget(this);
    m_messages->setObjectName(QStringLiteral("messages"));
    m_fileBar = new QProgressBar(this);
    m_fileBar->setObjectName(QStringLiteral("fileProgress"));
    m_totalBar = new QProgressBar(this);
    m_totalBar->setObjectName(QStringLiteral("totalProgress"));
    for (QProgressBar* bar : {m_fileBar, m_totalBar}) {
        bar->setRange(0, 100);
        bar->setValue(0);
    }
    auto* buttons = new QDialogButtonBox(this);
    m_ok = buttons->addButton(QStringLiteral("OK"), QDialogButtonBox::AcceptRole);
    m_cancel = buttons->addButton(QStringLiteral("Cancel"), QDialogButtonBox::RejectRole);
    connect(m_ok, &QPushButton::clicked, this, &CUpdaterDialog::OnOk);
    connect(m_cancel, &QPushButton::clicked, this, &CUpdaterDialog::reject);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_messages);
    layout->addWidget(new QLabel(QStringLiteral("Current file:"), this));
    layout->addWidget(m_fileBar);
    layout->addWidget(new QLabel(QStringLiteral("Total:"), this));
    layout->addWidget(m_totalBar);
    layout->addWidget(buttons);
    resize(480, 360);
}

CUpdaterDialog::~CUpdaterDialog() {
    if (m_updater) m_updater->Cancel();
    WaitForWorker();
}

bool CUpdaterDialog::Start() {
    if (updater::CUpdater::RefuseWhenUpdated(m_session, m_prompt)) return false;
    show();
    const updater::EnvironmentConfig environment = updater::ConfigFromEnvironment();
    if (!updater::SelfUpdateAllowedHere()) {
        AppendMessage(updater::kPackagedText);
        return true;
    }
    if (!environment.error.empty()) {
        AppendMessage(environment.error);
        return true;
    }
    m_http = updater::MakeHttpsClient(environment.https);
    updater::IUpdaterView* view = this;
    m_updater = std::make_unique<updater::CUpdater>(MakeConfig(environment), CSettings::Get(), *m_http, m_prompt,
                                                    view, m_session);
    RunWorker([this] { m_updater->Check(); });
    return true;
}

void CUpdaterDialog::RunWorker(std::function<void()> work) {
    WaitForWorker();
    m_running = true;
    m_worker = std::thread([this, work = std::move(work)] {
        work();
        m_running = false;
    });
}

void CUpdaterDialog::WaitForWorker() {
    WaitProcessingEvents(m_running);
    if (m_worker.joinable()) m_worker.join();
}

void CUpdaterDialog::OnOk() {
    if (m_running) return;
    WaitForWorker();
    if (m_updater && m_updater->State() == updater::UpdaterState::UpdatesAvailable) {
        RunWorker([this] { m_updater->Download(); });
        return;
    }
    accept();
}

void CUpdaterDialog::reject() {
    if (m_closing) return;
    m_closing = true;
    m_cancel->setText(QStringLiteral("Wait..."));
    m_cancel->setEnabled(false);
    if (m_updater) m_updater->Cancel();
    WaitForWorker();
    const bool finished = !m_updater || m_updater->State() == updater::UpdaterState::Finished;
    done(finished ? QDialog::Rejected : QDialog::Accepted);
    m_closing = false;
}

// The view is called from the worker: each change is posted to the window thread.
void CUpdaterDialog::AppendMessage(const std::string& text) {
    QMetaObject::invokeMethod(
        this, [this, line = QString::fromStdString(text)] { m_messages->addItem(line); m_messages->scrollToBottom(); },
        Qt::QueuedConnection);
}

void CUpdaterDialog::SetOkEnabled(bool enabled) {
    QMetaObject::invokeMethod(this, [this, enabled] { m_ok->setEnabled(enabled); }, Qt::QueuedConnection);
}

void CUpdaterDialog::SetOkText(const std::string& text) {
    QMetaObject::invokeMethod(
        this, [this, label = QString::fromStdString(text)] { m_ok->setText(label); }, Qt::QueuedConnection);
}

void CUpdaterDialog::SetProgress(int filePercent, int totalPercent) {
    QMetaObject::invokeMethod(
        this,
        [this, filePercent, totalPercent] {
            m_fileBar->setValue(filePercent);
            m_totalBar->setValue(totalPercent);
        },
        Qt::QueuedConnection);
}

CSilentUpdateCheck::CSilentUpdateCheck(updater::UpdateSession& session, IPrompt& prompt, QObject* windowThreadObject)
    : m_prompt(prompt, windowThreadObject), m_session(session) {}

CSilentUpdateCheck::~CSilentUpdateCheck() {
    if (m_updater) m_updater->Cancel();
    WaitProcessingEvents(m_running);
    if (m_worker.joinable()) m_worker.join();
}

bool CSilentUpdateCheck::IsDue(const updater::UpdateSession& session) {
    const CSettings& settings = CSettings::Get();
    return !session.updatedInThisRun &&
           updater::IsSilentCheckDue(settings.GetUpdateFrequency(), settings.LastUpdate, std::time(nullptr)) &&
           updater::SelfUpdateAllowedHere();
}

void CSilentUpdateCheck::Start() {
    const updater::EnvironmentConfig environment = updater::ConfigFromEnvironment();
    if (!environment.error.empty()) return;  // a broken test set-up: nothing could be verified
    m_http = updater::MakeHttpsClient(environment.https);
    m_updater = std::make_unique<updater::CUpdater>(MakeConfig(environment), CSettings::Get(), *m_http, m_prompt,
                                                    nullptr, m_session);
    m_running = true;
    m_worker = std::thread([this] {
        m_updater->Check();
        m_running = false;
    });
}

}  // namespace updaterui
