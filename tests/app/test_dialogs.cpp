// The editor's dialogs: Save As (quality and "Strip EXIF data"), Resize bound to its
// model, the open dialog's half-size preview, the EXIF report page and its lifetime, and
// whole round trips through the real dialogs: open, turn, undo, save, save as.
#include <QCheckBox>
#include <QAbstractItemView>
#include <QComboBox>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QSlider>
#include <QTextBrowser>
#include <QtTest>
#include <mutex>

#include "apptest.h"
#include "codec/codeclock.h"
#include "editor/childframe.h"
#include "editor/commandtable.h"
#include "editor/editorview.h"
#include "editor/previewfiledialog.h"
#include "editor/savefiledialog.h"
#include "exif/exif.h"
#include "exif/exifinfodialog.h"
#include "exif/ifdentry.h"
#include "geometry/resizedialog.h"
#include "shell/mainframe.h"

using namespace apptest;

namespace {

const QString kCameraFile = QStringLiteral(LUMARET_TESTDATA_DIR "/jpeg/exif-py/jpg/tests/Xiaomi_Mi_9T_KeyError.jpg");

// Decodes a JPEG file; an empty result when it cannot be read.
Pixels Decode(const QString& path) {
    std::lock_guard<std::mutex> guard(CodecLock());
    int width = 0, height = 0, components = 0;
    if (!getJPEGFileInfo(QFile::encodeName(path).constData(), &width, &height, &components)) return {};
    Pixels pixels{width, height, std::vector<uint8_t>(ImagePlane::BytesFor(width, height))};
    if (!readJPEGfile(pixels.bytes.data(), 0)) return {};
    return pixels;
}

// A small picture carrying the camera file's EXIF block (orientation 6: taken upright).
bool MakeCameraPicture(const QString& path, int width, int height) {
    if (!WriteJpeg(path, MakePattern(width, height))) return false;
    CExif camera(kCameraFile.toStdString());
    CExif small(path.toStdString());
    return camera.Read() == 0 && camera.HasExif() && small.Read() == 0 && small.CopyExifFrom(camera) &&
           small.WriteFile();
}

uint32_t ExifValue(CExif& exif, uint16_t tag) {
    const CIFDEntry* entry = exif.Section().FindEntry(tag);
    return entry && entry->HasValues() ? entry->Values()[0].first : 0;
}

// Types `path` into a file dialog's name field and presses OK, as a user would.
void ChooseFile(QFileDialog* dialog, const QString& path) {
    auto* name = dialog->findChild<QLineEdit*>("fileNameEdit");
    QVERIFY(name);
    // The proposed file is selected in the list; typing a name replaces that selection.
    for (QAbstractItemView* list : dialog->findChildren<QAbstractItemView*>())
        if (list->selectionModel()) list->selectionModel()->clearSelection();
    name->setFocus();
    name->setText(path);
    static_cast<QDialog*>(dialog)->accept();
}

QStringList LabelTexts(QWidget* dialog) {
    QStringList texts;
    for (QLabel* label : dialog->findChildren<QLabel*>()) texts << label->text();
    return texts;
}

}  // namespace

class TestDialogs : public QObject {
    Q_OBJECT
    QTemporaryDir m_home;

private slots:
    void initTestCase() { QVERIFY(UseProgramFolder(m_home)); }

