// The browser window's speed: scrolling a grid of 10,000 thumbnails (one repaint per step),
// opening a folder until the first screen, then every row, has its thumbnail, and opening
// a picture from the browser until the editor has painted it (compare with the decode alone).
// Run on the offscreen platform; figures are only meaningful on an otherwise idle machine.
//   LUMARET_BENCH_PHOTOS=FOLDER  a folder of camera photos to open (default: 300 generated
//                                JPEG files without embedded thumbnails)
//
// Figures from one run on a shared 2-core machine while other builds ran (so only rough),
// with 1,000 hard links to one 1391 x 2463 camera photo with a 96 x 160 EXIF thumbnail:
// scroll step with repaint 1.7 ms; first screen of thumbnails 0.04 s, whole folder 0.18 s
// (every link is the same file, so it is always in the page cache); a 4000 x 3000 picture
// opened from the browser and painted 130 ms against 101 ms for the decode alone (1.29x).
#include <benchmark/benchmark.h>

#include <QAbstractItemView>
#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QScrollBar>
#include <QTemporaryDir>
#include <QThread>
#include <cstring>
#include <memory>

#include "browser/browserdoc.h"
#include "browser/browserframe.h"
#include "browser/browsermodel.h"
#include "browser/browserview.h"
#include "browser/filesystemif.h"
#include "browser/hint.h"
#include "codec/jpegcodec.h"
#include "editor/childframe.h"
#include "editor/editordoc.h"
#include "editor/editorview.h"
#include "core/imageplane.h"
#include "shell/mainframe.h"

