// The image browser window over generated folders: the grid's rows and texts, selection
// kept in the entries' flags, drops that copy, move or are refused, the thumbnail cursor
// on scrolling, the empty-view texts, the overwrite question, and a picture opened by
// double click that Page Down walks on from.
#include <QDropEvent>
#include <QLabel>
#include <QMdiArea>
#include <QMimeData>
#include <QPushButton>
#include <QScrollBar>
#include <QUrl>
#include <QPainter>
#include <QProgressBar>
#include <thread>
#include <QtTest>

#include "apptest.h"
#include "browser/browserbars.h"
#include "browser/browserdoc.h"
#include "browser/browserdragdrop.h"
#include "browser/browserframe.h"
#include "browser/browserinnerviews.h"
#include "browser/browsermodel.h"
#include "browser/browserview.h"
#include "browser/dirtreectrl.h"
#include "browser/filecopydialogs.h"
#include "browser/filesystemif.h"
#include "browser/hint.h"
#include "editor/childframe.h"
#include "editor/editorview.h"
#include "settings/settings.h"
#include "shell/editorapp.h"

using namespace apptest;
using namespace browserui;

namespace {

void WriteText(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    QCOMPARE(file.write(bytes), qint64(bytes.size()));
}

// A folder with `pictures` JPEG files p00.jpg..., notes.txt and the sub-folder "sub".
void MakeFolder(const QTemporaryDir& dir, int pictures) {
    for (int i = 0; i < pictures; ++i)
        QVERIFY(WriteJpeg(dir.filePath(QString::asprintf("p%02d.jpg", i)), MakePattern(64 + i, 48)));
    WriteText(dir.filePath("notes.txt"), QByteArray(1536, 'x'));
    QVERIFY(QDir(dir.path()).mkdir("sub"));
}

// Waits until the browser lists `rows` rows and every one has its thumbnail.
bool WaitForListing(CFileBrowserView* view, int rows) {
    CFileBrowserDoc* doc = view->Document();
    return QTest::qWaitFor([&] {
        if (view->Model()->Count() != rows || doc->VisibleCount() != rows) return false;
        for (int row = 0; row < rows; ++row)
            if (!doc->VisibleEntry(row)->Has(kEntryThumbnailReady)) return false;
        return true;
    }, 20000);
}

QStringList SelectedNames(CFileBrowserDoc& doc) {
    QStringList names;
    for (int row = 0; row < doc.VisibleCount(); ++row)
        if (doc.VisibleEntry(row)->Has(kEntrySelected))
            names << QFileInfo(QString::fromStdString(doc.EntryPath(row))).fileName();
    return names;
}

// Drags `data` over the widget and drops it there with `modifiers`; true when accepted.
bool DropOn(QWidget* target, QPoint at, QMimeData* data, Qt::KeyboardModifiers modifiers) {
    QDragEnterEvent enter(at, Qt::CopyAction | Qt::MoveAction, data, Qt::LeftButton, modifiers);
    QApplication::sendEvent(target, &enter);
    QDragMoveEvent move(at, Qt::CopyAction | Qt::MoveAction, data, Qt::LeftButton, modifiers);
    QApplication::sendEvent(target, &move);
    if (!move.isAccepted()) return false;
    QDropEvent drop(at, Qt::CopyAction | Qt::MoveAction, data, Qt::LeftButton, modifiers);
    QApplication::sendEvent(target, &drop);
    return drop.isAccepted();
}

QMimeData* UrlData(const QStringList& paths) {
    auto* data = new QMimeData;
    QList<QUrl> urls;
    for (const QString& path : paths) urls << QUrl::fromLocalFile(path);
    data->setUrls(urls);
    return data;
}

// A camera-like source that lists what the test gives it and records the thumbnail cursor.
class ScriptedSource : public CFileSystemIF {
public:
    ScriptedSource(CFileBrowserDoc& doc, const BrowserServices& services) : m_doc(doc), m_services(services) {}
    int32_t GetSourceKind() const override { return CHint::kCamera; }
    void Browse(const CHint*) override {
        m_services.sink->SetListingState(CFileBrowserView::kRetrieving);
        for (int i = 0; i < rows; ++i) m_doc.AppendVisible(m_doc.AddEntry("/camera/IMG_" + std::to_string(1000 + i) + ".JPG"));
        m_services.sink->SetListingState(CFileBrowserView::kListedFromCamera);
        m_services.sink->PostUpdate(kUpdateCount, 0);
        m_services.sink->PostUpdate(kUpdateCount, m_doc.VisibleCount());
    }
    void Refresh() override {}
    void SetThumbnailCursor(int32_t row, int32_t step) override { cursors.emplace_back(row, step); }
    void RestartThumbnails() override {}
    void OnThumbnailsDone() override {}
    void Download() override {}
    bool CanDownload() override { return false; }
    void DeleteSelected() override {}
    bool CanDelete() override { return false; }
    void FlatViewOn() override {}
    bool CanFlatViewOn() override { return false; }
    void FlatViewOff() override {}
    bool IsFlatView() override { return false; }

