#include "platform/programfolder.h"

#include <cstdlib>
#include <system_error>

namespace platform {

namespace fs = std::filesystem;

namespace {

fs::path XdgFolder(const EnvLookup& env, const char* variable, const char* underHome) {
    // The base-directory rules ignore relative values.
    const fs::path value = env(variable);
    if (!value.empty() && value.is_absolute()) return value;
    const std::string home = env("HOME");
    return (home.empty() ? fs::path("/") : fs::path(home)) / underHome;
}

bool IsFolder(const fs::path& path) {
    std::error_code error;
    return fs::is_directory(path, error);
}

}  // namespace

EnvLookup ProcessEnvironment() {
    return [](const char* name) {
        const char* value = std::getenv(name);
        return std::string(value ? value : "");
    };
}

fs::path XdgConfigHome(const EnvLookup& env) { return XdgFolder(env, "XDG_CONFIG_HOME", ".config"); }
fs::path XdgDataHome(const EnvLookup& env) { return XdgFolder(env, "XDG_DATA_HOME", ".local/share"); }
fs::path XdgCacheHome(const EnvLookup& env) { return XdgFolder(env, "XDG_CACHE_HOME", ".cache"); }

ProgramLocations ResolveLocations(const fs::path& executableFolder, const EnvLookup& env) {
    ProgramLocations where;
    const std::string home = env("LUMARET_HOME");
    const fs::path shared = executableFolder.parent_path() / "share" / "lumaret";
    if (!home.empty()) {
        where.layout = FolderLayout::Explicit;
        where.programFolder = home;
    } else if (!IsFolder(executableFolder / "data") && IsFolder(shared / "data")) {
        where.layout = FolderLayout::Installed;
        where.programFolder = shared;
    } else {
        where.layout = FolderLayout::Portable;
        where.programFolder = executableFolder;
    }
    if (where.layout == FolderLayout::Installed) {
        where.settingsFolder = XdgConfigHome(env) / "lumaret";
        where.userDataFolder = XdgDataHome(env) / "lumaret";
        where.cacheFolder = XdgCacheHome(env) / "lumaret";
    } else {
        where.settingsFolder = where.userDataFolder = where.cacheFolder = where.programFolder;
    }
    return where;
}

fs::path ExecutableFolder() {
    std::error_code error;
    const fs::path exe = fs::read_symlink("/proc/self/exe", error);
    if (!error && exe.has_parent_path()) return exe.parent_path();
    return fs::current_path(error);
}

ProgramLocations CurrentLocations() { return ResolveLocations(ExecutableFolder(), ProcessEnvironment()); }

fs::path ProgramFolder() { return CurrentLocations().programFolder; }

fs::path ProgramFile(const std::string& relative) { return ProgramFolder() / relative; }

fs::path SettingsFolder() {
    const ProgramLocations where = CurrentLocations();
    // An installed program's first save finds no folder yet; the writers create only files.
    std::error_code error;
    if (where.layout == FolderLayout::Installed) fs::create_directories(where.settingsFolder, error);
    return where.settingsFolder;
}

fs::path UserFile(const std::string& relative) {
    const ProgramLocations where = CurrentLocations();
    const fs::path file = where.userDataFolder / relative;
    std::error_code error;
    if (where.layout == FolderLayout::Installed) fs::create_directories(file.parent_path(), error);
    return file;
}

fs::path DataFileForReading(const std::string& relative) {
    const ProgramLocations where = CurrentLocations();
    const fs::path own = where.userDataFolder / relative;
    std::error_code error;
    if (where.userDataFolder != where.programFolder && fs::exists(own, error)) return own;
    return where.programFolder / relative;
}

fs::path DefaultThumbnailFolder() {
    // The browser's own default, whatever the layout: databases are a cache.
    return XdgCacheHome(ProcessEnvironment()) / "lumaret" / "thumbnails";
}

}  // namespace platform
