#include "platform/instancelock.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cstdlib>

std::string CInstanceLock::DefaultPath() {
    if (const char* runtime = std::getenv("XDG_RUNTIME_DIR"); runtime && *runtime)
        return std::string(runtime) + "/__Lumaret__.lock";
    const char* tmp = std::getenv("TMPDIR");
    return std::string(tmp && *tmp ? tmp : "/tmp") + "/__Lumaret__-" + std::to_string(getuid()) + ".lock";
}

CInstanceLock::CInstanceLock(std::string path) : m_path(path.empty() ? DefaultPath() : std::move(path)) {
    const int fd = open(m_path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    if (fd < 0) return;
    // The kernel drops an flock when its holder dies, so a crashed copy never blocks the next.
    if (flock(fd, LOCK_EX | LOCK_NB) != 0) {
        close(fd);
        return;
    }
    m_fd = fd;
}

CInstanceLock::~CInstanceLock() {
    if (m_fd >= 0) close(m_fd);
}
