#include "download/wiafilesystem.h"

#include <fcntl.h>
#include <unistd.h>

#include <filesystem>
#include <mutex>

#include "browser/thumbnails/thumbnailmaker.h"
#include "core/prompt.h"
#include "exif/exif.h"
#include "platform/safewrite.h"

namespace {

// Enough for an EXIF block (at most 64 KB) behind a JFIF segment.
constexpr size_t kExifHeadBytes = 70 * 1024;

// Makes the thumbnail of JPEG bytes in memory, through an unnamed file the maker can open.
bool ThumbnailFromBytes(const std::vector<uint8_t>& bytes, FileEntry& entry) {
    const std::string temp = std::filesystem::temp_directory_path().string();
    platform::UniqueFd fd(::open(temp.c_str(), O_TMPFILE | O_RDWR | O_CLOEXEC, 0600));
    if (!fd.IsOpen() || !platform::WriteAll(fd.Get(), bytes.data(), bytes.size())) return false;
    CThumbnailMaker maker;
    int32_t width = 0, height = 0;
    const int made = maker.MakeThumbnail("/proc/self/fd/" + std::to_string(fd.Get()), FileEntry::kMaxThumbnail,
                                         FileEntry::kMaxThumbnail, width, height, entry.pixels,
                                         FileEntry::kPixelBytes);
    if (made != CThumbnailMaker::kMade || maker.LastSource() == CThumbnailMaker::Source::Placeholder) return false;
    entry.thumbWidth = static_cast<uint8_t>(width);
    entry.thumbHeight = static_cast<uint8_t>(height);
    return true;
}

}  // namespace

CWIAFileSystem::CWIAFileSystem(CFileBrowserDoc& doc, const BrowserServices& services, CWia& cameras)
    : m_doc(doc), m_services(services), m_cameras(cameras) {}

CWIAFileSystem::~CWIAFileSystem() {
    StopListing();
    m_session.reset();
}

void CWIAFileSystem::Post(int code, intptr_t param) {
    if (m_services.sink) m_services.sink->PostUpdate(code, param);
}

void CWIAFileSystem::StopListing() {
    m_stop = true;
    if (m_listing.joinable()) m_listing.join();
    m_stop = false;
}

void CWIAFileSystem::WaitForListing() {
    if (m_listing.joinable()) m_listing.join();
}

void CWIAFileSystem::Browse(const CHint* hint) {
    if (hint && hint->mode == CHint::kCameraGone) {
        if (hint->cameraSlot != m_slot.load()) return;
        StopListing();
        m_session.reset();
        m_slot = -1;
        std::lock_guard lock(m_doc.ListingLock());
        m_doc.ClearEntries();
        m_doc.PostListChanged();
        return;
    }
    if (hint && hint->mode != CHint::kFolder) return;  // arrivals are for the directory tree
    const int32_t slot = hint ? hint->cameraSlot : m_slot.load();
    const std::optional<CameraId> id = m_cameras.Slot(slot);
    if (!id) return;
    StopListing();
    m_busy = true;
    {
        std::lock_guard lock(m_doc.ListingLock());
        m_doc.ClearEntries();
    }
    if (m_slot.load() != slot || (m_session && !(m_session->Id() == *id))) m_session.reset();
    m_slot = slot;
    if (m_services.sink) m_services.sink->SetListingState(1);
    m_listing = std::thread([this, camera = *id] { ListingWorker(camera); });
}

