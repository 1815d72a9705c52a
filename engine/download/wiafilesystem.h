#pragma once
// CWIAFileSystem: the browser's file source over one camera (source kind 2). Its listing
// worker walks the camera depth first and makes an entry per file with the camera's
// preview (or the picture's own EXIF thumbnail) fitted to 130 x 130; downloads and
// deletions go through the camera session, whose worker thread owns the camera.
#include <atomic>
#include <memory>
#include <string>
#include <thread>

#include "browser/browserdoc.h"
#include "browser/filesystemif.h"
#include "download/camera.h"
#include "download/cameradevice.h"
#include "download/wia.h"

class CWIAFileSystem : public CFileSystemIF {
public:
    // A source over the cameras of `cameras` (which must outlive it).
    CWIAFileSystem(CFileBrowserDoc& doc, const BrowserServices& services, CWia& cameras);
    // Stops the listing worker and closes the camera.
    ~CWIAFileSystem() override;

    int32_t GetSourceKind() const override { return CHint::kCamera; }
    // A camera hint of mode kFolder lists the hint's slot; null lists the current slot again;
    // a "camera gone" hint for the slot shown empties the list and closes the camera.
    void Browse(const CHint* hint) override;
    void Refresh() override {}
    void SetThumbnailCursor(int32_t, int32_t) override {}
    void RestartThumbnails() override {}
    // The clickless download when the program was started by a camera.
    void OnThumbnailsDone() override;
    void Download() override;
    bool CanDownload() override;
    // Asks "Delete selected files?" and deletes the selected pictures on the camera.
    void DeleteSelected() override;
    bool CanDelete() override { return true; }
    void FlatViewOn() override {}
    bool CanFlatViewOn() override { return false; }
    void FlatViewOff() override {}
    bool IsFlatView() override { return false; }

    // Waits until the listing worker has ended.
    void WaitForListing();
    // The download device of the open camera; null while no camera is open or listing.
    std::unique_ptr<IDownloadDevice> MakeDevice(const std::atomic<bool>* cancel);
    // The slot shown, or -1.
    int32_t Slot() const { return m_slot.load(); }

private:
    void StopListing();
    void ListingWorker(CameraId id);
    void MakeThumbnail(const CameraItem& item, FileEntry& entry);
    void Post(int code, intptr_t param);

    CFileBrowserDoc& m_doc;
    BrowserServices m_services;
    CWia& m_cameras;
    std::unique_ptr<CCameraSession> m_session;
    std::atomic<int32_t> m_slot{-1};
    std::atomic<bool> m_busy{false};
    std::atomic<bool> m_stop{false};
    std::thread m_listing;
};
