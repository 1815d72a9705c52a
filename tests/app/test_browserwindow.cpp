// The image browser window over generated folders: the grid's rows, selection kept in the
// entries' flags, the toolbar, drops that copy, move or are refused, the thumbnail cursor on
// scrolling, the empty-view texts, Delete, start paths, and a picture opened by double click
// that Page Down walks on from.
#include "browsertest.h"

using namespace browsertest;

class TestBrowserWindow : public QObject {
    Q_OBJECT
    QTemporaryDir m_home;

private slots:
    void initTestCase() { QVERIFY(UsePrivateHome(m_home)); }

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

QTEST_MAIN(TestBrowserWindow)
#include "test_browserwindow.moc"