    static inline int rows = 0;
    static inline std::vector<std::pair<int, int>> cursors;

private:
    CFileBrowserDoc& m_doc;
    BrowserServices m_services;
};

}  // namespace

class TestBrowser : public QObject {
    Q_OBJECT
    QTemporaryDir m_home;

private slots:
    void initTestCase() {
        QVERIFY(UseProgramFolder(m_home));
        // Thumbnail databases go to a private cache folder.
        qputenv("XDG_CACHE_HOME", QFile::encodeName(m_home.filePath("cache")));
        // Deleted files go to a private trash.
        qputenv("XDG_DATA_HOME", QFile::encodeName(m_home.filePath("data-home")));
        qputenv("LUMARET_LOCK", QFile::encodeName(m_home.filePath("instance.lock")));
    }

    void textsFollowTheEntryKind_data() {
        QTest::addColumn<uint32_t>("flags");
        QTest::addColumn<uint32_t>("size");
        QTest::addColumn<QString>("sizeColumn");
        QTest::addColumn<QString>("resolution");
        QTest::addColumn<QStringList>("lines");
        QTest::newRow("jpeg") << uint32_t(kEntryJpegFlags) << 3145728u << "3072.00Kb (12.00 Mp)" << "4000 x 3000 x 24"
                              << QStringList{"a.jpg", "3.00 Mb", "4000 x 3000 x 24 (12.00 MP)"};
        QTest::newRow("other file") << 0u << 1536u << "1.50Kb" << "n/a" << QStringList{"a.jpg", "0.00 Mb"};
        QTest::newRow("size above 2 GiB") << 0u << 0xC0000000u << "3145728.00Kb" << "n/a"
                                          << QStringList{"a.jpg", "3072.00 Mb"};
    }
    void textsFollowTheEntryKind() {
        QFETCH(uint32_t, flags);
        QFETCH(uint32_t, size);
        auto entry = std::make_unique<FileEntry>();
        *entry = FileEntry{};
        entry->flags = flags;
        entry->size = size;
        entry->imageWidth = 4000;
        entry->imageHeight = 3000;
        entry->bitsPerPixel = 24;
        const QString path = "/pictures/a.jpg";
        QTEST(ColumnText(*entry, path, Column::Size), "sizeColumn");
        QTEST(ColumnText(*entry, path, Column::Resolution), "resolution");
        QCOMPARE(ColumnText(*entry, path, Column::Filename), QString("a.jpg"));
        QCOMPARE(ColumnText(*entry, path, Column::Path), QString("/pictures"));
        // The date line is there too, empty for a date before 1970.
        QTEST(ThumbnailLines(*entry, path, kDetailAll).mid(0, ThumbnailLines(*entry, path, kDetailAll).size() - 1),
              "lines");
        QCOMPARE(ThumbnailLines(*entry, path, kDetailAll).last(), QString());
    }

    void cellHeightCountsTheDetailLines() {
        QCOMPARE(CellHeight(0), 150);
        QCOMPARE(CellHeight(0x1), 172);
        QCOMPARE(CellHeight(0xF), 211);
        QCOMPARE(CellHeight(0x80000002), 176);
    }

