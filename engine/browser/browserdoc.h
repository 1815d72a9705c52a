#pragma once
// CFileBrowserDoc: the document behind the image browser. It owns the entry store, the
// visible list (filtered and sorted indexes into the store), the current file source and
// the browser's commands (selection, delete, download, sort, filters).
//
// Threads: commands run on the window thread; the source's listing worker fills the
// store and rebuilds the visible list while holding ListingLock(), which every command
// that rebuilds or reorders the list takes too, so the two never overlap.
#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <unordered_map>

#include "browser/browserservices.h"
#include "browser/fileentry.h"
#include "browser/filesystemif.h"
#include "browser/hint.h"
#include "browser/imagelistprovider.h"
#include "core/fastarray.h"

class CFileBrowserDoc : public IImageListProvider {
public:
    // Sort mode bits.
    static constexpr uint32_t kSortAscending = 0x01;
    static constexpr uint32_t kSortDescending = 0x02;
    static constexpr uint32_t kSortByName = 0x04;
    static constexpr uint32_t kSortByDate = 0x08;
    static constexpr uint32_t kSortBySize = 0x10;

    // Menu command identifiers.
    static constexpr int kCmdSelectAll = 32821;
    static constexpr int kCmdDeselectAll = 32837;
    static constexpr int kCmdDelete = 32826;
    static constexpr int kCmdDownload = 32848;
    static constexpr int kCmdSortByName = 32819;
    static constexpr int kCmdSortByDate = 32820;
    static constexpr int kCmdSortBySize = 32849;
    static constexpr int kCmdAscending = 32817;
    static constexpr int kCmdDescending = 32818;
    static constexpr int kCmdShowNonImageFiles = 32877;
    static constexpr int kCmdShowFolders = 32878;

    struct CommandState {
        bool enabled = true;
        bool checked = false;  // check mark or radio mark
    };

    // A document with a local file source using `services`.
    explicit CFileBrowserDoc(BrowserServices services = {});
    ~CFileBrowserDoc() override;
    CFileBrowserDoc(const CFileBrowserDoc&) = delete;
    CFileBrowserDoc& operator=(const CFileBrowserDoc&) = delete;

    // What the document was opened with: a folder, or "*WIA*" for the first camera.
    void SetPath(std::string path) { m_path = std::move(path); }
    const std::string& Path() const { return m_path; }
    const BrowserServices& Services() const { return m_services; }

    // Makes sure the source is of the hint's kind (replacing it otherwise) and browses.
    void Browse(const CHint& hint);
    CFileSystemIF* Source() { return m_source.get(); }

    // ---- entry store and visible list (used by the file sources and the view) ----
    int32_t EntryCount() const { return m_entryCount.load(); }
    void SetEntryCount(int32_t count) { m_entryCount.store(count); }
    int32_t VisibleCount() const { return m_visibleCount.load(); }
    void SetVisibleCount(int32_t count) { m_visibleCount.store(count); }
    // Entry at a store index; touching the slot at EntryCount() makes room for a new one.
    // Null for a negative index or when no memory could be had.
    FileEntry* Entry(int32_t index);
    const FileEntry* Entry(int32_t index) const;
    // Takes the next store slot (index EntryCount()), zeroed and with `path`, and counts
    // it. Returns its index, or -1 when no memory could be had.
    int32_t AddEntry(const std::string& path);
    // Full path of a store entry (paths too long for the record are kept beside it).
    std::string StorePath(int32_t index) const;
    // Store index at a visible row, or -1 outside the visible list.
    int32_t VisibleIndex(int32_t row) const;
    // Entry at a visible row, or null outside the visible list.
    FileEntry* VisibleEntry(int32_t row);
    // Writes a store index at a visible row (growing the list's storage as needed).
    bool SetVisibleIndex(int32_t row, int32_t storeIndex);
    // Appends a store index to the visible list and counts it.
    bool AppendVisible(int32_t storeIndex);
    // Empties the store and the visible list (a new Browse starts again from index 0).
    void ClearEntries();
    // Held by a listing worker for its whole run and by commands that rebuild the list.
    std::recursive_mutex& ListingLock() { return m_listingLock; }

    // Rebuilds the visible list from the store under the filters.
    void ApplyFilters();
    // Sorts the visible list with the current sort mode.
    void SortVisible();
    uint32_t SortMode() const { return m_sortMode.load(); }
    bool ShowFolders() const { return m_showFolders.load(); }
    bool ShowNonImageFiles() const { return m_showNonImageFiles.load(); }
    // Posts codes 3 (0), 3 (visible count) and 4 to the view.
    void PostListChanged();

    // ---- commands ----
    // Runs a menu command; false for an identifier the document does not handle.
    bool OnCommand(int id);
    // Enabled and checked state of a menu command.
    CommandState QueryCommand(int id);
    // Stores the sort mode and sorts (after any running listing).
    void Sort(uint32_t mode);
    void SelectAll();
    void DeselectAll();
    // Rebuilds the visible list after a filter change, with the thumbnail worker stopped.
    void Refilter();
    // Path of the entry at a visible row, or "" outside the list.
    std::string EntryPath(int32_t row) const;
    // Number of visible entries that are selected.
    int32_t SelectedCount() const;

    // ---- IImageListProvider ----
    int32_t ImageListCount() const override { return VisibleCount(); }
    std::string ImageListPath(int32_t row) const override { return EntryPath(row); }
    int32_t CurrentImageIndex() const override { return m_currentImage.load(); }
    void SetCurrentImageIndex(int32_t row) override { m_currentImage.store(row); }

private:
    void UpdateAllViews();
    void SetSortBits(uint32_t clear, uint32_t set);

    BrowserServices m_services;
    std::string m_path;
    std::atomic<int32_t> m_entryCount{0};
    std::atomic<int32_t> m_visibleCount{0};
    // Guards the growth of both arrays' chunk tables and the long-path map; entries
    // themselves never move once made.
    mutable std::mutex m_storeLock;
    mutable CFastArray m_entries{sizeof(FileEntry)};
    mutable CFastArray m_visible{sizeof(int32_t)};
    std::unordered_map<int32_t, std::string> m_longPaths;
    mutable std::recursive_mutex m_listingLock;
    std::atomic<bool> m_showFolders{true};
    std::atomic<bool> m_showNonImageFiles{true};
    std::atomic<uint32_t> m_sortMode{kSortAscending | kSortByName};
    std::atomic<int32_t> m_currentImage{-1};
    std::unique_ptr<CFileSystemIF> m_source;
};
