#include "browser/browserdoc.h"

#include <cstring>
#include <list>
#include <vector>

#include "browser/entrysort.h"
#include "browser/localfilesystem.h"

CFileBrowserDoc::CFileBrowserDoc(BrowserServices services)
    : m_services(std::move(services)),
      m_source(std::make_unique<CLocalFileSystem>(*this, m_services)) {}

CFileBrowserDoc::~CFileBrowserDoc() {
    // The source's destructor stops its workers before the store goes away.
    m_source.reset();
}

void CFileBrowserDoc::Browse(const CHint& hint) {
    if (!m_source || m_source->GetSourceKind() != hint.sourceKind) {
        // A hint of a kind no source can be made for is ignored; the current source stays.
        if (hint.sourceKind == CHint::kLocal) {
            m_source.reset();  // its destructor stops its workers before the new one starts
            m_source = std::make_unique<CLocalFileSystem>(*this, m_services);
        } else if (hint.sourceKind == CHint::kCamera && m_services.cameraSource) {
            m_source.reset();
            m_source = m_services.cameraSource(*this, m_services);
        }
        if (!m_source || m_source->GetSourceKind() != hint.sourceKind) return;
    }
    m_source->Browse(&hint);
}

// ---- entry store and visible list ----

FileEntry* CFileBrowserDoc::Entry(int32_t index) {
    if (index < 0 || index > EntryCount()) return nullptr;
    std::lock_guard lock(m_storeLock);
    return m_entries.As<FileEntry>(static_cast<size_t>(index));
}

const FileEntry* CFileBrowserDoc::Entry(int32_t index) const {
    if (index < 0 || index >= EntryCount()) return nullptr;
    std::lock_guard lock(m_storeLock);
    return m_entries.As<FileEntry>(static_cast<size_t>(index));
}

int32_t CFileBrowserDoc::AddEntry(const std::string& path) {
    const int32_t index = EntryCount();
    FileEntry* entry = Entry(index);
    if (!entry) return -1;
    std::memset(entry, 0, sizeof(FileEntry));
    if (!SetEntryPath(*entry, path)) {
        std::lock_guard lock(m_storeLock);
        m_longPaths[index] = path;
    } else {
        std::lock_guard lock(m_storeLock);
        m_longPaths.erase(index);
    }
    SetEntryCount(index + 1);
    return index;
}

std::string CFileBrowserDoc::StorePath(int32_t index) const {
    const FileEntry* entry = Entry(index);
    if (!entry) return {};
    const size_t length = EntryPathLength(*entry);
    if (length == FileEntry::kPathBytes - 1) {
        std::lock_guard lock(m_storeLock);
        auto it = m_longPaths.find(index);
        if (it != m_longPaths.end()) return it->second;
    }
    return std::string(entry->path, length);
}

int32_t CFileBrowserDoc::VisibleIndex(int32_t row) const {
    if (row < 0 || row >= VisibleCount()) return -1;
    std::lock_guard lock(m_storeLock);
    const int32_t* slot = m_visible.As<int32_t>(static_cast<size_t>(row));
    return slot ? *slot : -1;
}

FileEntry* CFileBrowserDoc::VisibleEntry(int32_t row) { return Entry(VisibleIndex(row)); }

bool CFileBrowserDoc::SetVisibleIndex(int32_t row, int32_t storeIndex) {
    if (row < 0) return false;
    std::lock_guard lock(m_storeLock);
    int32_t* slot = m_visible.As<int32_t>(static_cast<size_t>(row));
    if (!slot) return false;
    *slot = storeIndex;
    return true;
}

bool CFileBrowserDoc::AppendVisible(int32_t storeIndex) {
    const int32_t row = VisibleCount();
    if (!SetVisibleIndex(row, storeIndex)) return false;
    SetVisibleCount(row + 1);
    return true;
}

void CFileBrowserDoc::ClearEntries() {
    SetVisibleCount(0);
    SetEntryCount(0);
    std::lock_guard lock(m_storeLock);
    m_longPaths.clear();
}

// ---- filters and sorting ----

void CFileBrowserDoc::ApplyFilters() {
    std::lock_guard listing(m_listingLock);
    const bool folders = ShowFolders(), others = ShowNonImageFiles();
    SetVisibleCount(0);
    const int32_t count = EntryCount();
    for (int32_t i = 0; i < count; ++i) {
        FileEntry* e = Entry(i);
        if (!e || e->Has(kEntryGone)) continue;
        ClearEntryFlags(*e, kEntryFiltered);
        const bool folder = e->IsFolder();
        if ((folder && !folders) || (!folder && !e->IsJpeg() && !others)) {
            ClearEntryFlags(*e, kEntrySelected);
            SetEntryFlags(*e, kEntryFiltered);
        } else {
            AppendVisible(i);
        }
    }
}