    void thumbnailsAreDrawnOnlyWhenTheyFitTheRecord_data() {
        QTest::addColumn<int>("side");
        QTest::addColumn<bool>("ready");
        QTest::addColumn<bool>("drawn");
        QTest::newRow("largest thumbnail") << 130 << true << true;
        QTest::newRow("not made yet") << 130 << false << false;
        // 131 x 131 pixels with padded rows need more bytes than the record holds.
        QTest::newRow("too large for the record") << 131 << true << false;
    }
    void thumbnailsAreDrawnOnlyWhenTheyFitTheRecord() {
        QFETCH(int, side);
        QFETCH(bool, ready);
        auto entry = std::make_unique<FileEntry>();
        *entry = FileEntry{};
        entry->thumbWidth = uint8_t(side);
        entry->thumbHeight = uint8_t(side);
        entry->flags = ready ? kEntryThumbnailReady : 0;
        QImage canvas(150, 150, QImage::Format_RGB32);
        canvas.fill(Qt::white);
        {
            QPainter painter(&canvas);
            DrawThumbnail(painter, *entry, canvas.rect());
        }
        // The pixels are zero: a drawn thumbnail is a black square in the middle.
        QTEST(canvas.pixelColor(75, 75) == QColor(Qt::black), "drawn");
        QCOMPARE(canvas.pixelColor(2, 2), QColor(Qt::white));
    }

    void overwriteQuestionAnswersWithItsButtons_data() {
        QTest::addColumn<QString>("button");
        QTest::addColumn<int>("answer");
        QTest::newRow("Yes") << "Yes" << int(PromptAnswer::Yes);
        QTest::newRow("No") << "No" << int(PromptAnswer::No);
        QTest::newRow("Yes to all") << "Yes to all" << int(PromptAnswer::YesToAll);
        QTest::newRow("No to all") << "No to all" << int(PromptAnswer::NoToAll);
        QTest::newRow("Cancel") << "Cancel" << int(PromptAnswer::Cancel);
        QTest::newRow("closed") << QString() << int(PromptAnswer::Cancel);
    }
    void overwriteQuestionAnswersWithItsButtons() {
        QFETCH(QString, button);
        QWidget owner;
        CBrowserPrompt prompt(&owner);
        QStringList lines;
        WhenModal([&](QWidget* modal) {
            auto* dialog = qobject_cast<CFileYesNoAll*>(modal);
            QVERIFY(dialog);
            for (QLabel* label : dialog->findChildren<QLabel*>()) lines << label->text();
            lines << dialog->windowTitle();
            if (button.isEmpty()) dialog->reject();
            for (QPushButton* b : dialog->findChildren<QPushButton*>())
                if (b->text() == button) b->click();
        });
        const PromptAnswer answer = prompt.Ask("The file a.jpg already exists.\nDo you want to overwrite the destination "
                                               "file?", "Copying...", PromptButtons::YesNoAllCancel);
        QTEST(int(answer), "answer");
        QCOMPARE(lines, (QStringList{"The file a.jpg already exists.", "Do you want to overwrite the destination file?",
                                     "Copying..."}));
    }

    void progressDialogTakesCallsFromWorkers() {
        QWidget owner;
        CFileCopyProgress progress(&owner);
        int cancels = 0;
        progress.SetCancelHandler([&cancels] { ++cancels; });
        std::thread worker([&progress] {
            progress.SetSecondLine("IMG_0001.JPG");
            progress.SetRange(CFileCopyProgress::Bar::Second, 0, 40);
            progress.SetValue(CFileCopyProgress::Bar::Second, 25);
            progress.ShowDialog(true);
        });
        worker.join();
        QTRY_VERIFY(progress.isVisible());
        QCOMPARE(progress.ProgressBar(CFileCopyProgress::Bar::Second)->value(), 25);
        QCOMPARE(progress.ProgressBar(CFileCopyProgress::Bar::Second)->maximum(), 40);
        auto* cancel = progress.findChild<QPushButton*>();
        QVERIFY(cancel && cancel->isVisible());
        cancel->click();
        QCOMPARE(cancels, 1);
        QVERIFY(progress.CancelRequested() && !cancel->isVisible());
    }

    void photosNodeGoesToTheDownloadFolderAndDotFoldersStayHidden() {
        QTemporaryDir dir;
        QVERIFY(QDir(dir.path()).mkpath("Lumaret Photos/2026-12-06"));
        QVERIFY(QDir(dir.path()).mkdir(".hidden"));
        CSettings::Get().ImageDownloadDir = dir.filePath("Lumaret Photos").toStdString();
        CMainFrame frame;
        frame.show();
        CBrowserFrame* browser = frame.OpenBrowser(dir.path(), "Browser");
        CSettings::Get().ImageDownloadDir.clear();
        CDirTreeCtrl* tree = browser->Tree();
        QTreeWidgetItem* shown = tree->currentItem();
        QCOMPARE(CDirTreeCtrl::PathOf(shown), dir.path());
        tree->ListChildren(shown);
        QCOMPARE(shown->childCount(), 1);
        QCOMPARE(tree->topLevelItem(0)->text(0), QString("Lumaret Photos"));
        QCOMPARE(tree->topLevelItem(1)->text(0), QString("Downloads"));
        tree->setCurrentItem(tree->topLevelItem(0));
        QCOMPARE(CDirTreeCtrl::PathOf(tree->currentItem()), dir.filePath("Lumaret Photos"));
        QTRY_COMPARE(browser->View()->ShownFolder(), dir.filePath("Lumaret Photos"));
        QTRY_COMPARE(browser->View()->Model()->Count(), 1);
    }

