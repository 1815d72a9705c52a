// browse: lists a folder the way the image browser does, with its workers, thumbnails and
// thumbnail database, and prints the visible list.
#include <cstdio>
#include <ctime>
#include <filesystem>
#include <string>

#include "browser/browserdoc.h"
#include "browser/localfilesystem.h"
#include "browser/thumbnails/thumbnailservice.h"
#include "command.h"
#include "platform/drivetype.h"
#include "platform/mounts.h"
#include "ppm.h"
#include "settings/settings.h"

namespace cli {
namespace {

struct BrowseOptions {
    std::string folder;
    bool flat = false;
    uint32_t sortKey = CFileBrowserDoc::kSortByName;
    bool descending = false;
    bool noFolders = false;
    bool noOtherFiles = false;
    std::string thumbnails;
    bool stats = false;
};

bool ParseBrowseArgs(const Args& args, BrowseOptions& o) {
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        if (arg == "--flat") {
            o.flat = true;
        } else if (arg == "--sort") {
            if (++i == args.size()) return false;
            if (args[i] == "name") o.sortKey = CFileBrowserDoc::kSortByName;
            else if (args[i] == "date") o.sortKey = CFileBrowserDoc::kSortByDate;
            else if (args[i] == "size") o.sortKey = CFileBrowserDoc::kSortBySize;
            else return false;
        } else if (arg == "--descending") {
            o.descending = true;
        } else if (arg == "--no-folders") {
            o.noFolders = true;
        } else if (arg == "--no-other-files") {
            o.noOtherFiles = true;
        } else if (arg == "--thumbnails") {
            if (++i == args.size()) return false;
            o.thumbnails = args[i];
        } else if (arg == "--stats" || arg == "--verbose") {
            o.stats = true;
        } else if (arg.size() > 1 && arg[0] == '-') {
            return false;
        } else if (o.folder.empty()) {
            o.folder = arg;
        } else {
            return false;
        }
    }
    return !o.folder.empty();
}

// Nothing is drawn on a screen here; the updates only let the workers run.
class QuietSink : public IBrowserUpdateSink {
public:
    void PostUpdate(int, intptr_t) override {}
};

// Passes calls on to the real service, except while held (then nothing is loaded or made).
class HeldThumbnails : public IThumbnailService {
public:
    explicit HeldThumbnails(IThumbnailService& inner) : m_inner(inner) {}
    void LoadDatabase(CFileBrowserDoc& doc, const std::string& folder, const std::atomic<bool>& stop) override {
        if (!held) m_inner.LoadDatabase(doc, folder, stop);
    }
    void RunThumbnails(const ThumbnailRun& run) override {
        if (!held) m_inner.RunThumbnails(run);
    }
    std::atomic<bool> held{false};

private:
    IThumbnailService& m_inner;
};

// A FILETIME as local time, ISO 8601 ("-" before 1970 or when unknown).
std::string LocalTimeText(FileTime date) {
    constexpr uint64_t kTicksPerSecond = 10000000ULL, kEpochDifference = 11644473600ULL;
    const uint64_t seconds = date.Ticks() / kTicksPerSecond;
    if (seconds < kEpochDifference) return "-";
    const std::time_t t = static_cast<std::time_t>(seconds - kEpochDifference);
    std::tm local{};
    char text[32];
    if (!localtime_r(&t, &local) || std::strftime(text, sizeof text, "%Y-%m-%dT%H:%M:%S", &local) == 0) return "-";
    return text;
}

// browse FOLDER [options]: one tab-separated line per visible entry.
int RunBrowse(const Args& args) {
    BrowseOptions o;
    if (!ParseBrowseArgs(args, o)) return UsageError("browse");
    std::error_code ec;
    if (!std::filesystem::is_directory(o.folder, ec)) return Fail("cannot open folder '" + o.folder + "'");
    if (!o.thumbnails.empty()) {
        std::filesystem::create_directories(o.thumbnails, ec);
        if (!std::filesystem::is_directory(o.thumbnails, ec)) return Fail("cannot make folder '" + o.thumbnails + "'");
    }

    CSettings& settings = CSettings::Get();
    CThumbnailService::Options serviceOptions;
    const bool useDatabase = settings.UseThumbnailDatabase != 0;
    const std::string databaseFolder = CThumbnailService::DatabaseFolderFromSetting(settings.ThumbnailDatabase);
    serviceOptions.useDatabase = [useDatabase] { return useDatabase; };
    serviceOptions.databaseFolder = [databaseFolder] { return databaseFolder; };
    // A file that cannot be opened is tried for about three seconds, then left without a thumbnail.
    serviceOptions.maxIdlePasses = 6;
    CThumbnailService service(serviceOptions);
    HeldThumbnails thumbnails(service);
    QuietSink sink;
    BrowserServices services;
    services.sink = &sink;
    services.thumbnails = &thumbnails;
    CFileBrowserDoc doc(services);
    auto& local = *static_cast<CLocalFileSystem*>(doc.Source());

    thumbnails.held = true;  // the filter commands below restart a worker on the empty list
    if (o.noFolders) doc.OnCommand(CFileBrowserDoc::kCmdShowFolders);
    if (o.noOtherFiles) doc.OnCommand(CFileBrowserDoc::kCmdShowNonImageFiles);
    doc.Sort(o.sortKey | (o.descending ? CFileBrowserDoc::kSortDescending : CFileBrowserDoc::kSortAscending));
    local.WaitForThumbnails();

    const std::string folder = platform::ResolvePath(o.folder);
    // Flat view is switched on after a first listing (a card is flat by itself); that
    // listing neither loads nor makes thumbnails, so the database sees only the flat one.
    const bool switchFlat = o.flat && platform::ClassifyDrive(folder).type != platform::DriveType::Removable;
    if (!switchFlat) thumbnails.held = false;
    doc.Browse(CHint::Folder(folder));
    local.WaitForThumbnails();
    if (switchFlat) {
        thumbnails.held = false;
        local.FlatViewOn();
        local.WaitForThumbnails();
    }
    // Dates taken replace creation dates as thumbnails are made.
    doc.Sort(doc.SortMode());

    int fromDatabase = 0;
    for (int32_t i = 0; i < service.LastLoadedCount() && i < doc.EntryCount(); ++i)
        if (const FileEntry* e = doc.Entry(i); e && !e->Has(kEntryGone)) ++fromDatabase;

    int status = kExitOk;
    for (int32_t row = 0; row < doc.VisibleCount(); ++row) {
        FileEntry* e = doc.VisibleEntry(row);
        if (!e) continue;
        const std::string size = e->imageWidth > 0 ? std::to_string(e->imageWidth) + "x" +
                                                         std::to_string(e->imageHeight) + "x" +
                                                         std::to_string(e->bitsPerPixel)
                                                   : std::string("-");
        std::printf("%s\t%u\t%s\t%s\t%ux%u\t0x%x\n", doc.EntryPath(row).c_str(), e->size, LocalTimeText(e->date).c_str(),
                    size.c_str(), e->thumbWidth, e->thumbHeight, e->flags);
        if (!o.thumbnails.empty() && e->thumbWidth > 0 && e->thumbHeight > 0) {
            const std::string out = (std::filesystem::path(o.thumbnails) / (std::to_string(row) + ".ppm")).string();
            if (!WritePpm(out, ImagePlane::Make(e->pixels, e->thumbWidth, e->thumbHeight))) {
                std::fprintf(stderr, "lumaret-cli: cannot write %s\n", out.c_str());
                status = kExitFailure;
            }
        }
    }
    if (o.stats) {
        const CThumbnailService::Stats& s = service.Statistics();
        std::fprintf(stderr, "listed %d decoded-embedded %d decoded-full %d from-database %d placeholders %d\n",
                     doc.VisibleCount(), s.fromEmbedded.load(), s.fromFile.load(), fromDatabase,
                     s.placeholders.load());
    }
    return status;
}

const CommandRegistration browseRegistration{
    {"browse",
     "browse FOLDER [--flat] [--sort name|date|size] [--descending] [--no-folders] [--no-other-files]\n"
     " [--thumbnails DIR] [--stats]",
     &RunBrowse}};

}  // namespace
}  // namespace cli
