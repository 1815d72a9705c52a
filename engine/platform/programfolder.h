#pragma once
// The program folder: where settings.xml, data/, download.history and the updater's files live.
#include <filesystem>
#include <string>

namespace platform {

// $LUMARET_HOME when it is set and not empty, else the folder holding the running executable
// (the current directory when even that cannot be found).
std::filesystem::path ProgramFolder();

// `relative` (e.g. "settings.xml" or "data/exif.template.html") inside the program folder.
std::filesystem::path ProgramFile(const std::string& relative);

}  // namespace platform
