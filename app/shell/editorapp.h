#pragma once
// CeditorApp: the program's start-up and end. It makes sure one copy runs, creates the
// main window, reads the command line, shows the histogram and welcome windows and makes
// the program folder the current directory.
#include <QObject>
#include <QPointer>
#include <QStringList>
#include <functional>
#include <memory>

#include "editor/commandline.h"
#include "shell/htmlwindow.h"
#include "updater/updater.h"

class CInstanceLock;
class CMainFrame;
namespace updaterui {
class CSilentUpdateCheck;
}

class CeditorApp : public QObject, public IActionTarget {
    Q_OBJECT
public:
    CeditorApp();
    ~CeditorApp() override;

    // Runs the start-up sequence for `arguments` (without the program name); false means
    // the process ends at once (another copy runs, or it was only started to install).
    bool InitInstance(const QStringList& arguments);
    // Releases the single-instance lock and, when updates were downloaded, starts lumaret-copy
    // to apply them once this process has ended; returns the exit code.
    int ExitInstance(int code);

    // Help > Check for update: the updater dialog, or the restart message after a download.
    void OnCheckForUpdate();
    updater::UpdateSession& UpdateSession() { return m_updates; }

    // The welcome page's links: "action:don..." turns the page off for good.
    void OnAction(const QString& action) override;

    CMainFrame* MainFrame() const { return m_frame.get(); }
    CHtmlWindow* WelcomeWindow() const { return m_welcome; }
    const CLumaretCommandLineInfo& CommandLine() const { return m_commandLine; }

    // Lock file path: $LUMARET_LOCK when set (tests), else the per-user default.
    static std::string LockPath();

    // Replaces the modal setup wizard of start-up (tests); the runner may change the install
    // flag it is given, as the wizard does.
    void SetSetupRunner(std::function<void(bool& installFlag)> runner) { m_setupRunner = std::move(runner); }

private:
    void RunSetupWizard();

    std::function<void(bool& installFlag)> m_setupRunner;
    std::unique_ptr<CInstanceLock> m_lock;
    std::unique_ptr<CMainFrame> m_frame;
    CLumaretCommandLineInfo m_commandLine;
    QPointer<CHtmlWindow> m_welcome;
    updater::UpdateSession m_updates;
    std::unique_ptr<updaterui::CSilentUpdateCheck> m_silentCheck;
};
