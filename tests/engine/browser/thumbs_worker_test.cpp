// The thumbnail worker behind a real local source: what is decoded, what is kept in the
// database, the update codes, the cursor and step, and retries.
#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <thread>
#include <tuple>

#include "browser/filestatus.h"
#include "browser/thumbnails/thumbimage.h"
#include "browser/thumbnails/thumbnaildb.h"
#include "browser/thumbnails/thumbnailservice.h"
#include "browser_test_util.h"
#include "thumbs_fixtures.h"

using namespace browsertest;
using namespace thumbstest;
using Names = std::vector<std::string>;

namespace {

constexpr uint64_t R = FileEntry::kRecordBytes;

// What a run leaves in an entry: pixels, thumbnail size, date taken, image size.
using Snapshot = std::tuple<std::vector<uint8_t>, int, int, uint64_t, int, int>;

std::map<std::string, Snapshot> Snapshots(Browser& b) {
    std::map<std::string, Snapshot> out;
    for (int32_t row = 0; row < b.doc->VisibleCount(); ++row) {
        const FileEntry* e = b.doc->VisibleEntry(row);
        out[b.doc->EntryPath(row)] = {
            std::vector<uint8_t>(e->pixels, e->pixels + ImagePlane::BytesFor(e->thumbWidth, e->thumbHeight)),
            e->thumbWidth, e->thumbHeight, e->date.Ticks(), e->imageWidth, e->imageHeight};
    }
    return out;
}

// Thumbnails made from the embedded thumbnail and from the picture itself.
std::vector<int> Decoded(const CThumbnailService& service) {
    return {service.Statistics().fromEmbedded.load(), service.Statistics().fromFile.load()};
}

CThumbnailService::Options OneWorker(IIconProvider* icons = nullptr) {
    CThumbnailService::Options o;
    o.icons = icons;
    o.workers = 1;
    return o;
}

struct WorkerFixture : ::testing::Test {
    TempDir dir;
    ScopedEnv noCards{"LUMARET_REMOVABLE", std::nullopt};
    std::string pics = dir / "pics";
    std::string databases = dir / "db";
    bool useDatabase = true;

    CThumbnailService::Options Options(int workers = 1) {
        CThumbnailService::Options o;
        o.useDatabase = [this] { return useDatabase; };
        o.databaseFolder = [this] { return databases; };
        o.placeholderPath = std::string(LUMARET_SOURCE_DIR) + "/data/exception_1.dat";
        o.workers = workers;
        o.holdCodecLock = workers == 1;  // several threads also decode side by side
        return o;
    }
    std::string DatabaseFile() const { return databases + "/" + CThumbnailDatabase::FileNameFor(pics); }

