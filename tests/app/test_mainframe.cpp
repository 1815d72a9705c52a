// The main window: opening files into editor windows sized around the picture, command
// enabling with and without a tool, the tool window that cannot be left, full screen, the
// histogram toggle and keys handed over from other windows.
#include <QAction>
#include <QKeyEvent>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QProgressBar>
#include <QPushButton>
#include <QRegularExpression>
#include <QTextBrowser>
#include <QStatusBar>
#include <QtTest>

#include "apptest.h"
#include "editor/childframe.h"
#include "editor/commandtable.h"
#include "editor/editorview.h"
#include "editor/histogramdialog.h"
#include "shell/helpwindow.h"
#include "shell/mainframe.h"
#include "shell/qtprompt.h"

using namespace apptest;

class TestMainFrame : public QObject {
    Q_OBJECT
    QTemporaryDir m_home;

private slots:
    void initTestCase() { QVERIFY(UseProgramFolder(m_home)); }

    void opensAJpegInAWindowSizedToThePicture() {
        QTemporaryDir dir;
        const QString path = dir.filePath("gradient.jpg");
        QVERIFY(WriteJpeg(path, MakePattern(237, 121)));

        CMainFrame frame;
        frame.show();
        QVERIFY(QTest::qWaitForWindowExposed(&frame));
        CeditorView* view = frame.OpenDocument(path);
        QVERIFY(view);
        QCOMPARE(frame.MdiArea()->subWindowList().size(), 1);
        QCOMPARE(frame.MdiArea()->subWindowList()[0]->windowTitle(), QString("gradient.jpg"));
        QCOMPARE(frame.ActiveEditorView(), view);
        // A picture smaller than the window is shown pixel for pixel in a client area of its size.
        QCOMPARE(view->viewport()->size(), QSize(237, 121));
        view->RenderImage();
        QCOMPARE(view->Zoom(), 1.0);
    }

    void aFileThatIsNoJpegOpensEmptyAndSaysSo() {
        QTemporaryDir dir;
        const QString text = dir.filePath("notes.jpg");
        QFile f(text);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write("this is not a picture\n");
        f.close();

        CMainFrame frame;
        CeditorView* view = frame.OpenDocument(text);
        QVERIFY(view);
        QVERIFY(!view->GetDocument()->CurrentImage().IsValid());
        QVERIFY(frame.statusBar()->currentMessage().contains("notes.jpg"));
        // Nothing to turn or save in an empty window.
        QVERIFY(!frame.Action(cmd::Rotate180)->isEnabled());
        QVERIFY(!frame.Action(cmd::FileSave)->isEnabled());
        QVERIFY(frame.Action(cmd::FileClose)->isEnabled());
    }

    void commandsFollowTheActiveViewAndItsTool() {
        CMainFrame frame;
        frame.show();
        for (const CommandInfo& info : EditorViewCommands()) {
            QAction* action = frame.Action(info.id);
            QVERIFY(action);
            QCOMPARE(action->shortcuts().isEmpty(), QString(info.keys).isEmpty());
            for (const QKeySequence& key : action->shortcuts()) QVERIFY(!key.isEmpty());
        }
        // Without a document only the main window's own commands work.
        QVERIFY(frame.Action(cmd::FileOpen)->isEnabled());
        QVERIFY(!frame.Action(cmd::Rotate90Clockwise)->isEnabled());
        QVERIFY(!frame.Action(cmd::EditUndo)->isEnabled());
        QVERIFY(!frame.Action(cmd::ShowNextImage)->isEnabled());

        CeditorView* view = frame.AddDocument(MakeDocument(MakePattern(40, 30)));
        QVERIFY(frame.Action(cmd::Rotate90Clockwise)->isEnabled());
        QVERIFY(frame.Action(cmd::Resize)->isEnabled());
        QVERIFY(!frame.Action(cmd::EditUndo)->isEnabled());
        frame.Action(cmd::FlipHorizontal)->trigger();
        QVERIFY(frame.Action(cmd::EditUndo)->isEnabled());
        // No browser list: next and previous stay off.
        QVERIFY(!frame.Action(cmd::ShowNextImage)->isEnabled());

        auto owned = std::make_unique<FakeTool>();
        FakeTool* tool = owned.get();
        QVERIFY(view->StartTool(std::move(owned)));
        QVERIFY(tool->created);
        QCOMPARE(frame.ToolFrame(), static_cast<QMdiSubWindow*>(view->ChildFrame()));
        for (int id : {int(cmd::Rotate90Clockwise), int(cmd::Rotate180), int(cmd::FlipVertical), int(cmd::Resize),
                       int(cmd::ShowExifInfo), int(cmd::FileSave), int(cmd::FileSaveAs), int(cmd::FileClose),
                       int(cmd::FileOpen), int(cmd::WindowCascade), int(cmd::WindowTile)})
            QVERIFY2(!frame.Action(id)->isEnabled(), qPrintable(frame.Action(id)->text()));
        for (int id : {int(cmd::Zoom100), int(cmd::ZoomFit), int(cmd::ImprovementWizard), int(cmd::ZoomIn)})
            QVERIFY2(frame.Action(id)->isEnabled(), qPrintable(frame.Action(id)->text()));
        // Undo goes to the tool while it is active, and follows what the tool can do.
        QVERIFY(frame.Action(cmd::EditUndo)->isEnabled());
        frame.Action(cmd::EditUndo)->trigger();
        QCOMPARE(tool->undos, 1);
        QVERIFY(view->GetDocument()->CanUndo());  // the document's step is still there
        tool->canUndo = false;
        frame.UpdateCommandUI();
        QVERIFY(!frame.Action(cmd::EditUndo)->isEnabled());
        // A second tool does not start.
        QVERIFY(!view->StartTool(std::make_unique<FakeTool>()));
        // The window with the tool refuses to close.
        view->ChildFrame()->close();
        QVERIFY(view->ChildFrame()->isVisible());

        view->EndTool();
        QCOMPARE(tool->closed, 1);
        QVERIFY(!frame.ToolFrame());
        QVERIFY(frame.Action(cmd::Rotate90Clockwise)->isEnabled());
        QVERIFY(frame.Action(cmd::FileOpen)->isEnabled());
    }

