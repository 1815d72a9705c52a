// The editor view's tools on a 24-megapixel picture in a 1600 x 1000 window at the fit
// zoom: one crop-frame drag move and one filter-line drag move, each up to its repainted
// frame, and one red-eye click up to its corrected working copy.
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QMouseEvent>
#include <QTemporaryDir>
#include <cstdint>
#include <memory>
#include <vector>

#include "bench_photo.h"
#include "adjust/filters/filterpresets.h"
#include "adjust/previewbridge.h"
#include "editor/commandtable.h"
#include "editor/editordoc.h"
#include "editor/editorview.h"
#include "tools/croptool.h"
#include "tools/photofilterstool.h"
#include "tools/redeyetool.h"

namespace {

constexpr int kWidth = 6000;
constexpr int kHeight = 4000;

// Skin-like gradients with a red pupil in a dark iris at (3000, 2000).
std::vector<uint8_t> MakePhoto() {
    std::vector<uint8_t> pixels(ImagePlane::BytesFor(kWidth, kHeight));
    for (int y = 0; y < kHeight; ++y) {
        uint8_t* row = pixels.data() + static_cast<size_t>(y) * ImagePlane::StrideFor(kWidth);
        for (int x = 0; x < kWidth; ++x) {
            const int d2 = (x - 3000) * (x - 3000) + (y - 2000) * (y - 2000);
            uint8_t* px = row + x * 3;
            if (d2 <= 14 * 14) {
                px[0] = 50, px[1] = 45, px[2] = 215;
            } else if (d2 <= 28 * 28) {
                px[0] = 40, px[1] = 55, px[2] = 70;
            } else {
                const int n = (x * 7 + y * 13) % 7;
                px[0] = static_cast<uint8_t>(120 + 40 * y / kHeight + n);
                px[1] = static_cast<uint8_t>(150 + 30 * x / kWidth + n);
                px[2] = static_cast<uint8_t>(190 + n);
            }
        }
    }
    return pixels;
}

// A fitted view of the photo with the tool of `command` (or `tool`) started.
struct Setup {
    std::vector<uint8_t> pixels = MakePhoto();
    std::unique_ptr<CeditorView> view;

    explicit Setup(std::unique_ptr<IGuiItem> (*make)(CeditorView*), bool previewInCopies) {
        auto doc = std::make_unique<CeditorDoc>();
        doc->OpenPixels(ImagePlane::Make(pixels.data(), kWidth, kHeight), "photo.jpg");
        view = std::make_unique<CeditorView>(nullptr, std::move(doc));
        view->resize(1600 + 2 * view->frameWidth(), 1000 + 2 * view->frameWidth());
        view->show();
        QApplication::processEvents();
        view->SetFastDrawing(false);
        view->RenderImage();
        view->StartTool(make(view.get()), previewInCopies);
    }
    QPoint At(double x, double y) const { return view->ImageToWindow(QPointF(x, y)).toPoint(); }
    void Send(QEvent::Type type, QPoint at, Qt::MouseButtons buttons) {
        QMouseEvent event(type, QPointF(at), view->viewport()->mapToGlobal(QPointF(at)),
                          type == QEvent::MouseMove ? Qt::NoButton : Qt::LeftButton, buttons, Qt::NoModifier);
        QApplication::sendEvent(view->viewport(), &event);
    }
};

void BM_CropDragMove(benchmark::State& state) {
    Setup setup([](CeditorView* v) -> std::unique_ptr<IGuiItem> { return std::make_unique<CCropTool>(v); }, false);
    const geometry::CropRect r = static_cast<CCropTool*>(setup.view->Tool())->Model().Rect();
    setup.Send(QEvent::MouseButtonPress, setup.At(r.right, r.bottom), Qt::LeftButton);
    int step = 0;
    for (auto _ : state) {
        // Each move drags the corner and repaints the window before it returns.
        const int d = (step++ % 2) ? 40 : -40;
        setup.Send(QEvent::MouseMove, setup.At(r.right + d, r.bottom + d), Qt::LeftButton);
    }
    setup.Send(QEvent::MouseButtonRelease, setup.At(r.right, r.bottom), Qt::NoButton);
    state.counters["zoom"] = setup.view->Zoom();
    setup.view->EndTool();
}
BENCHMARK(BM_CropDragMove)->Unit(benchmark::kMillisecond);

void BM_FilterLineDragMove(benchmark::State& state) {
    static QTemporaryDir files;
    Setup setup(
            [](CeditorView* v) -> std::unique_ptr<IGuiItem> {
                const std::string presets = files.filePath("cokin.pfs").toStdString();
                const std::string last = files.filePath("filters.last").toStdString();
                adjust::CFilterPresetLibrary library(adjust::BuiltinCokinPresets());
                library.Save(presets, nullptr);
                return std::make_unique<CPhotographicFilters>(v, CPhotographicFilters::Files{presets, presets, last, last});
            },
            true);
    auto* tool = static_cast<CPhotographicFilters*>(setup.view->Tool());
    setup.Send(QEvent::MouseButtonPress, setup.At(1000, 1500), Qt::LeftButton);
    int step = 0;
    for (auto _ : state) {
        // The line turns and repaints; the preview worker follows in the background.
        const int d = (step++ % 2) ? 600 : -600;
        setup.Send(QEvent::MouseMove, setup.At(3000, 1500 + d), Qt::LeftButton);
    }
    setup.Send(QEvent::MouseButtonRelease, setup.At(3000, 1500), Qt::NoButton);
    tool->Bridge()->WaitIdle();
    setup.view->EndTool();
}
BENCHMARK(BM_FilterLineDragMove)->Unit(benchmark::kMillisecond);

void BM_RedEyeClick(benchmark::State& state) {
    Setup setup([](CeditorView* v) -> std::unique_ptr<IGuiItem> { return std::make_unique<CRedEyeTool>(v); }, false);
    auto* tool = static_cast<CRedEyeTool*>(setup.view->Tool());
    const QPoint pupil = setup.At(3000.5, 2000.5);
    int64_t corrected = 0;
    for (auto _ : state) {
        setup.Send(QEvent::MouseButtonPress, pupil, Qt::LeftButton);
        setup.Send(QEvent::MouseButtonRelease, pupil, Qt::NoButton);
        state.PauseTiming();
        corrected += tool->CanUndo();
        tool->Undo();  // the next click finds the same red pupil
        state.ResumeTiming();
    }
    state.counters["corrected"] = benchmark::Counter(static_cast<double>(corrected), benchmark::Counter::kAvgIterations);
    setup.view->EndTool();
}
BENCHMARK(BM_RedEyeClick)->Unit(benchmark::kMillisecond);

}  // namespace

LUMARET_QT_BENCHMARK_MAIN()
