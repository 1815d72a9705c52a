// The adjustment dialogs over a 24-megapixel picture in a 1600 x 1000 editor view at the
// fit zoom, driven offscreen:
//  - BM_PreviewLatency: from a typed value to the repainted view showing its preview
//    (the worker's run, the hand-over to the window thread and one repaint);
//  - BM_Commit against BM_EngineRoutine: OK's whole-image run with its undo step against
//    the engine routine alone into a buffer of the same size, in the same run.
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QEventLoop>
#include <QLineEdit>
#include <QTimer>
#include <cstdint>
#include <memory>
#include <vector>

#include "adjust/adjustcommands.h"
#include "adjust/adjustdialog.h"
#include "adjust/curvesdialog.h"
#include "adjust/detaildialogs.h"
#include "adjust/huesatdialog.h"
#include "adjust/levelsdialog.h"
#include "adjust/mixerdialog.h"
#include "adjust/tonedialogs.h"
#include "core/imagebuffer.h"
#include "editor/commandtable.h"
#include "bench_photo.h"
#include "editor/editordoc.h"
#include "editor/editorview.h"

namespace {

using benchphoto::kHeight;
using benchphoto::kWidth;
using benchphoto::MakePhoto;

// One editor view with the photo, shared by every benchmark of the run.
CeditorView& View() {
    static std::unique_ptr<CeditorView> view = [] {
        std::vector<uint8_t> pixels = MakePhoto();
        auto doc = std::make_unique<CeditorDoc>();
        doc->OpenPixels(ImagePlane::Make(pixels.data(), kWidth, kHeight), "photo.jpg");
        auto made = std::make_unique<CeditorView>(nullptr, std::move(doc));
        made->resize(1600 + 2 * made->frameWidth(), 1000 + 2 * made->frameWidth());
        made->show();
        QApplication::processEvents();
        made->SetFastDrawing(false);
        made->RenderImage();  // the fit is made by the first drawing
        return made;
    }();
    return *view;
}

// Waits on the window thread until the bridge has handed over one more preview.
void WaitForPreview(CPreviewBridge& bridge, uint64_t shownBefore) {
    if (bridge.ShownPreviews() > shownBefore) return;
    QEventLoop loop;
    QObject::connect(&bridge, &CPreviewBridge::previewShown, &loop, &QEventLoop::quit);
    QTimer::singleShot(10000, &loop, &QEventLoop::quit);
    loop.exec();
}

// Command, pair typed into, and the two values typed in turn.
struct LatencyCase {
    int command;
    int pair;
    const char* first;
    const char* second;
};

void BM_PreviewLatency(benchmark::State& state, LatencyCase c) {
    CeditorView& view = View();
    std::unique_ptr<CAdjustDialog> dialog = MakeAdjustDialog(c.command, &view);
    CPreviewBridge* bridge = dialog->Bridge();
    bridge->WaitIdle();
    QApplication::processEvents();
    bool flip = false;
    for (auto _ : state) {
        const uint64_t before = bridge->ShownPreviews();
        dialog->EditOf(c.pair)->setText(QString::fromLatin1(flip ? c.first : c.second));
        flip = !flip;
        WaitForPreview(*bridge, before);
        view.viewport()->repaint();
    }
    state.counters["zoom"] = view.Zoom();
}
BENCHMARK_CAPTURE(BM_PreviewLatency, levels, LatencyCase{cmd::Levels, 1, "10", "40"})
    ->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK_CAPTURE(BM_PreviewLatency, brightness, LatencyCase{cmd::Brightness, 0, "30", "-30"})
    ->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK_CAPTURE(BM_PreviewLatency, boost, LatencyCase{cmd::Boost, 0, "30", "60"})
    ->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK_CAPTURE(BM_PreviewLatency, mixer, LatencyCase{cmd::ChannelMixer, 1, "20", "-20"})
    ->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK_CAPTURE(BM_PreviewLatency, huesat, LatencyCase{cmd::HueSaturation, 0, "40", "-40"})
    ->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK_CAPTURE(BM_PreviewLatency, sharpen, LatencyCase{cmd::Sharpen, 0, "150", "250"})
    ->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK_CAPTURE(BM_PreviewLatency, shadows_radius, LatencyCase{cmd::ShadowControl, 1, "30", "60"})
    ->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK_CAPTURE(BM_PreviewLatency, shadows_amount, LatencyCase{cmd::ShadowControl, 2, "40", "70"})
    ->Unit(benchmark::kMillisecond)->UseRealTime();

// Curves has no pairs: a point is dragged through the editor's mouse rules instead.
void BM_PreviewLatencyCurves(benchmark::State& state) {
    CeditorView& view = View();
    CCurvesDialog dialog(&view);
    dialog.Editor().LeftButtonDown(128, 127);
    dialog.CurveChanged();
    dialog.Bridge()->WaitIdle();
    QApplication::processEvents();
    bool flip = false;
    for (auto _ : state) {
        const uint64_t before = dialog.Bridge()->ShownPreviews();
        if (dialog.Editor().MouseMove(128, flip ? 90 : 110, true, false)) dialog.CurveChanged();
        flip = !flip;
        WaitForPreview(*dialog.Bridge(), before);
        view.viewport()->repaint();
    }
    dialog.Editor().LeftButtonUp();
}
BENCHMARK(BM_PreviewLatencyCurves)->Unit(benchmark::kMillisecond)->UseRealTime();

// Command and a value typed into one of its pairs before OK.
struct CommitCase {
    int command;
    int pair;
    const char* value;
};

void BM_Commit(benchmark::State& state, CommitCase c) {
    CeditorView& view = View();
    CeditorDoc* doc = view.GetDocument();
    for (auto _ : state) {
        state.PauseTiming();
        std::unique_ptr<CAdjustDialog> dialog = MakeAdjustDialog(c.command, &view);
        dialog->EditOf(c.pair)->setText(QString::fromLatin1(c.value));
        dialog->Bridge()->WaitIdle();
        state.ResumeTiming();
        if (!dialog->Commit()) state.SkipWithError("commit failed");
        state.PauseTiming();
        doc->Undo();
        dialog.reset();
        QApplication::processEvents();
        state.ResumeTiming();
    }
}

// The same routine the dialog commits, alone, into a buffer allocated outside the timing.
void BM_EngineRoutine(benchmark::State& state, CommitCase c) {
    CeditorView& view = View();
    const ImagePlane source = view.GetDocument()->CurrentImage();
    CImageBuffer target;
    target.Create(source.width, source.height);
    CeditorDoc::Routine routine;
    {
        std::unique_ptr<CAdjustDialog> dialog = MakeAdjustDialog(c.command, &view);
        dialog->EditOf(c.pair)->setText(QString::fromLatin1(c.value));
        dialog->Bridge()->WaitIdle();
        routine = dialog->WholeImageRoutine();
    }
    QApplication::processEvents();
    for (auto _ : state) {
        if (!routine(source, target.Plane())) state.SkipWithError("routine failed");
        benchmark::ClobberMemory();
    }
}

#define COMMIT_PAIR(name, ...)                                                                              \
    BENCHMARK_CAPTURE(BM_EngineRoutine, name, CommitCase{__VA_ARGS__})->Unit(benchmark::kMillisecond)->UseRealTime(); \
    BENCHMARK_CAPTURE(BM_Commit, name, CommitCase{__VA_ARGS__})->Unit(benchmark::kMillisecond)->UseRealTime();

// The fixed share of every commit that the routine does not have: a new 24 MP state (an
// all-black buffer from the block allocator) and the histogram recount of the result.
void BM_CommitOverheadNewState(benchmark::State& state) {
    for (auto _ : state) {
        CImageBuffer buffer;
        if (!buffer.Create(kWidth, kHeight)) state.SkipWithError("no memory");
        benchmark::DoNotOptimize(buffer.Data());
    }
}
BENCHMARK(BM_CommitOverheadNewState)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_CommitOverheadHistogram(benchmark::State& state) {
    CeditorDoc* doc = View().GetDocument();
    for (auto _ : state) doc->ComputeHistogram();
}
BENCHMARK(BM_CommitOverheadHistogram)->Unit(benchmark::kMillisecond)->UseRealTime();

COMMIT_PAIR(levels, cmd::Levels, 1, "30")
COMMIT_PAIR(brightness, cmd::Brightness, 0, "40")
COMMIT_PAIR(huesat, cmd::HueSaturation, 1, "30")
COMMIT_PAIR(sharpen, cmd::Sharpen, 0, "150")
COMMIT_PAIR(shadows, cmd::ShadowControl, 2, "60")

}  // namespace

LUMARET_QT_BENCHMARK_MAIN()
