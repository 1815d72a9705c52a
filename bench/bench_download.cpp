// Download speed: a verified download of 200 files of 8 MB from one folder to another on
// this disk beside `cp` of the same files followed by `sync`, and listing 1,000 files on the
// Directory Browse camera. LUMARET_BENCH_DOWNLOAD_FILES and LUMARET_BENCH_DOWNLOAD_MB make
// the first one smaller for a quick check; LUMARET_BENCH_DIR chooses the disk (default: the
// temp folder).
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <vector>

#include "browser/browserdoc.h"
#include "download/camera.h"
#include "download/wia.h"
#include "download/wiafilesystem.h"
#include "download/downloadengine.h"
#include "download/downloadhistory.h"
#include "download/folderdevice.h"

namespace {

namespace fs = std::filesystem;

int EnvInt(const char* name, int fallback) {
    const char* v = std::getenv(name);
    return v && std::atoi(v) > 0 ? std::atoi(v) : fallback;
}

fs::path BenchFolder() {
    const char* dir = std::getenv("LUMARET_BENCH_DIR");
    return fs::path(dir && *dir ? dir : fs::temp_directory_path().string()) / "lumaret-bench-download";
}

// The source "card": files of incompressible bytes, made once.
const fs::path& Card() {
    static const fs::path card = [] {
        const fs::path root = BenchFolder() / "card";
        const int files = EnvInt("LUMARET_BENCH_DOWNLOAD_FILES", 200);
        const size_t bytes = static_cast<size_t>(EnvInt("LUMARET_BENCH_DOWNLOAD_MB", 8)) << 20;
        fs::remove_all(root);
        fs::create_directories(root / "DCIM/100BENCH");
        std::mt19937_64 random(1);
        std::vector<uint64_t> block(bytes / 8);
        for (int i = 0; i < files; ++i) {
            for (uint64_t& v : block) v = random();
            char name[32];
            std::snprintf(name, sizeof name, "IMG_%04d.JPG", i);
            std::ofstream(root / "DCIM/100BENCH" / name, std::ios::binary)
                .write(reinterpret_cast<const char*>(block.data()), static_cast<std::streamsize>(bytes));
        }
        ::sync();
        return root;
    }();
    return card;
}

void BM_CopyThenSync(benchmark::State& state) {
    const fs::path target = BenchFolder() / "cp-target";
    for (auto _ : state) {
        state.PauseTiming();
        fs::remove_all(target);
        fs::create_directories(target);
        ::sync();
        state.ResumeTiming();
        const std::string command = "cp -r '" + (Card() / "DCIM").string() + "' '" + target.string() + "' && sync";
        if (std::system(command.c_str()) != 0) state.SkipWithError("cp failed");
    }
    fs::remove_all(target);
}

void BM_VerifiedDownload(benchmark::State& state) {
    const fs::path target = BenchFolder() / "download-target";
    std::vector<DownloadItem> items;
    std::string error;
    CFolderDevice::ListItems(Card().string(), items, error);
    for (auto _ : state) {
        state.PauseTiming();
        fs::remove_all(target);
        ::sync();
        CDownloadHistory history((BenchFolder() / "download.history").string());
        CFolderDevice device(Card().string());
        CDownloadEngine engine(device, history, nullptr, nullptr, nullptr);
        DownloadSettings settings;
        settings.root = target.string();
        settings.pattern = "%Y";
        settings.clickless = true;
        settings.deletePolicy = DeletePolicy::Never;
        std::atomic<bool> cancel{false};
        state.ResumeTiming();
        const DownloadSummary s = engine.Run(items, settings, cancel, std::time(nullptr));
        if (s.copied != static_cast<int>(items.size())) state.SkipWithError("not every file was copied");
    }
    fs::remove_all(target);
}

void BM_ListDirectoryCamera(benchmark::State& state) {
    const fs::path card = BenchFolder() / "camera";
    fs::remove_all(card);
    for (int i = 0; i < 1000; ++i) {
        const fs::path folder = card / "DCIM" / (std::to_string(100 + i / 100) + "BENCH");
        fs::create_directories(folder);
        std::ofstream(folder / ("IMG_" + std::to_string(i) + ".JPG")) << "x";
    }
    std::string error;
    auto session = CCameraSession::Open({"Directory Browse", "disk:" + card.string()}, error);
    if (!session) {
        state.SkipWithError(error.c_str());
        return;
    }
    for (auto _ : state) {
        std::vector<CameraItem> files;
        if (session->List(files, error) != CameraError::None || files.size() != 1000)
            state.SkipWithError("listing failed");
    }
    fs::remove_all(card);
}

// The browser's camera source over the same 1,000 files: listing with the preview and EXIF
// thumbnail attempts for each file.
void BM_ListCameraSource(benchmark::State& state) {
    const fs::path card = BenchFolder() / "camera-source";
    fs::remove_all(card);
    for (int i = 0; i < 1000; ++i) {
        const fs::path folder = card / "DCIM" / (std::to_string(100 + i / 100) + "BENCH");
        fs::create_directories(folder);
        std::ofstream(folder / ("IMG_" + std::to_string(i) + ".JPG")) << "x";
    }
    CWia::Options options;
    options.enumerate = [&] { return std::vector<CameraId>{{"Directory Browse", "disk:" + card.string()}}; };
    CWia wia(options);
    BrowserServices services;
    services.cameraSource = [&](CFileBrowserDoc& d, const BrowserServices& s) {
        return std::make_unique<CWIAFileSystem>(d, s, wia);
    };
    CFileBrowserDoc doc(services);
    CHint hint;
    hint.sourceKind = CHint::kCamera;
    hint.cameraSlot = 0;
    for (auto _ : state) {
        doc.Browse(hint);
        auto* source = dynamic_cast<CWIAFileSystem*>(doc.Source());
        if (!source) {
            state.SkipWithError("no camera source");
            break;
        }
        source->WaitForListing();
        if (doc.VisibleCount() != 1000) state.SkipWithError("listing failed");
    }
    fs::remove_all(card);
}

}  // namespace

BENCHMARK(BM_ListCameraSource)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);
BENCHMARK(BM_CopyThenSync)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(1);
BENCHMARK(BM_VerifiedDownload)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(1);
BENCHMARK(BM_ListDirectoryCamera)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);

BENCHMARK_MAIN();
