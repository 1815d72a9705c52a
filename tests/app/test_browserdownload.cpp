// Downloads in the browser window: a card folder through the Download command with the
// selection, overwrite and delete questions and Cancel, the history under "Downloads", the
// camera nodes and browsing a camera, and the clickless start-up with -a and -WIA.
#include <QDirIterator>
#include <QSignalSpy>
#include <deque>

#include "browsertest.h"
#include "download/camerawatch.h"
#include "download/downloadhistory.h"
#include "download/downloadprompts.h"
#include "download/downloadrunner.h"

using namespace browsertest;

namespace {

const QString kExifThumbnailFile = QStringLiteral(LUMARET_TESTDATA_DIR "/jpeg/exif-py/jpg/Sony_alpha_a58.JPG");

// Answers the program's modal dialogs in order as they come up. Each step names the dialog
// class it expects; any other modal dialog (the progress dialog aside) is recorded as
// unexpected and left alone.
class Responder : public QObject {
public:
    using Action = std::function<void(QWidget*)>;
    Responder() {
        connect(&m_timer, &QTimer::timeout, this, &Responder::Check);
        m_timer.start(10);
    }
    template <class Dialog>
    Responder& Then(std::function<void(Dialog*)> action) {
        m_steps.push_back({[](QWidget* w) { return qobject_cast<Dialog*>(w) != nullptr; },
                           [action](QWidget* w) { action(qobject_cast<Dialog*>(w)); }});
        return *this;
    }
    bool Done() const { return m_steps.empty(); }
    QStringList unexpected;
    QStringList texts;  // the texts of the message boxes answered

private:
    struct Step {
        std::function<bool(QWidget*)> matches;
        Action action;
    };
    void Check() {
        QWidget* modal = QApplication::activeModalWidget();
        if (!modal || !modal->isVisible() || m_handled.contains(modal) || qobject_cast<CFileCopyProgress*>(modal))
            return;
        m_handled << modal;
        if (auto* box = qobject_cast<QMessageBox*>(modal)) texts << box->text();
        if (m_steps.empty() || !m_steps.front().matches(modal)) {
            unexpected << modal->metaObject()->className() + QStringLiteral(": ") + modal->windowTitle() +
                              (qobject_cast<QMessageBox*>(modal) ? ": " + texts.last() : QString());
            // Closed, so that a wrong question fails the test instead of hanging it.
            if (auto* dialog = qobject_cast<QDialog*>(modal)) dialog->reject();
            return;
        }
        Step step = m_steps.front();
        m_steps.pop_front();
        step.action(modal);
    }
    QTimer m_timer;
    std::deque<Step> m_steps;
    QList<QPointer<QWidget>> m_handled;
};

std::function<void(QMessageBox*)> Press(QMessageBox::StandardButton button) {
    return [button](QMessageBox* box) { box->button(button)->click(); };
}

std::function<void(CDownloadSelectionDlg*)> Choose(const char* name) {
    return [name](CDownloadSelectionDlg* dialog) { dialog->findChild<QPushButton*>(name)->click(); };
}

QPushButton* ButtonNamed(QWidget* dialog, const QString& text) {
    for (QPushButton* button : dialog->findChildren<QPushButton*>())
        if (button->text() == text) return button;
    return nullptr;
}

QByteArray Bytes(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// Every file below `root`, as paths relative to it.
QStringList FilesBelow(const QString& root) {
    QStringList files;
    QDirIterator it(root, QDir::Files, QDirIterator::Subdirectories);
    while (it.hasNext()) files << QDir(root).relativeFilePath(it.next());
    files.sort();
    return files;
}

// Waits until the list shows `pictures` JPEG rows (other rows aside), each with its thumbnail.
bool WaitForPictures(CFileBrowserView* view, int pictures) {
    CFileBrowserDoc* doc = view->Document();
    return QTest::qWaitFor([&] {
        if (view->Model()->Count() != doc->VisibleCount()) return false;
        int ready = 0;
        for (int row = 0; row < doc->VisibleCount(); ++row) {
            const FileEntry* e = doc->VisibleEntry(row);
            if (e && e->IsJpeg() && e->Has(kEntryThumbnailReady)) ++ready;
        }
        return ready == pictures;
    }, 20000);
}

void SelectRowsNamed(CFileBrowserView* view, const QStringList& names) {
    CFileBrowserDoc& doc = *view->Document();
    QAbstractItemView* list = view->ActiveView();
    for (int row = 0; row < doc.VisibleCount(); ++row)
        if (names.contains(QFileInfo(QString::fromStdString(doc.EntryPath(row))).fileName()))
            list->selectionModel()->select(view->Model()->index(row, 0), QItemSelectionModel::Select | QItemSelectionModel::Rows);
}

std::vector<std::unique_ptr<CFileList>> History() {
    CDownloadHistory history(CBrowserFrame::HistoryFile().toStdString());
    history.Load();
    std::vector<std::unique_ptr<CFileList>> batches;
    for (const auto& batch : history.Batches()) batches.push_back(std::make_unique<CFileList>(*batch));
    return batches;
}

}  // namespace

class TestBrowserDownload : public QObject {
    Q_OBJECT
    QTemporaryDir m_home;
    QTemporaryDir m_media;  // the folders listed as removable media

private slots:
    void initTestCase() {
        QVERIFY(UsePrivateHome(m_home));
        qputenv("LUMARET_REMOVABLE", QFile::encodeName(m_media.path()));
        qputenv("LUMARET_CAMERAS", "");
        CSettings& settings = CSettings::Get();
        settings.DisplayWelcomeDialog = 1;
        settings.Frequency = "Never";
        settings.Shortcut = "in";  // a fixed folder below the root: the targets are known
    }