    void treeRenamesAndDeletesFoldersSafely() {
        QTemporaryDir dir;
        QVERIFY(QDir(dir.path()).mkpath("trip/day1"));
        QVERIFY(QDir(dir.path()).mkdir("empty"));
        WriteText(dir.filePath("trip/day1/keep.txt"), "kept");
        CMainFrame frame;
        frame.show();
        CBrowserFrame* browser = frame.OpenBrowser(dir.filePath("trip"), "Browser");
        CDirTreeCtrl* tree = browser->Tree();
        QTreeWidgetItem* trip = tree->currentItem();
        QCOMPARE(CDirTreeCtrl::PathOf(trip), dir.filePath("trip"));

        // Names that would replace a folder or leave the parent folder are refused.
        for (const QString& name : {QString("empty"), QString("a/b"), QString(".."), QString()}) {
            AnswerMessage(QMessageBox::Ok);
            QVERIFY2(!tree->RenameFolderTo(trip, name), qPrintable(name));
        }
        QVERIFY(QFile::exists(dir.filePath("trip/day1/keep.txt")) && QDir(dir.filePath("empty")).exists());

        QVERIFY(tree->RenameFolderTo(trip, "holiday"));
        QCOMPARE(CDirTreeCtrl::PathOf(trip), dir.filePath("holiday"));
        QVERIFY(QFile::exists(dir.filePath("holiday/day1/keep.txt")));
        QTRY_COMPARE(browser->View()->ShownFolder(), dir.filePath("holiday"));
        tree->ListChildren(trip);
        QCOMPARE(CDirTreeCtrl::PathOf(trip->child(0)), dir.filePath("holiday/day1"));

        // Delete asks first; No keeps the folder, Yes moves it to the trash.
        QTreeWidgetItem* day1 = trip->child(0);
        AnswerMessage(QMessageBox::No);
        QVERIFY(!tree->DeleteFolder(day1));
        QVERIFY(QDir(dir.filePath("holiday/day1")).exists());
        AnswerMessage(QMessageBox::Yes);
        QVERIFY(tree->DeleteFolder(day1));
        QVERIFY(!QDir(dir.filePath("holiday/day1")).exists());
        QCOMPARE(trip->childCount(), 0);
    }

    void gridListsTheFolderAndSelectionLivesInTheFlags() {
        QTemporaryDir dir;
        MakeFolder(dir, 12);
        CMainFrame frame;
        frame.show();
        CBrowserFrame* browser = frame.OpenBrowser(dir.path(), "Browser");
        CFileBrowserView* view = browser->View();
        QVERIFY(WaitForListing(view, 14));
        CFileBrowserDoc& doc = *browser->Document();
        // Folders first, then files by name.
        QCOMPARE(QString::fromStdString(doc.EntryPath(0)), dir.filePath("sub"));
        QCOMPARE(QString::fromStdString(doc.EntryPath(5)), dir.filePath("p03.jpg"));
        QCOMPARE(view->Model()->index(5, int(Column::Resolution)).data().toString(), QString("67 x 48 x 24"));
        QCOMPARE(view->Model()->index(1, int(Column::Resolution)).data().toString(), QString("n/a"));
        QVERIFY(browser->InfoBar()->text().contains("13 files, 1 folders"));

        auto* grid = view->ActiveView();
        QTRY_VERIFY(grid->visualRect(view->Model()->index(13, 0)).isValid());
        grid->setFocus();
        QTest::mouseClick(grid->viewport(), Qt::LeftButton, {}, grid->visualRect(view->Model()->index(2, 0)).center());
        QCOMPARE(SelectedNames(doc), QStringList{"p00.jpg"});
        QTest::keyClick(grid, Qt::Key_Right, Qt::ShiftModifier);
        QCOMPARE(SelectedNames(doc), (QStringList{"p00.jpg", "p01.jpg"}));
        QTest::keyClick(grid, Qt::Key_Right);
        QCOMPARE(SelectedNames(doc), QStringList{"p02.jpg"});
        // Down goes one row of cells further: as many cells as fit across the view.
        const int perRow = grid->viewport()->width() / 158;
        QVERIFY(perRow >= 1 && 4 + perRow < 14);
        QTest::keyClick(grid, Qt::Key_Down);
        QCOMPARE(SelectedNames(doc), QStringList{QString::asprintf("p%02d.jpg", 2 + perRow)});

        QTest::keyClick(grid, Qt::Key_A, Qt::ControlModifier);
        QCOMPARE(SelectedNames(doc).size(), 14);
        QCOMPARE(grid->selectionModel()->selectedRows().size(), 14);
        QVERIFY(browser->InfoBar()->text().contains("14 selected"));
        // The list shows the same selection when the mode changes.
        view->SetMode(CFileBrowserView::Mode::List);
        QCOMPARE(view->ActiveView()->selectionModel()->selectedRows().size(), 14);
        QTest::keyClick(view->ActiveView(), Qt::Key_D, Qt::ControlModifier);
        QVERIFY(SelectedNames(doc).isEmpty());
        QVERIFY(view->ActiveView()->selectionModel()->selectedIndexes().isEmpty());
        view->SetMode(CFileBrowserView::Mode::Thumbnails);
        QVERIFY(grid->selectionModel()->selectedIndexes().isEmpty());
    }

