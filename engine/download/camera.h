#pragma once
// Cameras over libgphoto2: which cameras are connected, and a session on one of them. Every
// libgphoto2 object of a camera lives on the session's own worker thread (the library is
// not safe to use on one camera from several threads); the calls below hand it jobs and
// wait for them.
#include <atomic>
#include <cstdint>
#include <ctime>
#include <functional>
#include <memory>
#include <string>
#include <vector>

// One camera: the model name libgphoto2 knows it by, and its port ("usb:001,004", "disk:/x").
struct CameraId {
    std::string model;
    std::string port;
    bool operator==(const CameraId&) const = default;
};

// The most cameras followed at once; later ones are not listed.
constexpr size_t kMaxCameras = 10;

// The cameras named by `text` as "Model@port" entries separated by ";" (blank or malformed
// entries are skipped).
std::vector<CameraId> ParseCameraList(const std::string& text);

// `found` followed by `extra`, without "disk:" entries of `found` (mounted cards, shown as
// folders), one entry per port, at most kMaxCameras.
std::vector<CameraId> MergeCameraLists(const std::vector<CameraId>& found, const std::vector<CameraId>& extra);

// The connected cameras (libgphoto2's detection) plus those listed in `extra` (the
// LUMARET_CAMERAS text), merged as above.
std::vector<CameraId> EnumerateCameras(const std::string& extra);

// One file on a camera.
struct CameraItem {
    std::string folder;     // "/store_00010001/DCIM/100CANON"
    std::string name;       // "IMG_0001.JPG"
    uint64_t size = 0;      // 0 when the camera does not say
    std::time_t time = 0;   // the camera's wall-clock time of the file; 0 when unknown
    uint32_t width = 0;     // picture size when the camera gives it, else 0
    uint32_t height = 0;
    std::string Path() const { return folder == "/" ? "/" + name : folder + "/" + name; }
};

// Splits a camera path into folder and name.
CameraItem CameraItemFromPath(const std::string& path);

enum class CameraError {
    None,
    OpenFailed,   // the camera is not there or cannot be driven
    Busy,         // another program (usually the desktop's file manager) holds it
    Io,           // a listing, transfer or deletion failed
    Cancelled,
};

class CCameraSession {
public:
    // Opens the camera on a new worker thread. A camera that is busy is tried `busyRetries`
    // more times, a second apart. Null, with `error` (and `why`) set, on failure.
    static std::unique_ptr<CCameraSession> Open(const CameraId& id, std::string& error, CameraError* why = nullptr,
                                                int busyRetries = 3);
    // Closes the camera and ends the worker thread.
    ~CCameraSession();
    CCameraSession(const CCameraSession&) = delete;
    CCameraSession& operator=(const CCameraSession&) = delete;

    const CameraId& Id() const { return m_id; }
    // Every file of every folder, depth first, folders and files in the camera's order.
    // `onFile` (may be empty) sees each file as it is found; returning false stops the walk.
    CameraError List(std::vector<CameraItem>& files, std::string& error,
                     const std::function<bool(const CameraItem&)>& onFile = {});
    // The camera's preview of the file (usually a small JPEG); empty when it has none.
    CameraError Preview(const CameraItem& file, std::vector<uint8_t>& bytes, std::string& error);
    // The first `maxBytes` bytes of the file (fewer when it is shorter); Io when the camera
    // cannot read part of a file.
    CameraError ReadHead(const CameraItem& file, size_t maxBytes, std::vector<uint8_t>& bytes, std::string& error);
    // Writes the file's bytes to `fd`. `cancel` stops the transfer; `progress` sees 0..1.
    CameraError Download(const CameraItem& file, int fd, std::string& error, const std::atomic<bool>* cancel = nullptr,
                         const std::function<void(float)>& progress = {});
    // Deletes the file on the camera.
    CameraError Delete(const CameraItem& file, std::string& error);

private:
    struct Impl;
    explicit CCameraSession(CameraId id);
    CameraId m_id;
    std::unique_ptr<Impl> m_impl;
};
