#pragma once
// CInstanceLock: makes sure only one copy of the program runs for a user.
#include <string>

class CInstanceLock {
public:
    // Tries to take the lock file `path` (default: __Lumaret__.lock in $XDG_RUNTIME_DIR, else
    // the temporary folder with the user id in the name).
    explicit CInstanceLock(std::string path = {});
    ~CInstanceLock();
    CInstanceLock(const CInstanceLock&) = delete;
    CInstanceLock& operator=(const CInstanceLock&) = delete;

    // True when this process holds the lock; false when another copy does (or it cannot be made).
    bool Acquired() const { return m_fd >= 0; }
    const std::string& Path() const { return m_path; }

    // Where the lock lives by default.
    static std::string DefaultPath();

private:
    std::string m_path;
    int m_fd = -1;
};
