// The "Lumaret Updater" dialog against a local HTTPS server: a signed update found and staged
// through Update and Done, a refused list, the restart rule and the Help menu command.
#include <QListWidget>
#include <QProgressBar>
#include <QPushButton>
#include <QTemporaryDir>
#include <QtTest>
#include <memory>

#include "../support/update_server.h"
#include "shell/mainframe.h"
#include "updater/updaterdialog.h"

namespace fs = std::filesystem;

namespace {

class RecordingPrompt final : public IPrompt {
public:
    PromptAnswer Ask(const std::string& text, const std::string& caption, PromptButtons) override {
        shown.push_back(caption + ": " + text);
        return PromptAnswer::Ok;
    }
    std::vector<std::string> shown;
};

bool Listed(const QListWidget* list, const QString& text) {
    return !list->findItems(text, Qt::MatchExactly).isEmpty();
}

}  // namespace

class TestUpdaterDialog : public QObject {
    Q_OBJECT
    QTemporaryDir m_scratch;
    fs::path m_base, m_home;
    updatetest::KeyPair m_keys;
    std::unique_ptr<updatetest::TestServer> m_server;

    void Publish(const std::string& content) {
        const fs::path www = m_base / "www/update";
        updatetest::WriteFile(www / "filelist", updatetest::ListLine(m_base, "a.txt", "a.txt", "1.0", content));
        QVERIFY(updatetest::SignList(m_keys.privateKey, www / "filelist"));
        updatetest::WriteFile(www / "a.txt", content);
    }

private slots:
    void initTestCase() {
        QVERIFY(m_scratch.isValid());
        m_base = m_scratch.path().toStdString();
        m_home = m_base / "home";
        updatetest::WriteFile(m_home / "data/version.info", "1.0");
        QVERIFY(updatetest::MakeCertificate(m_base / "tls"));
        m_keys = updatetest::MakeKeyPair(m_base / "keys");
        fs::create_directories(m_base / "www/update");
        m_server = std::make_unique<updatetest::TestServer>(m_base / "www", m_base / "tls");
        QVERIFY(!m_server->Url().empty());
        qputenv("LUMARET_HOME", QByteArray::fromStdString(m_home.string()));
        qputenv("LUMARET_UPDATE_SERVER", QByteArray::fromStdString(m_server->Url()));
        qputenv("LUMARET_UPDATE_CA", QByteArray::fromStdString((m_base / "tls/cert.pem").string()));
        qputenv("LUMARET_UPDATE_PUBKEY", QByteArray::fromStdString(m_keys.publicKey.string()));
    }
    void cleanupTestCase() { m_server.reset(); }

    void refusedListLeavesTheFolderAlone() {
        updatetest::WriteFile(m_home / "a.txt", "old a");
        Publish("new a");
        updatetest::WriteFile(m_base / "www/update/filelist",
                              updatetest::ListLine(m_base, "a.txt", "a.txt", "1.0", "evil a"));
        updater::UpdateSession session;
        RecordingPrompt prompt;
        updaterui::CUpdaterDialog dialog(session, prompt);
        QVERIFY(dialog.Start());
        QTRY_VERIFY_WITH_TIMEOUT(Listed(dialog.Messages(), "The update list could not be verified."), 20000);
        QTRY_VERIFY(!dialog.WorkerRunning());
        QTRY_VERIFY(dialog.OkButton()->isEnabled());
        QCOMPARE(dialog.OkButton()->text(), QString("OK"));
        QCOMPARE(updatetest::ReadFile(m_home / "a.txt"), std::string("old a"));
        QVERIFY(!fs::exists(m_home / "job"));
        QVERIFY(!fs::exists(m_home / "settings.xml"));
    }

    void signedUpdateIsStagedThenCheckingAgainIsRefused() {
        updatetest::WriteFile(m_home / "a.txt", "old a");
        Publish("new a");
        updater::UpdateSession session;
        RecordingPrompt prompt;
        {
            updaterui::CUpdaterDialog dialog(session, prompt);
            QVERIFY(dialog.Start());
            QTRY_VERIFY(Listed(dialog.Messages(), "Checking for updates, please wait..."));
            QTRY_COMPARE_WITH_TIMEOUT(dialog.OkButton()->text(), QString("Update"), 20000);
            QTRY_VERIFY(dialog.OkButton()->isEnabled());
            dialog.OkButton()->click();
            QTRY_COMPARE_WITH_TIMEOUT(dialog.OkButton()->text(), QString("Done"), 20000);
            QVERIFY(Listed(dialog.Messages(), "The file(s) have been downloaded."));
            QVERIFY(Listed(dialog.Messages(), "Please restart Lumaret for changes to take the effect."));
            QTRY_VERIFY(!dialog.WorkerRunning());
            QCOMPARE(dialog.findChild<QProgressBar*>("totalProgress")->value(), 100);
        }
        QCOMPARE(updatetest::ReadFile(m_home / "job"), std::string("Update/a.txt|a.txt\r\n"));
        QCOMPARE(updatetest::ReadFile(m_home / "Update/a.txt"), std::string("new a"));
        QVERIFY(session.updatesPending);
        QVERIFY(!prompt.shown.empty());
        QCOMPARE(prompt.shown.back(),
                 std::string("Lumaret update: Please restart Lumaret for changes to take the effect"));

        updaterui::CUpdaterDialog again(session, prompt);
        QVERIFY(!again.Start());
        QVERIFY(!again.isVisible());
        QCOMPARE(prompt.shown.back(), std::string("Lumaret: You must restart Lumaret before checking again!"));
    }

    void cancelWaitsForTheWorkerAndCloses() {
        Publish("new a");
        updater::UpdateSession session;
        RecordingPrompt prompt;
        updaterui::CUpdaterDialog dialog(session, prompt);
        QVERIFY(dialog.Start());
        dialog.CancelButton()->click();
        QVERIFY(!dialog.WorkerRunning());
        QVERIFY(!dialog.isVisible());
    }

    void helpMenuOffersTheCheck() {
        CMainFrame frame;
        QAction* action = frame.Action(updaterui::kCheckForUpdateCommand);
        QVERIFY(action);
        QCOMPARE(action->text(), QString("Check for &update"));
        QSignalSpy spy(&frame, &CMainFrame::CheckForUpdateRequested);
        action->trigger();
        QCOMPARE(spy.count(), 1);
    }
};

QTEST_MAIN(TestUpdaterDialog)
#include "test_updaterdialog.moc"
