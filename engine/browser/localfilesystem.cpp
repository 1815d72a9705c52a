#include "browser/localfilesystem.h"

#include <dirent.h>

#include <filesystem>
#include <memory>
#include <mutex>

#include "browser/browserdoc.h"
#include "browser/filestatus.h"
#include "core/prompt.h"

namespace {

// Absolute and without "." / ".." parts or a trailing "/" (except the root itself).
std::string NormaliseFolder(const std::string& path) {
    namespace fs = std::filesystem;
    std::error_code ec;
    fs::path p = fs::absolute(fs::path(path), ec);
    if (ec) p = fs::path(path);
    std::string out = p.lexically_normal().string();
    while (out.size() > 1 && out.back() == '/') out.pop_back();
    return out;
}

struct DirCloser {
    void operator()(DIR* d) const { ::closedir(d); }
};

}  // namespace

CLocalFileSystem::CLocalFileSystem(CFileBrowserDoc& doc, const BrowserServices& services)
    : m_doc(doc), m_services(services) {}

CLocalFileSystem::~CLocalFileSystem() { StopAllWorkers(); }

void CLocalFileSystem::Post(int code, intptr_t param) {
    if (m_services.sink) m_services.sink->PostUpdate(code, param);
}

// ---- workers ----

void CLocalFileSystem::StopListing() {
    m_listStop = true;
    if (m_listThread.joinable()) m_listThread.join();
}

void CLocalFileSystem::StopWatcher() { m_watcher.Stop(); }

void CLocalFileSystem::StopThumbnails() {
    m_thumbStop = true;
    if (m_thumbThread.joinable()) m_thumbThread.join();
}

void CLocalFileSystem::StopAllWorkers() {
    StopListing();
    StopWatcher();
    StopThumbnails();
}

void CLocalFileSystem::WaitForListing() {
    if (m_listThread.joinable()) m_listThread.join();
}

void CLocalFileSystem::WaitForThumbnails() {
    WaitForListing();  // the listing may still be about to start the thumbnail worker
    if (m_thumbThread.joinable()) m_thumbThread.join();
}

void CLocalFileSystem::StartListing() {
    m_listStop = false;
    m_listThread = std::thread(&CLocalFileSystem::ListingWorker, this);
}

void CLocalFileSystem::StartWatcher() {
    if (m_folder.empty()) return;
    // A folder that cannot be watched stays unwatched; nothing is reported.
    m_watcher.Start(m_folder, m_settle, [this] { Post(kUpdateFolderChanged, 0); });
}

void CLocalFileSystem::StartThumbnailWorker() {
    StopThumbnails();
    if (!m_services.thumbnails) return;  // the listing works without thumbnails
    m_thumbStop = false;
    const std::string folder = m_fileListMode ? std::string() : m_folder;
    const bool databaseAllowed = !m_fileListMode && m_driveType == platform::DriveType::Fixed;
    m_thumbThread = std::thread([this, folder, databaseAllowed] {
        const ThumbnailRun run{m_doc, m_services.sink, folder, databaseAllowed, m_thumbStop, m_thumbCursor, m_thumbStep};
        m_services.thumbnails->RunThumbnails(run);
    });
}

void CLocalFileSystem::RestartThumbnails() {
    std::lock_guard lock(m_doc.ListingLock());
    StartThumbnailWorker();
}

void CLocalFileSystem::SetThumbnailCursor(int32_t visibleIndex, int32_t step) {
    m_thumbCursor = visibleIndex;
    m_thumbStep = step;
}

// ---- browsing ----

void CLocalFileSystem::Browse(const CHint* hint) {
    if (hint && hint->mode != CHint::kFolder && hint->mode != CHint::kFileList) return;
    StopAllWorkers();
    m_suppressReload = false;
    m_doc.ClearEntries();
    m_thumbCursor = 0;
    m_thumbStep = 1;

    // Without a hint the current folder (or the current list of files) is listed again.
    const bool fileList = hint ? hint->mode == CHint::kFileList : m_fileListMode;
    if (fileList) {
        m_fileListMode = true;
        if (hint) m_fileList = hint->files;
        ListFiles(m_fileList);
        return;
    }
    m_fileListMode = false;
    const std::string requested = hint ? hint->path : m_folder;
    if (requested.empty()) return;
    const std::string folder = NormaliseFolder(requested);
    const platform::DriveInfo drive = platform::ClassifyDrive(folder);
    m_driveType = drive.type;
    // Memory cards are always shown from their root.
    m_folder = drive.type == platform::DriveType::Removable ? drive.root : folder;
    // Flat view comes on by itself on a card and goes off on a fixed drive; another folder
    // of the same drive keeps the current setting.
    if (drive.root != m_driveRoot) m_flatView = drive.type == platform::DriveType::Removable;
    m_driveRoot = drive.root;
    StartListing();
    StartWatcher();
}

