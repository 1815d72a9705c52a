// Segment scan and EXIF parse of a camera file (no pixel decoding), from a warm page cache.
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <vector>

#include "exif/exif.h"

namespace {

// The shared test data beside the source tree, or $LUMARET_TESTDATA_DIR.
std::filesystem::path CameraFile() {
    const char* env = std::getenv("LUMARET_TESTDATA_DIR");
    const std::filesystem::path root =
        env ? std::filesystem::path(env)
            : std::filesystem::path(__FILE__).parent_path().parent_path().parent_path() / "shared" / "testdata";
    return root / "jpeg" / "exif-py" / "jpg" / "Sony_DSLR-A200.jpg";
}

void BM_ExifReadFile(benchmark::State& state) {
    const std::string path = CameraFile().string();
    CExif probe(path);
    if (probe.Read() != 0 || !probe.HasExif()) {
        state.SkipWithError("camera test file not found");
        return;
    }
    for (auto _ : state) {
        CExif exif(path);
        benchmark::DoNotOptimize(exif.Read());
        benchmark::DoNotOptimize(exif.GetOrientation());
    }
}
BENCHMARK(BM_ExifReadFile)->Unit(benchmark::kMicrosecond);

void BM_ExifReadMemory(benchmark::State& state) {
    std::ifstream in(CameraFile(), std::ios::binary);
    const std::vector<uint8_t> bytes((std::istreambuf_iterator<char>(in)), {});
    if (bytes.empty()) {
        state.SkipWithError("camera test file not found");
        return;
    }
    for (auto _ : state) {
        CExif exif;
        benchmark::DoNotOptimize(exif.ReadMemory(bytes.data(), bytes.size()));
    }
}
BENCHMARK(BM_ExifReadMemory)->Unit(benchmark::kMicrosecond);

void BM_ExifRebuild(benchmark::State& state) {
    CExif exif(CameraFile().string());
    if (exif.Read() != 0 || !exif.HasExif()) {
        state.SkipWithError("camera test file not found");
        return;
    }
    for (auto _ : state) benchmark::DoNotOptimize(exif.Section().Rebuild());
}
BENCHMARK(BM_ExifRebuild)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