    void toolbarSortsFiltersAndFlattens() {
        QTemporaryDir dir;
        MakeFolder(dir, 3);  // p00..p02 grow in width, so in file size too
        QVERIFY(WriteJpeg(dir.filePath("sub/deep.jpg"), MakePattern(300, 200)));
        CMainFrame frame;
        frame.show();
        CBrowserFrame* browser = frame.OpenBrowser(dir.path(), "Browser");
        CFileBrowserView* view = browser->View();
        QVERIFY(WaitForListing(view, 5));
        CFileBrowserDoc& doc = *browser->Document();
        auto names = [&doc] {
            QStringList list;
            for (int row = 0; row < doc.VisibleCount(); ++row)
                list << QFileInfo(QString::fromStdString(doc.EntryPath(row))).fileName();
            return list;
        };
        CBrowserToolbar* bar = browser->Toolbar();
        bar->Command(CFileBrowserDoc::kCmdSortBySize)->trigger();
        bar->Command(CFileBrowserDoc::kCmdDescending)->trigger();
        QCOMPARE(names(), (QStringList{"sub", "p02.jpg", "p01.jpg", "p00.jpg", "notes.txt"}));
        QVERIFY(bar->Command(CFileBrowserDoc::kCmdSortBySize)->isChecked());
        QVERIFY(!bar->Command(CFileBrowserDoc::kCmdSortByName)->isChecked());

        bar->Command(CFileBrowserDoc::kCmdShowFolders)->trigger();
        bar->Command(CFileBrowserDoc::kCmdShowNonImageFiles)->trigger();
        QTRY_COMPARE(view->Model()->Count(), 3);
        QCOMPARE(names(), (QStringList{"p02.jpg", "p01.jpg", "p00.jpg"}));
        QVERIFY(!bar->Command(CFileBrowserDoc::kCmdShowFolders)->isChecked());

        // Flat view lists the sub-folder's picture among the others.
        QVERIFY(bar->Command(CBrowserToolbar::kCmdFlatView)->isEnabled());
        bar->Command(CBrowserToolbar::kCmdFlatView)->trigger();
        QVERIFY(WaitForListing(view, 4));
        QCOMPARE(names().first(), QString("deep.jpg"));
        QVERIFY(bar->Command(CBrowserToolbar::kCmdFlatView)->isChecked());
        bar->Command(CFileBrowserView::kCmdListView)->trigger();
        QCOMPARE(view->CurrentMode(), CFileBrowserView::Mode::List);
        QVERIFY(!bar->Command(CFileBrowserView::kCmdThumbnailView)->isChecked());
    }

