// The adjustment dialogs in an editor view: the live preview equals the engine routine run
// on the display copy (also after a burst of changes), OK equals `lumaret-cli edit` with
// the same values byte for byte and adds one undo step, Cancel and Escape leave picture,
// history and modified flag alone, and a bad settings file shows "Invalid file".
#include <QCheckBox>
#include <QComboBox>
#include <QFileInfo>
#include <QLineEdit>
#include <QProcess>
#include <QRadioButton>
#include <QSlider>
#include <QtTest>
#include <array>
#include <cstring>
#include <thread>

#include "adjust/adjustcommands.h"
#include "adjust/curvesdialog.h"
#include "adjust/detaildialogs.h"
#include "adjust/huesatdialog.h"
#include "adjust/levelsdialog.h"
#include "adjust/mixerdialog.h"
#include "adjust/tonedialogs.h"
#include "apptest.h"
#include "editor/commandtable.h"
#include "editor/editorview.h"
#include "editor/histogramdialog.h"
#include "shell/mainframe.h"

using namespace apptest;

namespace {

std::unique_ptr<CeditorView> MakeView(Pixels pixels, QSize client) {
    auto view = std::make_unique<CeditorView>(nullptr, MakeDocument(std::move(pixels)));
    view->resize(client);
    view->show();
    if (!QTest::qWaitForWindowExposed(view.get())) return nullptr;
    view->SetFastDrawing(false);
    return view;
}

// The bytes of a plane's pixels, row padding left out.
std::vector<uint8_t> PixelBytes(const ImagePlane& plane) {
    std::vector<uint8_t> bytes;
    for (int y = 0; y < plane.height; ++y)
        bytes.insert(bytes.end(), plane.Row(y), plane.Row(y) + plane.width * 3);
    return bytes;
}

// Writes a P6 file from blue-green-red pixels.
bool WritePpm(const QString& path, const ImagePlane& plane) {
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly)) return false;
    file.write(QStringLiteral("P6\n%1 %2\n255\n").arg(plane.width).arg(plane.height).toLatin1());
    for (int y = 0; y < plane.height; ++y)
        for (int x = 0; x < plane.width; ++x) {
            const uint8_t* p = plane.Row(y) + x * 3;
            const char rgb[3] = {char(p[2]), char(p[1]), char(p[0])};
            file.write(rgb, 3);
        }
    return true;
}

// Reads a P6 file written by the tool back into blue-green-red bytes without padding.
std::vector<uint8_t> ReadPpmPixels(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) return {};
    QByteArray all = file.readAll();
    // Header: magic, width, height, maxval, each followed by one blank.
    int fields = 0, at = 0;
    while (fields < 4 && at < all.size()) {
        while (at < all.size() && !QChar(all[at]).isSpace()) ++at;
        ++at;
        ++fields;
    }
    std::vector<uint8_t> bytes(all.begin() + at, all.end());
    for (size_t i = 0; i + 2 < bytes.size(); i += 3) std::swap(bytes[i], bytes[i + 2]);
    return bytes;
}

// Runs `lumaret-cli edit` on `pixels` with `arguments` between input and output.
std::vector<uint8_t> CliResult(const ImagePlane& pixels, const QStringList& arguments) {
    QTemporaryDir dir;
    const QString in = dir.filePath("in.ppm"), out = dir.filePath("out.ppm");
    if (!WritePpm(in, pixels)) return {};
    const QString cli = QFileInfo(QStringLiteral(LUMARET_APP)).dir().filePath(QStringLiteral("lumaret-cli"));
    QProcess process;
    process.start(cli, QStringList{"edit", in, out} + arguments);
    if (!process.waitForFinished(60000) || process.exitCode() != 0) {
        qWarning() << "lumaret-cli failed:" << process.readAllStandardError();
        return {};
    }
    return ReadPpmPixels(out);
}

// Waits for the previews asked for so far and for their repaint notices.
void SettlePreview(CAdjustDialog& dialog) {
    dialog.Bridge()->WaitIdle();
    QCoreApplication::processEvents();
}

