// The editor's dialogs: Save As (quality and "Strip EXIF data"), Resize bound to its
// model, the open dialog's half-size preview, the EXIF report page and its lifetime, and
// whole round trips through the real dialogs: open, flip, save, save as, resize, close.
#include <QCheckBox>
#include <QComboBox>
#include <QFileInfo>
#include <QSlider>
#include <QTextBrowser>
#include <QtTest>

#include "apptest.h"
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

void TypeInto(QLineEdit* edit, const QString& text) {
    edit->setFocus();
    edit->selectAll();
    QTest::keyClicks(edit, text);
}

}  // namespace

class TestDialogs : public QObject {
    Q_OBJECT
    QTemporaryDir m_home;

private slots:
    void initTestCase() { QVERIFY(UseProgramFolder(m_home)); }

    void saveAsQualityFieldsFollowEachOther() {
        QTemporaryDir dir;
        CSaveFileDialog dialog(nullptr, dir.path(), "holiday.jpg");
        QCOMPARE(dialog.Quality(), 85);
        QVERIFY(!dialog.StripExif());
        QCOMPARE(dialog.SelectedPath(), QDir(dir.path()).filePath("holiday.jpg"));
        TypeInto(dialog.QualityEdit(), "95");
        QCOMPARE(dialog.QualitySlider()->value(), 95);
        QCOMPARE(dialog.Quality(), 95);
        // Under the slider's 50: refused, the last good value stands.
        TypeInto(dialog.QualityEdit(), "49");
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
        QVERIFY(dialog.PreserveBox()->isChecked());
        QCOMPARE(dialog.MethodBox()->currentText(), QString("Bi-cubic"));
        TypeInto(dialog.WidthEdit(), "1500");
        QCOMPARE(dialog.HeightEdit()->text(), QString("1000"));
        dialog.UnitsBox()->setCurrentIndex(1);  // percent
        QCOMPARE(dialog.WidthEdit()->text(), QString("50"));
        QCOMPARE(dialog.HeightEdit()->text(), QString("50"));
        dialog.MethodBox()->setCurrentIndex(3);
        dialog.accept();
        const geometry::CResizeModel::Result result = dialog.GetResult();
        QCOMPARE(result.width, 1500);
        QCOMPARE(result.height, 1000);
        QCOMPARE(result.method, geometry::ResizeMethod::SuperSampling);
    }

    void openDialogPreviewsAtHalfSize() {
        QTemporaryDir dir;
        const QString path = dir.filePath("wide.jpg"), big = dir.filePath("big.jpg"), junk = dir.filePath("junk.jpg");
        QVERIFY(WriteJpeg(path, MakeUniform(101, 51, 20, 120, 220)));
        QVERIFY(WriteJpeg(big, MakePattern(300, 200)));
        QFile file(junk);
        QVERIFY(file.open(QIODevice::WriteOnly) && file.write("\xFF\xD8 not really") > 0);
        file.close();
        CPreviewFileDialog dialog(nullptr, dir.path());
        QVERIFY(dialog.PreviewCheck()->isChecked());
        QVERIFY(dialog.LoadPreview(path));
        QCOMPARE(dialog.PreviewImage().size(), QSize(51, 26));
        const QColor centre = dialog.PreviewImage().pixelColor(25, 13);
        QVERIFY(std::abs(centre.red() - 220) <= 3 && std::abs(centre.green() - 120) <= 3 &&
                std::abs(centre.blue() - 20) <= 3);
        // A bigger picture after a smaller one, and files that are no pictures.
        QVERIFY(dialog.LoadPreview(big));
        QCOMPARE(dialog.PreviewImage().size(), QSize(150, 100));
        QVERIFY(!dialog.LoadPreview(junk));
        QVERIFY(dialog.PreviewImage().isNull());
        QVERIFY(!dialog.LoadPreview(dir.path()));
    }

    void exifReportLivesAsLongAsItsDialog() {
        if (!QFileInfo::exists(kCameraFile)) QSKIP("the camera test picture is not there");
        QTemporaryDir dir;
        const QString path = dir.filePath("camera.jpg");
        QVERIFY(MakeCameraPicture(path, 40, 30));
        CExif exif(path.toStdString());
        QCOMPARE(exif.Read(), 0);
        QString report;
        {
            CExifInfoDlg dialog(exif);
            report = dialog.ReportPath();
            QVERIFY(QFileInfo::exists(report));
            QVERIFY(!report.startsWith(QDir::currentPath()));
            const QString text = dialog.Browser()->toPlainText();
            QVERIFY2(text.contains("Xiaomi") && text.contains("Orientation"), qPrintable(text));
        }
        QVERIFY(!QFileInfo::exists(report));
    }

