// The previewing tools: white balance (dropper picks, the preview copy, the committed
// picture) and photographic filters (the line dragged on the picture, the preview above
// 100 %, the preset library's questions, the last settings).
#include <QInputDialog>
#include <QListWidget>
#include <QPushButton>
#include <QtTest>
#include <cstring>

#include "adjust/filters/filterpresets.h"
#include "adjust/filters/photofilter.h"
#include "adjust/previewbridge.h"
#include "adjust/whitebalance/whitebalance.h"
#include "apptest.h"
#include "editor/commandtable.h"
#include "editor/editorview.h"
#include "platform/safewrite.h"
#include "shell/slidereditpair.h"
#include "tools/photofilterstool.h"
#include "tools/whitebalancetool.h"

using namespace apptest;

namespace {

QPoint At(CeditorView& view, double x, double y) {
    return view.ImageToWindow(QPointF(x, y)).toPoint();
}

// The largest difference of any byte between two planes of one size (-1 for other sizes).
int MaxDifference(const ImagePlane& a, const ImagePlane& b) {
    if (a.width != b.width || a.height != b.height) return -1;
    int most = 0;
    for (int y = 0; y < a.height; ++y)
        for (int x = 0; x < a.width * 3; ++x) most = std::max(most, std::abs(a.Row(y)[x] - b.Row(y)[x]));
    return most;
}

Pixels Filtered(Pixels source, const adjust::PhotoFilterParams& params) {
    Pixels out = source;
    adjust::ApplyPhotoFilter(source.Plane(), out.Plane(), params);
    return out;
}

// A preset library holding the shipped presets.
bool WritePresets(const std::string& path) {
    std::string error;
    return platform::ReplaceFileWithBytes(path, adjust::SerializeFilterPresets(adjust::BuiltinCokinPresets()), error);
}

// Answers the next text question with `text`.
void AnswerText(const QString& text) {
    WhenModal([text](QWidget* modal) {
        auto* dialog = qobject_cast<QInputDialog*>(modal);
        QVERIFY(dialog);
        dialog->setTextValue(text);
        dialog->accept();
    });
}

}  // namespace

class TestToolsPreview : public QObject {
    Q_OBJECT
    QTemporaryDir m_home;

private slots:
    void initTestCase() { QVERIFY(UseProgramFolder(m_home)); }

    void whiteBalancePicksPreviewsAndCommits() {
        Pixels pixels = MakePixels(120, 90, [](int x, int y) {
            if (x >= 40 && x < 50 && y >= 40 && y < 50) return std::array<int, 3>{160, 180, 200};
            return std::array<int, 3>{(x * 5) % 256, (y * 3) % 256, (x + y) % 256};
        });
        auto view = MakeFittedView(pixels, QSize(240, 180));
        QVERIFY(view);
        view->OnCommand(cmd::WhiteBalance);
        auto* tool = dynamic_cast<CWhiteBalance*>(view->Tool());
        QVERIFY(tool);
        QCOMPARE(view->DisplayModeValue(), int(CeditorView::kDrawPreviewCopy));
        // The wheel's grey at the start leaves the picture as it is.
        QCOMPARE(tool->Model().Factors().r, adjust::FactorsFromReference(1, 1, 1).r);

        // A click within one pixel of the border is no pick.
        const adjust::WhiteBalanceFactors before = tool->Model().Factors();
        QTest::mouseClick(view->viewport(), Qt::LeftButton, Qt::NoModifier, At(*view, 0.5, 30.5));
        QCOMPARE(tool->Model().Factors(), before);

        // A 1 x 1 pick of (200, 180, 160): that colour becomes its grey.
        tool->SetDropper(adjust::DropperSize::OneByOne);
        QTest::mouseClick(view->viewport(), Qt::LeftButton, Qt::NoModifier, At(*view, 45.5, 45.5));
        const adjust::WhiteBalanceFactors factors = adjust::FactorsFromReference(200, 180, 160);
        QCOMPARE(tool->Model().Factors(), factors);
        QCOMPARE(tool->HuePair()->Value(), tool->Model().Hue());

        // The preview copy is the display copy under those factors.
        tool->Bridge()->WaitIdle();
        const ImagePlane display = view->DisplayCopy();
        Pixels expected{display.width, display.height, std::vector<uint8_t>(display.SizeInBytes())};
        QVERIFY(adjust::ApplyWhiteBalance(display, expected.Plane(), factors));
        QCOMPARE(MaxDifference(view->PreviewCopy(), expected.Plane()), 0);

        QTest::mouseClick(tool->Panel()->findChild<QPushButton*>("ok"), Qt::LeftButton);
        QVERIFY(!view->Tool());
        QCOMPARE(view->DisplayModeValue(), int(CeditorView::kDrawImage));
        Pixels whole = pixels;
        QVERIFY(adjust::ApplyWhiteBalance(pixels.Plane(), whole.Plane(), factors));
        QCOMPARE(MaxDifference(view->GetDocument()->CurrentImage(), whole.Plane()), 0);
        const uint8_t* grey = view->GetDocument()->CurrentImage().Row(45) + 45 * 3;
        QVERIFY(grey[0] == grey[1] && grey[1] == grey[2]);

        // Escape in the view cancels: nothing more is committed.
        view->OnCommand(cmd::WhiteBalance);
        QVERIFY(view->Tool());
        QTest::mouseClick(view->viewport(), Qt::LeftButton, Qt::NoModifier, At(*view, 10.5, 10.5));
        view->setFocus();
        QTest::keyClick(view.get(), Qt::Key_Escape);
        QVERIFY(!view->Tool());
        QCOMPARE(view->GetDocument()->Ring().UndoDepth(), 1);
    }

