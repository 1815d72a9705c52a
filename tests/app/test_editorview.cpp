// The editor view: fit and zoom steps, what the painting shows (background grey, 1:1 copy,
// nearest-neighbour stretch, display and preview copies, a tool's preview image), panning
// by drag and with space under a tool, the scroll bars, the wheel over a picture list with
// the discard question, and the wizard's actions.
#include <QPushButton>
#include <QScrollBar>
#include <QTextBrowser>
#include <QWheelEvent>
#include <QtTest>
#include <cmath>

#include "apptest.h"
#include "editor/childframe.h"
#include "editor/commandtable.h"
#include "editor/editorview.h"
#include "settings/settings.h"

using namespace apptest;

namespace {

// A standalone view whose client area is exactly `client`.
std::unique_ptr<CeditorView> MakeView(Pixels pixels, QSize client) {
    auto view = std::make_unique<CeditorView>(nullptr, MakeDocument(std::move(pixels)));
    const int border = 2 * view->frameWidth();
    view->resize(client + QSize(border, border));
    view->show();
    if (!QTest::qWaitForWindowExposed(view.get())) return nullptr;
    view->SetFastDrawing(false);  // as if the window had stopped changing size
    return view;
}

QRgb Bgr(const uint8_t* px) { return qRgb(px[2], px[1], px[0]); }

void SendWheel(QWidget* target, int delta) {
    QWheelEvent wheel(QPointF(10, 10), target->mapToGlobal(QPointF(10, 10)), QPoint(), QPoint(0, delta), Qt::NoButton,
                      Qt::NoModifier, Qt::NoScrollPhase, false);
    QApplication::sendEvent(target, &wheel);
}

void Drag(QWidget* port, QPoint from, QPoint to) {
    QTest::mousePress(port, Qt::LeftButton, Qt::NoModifier, from);
    QTest::mouseMove(port, to);
    QTest::mouseRelease(port, Qt::LeftButton, Qt::NoModifier, to);
}

}  // namespace

class TestEditorView : public QObject {
    Q_OBJECT
    QTemporaryDir m_home;

private slots:
    void initTestCase() { QVERIFY(UseProgramFolder(m_home)); }

    void fitsOnceAndStepsThroughTheZoomTable() {
        auto view = MakeView(MakeUniform(4000, 3000, 1, 2, 3), QSize(1000, 600));
        QVERIFY(view);
        view->ZoomToFit();
        QCOMPARE(view->Zoom(), 0.0);  // the fit is made by the next drawing
        view->RenderImage();
        QCOMPARE(view->Zoom(), 0.2);
        QCOMPARE(view->CurrentLayout().dstX, 100);
        QVERIFY(view->horizontalScrollBar()->maximum() == 0 && view->verticalScrollBar()->maximum() == 0);
        view->ZoomStep(true);
        QCOMPARE(view->Zoom(), viewlayout::ZoomIn(0.2));
        view->ZoomStep(false);
        QCOMPARE(view->Zoom(), viewlayout::ZoomOut(viewlayout::ZoomIn(0.2)));
    }

    void drawsTheGreyAndCopiesPixelForPixelAtZoomOne() {
        Pixels pixels = MakePattern(50, 40);
        auto view = MakeView(pixels, QSize(100, 80));
        QVERIFY(view);
        CSettings::Get().WindowColor = 37;
        view->ZoomTo100();
        // Through the real paint path, as the window shows it.
        const QImage shown = view->viewport()->grab().toImage();
        CSettings::Get().WindowColor = 100;
        QCOMPARE(shown.size(), QSize(100, 80));
        for (QPoint grey : {QPoint(0, 0), QPoint(99, 79), QPoint(24, 40)})
            QCOMPARE(shown.pixel(grey), qRgb(37, 37, 37));
        for (int y = 0; y < 40; ++y)
            for (int x = 0; x < 50; ++x) QCOMPARE(shown.pixel(25 + x, 20 + y), Bgr(pixels.At(x, y)));
    }

    void stretchesAndCutsAtTheWindowEdge() {
        Pixels large = MakePattern(100, 100);
        auto view = MakeView(large, QSize(50, 50));
        QVERIFY(view);
        view->SetZoom(3);
        view->SetViewCentre(QPointF(50, 50));
        const viewlayout::Layout layout = view->CurrentLayout();
        QVERIFY(layout.dstWidth > 50);
        const QImage cut = view->RenderImage();
        for (int y = 0; y < 50; ++y)
            for (int x = 0; x < 50; ++x)
                QCOMPARE(cut.pixel(x, y),
                         Bgr(large.At(layout.srcX + (x - layout.dstX) / 3, layout.srcY + (y - layout.dstY) / 3)));
    }

