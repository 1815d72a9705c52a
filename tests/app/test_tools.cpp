// The editor view's tools driven by real mouse and key events: the crop frame's drag
// rules and typed sizes, the straightening line with its one or two undo steps, a red-eye
// click checked against the engine, and what a running tool blocks and how it cancels.
#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QtTest>
#include <cmath>
#include <cstring>

#include "apptest.h"
#include "detail/redeye.h"
#include "editor/commandtable.h"
#include "editor/editorview.h"
#include "geometry/rotate.h"
#include "tools/croptool.h"
#include "tools/redeyetool.h"
#include "tools/photofilterstool.h"
#include "tools/rotatetool.h"
#include "tools/whitebalancetool.h"

using namespace apptest;
using geometry::CCropToolModel;
using geometry::CropRect;

namespace {

// The window point of the image point (x, y), rounded as a mouse event carries it.
QPoint At(CeditorView& view, double x, double y) {
    return view.ImageToWindow(QPointF(x, y)).toPoint();
}

void Drag(CeditorView& view, QPoint from, QPoint to) {
    QWidget* port = view.viewport();
    QTest::mousePress(port, Qt::LeftButton, Qt::NoModifier, from);
    QTest::mouseMove(port, to);
    QTest::mouseRelease(port, Qt::LeftButton, Qt::NoModifier, to);
}

bool SamePixels(const ImagePlane& a, const ImagePlane& b) {
    if (a.width != b.width || a.height != b.height) return false;
    for (int y = 0; y < a.height; ++y)
        if (std::memcmp(a.Row(y), b.Row(y), static_cast<size_t>(a.width) * 3) != 0) return false;
    return true;
}

// Skin with a faint fixed texture and a red pupil of radius r in a dark iris at (cx, cy).
Pixels MakeEyePicture(int width, int height, int cx, int cy, int r) {
    return MakePixels(width, height, [=](int x, int y) {
        const int d2 = (x - cx) * (x - cx) + (y - cy) * (y - cy);
        if (d2 <= r * r) return std::array<int, 3>{50, 45, 215};
        if (d2 <= 4 * r * r) return std::array<int, 3>{40, 55, 70};
        const int n = (x * 7 + y * 13) % 7 - 3;
        return std::array<int, 3>{145 + n, 165 + n, 205 + n};
    });
}

template <class Tool>
Tool* StartedTool(CeditorView& view, int command) {
    view.OnCommand(command);
    return dynamic_cast<Tool*>(view.Tool());
}

}  // namespace

class TestTools : public QObject {
    Q_OBJECT
    QTemporaryDir m_home;

private slots:
    void initTestCase() { QVERIFY(UseProgramFolder(m_home)); }

    void cropFrameFollowsTheDragRulesAndCommitsOneStep() {
        Pixels pixels = MakePattern(200, 150);
        auto view = MakeFittedView(pixels, QSize(400, 300));  // fit zoom 2
        QVERIFY(view);
        auto* crop = StartedTool<CCropTool>(*view, cmd::Crop);
        QVERIFY(crop);
        CCropToolModel& model = crop->Model();
        // The frame starts a tenth inside the shown picture; "Normal" disables the numbers.
        QCOMPARE(model.Rect(), (CropRect{20, 15, 180, 135}));
        QVERIFY(!crop->WidthEdit()->isEnabled() && !crop->SwapButton()->isEnabled());

        // Corner to the pointer; an edge dragged past its opposite stops one pixel before it;
        // the inside moves the frame, which stays inside the picture.
        Drag(*view, At(*view, 20, 15), At(*view, 10, 30));
        QCOMPARE(model.Rect(), (CropRect{10, 30, 180, 135}));
        Drag(*view, At(*view, 10, 80), At(*view, 190, 80));
        QCOMPARE(model.Rect(), (CropRect{179, 30, 180, 135}));
        Drag(*view, At(*view, 179, 80), At(*view, 60, 80));
        QCOMPARE(model.Rect(), (CropRect{60, 30, 180, 135}));
        Drag(*view, At(*view, 100, 100), At(*view, 100 - 200, 100));
        QCOMPARE(model.Rect(), (CropRect{0, 30, 120, 135}));

        // A print format keeps its proportions at nearest-pixel rounding while a corner is
        // dragged, the opposite corner staying; Swap turns it to landscape.
        crop->ModeBox()->setCurrentIndex(3);
        emit crop->ModeBox()->activated(3);
        QCOMPARE(crop->WidthEdit()->text(), QString("4"));
        QCOMPARE(crop->HeightEdit()->text(), QString("6"));
        QVERIFY(crop->WidthEdit()->isEnabled());
        QTest::mouseClick(crop->SwapButton(), Qt::LeftButton);
        QCOMPARE(crop->WidthEdit()->text(), QString("6"));
        QCOMPARE(crop->HeightEdit()->text(), QString("4"));
        Drag(*view, At(*view, 120, 135), At(*view, 91, 140));
        const CropRect r = model.Rect();
        QCOMPARE(r.left, 0);
        QCOMPARE(r.top, 30);
        QCOMPARE(r.Height(), int(r.Width() * 4.0 / 6.0 + 0.5));
        QVERIFY(std::abs(r.right - 91) <= 1);

        // Ok cuts the picture to the frame as one undo step; Undo brings the whole back.
        QTest::mouseClick(crop->Panel()->findChild<QPushButton*>("ok"), Qt::LeftButton);
        QVERIFY(!view->Tool());
        CeditorDoc* doc = view->GetDocument();
        Pixels expected{r.Width(), r.Height(), std::vector<uint8_t>(ImagePlane::BytesFor(r.Width(), r.Height()))};
        QVERIFY(geometry::CropImage(pixels.Plane(), expected.Plane(), r));
        QVERIFY(SamePixels(doc->CurrentImage(), expected.Plane()));
        QCOMPARE(doc->Ring().UndoDepth(), 1);
        QVERIFY(doc->Undo());
        QVERIFY(SamePixels(doc->CurrentImage(), pixels.Plane()));
    }