    void cameraPictureOpensUprightAndSaveAsCarriesItsExif() {
        if (!QFileInfo::exists(kCameraFile)) QSKIP("the camera test picture is not there");
        QTemporaryDir dir;
        const QString path = dir.filePath("camera.jpg"), kept = dir.filePath("kept.jpg");
        QVERIFY(MakeCameraPicture(path, 64, 48));
        CMainFrame frame;
        frame.show();
        CeditorDoc* doc = frame.OpenDocument(path)->GetDocument();
        QCOMPARE(ImageSize(doc), QSize(48, 64));

        ChooseFile<CSaveFileDialog>(kept);
        frame.Action(cmd::FileSaveAs)->trigger();
        CExif keptExif(kept.toStdString());
        QCOMPARE(keptExif.Read(), 0);
        QVERIFY(keptExif.HasExif());
        QCOMPARE(keptExif.GetOrientation(), 1);
        QCOMPARE(ExifValue(keptExif, kTagPixelXDimension), 48u);
        QCOMPARE(ExifValue(keptExif, kTagPixelYDimension), 64u);
        QCOMPARE(frame.ActiveEditorView()->ChildFrame()->windowTitle(), QString("kept.jpg"));

        const QString stripped = dir.filePath("stripped.jpg");
        ChooseFile<CSaveFileDialog>(stripped, [](CSaveFileDialog* dialog) { dialog->StripBox()->click(); });
        frame.Action(cmd::FileSaveAs)->trigger();
        CExif strippedExif(stripped.toStdString());
        QCOMPARE(strippedExif.Read(), 0);
        QVERIFY(!strippedExif.HasExif());
        QCOMPARE(Decode(stripped).width, 48);

        // Undo shows the picture as the file stores it; redo, a turn and its undo through
        // the menu commands.
        frame.Action(cmd::EditUndo)->trigger();
        QCOMPARE(ImageSize(doc), QSize(64, 48));
        frame.Action(cmd::EditRedo)->trigger();
        QCOMPARE(ImageSize(doc), QSize(48, 64));
        frame.Action(cmd::Rotate90Clockwise)->trigger();
        QCOMPARE(ImageSize(doc), QSize(64, 48));
        QVERIFY(doc->IsModified());
        frame.Action(cmd::EditUndo)->trigger();
        QCOMPARE(ImageSize(doc), QSize(48, 64));
    }

    void openFlipSaveResizeThroughTheDialogs() {
        QTemporaryDir dir;
        const QString path = dir.filePath("walk.jpg");
        QVERIFY(WriteJpeg(path, MakePattern(60, 40)));
        Pixels original = Decode(path);
        QCOMPARE(original.width, 60);

        CMainFrame frame;
        frame.show();
        ChooseFile<CPreviewFileDialog>(path, [](CPreviewFileDialog* dialog) {
            QCOMPARE(dialog->nameFilters(), QStringList{"Digital camera files (*.jpg)"});
        });
        frame.Action(cmd::FileOpen)->trigger();
        CeditorView* view = frame.ActiveEditorView();
        QVERIFY(view);
        CeditorDoc* doc = view->GetDocument();
        QCOMPARE(ImageSize(doc), QSize(60, 40));
        frame.Action(cmd::FlipHorizontal)->trigger();

        // Save asks first; No keeps everything as it was.
        QString question;
        AnswerMessage(QMessageBox::No, &question);
        frame.Action(cmd::FileSave)->trigger();
        QCOMPARE(question, QString("Overwrite?"));
        QVERIFY(doc->IsModified());
        QCOMPARE(Decode(path).At(0, 0)[2], original.At(0, 0)[2]);

        AnswerMessage(QMessageBox::Yes);
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
            TypeInto(dialog->WidthEdit(), "30");
            static_cast<QDialog*>(dialog)->accept();
        });
        frame.Action(cmd::Resize)->trigger();
        QCOMPARE(ImageSize(doc), QSize(30, 20));
        AnswerMessage(QMessageBox::Cancel, &question);
        frame.Action(cmd::FileClose)->trigger();
        QVERIFY(question.contains("walk.jpg"));
        QCOMPARE(frame.ActiveEditorView(), view);
    }
};

QTEST_MAIN(TestDialogs)
#include "test_dialogs.moc"
