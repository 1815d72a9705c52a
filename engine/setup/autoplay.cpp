#include "setup/autoplay.h"

#include <fstream>
#include <iterator>
#include <system_error>

#include "platform/safewrite.h"
#include "setup/camerawatch.h"
#include "setup/desktopentry.h"

namespace setup {

namespace fs = std::filesystem;

namespace {

constexpr const char* kIconName = "org.lumaret.Lumaret";

bool ReadText(const fs::path& path, std::string& text) {
    std::ifstream file(path, std::ios::binary);
    if (!file) return false;
    text.assign(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
    return !file.bad();
}

void WriteFile(const fs::path& path, const std::string& text, std::vector<std::string>& errors) {
    std::error_code folderError;
    fs::create_directories(path.parent_path(), folderError);
    std::string error;
    const auto* bytes = reinterpret_cast<const uint8_t*>(text.data());
    if (!platform::ReplaceFileWithBytes(path.string(), {bytes, text.size()}, error))
        errors.push_back("cannot write " + path.string() + ": " + error);
}

void RemoveFile(const fs::path& path, std::vector<std::string>& errors) {
    std::error_code error;
    fs::remove(path, error);
    if (error) errors.push_back("cannot remove " + path.string() + ": " + error.message());
}

std::string CardHandlerText(const std::string& program) {
    return "[Desktop Entry]\n"
           "Type=Application\n"
           "Name=Lumaret\n"
           "GenericName=Photo downloader\n"
           "Comment=Download images from a memory card\n"
           "Exec=" + ExecValue(program, {"%f", "-a"}) + "\n"
           "Icon=" + kIconName + "\n"
           "MimeType=" + kCardMimeType + ";\n"
           "NoDisplay=true\n"
           "Terminal=false\n";
}

std::string SolidActionText(const std::string& program) {
    return "[Desktop Entry]\n"
           "Type=Service\n"
           "X-KDE-ServiceTypes=SolidDevice\n"
           "X-KDE-Solid-Predicate=[ [ IS StorageVolume AND StorageVolume.ignored == false ] AND IS StorageAccess ]\n"
           "Actions=download;\n"
           "\n"
           "[Desktop Action download]\n"
           "Name=Download images with Lumaret\n"
           "Icon=" + std::string(kIconName) + "\n"
           "Exec=" + ExecValue(program, {"%f", "-a"}) + "\n";
}

std::string AutostartText(const std::string& program) {
    return "[Desktop Entry]\n"
           "Type=Application\n"
           "Name=Lumaret camera watcher\n"
           "Comment=Starts Lumaret when a camera is connected\n"
           "Exec=" + ExecValue(program, {"--camera-watch"}) + "\n"
           "Icon=" + kIconName + "\n"
           "NoDisplay=true\n"
           "Terminal=false\n"
           "X-GNOME-Autostart-enabled=true\n";
}

bool Exists(const fs::path& path) {
    std::error_code error;
    return fs::exists(path, error);
}

}  // namespace

AutoplayLocations AutoplayLocations::FromEnvironment(const platform::EnvLookup& env) {
    return {platform::XdgConfigHome(env), platform::XdgDataHome(env)};
}

AutoplayState QueryAutoplay(const AutoplayLocations& where) {
    AutoplayState state;
    state.cardHandler = Exists(where.CardHandlerEntry());
    std::string mimeApps;
    if (ReadText(where.MimeAppsList(), mimeApps)) {
        const std::vector<std::string> ids = DefaultApplications(mimeApps, kCardMimeType);
        state.cardDefault = !ids.empty() && ids.front() == kCardHandlerId;
    }
    state.solidAction = Exists(where.SolidAction());
    state.cameraWatch = Exists(where.AutostartEntry());
    return state;
}

void RegisterCardHandler(const AutoplayLocations& where, const std::string& program, bool on,
                         std::vector<std::string>& errors) {
    std::string mimeApps;
    const bool haveList = ReadText(where.MimeAppsList(), mimeApps);
    if (on) {
        WriteFile(where.CardHandlerEntry(), CardHandlerText(program), errors);
        const std::string updated = WithDefaultApplication(mimeApps, kCardMimeType, kCardHandlerId);
        if (updated != mimeApps) WriteFile(where.MimeAppsList(), updated, errors);
        WriteFile(where.SolidAction(), SolidActionText(program), errors);
        return;
    }
    RemoveFile(where.CardHandlerEntry(), errors);
    if (haveList) {
        const std::string updated = WithoutDefaultApplication(mimeApps, kCardMimeType, kCardHandlerId);
        if (updated != mimeApps) WriteFile(where.MimeAppsList(), updated, errors);
    }
    RemoveFile(where.SolidAction(), errors);
}

void RegisterCameraWatch(const AutoplayLocations& where, const std::string& program, bool on,
                         std::vector<std::string>& errors) {
    if (on)
        WriteFile(where.AutostartEntry(), AutostartText(program), errors);
    else
        RemoveFile(where.AutostartEntry(), errors);
}

bool ApplyAutorun(const AutorunChoices& choices, CSettings& settings, const AutoplayLocations& where,
                  const std::string& program, std::vector<std::string>& errors,
                  const std::function<void(const std::string& program)>& startWatcher) {
    RegisterCardHandler(where, program, choices.media, errors);
    RegisterCameraWatch(where, program, choices.camera, errors);
    if (choices.camera) {
        // The watcher ends by itself when its entry goes, so only turning it on needs a start.
        if (startWatcher)
            startWatcher(program);
        else
            StartCameraWatcher(program);
    }
    ApplyAutorunChoices(choices, settings);
    return settings.Save();
}

std::string ProgramExecutable() { return (platform::ExecutableFolder() / "lumaret").string(); }

}  // namespace setup
