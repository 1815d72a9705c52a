#include "browser/thumbnails/thumbnailservice.h"

#include <algorithm>
#include <chrono>
#include <climits>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <mutex>
#include <system_error>
#include <thread>
#include <vector>

#include "browser/browserdoc.h"
#include "browser/thumbnails/thumbimage.h"
#include "browser/thumbnails/thumbnaildb.h"
#include "browser/thumbnails/thumbnailmaker.h"
#include "core/prompt.h"
#include "platform/programfolder.h"
#include "settings/settings.h"

namespace {

constexpr int32_t kThumbnailBox = FileEntry::kMaxThumbnail;
constexpr int kProgressEvery = 20;

uint16_t Clamp16(int32_t v) { return static_cast<uint16_t>(v < 0 ? 0 : (v > 0xFFFF ? 0xFFFF : v)); }
uint8_t Clamp8(int32_t v) { return static_cast<uint8_t>(v < 0 ? 0 : (v > 0xFF ? 0xFF : v)); }

}  // namespace

// One run of the worker: the walk over the visible list shared by the run's threads.
class CThumbnailService::CRun {
public:
    CRun(CThumbnailService& service, const ThumbnailRun& run) : m_service(service), m_run(run) {}

    void Execute();

private:
    // Skipped: already had its picture; Made: a JPEG thumbnail to keep; Drawn: an icon or
    // the placeholder; Retry: the file could not be opened.
    enum class Outcome { Skipped, Made, Drawn, Retry };

    bool NextRow(int32_t& row, int slot);
    void Worker(int slot);
    Outcome Handle(CThumbnailMaker& maker, int32_t row, FileEntry& entry);
    void Finish(int32_t row, Outcome outcome, const FileEntry* entry);
    bool AllReady() const;
    int MissingCount() const;
    void RunPass(int threads);
    bool Backoff(int idlePasses) const;
    void Post(int code, intptr_t param) const {
        if (m_run.sink) m_run.sink->PostUpdate(code, param);
    }

    CThumbnailService& m_service;
    const ThumbnailRun& m_run;
    IProgress* m_progress = nullptr;
    std::unique_ptr<CThumbnailDatabase> m_database;
    bool m_useDatabase = false;

    std::mutex m_lock;  // guards everything below, the database appends and the posts
    int32_t m_next = 0;
    bool m_passOver = false;
    std::vector<int32_t> m_inFlight;  // row each thread is working on, or -1
    int m_handled = 0;
    int m_madeThisPass = 0;
};

void CThumbnailService::CRun::Execute() {
    if (m_run.stop) return;
    m_progress = m_service.m_options.progress;
    m_useDatabase = m_run.databaseAllowed && !m_run.folder.empty() && m_service.UseDatabase();
    if (m_useDatabase) {
        const std::string file = m_service.DatabaseFileFor(m_run.folder);
        m_database = std::make_unique<CThumbnailDatabase>(file);
        int check = m_database->Check();
        if (check == CThumbnailDatabase::kInvalid) {
            m_database->Remove();
            check = m_database->Check();
        }
        m_useDatabase = check == CThumbnailDatabase::kValid && m_database->OpenForAppend();
    }

    if (m_progress) m_progress->Start("Creating thumbnails...", m_run.doc.VisibleCount() / kProgressEvery);
    int workers = m_service.m_options.workers;
    if (workers <= 0) workers = std::min(4, std::max(1, static_cast<int>(std::thread::hardware_concurrency())));
    bool gaveUp = false;
    for (int idlePasses = 0;;) {
        RunPass(std::max(1, std::min(workers, MissingCount())));
        if (m_run.stop) {
            // Told to stop: no upkeep and no code 5; the next run carries on.
            if (m_database) m_database->Close();
            if (m_progress) m_progress->End();
            return;
        }
        if (AllReady()) break;
        // Files that could not be opened yet (still being copied, say) are tried again,
        // after a pause that grows while nothing can be made, so a locked file costs no CPU.
        idlePasses = m_madeThisPass > 0 ? 0 : idlePasses + 1;
        const int limit = m_service.m_options.maxIdlePasses;
        if (limit > 0 && idlePasses >= limit) {
            gaveUp = true;
            break;
        }
        if (!Backoff(idlePasses)) {
            if (m_database) m_database->Close();
            if (m_progress) m_progress->End();
            return;
        }
    }

    if (m_useDatabase) {
        m_database->Close();
        if (CThumbnailDatabase::HasGoneImages(m_run.doc) && m_database->Rewrite(m_run.doc, m_progress))
            ++m_service.m_stats.rewrites;
    }
    if (m_progress) m_progress->End();
    if (!gaveUp) Post(kUpdateThumbnailsDone, 0);
}

