// The histogram window: the cap rule and curve points, the curves it paints for a known
// picture, the zoom slider mapping, "+" and "-", and keys handed to the editor.
#include <QCheckBox>
#include <QLabel>
#include <QMdiArea>
#include <QPushButton>
#include <QSlider>
#include <QtTest>
#include <array>

#include "apptest.h"
#include "editor/commandtable.h"
#include "editor/editorview.h"
#include "editor/histogramdialog.h"
#include "shell/mainframe.h"

using namespace apptest;

class TestHistogram : public QObject {
    Q_OBJECT
    QTemporaryDir m_home;

    QPushButton* Button(CHistogramDialog* dialog, const QString& text) {
        for (QPushButton* button : dialog->findChildren<QPushButton*>())
            if (button->text() == text) return button;
        return nullptr;
    }

private slots:
    void initTestCase() { QVERIFY(UseProgramFolder(m_home)); }

    void capAndCurvePoints() {
        // A uniform grey 100 x 100 picture: 10,000 at level 128, capped at 1 % = 100.
        QCOMPARE(HistogramCap(10000, 100, 100), 100u);
        QCOMPARE(HistogramCap(30, 100, 100), 30u);
        QCOMPARE(HistogramCap(5, 9, 9), 0u);  // under 100 pixels: nothing to draw
        QCOMPARE(HistogramCap(7, 0, 0), 0u);

        std::array<float, 256> levels{};
        levels[128] = 10000;
        levels[10] = 25;   // a quarter of the cap: half the box height
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

    void paintsTheCheckedCurvesOfTheActivePicture() {
        CMainFrame frame;
        frame.show();
        CHistogramDialog* histogram = frame.HistogramWindow();
        histogram->show();
        QVERIFY(QTest::qWaitForWindowExposed(histogram));
        // Red 200 everywhere, blue 30 on the left half and 220 on the right, green 0.
        Pixels pixels = MakeUniform(200, 100, 30, 0, 200);
        for (int y = 0; y < 100; ++y)
            for (int x = 100; x < 200; ++x) pixels.At(x, y)[0] = 220;
        frame.AddDocument(MakeDocument(pixels));

        QWidget* box = histogram->HistogramBox();
        const QRect inner = box->rect().adjusted(1, 1, -1, -1);
        auto at = [&](int level) { return inner.x() + int(level * (inner.width() / 256.0)); };
        const QRgb white = qRgb(255, 255, 255);

        // At start only the average is drawn: spikes at 200 (red), 30 and 220 (blue), all
        // over the cap of 200 and so reaching the top; level 100 lies on the bottom line.
        QVERIFY(!histogram->CurveBox(CHistogramDialog::kRed)->isChecked());
        QVERIFY(histogram->CurveBox(CHistogramDialog::kAverage)->isChecked());
        QImage image = box->grab().toImage();
        QCOMPARE(image.pixel(at(200), inner.top()), qRgb(80, 80, 80));
        QCOMPARE(image.pixel(at(30), inner.top()), qRgb(80, 80, 80));
        QCOMPARE(image.pixel(at(100), inner.top()), white);
        QCOMPARE(image.pixel(at(100), inner.y() + inner.height() - 1), white);  // above the bottom line

        histogram->CurveBox(CHistogramDialog::kAverage)->setChecked(false);
        histogram->CurveBox(CHistogramDialog::kRed)->setChecked(true);
        histogram->CurveBox(CHistogramDialog::kBlue)->setChecked(true);
        image = box->grab().toImage();
        QCOMPARE(image.pixel(at(200), inner.top()), qRgb(255, 0, 0));
        QCOMPARE(image.pixel(at(220), inner.top()), qRgb(0, 0, 255));
        QCOMPARE(image.pixel(at(30), inner.top()), qRgb(0, 0, 255));
        QCOMPARE(image.pixel(at(128), inner.top()), white);

        // No active picture: an empty box.
        frame.MdiArea()->closeAllSubWindows();
        QCoreApplication::processEvents();
        image = box->grab().toImage();
        QCOMPARE(image.pixel(at(200), inner.top()), white);
        histogram->OnPlus();  // does nothing, and does not fail
    }

    void sliderAndButtonsSetTheZoom() {
        CMainFrame frame;
        frame.show();
        CHistogramDialog* histogram = frame.HistogramWindow();
        CeditorView* view = frame.AddDocument(MakeDocument(MakePattern(64, 64)));
        QSlider* slider = histogram->ZoomSlider();
        QCOMPARE(slider->minimum(), 150);
        QCOMPARE(slider->maximum(), 1000);

        slider->setValue(500);
        QVERIFY(std::abs(view->Zoom() - 0.42497) < 1e-5);
        QCOMPARE(histogram->ZoomLabel()->text(), QString("42.50 %"));
        QVERIFY(!view->FastDrawing());  // a move in one go ends at once

        view->SetZoom(1);
        QCOMPARE(slider->value(), 625);
        QCOMPARE(histogram->ZoomLabel()->text(), QString("100.00 %"));

        QPushButton* plus = Button(histogram, "+");
        QPushButton* minus = Button(histogram, "-");
        QVERIFY(plus && minus);
        minus->click();
        QCOMPARE(view->Zoom(), 0.6667);
        QCOMPARE(histogram->ZoomLabel()->text(), QString("66.67 %"));
        plus->click();
        QCOMPARE(view->Zoom(), 1.0);
        view->SetZoom(0.7);
        plus->click();
        QCOMPARE(view->Zoom(), 1.0);
        view->SetZoom(0.02);
        minus->click();
        QCOMPARE(view->Zoom(), 0.02);
        view->SetZoom(20);
        minus->click();
        QCOMPARE(view->Zoom(), 12.0);
        QCOMPARE(slider->value(), viewlayout::ZoomToSlider(12));

        // Ctrl+minus in the main window is the same step.
        frame.Action(cmd::ZoomOut)->trigger();
        QCOMPARE(view->Zoom(), 8.0);
    }

    void keysTypedInTheWindowReachTheEditor() {
        CMainFrame frame;
        frame.show();
        CHistogramDialog* histogram = frame.HistogramWindow();
        histogram->show();
        QVERIFY(QTest::qWaitForWindowExposed(histogram));
        CeditorView* view = frame.AddDocument(MakeDocument(MakePattern(64, 32)));
        QCheckBox* red = histogram->CurveBox(CHistogramDialog::kRed);

        // Space pans the view; the check box under the focus does not toggle.
        QTest::keyPress(red, Qt::Key_Space);
        QVERIFY(view->SpaceHeld());
        QTest::keyRelease(red, Qt::Key_Space);
        QVERIFY(!view->SpaceHeld());
        QVERIFY(!red->isChecked());

        // Menu shortcuts work from here.
        QTest::keyClick(histogram->ZoomSlider(), Qt::Key_BracketRight, Qt::ControlModifier);
        QCOMPARE(view->GetDocument()->CurrentImage().width, 32);
    }
};

QTEST_MAIN(TestHistogram)
#include "test_histogram.moc"
