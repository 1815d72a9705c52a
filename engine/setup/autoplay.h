#pragma once
// Autoplay on freedesktop desktops, for the current user only:
//  - cards: a desktop entry handling x-content/image-dcf (a mounted card with a DCIM folder)
//    that starts the program on the card with -a, made the default for that type in
//    mimeapps.list, and a device action for KDE's solid;
//  - cameras: an XDG autostart entry running the window-less camera watcher, which starts
//    the program with -WIA when a camera is connected (camerawatch.h).
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "platform/programfolder.h"
#include "settings/settings.h"
#include "setup/settingspages.h"

namespace setup {

inline constexpr const char* kCardMimeType = "x-content/image-dcf";
inline constexpr const char* kCardHandlerId = "org.lumaret.Lumaret.Card.desktop";
inline constexpr const char* kCameraWatchId = "org.lumaret.Lumaret.CameraWatch.desktop";
inline constexpr const char* kSolidActionName = "org.lumaret.Lumaret.download.desktop";

// Where the autoplay files live.
struct AutoplayLocations {
    std::filesystem::path configHome;  // $XDG_CONFIG_HOME
    std::filesystem::path dataHome;    // $XDG_DATA_HOME

    static AutoplayLocations FromEnvironment(const platform::EnvLookup& env);
    std::filesystem::path CardHandlerEntry() const { return dataHome / "applications" / kCardHandlerId; }
    std::filesystem::path MimeAppsList() const { return configHome / "mimeapps.list"; }
    std::filesystem::path SolidAction() const { return dataHome / "solid" / "actions" / kSolidActionName; }
    std::filesystem::path AutostartEntry() const { return configHome / "autostart" / kCameraWatchId; }
};

// What is registered now.
struct AutoplayState {
    bool cardHandler = false;  // the handler's desktop entry exists
    bool cardDefault = false;  // it is the first default for x-content/image-dcf
    bool solidAction = false;
    bool cameraWatch = false;  // the autostart entry exists
};
AutoplayState QueryAutoplay(const AutoplayLocations& where);

// Writes (on) or removes (off) the card handler's entry, its mimeapps.list default and the
// solid action; `program` is the full path of the lumaret executable. Every file is attempted;
// failures are added to `errors` and the others still run.
void RegisterCardHandler(const AutoplayLocations& where, const std::string& program, bool on,
                         std::vector<std::string>& errors);

// Writes (on) or removes (off) the autostart entry of the camera watcher. A running watcher
// notices its entry is gone and ends.
void RegisterCameraWatch(const AutoplayLocations& where, const std::string& program, bool on,
                         std::vector<std::string>& errors);

// The Apply of the autorun pages: the autoplay files for the media and camera boxes (with the
// camera box on, the watcher is also started now), the four settings (clickless off clears
// clickless delete), then the settings file is saved.
// Registration failures are listed in `errors` and do not stop the rest; false when the
// settings could not be saved.
// `startWatcher` starts the watcher (tests pass a fake).
bool ApplyAutorun(const AutorunChoices& choices, CSettings& settings, const AutoplayLocations& where,
                  const std::string& program, std::vector<std::string>& errors,
                  const std::function<void(const std::string& program)>& startWatcher = {});

// The lumaret executable beside the running one (lumaret-cli and lumaret share a folder).
std::string ProgramExecutable();

}  // namespace setup