    void init() {
        QFile::remove(CBrowserFrame::HistoryFile());
        QDir(m_media.path()).removeRecursively();
        QVERIFY(QDir().mkpath(m_media.path()));
        CSettings::Get().ImageDownloadDir = m_home.filePath("photos").toStdString();
        QDir(m_home.filePath("photos")).removeRecursively();
    }

    void cardDownloadOfTheSelectionRecordsTheBatchAndDeletes() {
        const QString card = m_media.path();
        QVERIFY(QDir().mkpath(card + "/DCIM/100TEST") && QDir().mkpath(card + "/DCIM/101TEST"));
        for (const QString name : {"100TEST/p00.jpg", "100TEST/p01.jpg", "100TEST/p02.jpg", "101TEST/q00.jpg"})
            QVERIFY(WriteJpeg(card + "/DCIM/" + name, MakePattern(40 + int(qHash(name) % 30), 32)));
        const QByteArray p00 = Bytes(card + "/DCIM/100TEST/p00.jpg"), q00 = Bytes(card + "/DCIM/101TEST/q00.jpg");

        CMainFrame frame;
        frame.show();
        CBrowserFrame* browser = frame.OpenBrowser(card, "Browser");
        CFileBrowserView* view = browser->View();
        QVERIFY(WaitForPictures(view, 4));  // a card is shown flat, from its root
        SelectRowsNamed(view, {"p00.jpg", "q00.jpg"});
        QAction* download = browser->Toolbar()->Command(CFileBrowserDoc::kCmdDownload);
        QTRY_VERIFY(download->isEnabled());

        Responder answers;
        answers.Then<CDownloadSelectionDlg>(Choose("selected")).Then<QMessageBox>(Press(QMessageBox::Yes));
        QSignalSpy finished(browser->Downloader(), &CDownloadRunner::Finished);
        download->trigger();
        QVERIFY(finished.wait(20000) || finished.count() == 1);
        QVERIFY2(answers.Done() && answers.unexpected.isEmpty(), qPrintable(answers.unexpected.join("; ")));
        QCOMPARE(answers.texts, QStringList{"Do you want to delete files that have been succesfully downloaded?"});

        const QString photos = m_home.filePath("photos");
        QCOMPARE(FilesBelow(photos), (QStringList{"in/p00.jpg", "in/q00.jpg"}));
        QCOMPARE(Bytes(photos + "/in/p00.jpg"), p00);
        QCOMPARE(Bytes(photos + "/in/q00.jpg"), q00);
        // The originals went, and with them the folder they emptied; the card root stays.
        QCOMPARE(FilesBelow(card), (QStringList{"DCIM/100TEST/p01.jpg", "DCIM/100TEST/p02.jpg"}));
        QVERIFY(!QFileInfo::exists(card + "/DCIM/101TEST"));
        QVERIFY(browser->isEnabled() && !view->BrowsingHeld());
        QVERIFY(WaitForPictures(view, 2));

        // The batch is in the history file and under "Downloads", and browses as a list.
        const auto batches = History();
        QCOMPARE(batches.size(), size_t(1));
        QCOMPARE(batches[0]->files.size(), size_t(2));
        CDirTreeCtrl* tree = browser->Tree();
        QTreeWidgetItem* downloads = tree->DownloadsNode();
        QCOMPARE(downloads->childCount(), 1);
        QTreeWidgetItem* batch = downloads->child(0);
        QCOMPARE(batch->text(0), QString::fromStdString(batches[0]->name));
        downloads->setExpanded(true);
        tree->scrollToItem(batch);
        QTest::mouseClick(tree->viewport(), Qt::LeftButton, {}, tree->visualItemRect(batch).center());
        QCOMPARE(tree->currentItem(), batch);
        auto shown = [&] {
            QStringList paths;
            for (int row = 0; row < browser->Document()->VisibleCount(); ++row)
                paths << QString::fromStdString(browser->Document()->EntryPath(row));
            paths.sort();
            return paths;
        };
        QTRY_COMPARE(shown(), (QStringList{photos + "/in/p00.jpg", photos + "/in/q00.jpg"}));
        QVERIFY(WaitForPictures(view, 2));

        // "Delete history" asks first: No keeps the batch, Yes removes it.
        answers.Then<QMessageBox>(Press(QMessageBox::No)).Then<QMessageBox>(Press(QMessageBox::Yes));
        QVERIFY(!tree->DeleteHistory(batch));
        QCOMPARE(answers.texts.last(), QString("Are you sure ?"));
        QCOMPARE(History().size(), size_t(1));
        QVERIFY(tree->DeleteHistory(batch));
        QCOMPARE(History().size(), size_t(0));
        QCOMPARE(downloads->childCount(), 0);
        QVERIFY2(answers.Done() && answers.unexpected.isEmpty(), qPrintable(answers.unexpected.join("; ")));
    }

