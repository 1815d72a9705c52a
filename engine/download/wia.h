#pragma once
// CWia: the table of connected cameras (at most kMaxCameras slots, one per camera), kept up
// to date while followed: libudev events on the usb subsystem make it enumerate again, and
// where udev is not available it enumerates every two seconds. Changes are told to a
// listener as camera hints (arrived, gone) carrying the slot.
#include <atomic>
#include <chrono>
#include <functional>
#include <mutex>
#include <optional>
#include <thread>
#include <vector>

#include "browser/hint.h"
#include "download/camera.h"

class CUdevMonitor;

class CWia {
public:
    using Enumerator = std::function<std::vector<CameraId>()>;
    using Listener = std::function<void(const CHint&)>;

    struct Options {
        Enumerator enumerate;  // the cameras now connected (EnumerateCameras by default)
        bool useUdev = true;   // false: always poll
        std::chrono::milliseconds pollInterval{2000};
        std::chrono::milliseconds settleDelay{500};  // after a udev event, before enumerating
    };

    // A table filled by a first enumeration.
    explicit CWia(Options options);
    // Stops following.
    ~CWia();
    CWia(const CWia&) = delete;
    CWia& operator=(const CWia&) = delete;

    // Enumerates again: cameras still there keep their slots, new ones take free slots
    // (none when all are taken), gone ones free theirs; the listener hears of each change.
    void Refresh();
    // The camera in a slot.
    std::optional<CameraId> Slot(int index) const;
    // The slot of a camera port, or -1.
    int FindPort(const std::string& port) const;
    // The cameras in slot order with their slot indexes.
    std::vector<std::pair<int, CameraId>> Cameras() const;

    // Starts following connects and disconnects, telling `listener` (from the follower's thread).
    void Follow(Listener listener);
    // True when following with udev events, false when polling (or not following).
    bool FollowsUdevEvents() const { return m_usingUdev.load(); }

private:
    void FollowLoop(CUdevMonitor* monitor);

    Options m_options;
    mutable std::mutex m_mutex;
    std::optional<CameraId> m_slots[kMaxCameras];
    Listener m_listener;
    std::thread m_thread;
    int m_stopFd = -1;
    std::atomic<bool> m_usingUdev{false};
};