void CLocalFileSystem::ListFiles(const std::vector<std::string>& files) {
    std::lock_guard lock(m_doc.ListingLock());
    for (const std::string& path : files) {
        FileStatus status;
        if (!ReadFileStatus(path, status)) continue;  // files that cannot be read are left out
        const int32_t index = m_doc.AddEntry(path);
        FileEntry* e = m_doc.Entry(index);
        if (!e) break;
        e->date = status.created;
        if (status.isFolder) {
            e->flags = kEntryFolder;
        } else {
            e->size = static_cast<uint32_t>(status.size);
            if (IsJpegName(path)) SetEntryFlags(*e, kEntryJpegFlags);
        }
        SetEntryFlags(*e, kEntrySeen);
        m_doc.AppendVisible(index);
    }
    m_doc.SortVisible();
    m_doc.PostListChanged();
    StartThumbnailWorker();
}

void CLocalFileSystem::ListingWorker() {
    std::lock_guard lock(m_doc.ListingLock());
    if (m_services.sink) m_services.sink->SetListingState(1);
    // Database records come first so that unchanged files keep their thumbnails; cards and
    // discs never get a database.
    if (!m_suppressReload && m_services.thumbnails && m_driveType == platform::DriveType::Fixed)
        m_services.thumbnails->LoadDatabase(m_doc, m_folder, m_listStop);
    if (m_listStop) return;

    EntryIndex known;
    const int32_t count = m_doc.EntryCount();
    known.reserve(static_cast<size_t>(count));
    for (int32_t i = 0; i < count; ++i) known.emplace(m_doc.StorePath(i), i);
    std::unordered_set<std::string> visited;
    ScanFolder(m_folder, known, visited);
    // The visible list is rebuilt once, after every folder of a flat view was scanned, so
    // that entries of folders not yet reached are not taken for gone.
    RebuildVisibleFromSeen();
    if (m_listStop) return;

    if (m_doc.VisibleCount() > 0) m_doc.ApplyFilters();
    m_doc.SortVisible();
    if (m_listStop) return;
    if (m_services.sink) {
        m_services.sink->SetListingState(0);
        m_services.sink->Repaint();
    }
    m_doc.PostListChanged();
    if (m_listStop) return;
    StartThumbnailWorker();
}

void CLocalFileSystem::ScanFolder(const std::string& folder, EntryIndex& known,
                                  std::unordered_set<std::string>& visitedFolders) {
    FileStatus self;
    // Symbolic links can make a folder its own descendant; each folder is scanned once.
    if (!ReadFileStatus(folder, self) ||
        !visitedFolders.insert(std::to_string(self.device) + ":" + std::to_string(self.inode)).second)
        return;
    std::unique_ptr<DIR, DirCloser> dir(::opendir(folder.c_str()));
    if (!dir) return;  // a folder that cannot be listed gives an empty list
    while (!m_listStop) {
        const dirent* item = ::readdir(dir.get());
        if (!item) break;
        const std::string name = item->d_name;
        if (name == "." || name == "..") continue;
        // A leading full stop is the hidden mark here.
        if (name[0] == '.' && !m_showHidden) continue;
        const std::string path = JoinPath(folder, name);
        FileStatus status;
        if (!ReadFileStatus(path, status)) continue;
        if (status.isFolder) {
            if (name[0] == '.') continue;
            if (m_flatView) {
                ScanFolder(path, known, visitedFolders);
                continue;
            }
            bool found = false;
            for (auto [it, end] = known.equal_range(path); it != end && !found; ++it) {
                FileEntry* e = m_doc.Entry(it->second);
                if (e && e->IsFolder() && !e->Has(kEntryGone)) {
                    SetEntryFlags(*e, kEntrySeen);
                    found = true;
                }
            }
            if (found) continue;
            const int32_t index = m_doc.AddEntry(path);
            FileEntry* e = m_doc.Entry(index);
            if (!e) return;  // no memory for more entries
            e->date = status.created;
            e->flags = kEntryFolder | kEntrySeen;
            known.emplace(path, index);
        } else if (status.isRegular) {  // devices, pipes and sockets are not pictures
            const uint32_t size = static_cast<uint32_t>(status.size);
            bool found = false;
            for (auto [it, end] = known.equal_range(path); it != end && !found; ++it) {
                FileEntry* e = m_doc.Entry(it->second);
                if (e && !e->IsFolder() && !e->Has(kEntryGone) && e->size == size) {
                    SetEntryFlags(*e, kEntrySeen);
                    found = true;
                }
            }
            if (found) continue;
            const int32_t index = m_doc.AddEntry(path);
            FileEntry* e = m_doc.Entry(index);
            if (!e) return;
            e->size = size;
            e->date = status.created;
            if (IsJpegName(name)) SetEntryFlags(*e, kEntryJpegFlags);
            SetEntryFlags(*e, kEntrySeen);
            known.emplace(path, index);
        }
    }
}