    void cropTypedSizesAreCheckedAndFixedSizeHoldsItsSize() {
        auto view = MakeFittedView(MakePattern(200, 150), QSize(400, 300));
        QVERIFY(view);
        auto* crop = StartedTool<CCropTool>(*view, cmd::Crop);
        QVERIFY(crop);
        crop->ModeBox()->setCurrentIndex(1);
        emit crop->ModeBox()->activated(1);
        QCOMPARE(crop->WidthEdit()->text(), QString("160"));
        QCOMPARE(crop->HeightEdit()->text(), QString("120"));

        struct Typed {
            const char* text;
            int expectedA;     // parameter a afterwards
            const char* shown; // the edit afterwards
        };
        // Each keystroke is checked: 0 and words are refused and leave the number; a width
        // running past the right edge (left is 20) puts the previous value ("18") back.
        const Typed cases[] = {{"0", 160, "0"}, {"abc", 160, "abc"}, {"181", 18, "18"}, {"50", 50, "50"}};
        for (const Typed& typed : cases) {
            crop->WidthEdit()->selectAll();
            QTest::keyClicks(crop->WidthEdit(), typed.text);
            QCOMPARE(crop->Model().ParamA(), typed.expectedA);
            QCOMPARE(crop->WidthEdit()->text(), QString(typed.shown));
        }
        // A fixed-size frame goes where the handle is dragged, pushed back inside whole.
        Drag(*view, At(*view, 180, 135), At(*view, 190, 140));
        QCOMPARE(crop->Model().Rect(), (CropRect{150, 30, 200, 150}));
        view->EndTool();
    }

