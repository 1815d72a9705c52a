// The main window and its histogram window: editor windows sized around the picture,
// command enabling with and without a tool, the tool's window that cannot be left, full
// screen, help and keys from every window; the histogram's cap rule and curve points, the
// curves it paints and its zoom slider.
#include <QCheckBox>
#include <QKeyEvent>
#include <QLabel>
#include <QMdiArea>
#include <QPushButton>
#include <QRegularExpression>
#include <QSlider>
#include <QStatusBar>
#include <QTextBrowser>
#include <QtTest>
#include <array>

#include "apptest.h"
#include "editor/childframe.h"
#include "editor/commandtable.h"
#include "editor/editorview.h"
#include "editor/histogramdialog.h"
#include "shell/helpwindow.h"

using namespace apptest;

namespace {

QPushButton* Button(QWidget* window, const QString& text) {
    for (QPushButton* button : window->findChildren<QPushButton*>())
        if (button->text() == text) return button;
    return nullptr;
}

}  // namespace

class TestMainFrame : public QObject {
    Q_OBJECT
    QTemporaryDir m_home;

private slots:
    void initTestCase() { QVERIFY(UseProgramFolder(m_home)); }

    void opensJpegsInWindowsSizedToThePicture() {
        QTemporaryDir dir;
        const QString path = dir.filePath("gradient.jpg"), text = dir.filePath("notes.jpg");
        QVERIFY(WriteJpeg(path, MakePattern(237, 121)));
        QFile file(text);
        QVERIFY(file.open(QIODevice::WriteOnly) && file.write("this is not a picture\n") > 0);
        file.close();

        CMainFrame frame;
        frame.show();
        QVERIFY(QTest::qWaitForWindowExposed(&frame));
        CeditorView* view = frame.OpenDocument(path);
        QVERIFY(view);
        QCOMPARE(frame.MdiArea()->subWindowList().size(), 1);
        QCOMPARE(view->ChildFrame()->windowTitle(), QString("gradient.jpg"));
        QCOMPARE(frame.ActiveEditorView(), view);
        // A picture smaller than the window is shown pixel for pixel in a client area of its size.
        QCOMPARE(view->viewport()->size(), QSize(237, 121));
        view->RenderImage();
        QCOMPARE(view->Zoom(), 1.0);

        // A file that is no JPEG opens empty and says so; there is nothing to turn or save.
        view = frame.OpenDocument(text);
        QVERIFY(view && !view->GetDocument()->CurrentImage().IsValid());
        QVERIFY(frame.statusBar()->currentMessage().contains("notes.jpg"));
        QCOMPARE(NotInState(frame, {cmd::Rotate180, cmd::FileSave}, false), QStringList());
        QVERIFY(frame.Action(cmd::FileClose)->isEnabled());
    }