    void cancelDuringTheOverwriteQuestionKeepsWhatWasCopied() {
        const QString card = m_media.path();
        for (const QString name : {"a0.jpg", "a1.jpg", "a2.jpg"})
            QVERIFY(WriteJpeg(card + "/" + name, MakePattern(48, 32 + name[1].digitValue())));
        const QString photos = m_home.filePath("photos");
        QVERIFY(QDir().mkpath(photos + "/in"));
        WriteText(photos + "/in/a1.jpg", "older picture");

        CMainFrame frame;
        frame.show();
        CBrowserFrame* browser = frame.OpenBrowser(card, "Browser");
        QVERIFY(WaitForPictures(browser->View(), 3));
        QAction* download = browser->Toolbar()->Command(CFileBrowserDoc::kCmdDownload);
        QTRY_VERIFY(download->isEnabled());

        Responder answers;
        QString question;
        answers.Then<QMessageBox>(Press(QMessageBox::Ok))
            .Then<CFileYesNoAll>([&](CFileYesNoAll* dialog) {
                question = dialog->QuestionLine()->text();
                // Cancel in the progress dialog while the question is up, then "No".
                CFileCopyProgress* progress = browser->CopyProgress();
                QVERIFY(progress->isVisible() && progress->isModal());
                // Escape cancels like the button, and the dialog stays up meanwhile.
                QTest::keyClick(progress, Qt::Key_Escape);
                QVERIFY(progress->CancelRequested() && progress->isVisible());
                ButtonNamed(dialog, "No")->click();
            })
            .Then<QMessageBox>(Press(QMessageBox::No));
        QSignalSpy finished(browser->Downloader(), &CDownloadRunner::Finished);
        download->trigger();
        QVERIFY(finished.wait(20000) || finished.count() == 1);
        QVERIFY2(answers.Done() && answers.unexpected.isEmpty(), qPrintable(answers.unexpected.join("; ")));
        QCOMPARE(question, QString("The file a1.jpg already exists."));
        QCOMPARE(answers.texts.first(), QString("No thumbnails selected. Download all of them?"));
        const DownloadSummary& summary = browser->Downloader()->LastSummary();
        QVERIFY(summary.cancelled);
        QCOMPARE(summary.copied, 1);
        QCOMPARE(FilesBelow(photos), (QStringList{"in/a0.jpg", "in/a1.jpg"}));
        QCOMPARE(Bytes(photos + "/in/a1.jpg"), QByteArray("older picture"));
        QCOMPARE(FilesBelow(card).size(), 3);
        const auto batches = History();
        QCOMPARE(batches.size(), size_t(1));
        QCOMPARE(batches[0]->files, std::vector<std::string>{(photos + "/in/a0.jpg").toStdString()});
        QTRY_COMPARE(browser->Tree()->DownloadsNode()->childCount(), 1);
        QVERIFY(!browser->CopyProgress()->isVisible());

        // A second run offers Cancel again; cancelling the choice copies nothing.
        Responder again;
        again.Then<QMessageBox>(Press(QMessageBox::Cancel));
        download->trigger();
        QVERIFY(finished.wait(20000) || finished.count() == 2);
        QVERIFY(!browser->Downloader()->LastSummary().started);
        QCOMPARE(History().size(), size_t(1));
    }

