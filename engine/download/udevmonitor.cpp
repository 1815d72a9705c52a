// The one file that talks to libudev.
#include "download/udevmonitor.h"

#include <libudev.h>

#include <cstring>

namespace {

struct UdevFree {
    void operator()(udev* p) const { udev_unref(p); }
};
struct MonitorFree {
    void operator()(udev_monitor* p) const { udev_monitor_unref(p); }
};
struct DeviceFree {
    void operator()(udev_device* p) const { udev_device_unref(p); }
};
struct QueueFree {
    void operator()(udev_queue* p) const { udev_queue_unref(p); }
};

}  // namespace

struct CUdevMonitor::Impl {
    std::unique_ptr<udev, UdevFree> context;
    std::unique_ptr<udev_monitor, MonitorFree> monitor;
};

CUdevMonitor::CUdevMonitor(std::unique_ptr<Impl> impl) : m_impl(std::move(impl)) {}
CUdevMonitor::~CUdevMonitor() = default;

std::unique_ptr<CUdevMonitor> CUdevMonitor::Create(const std::string& subsystem) {
    auto impl = std::make_unique<Impl>();
    impl->context.reset(udev_new());
    if (!impl->context) return nullptr;
    // Without the udev daemon a monitor can be made but never hears anything.
    const std::unique_ptr<udev_queue, QueueFree> queue(udev_queue_new(impl->context.get()));
    if (!queue || udev_queue_get_udev_is_active(queue.get()) != 1) return nullptr;
    impl->monitor.reset(udev_monitor_new_from_netlink(impl->context.get(), "udev"));
    if (!impl->monitor) return nullptr;
    if (udev_monitor_filter_add_match_subsystem_devtype(impl->monitor.get(), subsystem.c_str(), nullptr) < 0 ||
        udev_monitor_enable_receiving(impl->monitor.get()) < 0 || udev_monitor_get_fd(impl->monitor.get()) < 0)
        return nullptr;
    return std::unique_ptr<CUdevMonitor>(new CUdevMonitor(std::move(impl)));
}

int CUdevMonitor::Fd() const { return udev_monitor_get_fd(m_impl->monitor.get()); }

bool CUdevMonitor::Drain() {
    bool changed = false;
    // The monitor's socket is non-blocking: receive returns null once nothing waits.
    while (std::unique_ptr<udev_device, DeviceFree> device{udev_monitor_receive_device(m_impl->monitor.get())}) {
        const char* action = udev_device_get_action(device.get());
        if (action && (std::strcmp(action, "add") == 0 || std::strcmp(action, "remove") == 0)) changed = true;
    }
    return changed;
}
