// The recent-file list: its order and cap, its store read as untrusted bytes and written
// whole, the File menu entries fed by Open and the browser walk (not by Save As), a
// vanished file reported and dropped, and Arrange Icons.
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QMenuBar>
#include <QtTest>
#include <sys/stat.h>

#include "apptest.h"
#include "editor/childframe.h"
#include "editor/commandtable.h"
#include "editor/editorview.h"
#include "editor/previewfiledialog.h"
#include "editor/savefiledialog.h"
#include "shell/recentfiles.h"

using namespace apptest;

namespace {

QByteArray ReadAll(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

bool WriteAll(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

QStringList VisibleRecentTexts(const CMainFrame& frame) {
    QStringList texts;
    for (int id = cmd::FileRecent1; id <= cmd::FileRecent4; ++id)
        if (frame.Action(id)->isVisible()) texts << frame.Action(id)->text();
    return texts;
}

// Separators shown in the File menu: one before Exit, one more above the entries.
int VisibleFileSeparators(CMainFrame& frame) {
    int count = 0;
    for (QAction* action : frame.menuBar()->actions().front()->menu()->actions())
        count += action->isSeparator() && action->isVisible();
    return count;
}

}  // namespace

class TestRecentFiles : public QObject {
    Q_OBJECT
    QTemporaryDir m_home;

private slots:
    void initTestCase() { QVERIFY(UseProgramFolder(m_home)); }

    void listKeepsFourNewestFirst() {
        CRecentFiles recent;
        for (const char* path : {"/p/a.jpg", "/p/b.jpg", "/p/c.jpg", "/p/d.jpg", "/p/e.jpg"}) QVERIFY(recent.Add(path));
        QCOMPARE(recent.Entries(), (QStringList{"/p/e.jpg", "/p/d.jpg", "/p/c.jpg", "/p/b.jpg"}));
        QVERIFY(recent.Add("/p/./x/../c.jpg"));  // the same file, spelled differently: moved, not doubled
        QCOMPARE(recent.Entries(), (QStringList{"/p/c.jpg", "/p/e.jpg", "/p/d.jpg", "/p/b.jpg"}));
        QVERIFY(recent.Remove("/p/e.jpg"));
        QVERIFY(!recent.Remove("/p/e.jpg"));
        QCOMPARE(recent.Entries(), (QStringList{"/p/c.jpg", "/p/d.jpg", "/p/b.jpg"}));
        // Paths that could not be written back one per line are refused.
        for (const QString& bad : {QString("relative.jpg"), QString(), QString("/p/two\nlines.jpg"),
                                   QString("/p/nul") + QChar(u'\0'), "/" + QString(CRecentFiles::kMaxPathBytes, 'x')})
            QVERIFY(!recent.Add(bad));
        QCOMPARE(recent.Count(), 3);
        QVERIFY(!recent.Save());  // no store named
    }

    void storeIsReadAsUntrustedBytes() {
        QByteArray junk = "\n\nrelative/path.jpg\n" + QByteArray(1000, '\0') + "\n";
        junk += "/" + QByteArray(CRecentFiles::kMaxPathBytes, 'y') + "\n";  // one byte too long
        junk += "/bad/\xff\xfe.jpg\n";                                      // not UTF-8
        junk += QByteArrayLiteral("/nul/in\0side.jpg\n");
        junk += "/ok/one.jpg\n/ok/one.jpg\n";  // doubled
        junk += "/ok/t\xc3\xa9two.jpg\n/ok/three.jpg\n/ok/four.jpg\n/ok/five.jpg";
        QCOMPARE(CRecentFiles::Parse(junk),
                 (QStringList{"/ok/one.jpg", QString::fromUtf8("/ok/t\xc3\xa9two.jpg"), "/ok/three.jpg", "/ok/four.jpg"}));
        QVERIFY(CRecentFiles::Parse(QByteArray(3 * 1024 * 1024, '\xa7')).isEmpty());
        QByteArray noise;
        for (int i = 0; i < 65536; ++i) noise += char((i * 2654435761u) >> 24);
        QVERIFY(CRecentFiles::Parse(noise).size() <= CRecentFiles::kMaxEntries);

        QTemporaryDir dir;
        const QString fifo = dir.filePath("fifo");
        QCOMPARE(mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
        CRecentFiles recent;
        // A missing file, a pipe (which must not wait for a writer) and a folder read as empty.
        for (const QString& store : {dir.filePath("missing/recent-files"), fifo, dir.path()}) {
            recent.SetStorePath(store);
            QCOMPARE(recent.Count(), 0);
        }
        QVERIFY(!recent.Save());
    }

    void storeRoundTripsThroughATemporaryFile() {
        QTemporaryDir dir;
        const QString store = dir.filePath("config/lumaret/recent-files");
        CRecentFiles recent;
        recent.SetStorePath(store);
        QVERIFY(recent.Add("/pics/a.jpg"));
        QVERIFY(recent.Add(QString::fromUtf8("/pics/\xc3\xa9t\xc3\xa9 & co.jpg")));
        QCOMPARE(ReadAll(store), QByteArray("/pics/\xc3\xa9t\xc3\xa9 & co.jpg\n/pics/a.jpg\n"));
        QCOMPARE(QDir(dir.filePath("config/lumaret")).entryList(QDir::Files | QDir::Hidden), QStringList{"recent-files"});
        CRecentFiles again;
        again.SetStorePath(store);
        QCOMPARE(again.Entries(), recent.Entries());

        qputenv("LUMARET_RECENT_FILES", "/tmp/x/list");
        QCOMPARE(CRecentFiles::DefaultStorePath(), QString("/tmp/x/list"));
        qunsetenv("LUMARET_RECENT_FILES");
        qputenv("XDG_CONFIG_HOME", "/cfg");
        QCOMPARE(CRecentFiles::DefaultStorePath(), QString("/cfg/lumaret/recent-files"));
        qputenv("XDG_CONFIG_HOME", "relative");
        QCOMPARE(CRecentFiles::DefaultStorePath(), QDir::homePath() + "/.config/lumaret/recent-files");
        qunsetenv("XDG_CONFIG_HOME");
    }

    void menuTextsAreNumberedAndShortened() {
        QCOMPARE(CRecentFiles::MenuText(0, "/a/b.jpg"), QString("&1 /a/b.jpg"));
        QCOMPARE(CRecentFiles::MenuText(1, "/a/Tom & Jerry.jpg"), QString("&2 /a/Tom && Jerry.jpg"));
        const QString longPath = "/home/anna/Pictures/2023/holidays/portugal/lisbon/tram/IMG_0001.jpg";
        QCOMPARE(CRecentFiles::MenuText(3, longPath, 40), QString("&4 /home/.../lisbon/tram/IMG_0001.jpg"));
    }

    void openAndTheBrowserWalkFillTheMenuButSaveAsDoesNot() {
        QTemporaryDir dir;
        const QString store = dir.filePath("recent-files"), first = dir.filePath("first.jpg"),
                      second = dir.filePath("second.jpg"), third = dir.filePath("third.jpg");
        for (const QString& path : {first, second, third}) QVERIFY(WriteJpeg(path, MakePattern(40, 30)));

        CMainFrame frame;
        frame.UseRecentFileStore(store);
        frame.show();
        QVERIFY(VisibleRecentTexts(frame).isEmpty());
        QCOMPARE(VisibleFileSeparators(frame), 1);
        ChooseFile<CPreviewFileDialog>(first);
        frame.Action(cmd::FileOpen)->trigger();
        QVERIFY(frame.ActiveEditorView());
        QCOMPARE(VisibleRecentTexts(frame), QStringList{"&1 " + first});
        QCOMPARE(VisibleFileSeparators(frame), 2);
        QCOMPARE(ReadAll(store), (first + "\n").toUtf8());

        // Save As names the window after the new file, but the list stays as it was.
        ChooseFile<CSaveFileDialog>(dir.filePath("copy.jpg"));
        frame.Action(cmd::FileSaveAs)->trigger();
        QVERIFY(QFile::exists(dir.filePath("copy.jpg")));
        QCOMPARE(frame.RecentFiles().Entries(), QStringList{first});

        // Walking the browser's list counts as opening.
        FakeList list;
        list.paths = {first.toStdString(), second.toStdString()};
        list.index = 0;
        frame.SetImageList(&list);
        frame.Action(cmd::ShowNextImage)->trigger();
        QCOMPARE(list.index, 1);
        frame.SetImageList(nullptr);
        frame.OpenDocument(third);
        frame.OpenDocument(first);
        QCOMPARE(VisibleRecentTexts(frame), (QStringList{"&1 " + first, "&2 " + third, "&3 " + second}));

        // A file that does not open as a picture leaves the list.
        QVERIFY(WriteAll(third, "no longer a picture"));
        frame.OpenDocument(third);
        QCOMPARE(frame.RecentFiles().Entries(), (QStringList{first, second}));

        // The next start shows what was saved.
        CMainFrame next;
        next.UseRecentFileStore(store);
        QCOMPARE(VisibleRecentTexts(next), (QStringList{"&1 " + first, "&2 " + second}));
    }

    void aVanishedFileIsReportedAndDropped() {
        QTemporaryDir dir;
        const QString store = dir.filePath("recent-files"), kept = dir.filePath("kept.jpg"),
                      gone = dir.filePath("gone.jpg");
        QVERIFY(WriteJpeg(kept, MakePattern(30, 20)));
        QVERIFY(WriteAll(store, (gone + "\n" + kept + "\n").toUtf8()));

        CMainFrame frame;
        frame.UseRecentFileStore(store);
        QString message;
        AnswerMessage(QMessageBox::Ok, &message);
        frame.Action(cmd::FileRecent1)->trigger();
        QVERIFY2(message.contains(gone) && message.contains("no longer exists"), qPrintable(message));
        QVERIFY(frame.MdiArea()->subWindowList().isEmpty());
        QCOMPARE(VisibleRecentTexts(frame), QStringList{"&1 " + kept});
        QCOMPARE(ReadAll(store), (kept + "\n").toUtf8());

        frame.Action(cmd::FileRecent1)->trigger();
        QCOMPARE(frame.MdiArea()->subWindowList().size(), 1);
        QCOMPARE(frame.ActiveEditorView()->GetDocument()->CurrentImage().width, 30);
    }

    void arrangeIconsLinesUpMinimizedWindowsAtTheBottom() {
        CMainFrame frame;
        frame.show();
        QVERIFY(QTest::qWaitForWindowExposed(&frame));
        QList<QMdiSubWindow*> windows;
        for (int i = 0; i < 5; ++i) windows << frame.AddDocument(MakeDocument(MakePattern(40 + i, 30)))->ChildFrame();
        for (int i = 0; i < 4; ++i) windows[i]->showMinimized();
        const QSize icon = windows[0]->size();
        // Room for two and a half icons across: four icons make two rows.
        frame.resize(frame.width() - frame.MdiArea()->viewport()->width() + icon.width() * 5 / 2, frame.height());
        QTRY_COMPARE(frame.MdiArea()->viewport()->width(), icon.width() * 5 / 2);
        const QPoint open = windows[4]->pos();
        for (int i = 0; i < 4; ++i) windows[i]->move(13 * i + 5, 7 * i + 3);

        frame.Action(cmd::WindowArrange)->trigger();
        const int bottom = frame.MdiArea()->viewport()->height();
        for (int i = 0; i < 4; ++i) {
            QCOMPARE(windows[i]->size(), icon);
            QCOMPARE(windows[i]->pos(), QPoint(i % 2 * icon.width(), bottom - (i / 2 + 1) * icon.height()));
        }
        QCOMPARE(windows[4]->pos(), open);  // a window that is not minimized stays put
    }
};

QTEST_MAIN(TestRecentFiles)
#include "test_recentfiles.moc"