    void dropsCopyOrMoveFilesAndRefuseTheRest() {
        QTemporaryDir dir, outside;
        MakeFolder(dir, 2);
        QVERIFY(WriteJpeg(outside.filePath("new.jpg"), MakePattern(30, 20)));
        QVERIFY(WriteJpeg(outside.filePath("moved.jpg"), MakePattern(20, 30)));
        QVERIFY(QDir(outside.path()).mkdir("folder"));
        CMainFrame frame;
        frame.show();
        CBrowserFrame* browser = frame.OpenBrowser(dir.path(), "Browser");
        CFileBrowserView* view = browser->View();
        QVERIFY(WaitForListing(view, 4));
        QWidget* target = view->ActiveView()->viewport();
        const QPoint at(10, 10);

        std::unique_ptr<QMimeData> folder(UrlData({outside.filePath("folder")}));
        QVERIFY(!DropOn(target, at, folder.get(), {}));
        std::unique_ptr<QMimeData> own(CDVFileDragDrop::MakeDragData({outside.filePath("new.jpg").toStdString()}));
        QVERIFY(!DropOn(target, at, own.get(), {}));
        QVERIFY(!QFile::exists(dir.filePath("new.jpg")));

        std::unique_ptr<QMimeData> copy(UrlData({outside.filePath("new.jpg")}));
        QVERIFY(DropOn(target, at, copy.get(), {}));
        QVERIFY(QFile::exists(dir.filePath("new.jpg")) && QFile::exists(outside.filePath("new.jpg")));
        std::unique_ptr<QMimeData> move(UrlData({outside.filePath("moved.jpg")}));
        QVERIFY(DropOn(target, at, move.get(), Qt::ShiftModifier));
        QVERIFY(QFile::exists(dir.filePath("moved.jpg")) && !QFile::exists(outside.filePath("moved.jpg")));
        QVERIFY(WaitForListing(view, 6));

        // Copying again asks before overwriting; "No" keeps the file in place untouched.
        QVERIFY(WriteJpeg(outside.filePath("moved.jpg"), MakePattern(40, 40)));
        QString question;
        WhenModal([&question](QWidget* modal) {
            auto* dialog = qobject_cast<CFileYesNoAll*>(modal);
            QVERIFY(dialog);
            question = dialog->QuestionLine()->text();
            for (QPushButton* button : dialog->findChildren<QPushButton*>())
                if (button->text() == "No") button->click();
        });
        std::unique_ptr<QMimeData> again(UrlData({outside.filePath("moved.jpg")}));
        QVERIFY(DropOn(target, at, again.get(), {}));
        QCOMPARE(question, QString("The file moved.jpg already exists."));
        QCOMPARE(Decode(dir.filePath("moved.jpg")).width, 20);

        // The tree takes files onto another folder's node, not onto the node shown.
        CDirTreeCtrl* tree = browser->Tree();
        QTreeWidgetItem* shown = tree->currentItem();
        QCOMPARE(CDirTreeCtrl::PathOf(shown), dir.path());
        tree->ListChildren(shown);
        QTreeWidgetItem* sub = shown->child(0);
        QCOMPARE(sub->text(0), QString("sub"));
        const std::vector<std::string> file{outside.filePath("new.jpg").toStdString()};
        QVERIFY(!tree->CanDropOn(shown, file));
        QVERIFY(tree->CanDropOn(sub, file));
        QVERIFY(!tree->CanDropOn(sub, {outside.filePath("folder").toStdString()}));
        // Dropped with Shift on the sub-folder's node: moved there.
        tree->scrollToItem(sub);
        const QPoint onSub = tree->visualItemRect(sub).center();
        std::unique_ptr<QMimeData> toSub(UrlData({outside.filePath("new.jpg")}));
        QVERIFY(DropOn(tree->viewport(), onSub, toSub.get(), Qt::ShiftModifier));
        QVERIFY(QFile::exists(dir.filePath("sub/new.jpg")) && !QFile::exists(outside.filePath("new.jpg")));
        std::unique_ptr<QMimeData> ownToSub(CDVFileDragDrop::MakeDragData({dir.filePath("p00.jpg").toStdString()}));
        QVERIFY(!DropOn(tree->viewport(), onSub, ownToSub.get(), {}));
    }