    void saveAsOffersQualityAndStrip() {
        QTemporaryDir dir;
        CSaveFileDialog dialog(nullptr, dir.path(), "holiday.jpg");
        QCOMPARE(dialog.QualitySlider()->minimum(), 50);
        QCOMPARE(dialog.QualitySlider()->maximum(), 100);
        QCOMPARE(dialog.QualitySlider()->value(), 85);
        QCOMPARE(dialog.QualitySlider()->tickInterval(), 5);
        QCOMPARE(dialog.QualityEdit()->text(), QString("85"));
        QCOMPARE(dialog.Quality(), 85);
        QCOMPARE(dialog.StripBox()->text(), QString("Strip EXIF data"));
        QVERIFY(!dialog.StripBox()->isChecked());
        QVERIFY(!dialog.StripExif());
        const QStringList labels = LabelTexts(&dialog);
        for (const char* text : {"Smaller file", "Better qulity", "(smaller file)"}) QVERIFY(labels.contains(text));
        QCOMPARE(dialog.defaultSuffix(), QString("jpg"));
        QCOMPARE(dialog.nameFilters(), QStringList{"Digital camera files (*.jpg)"});
        QCOMPARE(dialog.SelectedPath(), QDir(dir.path()).filePath("holiday.jpg"));

        dialog.QualityEdit()->setFocus();
        dialog.QualityEdit()->clear();
        QTest::keyClicks(dialog.QualityEdit(), "95");
        QCOMPARE(dialog.QualitySlider()->value(), 95);
        QCOMPARE(dialog.Quality(), 95);
        // Out of range: refused, the last good value stands.
        dialog.QualityEdit()->clear();
        QTest::keyClicks(dialog.QualityEdit(), "30");
        QCOMPARE(dialog.Quality(), 95);
        QCOMPARE(dialog.QualitySlider()->value(), 95);
        dialog.QualitySlider()->setFocus();
        dialog.QualitySlider()->setValue(60);
        QCOMPARE(dialog.QualityEdit()->text(), QString("60"));
        QCOMPARE(dialog.Quality(), 60);

        dialog.StripBox()->click();
        QVERIFY(dialog.StripExif());
    }

    void resizeFollowsItsModel() {
        CResize dialog(3000, 2000, nullptr);
        QCOMPARE(dialog.windowTitle(), QString("Resize"));
        QCOMPARE(dialog.WidthEdit()->text(), QString("3000"));
        QCOMPARE(dialog.HeightEdit()->text(), QString("2000"));
        QVERIFY(dialog.PreserveBox()->isChecked());
        QCOMPARE(dialog.UnitsBox()->currentText(), QString("Pixels"));
        QCOMPARE(dialog.MethodBox()->currentText(), QString("Bi-cubic"));
        QCOMPARE(dialog.MethodBox()->count(), 5);
        QCOMPARE(dialog.WidthEdit()->toolTip(), QString("New image width."));

        dialog.WidthEdit()->clear();
        QTest::keyClicks(dialog.WidthEdit(), "20000");
        QCOMPARE(dialog.WidthEdit()->text(), QString("10000"));
        QCOMPARE(dialog.HeightEdit()->text(), QString("6667"));

        dialog.WidthEdit()->selectAll();
        QTest::keyClicks(dialog.WidthEdit(), "1500");
        QCOMPARE(dialog.HeightEdit()->text(), QString("1000"));
        dialog.UnitsBox()->setCurrentIndex(1);
        QCOMPARE(dialog.WidthEdit()->text(), QString("50"));
        QCOMPARE(dialog.HeightEdit()->text(), QString("50"));
        dialog.MethodBox()->setCurrentIndex(3);
        dialog.accept();
        QCOMPARE(dialog.WidthEdit()->text(), QString("1500"));
        const geometry::CResizeModel::Result result = dialog.GetResult();
        QCOMPARE(result.width, 1500);
        QCOMPARE(result.height, 1000);
        QCOMPARE(result.method, geometry::ResizeMethod::SuperSampling);

        // Without proportions the other side stays.
        CResize free(300, 200, nullptr);
        free.PreserveBox()->setChecked(false);
        free.HeightEdit()->selectAll();
        QTest::keyClicks(free.HeightEdit(), "50");
        QCOMPARE(free.WidthEdit()->text(), QString("300"));
    }

