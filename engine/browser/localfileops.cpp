// CLocalFileSystem's file operations: delete, copy and move, and the selection queries
// the drag and drop code uses.
#include <cstdio>
#include <filesystem>
#include <mutex>

#include "browser/browserdoc.h"
#include "browser/filestatus.h"
#include "browser/filetransfer.h"
#include "browser/localfilesystem.h"
#include "core/prompt.h"
#include "platform/trash.h"

namespace {

std::string ListOfPaths(const std::string& heading, const std::vector<std::string>& paths) {
    std::string text = heading;
    for (const std::string& path : paths) text += "\n" + path;
    return text;
}

// Deletes at once (files on removable media); true when the path is gone afterwards.
bool DeleteNow(const std::string& path) {
    std::error_code ec;
    std::filesystem::remove_all(path, ec);
    return !ec && !std::filesystem::exists(std::filesystem::symlink_status(path, ec));
}

}  // namespace

void CLocalFileSystem::DeleteSelected() {
    std::vector<std::pair<int32_t, std::string>> chosen;
    {
        std::lock_guard lock(m_doc.ListingLock());  // not while a listing rebuilds the list
        const int32_t rows = m_doc.VisibleCount();
        for (int32_t row = 0; row < rows; ++row) {
            const int32_t index = m_doc.VisibleIndex(row);
            const FileEntry* e = m_doc.Entry(index);
            if (e && e->Has(kEntrySelected)) chosen.emplace_back(index, m_doc.StorePath(index));
        }
    }
    if (chosen.empty()) return;
    // Nothing is deleted without the user's yes.
    if (!m_services.prompt) return;
    char text[512];
    std::snprintf(text, sizeof text, chosen.size() == 1 ? kDeleteOneText : kDeleteManyText,
                  static_cast<int>(chosen.size()));
    if (m_services.prompt->Ask(text, kDeleteCaption, PromptButtons::YesNo) != PromptAnswer::Yes) return;

    std::vector<int32_t> deleted;
    std::vector<std::string> notTrashed, notDeleted;
    for (const auto& [index, path] : chosen) {
        // Files on cards and sticks are deleted at once, others go to the trash; a file that
        // cannot go to the trash stays where it is.
        if (platform::ClassifyDrive(path).type != platform::DriveType::Fixed) {
            if (DeleteNow(path))
                deleted.push_back(index);
            else
                notDeleted.push_back(path);
        } else {
            const platform::TrashOutcome outcome = platform::MoveToTrash(path);
            if (outcome.ok)
                deleted.push_back(index);
            else
                notTrashed.push_back(path);
        }
    }
    if (!notTrashed.empty())
        m_services.prompt->Message(
            ListOfPaths("These files could not be moved to the recycle bin and were not deleted:", notTrashed),
            kDeleteCaption);
    if (!notDeleted.empty())
        m_services.prompt->Message(ListOfPaths("These files could not be deleted:", notDeleted), kDeleteCaption);

    // In folder mode the watcher's report leads to a Refresh; a list of files is updated here.
    if (m_fileListMode && !deleted.empty()) {
        std::lock_guard lock(m_doc.ListingLock());
        StopThumbnails();
        for (int32_t index : deleted)
            if (FileEntry* e = m_doc.Entry(index)) SetEntryFlags(*e, kEntryGone);
        m_doc.SetVisibleCount(0);
        const int32_t count = m_doc.EntryCount();
        for (int32_t i = 0; i < count; ++i) {
            const FileEntry* e = m_doc.Entry(i);
            if (e && !e->Has(kEntryGone) && !e->Has(kEntryFiltered)) m_doc.AppendVisible(i);
        }
        m_doc.SortVisible();
        m_doc.PostListChanged();
        StartThumbnailWorker();
    }
    if (m_services.sink) m_services.sink->UpdateAllViews();
}

bool CLocalFileSystem::CopyOrMove(const std::vector<std::string>& paths, int32_t operation) {
    if (operation != kCopy && operation != kMove) return false;
    // The target is the folder shown; a list of files has none.
    if (m_fileListMode || m_folder.empty()) return false;
    StopWatcher();  // our own changes are picked up by the Refresh below
    const TransferKind kind = operation == kCopy ? TransferKind::Copy : TransferKind::Move;
    const TransferReport report = TransferFiles(paths, m_folder, kind, m_services.prompt, m_services.progress);
    if (!report.failed.empty() && m_services.prompt)
        m_services.prompt->Message(
            ListOfPaths(kind == TransferKind::Copy ? "These files could not be copied:" : "These files could not be moved:",
                        report.failed),
            kind == TransferKind::Copy ? "Copying..." : "Moving...");
    Refresh();
    return true;
}

bool CLocalFileSystem::GetSelectedFiles(std::vector<std::string>& paths) {
    std::lock_guard lock(m_doc.ListingLock());
    paths.clear();
    const int32_t rows = m_doc.VisibleCount();
    for (int32_t row = 0; row < rows; ++row) {
        const int32_t index = m_doc.VisibleIndex(row);
        const FileEntry* e = m_doc.Entry(index);
        if (!e || !e->Has(kEntrySelected) || e->Has(kEntryGone)) continue;
        if (e->IsFolder()) {
            paths.clear();
            return false;
        }
        paths.push_back(m_doc.StorePath(index));
    }
    return !paths.empty();
}

bool CLocalFileSystem::IsNotFolder(const std::string& path) {
    std::error_code ec;
    return !std::filesystem::is_directory(path, ec);
}

bool CLocalFileSystem::AreAllFiles(const std::vector<std::string>& paths) {
    for (const std::string& path : paths)
        if (!IsNotFolder(path)) return false;
    return true;
}

void CLocalFileSystem::Revalidate() {
    if (!m_fileListMode) return;
    std::lock_guard lock(m_doc.ListingLock());
    StopThumbnails();
    m_doc.SetVisibleCount(0);
    const int32_t count = m_doc.EntryCount();
    for (int32_t i = 0; i < count; ++i) {
        FileEntry* e = m_doc.Entry(i);
        if (!e || e->Has(kEntryGone)) continue;
        FileStatus status;
        if (!ReadFileStatus(m_doc.StorePath(i), status)) {
            SetEntryFlags(*e, kEntryGone);
            continue;
        }
        if (!e->Has(kEntryFiltered)) m_doc.AppendVisible(i);
    }
    m_doc.SortVisible();
    m_doc.PostListChanged();
    StartThumbnailWorker();
}
