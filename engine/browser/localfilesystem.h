#pragma once
// CLocalFileSystem: the file source for folders on fixed, removable and optical drives.
// It lists a folder (or an explicit list of files) into the document's entry store on a
// listing worker, watches the folder for changes, hands the visible list to the
// thumbnail worker and carries out delete, copy and move.
//
// Threads: Browse, Refresh and the commands run on the window thread and stop the
// workers (and wait for them) before they change the lists or start new workers.
#include <atomic>
#include <chrono>
#include <string>
#include <thread>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "browser/browserservices.h"
#include "browser/filesystemif.h"
#include "browser/folderwatcher.h"
#include "platform/drivetype.h"

class CFileBrowserDoc;

class CLocalFileSystem : public CFileSystemIF {
public:
    // The question of DeleteSelected, for one file and for several.
    static constexpr const char* kDeleteOneText =
        "Are you sure you want to delete %d file?\nFiles on a removable drives will be deleted immediately.\n"
        "Files on a hard-disk will go to the recycle bin.";
    static constexpr const char* kDeleteManyText =
        "Are you sure you want to delete %d files?\nFiles on a removable drives will be deleted immediately.\n"
        "Files on a hard-disk will go to the recycle bin.";
    static constexpr const char* kDeleteCaption = "Delete... ?";

    // A source filling `doc`'s lists and reporting through `services`.
    CLocalFileSystem(CFileBrowserDoc& doc, const BrowserServices& services);
    ~CLocalFileSystem() override;

    int32_t GetSourceKind() const override { return 1; }
    void Browse(const CHint* hint) override;
    void Refresh() override;
    void SetThumbnailCursor(int32_t visibleIndex, int32_t step) override;
    void OpenEntry(int32_t visibleIndex) override;
    void RestartThumbnails() override;
    void OnThumbnailsDone() override;
    void Download() override;
    bool CanDownload() override;
    void DeleteSelected() override;
    bool CanDelete() override { return true; }
    void FlatViewOn() override;
    bool CanFlatViewOn() override;
    void FlatViewOff() override;
    bool IsFlatView() override;
    bool IsNotFolder(const std::string& path) override;
    bool AreAllFiles(const std::vector<std::string>& paths) override;
    bool CopyOrMove(const std::vector<std::string>& paths, int32_t operation) override;
    bool GetSelectedFiles(std::vector<std::string>& paths) override;
    void Revalidate() override;
    void StopThumbnails() override;

    // How long the watcher lets a burst of changes settle before reporting (3 s).
    void SetWatcherSettleTime(std::chrono::milliseconds settle) { m_settle = settle; }
    // Waits until the running listing worker, if any, has ended.
    void WaitForListing();
    // Waits until the running thumbnail worker, if any, has ended.
    void WaitForThumbnails();
    const std::string& CurrentFolder() const { return m_folder; }
    bool IsFileListMode() const { return m_fileListMode; }
    bool FlatViewFlag() const { return m_flatView; }
    platform::DriveType CurrentDriveType() const { return m_driveType; }

private:
    // Entries of the store keyed by full path, for the scan's look-ups.
    using EntryIndex = std::unordered_multimap<std::string, int32_t>;

    void StopListing();
    void StopWatcher();
    void StopAllWorkers();
    void StartListing();
    void StartWatcher();
    void StartThumbnailWorker();
    void ListingWorker();
    void ScanFolder(const std::string& folder, EntryIndex& known,
                    std::unordered_set<std::string>& visitedFolders);
    void RebuildVisibleFromSeen();
    void ListFiles(const std::vector<std::string>& files);
    void Post(int code, intptr_t param);
    void PostCountTwice();
    bool OnRemovableDrive() const { return m_driveType == platform::DriveType::Removable; }

    CFileBrowserDoc& m_doc;
    BrowserServices m_services;
    bool m_fileListMode = false;
    std::vector<std::string> m_fileList;
    bool m_suppressReload = false;  // the next listing does not load the database (Refresh)
    std::string m_folder;
    std::string m_driveRoot;        // mount root of the current folder, empty at first
    platform::DriveType m_driveType = platform::DriveType::Fixed;
    CFolderWatcher m_watcher;
    std::chrono::milliseconds m_settle{3000};
    std::atomic<int32_t> m_thumbStep{1};
    std::atomic<int32_t> m_thumbCursor{-1};
    std::thread m_thumbThread;
    std::atomic<bool> m_thumbStop{false};
    std::thread m_listThread;
    std::atomic<bool> m_listStop{false};
    bool m_flatView = false;
    bool m_showHidden = false;  // nothing sets it: hidden entries are never listed
};
