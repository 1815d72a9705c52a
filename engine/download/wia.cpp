#include "download/wia.h"

#include <poll.h>
#include <sys/eventfd.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>

#include "download/udevmonitor.h"

CWia::CWia(Options options) : m_options(std::move(options)) {
    if (!m_options.enumerate)
        m_options.enumerate = [] {
            const char* extra = std::getenv("LUMARET_CAMERAS");
            return EnumerateCameras(extra ? extra : "");
        };
    Refresh();
}

CWia::~CWia() {
    if (m_thread.joinable()) {
        const uint64_t one = 1;
        (void)!::write(m_stopFd, &one, sizeof one);
        m_thread.join();
    }
    if (m_stopFd >= 0) ::close(m_stopFd);
}

void CWia::Refresh() {
    const std::vector<CameraId> now = m_options.enumerate();
    std::vector<CHint> changes;
    {
        std::lock_guard lock(m_mutex);
        for (size_t i = 0; i < kMaxCameras; ++i) {
            if (!m_slots[i]) continue;
            bool present = false;
            for (const CameraId& id : now) present = present || id == *m_slots[i];
            if (present) continue;
            m_slots[i].reset();
            CHint hint;
            hint.sourceKind = CHint::kCamera;
            hint.mode = CHint::kCameraGone;
            hint.cameraSlot = static_cast<int32_t>(i);
            changes.push_back(hint);
        }
        for (const CameraId& id : now) {
            size_t free = kMaxCameras;
            bool known = false;
            for (size_t i = 0; i < kMaxCameras; ++i) {
                if (m_slots[i] && *m_slots[i] == id) known = true;
                if (!m_slots[i] && free == kMaxCameras) free = i;
            }
            if (known || free == kMaxCameras) continue;
            m_slots[free] = id;
            CHint hint;
            hint.sourceKind = CHint::kCamera;
            hint.mode = CHint::kCameraArrived;
            hint.cameraSlot = static_cast<int32_t>(free);
            changes.push_back(hint);
        }
    }
    // Told outside the lock: a listener may look at the table.
    if (m_listener)
        for (const CHint& hint : changes) m_listener(hint);
}

std::optional<CameraId> CWia::Slot(int index) const {
    std::lock_guard lock(m_mutex);
    if (index < 0 || index >= static_cast<int>(kMaxCameras)) return std::nullopt;
    return m_slots[index];
}

int CWia::FindPort(const std::string& port) const {
    std::lock_guard lock(m_mutex);
    for (size_t i = 0; i < kMaxCameras; ++i)
        if (m_slots[i] && m_slots[i]->port == port) return static_cast<int>(i);
    return -1;
}

std::vector<std::pair<int, CameraId>> CWia::Cameras() const {
    std::lock_guard lock(m_mutex);
    std::vector<std::pair<int, CameraId>> cameras;
    for (size_t i = 0; i < kMaxCameras; ++i)
        if (m_slots[i]) cameras.emplace_back(static_cast<int>(i), *m_slots[i]);
    return cameras;
}

void CWia::Follow(Listener listener) {
    if (m_thread.joinable()) return;
    m_listener = std::move(listener);
    m_stopFd = ::eventfd(0, EFD_CLOEXEC);
    if (m_stopFd < 0) return;
    std::shared_ptr<CUdevMonitor> monitor = m_options.useUdev ? CUdevMonitor::Create("usb") : nullptr;
    m_usingUdev = monitor != nullptr;
    m_thread = std::thread([this, monitor] { FollowLoop(monitor.get()); });
}

void CWia::FollowLoop(CUdevMonitor* monitor) {
    for (;;) {
        pollfd fds[2] = {{m_stopFd, POLLIN, 0}, {monitor ? monitor->Fd() : -1, POLLIN, 0}};
        const int timeout = monitor ? -1 : static_cast<int>(m_options.pollInterval.count());
        const int n = ::poll(fds, monitor ? 2 : 1, timeout);
        if (n < 0 && errno != EINTR) return;
        if (fds[0].revents) return;
        if (monitor) {
            if (!(fds[1].revents & POLLIN) || !monitor->Drain()) continue;
            // A camera that just appeared needs a moment before it can be opened; events
            // arriving meanwhile are folded into one enumeration.
            pollfd stop{m_stopFd, POLLIN, 0};
            if (::poll(&stop, 1, static_cast<int>(m_options.settleDelay.count())) > 0) return;
            monitor->Drain();
        }
        Refresh();
    }
}