namespace {

// Runs the event loop until `done` holds or `ms` milliseconds have passed.
template <class F>
bool WaitFor(F done, int ms) {
    QElapsedTimer timer;
    timer.start();
    while (!done()) {
        if (timer.elapsed() > ms) return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        QThread::usleep(200);
    }
    return true;
}

// A source that lists `rows` entries with ready 130 x 97 thumbnails.
class FilledSource : public CFileSystemIF {
public:
    FilledSource(CFileBrowserDoc& doc, const BrowserServices& services, int rows)
        : m_doc(doc), m_services(services), m_rows(rows) {}
    int32_t GetSourceKind() const override { return CHint::kCamera; }
    void Browse(const CHint*) override {
        for (int i = 0; i < m_rows; ++i) {
            const int32_t index = m_doc.AddEntry("/card/DCIM/IMG_" + std::to_string(10000 + i) + ".JPG");
            FileEntry* e = m_doc.Entry(index);
            e->flags = kEntryJpegFlags | kEntryThumbnailReady;
            e->size = 3000000 + i;
            e->imageWidth = 4000;
            e->imageHeight = 3000;
            e->bitsPerPixel = 24;
            e->thumbWidth = 130;
            e->thumbHeight = 97;
            for (size_t b = 0; b < size_t(ImagePlane::BytesFor(130, 97)); ++b) e->pixels[b] = uint8_t(b * 7 + i);
            m_doc.AppendVisible(index);
        }
        m_services.sink->PostUpdate(kUpdateCount, m_doc.VisibleCount());
    }
    void Refresh() override {}
    void SetThumbnailCursor(int32_t, int32_t) override {}
    void RestartThumbnails() override {}
    void OnThumbnailsDone() override {}
    void Download() override {}
    bool CanDownload() override { return false; }
    void DeleteSelected() override {}
    bool CanDelete() override { return false; }
    void FlatViewOn() override {}
    bool CanFlatViewOn() override { return false; }
    void FlatViewOff() override {}
    bool IsFlatView() override { return false; }

private:
    CFileBrowserDoc& m_doc;
    BrowserServices m_services;
    int m_rows;
};

void BM_GridScrollStep(benchmark::State& state) {
    CFileBrowserView view;
    BrowserServices services;
    services.sink = &view;
    services.cameraSource = [](CFileBrowserDoc& doc, const BrowserServices& s) {
        return std::make_unique<FilledSource>(doc, s, 10000);
    };
    CFileBrowserDoc doc(services);
    view.SetDocument(&doc);
    view.resize(1000, 700);
    view.show();
    CHint camera;
    camera.sourceKind = CHint::kCamera;
    view.OnBrowserUpdate(kUpdateBrowse, reinterpret_cast<intptr_t>(&camera));
    WaitFor([&] { return view.Model()->Count() == 10000; }, 10000);
    QScrollBar* bar = view.ActiveView()->verticalScrollBar();
    QCoreApplication::processEvents();
    int value = 0;
    for (auto _ : state) {
        value = (value + 40) % std::max(bar->maximum(), 1);
        bar->setValue(value);
        view.ActiveView()->viewport()->repaint();  // the paint itself, not just its request
    }
    state.counters["rows"] = view.Model()->Count();
}
BENCHMARK(BM_GridScrollStep)->Unit(benchmark::kMillisecond);

// Opens the folder in a browser window; reports the time until the first screen of rows
// has thumbnails and until every row has one.
void BM_OpenFolder(benchmark::State& state) {
    QTemporaryDir generated;
    QString folder = qEnvironmentVariable("LUMARET_BENCH_PHOTOS");
    if (folder.isEmpty()) {
        std::vector<uint8_t> pixels(size_t(ImagePlane::BytesFor(1600, 1200)));
        for (size_t i = 0; i < pixels.size(); ++i) pixels[i] = uint8_t(i * 31 / 7);
        for (int i = 0; i < 300; ++i)
            writeJPEGfile(QFile::encodeName(generated.filePath(QString::asprintf("IMG_%04d.jpg", i))).constData(), 1600,
                          1200, pixels.data(), 85);
        folder = generated.path();
    }
    double firstScreen = 0, whole = 0;
    for (auto _ : state) {
        // No thumbnail database from an earlier iteration: every thumbnail is made.
        QDir(qEnvironmentVariable("XDG_CACHE_HOME")).removeRecursively();
        CMainFrame frame;
        frame.resize(1280, 800);
        frame.show();
        QElapsedTimer timer;
        timer.start();
        CBrowserFrame* browser = frame.OpenBrowser(folder, "Browser");
        CFileBrowserView* view = browser->View();
        CFileBrowserDoc* doc = browser->Document();
        auto readyRows = [&](int limit) {
            for (int row = 0; row < limit; ++row)
                if (!doc->VisibleEntry(row) || !doc->VisibleEntry(row)->Has(kEntryThumbnailReady)) return false;
            return true;
        };
        WaitFor([&] { return view->Model()->Count() > 0 && view->ListingStateValue() == 0; }, 60000);
        const int screen = std::min(view->Model()->Count(), 5 * 3);
        WaitFor([&] { return readyRows(screen); }, 60000);
        firstScreen += timer.nsecsElapsed() / 1e9;
        WaitFor([&] { return readyRows(view->Model()->Count()); }, 120000);
        whole += timer.nsecsElapsed() / 1e9;
    }
    state.counters["first_screen_s"] = benchmark::Counter(firstScreen, benchmark::Counter::kAvgIterations);
    state.counters["whole_folder_s"] = benchmark::Counter(whole, benchmark::Counter::kAvgIterations);
}
BENCHMARK(BM_OpenFolder)->Unit(benchmark::kMillisecond)->Iterations(3);

// A camera-sized picture (4000 x 3000) in its own folder, written once.
const QString& BigPicture() {
    static QTemporaryDir folder;
    static const QString path = [] {
        const QString file = folder.filePath("IMG_0001.jpg");
        std::vector<uint8_t> pixels(size_t(ImagePlane::BytesFor(4000, 3000)));
        for (size_t i = 0; i < pixels.size(); ++i) pixels[i] = uint8_t((i * 2654435761u) >> 24);
        writeJPEGfile(QFile::encodeName(file).constData(), 4000, 3000, pixels.data(), 90);
        return file;
    }();
    return path;
}

// The decode alone, as the editor document does it.
void BM_DecodePicture(benchmark::State& state) {
    const std::string path = BigPicture().toStdString();
    for (auto _ : state) {
        CeditorDoc doc(nullptr);
        doc.OnOpenDocument(path);
        benchmark::DoNotOptimize(doc.CurrentImage().width);
    }
}
BENCHMARK(BM_DecodePicture)->Unit(benchmark::kMillisecond);

// A double click's way from the browser to the editor's first painted frame.
void BM_OpenPictureFromBrowser(benchmark::State& state) {
    CMainFrame frame;
    frame.resize(1280, 800);
    frame.show();
    CBrowserFrame* browser = frame.OpenBrowser(QFileInfo(BigPicture()).path(), "Browser");
    CFileBrowserView* view = browser->View();
    WaitFor([&] { return view->Model()->Count() == 1 && view->ListingStateValue() == 0; }, 60000);
    for (auto _ : state) {
        view->OpenRow(0);
        CeditorView* editor = frame.ActiveEditorView();
        if (!editor) {
            state.SkipWithError("the picture did not open");
            break;
        }
        editor->viewport()->repaint();
        state.PauseTiming();
        delete editor->ChildFrame();
        QCoreApplication::processEvents();
        state.ResumeTiming();
    }
}
BENCHMARK(BM_OpenPictureFromBrowser)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    // Thumbnail databases of the runs go to a folder of their own, removed at the end.
    QTemporaryDir cache;
    qputenv("XDG_CACHE_HOME", QFile::encodeName(cache.path()));
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
