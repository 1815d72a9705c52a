// Listing speed of the local file source: a first listing of a folder, a refresh of the
// same folder (every file looked up among the known entries) and sorting the visible list.
#include <benchmark/benchmark.h>

#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "browser/browserdoc.h"
#include "browser/localfilesystem.h"

namespace {

namespace fs = std::filesystem;

// A temp folder of `count` small camera-named files, made once per size.
class Corpus {
public:
    explicit Corpus(int count) {
        std::string pattern = (fs::temp_directory_path() / "lumaret-bench-browser-XXXXXX").string();
        if (!::mkdtemp(pattern.data())) return;
        m_folder = pattern;
        for (int i = 0; i < count; ++i) {
            char name[32];
            std::snprintf(name, sizeof name, "/IMG_%05d.JPG", (i * 7919) % 100000);
            std::ofstream(m_folder + name) << std::string(static_cast<size_t>(100 + i % 50), 'x');
        }
    }
    ~Corpus() {
        std::error_code ec;
        if (!m_folder.empty()) fs::remove_all(m_folder, ec);
    }
    const std::string& Folder() const { return m_folder; }

private:
    std::string m_folder;
};

CLocalFileSystem& Local(CFileBrowserDoc& doc) { return *static_cast<CLocalFileSystem*>(doc.Source()); }

void BM_FirstListing(benchmark::State& state) {
    Corpus corpus(static_cast<int>(state.range(0)));
    CFileBrowserDoc doc;
    for (auto _ : state) {
        doc.Browse(CHint::Folder(corpus.Folder()));
        Local(doc).WaitForListing();
        benchmark::DoNotOptimize(doc.VisibleCount());
    }
    state.SetItemsProcessed(state.iterations() * state.range(0));
}
BENCHMARK(BM_FirstListing)->Arg(1000)->Arg(10000)->Unit(benchmark::kMillisecond);

void BM_RefreshUnchanged(benchmark::State& state) {
    Corpus corpus(static_cast<int>(state.range(0)));
    CFileBrowserDoc doc;
    doc.Browse(CHint::Folder(corpus.Folder()));
    Local(doc).WaitForListing();
    for (auto _ : state) {
        Local(doc).Refresh();
        Local(doc).WaitForListing();
        benchmark::DoNotOptimize(doc.VisibleCount());
    }
    state.SetItemsProcessed(state.iterations() * state.range(0));
}
BENCHMARK(BM_RefreshUnchanged)->Arg(1000)->Arg(10000)->Unit(benchmark::kMillisecond);

void BM_SortByName(benchmark::State& state) {
    Corpus corpus(static_cast<int>(state.range(0)));
    CFileBrowserDoc doc;
    doc.Browse(CHint::Folder(corpus.Folder()));
    Local(doc).WaitForListing();
    bool descending = false;
    for (auto _ : state) {
        descending = !descending;
        doc.Sort(CFileBrowserDoc::kSortByName |
                 (descending ? CFileBrowserDoc::kSortDescending : CFileBrowserDoc::kSortAscending));
    }
    state.SetItemsProcessed(state.iterations() * state.range(0));
}
BENCHMARK(BM_SortByName)->Arg(10000)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
