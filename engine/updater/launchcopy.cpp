#include "updater/launchcopy.h"

#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <system_error>

namespace updater {

std::filesystem::path CopierPath() {
    std::error_code error;
    const std::filesystem::path exe = std::filesystem::read_symlink("/proc/self/exe", error);
    return (error ? std::filesystem::current_path(error) : exe.parent_path()) / "lumaret-copy";
}

bool StartCopier(const std::filesystem::path& copier, pid_t waitFor, std::string& error) {
    if (::access(copier.c_str(), X_OK) != 0) {
        error = "Cannot run '" + copier.string() + "': " + std::strerror(errno);
        return false;
    }
    const std::string program = copier.string();
    const std::string pid = std::to_string(waitFor);
    // Everything exec needs is prepared before fork: only async-signal-safe calls follow.
    const char* const argv[] = {"lumaret-copy", "-$", "--pid", pid.c_str(), nullptr};
    const pid_t child = ::fork();
    if (child < 0) {
        error = std::string("Cannot start lumaret-copy: ") + std::strerror(errno);
        return false;
    }
    if (child == 0) {
        // A second fork leaves the copier an orphan of init, detached from our session.
        ::setsid();
        if (::fork() != 0) ::_exit(0);
        const int null = ::open("/dev/null", O_RDWR);
        if (null >= 0) {
            ::dup2(null, 0);
            ::dup2(null, 1);
            ::dup2(null, 2);
        }
        ::execv(program.c_str(), const_cast<char* const*>(argv));
        ::_exit(127);
    }
    int status = 0;
    while (::waitpid(child, &status, 0) < 0 && errno == EINTR) {
    }
    return true;
}

}  // namespace updater
