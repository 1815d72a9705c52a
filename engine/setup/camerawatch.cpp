#include "setup/camerawatch.h"

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <sstream>

#include "platform/instancelock.h"

extern char** environ;

namespace setup {

namespace {

// The USB device an event belongs to: an interface's devpath is its device's plus one level.
std::string DeviceKey(const UdevEvent& event) {
    if (event.Property("DEVTYPE") == "usb_interface") {
        const size_t slash = event.devpath.rfind('/');
        if (slash != std::string::npos && slash > 0) return event.devpath.substr(0, slash);
    }
    return event.devpath;
}

std::string LockPathForWatcher() {
    const std::string lock = CInstanceLock::DefaultPath();
    const std::filesystem::path path(lock);
    return (path.parent_path() / ("camera-watch-" + path.filename().string())).string();
}

}  // namespace

std::string UdevEvent::Property(const std::string& name) const {
    const auto found = properties.find(name);
    return found == properties.end() ? std::string() : found->second;
}

std::vector<UdevEvent> ParseUdevMonitorLog(const std::string& text) {
    std::vector<UdevEvent> events;
    std::istringstream in(text);
    std::string line;
    UdevEvent current;
    bool open = false;
    auto finish = [&] {
        if (open && !current.action.empty() && !current.devpath.empty()) events.push_back(current);
        current = UdevEvent{};
        open = false;
    };
    while (std::getline(in, line)) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (line.empty()) {
            finish();
            continue;
        }
        const size_t equals = line.find('=');
        if (equals == std::string::npos || equals == 0 || line.find(' ') < equals) {
            // A header ("UDEV  [12.3] add /devices/... (usb)") or other text starts a new event.
            finish();
            open = line.rfind("UDEV", 0) == 0 || line.rfind("KERNEL", 0) == 0;
            continue;
        }
        open = true;
        const std::string key = line.substr(0, equals), value = line.substr(equals + 1);
        if (key == "ACTION") current.action = value;
        if (key == "DEVPATH") current.devpath = value;
        current.properties[key] = value;
    }
    finish();
    return events;
}

std::optional<UdevEvent> CRecordedUdevEvents::Next(int) {
    if (Finished()) return std::nullopt;
    return m_events[m_next++];
}

bool IsCameraEvent(const UdevEvent& event) {
    if (event.Property("SUBSYSTEM") != "usb") return false;
    const std::string type = event.Property("DEVTYPE");
    if (type == "usb_device") {
        const std::string gphoto = event.Property("ID_GPHOTO2");
        return !gphoto.empty() && gphoto != "0";
    }
    return type == "usb_interface" && event.Property("INTERFACE") == "6/1/1";
}

bool CCameraWatcher::OnEvent(const UdevEvent& event) {
    const std::string key = DeviceKey(event);
    if (event.action == "remove") {
        // The device's own removal ends the connection; an interface going away does not.
        if (event.Property("DEVTYPE") != "usb_interface") m_connected.erase(key);
        return false;
    }
    if (event.action != "add" && event.action != "bind") return false;
    if (!IsCameraEvent(event) || !m_connected.insert(key).second) return false;
    if (m_startProgram) m_startProgram();
    return true;
}

void RunCameraWatch(IUdevEventSource& source, CCameraWatcher& watcher, const std::function<bool()>& keepRunning,
                    int pollMs) {
    while (keepRunning() && !source.Finished()) {
        if (std::optional<UdevEvent> event = source.Next(pollMs)) watcher.OnEvent(*event);
        // Programs the watcher started are reaped here so none is left a zombie.
        while (::waitpid(-1, nullptr, WNOHANG) > 0) {
        }
    }
}

bool StartDetached(const std::string& program, const std::vector<std::string>& arguments) {
    std::vector<char*> argv;
    argv.push_back(const_cast<char*>(program.c_str()));
    for (const std::string& argument : arguments) argv.push_back(const_cast<char*>(argument.c_str()));
    argv.push_back(nullptr);
    // Standard streams on /dev/null: a caller reading our output through a pipe must not wait
    // for a program that keeps running.
    posix_spawn_file_actions_t files;
    if (posix_spawn_file_actions_init(&files) != 0) return false;
    for (int fd : {STDIN_FILENO, STDOUT_FILENO, STDERR_FILENO})
        posix_spawn_file_actions_addopen(&files, fd, "/dev/null", fd == STDIN_FILENO ? O_RDONLY : O_WRONLY, 0);
    posix_spawnattr_t attributes;
    if (posix_spawnattr_init(&attributes) != 0) {
        posix_spawn_file_actions_destroy(&files);
        return false;
    }
    // Its own session: the started program outlives the watcher and is not hit by its signals.
    posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSID);
    pid_t pid = 0;
    const int result = posix_spawn(&pid, program.c_str(), &files, &attributes, argv.data(), environ);
    posix_spawnattr_destroy(&attributes);
    posix_spawn_file_actions_destroy(&files);
    return result == 0;
}

bool StartCameraWatcher(const std::string& program) { return StartDetached(program, {"--camera-watch"}); }

int CameraWatchMain(const std::string& program, const std::string& autostartEntry) {
    CInstanceLock lock(LockPathForWatcher());
    if (!lock.Acquired()) return 0;  // a watcher already runs for this user
    std::string error;
    std::unique_ptr<IUdevEventSource> monitor = OpenUdevMonitor(error);
    if (!monitor) {
        std::fprintf(stderr, "lumaret: cannot watch for cameras: %s\n", error.c_str());
        return 1;
    }
    CCameraWatcher watcher([&program] {
        if (!StartDetached(program, {"-WIA"}))
            std::fprintf(stderr, "lumaret: cannot start %s\n", program.c_str());
    });
    // Turning the camera box off removes the autostart entry: that ends a running watcher.
    const auto registered = [&autostartEntry] {
        std::error_code ignored;
        return std::filesystem::exists(autostartEntry, ignored);
    };
    RunCameraWatch(*monitor, watcher, registered, 2000);
    return 0;
}

}  // namespace setup
