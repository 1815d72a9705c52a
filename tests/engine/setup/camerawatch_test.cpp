// The camera watcher fed with recorded udev events.
#include <gtest/gtest.h>

#include "setup/camerawatch.h"

namespace {

// What `udevadm monitor --udev --property` printed while a PTP camera was plugged in, a USB
// stick was plugged in, the camera was unplugged and plugged in again, and a camera that only
// the imaging library's rules know (vendor class interface) was connected.
const char* const kRecorded = R"(monitor will print the received events for:
UDEV - the event which udev sends out after rule processing

UDEV  [5123.861422] add      /devices/pci0000:00/0000:00:14.0/usb1/1-2 (usb)
ACTION=add
DEVPATH=/devices/pci0000:00/0000:00:14.0/usb1/1-2
SUBSYSTEM=usb
DEVTYPE=usb_device
ID_VENDOR_ID=04b0
ID_GPHOTO2=1
ID_MEDIA_PLAYER=1

UDEV  [5123.863110] add      /devices/pci0000:00/0000:00:14.0/usb1/1-2/1-2:1.0 (usb)
ACTION=add
DEVPATH=/devices/pci0000:00/0000:00:14.0/usb1/1-2/1-2:1.0
SUBSYSTEM=usb
DEVTYPE=usb_interface
INTERFACE=6/1/1

UDEV  [5123.870001] bind     /devices/pci0000:00/0000:00:14.0/usb1/1-2 (usb)
ACTION=bind
DEVPATH=/devices/pci0000:00/0000:00:14.0/usb1/1-2
SUBSYSTEM=usb
DEVTYPE=usb_device
ID_GPHOTO2=1

UDEV  [5130.100000] add      /devices/pci0000:00/0000:00:14.0/usb1/1-3/1-3:1.0 (usb)
ACTION=add
DEVPATH=/devices/pci0000:00/0000:00:14.0/usb1/1-3/1-3:1.0
SUBSYSTEM=usb
DEVTYPE=usb_interface
INTERFACE=8/6/80

UDEV  [5140.000000] remove   /devices/pci0000:00/0000:00:14.0/usb1/1-2/1-2:1.0 (usb)
ACTION=remove
DEVPATH=/devices/pci0000:00/0000:00:14.0/usb1/1-2/1-2:1.0
SUBSYSTEM=usb
DEVTYPE=usb_interface
INTERFACE=6/1/1

UDEV  [5140.000100] remove   /devices/pci0000:00/0000:00:14.0/usb1/1-2 (usb)
ACTION=remove
DEVPATH=/devices/pci0000:00/0000:00:14.0/usb1/1-2
SUBSYSTEM=usb
DEVTYPE=usb_device

UDEV  [5150.000000] add      /devices/pci0000:00/0000:00:14.0/usb1/1-2/1-2:1.0 (usb)
ACTION=add
DEVPATH=/devices/pci0000:00/0000:00:14.0/usb1/1-2/1-2:1.0
SUBSYSTEM=usb
DEVTYPE=usb_interface
INTERFACE=6/1/1

UDEV  [5150.000200] add      /devices/pci0000:00/0000:00:14.0/usb1/1-2 (usb)
ACTION=add
DEVPATH=/devices/pci0000:00/0000:00:14.0/usb1/1-2
SUBSYSTEM=usb
DEVTYPE=usb_device
ID_GPHOTO2=1

UDEV  [5160.000000] add      /devices/pci0000:00/0000:00:14.0/usb2/2-1 (usb)
ACTION=add
DEVPATH=/devices/pci0000:00/0000:00:14.0/usb2/2-1
SUBSYSTEM=usb
DEVTYPE=usb_device
ID_GPHOTO2=1
)";

TEST(CameraWatch, ParsesTheMonitorLog) {
    const std::vector<setup::UdevEvent> events = setup::ParseUdevMonitorLog(kRecorded);
    ASSERT_EQ(events.size(), 9u);
    EXPECT_EQ(events[0].action, "add");
    EXPECT_EQ(events[0].devpath, "/devices/pci0000:00/0000:00:14.0/usb1/1-2");
    EXPECT_EQ(events[0].Property("ID_VENDOR_ID"), "04b0");
    EXPECT_EQ(events[1].Property("INTERFACE"), "6/1/1");
    EXPECT_EQ(events[8].Property("ID_GPHOTO2"), "1");  // the last event has no blank line after it
    // Broken records (no action or no devpath) are dropped rather than half-read.
    EXPECT_TRUE(setup::ParseUdevMonitorLog("ACTION=add\n\nDEVPATH=/x\n\n=oops\nrandom text\n").empty());
}

TEST(CameraWatch, StartsTheProgramOncePerConnection) {
    int started = 0;
    setup::CCameraWatcher watcher([&started] { ++started; });
    setup::CRecordedUdevEvents source(setup::ParseUdevMonitorLog(kRecorded));
    std::vector<int> startsAfterEach;
    setup::RunCameraWatch(source, watcher, [&] {
        startsAfterEach.push_back(started);
        return true;
    }, 0);
    // First plug-in (device, interface, bind) once; the stick never; the second plug-in once
    // (its interface comes before its device); the other camera once.
    EXPECT_EQ(started, 3);
    EXPECT_EQ(startsAfterEach, (std::vector<int>{0, 1, 1, 1, 1, 1, 1, 2, 2, 3}));
}

TEST(CameraWatch, StopsWhenAskedAndRecognisesCamerasOnlyOnUsb) {
    int started = 0;
    setup::CCameraWatcher watcher([&started] { ++started; });
    setup::CRecordedUdevEvents source(setup::ParseUdevMonitorLog(kRecorded));
    setup::RunCameraWatch(source, watcher, [] { return false; }, 0);
    EXPECT_EQ(started, 0);
    EXPECT_FALSE(source.Finished());

    setup::UdevEvent notUsb{"add", "/devices/x", {{"SUBSYSTEM", "block"}, {"DEVTYPE", "usb_device"}, {"ID_GPHOTO2", "1"}}};
    EXPECT_FALSE(setup::IsCameraEvent(notUsb));
    setup::UdevEvent zero{"add", "/devices/y", {{"SUBSYSTEM", "usb"}, {"DEVTYPE", "usb_device"}, {"ID_GPHOTO2", "0"}}};
    EXPECT_FALSE(watcher.OnEvent(zero));
}

}  // namespace
