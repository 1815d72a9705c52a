#include "download/browserdownload.h"

#include <mutex>
#include <vector>

#include "browser/browserdoc.h"
#include "download/folderdevice.h"
#include "download/wiafilesystem.h"
#include "platform/drivetype.h"

namespace {

// Passes lines on and marks the entries of verified copies.
class MarkingReport : public IDownloadReport {
public:
    MarkingReport(CFileBrowserDoc& doc, IDownloadReport* inner) : m_doc(doc), m_inner(inner) {}
    void Copied(const DownloadItem& item, const std::string& target) override {
        if (FileEntry* e = m_doc.Entry(item.entry); e && item.entry < m_doc.EntryCount())
            SetEntryFlags(*e, kEntryDownloaded);
        if (m_inner) m_inner->Copied(item, target);
    }
    void Skipped(const DownloadItem& item, const std::string& target) override {
        if (m_inner) m_inner->Skipped(item, target);
    }
    void Failed(const DownloadItem& item, const std::string& reason) override {
        if (m_inner) m_inner->Failed(item, reason);
    }
    void Deleted(const DownloadItem& item) override {
        if (m_inner) m_inner->Deleted(item);
    }

private:
    CFileBrowserDoc& m_doc;
    IDownloadReport* m_inner;
};

DownloadItem ItemOf(CFileBrowserDoc& doc, int32_t index, const FileEntry& e) {
    DownloadItem item;
    item.entry = index;
    item.source = doc.StorePath(index);
    const size_t slash = item.source.find_last_of('/');
    item.name = slash == std::string::npos ? item.source : item.source.substr(slash + 1);
    item.date = e.date;
    item.size = e.size;
    item.selected = e.Has(kEntrySelected);
    item.gone = e.Has(kEntryGone);
    return item;
}

}  // namespace

std::vector<DownloadItem> ItemsFromDocument(CFileBrowserDoc& doc) {
    std::lock_guard lock(doc.ListingLock());
    std::vector<DownloadItem> items;
    std::vector<bool> taken(static_cast<size_t>(doc.EntryCount()), false);
    for (int32_t row = 0; row < doc.VisibleCount(); ++row) {
        const int32_t index = doc.VisibleIndex(row);
        const FileEntry* e = doc.Entry(index);
        if (!e || index >= static_cast<int32_t>(taken.size()) || taken[static_cast<size_t>(index)]) continue;
        taken[static_cast<size_t>(index)] = true;
        if (!e->IsFolder()) items.push_back(ItemOf(doc, index, *e));
    }
    for (int32_t index = 0; index < static_cast<int32_t>(taken.size()); ++index) {
        const FileEntry* e = doc.Entry(index);
        if (!e || taken[static_cast<size_t>(index)] || e->IsFolder()) continue;
        DownloadItem item = ItemOf(doc, index, *e);
        item.selected = false;  // hidden entries are not part of a selection
        items.push_back(std::move(item));
    }
    return items;
}

std::unique_ptr<IDownloadDevice> DeviceForSource(CFileBrowserDoc& doc, CFileSystemIF& source,
                                                 const std::atomic<bool>* cancel) {
    if (source.GetSourceKind() == CHint::kCamera) {
        auto* camera = dynamic_cast<CWIAFileSystem*>(&source);
        return camera ? camera->MakeDevice(cancel) : nullptr;
    }
    if (doc.EntryCount() == 0) return nullptr;
    // Emptied folders are removed up to the card's root, never above it; elsewhere never
    // above the folder shown.
    const std::string first = doc.StorePath(0);
    const platform::DriveInfo drive = platform::ClassifyDrive(first);
    std::string root = drive.type == platform::DriveType::Removable ? drive.root : doc.Path();
    if (root.empty()) root = first.substr(0, first.find_last_of('/'));
    return std::make_unique<CFolderDevice>(root);
}

DownloadSummary RunBrowserDownload(CFileBrowserDoc& doc, IDownloadDevice& device, CDownloadHistory& history,
                                   IPrompt* prompt, IDownloadReport* report, IDownloadProgress* progress,
                                   const DownloadSettings& settings, const std::atomic<bool>& cancel,
                                   std::time_t now) {
    for (int32_t i = 0; i < doc.EntryCount(); ++i)
        if (FileEntry* e = doc.Entry(i)) ClearEntryFlags(*e, kEntryDownloaded);
    const std::vector<DownloadItem> items = ItemsFromDocument(doc);
    MarkingReport marking(doc, report);
    CDownloadEngine engine(device, history, prompt, &marking, progress);
    return engine.Run(items, settings, cancel, now);
}
