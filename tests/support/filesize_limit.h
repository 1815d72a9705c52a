#pragma once
// A full disk, simulated for this process: while a FileSizeLimit lives, writes that would
// make any file larger than the limit fail with EFBIG (SIGXFSZ is ignored meanwhile).
// Works for root too, where read-only folders would not. Use it only while no other thread
// of the test writes files.
#include <sys/resource.h>

#include <csignal>

namespace testsupport {

class FileSizeLimit {
public:
    explicit FileSizeLimit(rlim_t bytes) {
        m_oldHandler = std::signal(SIGXFSZ, SIG_IGN);
        m_active = ::getrlimit(RLIMIT_FSIZE, &m_old) == 0;
        rlimit limited = m_old;
        limited.rlim_cur = bytes;
        m_active = m_active && ::setrlimit(RLIMIT_FSIZE, &limited) == 0;
    }
    ~FileSizeLimit() {
        if (m_active) ::setrlimit(RLIMIT_FSIZE, &m_old);
        std::signal(SIGXFSZ, m_oldHandler);
    }
    FileSizeLimit(const FileSizeLimit&) = delete;
    FileSizeLimit& operator=(const FileSizeLimit&) = delete;

    // False when the limit could not be set (the test should then be skipped).
    bool Active() const { return m_active; }

private:
    rlimit m_old {};
    bool m_active = false;
    void (*m_oldHandler)(int) = SIG_DFL;
};

}  // namespace testsupport