// The preview copy equals `routine` run on the display copy.
void CheckPreview(CAdjustDialog& dialog, const CeditorDoc::Routine& routine) {
    SettlePreview(dialog);
    const ImagePlane source = dialog.View()->DisplayCopy();
    QVERIFY(source.IsValid());
    std::vector<uint8_t> expected(ImagePlane::BytesFor(source.width, source.height));
    const ImagePlane target = ImagePlane::Make(expected.data(), source.width, source.height);
    QVERIFY(routine(source, target));
    QVERIFY(PixelBytes(dialog.View()->PreviewCopy()) == PixelBytes(target));
    QCOMPARE(dialog.View()->DisplayModeValue(), int(CeditorView::kDrawPreviewCopy));
}

// Commits the dialog and compares the document with the tool's result from the same
// starting picture; the histograms after OK (mapped through the tables of table routines)
// must be the new picture's counts; exactly one undo step must lead back to it.
void CheckCommit(CAdjustDialog& dialog, const QStringList& arguments) {
    CeditorDoc* doc = dialog.View()->GetDocument();
    const std::vector<uint8_t> before = PixelBytes(doc->CurrentImage());
    const std::vector<uint8_t> expected = CliResult(doc->CurrentImage(), arguments);
    QVERIFY(!expected.empty());
    QVERIFY(!doc->CanUndo());
    QVERIFY(dialog.Commit());
    QVERIFY(PixelBytes(doc->CurrentImage()) == expected);
    const std::array<CeditorDoc::Histogram, 3> shown = {doc->GetHistogram(0), doc->GetHistogram(1),
                                                        doc->GetHistogram(2)};
    doc->ComputeHistogram();
    for (int t = 0; t < 3; ++t) QVERIFY2(shown[t] == doc->GetHistogram(t), "histogram after OK");
    QVERIFY(doc->IsModified());
    QCOMPARE(dialog.View()->DisplayModeValue(), int(CeditorView::kDrawImage));
    QVERIFY(doc->Undo());
    QVERIFY(!doc->CanUndo());
    QVERIFY(PixelBytes(doc->CurrentImage()) == before);
}

// Gives the main window back the keyboard, as closing a modal dialog does for a user.
bool Activate(CMainFrame& frame, QWidget* view) {
    frame.activateWindow();
    if (!QTest::qWaitForWindowActive(&frame)) return false;
    view->setFocus();
    return true;
}

void Type(QLineEdit* edit, const QString& text) {
    edit->setFocus();
    edit->setText(text);
}

// A dialog whose whole-image routine refuses, as a routine that runs out of memory does.
class CFailingDialog : public CAdjustDialog {
public:
    explicit CFailingDialog(CeditorView* view) : CAdjustDialog(view, "Failing", kNoButtons, 0) {}

protected:
    CeditorDoc::Routine CommitRoutine(IProgress*) const override {
        return [](const ImagePlane&, const ImagePlane& d) {
            d.Row(0)[0] ^= 0xff;  // a half-written result must not reach the document
            return false;
        };
    }
};

// Records what reaches a progress display.
struct RecordingProgress : IProgress {
    void Start(const std::string& t, int total) override {
        ++starts;
        title = t;
        this->total = total;
    }
    void SetPosition(int position) override { last = position; }
    void End() override { ++ends; }
    int starts = 0, ends = 0, total = 0, last = -1;
    std::string title;
};

QString FormatFloat(float value) {
    return QString::number(double(value), 'g', 9);
}

}  // namespace