    void WriteCamera(const std::string& name, uint32_t seed, bool embedded = true) {
        std::filesystem::create_directories(pics);
        const Picture thumb = MakeTextured(160, 120, seed);
        ASSERT_TRUE(WriteCameraFile(pics + "/" + name, MakeTextured(320, 240, seed + 100), embedded ? &thumb : nullptr,
                                    1, "2007:0" + std::to_string(1 + seed % 9) + ":15 10:20:30"));
    }
    // Shows the pictures folder and waits for the thumbnails.
    void ShowAll(Browser& b) {
        b.Show(pics);
        b.Local().WaitForThumbnails();
    }
    Names DatabasePaths() {
        CFileBrowserDoc doc;
        std::atomic<bool> stop{false};
        CThumbnailDatabase(DatabaseFile()).Load(doc, stop, nullptr);
        Names out;
        for (int32_t i = 0; i < doc.EntryCount(); ++i) out.push_back(FileNameOf(doc.StorePath(i)));
        std::sort(out.begin(), out.end());
        return out;
    }
};

TEST_F(WorkerFixture, DeletedAndChangedFilesAreDroppedFromTheDatabase) {
    WriteCamera("a.jpg", 1);
    WriteCamera("b.jpg", 2);
    WriteCamera("c.jpg", 3);
    CThumbnailService service(Options());
    {
        Browser b(&service);
        ShowAll(b);
    }
    std::filesystem::remove(pics + "/b.jpg");
    WriteCamera("c.jpg", 30, false);  // a different size: a new entry, the old record goes
    Browser b(&service);
    ShowAll(b);
    EXPECT_EQ(1, service.Statistics().rewrites.load());
    EXPECT_EQ((std::vector<int>{3, 1}), Decoded(service));
    EXPECT_EQ((Names{"a.jpg", "c.jpg"}), DatabasePaths());
    EXPECT_EQ(8 + 2 * R, std::filesystem::file_size(DatabaseFile()));
    EXPECT_EQ((Names{"a.jpg", "c.jpg"}), b.Names());

    // A refresh keeps what is in memory: nothing is loaded or decoded again, and with
    // nothing gone the file is left alone.
    const int loaded = service.Statistics().loadedRecords.load();
    b.RefreshAndWait();
    b.Local().WaitForThumbnails();
    EXPECT_EQ(loaded, service.Statistics().loadedRecords.load());
    EXPECT_EQ((std::vector<int>{3, 1}), Decoded(service));
    EXPECT_EQ(1, service.Statistics().rewrites.load());
}

TEST_F(WorkerFixture, InvalidDatabaseIsRecreatedAndFilled) {
    WriteCamera("a.jpg", 1);
    WriteText(DatabaseFile(), std::string("LMTB\x02\0\0\0", 8) + std::string(R, 'x'));
    CThumbnailService service(Options());
    Browser b(&service);
    ShowAll(b);
    EXPECT_EQ(0, service.LastLoadedCount());
    EXPECT_EQ(1, service.Statistics().fromEmbedded.load());
    EXPECT_EQ(std::string("LMTB\x01\0\0\0", 8), ReadText(DatabaseFile()).substr(0, 8));
    EXPECT_EQ((Names{"a.jpg"}), DatabasePaths());
}

TEST_F(WorkerFixture, CardsFileListsAndSwitchedOffDatabasesWriteNoFile) {
    WriteCamera("a.jpg", 1);
    CThumbnailService service(Options());
    for (int mode = 0; mode < 3; ++mode) {  // a card, a file list, databases switched off
        ScopedEnv removable("LUMARET_REMOVABLE", mode == 0 ? std::optional<std::string>(pics) : std::nullopt);
        useDatabase = mode < 2;
        Browser b(&service);
        if (mode == 1) b.doc->Browse(CHint::FileList({pics + "/a.jpg"}));
        else b.Show(pics);
        b.Local().WaitForThumbnails();
    }
    EXPECT_FALSE(std::filesystem::exists(databases));
    EXPECT_EQ(3, service.Statistics().fromEmbedded.load());
}

// Rows get their codes in order (one thread) and before code 5; several threads make the
// same thumbnails; a second listing takes every one of them from the database unchanged.
TEST_F(WorkerFixture, SeveralWorkersAgreeWithOneAndTheDatabaseGivesTheSameAgain) {
    for (int i = 0; i < 6; ++i) WriteCamera("p" + std::to_string(i) + ".jpg", uint32_t(i), i % 3 != 0);
    WriteText(pics + "/notes.txt", "n");
    std::filesystem::create_directories(pics + "/sub");
    const std::vector<intptr_t> allRows = {0, 1, 2, 3, 4, 5, 6, 7};
    std::map<std::string, Snapshot> byOne;
    for (int workers : {1, 3}) {
        SCOPED_TRACE(workers);
        std::filesystem::remove_all(databases);
        CThumbnailService service(Options(workers));
        Browser b(&service);
        ShowAll(b);
        ASSERT_EQ(8, b.doc->VisibleCount());
        EXPECT_EQ((std::vector<int>{4, 2}), Decoded(service));
        EXPECT_EQ(2, service.Statistics().icons.load());
        std::vector<intptr_t> rows;
        bool doneSeen = false, codeAfterDone = false;
        for (auto [code, param] : b.sink.Updates()) {
            if (code == kUpdateThumbnail) {
                rows.push_back(param);
                codeAfterDone = codeAfterDone || doneSeen;
            }
            doneSeen = doneSeen || code == kUpdateThumbnailsDone;
        }
        EXPECT_EQ(1, b.sink.Count(kUpdateThumbnailsDone));
        EXPECT_FALSE(codeAfterDone);
        if (workers == 1) {
            EXPECT_EQ(allRows, rows);
            byOne = Snapshots(b);
        }
        EXPECT_EQ(byOne, Snapshots(b));
        std::sort(rows.begin(), rows.end());
        EXPECT_EQ(allRows, rows);
        EXPECT_EQ(8 + 6 * R, std::filesystem::file_size(DatabaseFile()));

        Browser again(&service);
        ShowAll(again);
        EXPECT_EQ((std::vector<int>{4, 2}), Decoded(service));
        EXPECT_EQ(6, service.LastLoadedCount());
        EXPECT_EQ(byOne, Snapshots(again));
        EXPECT_EQ(8 + 6 * R, std::filesystem::file_size(DatabaseFile()));
    }
}

// A document whose visible entries are files (or, for missing paths, nothing on disk).
struct DirectRun {
    CFileBrowserDoc doc;
    FakeSink sink;
    std::atomic<bool> stop{false};
    std::atomic<int32_t> cursor{0}, step{1};