    void openDialogPreviewsAtHalfSize() {
        QTemporaryDir dir;
        const QString path = dir.filePath("wide.jpg");
        QVERIFY(WriteJpeg(path, MakeUniform(101, 51, 20, 120, 220)));
        CPreviewFileDialog dialog(nullptr, dir.path());
        QVERIFY(dialog.PreviewCheck()->isChecked());
        QCOMPARE(dialog.PreviewCheck()->text(), QString("Preview"));
        QVERIFY(dialog.LoadPreview(path));
        QCOMPARE(dialog.PreviewImage().size(), QSize(51, 26));
        const QColor centre = dialog.PreviewImage().pixelColor(25, 13);
        QVERIFY(std::abs(centre.red() - 220) <= 3 && std::abs(centre.green() - 120) <= 3 &&
                std::abs(centre.blue() - 20) <= 3);
        // A bigger picture after a smaller one, and files that are no pictures.
        const QString big = dir.filePath("big.jpg");
        QVERIFY(WriteJpeg(big, MakePattern(300, 200)));
        QVERIFY(dialog.LoadPreview(big));
        QCOMPARE(dialog.PreviewImage().size(), QSize(150, 100));
        QFile junk(dir.filePath("junk.jpg"));
        QVERIFY(junk.open(QIODevice::WriteOnly));
        junk.write("\xFF\xD8 not really");
        junk.close();
        QVERIFY(!dialog.LoadPreview(junk.fileName()));
        QVERIFY(dialog.PreviewImage().isNull());
        QVERIFY(!dialog.LoadPreview(dir.path()));
    }

    void exifReportLivesAsLongAsItsDialog() {
        QTemporaryDir dir;
        const QString path = dir.filePath("camera.jpg");
        if (!QFileInfo::exists(kCameraFile)) QSKIP("the camera test picture is not there");
        QVERIFY(MakeCameraPicture(path, 40, 30));
        CExif exif(path.toStdString());
        QCOMPARE(exif.Read(), 0);
        QString report;
        {
            CExifInfoDlg dialog(exif);
            report = dialog.ReportPath();
            QVERIFY(QFileInfo::exists(report));
            QCOMPARE(QFileInfo(report).fileName(), QString("exif.html"));
            QVERIFY(!report.startsWith(QDir::currentPath()));
            const QString text = dialog.Browser()->toPlainText();
            QVERIFY2(text.contains("Xiaomi"), qPrintable(text));
            QVERIFY(text.contains("Orientation"));
        }
        QVERIFY(!QFileInfo::exists(report));
    }

    void cameraPictureOpensUprightAndSaveAsCarriesItsExif() {
        if (!QFileInfo::exists(kCameraFile)) QSKIP("the camera test picture is not there");
        QTemporaryDir dir;
        const QString path = dir.filePath("camera.jpg");
        QVERIFY(MakeCameraPicture(path, 64, 48));
        CMainFrame frame;
        frame.show();
        CeditorView* view = frame.OpenDocument(path);
        CeditorDoc* doc = view->GetDocument();
        QCOMPARE(doc->CurrentImage().width, 48);
        QCOMPARE(doc->CurrentImage().height, 64);
        QVERIFY(!doc->IsModified());
        QVERIFY(frame.Action(cmd::EditUndo)->isEnabled());

        const QString kept = dir.filePath("kept.jpg");
        WhenModal([kept](QWidget* modal) {
            auto* dialog = qobject_cast<CSaveFileDialog*>(modal);
            QVERIFY(dialog);
            ChooseFile(dialog, kept);
        });
        frame.Action(cmd::FileSaveAs)->trigger();
        CExif keptExif(kept.toStdString());
        QCOMPARE(keptExif.Read(), 0);
        QVERIFY(keptExif.HasExif());
        QCOMPARE(keptExif.GetOrientation(), 1);
        QCOMPARE(ExifValue(keptExif, kTagPixelXDimension), 48u);
        QCOMPARE(ExifValue(keptExif, 0xA003), 64u);
        QCOMPARE(frame.ActiveEditorView()->ChildFrame()->windowTitle(), QString("kept.jpg"));

        const QString stripped = dir.filePath("stripped.jpg");
        WhenModal([stripped](QWidget* modal) {
            auto* dialog = qobject_cast<CSaveFileDialog*>(modal);
            QVERIFY(dialog);
            dialog->StripBox()->click();
            ChooseFile(dialog, stripped);
        });
        frame.Action(cmd::FileSaveAs)->trigger();
        CExif strippedExif(stripped.toStdString());
        QCOMPARE(strippedExif.Read(), 0);
        QVERIFY(!strippedExif.HasExif());
        QCOMPARE(Decode(stripped).width, 48);

        // Undo shows the picture as the file stores it.
        frame.Action(cmd::EditUndo)->trigger();
        QCOMPARE(doc->CurrentImage().width, 64);
    }