    void scrollingMovesTheThumbnailCursor() {
        ScriptedSource::rows = 200;
        ScriptedSource::cursors.clear();
        CFileBrowserView view;
        BrowserServices services;
        services.sink = &view;
        services.cameraSource = [](CFileBrowserDoc& doc, const BrowserServices& s) {
            return std::make_unique<ScriptedSource>(doc, s);
        };
        CFileBrowserDoc doc(services);
        view.SetDocument(&doc);
        view.resize(158 * 3 + 40, 219 * 2 + 30);
        view.show();
        QVERIFY(QTest::qWaitForWindowExposed(&view));
        CHint camera;
        camera.sourceKind = CHint::kCamera;
        view.OnBrowserUpdate(kUpdateBrowse, reinterpret_cast<intptr_t>(&camera));
        QTRY_COMPARE(view.Model()->Count(), 200);

        // The first and last rows whose cells show in the client area.
        auto visibleRows = [&view] {
            int first = -1, last = -1;
            for (int row = 0; row < view.Model()->Count(); ++row) {
                if (!view.ActiveView()->visualRect(view.Model()->index(row, 0)).intersects(
                        view.ActiveView()->viewport()->rect()))
                    continue;
                if (first < 0) first = row;
                last = row;
            }
            return std::make_pair(first, last);
        };
        QScrollBar* bar = view.ActiveView()->verticalScrollBar();
        const int perRow = view.ActiveView()->viewport()->width() / 158;
        QVERIFY(perRow >= 1);
        bar->setValue(219 * 10);
        QCOMPARE(ScriptedSource::cursors.back(), std::make_pair(10 * perRow, 1));
        QCOMPARE(visibleRows().first, 10 * perRow);
        bar->setValue(219 * 5 + 1);
        // Up: the last visible cell, walking backwards.
        const int last = visibleRows().second;
        QCOMPARE(ScriptedSource::cursors.back(), std::make_pair(last, -1));
        QVERIFY(last > 5 * perRow);
    }

    void emptyViewTextsFollowTheListingState() {
        ScriptedSource::rows = 0;
        CFileBrowserView view;
        BrowserServices services;
        services.sink = &view;
        services.cameraSource = [](CFileBrowserDoc& doc, const BrowserServices& s) {
            return std::make_unique<ScriptedSource>(doc, s);
        };
        CFileBrowserDoc doc(services);
        view.SetDocument(&doc);
        QCOMPARE(view.EmptyText(), QString());
        view.SetListingState(CFileBrowserView::kRetrieving);
        QCOMPARE(view.EmptyText(), QString("Retrieving data, please wait..."));
        CHint camera;
        camera.sourceKind = CHint::kCamera;
        view.OnBrowserUpdate(kUpdateBrowse, reinterpret_cast<intptr_t>(&camera));
        QCOMPARE(view.EmptyText(), QString("No files to display."));
        QCOMPARE(view.Model()->Count(), 0);
    }

    void deleteKeyAsksAndFolderDoubleClickBrowsesIt() {
        QTemporaryDir dir;
        MakeFolder(dir, 3);
        CMainFrame frame;
        frame.show();
        QVERIFY(QTest::qWaitForWindowExposed(&frame));
        CBrowserFrame* browser = frame.OpenBrowser(dir.path(), "Browser");
        CFileBrowserView* view = browser->View();
        QVERIFY(WaitForListing(view, 5));
        auto* grid = view->ActiveView();
        QTRY_VERIFY(grid->visualRect(view->Model()->index(4, 0)).isValid());
        QTest::mouseClick(grid->viewport(), Qt::LeftButton, {}, grid->visualRect(view->Model()->index(2, 0)).center());
        QTest::mouseClick(grid->viewport(), Qt::LeftButton, Qt::ControlModifier,
                          grid->visualRect(view->Model()->index(4, 0)).center());
        QString question;
        AnswerMessage(QMessageBox::Yes, &question);
        QTest::keyClick(grid, Qt::Key_Delete);
        QVERIFY(question.startsWith("Are you sure you want to delete 2 files?"));
        QVERIFY(!QFile::exists(dir.filePath("p00.jpg")) && !QFile::exists(dir.filePath("p02.jpg")));
        QVERIFY(QFile::exists(dir.filePath("p01.jpg")));
        // The folder's watcher brings the list up to date.
        QTRY_COMPARE_WITH_TIMEOUT(view->Model()->Count(), 3, 15000);

        // A folder opens in the tree, which then shows it.
        QTRY_VERIFY(grid->visualRect(view->Model()->index(0, 0)).isValid());
        const QPoint cell = grid->visualRect(view->Model()->index(0, 0)).center();
        QTest::mouseClick(grid->viewport(), Qt::LeftButton, {}, cell);
        QTest::mouseDClick(grid->viewport(), Qt::LeftButton, {}, cell);
        QCOMPARE(CDirTreeCtrl::PathOf(browser->Tree()->currentItem()), dir.filePath("sub"));
        QTRY_COMPARE(view->ShownFolder(), dir.filePath("sub"));
        // Once listed, an empty disk folder is a blank view.
        QTRY_COMPARE(view->ListingStateValue(), int(CFileBrowserView::kIdle));
        QCOMPARE(view->Model()->Count(), 0);
        QCOMPARE(view->EmptyText(), QString());
    }