    void straighteningTurnsByTheLineAndCropsAsASecondStep() {
        Pixels pixels = MakePattern(200, 120);
        auto view = MakeFittedView(pixels, QSize(400, 240));
        QVERIFY(view);
        auto* rotate = StartedTool<CRotateTool>(*view, cmd::ArbitraryRotation);
        QVERIFY(rotate);
        geometry::CRotateToolModel& model = rotate->Model();
        QCOMPARE(rotate->AngleEdit()->text(), QString("0.0000"));
        const geometry::IntPoint first = model.FirstEnd(), second = model.SecondEnd();
        QCOMPARE(first.y, second.y);

        // Raising the second end by 10 pixels: the angle shown follows atan2 of the line.
        Drag(*view, At(*view, second.x, second.y), At(*view, second.x, second.y - 10));
        QCOMPARE(model.SecondEnd().y, second.y - 10);
        const double degrees = std::atan2(10.0, double(second.x - first.x)) * 180.0 / M_PI;
        QCOMPARE(rotate->AngleEdit()->text(), QString::asprintf("%.4f", degrees));
        // The whole line moves when grabbed in its middle.
        const QPoint middle = At(*view, (first.x + second.x) / 2.0, (first.y + second.y - 10) / 2.0);
        Drag(*view, middle, middle + QPoint(0, 20));
        QCOMPARE(model.FirstEnd().y, first.y + 10);

        // A typed 90 stands the line upright; Ok swaps width and height in one step.
        rotate->AngleEdit()->selectAll();
        QTest::keyClicks(rotate->AngleEdit(), "90");
        QCOMPARE(model.FirstEnd().x, model.SecondEnd().x);
        QTest::mouseClick(rotate->Panel()->findChild<QPushButton*>("ok"), Qt::LeftButton);
        CeditorDoc* doc = view->GetDocument();
        QCOMPARE(ImageSize(doc), QSize(120, 200));
        QCOMPARE(doc->Ring().UndoDepth(), 1);
        QVERIFY(doc->Undo());

        // With "Crop": two steps, the turned canvas and then its fill-free middle.
        rotate = StartedTool<CRotateTool>(*view, cmd::ArbitraryRotation);
        QVERIFY(rotate);
        rotate->AngleEdit()->selectAll();
        QTest::keyClicks(rotate->AngleEdit(), "10");
        rotate->CropBox()->setChecked(true);
        const geometry::ImageSize turned = rotate->Model().ResultSize();
        const CropRect cut = rotate->Model().CropRectangle();
        QTest::mouseClick(rotate->Panel()->findChild<QPushButton*>("ok"), Qt::LeftButton);
        QCOMPARE(ImageSize(doc), QSize(cut.Width(), cut.Height()));
        QCOMPARE(doc->Ring().UndoDepth(), 2);
        const ImagePlane result = doc->CurrentImage();
        for (QPoint corner : {QPoint(0, 0), QPoint(result.width - 1, result.height - 1)}) {
            const uint8_t* px = result.Row(corner.y()) + corner.x() * 3;
            QVERIFY2(px[0] + px[1] + px[2] > 0, "a black fill corner was left");
        }
        QVERIFY(doc->Undo());
        QCOMPARE(ImageSize(doc), QSize(turned.width, turned.height));
    }

    void redEyeClickMatchesTheEngineAndHasItsOwnHistory() {
        Pixels pixels = MakeEyePicture(160, 120, 70, 60, 7);
        auto view = MakeFittedView(pixels, QSize(320, 240));
        QVERIFY(view);
        auto* redEye = StartedTool<CRedEyeTool>(*view, cmd::RedEyeRemoval);
        QVERIFY(redEye);
        QVERIFY(!redEye->CanUndo());

        // The same click straight on the engine is what the committed picture must be.
        CRedEyeRemoval engine;
        QVERIFY(engine.Begin(pixels.Plane()));
        QVERIFY(engine.CorrectAt(71, 59, 5));

        QTest::mouseClick(view->viewport(), Qt::LeftButton, Qt::NoModifier, At(*view, 71.5, 59.5));
        QVERIFY(redEye->CanUndo());
        QVERIFY(SamePixels(redEye->Engine().Working(), engine.Working()));
        // The view shows the working copy, and Undo and Redo while the tool runs are the
        // tool's, leaving the document's history alone.
        QCOMPARE(view->RenderImage().pixel(At(*view, 70.5, 60.5)),
                 qRgb(engine.Working().Row(60)[70 * 3 + 2], engine.Working().Row(60)[70 * 3 + 1],
                      engine.Working().Row(60)[70 * 3]));
        QVERIFY(view->IsCommandEnabled(cmd::EditUndo));
        view->OnCommand(cmd::EditUndo);
        QVERIFY(SamePixels(redEye->Engine().Working(), pixels.Plane()));
        view->OnCommand(cmd::EditRedo);
        QVERIFY(SamePixels(redEye->Engine().Working(), engine.Working()));
        // A click on skin finds no pupil and records nothing.
        QTest::mouseClick(view->viewport(), Qt::LeftButton, Qt::NoModifier, At(*view, 20.5, 100.5));
        QVERIFY(!redEye->CanRedo());
        QVERIFY(SamePixels(redEye->Engine().Working(), engine.Working()));

        // A manual stroke is one more step, the same as the engine's stroke over the points.
        redEye->SetAutomatic(false);
        engine.SetParams(detail::RedEyeParams{false, 5, 5, 5});
        QVERIFY(engine.OnButtonDown(40, 30));
        engine.OnMouseMove(46, 33);
        QVERIFY(engine.OnButtonUp());
        QWidget* port = view->viewport();
        QTest::mousePress(port, Qt::LeftButton, Qt::NoModifier, At(*view, 40.5, 30.5));
        QTest::mouseMove(port, At(*view, 46.5, 33.5));
        QTest::mouseRelease(port, Qt::LeftButton, Qt::NoModifier, At(*view, 46.5, 33.5));
        QVERIFY(SamePixels(redEye->Engine().Working(), engine.Working()));
        view->OnCommand(cmd::EditUndo);
        QVERIFY(redEye->CanRedo());
        view->OnCommand(cmd::EditRedo);

        QTest::mouseClick(redEye->Panel()->findChild<QPushButton*>("ok"), Qt::LeftButton);
        CeditorDoc* doc = view->GetDocument();
        QVERIFY(SamePixels(doc->CurrentImage(), engine.Working()));
        QCOMPARE(doc->Ring().UndoDepth(), 1);
    }