    void filterLineIsDraggedOnThePictureAndPreviewsAtAnyZoom() {
        QTemporaryDir files;
        const CPhotographicFilters::Files paths{files.filePath("cokin.pfs").toStdString(),
                                                files.filePath("cokin.pfs").toStdString(),
                                                files.filePath("filters.last").toStdString(),
                                                files.filePath("filters.last").toStdString()};
        QVERIFY(WritePresets(paths.presetsWrite));
        Pixels pixels = MakePattern(200, 100);
        auto view = MakeFittedView(pixels, QSize(400, 200));  // fit zoom 2
        QVERIFY(view);
        QVERIFY(view->StartTool(std::make_unique<CPhotographicFilters>(view.get(), paths), true));
        auto* tool = dynamic_cast<CPhotographicFilters*>(view->Tool());
        QVERIFY(tool);
        adjust::PhotoFilterParams params = tool->Params();
        QCOMPARE(params, adjust::PhotoFilterParams{});  // no last settings yet: the defaults
        params.hardness = 0.6f;
        tool->SetParams(params);

        // Pressing puts the line through the press; dragging down-right turns it that way.
        QWidget* port = view->viewport();
        QTest::mousePress(port, Qt::LeftButton, Qt::NoModifier, At(*view, 60, 40));
        QTest::mouseMove(port, At(*view, 100, 80));
        QTest::mouseRelease(port, Qt::LeftButton, Qt::NoModifier, At(*view, 100, 80));
        QVERIFY(std::abs(tool->Params().angle - -45.0f) < 0.5f);
        const auto [a, b] = tool->TransitionLine();
        const double cross = (b.x() - a.x()) * (40 - a.y()) - (b.y() - a.y()) * (60 - a.x());
        QVERIFY2(std::abs(cross) / std::hypot(b.x() - a.x(), b.y() - a.y()) < 0.5, "the line misses the press");

        // At fit zoom and at 300 % the preview shows what the whole picture will be.
        const Pixels result = Filtered(pixels, tool->Params());
        for (double zoom : {0.0, 3.0}) {
            if (zoom > 0) {
                view->SetZoom(zoom);
                view->SetViewCentre(QPointF(70, 50));
                view->RefreshToolPreview();
            }
            tool->Bridge()->WaitIdle();
            const viewlayout::Layout layout = view->CurrentLayout();
            const ImagePlane preview = view->PreviewCopy();
            int worst = 0;
            for (int py = 0; py < preview.height; py += 3)
                for (int px = 0; px < preview.width; px += 3) {
                    const int x = layout.srcX + int(px / layout.zoom), y = layout.srcY + int(py / layout.zoom);
                    const uint8_t* want = result.bytes.data() + y * ImagePlane::StrideFor(200) + x * 3;
                    for (int c = 0; c < 3; ++c) worst = std::max(worst, std::abs(preview.Row(py)[px * 3 + c] - want[c]));
                }
            // The preview's fast angles differ from the exact ones by a level or two.
            QVERIFY2(worst <= 3, qPrintable(QString("zoom %1: off by %2").arg(zoom).arg(worst)));
        }
        view->EndTool();
    }

