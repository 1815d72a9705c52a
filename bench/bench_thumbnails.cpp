// Thumbnail speed of the browser: 1,000 camera files with embedded EXIF thumbnails, 200
// 24-megapixel files without them (compared with vipsthumbnail run as two processes on the
// same files, when it is installed), and reopening an unchanged 1,000-file folder from its
// thumbnail database.
//
// Corpus: the 1,000 files carry a 160 x 120 embedded thumbnail in front of a 640 x 480
// picture (writing 1,000 real 24 MP files would take many minutes and gigabytes; the
// embedded path reads only the file's head, which is the same for either). The 200 large
// files are 6000 x 4000 pictures: 4 different ones, each hard-linked under 50 names.
#include <benchmark/benchmark.h>

#include <stdlib.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "../tests/engine/browser/thumbs_fixtures.h"
#include "browser/browserdoc.h"
#include "browser/localfilesystem.h"
#include "browser/thumbnails/thumbnailservice.h"

namespace {

namespace fs = std::filesystem;
using namespace thumbstest;

class TempFolder {
public:
    explicit TempFolder(const char* tag) {
        std::string pattern = (fs::temp_directory_path() / (std::string("lumaret-bench-") + tag + "-XXXXXX")).string();
        if (::mkdtemp(pattern.data())) m_path = pattern;
    }
    ~TempFolder() {
        std::error_code ec;
        if (!m_path.empty()) fs::remove_all(m_path, ec);
    }
    const std::string& Path() const { return m_path; }

private:
    std::string m_path;
};

// 1,000 files with embedded thumbnails, made once.
const TempFolder& EmbeddedCorpus() {
    static const std::unique_ptr<TempFolder> corpus = [] {
        auto folder = std::make_unique<TempFolder>("embedded");
        const std::string pics = folder->Path() + "/pics";
        fs::create_directories(pics);
        for (int i = 0; i < 1000; ++i) {
            const Picture thumb = MakeTextured(160, 120, uint32_t(i % 50));
            static std::vector<Picture> mains;
            if (mains.empty())
                for (int m = 0; m < 10; ++m) mains.push_back(MakeTextured(640, 480, uint32_t(100 + m)));
            char name[64];
            std::snprintf(name, sizeof name, "/IMG_%04d.JPG", i);
            WriteCameraFile(pics + name, mains[size_t(i % 10)], &thumb, i % 7 == 0 ? 6 : 1, "2020:05:06 07:08:09");
        }
        return folder;
    }();
    return *corpus;
}

// 200 large files without embedded thumbnails, made once.
const TempFolder& LargeCorpus() {
    static const std::unique_ptr<TempFolder> corpus = [] {
        auto folder = std::make_unique<TempFolder>("large");
        const std::string pics = folder->Path() + "/pics";
        fs::create_directories(pics);
        std::vector<std::string> originals;
        for (int m = 0; m < 4; ++m) {
            originals.push_back(folder->Path() + "/original" + std::to_string(m) + ".jpg");
            WriteCameraFile(originals.back(), MakeTextured(6000, 4000, uint32_t(m)), nullptr);
        }
        for (int i = 0; i < 200; ++i) {
            char name[64];
            std::snprintf(name, sizeof name, "/DSC_%04d.JPG", i);
            std::error_code ec;
            fs::create_hard_link(originals[size_t(i % 4)], pics + name, ec);
        }
        return folder;
    }();
    return *corpus;
}

struct Session {
    std::string databases;
    CThumbnailService service;
    std::unique_ptr<CFileBrowserDoc> doc;