    void commandsFollowTheActiveViewAndItsTool() {
        QTemporaryDir dir;
        const QString picture = dir.filePath("p.jpg");
        QVERIFY(WriteJpeg(picture, MakePattern(40, 30)));
        CMainFrame frame;
        frame.show();
        // Without a document only the main window's own commands work.
        QVERIFY(frame.Action(cmd::FileOpen)->isEnabled());
        QCOMPARE(NotInState(frame, {cmd::Rotate90Clockwise, cmd::EditUndo, cmd::ShowNextImage}, false), QStringList());

        CeditorView* view = frame.OpenDocument(picture);
        const std::initializer_list<int> blocked = {
            cmd::Rotate90Clockwise, cmd::Rotate180,  cmd::FlipVertical, cmd::Resize,      cmd::FileSave,
            cmd::FileSaveAs,        cmd::FileClose,  cmd::FileOpen,     cmd::WindowCascade, cmd::WindowTile,
            cmd::FileRecent1,       cmd::WindowArrange};
        QCOMPARE(NotInState(frame, blocked, true), QStringList());
        // Nothing to undo yet, and no browser list: next and previous stay off.
        QCOMPARE(NotInState(frame, {cmd::EditUndo, cmd::ShowNextImage}, false), QStringList());
        frame.Action(cmd::FlipHorizontal)->trigger();
        QVERIFY(frame.Action(cmd::EditUndo)->isEnabled());

        auto owned = std::make_unique<FakeTool>();
        FakeTool* tool = owned.get();
        QVERIFY(view->StartTool(std::move(owned)));
        QVERIFY(tool->created);
        QCOMPARE(frame.ToolFrame(), static_cast<QMdiSubWindow*>(view->ChildFrame()));
        QCOMPARE(NotInState(frame, blocked, false), QStringList());
        QCOMPARE(NotInState(frame, {cmd::ShowExifInfo}, false), QStringList());
        QCOMPARE(NotInState(frame, {cmd::Zoom100, cmd::ZoomFit, cmd::ImprovementWizard, cmd::ZoomIn}, true),
                 QStringList());
        frame.OpenRecentFile(0);  // reached anyway: still nothing opens
        QCOMPARE(frame.MdiArea()->subWindowList().size(), 1);
        // Undo goes to the tool while it is active, and follows what the tool can do.
        QVERIFY(frame.Action(cmd::EditUndo)->isEnabled());
        frame.Action(cmd::EditUndo)->trigger();
        QCOMPARE(tool->undos, 1);
        QVERIFY(view->GetDocument()->CanUndo());  // the document's step is still there
        tool->canUndo = false;
        frame.UpdateCommandUI();
        QVERIFY(!frame.Action(cmd::EditUndo)->isEnabled());
        // A second tool does not start, the window with the tool refuses to close, and keys
        // handed over from other windows are blocked too.
        QVERIFY(!view->StartTool(std::make_unique<FakeTool>()));
        view->ChildFrame()->close();
        QVERIFY(view->ChildFrame()->isVisible());
        QKeyEvent turn(QEvent::KeyPress, Qt::Key_BracketRight, Qt::ControlModifier);
        QVERIFY(!frame.TranslateAccelerator(&turn));
        QCOMPARE(ImageSize(view->GetDocument()), QSize(40, 30));

        view->EndTool();
        QCOMPARE(tool->closed, 1);
        QVERIFY(!frame.ToolFrame());
        QCOMPARE(NotInState(frame, blocked, true), QStringList());
        QVERIFY(frame.TranslateAccelerator(&turn));
        QCOMPARE(ImageSize(view->GetDocument()), QSize(30, 40));
        QKeyEvent plain(QEvent::KeyPress, Qt::Key_A, Qt::NoModifier);
        QVERIFY(!frame.TranslateAccelerator(&plain));
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
        auto tool = std::make_unique<FakeTool>();
        tool->resultWidth = 9;
        tool->resultHeight = 4;
        QVERIFY(view->StartTool(std::move(tool), true));
        QCOMPARE(view->DisplayModeValue(), int(CeditorView::kDrawPreviewCopy));
        view->ApplyToolResult();
        QCOMPARE(ImageSize(view->GetDocument()), QSize(9, 4));
        QCOMPARE(int(view->GetDocument()->CurrentImage().Row(3)[8 * 3 + 2]), 30);
        QVERIFY(view->GetDocument()->IsModified());
        QVERIFY(!view->Tool());
        QVERIFY(!frame.ToolFrame());
        QCOMPARE(view->DisplayModeValue(), int(CeditorView::kDrawImage));
        frame.Action(cmd::EditUndo)->trigger();
        QCOMPARE(ImageSize(view->GetDocument()), QSize(40, 30));
    }

    void fullScreenTwiceRestoresTheWindow() {
        CMainFrame frame;
        frame.setGeometry(60, 70, 640, 480);
        frame.show();
        QVERIFY(QTest::qWaitForWindowExposed(&frame));
        const QRect before = frame.geometry();
        const Qt::WindowFlags flags = frame.windowFlags();
        QAction* fullScreen = frame.Action(cmd::FullScreen);
        fullScreen->trigger();
        QVERIFY(frame.IsFullScreen() && fullScreen->isChecked());
        QVERIFY(frame.windowFlags() & Qt::FramelessWindowHint);
        QTRY_VERIFY(frame.isMaximized());
        fullScreen->trigger();
        QVERIFY(!frame.IsFullScreen() && !fullScreen->isChecked());
        QCOMPARE(frame.windowFlags(), flags);
        QTRY_VERIFY(!frame.isMaximized());
        QTRY_COMPARE(frame.geometry(), before);
        QVERIFY(frame.isVisible());
    }