    void presetLibraryAndLastSettings() {
        QTemporaryDir files;
        const CPhotographicFilters::Files paths{files.filePath("cokin.pfs").toStdString(),
                                                files.filePath("cokin.pfs").toStdString(),
                                                files.filePath("filters.last").toStdString(),
                                                files.filePath("filters.last").toStdString()};
        QVERIFY(WritePresets(paths.presetsWrite));
        Pixels pixels = MakePattern(60, 40);
        auto view = MakeFittedView(pixels, QSize(120, 80));
        QVERIFY(view);
        QVERIFY(view->StartTool(std::make_unique<CPhotographicFilters>(view.get(), paths), true));
        auto* tool = dynamic_cast<CPhotographicFilters*>(view->Tool());
        QWidget* panel = tool->Panel();
        QCOMPARE(tool->CategoryList()->item(0)->text(), QString("Cokin"));

        // Choosing a shipped filter takes its settings.
        tool->CategoryList()->setCurrentRow(0);
        QVERIFY(tool->FilterList()->count() > 0);
        tool->FilterList()->setCurrentRow(0);
        QCOMPARE(tool->Params(), tool->Library().Records()[tool->Library().FilterRecords("Cokin")[0]].params.Sanitized());

        // The shipped category cannot go, in any letter case; a new one gets a filter.
        QString text;
        AnswerMessage(QMessageBox::Ok, &text);
        panel->findChild<QPushButton*>("deleteCategory")->click();
        QCOMPARE(text, QString("Category 'Cokin' cannot be deleted!"));
        AnswerText("cokin");
        AnswerMessage(QMessageBox::Ok, &text);
        panel->findChild<QPushButton*>("newCategory")->click();
        QCOMPARE(text, QString("That category already exists!"));
        AnswerText("Mine");
        panel->findChild<QPushButton*>("newCategory")->click();
        QCOMPARE(tool->CategoryList()->currentItem()->text(), QString("Mine"));
        adjust::PhotoFilterParams params = tool->Params();
        params.SetShownOffset(0.8f);
        tool->SetParams(params);
        AnswerText(QString(200, 'n'));
        panel->findChild<QPushButton*>("addFilter")->click();
        QCOMPARE(tool->FilterList()->currentItem()->text(), QString(127, 'n'));

        // OK asks to save the changed library, commits the filter and keeps the settings.
        AnswerMessage(QMessageBox::Yes, &text);
        panel->findChild<QPushButton*>("ok")->click();
        QCOMPARE(text, QString("The presets have been modified. Do you want to save them?"));
        QVERIFY(!view->Tool());
        QCOMPARE(MaxDifference(view->GetDocument()->CurrentImage(), Filtered(pixels, params).Plane()), 0);
        adjust::CFilterPresetLibrary saved;
        QVERIFY(saved.Load(paths.presetsRead, nullptr));
        QCOMPARE(saved.FilterNames("Mine"), std::vector<std::string>{std::string(127, 'n')});
        const std::optional<adjust::PhotoFilterParams> last = adjust::ReadFilterLastSettings(paths.lastRead);
        QVERIFY(last);
        QCOMPARE(last->ShownOffset(), 0.8f);

        // The next opening starts from the last settings.
        QVERIFY(view->StartTool(std::make_unique<CPhotographicFilters>(view.get(), paths), true));
        tool = dynamic_cast<CPhotographicFilters*>(view->Tool());
        QVERIFY(std::abs(tool->Params().ShownOffset() - 0.8f) < 1e-6f);
        QVERIFY(std::abs(tool->Panel()->findChild<QLineEdit*>("offset")->text().toFloat() - 0.8f) < 1e-6f);
        tool->Panel()->findChild<QPushButton*>("cancel")->click();
        QVERIFY(!view->Tool());
        QCOMPARE(view->GetDocument()->Ring().UndoDepth(), 1);
    }
};

QTEST_MAIN(TestToolsPreview)
#include "test_tools_preview.moc"
