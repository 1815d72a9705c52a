#pragma once
// The window-less camera watcher: follows the USB devices the system announces and starts
// the program with -WIA once for each camera that is connected. A camera is a USB device
// that the imaging library's udev rules mark with ID_GPHOTO2, or one with a still-image
// interface (class 6, subclass 1, protocol 1).
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <vector>

namespace setup {

// One device event as udev reports it.
struct UdevEvent {
    std::string action;   // "add", "bind", "remove", ...
    std::string devpath;  // /devices/...
    std::map<std::string, std::string> properties;

    // A property's value, "" when absent.
    std::string Property(const std::string& name) const;
};

// Events in the form `udevadm monitor --udev --property` prints them (a header line, then
// KEY=VALUE lines, a blank line between events); what does not fit is skipped.
std::vector<UdevEvent> ParseUdevMonitorLog(const std::string& text);

// Where events come from: the system's udev monitor, or recorded events in tests.
class IUdevEventSource {
public:
    virtual ~IUdevEventSource() = default;
    // The next event, or nothing when none came within `timeoutMs` (or the source is done).
    virtual std::optional<UdevEvent> Next(int timeoutMs) = 0;
    // True when no more events can come.
    virtual bool Finished() const = 0;
};

// The system's udev monitor on the usb subsystem; null with `error` set when it cannot be
// opened (no udev, e.g. in a container).
std::unique_ptr<IUdevEventSource> OpenUdevMonitor(std::string& error);

// Recorded events, handed out in order.
class CRecordedUdevEvents : public IUdevEventSource {
public:
    explicit CRecordedUdevEvents(std::vector<UdevEvent> events) : m_events(std::move(events)) {}
    std::optional<UdevEvent> Next(int timeoutMs) override;
    bool Finished() const override { return m_next >= m_events.size(); }

private:
    std::vector<UdevEvent> m_events;
    size_t m_next = 0;
};

// Decides from events when a camera was connected; each connection counts once, however
// many events (device, interfaces, bind) announce it, until the device is removed.
class CCameraWatcher {
public:
    // `startProgram` runs for each new connection.
    explicit CCameraWatcher(std::function<void()> startProgram) : m_startProgram(std::move(startProgram)) {}
    // Handles one event; true when it started the program.
    bool OnEvent(const UdevEvent& event);

private:
    std::function<void()> m_startProgram;
    std::set<std::string> m_connected;  // devpaths of the USB devices seen as cameras
};

// Whether an event describes a camera (ID_GPHOTO2, or a still-image interface).
bool IsCameraEvent(const UdevEvent& event);

// Feeds events from `source` to `watcher` until `keepRunning` says no (asked at least every
// `pollMs`) or the source is finished.
void RunCameraWatch(IUdevEventSource& source, CCameraWatcher& watcher, const std::function<bool()>& keepRunning,
                    int pollMs);

// Starts `program` with `arguments` in the background, detached from this process' session;
// false when it could not be started.
bool StartDetached(const std::string& program, const std::vector<std::string>& arguments);

// Starts `program` --camera-watch in the background so a newly registered watcher works
// before the next login; a second watcher ends at once, so this is harmless when one runs.
bool StartCameraWatcher(const std::string& program);

// `lumaret --camera-watch`: one watcher per user; runs while the autostart entry at
// `autostartEntry` exists, starting `program` -WIA for each camera. Returns the exit status.
int CameraWatchMain(const std::string& program, const std::string& autostartEntry);

}  // namespace setup
