#pragma once
// Device events of one kernel subsystem from udev (libudev), as a descriptor to poll.
#include <memory>
#include <string>

class CUdevMonitor {
public:
    // A monitor of `subsystem` ("usb") device events; null where udev is not available
    // (no udev daemon running, a container without its netlink socket).
    static std::unique_ptr<CUdevMonitor> Create(const std::string& subsystem);
    ~CUdevMonitor();
    CUdevMonitor(const CUdevMonitor&) = delete;
    CUdevMonitor& operator=(const CUdevMonitor&) = delete;

    // The descriptor that becomes readable when events wait.
    int Fd() const;
    // Takes every waiting event; true when at least one was an add or a remove.
    bool Drain();

private:
    struct Impl;
    explicit CUdevMonitor(std::unique_ptr<Impl> impl);
    std::unique_ptr<Impl> m_impl;
};