    void paintsTheCopiesAndAToolsPreviewByDisplayMode() {
        Pixels pixels = MakePattern(64, 48);
        auto view = MakeView(pixels, QSize(128, 96));
        QVERIFY(view);
        view->RenderImage();  // fit: zoom 2
        view->RebuildDisplayCopies();
        const ImagePlane display = view->DisplayCopy(), preview = view->PreviewCopy();
        QCOMPARE(QSize(display.width, display.height), QSize(128, 96));
        QCOMPARE(Bgr(display.Row(95) + 127 * 3), Bgr(pixels.At(63, 47)));
        QCOMPARE(std::memcmp(display.data, preview.data, display.SizeInBytes()), 0);
        const QRgb document = Bgr(pixels.At(2, 2));

        // The preview copy is what an adjustment writes; mode 2 shows it, mode 1 the display
        // copy, and fast drawing (a pan or zoom in progress) the document itself.
        std::memset(preview.data, 200, preview.SizeInBytes());
        view->SetDisplayMode(CeditorView::kDrawPreviewCopy);
        QCOMPARE(view->RenderImage().pixel(5, 5), qRgb(200, 200, 200));
        view->SetFastDrawing(true);
        QCOMPARE(view->RenderImage().pixel(5, 5), document);
        view->SetFastDrawing(false);
        view->SetDisplayMode(CeditorView::kDrawDisplayCopy);
        QCOMPARE(view->RenderImage().pixel(5, 5), document);
        view->SetDisplayMode(CeditorView::kDrawImage);

        // A tool's full-size preview image replaces the document, unless a view-dependent
        // tool's preview is being followed by a fast drawing.
        Pixels other = MakeUniform(64, 48, 9, 8, 7);
        auto tool = std::make_unique<FakeTool>();
        tool->viewDependent = true;
        QVERIFY(view->StartTool(std::move(tool)));
        const ImagePlane otherPlane = other.Plane();
        view->SetPreviewImage(&otherPlane);
        QCOMPARE(view->RenderImage().pixel(5, 5), qRgb(7, 8, 9));
        view->SetFastDrawing(true);
        QCOMPARE(view->RenderImage().pixel(5, 5), document);
        view->SetFastDrawing(false);
        view->EndTool();
        QCOMPARE(view->RenderImage().pixel(5, 5), document);
    }

    void panningByDragAndWithSpaceUnderATool() {
        auto view = MakeView(MakePattern(400, 400), QSize(100, 100));
        QVERIFY(view);
        // Without scroll bars the client area stays 100 x 100 and the centres whole numbers.
        view->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
        view->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
        view->SetZoom(1);
        view->SetViewCentre(QPointF(200, 200));
        QWidget* port = view->viewport();
        Drag(port, {50, 50}, {30, 40});
        // The image follows the pointer: the centre moves the other way.
        QCOMPARE(view->ViewCentre(), QPointF(220, 210));
        QVERIFY(!view->FastDrawing());

        auto owned = std::make_unique<FakeTool>();
        FakeTool* tool = owned.get();
        QVERIFY(view->StartTool(std::move(owned)));
        Drag(port, {50, 50}, {20, 20});
        QCOMPARE(tool->buttonDowns, 1);
        QCOMPARE(tool->lastDown, QPoint(50, 50));
        QCOMPARE(view->ViewCentre(), QPointF(220, 210));

        view->setFocus();
        QTest::keyPress(view.get(), Qt::Key_Space);
        QVERIFY(view->SpaceHeld());
        Drag(port, {50, 50}, {60, 70});
        QCOMPARE(tool->buttonDowns, 1);
        QCOMPARE(view->ViewCentre(), QPointF(210, 190));
        QTest::keyRelease(view.get(), Qt::Key_Space);
        QVERIFY(!view->SpaceHeld());
        // After the pan the mouse is the tool's again, and moving it pans nothing.
        QTest::mouseMove(port, QPoint(10, 10));
        QCOMPARE(view->ViewCentre(), QPointF(210, 190));
        view->EndTool();
    }