    DirectRun(const Names& paths = {}, uint32_t flags = 0) {
        for (const std::string& path : paths) Add(path, flags);
    }
    void Add(const std::string& path, uint32_t flags) {
        doc.AppendVisible(doc.AddEntry(path));
        doc.Entry(doc.EntryCount() - 1)->flags = flags | kEntrySeen;
    }
    ThumbnailRun Run() { return ThumbnailRun{doc, &sink, "", false, stop, cursor, step}; }
    std::vector<intptr_t> Rows() {
        std::vector<intptr_t> rows;
        for (auto [code, param] : sink.Updates())
            if (code == kUpdateThumbnail) rows.push_back(param);
        return rows;
    }
};

// Draws icons and, on reaching one path, moves the cursor as a scrolling view would.
class ScrollingIcons : public IIconProvider {
public:
    ScrollingIcons(std::atomic<int32_t>& cursor, std::string trigger, int32_t jumpTo)
        : m_cursor(cursor), m_trigger(std::move(trigger)), m_jumpTo(jumpTo) {}
    void DrawIcon(const std::string& path, bool folder, uint8_t* pixels) override {
        m_simple.DrawIcon(path, folder, pixels);
        if (path == m_trigger) m_cursor = m_jumpTo;
    }

private:
    CSimpleIconProvider m_simple;
    std::atomic<int32_t>& m_cursor;
    std::string m_trigger;
    int32_t m_jumpTo;
};

TEST(ThumbsWorkerCursor, CursorAndStepChooseTheOrder) {
    Names files;
    for (int i = 0; i < 10; ++i) files.push_back("/none/f" + std::to_string(i) + ".txt");
    // Backwards from row 5: down to 0, then a second pass from the top covers the rest.
    DirectRun r(files);
    r.cursor = 5;
    r.step = -1;
    CThumbnailService(OneWorker()).RunThumbnails(r.Run());
    EXPECT_EQ((std::vector<intptr_t>{5, 4, 3, 2, 1, 0, 0, 1, 2, 3, 4, 5, 6, 7, 8, 9}), r.Rows());
    EXPECT_EQ(1, r.sink.Count(kUpdateThumbnailsDone));

    // A jump while a pass runs continues from the new row.
    DirectRun s(files);
    ScrollingIcons icons(s.cursor, "/none/f2.txt", 7);
    CThumbnailService(OneWorker(&icons)).RunThumbnails(s.Run());
    EXPECT_EQ((std::vector<intptr_t>{0, 1, 2, 7, 8, 9, 0, 1, 2, 3, 4, 5, 6, 7, 8, 9}), s.Rows());
}

TEST(ThumbsWorkerRetry, FilesThatCannotBeOpenedAreTriedAgain) {
    TempDir dir;
    const Picture main = MakeTextured(64, 48, 5);
    ASSERT_TRUE(WriteCameraFile(dir / "here.jpg", main, nullptr));
    DirectRun r({dir / "here.jpg", dir / "late.jpg"}, kEntryJpegFlags);
    CThumbnailService service(OneWorker());
    std::thread worker([&] { service.RunThumbnails(r.Run()); });
    for (int i = 0; i < 1000 && service.Statistics().retries.load() < 2; ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    EXPECT_GE(service.Statistics().retries.load(), 2);
    EXPECT_EQ(0, r.sink.Count(kUpdateThumbnailsDone));
    // Put in place whole, so that the worker never sees it half written.
    ASSERT_TRUE(WriteCameraFile(dir / "late.tmp", main, nullptr));
    std::filesystem::rename(dir / "late.tmp", dir / "late.jpg");
    EXPECT_TRUE(r.sink.WaitFor(kUpdateThumbnailsDone));
    worker.join();
    EXPECT_TRUE(r.doc.Entry(1)->Has(kEntryThumbnailReady));
    EXPECT_EQ(2, service.Statistics().fromFile.load());

    // With a limit the run gives up: no code 5, the entry stays without a thumbnail.
    DirectRun never({dir / "never.jpg"}, kEntryJpegFlags);
    CThumbnailService::Options limit = OneWorker();
    limit.maxIdlePasses = 2;
    CThumbnailService limited(limit);
    limited.RunThumbnails(never.Run());
    EXPECT_EQ(0, never.sink.Count(kUpdateThumbnailsDone));
    EXPECT_FALSE(never.doc.Entry(0)->Has(kEntryThumbnailReady));

    // A run told to stop before it starts does nothing at all.
    DirectRun stopped({dir / "here.jpg"}, kEntryJpegFlags);
    stopped.stop = true;
    limited.RunThumbnails(stopped.Run());
    EXPECT_TRUE(stopped.sink.Updates().empty());
    EXPECT_FALSE(stopped.doc.Entry(0)->Has(kEntryThumbnailReady));
}

}  // namespace
