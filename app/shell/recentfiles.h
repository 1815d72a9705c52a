#pragma once
// CRecentFiles: the File menu's list of the last pictures opened, newest first, at most
// four. It lives in a small per-user text file (one absolute path per line) that is read
// as untrusted input and rewritten whole, through a temporary file, on each change.
#include <QByteArray>
#include <QString>
#include <QStringList>

class CRecentFiles {
public:
    static constexpr int kMaxEntries = 4;
    // Longest line accepted, in bytes (the longest path the system allows).
    static constexpr int kMaxPathBytes = 4096;

    // A list kept in memory only until SetStorePath names its file.
    CRecentFiles() = default;

    // The store: $LUMARET_RECENT_FILES when set, else $XDG_CONFIG_HOME/lumaret/recent-files,
    // else ~/.config/lumaret/recent-files.
    static QString DefaultStorePath();
    // Names the file changes are saved to (empty: memory only) and reads it.
    void SetStorePath(const QString& path);
    const QString& StorePath() const { return m_storePath; }

    // Puts `path` (absolute) at the top, moving it there if present and dropping the
    // oldest entry beyond four. False, list unchanged, for a path that cannot be stored.
    bool Add(const QString& path);
    // Drops `path` from the list; false when it was not there.
    bool Remove(const QString& path);
    const QStringList& Entries() const { return m_entries; }
    int Count() const { return static_cast<int>(m_entries.size()); }

    // Reads the store again; a missing or unreadable file gives an empty list.
    void Load();
    // Writes the list to the store; false when it could not be written (or no store).
    bool Save() const;

    // The entries found in the bytes of a store file: absolute paths, one a line, valid
    // UTF-8, no longer than kMaxPathBytes; anything else is skipped; duplicates and
    // entries past the fourth are dropped.
    static QStringList Parse(const QByteArray& bytes);
    // True when `path` can be kept: absolute, without line breaks or NULs, not too long.
    static bool IsStorable(const QString& path);
    // Menu text of entry `index` (0-based): "&1 /path/file.jpg", with a long folder part
    // shortened to "..." and "&" doubled so that it shows as itself.
    static QString MenuText(int index, const QString& path, int maxChars = 60);

private:
    QStringList m_entries;
    QString m_storePath;
};