    void theToolsWindowCannotBeLeft() {
        CMainFrame frame;
        frame.show();
        QVERIFY(QTest::qWaitForWindowExposed(&frame));
        CeditorView* first = frame.AddDocument(MakeDocument(MakePattern(30, 20)));
        CeditorView* second = frame.AddDocument(MakeDocument(MakePattern(20, 30)));
        QCOMPARE(frame.ActiveEditorView(), second);
        QVERIFY(second->StartTool(std::make_unique<FakeTool>()));
        frame.MdiArea()->setActiveSubWindow(first->ChildFrame());
        QTRY_COMPARE(frame.ActiveEditorView(), second);
        second->EndTool();
        frame.MdiArea()->setActiveSubWindow(first->ChildFrame());
        QCoreApplication::processEvents();
        QCOMPARE(frame.ActiveEditorView(), first);
    }

    void applyingAToolCommitsItsResultAsOneStep() {
        CMainFrame frame;
        CeditorView* view = frame.AddDocument(MakeDocument(MakePattern(40, 30)));
        auto owned = std::make_unique<FakeTool>();
        owned->resultWidth = 9;
        owned->resultHeight = 4;
        QVERIFY(view->StartTool(std::move(owned), true));
        QCOMPARE(view->DisplayModeValue(), int(CeditorView::kDrawPreviewCopy));
        view->ApplyToolResult();
        const ImagePlane image = view->GetDocument()->CurrentImage();
        QCOMPARE(image.width, 9);
        QCOMPARE(image.height, 4);
        QCOMPARE(int(image.Row(3)[8 * 3 + 2]), 30);
        QVERIFY(view->GetDocument()->IsModified());
        QVERIFY(!view->Tool());
        QVERIFY(!frame.ToolFrame());
        QCOMPARE(view->DisplayModeValue(), int(CeditorView::kDrawImage));
        frame.Action(cmd::EditUndo)->trigger();
        QCOMPARE(view->GetDocument()->CurrentImage().width, 40);
    }

    void fullScreenTwiceRestoresTheWindow() {
        CMainFrame frame;
        frame.setGeometry(60, 70, 640, 480);
        frame.show();
        QVERIFY(QTest::qWaitForWindowExposed(&frame));
        const QRect before = frame.geometry();
        const Qt::WindowFlags flags = frame.windowFlags();

        frame.Action(cmd::FullScreen)->trigger();
        QVERIFY(frame.IsFullScreen());
        QVERIFY(frame.windowFlags() & Qt::FramelessWindowHint);
        QTRY_VERIFY(frame.isMaximized());
        QVERIFY(frame.Action(cmd::FullScreen)->isChecked());

        frame.Action(cmd::FullScreen)->trigger();
        QVERIFY(!frame.IsFullScreen());
        QCOMPARE(frame.windowFlags(), flags);
        QTRY_VERIFY(!frame.isMaximized());
        QTRY_COMPARE(frame.geometry(), before);
        QVERIFY(frame.isVisible());
        QVERIFY(!frame.Action(cmd::FullScreen)->isChecked());
    }