class TestAdjustDialogs : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { QVERIFY(UseProgramFolder(m_home)); }

    // Brightness: typed and dragged values preview like the engine; a burst of slider
    // moves ends on the preview of the last one; OK equals the tool.
    void brightnessPreviewAndCommit() {
        auto view = MakeView(MakePattern(300, 200), QSize(160, 120));
        QVERIFY(view);
        CBrightnessDialog dialog(view.get());
        Type(dialog.EditOf(0), "50");
        CheckPreview(dialog, [](auto& s, auto& d) { return adjust::ApplyBrightness(s, d, {50}); });
        dialog.SliderOf(0)->setFocus();
        for (int position = 0; position <= 300; position += 7) dialog.SliderOf(0)->setValue(position);
        QCOMPARE(dialog.Params().brightness, 94.0f);  // slider 294 of -200..200
        CheckPreview(dialog, [](auto& s, auto& d) { return adjust::ApplyBrightness(s, d, {94}); });
        // Unchecked, Preview shows the unprocessed copy while the worker keeps going.
        dialog.PreviewBox()->setChecked(false);
        QCOMPARE(view->DisplayModeValue(), int(CeditorView::kDrawDisplayCopy));
        Type(dialog.EditOf(0), "80");
        dialog.PreviewBox()->setChecked(true);
        CheckPreview(dialog, [](auto& s, auto& d) { return adjust::ApplyBrightness(s, d, {80}); });
        CheckCommit(dialog, {"--brightness", "80"});
    }

    // Levels: per-channel points and a typed gamma preview like the engine; a black point
    // dragged onto the white point snaps back; the warning marks only the preview; OK
    // equals the tool given the same values.
    void levelsPreviewRulesAndCommit() {
        auto view = MakeView(MakePattern(257, 190), QSize(200, 150));
        QVERIFY(view);
        CLevelsDialog dialog(view.get());
        Type(dialog.EditOf(1), "20");   // black
        Type(dialog.EditOf(0), "230");  // white
        Type(dialog.EditOf(2), "1.5");  // gamma
        dialog.SelectChannel(adjust::kLevelsRed);
        QCOMPARE(dialog.EditOf(0)->text(), QStringLiteral("255"));
        Type(dialog.EditOf(0), "200");
        Type(dialog.EditOf(1), "201");  // refused: at or above the white point
        QCOMPARE(dialog.EditOf(1)->text(), QStringLiteral("0"));
        dialog.SelectChannel(adjust::kLevelsMaster);
        QCOMPARE(dialog.EditOf(1)->text(), QStringLiteral("20"));
        const adjust::LevelsParams params = dialog.Params();
        QCOMPARE(params.black[adjust::kLevelsRed], 0.0f);
        QCOMPARE(params.white[adjust::kLevelsRed], 200.0f);
        CheckPreview(dialog, [params](auto& s, auto& d) { return adjust::ApplyLevels(s, d, params); });
        dialog.WarningBox()->setChecked(true);
        const adjust::LevelsTables marked = adjust::BuildLevelsTables(params, true);
        CheckPreview(dialog, [marked](auto& s, auto& d) { return adjust::ApplyLevels(s, d, marked); });
        CheckCommit(dialog, {"--levels", QStringLiteral("rgb:20:230:%1").arg(FormatFloat(params.gamma[0])),
                             "--levels", "r:0:200:1"});
    }

    // Curves: a click in the box adds a point, a right click on it removes it again, a
    // drag moves it; OK equals the tool given the saved settings file; a corrupt file
    // shows "Invalid file" and keeps the curves.
    void curvesMouseLoadSaveAndCommit() {
        auto view = MakeView(MakePattern(220, 160), QSize(180, 130));
        QVERIFY(view);
        CCurvesDialog dialog(view.get());
        QWidget* box = dialog.CurveBox();
        const QPoint origin(13, 1);  // box pixel (0, 0) inside the widget
        QTest::mouseClick(box, Qt::LeftButton, {}, origin + QPoint(128, 255 - 160));
        QCOMPARE(dialog.Curves().Count(0), 3);
        QCOMPARE(int(dialog.Curves().Table(0)[128]), 160);
        QTest::mouseClick(box, Qt::RightButton, {}, origin + QPoint(130, 255 - 158));
        QCOMPARE(dialog.Curves().Count(0), 2);
        dialog.SelectChannel(2);  // green: dragged from (64, 64) to (64, 100)
        QTest::mousePress(box, Qt::LeftButton, {}, origin + QPoint(64, 255 - 64));
        QTest::mouseMove(box, origin + QPoint(64, 255 - 100));
        QTest::mouseRelease(box, Qt::LeftButton, {}, origin + QPoint(64, 255 - 100));
        QCOMPARE(dialog.Curves().Count(2), 3);
        QCOMPARE(int(dialog.Curves().Table(2)[64]), 100);
        const CurvesTables tables = dialog.Curves().Tables();
        CheckPreview(dialog, [tables](auto& s, auto& d) { return adjust::ApplyCurves(s, d, tables); });

        QTemporaryDir dir;
        const QString saved = dir.filePath("green.curves"), corrupt = dir.filePath("bad.curves");
        QVERIFY(dialog.SaveFile(saved));
        QFile bad(corrupt);
        QVERIFY(bad.open(QIODevice::WriteOnly));
        const int32_t counts[4] = {2, 1, 2, 2};  // a curve of one point
        bad.write(reinterpret_cast<const char*>(counts), sizeof counts);
        bad.close();
        QString text;
        AnswerMessage(QMessageBox::Ok, &text);
        QVERIFY(!dialog.LoadFile(corrupt));
        QCOMPARE(text, QStringLiteral("Invalid file"));
        QVERIFY(dialog.Curves().Tables().table == tables.table);
        CheckCommit(dialog, {"--curves", saved});
    }

    // Channel mixer: Reset after a Load brings back the neutral table; a file without
    // its magic is refused and the table kept.
    void mixerLoadResetAndBadFile() {
        auto view = MakeView(MakePattern(64, 48), QSize(80, 60));
        QVERIFY(view);
        CChannelMixerDialog dialog(view.get());
        QTemporaryDir dir;
        adjust::ChannelMixerParams mono;
        mono.monochrome = 1;
        mono.table[adjust::ChannelMixerParams::Index(1, 0, 0)] = 50;
        const QString good = dir.filePath("mono.chmix"), bad = dir.filePath("bad.chmix");
        QVERIFY(adjust::SaveChannelMixerFile(good.toStdString(), mono) == adjust::SettingsFileStatus::Ok);
        std::vector<uint8_t> bytes = adjust::SerializeChannelMixer({});
        bytes[0] = 'X';
        QVERIFY(adjust::SaveWholeFile(bad.toStdString(), bytes));
        QVERIFY(dialog.LoadFile(good));
        QVERIFY(dialog.Params() == mono);
        QVERIFY(dialog.MonochromeBox()->isChecked());
        QCOMPARE(dialog.EditOf(0)->text(), QStringLiteral("50"));
        CheckPreview(dialog, [mono](auto& s, auto& d) { return adjust::ApplyChannelMixer(s, d, mono); });
        AnswerMessage(QMessageBox::Ok);
        QVERIFY(!dialog.LoadFile(bad));
        QVERIFY(dialog.Params() == mono);
        dialog.ResetButton()->click();
        adjust::ChannelMixerParams neutral;
        neutral.monochrome = 1;  // Reset keeps the box's state
        QVERIFY(dialog.Params().table == neutral.table);
        CheckPreview(dialog, [](auto& s, auto& d) {
            adjust::ChannelMixerParams p;
            p.monochrome = 1;
            return adjust::ApplyChannelMixer(s, d, p);
        });
    }

    // Through the main window: Ctrl+B opens Brightness and OK commits one step; Ctrl+L
    // with Escape and Ctrl+M with Cancel leave picture, history and modified flag alone;
    // a tool blocks every adjustment command.
    void commandsShortcutsCancelAndTools() {
        CMainFrame frame;
        frame.show();
        QVERIFY(QTest::qWaitForWindowExposed(&frame));
        Pixels pixels = MakePattern(90, 70);
        CeditorView* view = frame.AddDocument(MakeDocument(pixels));
        CeditorDoc* doc = view->GetDocument();
        const std::vector<uint8_t> original = PixelBytes(doc->CurrentImage());
        QVERIFY(Activate(frame, view));

        bool sawLevels = false;
        WhenModal([&](QWidget* modal) {
            sawLevels = qobject_cast<CLevelsDialog*>(modal) != nullptr;
            auto* dialog = static_cast<CLevelsDialog*>(modal);
            Type(dialog->EditOf(1), "100");
            dialog->Bridge()->WaitIdle();
            QTest::keyClick(modal, Qt::Key_Escape);
        });
        QTest::keyClick(view, Qt::Key_L, Qt::ControlModifier);
        QVERIFY(sawLevels);
        bool sawCurves = false;
        WhenModal([&](QWidget* modal) {
            sawCurves = qobject_cast<CCurvesDialog*>(modal) != nullptr;
            static_cast<QDialog*>(modal)->reject();
        });
        QVERIFY(Activate(frame, view));
        QTest::keyClick(view, Qt::Key_M, Qt::ControlModifier);
        QVERIFY(sawCurves);
        QVERIFY(PixelBytes(doc->CurrentImage()) == original);
        QVERIFY(!doc->CanUndo());
        QVERIFY(!doc->IsModified());
        QCOMPARE(view->DisplayModeValue(), int(CeditorView::kDrawImage));

        WhenModal([](QWidget* modal) {
            auto* dialog = qobject_cast<CBrightnessDialog*>(modal);
            QVERIFY(dialog);
            Type(dialog->EditOf(0), "-60");
            static_cast<QDialog*>(modal)->accept();
        });
        QVERIFY(Activate(frame, view));
        QTest::keyClick(view, Qt::Key_B, Qt::ControlModifier);
        QCOMPARE(doc->Ring().UndoDepth(), 1);
        QVERIFY(doc->IsModified());
        std::vector<uint8_t> expected(pixels.bytes.size());
        const ImagePlane target = ImagePlane::Make(expected.data(), pixels.width, pixels.height);
        QVERIFY(adjust::ApplyBrightness(pixels.Plane(), target, {-60}));
        QVERIFY(PixelBytes(doc->CurrentImage()) == PixelBytes(target));

        // The wizard's words open their dialogs; Cancel each.
        const std::pair<const char*, const char*> words[] = {
            {"action:brightness", "Brightness"}, {"action:levels", "Levels"},
            {"action:boost", "Boost"},           {"action:shadowcontrol", "Shadow Control Pro"},
            {"action:highlightcontrol", "Highlight Control Pro"},
            {"action:bw", "Black and White / Sepia"}, {"action:ir", "IR Film"},
            {"action:usm", "Sharpen - USM"}};
        for (const auto& [word, title] : words) {
            QString opened;
            WhenModal([&opened](QWidget* modal) {
                opened = modal->windowTitle();
                static_cast<QDialog*>(modal)->reject();
            });
            view->OnAction(QString::fromLatin1(word));
            QCOMPARE(opened, QString::fromLatin1(title));
        }
        QCOMPARE(doc->Ring().UndoDepth(), 1);

        QVERIFY(view->StartTool(std::make_unique<FakeTool>()));
        for (int id : {cmd::Levels, cmd::Curves, cmd::ChannelMixer, cmd::HueSaturation, cmd::Brightness,
                       cmd::BlackAndWhite, cmd::Boost, cmd::Sharpen, cmd::ShadowControl, cmd::HighlightControl,
                       cmd::IrFilm})
            QVERIFY2(!view->IsCommandEnabled(id), FindViewCommand(id)->text);
        view->EndTool();
        QVERIFY(view->IsCommandEnabled(cmd::Levels));
    }

    // The other dialogs, each opened as its command does: a typed value previews like the
    // engine (radius and glow scaled by the zoom) and OK equals the tool with the same values.
    void otherDialogsPreviewAndCommitLikeTheTool_data() {
        QTest::addColumn<int>("command");
        QTest::addColumn<int>("pair");
        QTest::addColumn<QString>("typed");
        QTest::newRow("hue/saturation") << int(cmd::HueSaturation) << 1 << "-40";
        QTest::newRow("boost") << int(cmd::Boost) << 0 << "70";
        QTest::newRow("sharpen") << int(cmd::Sharpen) << 1 << "2.5";
        QTest::newRow("shadows") << int(cmd::ShadowControl) << 2 << "80";
        QTest::newRow("highlights") << int(cmd::HighlightControl) << 0 << "10";
        QTest::newRow("ir film") << int(cmd::IrFilm) << 3 << "60";
    }
    void otherDialogsPreviewAndCommitLikeTheTool() {
        QFETCH(int, command);
        QFETCH(int, pair);
        QFETCH(QString, typed);
        // Zoomed out, so that preview radii differ from the committed ones.
        auto view = MakeView(MakePattern(400, 300), QSize(200, 150));
        QVERIFY(view);
        std::unique_ptr<CAdjustDialog> dialog = MakeAdjustDialog(command, view.get());
        QVERIFY(dialog);
        Type(dialog->EditOf(pair), typed);
        const float zoom = float(view->Zoom());
        QVERIFY(zoom < 1);
        CeditorDoc::Routine preview;
        QStringList arguments;
        if (auto* d = dynamic_cast<CHueSaturationDialog*>(dialog.get())) {
            const adjust::HueSaturationParams p = d->Params();
            QCOMPARE(p.saturation, -40);
            preview = [p](auto& s, auto& t) { return adjust::ApplyHueSaturation(s, t, p); };
            arguments = {"--hue-saturation", QStringLiteral("%1:%2:%3").arg(p.hue).arg(p.saturation).arg(p.brightness)};
        } else if (auto* d = dynamic_cast<CBoostDialog*>(dialog.get())) {
            const adjust::BoostParams p = d->Params();
            preview = [p](auto& s, auto& t) { return adjust::ApplyBoost(s, t, p); };
            arguments = {"--boost", FormatFloat(p.amount)};
        } else if (auto* d = dynamic_cast<CUnsharpMaskDialog*>(dialog.get())) {
            const detail::UnsharpParams p = d->Params();
            QVERIFY(std::abs(p.radius - 2.5f) < 0.01f);
            detail::UnsharpParams shown = p;
            shown.radius = detail::UsmPreviewRadius(p.radius, zoom);
            preview = [shown](auto& s, auto& t) { return detail::ApplyUnsharpMask(s, t, shown); };
            arguments = {"--sharpen", QStringList{FormatFloat(p.amount), FormatFloat(p.radius), FormatFloat(p.threshold)}.join(':')};
        } else if (auto* d = dynamic_cast<CShadowControlDialog*>(dialog.get())) {
            const detail::ShadowParams p = d->Params();
            detail::ShadowParams shown = p;
            shown.radius = detail::ShadowEffectiveRadius(p.radius, zoom);
            const bool shadow = d->GetKind() == CShadowControlDialog::Kind::Shadow;
            preview = [shown, shadow](auto& s, auto& t) {
                return shadow ? detail::ApplyShadowControl(s, t, shown) : detail::ApplyHighlightControl(s, t, shown);
            };
            arguments = {shadow ? "--shadows" : "--highlights",
                         QStringList{FormatFloat(p.tonalWidth), FormatFloat(p.radius), FormatFloat(p.amount),
                                     FormatFloat(p.colorCorrection)}.join(':')};
        } else if (auto* d = dynamic_cast<CIrFilmDialog*>(dialog.get())) {
            const detail::IrFilmParams p = d->Params();
            QCOMPARE(p.glowSize, 60.0f);
            detail::IrFilmParams shown = p;
            shown.glowSize = detail::IrPreviewGlowSize(p.glowSize, zoom);
            preview = [shown](auto& s, auto& t) { return detail::ApplyIrFilm(s, t, shown); };
            arguments = {"--ir-film", QStringList{FormatFloat(p.color), FormatFloat(p.amount), FormatFloat(p.brightness),
                                                  FormatFloat(p.glowSize), FormatFloat(p.glowAmount)}.join(':')};
        }
        QVERIFY(preview);
        CheckPreview(*dialog, preview);
        CheckCommit(*dialog, arguments);
    }

    // Black and white has no worker: each choice is previewed at once.
    void blackWhiteChoicesPreviewAtOnce() {
        auto view = MakeView(MakePattern(120, 90), QSize(100, 80));
        QVERIFY(view);
        CBlackWhiteDialog dialog(view.get());
        dialog.ModeButton(adjust::BlackWhiteMode::SepiaSpring)->click();
        std::vector<uint8_t> expected(ImagePlane::BytesFor(view->DisplayCopy().width, view->DisplayCopy().height));
        const ImagePlane target = ImagePlane::Make(expected.data(), view->DisplayCopy().width, view->DisplayCopy().height);
        QVERIFY(adjust::ApplyBlackWhite(view->DisplayCopy(), target, {adjust::BlackWhiteMode::SepiaSpring}));
        QVERIFY(PixelBytes(view->PreviewCopy()) == PixelBytes(target));
        CheckCommit(dialog, {"--bw", "3"});
    }

    // While a dialog is open the histogram window shows its preview's counts; after it
    // the document's own again.
    void histogramFollowsThePreview() {
        CMainFrame frame;
        frame.show();
        QVERIFY(QTest::qWaitForWindowExposed(&frame));
        CeditorView* view = frame.AddDocument(MakeDocument(MakePattern(160, 120)));
        CHistogramDialog* histogram = frame.HistogramWindow();
        {
            CLevelsDialog dialog(view);
            Type(dialog.EditOf(1), "90");
            SettlePreview(dialog);
            QVERIFY(histogram->PreviewCountsShown().has_value());
            const ImagePlane preview = view->PreviewCopy();
            std::array<std::array<uint32_t, 256>, 3> expected{};
            for (int y = 0; y < preview.height; ++y)
                for (int x = 0; x < preview.width; ++x)
                    for (int c = 0; c < 3; ++c) ++expected[2 - c][preview.Row(y)[x * 3 + c]];
            QVERIFY(histogram->PreviewCountsShown()->rgb == expected);
            QCOMPARE(expected[0][0] > 0, true);  // black point 90 sends the darker levels to 0
        }
        QVERIFY(!histogram->PreviewCountsShown().has_value());
    }

    // OK's progress bar: nothing for a run shorter than the delay; after it the bar shows
    // the run's title and the window thread's positions, and ends with the run. Positions
    // reported from a routine's helper threads are left out.
    void progressOnlyForLongRuns() {
        RecordingProgress target;
        {
            CDelayedProgress quick(&target, nullptr, 60000);
            quick.Start("Hue/Saturation", 10);
            quick.SetPosition(5);
            quick.End();
        }
        QCOMPARE(target.starts, 0);
        QCOMPARE(target.ends, 0);
        {
            CDelayedProgress slow(&target, nullptr, 0);
            slow.Start("Un-sharp mask", 12);
            slow.SetPosition(3);
            std::thread([&slow] { slow.SetPosition(7); }).join();
        }  // ended by its destructor when the routine did not end it
        QCOMPARE(target.starts, 1);
        QCOMPARE(target.title, std::string("Un-sharp mask"));
        QCOMPARE(target.total, 12);
        QCOMPARE(target.last, 3);
        QCOMPARE(target.ends, 1);
    }

    // A routine that fails is reported and changes nothing, not even the modified flag.
    void failedRoutineChangesNothing() {
        CMainFrame frame;
        frame.show();
        QVERIFY(QTest::qWaitForWindowExposed(&frame));
        CeditorView* view = frame.AddDocument(MakeDocument(MakePattern(30, 20)));
        CeditorDoc* doc = view->GetDocument();
        const std::vector<uint8_t> original = PixelBytes(doc->CurrentImage());
        CFailingDialog dialog(view);
        QString text;
        AnswerMessage(QMessageBox::Ok, &text);
        QVERIFY(!dialog.Commit());
        QVERIFY(!text.isEmpty());
        QVERIFY(PixelBytes(doc->CurrentImage()) == original);
        QVERIFY(!doc->CanUndo());
        QVERIFY(!doc->IsModified());
    }

private:
    QTemporaryDir m_home;
};

QTEST_MAIN(TestAdjustDialogs)
#include "test_adjustdialogs.moc"