    void cameraNodeAppearsBrowsesDownloadsAndGoes() {
        QTemporaryDir camera;
        QVERIFY(QDir().mkpath(camera.filePath("DCIM")));
        // c0 carries an EXIF thumbnail, c1 none.
        QVERIFY(QFile::copy(kExifThumbnailFile, camera.filePath("DCIM/c0.jpg")));
        QVERIFY(WriteJpeg(camera.filePath("DCIM/c1.jpg"), MakePattern(64, 41)));
        const QByteArray c1 = Bytes(camera.filePath("DCIM/c1.jpg"));
        qputenv("LUMARET_CAMERAS", QFile::encodeName("Directory Browse@disk:" + camera.path()));

        CMainFrame frame;
        frame.show();
        CBrowserFrame* browser = frame.OpenBrowser(m_home.path(), "Browser");
        CDirTreeCtrl* tree = browser->Tree();
        const int slot = browser->Cameras()->FirstSlot();
        QTreeWidgetItem* node = tree->CameraNode(slot);
        QVERIFY(node);
        QCOMPARE(node->text(0), QString("Directory Browse"));
        // Cameras come right after "Downloads".
        QCOMPARE(tree->indexOfTopLevelItem(node), tree->indexOfTopLevelItem(tree->DownloadsNode()) + 1);
        tree->scrollToItem(node);
        QTest::mouseClick(tree->viewport(), Qt::LeftButton, {}, tree->visualItemRect(node).center());
        QCOMPARE(tree->currentItem(), node);
        CFileBrowserView* view = browser->View();
        QVERIFY(WaitForPictures(view, 2));
        QCOMPARE(browser->Document()->Source()->GetSourceKind(), CHint::kCamera);
        QTRY_COMPARE(view->ListingStateValue(), int(CFileBrowserView::kListedFromCamera));
        // The thumbnail comes from the picture's EXIF block, read from the camera.
        QCOMPARE(QFileInfo(QString::fromStdString(browser->Document()->EntryPath(0))).fileName(), QString("c0.jpg"));
        QVERIFY(browser->Document()->VisibleEntry(0)->thumbWidth > 0);
        QCOMPARE(int(browser->Document()->VisibleEntry(1)->thumbWidth), 0);

        SelectRowsNamed(view, {"c1.jpg"});
        QAction* download = browser->Toolbar()->Command(CFileBrowserDoc::kCmdDownload);
        QTRY_VERIFY(download->isEnabled());
        Responder answers;
        answers.Then<CDownloadSelectionDlg>(Choose("selected")).Then<QMessageBox>(Press(QMessageBox::Yes));
        QSignalSpy finished(browser->Downloader(), &CDownloadRunner::Finished);
        download->trigger();
        QVERIFY(finished.wait(20000) || finished.count() == 1);
        QVERIFY2(answers.Done() && answers.unexpected.isEmpty(), qPrintable(answers.unexpected.join("; ")));
        const QString photos = m_home.filePath("photos");
        QCOMPARE(FilesBelow(photos), QStringList{"in/c1.jpg"});
        QCOMPARE(Bytes(photos + "/in/c1.jpg"), c1);
        QCOMPARE(FilesBelow(camera.path()), QStringList{"DCIM/c0.jpg"});
        // The camera is listed again without the deleted picture.
        QVERIFY(WaitForPictures(view, 1));

        // The camera goes: its node and its pictures leave.
        qputenv("LUMARET_CAMERAS", "");
        browser->Cameras()->Table().Refresh();
        QTRY_VERIFY(!tree->CameraNode(slot));
        QTRY_COMPARE(browser->Document()->VisibleCount(), 0);
    }

    void aCameraThatCannotBeOpenedIsReportedOnTheWindowThread() {
        qputenv("LUMARET_CAMERAS", "No Such Camera@usb:999,999");
        CMainFrame frame;
        frame.show();
        CBrowserFrame* browser = frame.OpenBrowser(m_home.path(), "Browser");
        const int slot = browser->Cameras()->FirstSlot();
        QVERIFY(browser->Tree()->CameraNode(slot));
        Responder answers;
        answers.Then<QMessageBox>(Press(QMessageBox::Ok));
        browser->Tree()->SelectCamera(slot);
        QTRY_VERIFY_WITH_TIMEOUT(answers.Done(), 20000);
        QVERIFY(answers.texts.first().startsWith("Failed to open No Such Camera"));
        QTRY_COMPARE(browser->View()->ListingStateValue(), int(CFileBrowserView::kIdle));
        QCOMPARE(browser->Document()->VisibleCount(), 0);
        qputenv("LUMARET_CAMERAS", "");
    }