    void scrollBarsFollowTheCentre() {
        auto view = MakeView(MakePattern(300, 200), QSize(100, 100));
        QVERIFY(view);
        view->SetZoom(1);
        view->SetViewCentre(QPointF(150, 100));
        QCoreApplication::processEvents();  // the bars appear and the client area shrinks
        view->SetViewCentre(QPointF(150, 100));
        const QSize client = view->viewport()->size();
        QScrollBar* bar = view->horizontalScrollBar();
        QCOMPARE(bar->maximum(), 300 - client.width());
        QCOMPARE(bar->value(), int(std::lround(150 - client.width() / 2.0)));
        bar->setValue(0);
        QCOMPARE(view->ViewCentre().x(), client.width() / 2.0);
        QCOMPARE(view->CurrentLayout().srcX, 0);
        view->ZoomToFit();
        view->RenderImage();
        QCOMPARE(bar->maximum(), 0);
    }

    void wheelWalksTheListAndAsksBeforeDiscarding() {
        QTemporaryDir dir;
        FakeList list;
        for (int i = 0; i < 3; ++i) {
            const QString path = dir.filePath(QString("p%1.jpg").arg(i));
            QVERIFY(WriteJpeg(path, MakeUniform(20 + i, 10, 50, 50, 50)));
            list.paths.push_back(path.toStdString());
        }
        CMainFrame frame;
        frame.show();
        CeditorView* view = frame.OpenDocument(QString::fromStdString(list.paths[0]));
        frame.SetImageList(&list);
        QVERIFY(!frame.Action(cmd::ShowNextImage)->isEnabled());  // not opened from the list
        list.index = 0;
        frame.UpdateCommandUI();
        QVERIFY(frame.Action(cmd::ShowNextImage)->isEnabled());
        QVERIFY(!frame.Action(cmd::ShowPreviousImage)->isEnabled());

        SendWheel(view->viewport(), -120);  // toward the user: the next picture
        QCOMPARE(list.index, 1);
        QCOMPARE(view->GetDocument()->CurrentImage().width, 21);
        QCOMPARE(view->ChildFrame()->windowTitle(), QString("p1.jpg"));

        view->OnCommand(cmd::FlipHorizontal);
        WhenModal([](QWidget* modal) {
            auto* box = qobject_cast<QMessageBox*>(modal);
            QVERIFY(box);
            QCOMPARE(box->text(),
                     QString("The image has been modified. Do you want to discard changes done to the image?"));
            QCOMPARE(box->defaultButton()->text(), QString("Discard"));
            for (QAbstractButton* button : box->buttons())
                if (button->text() == "Cancel") button->click();
        });
        SendWheel(view->viewport(), -120);
        QCOMPARE(list.index, 1);
        QVERIFY(view->GetDocument()->IsModified());

        WhenModal([](QWidget* modal) { qobject_cast<QMessageBox*>(modal)->defaultButton()->click(); });
        SendWheel(view->viewport(), 120);  // away from the user: the previous picture
        QCOMPARE(list.index, 0);
        QCOMPARE(view->GetDocument()->CurrentImage().width, 20);
        QVERIFY(!view->GetDocument()->IsModified());
        frame.SetImageList(nullptr);
    }

    void wizardActionsRunCommandsUnlessAToolIsActive() {
        auto view = MakeView(MakePattern(30, 20), QSize(60, 60));
        QVERIFY(view);
        view->OnCommand(cmd::ImprovementWizard);
        QWidget* panel = view->WizardPanel();
        QVERIFY(panel && panel->isVisible());
        QVERIFY(static_cast<CHtmlWindow*>(panel)->Browser()->toHtml().contains("action:-90"));

        view->OnAction("action:-90");
        QCOMPARE(view->GetDocument()->CurrentImage().width, 20);
        view->OnAction("ACTION:+90");
        QCOMPARE(view->GetDocument()->CurrentImage().width, 30);
        view->OnAction("action:zoom100");
        QCOMPARE(view->Zoom(), 1.0);
        QVERIFY(view->StartTool(std::make_unique<FakeTool>()));
        view->OnAction("action:180");
        QCOMPARE(view->GetDocument()->Ring().UndoDepth(), 2);
        view->EndTool();
        view->OnAction("action:180");
        QCOMPARE(view->GetDocument()->Ring().UndoDepth(), 3);
    }
};

QTEST_MAIN(TestEditorView)
#include "test_editorview.moc"
