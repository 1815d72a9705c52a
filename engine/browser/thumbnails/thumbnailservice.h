#pragma once
// CThumbnailService: the thumbnail worker of the local file source and its thumbnail
// database. A run walks the visible list from the view's cursor in the view's direction,
// makes each missing thumbnail (JPEG files) or icon (folders, other files), posts update
// code 2 per row, passes again while files could not be opened yet, keeps the folder's
// database up to date and posts code 5 when every row has its picture.
//
// Threads: a run may use several threads (one per core); each row is handled by exactly
// one of them, code 2 for a row is posted after its pixels and the ready mark are in
// place, database records are appended one at a time, and code 5 comes after all of them.
#include <atomic>
#include <cstdint>
#include <functional>
#include <string>

#include "browser/browserservices.h"
#include "browser/thumbnails/iconprovider.h"

class CSettings;

class CThumbnailService : public IThumbnailService {
public:
    struct Options {
        // Status bar progress ("Loading thumbnails...", "Creating thumbnails...",
        // "Updating database..."); may be null. Called from worker threads.
        IProgress* progress = nullptr;
        // Icons for folders and other files; null: the engine's own simple pictures.
        IIconProvider* icons = nullptr;
        // The placeholder for unreadable images; empty: data/exception_1.dat of the program folder.
        std::string placeholderPath;
        // Whether databases are used at all; empty: the settings' UseThumbnailDatabase.
        std::function<bool()> useDatabase;
        // Folder of the database files; empty: from the settings' ThumbnailDatabase
        // (see DatabaseFolderFromSetting).
        std::function<std::string()> databaseFolder;
        // Threads per run; 0: one per core (at most 4).
        int workers = 0;
        // True: full decodes wait for the process-wide codec lock, one at a time. The codec
        // keeps each thread's file apart, so by default the threads of a run decode side
        // by side; with the lock the second thread would mostly wait for the first.
        bool holdCodecLock = false;
        // Passes in a row that make no thumbnail before a run gives up on files that cannot
        // be opened (no code 5 then); 0: keep trying until stopped.
        int maxIdlePasses = 0;
    };

    // Counters over the service's lifetime (for the command line and benchmarks).
    struct Stats {
        std::atomic<int> fromEmbedded{0};   // thumbnails decoded from the EXIF thumbnail
        std::atomic<int> fromFile{0};       // thumbnails decoded from the image itself
        std::atomic<int> placeholders{0};   // unreadable images
        std::atomic<int> icons{0};
        std::atomic<int> retries{0};        // files that could not be opened when tried
        std::atomic<int> loadedRecords{0};  // database records put into the store
        std::atomic<int> ignoredRecords{0}; // implausible database records skipped
        std::atomic<int> appendedRecords{0};
        std::atomic<int> rewrites{0};
    };

    // A service with default options.
    CThumbnailService();
    explicit CThumbnailService(Options options);

    void LoadDatabase(CFileBrowserDoc& doc, const std::string& folder, const std::atomic<bool>& stop) override;
    void RunThumbnails(const ThumbnailRun& run) override;

    const Stats& Statistics() const { return m_stats; }
    // Records the last LoadDatabase put into the store (they are its first entries).
    int LastLoadedCount() const { return m_lastLoaded.load(); }
    // The database file of a folder, or "" when databases are off or the name cannot be a
    // file name. Makes the database folder when it is missing.
    std::string DatabaseFileFor(const std::string& folder) const;

    // The database folder for a ThumbnailDatabase setting: the setting itself (relative to
    // the program folder when relative); when empty $XDG_CACHE_HOME/lumaret/thumbnails
    // (or ~/.cache/lumaret/thumbnails).
    static std::string DatabaseFolderFromSetting(const std::string& setting);

private:
    class CRun;
    bool UseDatabase() const;

    Options m_options;
    CSimpleIconProvider m_simpleIcons;
    Stats m_stats;
    std::atomic<int> m_lastLoaded{0};
};
