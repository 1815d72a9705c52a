// The main window: menu commands, and opening good and bad files into picture windows.
#include <QAction>
#include <QDir>
#include <QFile>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QTemporaryDir>
#include <QtTest>
#include <vector>

#include "codec/jpegcodec.h"
#include "core/imageplane.h"
#include "editor/pictureview.h"
#include "shell/mainframe.h"

class TestMainFrame : public QObject {
    Q_OBJECT
private slots:
    void hasFileOpenAndExit() {
        CMainFrame frame;
        QVERIFY(frame.findChild<QAction*>("actionOpen"));
        QAction* exit = frame.findChild<QAction*>("actionExit");
        QVERIFY(exit);
        frame.show();
        exit->trigger();
        QVERIFY(!frame.isVisible());
    }

    void opensAJpegAtItsSize() {
        QTemporaryDir dir;
        const QString path = dir.filePath("gradient.jpg");
        const int w = 37, h = 21;
        std::vector<uint8_t> pixels(ImagePlane::BytesFor(w, h));
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x) {
                uint8_t* p = pixels.data() + y * ImagePlane::StrideFor(w) + x * 3;
                p[0] = uint8_t(x * 6);
                p[1] = uint8_t(y * 12);
                p[2] = 200;
            }
        QVERIFY(writeJPEGfile(path.toLocal8Bit().constData(), w, h, pixels.data(), 90));

        CMainFrame frame;
        QString error;
        QVERIFY(frame.OpenFile(path, &error));
        const auto windows = frame.MdiArea()->subWindowList();
        QCOMPARE(windows.size(), 1);
        auto* view = qobject_cast<CPictureView*>(windows[0]->widget());
        QVERIFY(view);
        QCOMPARE(view->PictureSize(), QSize(w, h));
        QCOMPARE(windows[0]->windowTitle(), QString("gradient.jpg"));
    }

    void refusesFilesThatAreNotJpeg() {
        QTemporaryDir dir;
        const QString text = dir.filePath("notes.jpg");
        QFile f(text);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write("this is not a picture\n");
        f.close();

        CMainFrame frame;
        QString error;
        QVERIFY(!frame.OpenFile(text, &error));
        QVERIFY(error.contains("notes.jpg"));
        QVERIFY(!frame.OpenFile(dir.filePath("missing.jpg"), &error));
        QVERIFY(frame.MdiArea()->subWindowList().isEmpty());
    }
};

QTEST_MAIN(TestMainFrame)
#include "test_mainframe.moc"
