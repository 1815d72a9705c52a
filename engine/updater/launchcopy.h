#pragma once
// Starting lumaret-copy when the program ends with updates pending.
#include <filesystem>
#include <string>
#include <sys/types.h>

namespace updater {

// lumaret-copy beside the running executable.
std::filesystem::path CopierPath();

// Starts `copier` with "-$ --pid `waitFor`" as a detached process (own session, no terminal,
// not a child that must be reaped), so it outlives the caller. False with `error` when it
// could not be started.
bool StartCopier(const std::filesystem::path& copier, pid_t waitFor, std::string& error);

}  // namespace updater
