#include "platform/programfolder.h"

#include <cstdlib>
#include <system_error>

namespace platform {

std::filesystem::path ProgramFolder() {
    if (const char* home = std::getenv("LUMARET_HOME"); home && *home)
        return std::filesystem::path(home);
    std::error_code error;
    const std::filesystem::path exe = std::filesystem::read_symlink("/proc/self/exe", error);
    if (!error && exe.has_parent_path()) return exe.parent_path();
    return std::filesystem::current_path(error);
}

std::filesystem::path ProgramFile(const std::string& relative) {
    return ProgramFolder() / relative;
}

}  // namespace platform
