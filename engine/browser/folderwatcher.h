#pragma once
// CFolderWatcher: watches one folder (not its sub-folders) with inotify and reports a
// change once things have been quiet for a settle time, so that a burst of changes (a copy
// of many files) gives one report.
#include <chrono>
#include <functional>
#include <string>
#include <thread>

class CFolderWatcher {
public:
    CFolderWatcher() = default;
    ~CFolderWatcher();
    CFolderWatcher(const CFolderWatcher&) = delete;
    CFolderWatcher& operator=(const CFolderWatcher&) = delete;

    // Starts watching `folder` for created, deleted, renamed and written entries. After a
    // change it waits `settle`, then calls `onChange` (on the watcher's thread) and goes on
    // watching. False when the folder cannot be watched (nothing is reported then).
    bool Start(const std::string& folder, std::chrono::milliseconds settle, std::function<void()> onChange);
    // Stops the watcher and waits for its thread; a settle wait in progress is cut short.
    void Stop();
    bool IsRunning() const { return m_thread.joinable(); }

private:
    void Run(int notify, int stop, std::chrono::milliseconds settle, std::function<void()> onChange);

    std::thread m_thread;
    int m_notifyFd = -1;
    int m_stopFd = -1;
};