    void startPathsThatAreNoFolder() {
        QTemporaryDir dir;
        MakeFolder(dir, 2);
        CMainFrame frame;
        frame.show();
        // A file stands for its folder.
        CBrowserFrame* onFile = frame.OpenBrowser(dir.filePath("p01.jpg"), "Browser");
        QVERIFY(WaitForListing(onFile->View(), 4));
        QCOMPARE(onFile->View()->ShownFolder(), dir.path());
        // A card that is not there shows its own empty list, not its parent folder's.
        const QString gone = dir.filePath("card/DCIM");
        CBrowserFrame* onGone = frame.OpenBrowser(gone, "Browser");
        QTRY_COMPARE(onGone->View()->ShownFolder(), gone);
        QTRY_COMPARE(onGone->View()->ListingStateValue(), int(CFileBrowserView::kIdle));
        QCOMPARE(onGone->View()->Model()->Count(), 0);
    }

    void commandLineFolderAndBrowserCommandOpenBrowsers() {
        QTemporaryDir dir;
        MakeFolder(dir, 2);
        CeditorApp app;
        QVERIFY(app.InitInstance({dir.path()}));
        CMainFrame* frame = app.MainFrame();
        QCOMPARE(frame->MdiArea()->subWindowList().size(), 1);
        auto* started = qobject_cast<CBrowserFrame*>(frame->MdiArea()->subWindowList().front());
        QVERIFY(started);
        QCOMPARE(started->windowTitle(), dir.path());
        QVERIFY(WaitForListing(started->View(), 4));

        // The Browser command opens its own browser once, then brings it back to the front.
        frame->Action(32805)->trigger();
        CBrowserFrame* browser = frame->BrowserWindow();
        QVERIFY(browser && browser != started);
        QCOMPARE(browser->windowTitle(), QString("Browser"));
        QCOMPARE(browser->Document()->Path(), QDir::homePath().toStdString());
        frame->MdiArea()->setActiveSubWindow(started);
        frame->Action(32805)->trigger();
        QCOMPARE(frame->MdiArea()->subWindowList().size(), 2);
        QCOMPARE(frame->MdiArea()->activeSubWindow(), browser);
    }

    void doubleClickOpensThePictureAndPageDownWalksTheList() {
        QTemporaryDir dir;
        MakeFolder(dir, 3);
        CMainFrame frame;
        frame.show();
        CBrowserFrame* browser = frame.OpenBrowser(dir.path(), "Browser");
        CFileBrowserView* view = browser->View();
        QVERIFY(WaitForListing(view, 5));
        auto* grid = view->ActiveView();
        QVERIFY(QTest::qWaitForWindowExposed(&frame));
        QTRY_VERIFY(grid->visualRect(view->Model()->index(3, 0)).isValid());
        // A double click as the window system delivers it: press, release, double click.
        const QPoint cell = grid->visualRect(view->Model()->index(3, 0)).center();
        QTest::mouseClick(grid->viewport(), Qt::LeftButton, {}, cell);
        QTest::mouseDClick(grid->viewport(), Qt::LeftButton, {}, cell);
        CeditorView* editor = frame.ActiveEditorView();
        QVERIFY(editor);
        QCOMPARE(QString::fromStdString(editor->GetDocument()->PathName()), dir.filePath("p01.jpg"));
        QCOMPARE(frame.ImageList(), &browser->ImageList());
        QTest::keyClick(editor, Qt::Key_PageDown);
        QCOMPARE(QString::fromStdString(editor->GetDocument()->PathName()), dir.filePath("p02.jpg"));
        // The last picture has no next one; the row before the first picture is a file that
        // is not a picture, so Page Up stops at p00.jpg.
        QTest::keyClick(editor, Qt::Key_PageDown);
        QCOMPARE(QString::fromStdString(editor->GetDocument()->PathName()), dir.filePath("p02.jpg"));
        QTest::keyClick(editor, Qt::Key_PageUp);
        QTest::keyClick(editor, Qt::Key_PageUp);
        QTest::keyClick(editor, Qt::Key_PageUp);
        QCOMPARE(QString::fromStdString(editor->GetDocument()->PathName()), dir.filePath("p00.jpg"));
    }
};

QTEST_MAIN(TestBrowser)
#include "test_browserwindow.moc"
