// The system's udev monitor (libudev), wrapped for the camera watcher.
#include <libudev.h>
#include <poll.h>

#include <cerrno>
#include <cstring>

#include "setup/camerawatch.h"

namespace setup {

namespace {

struct UdevDeleter {
    void operator()(udev* handle) const { udev_unref(handle); }
    void operator()(udev_monitor* handle) const { udev_monitor_unref(handle); }
    void operator()(udev_device* handle) const { udev_device_unref(handle); }
};
template <class T>
using UdevPtr = std::unique_ptr<T, UdevDeleter>;

class CUdevMonitor : public IUdevEventSource {
public:
    CUdevMonitor(UdevPtr<udev> context, UdevPtr<udev_monitor> monitor)
        : m_context(std::move(context)), m_monitor(std::move(monitor)) {}

    std::optional<UdevEvent> Next(int timeoutMs) override {
        pollfd watched{udev_monitor_get_fd(m_monitor.get()), POLLIN, 0};
        const int ready = ::poll(&watched, 1, timeoutMs);
        if (ready < 0 && errno != EINTR) m_failed = true;
        if (ready <= 0) return std::nullopt;
        UdevPtr<udev_device> device(udev_monitor_receive_device(m_monitor.get()));
        if (!device) return std::nullopt;
        UdevEvent event;
        if (const char* action = udev_device_get_action(device.get())) event.action = action;
        if (const char* devpath = udev_device_get_devpath(device.get())) event.devpath = devpath;
        udev_list_entry* entry = udev_device_get_properties_list_entry(device.get());
        for (; entry; entry = udev_list_entry_get_next(entry)) {
            const char* name = udev_list_entry_get_name(entry);
            const char* value = udev_list_entry_get_value(entry);
            if (name) event.properties[name] = value ? value : "";
        }
        return event;
    }

    bool Finished() const override { return m_failed; }

private:
    UdevPtr<udev> m_context;
    UdevPtr<udev_monitor> m_monitor;
    bool m_failed = false;
};

}  // namespace

std::unique_ptr<IUdevEventSource> OpenUdevMonitor(std::string& error) {
    UdevPtr<udev> context(udev_new());
    if (!context) {
        error = "udev is not available";
        return nullptr;
    }
    UdevPtr<udev_monitor> monitor(udev_monitor_new_from_netlink(context.get(), "udev"));
    if (!monitor) {
        error = "cannot open the udev monitor";
        return nullptr;
    }
    if (udev_monitor_filter_add_match_subsystem_devtype(monitor.get(), "usb", nullptr) < 0 ||
        udev_monitor_enable_receiving(monitor.get()) < 0) {
        error = std::string("cannot receive udev events: ") + std::strerror(errno);
        return nullptr;
    }
    return std::make_unique<CUdevMonitor>(std::move(context), std::move(monitor));
}

}  // namespace setup
