// The recent-file list: its order and cap, its store read as untrusted bytes and written
// whole, the File menu entries fed by Open and the browser walk (not by Save As), a
// vanished file reported and dropped, the entries blocked by a tool, and Arrange Icons.
#include <QAbstractButton>
#include <QAbstractItemView>
#include <QAction>
#include <QLineEdit>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QtTest>
#include <sys/stat.h>

#include "apptest.h"
#include "editor/childframe.h"
#include "editor/commandtable.h"
#include "editor/editorview.h"
#include "editor/imagelist.h"
#include "editor/previewfiledialog.h"
#include "editor/savefiledialog.h"
#include "shell/mainframe.h"
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

// Types `path` into a file dialog and presses OK, as a user would.
void ChooseFile(QFileDialog* dialog, const QString& path) {
    for (QAbstractItemView* list : dialog->findChildren<QAbstractItemView*>())
        if (list->selectionModel()) list->selectionModel()->clearSelection();
    auto* name = dialog->findChild<QLineEdit*>("fileNameEdit");
    QVERIFY(name);
    name->setText(path);
    static_cast<QDialog*>(dialog)->accept();
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

struct OneStepList : IImageList {
    std::vector<std::string> paths;
    int index = 0;
    int CurrentIndex() const override { return index; }
    std::string PathAt(int i) const override { return i >= 0 && i < int(paths.size()) ? paths[i] : std::string(); }
    void SetCurrentIndex(int i) override { index = i; }
};

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
        QByteArray junk;
        junk += "\n\n";
        junk += "relative/path.jpg\n";
        junk += QByteArray(1000, '\0') + "\n";
        junk += "/" + QByteArray(CRecentFiles::kMaxPathBytes, 'y') + "\n";  // one byte too long
        junk += "/bad/\xff\xfe.jpg\n";                                      // not UTF-8
        junk += QByteArrayLiteral("/nul/in\0side.jpg\n");
        junk += "/ok/one.jpg\n/ok/one.jpg\n";                               // doubled
        junk += "/ok/t\xc3\xa9two.jpg\n/ok/three.jpg\n/ok/four.jpg\n/ok/five.jpg";
        QCOMPARE(CRecentFiles::Parse(junk),
                 (QStringList{"/ok/one.jpg", QString::fromUtf8("/ok/t\xc3\xa9two.jpg"), "/ok/three.jpg", "/ok/four.jpg"}));
        QVERIFY(CRecentFiles::Parse(QByteArray(3 * 1024 * 1024, '\xa7')).isEmpty());
        QByteArray noise;
        for (int i = 0; i < 65536; ++i) noise += char((i * 2654435761u) >> 24);
        QVERIFY(CRecentFiles::Parse(noise).size() <= CRecentFiles::kMaxEntries);

        QTemporaryDir dir;
        CRecentFiles recent;
        recent.SetStorePath(dir.filePath("missing/recent-files"));
        QCOMPARE(recent.Count(), 0);
        const QString fifo = dir.filePath("fifo");
        QCOMPARE(mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
        recent.SetStorePath(fifo);  // must not wait for a writer
        QCOMPARE(recent.Count(), 0);
        recent.SetStorePath(dir.path());  // a folder
        QCOMPARE(recent.Count(), 0);
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
        const QString shown = CRecentFiles::MenuText(3, longPath, 40);
        QCOMPARE(shown, QString("&4 /home/.../lisbon/tram/IMG_0001.jpg"));
    }

    void openAndTheBrowserWalkFillTheMenuButSaveAsDoesNot() {
        QTemporaryDir dir;
        const QString store = dir.filePath("recent-files");
        const QString first = dir.filePath("first.jpg");
        const QString second = dir.filePath("second.jpg");
        const QString third = dir.filePath("third.jpg");
        for (const QString& path : {first, second, third}) QVERIFY(WriteJpeg(path, MakePattern(40, 30)));

        CMainFrame frame;
        frame.UseRecentFileStore(store);
        frame.show();
        QVERIFY(VisibleRecentTexts(frame).isEmpty());
        QCOMPARE(VisibleFileSeparators(frame), 1);
        WhenModal([first](QWidget* modal) {
            auto* dialog = qobject_cast<CPreviewFileDialog*>(modal);
            QVERIFY(dialog);
            ChooseFile(dialog, first);
        });
        frame.Action(cmd::FileOpen)->trigger();
        QVERIFY(frame.ActiveEditorView());
        QCOMPARE(VisibleRecentTexts(frame), QStringList{"&1 " + first});
        QCOMPARE(VisibleFileSeparators(frame), 2);
        QCOMPARE(ReadAll(store), (first + "\n").toUtf8());

        // Save As names the window after the new file, but the list stays as it was.
        WhenModal([dir = dir.path()](QWidget* modal) {
            auto* dialog = qobject_cast<CSaveFileDialog*>(modal);
            QVERIFY(dialog);
            ChooseFile(dialog, QDir(dir).filePath("copy.jpg"));
        });
        frame.Action(cmd::FileSaveAs)->trigger();
        QVERIFY(QFile::exists(dir.filePath("copy.jpg")));
        QCOMPARE(frame.RecentFiles().Entries(), QStringList{first});

        // Walking the browser's list counts as opening.
        OneStepList list;
        list.paths = {first.toStdString(), second.toStdString()};
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
        const QString store = dir.filePath("recent-files");
        const QString kept = dir.filePath("kept.jpg");
        const QString gone = dir.filePath("gone.jpg");
        QVERIFY(WriteJpeg(kept, MakePattern(30, 20)));
        QVERIFY(WriteAll(store, (gone + "\n" + kept + "\n").toUtf8()));

        CMainFrame frame;
        frame.UseRecentFileStore(store);
        QString message;
        WhenModal([&message](QWidget* modal) {
            auto* box = qobject_cast<QMessageBox*>(modal);
            QVERIFY(box);
            message = box->text();
            box->button(QMessageBox::Ok)->click();
        });
        frame.Action(cmd::FileRecent1)->trigger();
        QVERIFY2(message.contains(gone) && message.contains("no longer exists"), qPrintable(message));
        QVERIFY(frame.MdiArea()->subWindowList().isEmpty());
        QCOMPARE(VisibleRecentTexts(frame), QStringList{"&1 " + kept});
        QCOMPARE(ReadAll(store), (kept + "\n").toUtf8());

        frame.Action(cmd::FileRecent1)->trigger();
        QCOMPARE(frame.MdiArea()->subWindowList().size(), 1);
        QCOMPARE(frame.ActiveEditorView()->GetDocument()->CurrentImage().width, 30);
    }

    void aToolBlocksTheEntriesAndArrangeIcons() {
        QTemporaryDir dir;
        const QString picture = dir.filePath("p.jpg");
        QVERIFY(WriteJpeg(picture, MakePattern(30, 20)));
        CMainFrame frame;
        frame.show();
        CeditorView* view = frame.OpenDocument(picture);
        QVERIFY(frame.Action(cmd::FileRecent1)->isEnabled());
        QVERIFY(frame.Action(cmd::WindowArrange)->isEnabled());
        QVERIFY(view->StartTool(std::make_unique<FakeTool>()));
        QVERIFY(!frame.Action(cmd::FileRecent1)->isEnabled());
        QVERIFY(!frame.Action(cmd::WindowArrange)->isEnabled());
        frame.OpenRecentFile(0);  // reached anyway: still nothing opens
        QCOMPARE(frame.MdiArea()->subWindowList().size(), 1);
        view->EndTool();
        QVERIFY(frame.Action(cmd::FileRecent1)->isEnabled());
        QVERIFY(frame.Action(cmd::WindowArrange)->isEnabled());
    }

    void arrangeIconsLinesUpMinimizedWindowsAtTheBottom() {
        CMainFrame frame;
        frame.show();
        QVERIFY(QTest::qWaitForWindowExposed(&frame));
        QList<QMdiSubWindow*> windows;
        for (int i = 0; i < 5; ++i)
            windows << frame.AddDocument(MakeDocument(MakePattern(40 + i, 30)))->ChildFrame();
        for (int i = 0; i < 4; ++i) windows[i]->showMinimized();
        const QSize icon = windows[0]->size();
        // Room for two and a half icons across: four icons make two rows.
        frame.resize(frame.width() - frame.MdiArea()->viewport()->width() + icon.width() * 5 / 2, frame.height());
        QTRY_COMPARE(frame.MdiArea()->viewport()->width(), icon.width() * 5 / 2);
        const QPoint open = windows[4]->pos();
        for (int i = 0; i < 4; ++i) windows[i]->move(13 * i + 5, 7 * i + 3);

        frame.Action(cmd::WindowArrange)->trigger();
        const int bottom = frame.MdiArea()->viewport()->height();
        const QList<QPoint> expected = {{0, bottom - icon.height()},
                                        {icon.width(), bottom - icon.height()},
                                        {0, bottom - 2 * icon.height()},
                                        {icon.width(), bottom - 2 * icon.height()}};
        for (int i = 0; i < 4; ++i) {
            QCOMPARE(windows[i]->size(), icon);
            QCOMPARE(windows[i]->pos(), expected[i]);
            for (int j = 0; j < i; ++j) QVERIFY(!windows[i]->geometry().intersects(windows[j]->geometry()));
        }
        QCOMPARE(windows[4]->pos(), open);  // a window that is not minimized stays put
    }
};

QTEST_MAIN(TestRecentFiles)
#include "test_recentfiles.moc"