void CFileBrowserDoc::SortVisible() {
    std::lock_guard listing(m_listingLock);
    const int32_t count = VisibleCount();
    if (count < 2) return;
    std::vector<SortItem> items;
    items.reserve(static_cast<size_t>(count));
    for (int32_t row = 0; row < count; ++row) {
        const int32_t index = VisibleIndex(row);
        const FileEntry* e = Entry(index);
        if (!e) continue;
        items.push_back(SortItem{index, e, std::string_view(e->path, EntryPathLength(*e))});
    }
    // Paths too long for the record are rare; the list holds them while the views are used
    // (a std::list never moves its strings).
    std::list<std::string> longPaths;
    for (SortItem& item : items)
        if (item.path.size() == FileEntry::kPathBytes - 1) item.path = longPaths.emplace_back(StorePath(item.index));
    QuickSortEntries(items, SortMode());
    for (size_t row = 0; row < items.size(); ++row) SetVisibleIndex(static_cast<int32_t>(row), items[row].index);
    SetVisibleCount(static_cast<int32_t>(items.size()));
}

void CFileBrowserDoc::PostListChanged() {
    if (!m_services.sink) return;
    m_services.sink->PostUpdate(kUpdateCount, 0);
    m_services.sink->PostUpdate(kUpdateCount, VisibleCount());
    m_services.sink->PostUpdate(kUpdateListed, 0);
}

// ---- commands ----

void CFileBrowserDoc::UpdateAllViews() {
    if (m_services.sink) m_services.sink->UpdateAllViews();
}

void CFileBrowserDoc::Sort(uint32_t mode) {
    std::lock_guard listing(m_listingLock);
    m_sortMode.store(mode);
    if (VisibleCount() > 1) SortVisible();
}

void CFileBrowserDoc::SetSortBits(uint32_t clear, uint32_t set) {
    Sort((SortMode() & ~clear) | set);
    UpdateAllViews();
}

void CFileBrowserDoc::SelectAll() {
    std::lock_guard listing(m_listingLock);
    const int32_t count = VisibleCount();
    for (int32_t row = 0; row < count; ++row)
        if (FileEntry* e = VisibleEntry(row)) SetEntryFlags(*e, kEntrySelected);
    UpdateAllViews();
}

void CFileBrowserDoc::DeselectAll() {
    std::lock_guard listing(m_listingLock);
    const int32_t count = VisibleCount();
    for (int32_t row = 0; row < count; ++row)
        if (FileEntry* e = VisibleEntry(row)) ClearEntryFlags(*e, kEntrySelected);
    UpdateAllViews();
}

void CFileBrowserDoc::Refilter() {
    std::lock_guard listing(m_listingLock);
    if (m_source) m_source->StopThumbnails();
    ApplyFilters();
    SortVisible();
    if (m_source) m_source->RestartThumbnails();
    PostListChanged();
}

std::string CFileBrowserDoc::EntryPath(int32_t row) const {
    const int32_t index = VisibleIndex(row);
    return index < 0 ? std::string() : StorePath(index);
}

int32_t CFileBrowserDoc::SelectedCount() const {
    std::lock_guard listing(m_listingLock);
    int32_t selected = 0;
    const int32_t count = VisibleCount();
    for (int32_t row = 0; row < count; ++row) {
        const FileEntry* e = Entry(VisibleIndex(row));
        if (e && e->Has(kEntrySelected)) ++selected;
    }
    return selected;
}

bool CFileBrowserDoc::OnCommand(int id) {
    switch (id) {
    case kCmdSelectAll: SelectAll(); return true;
    case kCmdDeselectAll: DeselectAll(); return true;
    case kCmdDelete:
        if (m_source) m_source->DeleteSelected();
        return true;
    case kCmdDownload:
        if (m_source) m_source->Download();
        return true;
    case kCmdSortByName: SetSortBits(kSortByDate | kSortBySize, kSortByName); return true;
    case kCmdSortByDate: SetSortBits(kSortByName | kSortBySize, kSortByDate); return true;
    case kCmdSortBySize: SetSortBits(kSortByName | kSortByDate, kSortBySize); return true;
    case kCmdAscending: SetSortBits(kSortDescending, kSortAscending); return true;
    case kCmdDescending: SetSortBits(kSortAscending, kSortDescending); return true;
    case kCmdShowNonImageFiles:
        m_showNonImageFiles.store(!ShowNonImageFiles());
        Refilter();
        return true;
    case kCmdShowFolders:
        m_showFolders.store(!ShowFolders());
        Refilter();
        return true;
    default: return false;
    }
}

CFileBrowserDoc::CommandState CFileBrowserDoc::QueryCommand(int id) {
    CommandState state;
    const uint32_t mode = SortMode();
    switch (id) {
    case kCmdDelete: state.enabled = m_source && m_source->CanDelete(); break;
    case kCmdDownload: state.enabled = m_source && m_source->CanDownload(); break;
    case kCmdSortByName: state.checked = (mode & kSortByName) != 0; break;
    case kCmdSortByDate: state.checked = (mode & kSortByDate) != 0; break;
    case kCmdSortBySize: state.checked = (mode & kSortBySize) != 0; break;
    case kCmdAscending: state.checked = (mode & kSortAscending) != 0; break;
    case kCmdDescending: state.checked = (mode & kSortDescending) != 0; break;
    case kCmdShowNonImageFiles: state.checked = ShowNonImageFiles(); break;
    case kCmdShowFolders: state.checked = ShowFolders(); break;
    default: break;
    }
    return state;
}