    void startedForACardDownloadsWithoutQuestions_data() {
        QTest::addColumn<bool>("deleteAfter");
        QTest::newRow("keep") << false;
        QTest::newRow("delete") << true;
    }

    void startedForACardDownloadsWithoutQuestions() {
        QFETCH(bool, deleteAfter);
        const QString card = m_media.path();
        QVERIFY(QDir().mkpath(card + "/DCIM"));
        for (const QString name : {"d0.jpg", "d1.jpg"}) QVERIFY(WriteJpeg(card + "/DCIM/" + name, MakePattern(50, 30)));
        CSettings::Get().ClicklessDownload = 1;
        CSettings::Get().ClicklessDownloadDelete = deleteAfter ? 1 : 0;

        // No question comes up, but the delete question while clickless deletion is off.
        Responder answers;
        if (!deleteAfter) answers.Then<QMessageBox>(Press(QMessageBox::No));
        CeditorApp app;
        QVERIFY(app.InitInstance({"-a", card}));
        auto* browser = app.MainFrame()->findChild<CBrowserFrame*>();
        QVERIFY(browser);
        QSignalSpy finished(browser->Downloader(), &CDownloadRunner::Finished);
        QVERIFY(finished.wait(20000) || finished.count() == 1);
        QVERIFY2(answers.Done() && answers.unexpected.isEmpty(), qPrintable(answers.unexpected.join("; ")));
        QCOMPARE(FilesBelow(m_home.filePath("photos")), (QStringList{"in/d0.jpg", "in/d1.jpg"}));
        QCOMPARE(FilesBelow(card).size(), deleteAfter ? 0 : 2);
        // Once per start: a refresh of the card does not download again.
        QVERIFY(!browser->StartedByDevice());
        QVERIFY(!finished.wait(300));
        app.ExitInstance(0);
    }

    void startedForACameraOpensTheCameraBrowser_data() {
        QTest::addColumn<bool>("clickless");
        QTest::newRow("clickless off") << false;
        QTest::newRow("clickless with deletion") << true;
    }

    void startedForACameraOpensTheCameraBrowser() {
        QFETCH(bool, clickless);
        QTemporaryDir camera;
        QVERIFY(WriteJpeg(camera.filePath("e0.jpg"), MakePattern(44, 33)));
        qputenv("LUMARET_CAMERAS", QFile::encodeName("Directory Browse@disk:" + camera.path()));
        CSettings::Get().ClicklessDownload = clickless ? 1 : 0;
        CSettings::Get().ClicklessDownloadDelete = 1;

        Responder nobody;
        CeditorApp app;
        QVERIFY(app.InitInstance({"-WIA"}));
        auto* browser = app.MainFrame()->findChild<CBrowserFrame*>();
        QVERIFY(browser);
        QCOMPARE(browser->windowTitle(), QString("Digital camera"));
        QCOMPARE(browser->Tree()->currentItem(), browser->Tree()->CameraNode(browser->Cameras()->FirstSlot()));
        QSignalSpy finished(browser->Downloader(), &CDownloadRunner::Finished);
        if (clickless) {
            QVERIFY(finished.wait(20000) || finished.count() == 1);
            QCOMPARE(FilesBelow(m_home.filePath("photos")), QStringList{"in/e0.jpg"});
            QCOMPARE(FilesBelow(camera.path()), QStringList{});
            QTRY_COMPARE(browser->Document()->VisibleCount(), 0);
        } else {
            QVERIFY(WaitForPictures(browser->View(), 1));
            QTRY_COMPARE(browser->View()->ListingStateValue(), int(CFileBrowserView::kListedFromCamera));
            // Nothing starts by itself.
            QVERIFY(!finished.wait(300));
            QVERIFY(!QFileInfo::exists(m_home.filePath("photos")));
        }
        QVERIFY2(nobody.unexpected.isEmpty(), qPrintable(nobody.unexpected.join("; ")));
        qputenv("LUMARET_CAMERAS", "");
        app.ExitInstance(0);
    }
};

QTEST_MAIN(TestBrowserDownload)
#include "test_browserdownload.moc"