void CLocalFileSystem::RebuildVisibleFromSeen() {
    m_doc.SetVisibleCount(0);
    const int32_t count = m_doc.EntryCount();
    for (int32_t i = 0; i < count && !m_listStop; ++i) {
        FileEntry* e = m_doc.Entry(i);
        if (!e) break;
        if (e->Has(kEntrySeen))
            m_doc.AppendVisible(i);
        else
            SetEntryFlags(*e, kEntryGone);
    }
}

void CLocalFileSystem::Refresh() {
    // A list of files has no folder to scan: check its files instead.
    if (m_fileListMode) {
        Revalidate();
        return;
    }
    StopAllWorkers();
    const int32_t count = m_doc.EntryCount();
    for (int32_t i = 0; i < count; ++i)
        if (FileEntry* e = m_doc.Entry(i)) ClearEntryFlags(*e, kEntrySeen);
    m_suppressReload = true;
    m_thumbCursor = 0;
    m_thumbStep = 1;
    if (m_folder.empty()) return;
    StartListing();
    StartWatcher();
}

// ---- flat view ----

void CLocalFileSystem::PostCountTwice() {
    // The view takes a new count without repainting only when it sees 0 first.
    Post(kUpdateCount, 0);
    Post(kUpdateCount, m_doc.VisibleCount());
    if (m_services.sink) m_services.sink->UpdateAllViews();
}

bool CLocalFileSystem::CanFlatViewOn() { return !m_fileListMode && !OnRemovableDrive() && !m_flatView; }

bool CLocalFileSystem::IsFlatView() { return !OnRemovableDrive() && m_flatView; }

void CLocalFileSystem::FlatViewOn() {
    StopListing();  // the listing worker reads the flag
    m_flatView = true;
    Browse(nullptr);
    PostCountTwice();
}

void CLocalFileSystem::FlatViewOff() {
    StopListing();
    m_flatView = false;
    Browse(nullptr);
    PostCountTwice();
}

// ---- entries ----

void CLocalFileSystem::OpenEntry(int32_t visibleIndex) {
    std::unique_lock lock(m_doc.ListingLock());
    const int32_t index = m_doc.VisibleIndex(visibleIndex);
    const FileEntry* e = m_doc.Entry(index);
    if (!e) return;
    const std::string path = m_doc.StorePath(index);
    lock.unlock();  // opening a picture or a folder may browse again
    if (e->IsJpeg()) {
        m_doc.SetCurrentImageIndex(visibleIndex);
        if (m_services.host) m_services.host->OpenImage(path);
    } else if (e->IsFolder()) {
        if (m_services.host) m_services.host->SelectFolderNode(FileNameOf(path));
    } else if (m_services.prompt) {
        m_services.prompt->Beep();
    }
}

void CLocalFileSystem::OnThumbnailsDone() {
    if (!m_services.host) return;
    if (m_services.host->StartedByDevice() && m_services.host->ClicklessDownload()) Download();
    // The clickless download happens once per start.
    m_services.host->ClearStartedByDevice();
}

void CLocalFileSystem::Download() {
    // The download reads the entries; the thumbnail worker must not write them meanwhile.
    StopThumbnails();
    if (m_services.host) m_services.host->StartDownload(*this);
}

bool CLocalFileSystem::CanDownload() { return !m_fileListMode && OnRemovableDrive(); }