    void openTurnUndoSaveThroughTheDialogs() {
        QTemporaryDir dir;
        const QString path = dir.filePath("walk.jpg");
        QVERIFY(WriteJpeg(path, MakePattern(60, 40)));
        Pixels original = Decode(path);
        QCOMPARE(original.width, 60);

        CMainFrame frame;
        frame.show();
        WhenModal([path](QWidget* modal) {
            auto* dialog = qobject_cast<CPreviewFileDialog*>(modal);
            QVERIFY(dialog);
            QCOMPARE(dialog->nameFilters(), QStringList{"Digital camera files (*.jpg)"});
            ChooseFile(dialog, path);
        });
        frame.Action(cmd::FileOpen)->trigger();
        CeditorView* view = frame.ActiveEditorView();
        QVERIFY(view);
        CeditorDoc* doc = view->GetDocument();
        QCOMPARE(doc->CurrentImage().width, 60);
        QVERIFY(!frame.Action(cmd::EditUndo)->isEnabled());

        frame.Action(cmd::Rotate90Clockwise)->trigger();
        QCOMPARE(doc->CurrentImage().width, 40);
        QCOMPARE(doc->CurrentImage().height, 60);
        QVERIFY(doc->IsModified());
        frame.Action(cmd::EditUndo)->trigger();
        QCOMPARE(doc->CurrentImage().width, 60);
        QVERIFY(frame.Action(cmd::EditRedo)->isEnabled());
        frame.Action(cmd::FlipHorizontal)->trigger();
        QVERIFY(!frame.Action(cmd::EditRedo)->isEnabled());

        // Save asks first; No keeps everything as it was.
        WhenModal([](QWidget* modal) {
            auto* box = qobject_cast<QMessageBox*>(modal);
            QVERIFY(box);
            QCOMPARE(box->text(), QString("Overwrite?"));
            QCOMPARE(box->windowTitle(), QString("Save"));
            box->button(QMessageBox::No)->click();
        });
        frame.Action(cmd::FileSave)->trigger();
        QVERIFY(doc->IsModified());
        QCOMPARE(Decode(path).At(0, 0)[2], original.At(0, 0)[2]);

        WhenModal([](QWidget* modal) { qobject_cast<QMessageBox*>(modal)->button(QMessageBox::Yes)->click(); });
        frame.Action(cmd::FileSave)->trigger();
        QVERIFY(!doc->IsModified());
        // The saved picture is the mirrored one: its left edge is the original's right edge.
        Pixels saved = Decode(path);
        QCOMPARE(saved.width, 60);
        int difference = 0;
        for (int y = 0; y < 40; ++y)
            for (int c = 0; c < 3; ++c)
                difference = std::max(difference, std::abs(saved.At(1, y)[c] - original.At(58, y)[c]));
        QVERIFY2(difference < 40, qPrintable(QString::number(difference)));

        // Resize through its dialog, then closing the modified window offers to save.
        WhenModal([](QWidget* modal) {
            auto* dialog = qobject_cast<CResize*>(modal);
            QVERIFY(dialog);
            dialog->WidthEdit()->selectAll();
            QTest::keyClicks(dialog->WidthEdit(), "30");
            static_cast<QDialog*>(dialog)->accept();
        });
        frame.Action(cmd::Resize)->trigger();
        QCOMPARE(doc->CurrentImage().width, 30);
        QCOMPARE(doc->CurrentImage().height, 20);
        WhenModal([](QWidget* modal) {
            auto* box = qobject_cast<QMessageBox*>(modal);
            QVERIFY(box);
            QVERIFY(box->text().contains("walk.jpg"));
            box->button(QMessageBox::Cancel)->click();
        });
        frame.Action(cmd::FileClose)->trigger();
        QCOMPARE(frame.ActiveEditorView(), view);
    }
};

QTEST_MAIN(TestDialogs)
#include "test_dialogs.moc"
