#pragma once
// The program folder and the places the program reads its shipped data from and keeps its
// writable files in.
//
// Three layouts:
//  - $LUMARET_HOME set: that folder holds everything (settings.xml, data/, history, ...);
//  - portable: the executable's folder holds data/ (a build tree, or a copy in one folder):
//    that folder holds everything, as above;
//  - installed (`cmake --install`): the executables sit in PREFIX/bin and the shipped data in
//    PREFIX/share/lumaret/data; settings go to $XDG_CONFIG_HOME/lumaret, the history and the
//    user's own presets to $XDG_DATA_HOME/lumaret, thumbnail databases to $XDG_CACHE_HOME/lumaret.
#include <filesystem>
#include <functional>
#include <string>

namespace platform {

// $LUMARET_HOME when it is set and not empty; else, for an installed program,
// PREFIX/share/lumaret (the folder holding the shipped data/); else the folder holding the
// running executable (the current directory when even that cannot be found).
std::filesystem::path ProgramFolder();

// `relative` (e.g. "data/exif.template.html") inside the program folder.
std::filesystem::path ProgramFile(const std::string& relative);

enum class FolderLayout { Explicit, Portable, Installed };

// Every folder the program uses, resolved once for one layout.
struct ProgramLocations {
    FolderLayout layout = FolderLayout::Portable;
    std::filesystem::path programFolder;   // holds data/ (shipped, read-only when installed)
    std::filesystem::path settingsFolder;  // settings.xml
    std::filesystem::path userDataFolder;  // download.history, presets the user changed
    std::filesystem::path cacheFolder;     // caches
};

// Reads one environment variable; "" when it is not set.
using EnvLookup = std::function<std::string(const char* name)>;

// The process environment as an EnvLookup.
EnvLookup ProcessEnvironment();

// The XDG base folders: the variable when it holds an absolute path, else the default
// below $HOME (.config, .local/share, .cache).
std::filesystem::path XdgConfigHome(const EnvLookup& env);
std::filesystem::path XdgDataHome(const EnvLookup& env);
std::filesystem::path XdgCacheHome(const EnvLookup& env);

// The folders for an executable living in `executableFolder` under the environment `env`.
ProgramLocations ResolveLocations(const std::filesystem::path& executableFolder, const EnvLookup& env);

// The folders of the running program.
ProgramLocations CurrentLocations();

// Where settings.xml lives for the running program (created when installed and missing).
std::filesystem::path SettingsFolder();

// A file the program writes (e.g. "download.history", "data/photographic_filters.last"):
// in the user data folder when installed (its folder created when missing), in the program
// folder otherwise.
std::filesystem::path UserFile(const std::string& relative);

// A data file the user may have replaced: the user's copy when there is one, else the
// shipped file.
std::filesystem::path DataFileForReading(const std::string& relative);

// The default folder of the thumbnail databases ($XDG_CACHE_HOME/lumaret/thumbnails).
std::filesystem::path DefaultThumbnailFolder();

// The running executable's folder (the current directory when it cannot be found).
std::filesystem::path ExecutableFolder();

}  // namespace platform
