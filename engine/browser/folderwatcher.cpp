#include "browser/folderwatcher.h"

#include <poll.h>
#include <sys/eventfd.h>
#include <sys/inotify.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>

namespace {

constexpr uint32_t kWatchMask = IN_CREATE | IN_DELETE | IN_MOVED_FROM | IN_MOVED_TO | IN_MODIFY |
                                IN_CLOSE_WRITE | IN_DELETE_SELF | IN_MOVE_SELF | IN_ONLYDIR;

// Reads every queued event; true when one of them says the folder itself is gone.
bool Drain(int notify) {
    alignas(inotify_event) char buffer[8192];
    bool folderGone = false;
    for (;;) {
        const ssize_t n = ::read(notify, buffer, sizeof buffer);
        if (n <= 0) break;  // EAGAIN: queue empty
        for (ssize_t at = 0; at + static_cast<ssize_t>(sizeof(inotify_event)) <= n;) {
            const auto* event = reinterpret_cast<const inotify_event*>(buffer + at);
            if (event->mask & (IN_IGNORED | IN_DELETE_SELF | IN_MOVE_SELF)) folderGone = true;
            at += static_cast<ssize_t>(sizeof(inotify_event) + event->len);
        }
    }
    return folderGone;
}

// Waits until `fd` is readable or the timeout (negative: none) passes; true when readable.
bool WaitReadable(int fd, int timeoutMs) {
    pollfd p{fd, POLLIN, 0};
    for (;;) {
        const int r = ::poll(&p, 1, timeoutMs);
        if (r < 0 && errno == EINTR) continue;
        return r > 0;
    }
}

}  // namespace

CFolderWatcher::~CFolderWatcher() { Stop(); }

bool CFolderWatcher::Start(const std::string& folder, std::chrono::milliseconds settle,
                           std::function<void()> onChange) {
    Stop();
    const int notify = ::inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
    if (notify < 0) return false;
    if (::inotify_add_watch(notify, folder.c_str(), kWatchMask) < 0) {
        ::close(notify);
        return false;
    }
    const int stop = ::eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC);
    if (stop < 0) {
        ::close(notify);
        return false;
    }
    m_notifyFd = notify;
    m_stopFd = stop;
    m_thread = std::thread(&CFolderWatcher::Run, this, notify, stop, settle, std::move(onChange));
    return true;
}

void CFolderWatcher::Stop() {
    if (m_thread.joinable()) {
        const uint64_t one = 1;
        // An eventfd write of 8 bytes cannot be partial; failure would only mean overflow.
        [[maybe_unused]] const ssize_t written = ::write(m_stopFd, &one, sizeof one);
        m_thread.join();
    }
    if (m_notifyFd >= 0) ::close(m_notifyFd);
    if (m_stopFd >= 0) ::close(m_stopFd);
    m_notifyFd = m_stopFd = -1;
}

void CFolderWatcher::Run(int notify, int stop, std::chrono::milliseconds settle,
                         std::function<void()> onChange) {
    pollfd fds[2] = {{notify, POLLIN, 0}, {stop, POLLIN, 0}};
    for (;;) {
        fds[0].revents = fds[1].revents = 0;
        const int r = ::poll(fds, 2, -1);
        if (r < 0) {
            if (errno == EINTR) continue;
            return;
        }
        if (fds[1].revents) return;
        if (!fds[0].revents) continue;
        bool gone = Drain(notify);
        // Let the burst finish; a stop request ends the wait at once.
        if (WaitReadable(stop, static_cast<int>(settle.count()))) return;
        // Changes made during the wait are covered by the refresh this report leads to.
        gone = Drain(notify) || gone;
        onChange();
        if (gone) return;  // the watch died with its folder
    }
}
