// Parts of the image browser window: the texts and cell sizes of the grid and the list,
// thumbnail drawing, the overwrite question and the progress dialog, the directory tree's
// nodes, renaming and deleting.
#include "browsertest.h"

using namespace browsertest;

class TestBrowserParts : public QObject {
    Q_OBJECT
    QTemporaryDir m_home;

private slots:
    void initTestCase() { QVERIFY(UsePrivateHome(m_home)); }

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
};

QTEST_MAIN(TestBrowserParts)
#include "test_browserparts.moc"