    void histogramCommandShowsAndHides() {
        CMainFrame frame;
        frame.show();
        QVERIFY(!frame.HistogramWindow()->isVisible());
        frame.Action(cmd::Histogram)->trigger();
        QVERIFY(frame.HistogramWindow()->isVisible());
        QVERIFY(frame.Action(cmd::Histogram)->isChecked());
        frame.Action(cmd::Histogram)->trigger();
        QVERIFY(!frame.HistogramWindow()->isVisible());
        QVERIFY(!frame.Action(cmd::Histogram)->isChecked());
    }

    void editorKeysReachTheirCommands() {
        CMainFrame frame;
        frame.show();
        QVERIFY(QTest::qWaitForWindowExposed(&frame));
        CeditorView* view = frame.AddDocument(MakeDocument(MakePattern(40, 30)));
        view->setFocus();
        QTest::keyClick(view, Qt::Key_Semicolon, Qt::ControlModifier);
        QCOMPARE(view->GetDocument()->Ring().UndoDepth(), 1);
        QTest::keyClick(view, Qt::Key_BracketLeft, Qt::ControlModifier);
        QCOMPARE(view->GetDocument()->Ring().UndoDepth(), 2);
        QCOMPARE(view->GetDocument()->CurrentImage().width, 30);
        QTest::keyClick(view, Qt::Key_Z, Qt::ControlModifier);
        QCOMPARE(view->GetDocument()->CurrentImage().width, 40);
        QTest::keyClick(view, Qt::Key_Y, Qt::ControlModifier);
        QCOMPARE(view->GetDocument()->CurrentImage().width, 30);
        QTest::keyClick(view, Qt::Key_W, Qt::ControlModifier);  // not the window's own close
        QVERIFY(view->WizardPanel() && view->WizardPanel()->isVisible());
        QVERIFY(view->ChildFrame()->isVisible());
    }

    void helpOpensAtContextsAndItsLinksResolve() {
        CMainFrame frame;
        frame.show();
        for (QPushButton* button : frame.HistogramWindow()->findChildren<QPushButton*>())
            if (button->text() == "?") button->click();
        QVERIFY(frame.HelpWindow() && frame.HelpWindow()->isVisible());
        QCOMPARE(frame.HelpWindow()->Browser()->source().fileName(), QString("histogram.htm"));
        frame.Action(cmd::Help)->trigger();
        QCOMPARE(frame.HelpWindow()->Browser()->source().fileName(), QString("index.htm"));
        QCOMPARE(CHelpWindow::PageFor(9999), QString("index.htm"));

        // Every page link of the help pages leads to a page that exists.
        const QDir folder(CHelpWindow::HelpFolder());
        const QStringList pages = folder.entryList({"*.htm"});
        QVERIFY(pages.contains("index.htm"));
        for (const QString& page : pages) {
            QFile file(folder.filePath(page));
            QVERIFY(file.open(QIODevice::ReadOnly));
            QRegularExpressionMatchIterator links =
                QRegularExpression("href=\"([^\":]+)\"").globalMatch(QString::fromUtf8(file.readAll()));
            while (links.hasNext()) {
                const QString target = links.next().captured(1);
                QVERIFY2(folder.exists(target), qPrintable(page + " -> " + target));
            }
        }
    }

    void progressShowsInTheStatusBar() {
        CMainFrame frame;
        frame.show();
        CStatusProgress& progress = frame.Progress();
        progress.Start("Copying pictures", 12);
        QVERIFY(progress.Bar()->isVisible());
        QCOMPARE(progress.Bar()->maximum(), 12);
        QCOMPARE(frame.statusBar()->currentMessage(), QString("Copying pictures"));
        progress.SetPosition(5);
        QCOMPARE(progress.Bar()->value(), 5);
        progress.End();
        QVERIFY(!progress.Bar()->isVisible());
        QVERIFY(frame.statusBar()->currentMessage().isEmpty());
    }

    void keysHandedOverRunEnabledMenuCommands() {
        CMainFrame frame;
        CeditorView* view = frame.AddDocument(MakeDocument(MakePattern(40, 30)));
        QKeyEvent turn(QEvent::KeyPress, Qt::Key_BracketRight, Qt::ControlModifier);
        QVERIFY(frame.TranslateAccelerator(&turn));
        QCOMPARE(view->GetDocument()->CurrentImage().width, 30);
        QKeyEvent plain(QEvent::KeyPress, Qt::Key_A, Qt::NoModifier);
        QVERIFY(!frame.TranslateAccelerator(&plain));
        QVERIFY(view->StartTool(std::make_unique<FakeTool>()));
        QVERIFY(!frame.TranslateAccelerator(&turn));  // blocked by the tool
        QCOMPARE(view->GetDocument()->CurrentImage().width, 30);
        view->EndTool();
    }
};

QTEST_MAIN(TestMainFrame)
#include "test_mainframe.moc"
