// Start-up: one copy per user (also across processes), the command line, the main and
// histogram windows, the program folder as current directory, the welcome page and its
// "don" action writing the setting.
#include <QProcess>
#include <QRegularExpression>
#include <QTextBrowser>
#include <QtTest>

#include "apptest.h"
#include "editor/histogramdialog.h"
#include "settings/settings.h"
#include "shell/editorapp.h"

using namespace apptest;

namespace {

// The welcome page's link whose action turns the page off: "don" at index 7.
QString DontShowLink() {
    QFile page(QStringLiteral(LUMARET_SOURCE_DIR "/data/welcome.htm"));
    if (!page.open(QIODevice::ReadOnly)) return {};
    auto links = QRegularExpression("href=\"([^\"]+)\"").globalMatch(QString::fromUtf8(page.readAll()));
    while (links.hasNext()) {
        const QString link = links.next().captured(1);
        if (link.mid(7, 3).compare("don", Qt::CaseInsensitive) == 0) return link;
    }
    return {};
}

// True when process `pid` holds an flock (Linux lists them in /proc/locks).
bool HoldsFlock(qint64 pid) {
    QFile locks("/proc/locks");
    if (!locks.open(QIODevice::ReadOnly)) return false;
    const QRegularExpression row(QStringLiteral("FLOCK\\s+\\S+\\s+WRITE\\s+%1\\s").arg(pid));
    return QString::fromLatin1(locks.readAll()).contains(row);
}

}  // namespace

class TestStartup : public QObject {
    Q_OBJECT
    QTemporaryDir m_home;

private slots:
    void initTestCase() {
        QVERIFY(UseProgramFolder(m_home));
        qputenv("LUMARET_LOCK", QFile::encodeName(m_home.filePath("instance.lock")));
        CSettings::Get().SetupCompleted = 2;  // the wizard's own tests are in test_setupdialogs
    }

    void startsWithWindowsAndTheWelcomePage() {
        QDir::setCurrent(QDir::tempPath());
        CeditorApp app;
        QVERIFY(app.InitInstance({"/A", "/media/card"}));
        QVERIFY(app.MainFrame()->isVisible());
        QVERIFY(app.MainFrame()->HistogramWindow()->isVisible());
        QCOMPARE(QDir(QDir::currentPath()).canonicalPath(), QDir(m_home.path()).canonicalPath());
        CHtmlWindow* welcome = app.WelcomeWindow();
        QVERIFY(welcome && welcome->isVisible());
        QCOMPARE(welcome->windowTitle(), QString("Welcome to Vantorel Lumaret(tm)"));

        // A second copy in the same session gets no lock and ends.
        CeditorApp second;
        QVERIFY(!second.InitInstance({}));
        QVERIFY(!second.MainFrame());

        // Any other action only closes the page.
        app.OnAction("action:close");
        QTRY_VERIFY(!welcome->isVisible());
        QCOMPARE(CSettings::Get().DisplayWelcomeDialog, 2);
    }

    void dontActionTurnsTheWelcomePageOff() {
        const QString link = DontShowLink();
        QVERIFY2(!link.isEmpty(), "welcome.htm has no link with \"don\" at index 7");
        {
            CeditorApp app;
            QVERIFY(app.InitInstance({}));
            QVERIFY(app.WelcomeWindow());
            app.WelcomeWindow()->ActivateLink(QUrl(link));  // as a click on the link does
            QTRY_VERIFY(!app.WelcomeWindow()->isVisible());
        }
        CSettings stored{std::filesystem::path(m_home.path().toStdString())};
        QCOMPARE(stored.DisplayWelcomeDialog, 1);

        CeditorApp again;
        QVERIFY(again.InitInstance({}));
        QVERIFY(!again.WelcomeWindow());
    }

    void installFlagEndsAfterSetup() {
        CeditorApp app;
        int wizards = 0;
        app.SetSetupRunner([&wizards](bool&) { ++wizards; });
        QVERIFY(!app.InitInstance({"-INSTALL"}));
        QCOMPARE(wizards, 1);
    }

    void aSecondProcessEndsAtOnceAndSilently() {
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert("QT_QPA_PLATFORM", "offscreen");
        environment.insert("LUMARET_HOME", m_home.path());
        environment.insert("LUMARET_LOCK", m_home.filePath("process.lock"));
        QProcess first, second;
        first.setProcessEnvironment(environment);
        second.setProcessEnvironment(environment);
        first.start(QStringLiteral(LUMARET_APP), {});
        QVERIFY(first.waitForStarted());
        QTRY_VERIFY_WITH_TIMEOUT(HoldsFlock(first.processId()), 60000);
        second.start(QStringLiteral(LUMARET_APP), {"-wia"});
        QVERIFY(second.waitForFinished(60000));
        QCOMPARE(second.exitStatus(), QProcess::NormalExit);
        QCOMPARE(second.exitCode(), 0);
        QCOMPARE(second.readAllStandardOutput(), QByteArray());
        QCOMPARE(first.state(), QProcess::Running);

        first.terminate();
        QVERIFY(first.waitForFinished(60000));
    }
};

QTEST_MAIN(TestStartup)
#include "test_startup.moc"
