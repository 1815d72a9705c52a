#pragma once
// A camera as the device of a download: each picture is transferred into an unnamed
// temporary file, checked against the size the camera gave, and read from there by the
// verified copy; deletion goes to the camera.
#include <string>
#include <vector>

#include "download/camera.h"
#include "download/downloadengine.h"

class CCameraDevice : public IDownloadDevice {
public:
    // `tempFolder` holds the transfers while they are copied (nothing stays in it).
    CCameraDevice(CCameraSession& session, std::string tempFolder, const std::atomic<bool>* cancel = nullptr)
        : m_session(session), m_tempFolder(std::move(tempFolder)), m_cancel(cancel) {}

    // The camera's files as download items: the source is the camera path, the date the
    // file's time on the camera.
    static std::vector<DownloadItem> ItemsOf(const std::vector<CameraItem>& files);

    std::unique_ptr<IByteReader> Open(const DownloadItem& item, std::optional<timespec>& modified,
                                      std::string& error) override;
    bool Delete(const DownloadItem& item, std::string& error) override;
    bool IsCamera() const override { return true; }

private:
    CCameraSession& m_session;
    std::string m_tempFolder;
    const std::atomic<bool>* m_cancel;
};