    void aToolBlocksCommandsAndEscapeLeavesThePictureUntouched() {
        CMainFrame frame;
        frame.show();
        Pixels pixels = MakePattern(80, 60);
        CeditorView* view = frame.AddDocument(MakeDocument(pixels));
        QVERIFY(QTest::qWaitForWindowExposed(&frame));
        view->RenderImage();
        frame.Action(cmd::Crop)->trigger();
        IGuiItem* tool = view->Tool();
        QVERIFY(dynamic_cast<CCropTool*>(tool));
        frame.UpdateCommandUI();
        QCOMPARE(NotInState(frame,
                            {cmd::FileOpen, cmd::FileSave, cmd::FileSaveAs, cmd::FileClose, cmd::Rotate90Clockwise,
                             cmd::FlipHorizontal, cmd::Resize, cmd::Crop, cmd::ArbitraryRotation,
                             cmd::RedEyeRemoval, cmd::WhiteBalance, cmd::PhotographicFilters, cmd::WindowTile,
                             cmd::Settings, cmd::FileRecent1},
                            false),
                 QStringList());
        // The crop tool keeps no history: Undo is off although the document has none either.
        QVERIFY(!frame.Action(cmd::EditUndo)->isEnabled());
        // A second tool command and the wizard's words do nothing while one runs.
        view->OnCommand(cmd::ArbitraryRotation);
        view->OnAction("action:redeyeremoval");
        QCOMPARE(view->Tool(), tool);

        // Drag the frame, then Escape in the view: the tool ends and nothing is committed.
        Drag(*view, At(*view, 8, 6), At(*view, 30, 30));
        view->setFocus();
        QTest::keyClick(view, Qt::Key_Escape);
        QVERIFY(!view->Tool());
        QVERIFY(SamePixels(view->GetDocument()->CurrentImage(), pixels.Plane()));
        QCOMPARE(view->GetDocument()->Ring().UndoDepth(), 0);
        QVERIFY(!view->GetDocument()->IsModified());
        frame.UpdateCommandUI();
        QCOMPARE(NotInState(frame, {cmd::FileOpen, cmd::FileSave, cmd::Crop, cmd::Rotate90Clockwise}, true),
                 QStringList());

        // The panel's close box cancels as well.
        view->OnAction("action:rotatearbitrary");
        auto* rotate = dynamic_cast<CRotateTool*>(view->Tool());
        QVERIFY(rotate);
        rotate->Panel()->close();
        QVERIFY(!view->Tool());
        QCOMPARE(view->GetDocument()->Ring().UndoDepth(), 0);
    }

    void wizardPageLinksStartEveryTool() {
        QFile page(QStringLiteral(LUMARET_SOURCE_DIR "/data/wizard.htm"));
        QVERIFY(page.open(QIODevice::ReadOnly));
        const QString html = QString::fromUtf8(page.readAll());
        // Ending a tool writes nothing, so the filters tool may read the shipped presets.
        struct Word {
            const char* action;
            std::function<bool(IGuiItem*)> isTool;
        };
        const Word words[] = {
            {"rotatearbitrary", [](IGuiItem* t) { return dynamic_cast<CRotateTool*>(t) != nullptr; }},
            {"crop", [](IGuiItem* t) { return dynamic_cast<CCropTool*>(t) != nullptr; }},
            {"redeyeremoval", [](IGuiItem* t) { return dynamic_cast<CRedEyeTool*>(t) != nullptr; }},
            {"whitebalance", [](IGuiItem* t) { return dynamic_cast<CWhiteBalance*>(t) != nullptr; }},
            {"photofilters", [](IGuiItem* t) { return dynamic_cast<CPhotographicFilters*>(t) != nullptr; }},
        };
        auto view = MakeFittedView(MakePattern(60, 40), QSize(120, 80));
        QVERIFY(view);
        for (const Word& word : words) {
            const QString action = QStringLiteral("action:") + word.action;
            QVERIFY2(html.contains(QStringLiteral("href=\"") + action + "\""), word.action);
            view->OnAction(action.toUpper());
            QVERIFY2(word.isTool(view->Tool()), word.action);
            view->EndTool();
        }
        QCOMPARE(view->GetDocument()->Ring().UndoDepth(), 0);
    }
};

QTEST_MAIN(TestTools)
#include "test_tools.moc"