void CWIAFileSystem::ListingWorker(CameraId id) {
    std::lock_guard lock(m_doc.ListingLock());
    if (!m_session) {
        std::string error;
        CameraError why = CameraError::None;
        m_session = CCameraSession::Open(id, error, &why);
        if (!m_session) {
            m_busy = false;
            if (m_services.prompt) {
                std::string text = "Failed to open " + id.model;
                // The desktop's file manager often holds a camera it has shown.
                if (why == CameraError::Busy) text += "\nThe camera is in use by another program: unmount it in the file manager and try again.";
                m_services.prompt->Message(text, "Error");
            }
            if (m_services.sink) {
                m_services.sink->SetListingState(0);
                m_services.sink->Repaint();
            }
            return;
        }
    }
    std::vector<CameraItem> files;
    std::string error;
    m_session->List(files, error, [this](const CameraItem& item) {
        if (m_stop) return false;
        const int32_t index = m_doc.AddEntry(item.Path());
        FileEntry* e = m_doc.Entry(index);
        if (!e) return false;
        e->size = static_cast<uint32_t>(item.size);
        e->date = FileTime::FromUnix(item.time, 0);
        e->imageWidth = static_cast<uint16_t>(std::min<uint32_t>(item.width, 0xFFFF));
        e->imageHeight = static_cast<uint16_t>(std::min<uint32_t>(item.height, 0xFFFF));
        e->bitsPerPixel = item.width ? 24 : 0;
        MakeThumbnail(item, *e);
        SetEntryFlags(*e, kEntryJpeg | kEntryThumbnailReady);
        m_doc.AppendVisible(index);
        Post(kUpdateCount, m_doc.VisibleCount());
        return !m_stop;
    });
    m_busy = false;
    if (m_stop) return;
    m_doc.SortVisible();
    if (m_services.sink) m_services.sink->SetListingState(2);
    Post(kUpdateThumbnailsDone, 0);
}

void CWIAFileSystem::MakeThumbnail(const CameraItem& item, FileEntry& entry) {
    entry.thumbWidth = entry.thumbHeight = 0;
    std::vector<uint8_t> bytes;
    std::string error;
    if (m_session->Preview(item, bytes, error) == CameraError::None && !bytes.empty() &&
        ThumbnailFromBytes(bytes, entry))
        return;
    // No preview from the camera: the thumbnail inside the picture's EXIF block, read from
    // the head of the file only.
    if (!IsJpegName(item.name) || m_session->ReadHead(item, kExifHeadBytes, bytes, error) != CameraError::None)
        return;
    CExif exif;
    if (exif.ReadMemory(bytes.data(), bytes.size()) != 0 || !exif.GetThumbnail() || exif.GetThumbnailSize() == 0)
        return;
    const std::vector<uint8_t> thumbnail(exif.GetThumbnail(), exif.GetThumbnail() + exif.GetThumbnailSize());
    if (!ThumbnailFromBytes(thumbnail, entry)) entry.thumbWidth = entry.thumbHeight = 0;
}

void CWIAFileSystem::OnThumbnailsDone() {
    if (!m_services.host) return;
    if (m_services.host->StartedByDevice() && m_services.host->ClicklessDownload()) Download();
    m_services.host->ClearStartedByDevice();
}

void CWIAFileSystem::Download() {
    if (m_services.host) m_services.host->StartDownload(*this);
}

bool CWIAFileSystem::CanDownload() { return !m_busy.load() && m_session && m_doc.EntryCount() > 0; }

std::unique_ptr<IDownloadDevice> CWIAFileSystem::MakeDevice(const std::atomic<bool>* cancel) {
    if (m_busy.load() || !m_session) return nullptr;
    return std::make_unique<CCameraDevice>(*m_session, std::filesystem::temp_directory_path().string(), cancel);
}

void CWIAFileSystem::DeleteSelected() {
    if (m_busy.load() || !m_session || m_doc.SelectedCount() == 0) return;
    if (!m_services.prompt ||
        m_services.prompt->Ask("Delete selected files?", "Delete", PromptButtons::YesNo) != PromptAnswer::Yes)
        return;
    std::vector<std::string> paths;
    {
        std::lock_guard lock(m_doc.ListingLock());
        for (int32_t row = 0; row < m_doc.VisibleCount(); ++row)
            if (const FileEntry* e = m_doc.VisibleEntry(row); e && e->Has(kEntrySelected))
                paths.push_back(m_doc.EntryPath(row));
    }
    IProgress* progress = m_services.progress;
    if (progress) progress->Start("Deleting " + std::to_string(paths.size()) + " images", static_cast<int>(paths.size()));
    int done = 0;
    for (const std::string& path : paths) {
        std::string error;
        // A picture the camera refuses to delete simply stays in the list.
        m_session->Delete(CameraItemFromPath(path), error);
        if (progress) progress->SetPosition(++done);
    }
    if (progress) progress->End();
    Browse(nullptr);
}
