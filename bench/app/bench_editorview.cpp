// The editor view with a 24-megapixel photo: one repaint of a 1600 x 1000 window at the fit
// zoom, and opening the file up to its first painted frame against decoding it alone.
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QFile>
#include <QTemporaryDir>
#include <cstdint>
#include <memory>
#include <mutex>
#include <vector>

#include "../../tests/engine/editor/editor_fixtures.h"
#include "codec/codeclock.h"
#include "codec/jpegcodec.h"
#include "core/imagebuffer.h"
#include "editor/childframe.h"
#include "bench_photo.h"
#include "editor/editordoc.h"
#include "editor/editorview.h"
#include "shell/mainframe.h"

namespace {

using benchphoto::kHeight;
using benchphoto::kWidth;
using benchphoto::MakePhoto;

// The photo as a JPEG file, written once; a copy whose EXIF says it was taken with the
// camera turned (orientation 6), which the editor turns upright on opening.
const QString& PhotoFile(bool sideways = false) {
    static QTemporaryDir folder;
    static const QString upright = [] {
        const QString file = folder.filePath("photo24mp.jpg");
        std::vector<uint8_t> pixels = MakePhoto();
        writeJPEGfile(QFile::encodeName(file).constData(), kWidth, kHeight, pixels.data(), 90);
        return file;
    }();
    static const QString turned = [] {
        const QString file = folder.filePath("sideways24mp.jpg");
        QFile::copy(upright, file);
        editortest::InsertExifOrientation(QFile::encodeName(file).toStdString(), kWidth, kHeight, 6);
        return file;
    }();
    return sideways ? turned : upright;
}

void BM_RepaintFitView(benchmark::State& state) {
    std::vector<uint8_t> pixels = MakePhoto();
    auto doc = std::make_unique<CeditorDoc>();
    doc->OpenPixels(ImagePlane::Make(pixels.data(), kWidth, kHeight), "photo.jpg");
    CeditorView view(nullptr, std::move(doc));
    view.resize(1600 + 2 * view.frameWidth(), 1000 + 2 * view.frameWidth());
    view.show();
    QApplication::processEvents();
    view.SetFastDrawing(false);
    view.RenderImage();  // the fit is made by the first drawing
    for (auto _ : state) {
        view.viewport()->repaint();
        benchmark::ClobberMemory();
    }
    state.counters["zoom"] = view.Zoom();
}
BENCHMARK(BM_RepaintFitView)->Unit(benchmark::kMillisecond);

void BM_RenderFitView(benchmark::State& state) {
    std::vector<uint8_t> pixels = MakePhoto();
    auto doc = std::make_unique<CeditorDoc>();
    doc->OpenPixels(ImagePlane::Make(pixels.data(), kWidth, kHeight), "photo.jpg");
    CeditorView view(nullptr, std::move(doc));
    view.resize(1600 + 2 * view.frameWidth(), 1000 + 2 * view.frameWidth());
    view.show();
    QApplication::processEvents();
    view.SetFastDrawing(false);
    for (auto _ : state) {
        QImage image = view.RenderImage();
        benchmark::DoNotOptimize(image.constBits());
    }
}
BENCHMARK(BM_RenderFitView)->Unit(benchmark::kMillisecond);

void BM_DecodeOnly(benchmark::State& state) {
    const QByteArray path = QFile::encodeName(PhotoFile());
    CImageBuffer buffer;
    for (auto _ : state) {
        std::lock_guard<std::mutex> guard(CodecLock());
        int width = 0, height = 0, components = 0;
        getJPEGFileInfo(path.constData(), &width, &height, &components);
        buffer.Create(width, height);
        benchmark::DoNotOptimize(readJPEGfile(buffer.Data(), 0));
    }
}
BENCHMARK(BM_DecodeOnly)->Unit(benchmark::kMillisecond)->UseRealTime();

// The document's share of opening: decode, EXIF, histograms.
void BM_DocumentOpen(benchmark::State& state) {
    const std::string path = QFile::encodeName(PhotoFile()).toStdString();
    for (auto _ : state) {
        CeditorDoc doc;
        doc.OnOpenDocument(path);
        benchmark::DoNotOptimize(doc.HistogramPeak());
    }
}
BENCHMARK(BM_DocumentOpen)->Unit(benchmark::kMillisecond);

// Argument 1: the sideways copy.
void BM_OpenToFirstFrame(benchmark::State& state) {
    const QString path = PhotoFile(state.range(0) != 0);
    CMainFrame frame;
    frame.resize(1700, 1150);
    frame.show();
    QApplication::processEvents();
    for (auto _ : state) {
        CeditorView* view = frame.OpenDocument(path);
        view->viewport()->repaint();
        state.PauseTiming();
        view->ChildFrame()->close();  // unmodified: closes without a question
        QApplication::processEvents();
        QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        state.ResumeTiming();
    }
}
BENCHMARK(BM_OpenToFirstFrame)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace

LUMARET_QT_BENCHMARK_MAIN()