    void keysReachTheirCommandsFromTheEditorAndTheHistogram() {
        CMainFrame frame;
        frame.show();
        QVERIFY(QTest::qWaitForWindowExposed(&frame));
        CeditorView* view = frame.AddDocument(MakeDocument(MakePattern(40, 30)));
        CeditorDoc* doc = view->GetDocument();
        view->setFocus();
        QTest::keyClick(view, Qt::Key_Semicolon, Qt::ControlModifier);
        QCOMPARE(doc->Ring().UndoDepth(), 1);
        QTest::keyClick(view, Qt::Key_BracketLeft, Qt::ControlModifier);
        QCOMPARE(ImageSize(doc), QSize(30, 40));
        QTest::keyClick(view, Qt::Key_Z, Qt::ControlModifier);
        QCOMPARE(ImageSize(doc), QSize(40, 30));
        QTest::keyClick(view, Qt::Key_Y, Qt::ControlModifier);
        QCOMPARE(ImageSize(doc), QSize(30, 40));
        QTest::keyClick(view, Qt::Key_Backspace, Qt::AltModifier);  // undo's second key
        QCOMPARE(ImageSize(doc), QSize(40, 30));
        QVERIFY(frame.Action(cmd::EditRedo)->isEnabled());
        QTest::keyClick(view, Qt::Key_Semicolon, Qt::ControlModifier);  // a new step drops the redo
        QVERIFY(!frame.Action(cmd::EditRedo)->isEnabled());

        // In the histogram window space pans the view (the check box under the focus does
        // not toggle) and menu shortcuts work.
        CHistogramDialog* histogram = frame.HistogramWindow();
        histogram->show();
        QVERIFY(QTest::qWaitForWindowExposed(histogram));
        QCheckBox* red = histogram->CurveBox(CHistogramDialog::kRed);
        QTest::keyPress(red, Qt::Key_Space);
        QVERIFY(view->SpaceHeld());
        QTest::keyRelease(red, Qt::Key_Space);
        QVERIFY(!view->SpaceHeld());
        QVERIFY(!red->isChecked());
        QTest::keyClick(histogram->ZoomSlider(), Qt::Key_BracketRight, Qt::ControlModifier);
        QCOMPARE(ImageSize(doc), QSize(30, 40));

        view->setFocus();
        QTest::keyClick(view, Qt::Key_W, Qt::ControlModifier);  // not the window's own close
        QVERIFY(view->WizardPanel() && view->WizardPanel()->isVisible());
        QVERIFY(view->ChildFrame()->isVisible());
    }