    explicit Session(std::string databaseFolder, bool useDatabase = true, bool codecLock = true)
        : databases(std::move(databaseFolder)), service(MakeOptions(databases, useDatabase, codecLock)) {
        BrowserServices s;
        s.thumbnails = &service;
        doc = std::make_unique<CFileBrowserDoc>(s);
    }
    static CThumbnailService::Options MakeOptions(const std::string& folder, bool use, bool codecLock) {
        CThumbnailService::Options o;
        o.holdCodecLock = codecLock;
        o.useDatabase = [use] { return use; };
        o.databaseFolder = [folder] { return folder; };
        return o;
    }
    CLocalFileSystem& Local() { return *static_cast<CLocalFileSystem*>(doc->Source()); }
};

// Opening the folder until every thumbnail is ready (first visit: the database is written).
void BM_EmbeddedThumbnails1000(benchmark::State& state) {
    const TempFolder& corpus = EmbeddedCorpus();
    int made = 0;
    for (auto _ : state) {
        state.PauseTiming();
        std::error_code ec;
        fs::remove_all(corpus.Path() + "/db", ec);
        Session session(corpus.Path() + "/db");
        state.ResumeTiming();
        session.doc->Browse(CHint::Folder(corpus.Path() + "/pics"));
        session.Local().WaitForThumbnails();
        made = session.service.Statistics().fromEmbedded.load();
    }
    state.counters["embedded"] = made;
    state.SetItemsProcessed(state.iterations() * 1000);
}
BENCHMARK(BM_EmbeddedThumbnails1000)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(5);

// Reopening the unchanged folder: records from the database, nothing decoded.
void BM_ReopenFromDatabase1000(benchmark::State& state) {
    const TempFolder& corpus = EmbeddedCorpus();
    {
        std::error_code ec;
        fs::remove_all(corpus.Path() + "/db", ec);
        Session first(corpus.Path() + "/db");
        first.doc->Browse(CHint::Folder(corpus.Path() + "/pics"));
        first.Local().WaitForThumbnails();
    }
    int decoded = 0, loaded = 0;
    double listedMs = 0;
    for (auto _ : state) {
        Session session(corpus.Path() + "/db");
        const auto start = std::chrono::steady_clock::now();
        session.doc->Browse(CHint::Folder(corpus.Path() + "/pics"));
        session.Local().WaitForListing();
        listedMs += std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
        session.Local().WaitForThumbnails();
        decoded += session.service.Statistics().fromEmbedded.load() + session.service.Statistics().fromFile.load();
        loaded = session.service.LastLoadedCount();
    }
    state.counters["decoded"] = decoded;
    state.counters["from_database"] = loaded;
    state.counters["list_complete_ms"] = listedMs / double(state.iterations());
}
BENCHMARK(BM_ReopenFromDatabase1000)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(5);

// Runs vipsthumbnail on the files as two processes, each taking every other file; seconds.
double VipsTwoProcesses(const std::vector<std::string>& files, const std::string& out) {
    if (std::system("command -v vipsthumbnail >/dev/null 2>&1") != 0) return -1;
    fs::create_directories(out);
    const auto start = std::chrono::steady_clock::now();
    std::vector<pid_t> children;
    for (int half = 0; half < 2; ++half) {
        std::vector<std::string> args = {"vipsthumbnail", "-s", "130", "-o", out + "/%s.jpg"};
        for (size_t i = size_t(half); i < files.size(); i += 2) args.push_back(files[i]);
        const pid_t pid = ::fork();
        if (pid == 0) {
            std::vector<char*> argv;
            for (std::string& a : args) argv.push_back(a.data());
            argv.push_back(nullptr);
            ::execvp("vipsthumbnail", argv.data());
            ::_exit(127);
        }
        children.push_back(pid);
    }
    for (pid_t pid : children) ::waitpid(pid, nullptr, 0);
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

// 200 24 MP files decoded at 1/8 through the codec component; thumbnails per second.
// Argument 1: with the codec lock (decodes one at a time); 0: without it.
void BM_DecodedThumbnails200(benchmark::State& state) {
    const TempFolder& corpus = LargeCorpus();
    std::vector<std::string> files;
    for (const auto& f : fs::directory_iterator(corpus.Path() + "/pics")) files.push_back(f.path().string());
    VipsTwoProcesses(files, corpus.Path() + "/vips-warm");  // the same warm cache for both
    double engineSeconds = 0, vipsSeconds = 0;
    for (auto _ : state) {
        Session session(corpus.Path() + "/db", false, state.range(0) != 0);
        const auto start = std::chrono::steady_clock::now();
        session.doc->Browse(CHint::Folder(corpus.Path() + "/pics"));
        session.Local().WaitForThumbnails();
        engineSeconds += std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        state.PauseTiming();
        vipsSeconds += VipsTwoProcesses(files, corpus.Path() + "/vips");
        state.ResumeTiming();
    }
    const double n = double(state.iterations()) * 200;
    state.counters["engine_thumbs_per_s"] = n / engineSeconds;
    if (vipsSeconds > 0) {
        state.counters["vips2_thumbs_per_s"] = n / vipsSeconds;
        state.counters["ratio"] = vipsSeconds / engineSeconds;
    }
}
BENCHMARK(BM_DecodedThumbnails200)->Arg(1)->Arg(0)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(1);

}  // namespace

BENCHMARK_MAIN();