bool CThumbnailService::CRun::Backoff(int idlePasses) const {
    if (idlePasses <= 0) return !m_run.stop;
    const int shift = std::min(idlePasses - 1, 5);
    const auto pause = std::chrono::milliseconds(std::min(2000, 50 << shift));
    const auto end = std::chrono::steady_clock::now() + pause;
    while (std::chrono::steady_clock::now() < end) {
        if (m_run.stop) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return !m_run.stop;
}

int CThumbnailService::CRun::MissingCount() const {
    int missing = 0;
    const int32_t count = m_run.doc.VisibleCount();
    for (int32_t row = 0; row < count; ++row) {
        const FileEntry* e = m_run.doc.VisibleEntry(row);
        if (e && !e->Has(kEntryThumbnailReady) && !e->Has(kEntryGone)) ++missing;
    }
    return missing;
}

bool CThumbnailService::CRun::AllReady() const {
    const int32_t count = m_run.doc.VisibleCount();
    for (int32_t row = 0; row < count; ++row) {
        const FileEntry* e = m_run.doc.VisibleEntry(row);
        if (e && !e->Has(kEntryThumbnailReady)) return false;
    }
    return true;
}

void CThumbnailService::CRun::RunPass(int threads) {
    {
        std::lock_guard lock(m_lock);
        m_next = 0;
        m_passOver = false;
        m_madeThisPass = 0;
        m_inFlight.assign(static_cast<size_t>(threads), -1);
    }
    std::vector<std::thread> helpers;
    for (int slot = 1; slot < threads; ++slot) {
        try {
            helpers.emplace_back(&CRun::Worker, this, slot);
        } catch (const std::system_error&) {
            break;  // no thread to be had: the others share the rows
        }
    }
    Worker(0);
    for (std::thread& helper : helpers) helper.join();
}

bool CThumbnailService::CRun::NextRow(int32_t& row, int slot) {
    std::lock_guard lock(m_lock);
    m_inFlight[static_cast<size_t>(slot)] = -1;
    for (;;) {
        if (m_run.stop || m_passOver) return false;
        // The view asks for the rows it shows first.
        const int32_t cursor = m_run.cursor.exchange(-1);
        if (cursor >= 0) m_next = cursor;
        const int32_t count = m_run.doc.VisibleCount();
        if (m_next < 0 || m_next >= count) {
            m_passOver = true;
            return false;
        }
        row = m_next;
        const int32_t step = m_run.step.load();
        m_next = row + step;
        if (m_next < 0) {
            m_run.step.store(1);
            m_passOver = true;
        } else if (m_next >= count) {
            m_passOver = true;
        }
        // A cursor jump may lead back to a row another thread is still making.
        bool taken = false;
        for (int32_t other : m_inFlight) taken = taken || other == row;
        if (taken) {
            if (m_passOver) return false;
            continue;
        }
        m_inFlight[static_cast<size_t>(slot)] = row;
        return true;
    }
}

void CThumbnailService::CRun::Worker(int slot) {
    CThumbnailMaker maker(m_service.m_options.placeholderPath, m_service.m_options.holdCodecLock);
    int32_t row = -1;
    while (NextRow(row, slot)) {
        FileEntry* entry = m_run.doc.VisibleEntry(row);
        const Outcome outcome = entry ? Handle(maker, row, *entry) : Outcome::Skipped;
        Finish(row, outcome, entry);
    }
}

CThumbnailService::CRun::Outcome CThumbnailService::CRun::Handle(CThumbnailMaker& maker, int32_t row,
                                                                 FileEntry& entry) {
    if (entry.Has(kEntryThumbnailReady) || entry.Has(kEntryGone)) return Outcome::Skipped;
    Stats& stats = m_service.m_stats;
    const std::string path = m_run.doc.EntryPath(row);
    if (!entry.IsJpeg()) {
        IIconProvider* icons = m_service.m_options.icons ? m_service.m_options.icons : &m_service.m_simpleIcons;
        icons->DrawIcon(path, entry.IsFolder(), entry.pixels);
        entry.thumbWidth = entry.thumbHeight = IIconProvider::kIconSize;
        SetEntryFlags(entry, kEntryThumbnailReady);
        ++stats.icons;
        return Outcome::Drawn;
    }
    int32_t width = 0, height = 0;
    const int result =
        maker.MakeThumbnail(path, kThumbnailBox, kThumbnailBox, width, height, entry.pixels, FileEntry::kPixelBytes);
    if (result == CThumbnailMaker::kCannotOpen) {
        ++stats.retries;
        return Outcome::Retry;
    }
    entry.thumbWidth = static_cast<uint8_t>(width);
    entry.thumbHeight = static_cast<uint8_t>(height);
    // An unreadable picture (12-bit, lossless, damaged) still lists with its frame size.
    entry.imageWidth = Clamp16(maker.ImageWidth());
    entry.imageHeight = Clamp16(maker.ImageHeight());
    entry.bitsPerPixel = Clamp8(maker.BitsPerPixel());
    if (result == CThumbnailMaker::kMade) {
        if (const std::optional<std::string> taken = maker.Exif().GetDateTaken())
            if (const std::optional<FileTime> date = thumbs::ParseExifDate(*taken)) entry.date = *date;
        ++(maker.LastSource() == CThumbnailMaker::Source::Embedded ? stats.fromEmbedded : stats.fromFile);
    } else {
        ++stats.placeholders;
    }
    // The ready mark comes last: the view paints the pixels once it sees it.
    SetEntryFlags(entry, kEntryThumbnailReady);
    return result == CThumbnailMaker::kMade ? Outcome::Made : Outcome::Drawn;
}

void CThumbnailService::CRun::Finish(int32_t row, Outcome outcome, const FileEntry* entry) {
    std::lock_guard lock(m_lock);
    if (outcome == Outcome::Made || outcome == Outcome::Drawn) ++m_madeThisPass;
    // Only JPEG thumbnails are kept; a path too long for the record is kept in memory only.
    if (outcome == Outcome::Made && m_useDatabase && m_run.doc.EntryPath(row).size() < FileEntry::kPathBytes) {
        if (m_database->Append(*entry))
            ++m_service.m_stats.appendedRecords;
        else
            m_useDatabase = false;  // the file cannot be written: not used for the rest of the run
    }
    Post(kUpdateThumbnail, row);
    ++m_handled;
    if (m_progress && m_handled % kProgressEvery == 0) m_progress->SetPosition(m_handled / kProgressEvery);
}

// ---- the service ----

CThumbnailService::CThumbnailService() : CThumbnailService(Options{}) {}

CThumbnailService::CThumbnailService(Options options) : m_options(std::move(options)) {}

bool CThumbnailService::UseDatabase() const {
    if (m_options.useDatabase) return m_options.useDatabase();
    return CSettings::Get().UseThumbnailDatabase != 0;
}

std::string CThumbnailService::DatabaseFolderFromSetting(const std::string& setting) {
    namespace fs = std::filesystem;
    if (!setting.empty()) {
        const fs::path p(setting);
        return (p.is_absolute() ? p : platform::ProgramFolder() / p).string();
    }
    const char* cache = std::getenv("XDG_CACHE_HOME");
    if (cache && cache[0] == '/') return (fs::path(cache) / "lumaret" / "thumbnails").string();
    const char* home = std::getenv("HOME");
    if (home && home[0] == '/') return (fs::path(home) / ".cache" / "lumaret" / "thumbnails").string();
    return (platform::ProgramFolder() / "thumbnails").string();
}

std::string CThumbnailService::DatabaseFileFor(const std::string& folder) const {
    if (folder.empty()) return {};
    const std::string name = CThumbnailDatabase::FileNameFor(folder);
    if (name.size() > NAME_MAX) return {};  // a folder this deep gets no database
    const std::string databases = m_options.databaseFolder
                                      ? m_options.databaseFolder()
                                      : DatabaseFolderFromSetting(CSettings::Get().ThumbnailDatabase);
    if (databases.empty()) return {};
    std::error_code ec;
    std::filesystem::create_directories(databases, ec);
    return (std::filesystem::path(databases) / name).string();
}

void CThumbnailService::LoadDatabase(CFileBrowserDoc& doc, const std::string& folder,
                                     const std::atomic<bool>& stop) {
    m_lastLoaded = 0;
    if (folder.empty() || !UseDatabase()) return;
    const std::string file = DatabaseFileFor(folder);
    if (file.empty()) return;
    CThumbnailDatabase database(file);
    int ignored = 0;
    const int loaded = database.Load(doc, stop, m_options.progress, &ignored);
    m_stats.loadedRecords += loaded;
    m_stats.ignoredRecords += ignored;
    m_lastLoaded = loaded;
}

void CThumbnailService::RunThumbnails(const ThumbnailRun& run) {
    CRun(*this, run).Execute();
}