    void helpOpensAtContextsAndItsLinksResolve() {
        CMainFrame frame;
        frame.show();
        QPushButton* help = Button(frame.HistogramWindow(), "?");
        QVERIFY(help);
        help->click();
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

    void histogramCapAndCurvePoints() {
        // A uniform grey 100 x 100 picture: 10,000 at level 128, capped at 1 % = 100.
        QCOMPARE(HistogramCap(10000, 100, 100), 100u);
        QCOMPARE(HistogramCap(30, 100, 100), 30u);
        QCOMPARE(HistogramCap(5, 9, 9), 0u);  // under 100 pixels: nothing to draw
        QCOMPARE(HistogramCap(7, 0, 0), 0u);

        std::array<float, 256> levels{};
        levels[128] = 10000;
        levels[10] = 25;  // a quarter of the cap: half the box height
        levels[11] = 1;
        const QRect box(1, 1, 512, 100);
        const QPolygon points = HistogramCurve(levels.data(), box, 100);
        QCOMPARE(points.size(), 256);
        QCOMPARE(points[0], QPoint(1, 101));
        QCOMPARE(points[128], QPoint(1 + 256, 1));  // clipped to the top
        QCOMPARE(points[10], QPoint(21, 51));
        QCOMPARE(points[11], QPoint(23, 99));
        QCOMPARE(points[255], QPoint(1 + 510, 101));
        QVERIFY(HistogramCurve(levels.data(), box, 0).isEmpty());
    }

    void histogramPaintsTheCheckedCurvesOfTheActivePicture() {
        CMainFrame frame;
        frame.show();
        CHistogramDialog* histogram = frame.HistogramWindow();
        histogram->show();
        QVERIFY(QTest::qWaitForWindowExposed(histogram));
        // Red 200 everywhere, blue 30 on the left half and 220 on the right, green 0.
        frame.AddDocument(MakeDocument(MakePixels(200, 100, [](int x, int) {
            return std::array<int, 3>{x < 100 ? 30 : 220, 0, 200};
        })));
        QWidget* box = histogram->HistogramBox();
        const QRect inner = box->rect().adjusted(1, 1, -1, -1);
        const int top = inner.top();
        auto at = [&](int level) { return inner.x() + int(level * (inner.width() / 256.0)); };
        const QRgb white = qRgb(255, 255, 255);

        // At start only the average is drawn: spikes at 200 (red), 30 and 220 (blue), all
        // over the cap of 200 and so reaching the top; level 100 lies on the bottom line.
        QVERIFY(!histogram->CurveBox(CHistogramDialog::kRed)->isChecked());
        QVERIFY(histogram->CurveBox(CHistogramDialog::kAverage)->isChecked());
        QImage image = box->grab().toImage();
        QCOMPARE(image.pixel(at(200), top), qRgb(80, 80, 80));
        QCOMPARE(image.pixel(at(30), top), qRgb(80, 80, 80));
        QCOMPARE(image.pixel(at(100), top), white);
        QCOMPARE(image.pixel(at(100), inner.y() + inner.height() - 1), white);  // above the bottom line

        histogram->CurveBox(CHistogramDialog::kAverage)->setChecked(false);
        histogram->CurveBox(CHistogramDialog::kRed)->setChecked(true);
        histogram->CurveBox(CHistogramDialog::kBlue)->setChecked(true);
        image = box->grab().toImage();
        QCOMPARE(image.pixel(at(200), top), qRgb(255, 0, 0));
        QCOMPARE(image.pixel(at(220), top), qRgb(0, 0, 255));
        QCOMPARE(image.pixel(at(30), top), qRgb(0, 0, 255));
        QCOMPARE(image.pixel(at(128), top), white);

        // No active picture: an empty box.
        frame.MdiArea()->closeAllSubWindows();
        QCoreApplication::processEvents();
        QCOMPARE(box->grab().toImage().pixel(at(200), top), white);
        histogram->OnPlus();  // does nothing, and does not fail
    }

    void histogramSliderAndButtonsSetTheZoom() {
        CMainFrame frame;
        frame.show();
        CHistogramDialog* histogram = frame.HistogramWindow();
        CeditorView* view = frame.AddDocument(MakeDocument(MakePattern(64, 64)));
        QSlider* slider = histogram->ZoomSlider();
        QPushButton *plus = Button(histogram, "+"), *minus = Button(histogram, "-");
        QVERIFY(plus && minus);
        QCOMPARE(slider->minimum(), 150);
        slider->setValue(500);
        QVERIFY(std::abs(view->Zoom() - 0.42497) < 1e-5);
        QCOMPARE(histogram->ZoomLabel()->text(), QString("42.50 %"));
        QVERIFY(!view->FastDrawing());  // a move in one go ends at once
        view->SetZoom(1);
        QCOMPARE(slider->value(), 625);
        minus->click();
        QCOMPARE(view->Zoom(), 0.6667);
        QCOMPARE(histogram->ZoomLabel()->text(), QString("66.67 %"));
        plus->click();
        QCOMPARE(view->Zoom(), 1.0);
        frame.Action(cmd::ZoomOut)->trigger();
        QCOMPARE(view->Zoom(), 0.6667);
    }
};

QTEST_MAIN(TestMainFrame)
#include "test_mainframe.moc"
