#include "shell/editorapp.h"

#include <QDir>
#include <QFileInfo>
#include <QScreen>
#include <QTimer>
#include <cstdio>
#include <cstdlib>
#include <unistd.h>

#include "browser/browserframe.h"
#include "editor/histogramdialog.h"
#include "platform/instancelock.h"
#include "platform/programfolder.h"
#include "settings/settings.h"
#include "settings/setupwizard.h"
#include "setup/settingspages.h"
#include "shell/mainframe.h"
#include "updater/launchcopy.h"
#include "updater/updaterdialog.h"

CeditorApp::CeditorApp() = default;

CeditorApp::~CeditorApp() {
    m_silentCheck.reset();
    delete m_welcome;
    m_frame.reset();
}

std::string CeditorApp::LockPath() {
    const char* path = std::getenv("LUMARET_LOCK");
    return path && *path ? std::string(path) : CInstanceLock::DefaultPath();
}

bool CeditorApp::InitInstance(const QStringList& arguments) {
    // 1. One copy per user: a second one ends at once and says nothing.
    m_lock = std::make_unique<CInstanceLock>(LockPath());
    if (!m_lock->Acquired()) return false;

    // 2-5. The main window with the editor's menus.
    m_frame = std::make_unique<CMainFrame>();
    // 3. The four recent files, kept per user ($LUMARET_RECENT_FILES in tests).
    m_frame->UseRecentFileStore(CRecentFiles::DefaultStorePath());

    // 6. The command line.
    std::vector<std::string> args;
    for (const QString& argument : arguments) args.push_back(argument.toStdString());
    m_commandLine.Parse(args);

    // 7. The setup wizard while setup is not complete, and always with "install". The
    // installer starts the program only to run it: the program then ends, unless the wizard's
    // "Run Lumaret" cleared the flag.
    if (setup::SetupNeeded(CSettings::Get(), m_commandLine.installFlag)) {
        RunSetupWizard();
        if (m_commandLine.installFlag || CSettings::Get().SetupCompleted != 2) return false;
    }

    // 8. The main window and the histogram window beside it.
    m_frame->show();
    CHistogramDialog* histogram = m_frame->HistogramWindow();
    histogram->adjustSize();
    const QRect area = m_frame->geometry();
    histogram->move(area.right() - histogram->width() - 24, area.top() + 80);
    histogram->show();
    m_frame->UpdateCommandUI();

    // 9. Data files are found relative to the program folder.
    QDir::setCurrent(QString::fromStdString(platform::ProgramFolder().string()));

    // 10. Started for a camera: the browser on the first connected camera.
    if (m_commandLine.cameraFlag) {
        CBrowserFrame* browser =
            m_frame->OpenBrowser(QString::fromLatin1(CBrowserFrame::kCameraPath), QStringLiteral("Digital camera"));
        browser->SetStartedByDevice(m_commandLine.deviceStartFlag);
    }
    // 11. A folder or card given on the command line opens the image browser on it; started
    // for a card, its first thumbnail pass may start the download by itself.
    if (!m_commandLine.fileName.empty()) {
        const QString path = QString::fromStdString(m_commandLine.fileName);
        CBrowserFrame* browser = m_frame->OpenBrowser(QFileInfo(path).absoluteFilePath(), path);
        browser->SetStartedByDevice(m_commandLine.deviceStartFlag);
    }

    // 12. The welcome page, unless the user turned it off.
    if (CSettings::Get().DisplayWelcomeDialog != 1) {
        m_welcome = new CHtmlWindow(this, QStringLiteral("Welcome to Vantorel Lumaret(tm)"), m_frame.get());
        m_welcome->setObjectName("welcomeWindow");
        m_welcome->Navigate(QDir::current().filePath(QStringLiteral("data/welcome.htm")));
        m_welcome->resize(560, 460);
        m_welcome->move(area.left() + 80, area.top() + 100);
        m_welcome->show();
    }

    // 13. The silent update check, when the update frequency says one is due.
    connect(m_frame.get(), &CMainFrame::CheckForUpdateRequested, this, &CeditorApp::OnCheckForUpdate);
    // A job that could not be applied at the last exit is tried again at this one.
    if (updater::JobPending(platform::ProgramFolder())) m_updates.updatesPending = true;
    if (updaterui::CSilentUpdateCheck::IsDue(m_updates)) {
        m_silentCheck = std::make_unique<updaterui::CSilentUpdateCheck>(m_updates, m_frame->Prompt(), m_frame.get());
        m_silentCheck->Start();
    }
    return true;
}

void CeditorApp::RunSetupWizard() {
    bool installFlag = m_commandLine.installFlag;
    if (m_setupRunner) {
        m_setupRunner(installFlag);
    } else {
        CSetupWizard wizard(CSettings::Get(), setup::AutoplayLocations::FromEnvironment(platform::ProcessEnvironment()),
                            setup::ProgramExecutable(), platform::ProcessEnvironment(), installFlag);
        wizard.exec();
        installFlag = wizard.InstallFlag();
    }
    m_commandLine.installFlag = installFlag;
}

int CeditorApp::ExitInstance(int code) {
    m_silentCheck.reset();
    m_lock.reset();
    if (m_updates.updatesPending) {
        std::string error;
        if (!updater::StartCopier(updater::CopierPath(), ::getpid(), error))
            std::fprintf(stderr, "lumaret: %s\n", error.c_str());
    }
    return code;
}

void CeditorApp::OnCheckForUpdate() {
    updaterui::CUpdaterDialog dialog(m_updates, m_frame->Prompt(), m_frame.get());
    if (dialog.Start()) dialog.exec();
}

void CeditorApp::OnAction(const QString& action) {
    if (action.mid(7, 3).compare(QLatin1String("don"), Qt::CaseInsensitive) == 0) {
        CSettings& settings = CSettings::Get();
        settings.DisplayWelcomeDialog = 1;
        settings.Save();
    }
    if (m_welcome) QMetaObject::invokeMethod(m_welcome, &QWidget::close, Qt::QueuedConnection);
}
