#pragma once
// CShortcutExpander: builds the target path of a downloaded picture from the download root,
// a strftime-style naming pattern and a time, creating the folders on the way.
#include <ctime>
#include <string>

#include "browser/fileentry.h"

class CShortcutExpander {
public:
    // The root folder of downloads (the ImageDownloadDir setting).
    explicit CShortcutExpander(std::string root) : m_root(std::move(root)) {}

    // The folder part that `pattern` gives for `time`, relative to the root, "/" separated,
    // without a leading or trailing "/". "\" in the pattern is read as "/". The pattern is
    // split at every "%"; each piece's first character is a strftime conversion and the
    // rest is literal. Text before the first "%" is literal, an unknown conversion
    // character is kept as it is, and "." and ".." levels are dropped, so the result
    // always stays below the root.
    static std::string FormatPattern(const std::string& pattern, const std::tm& time);

    // The target path for `fileName`: root, formatted pattern, file name. Creates every
    // missing folder of it one level at a time. False, with `error` set, when a folder
    // cannot be made.
    bool Expand(const std::string& fileName, const std::string& pattern, const std::tm& time, std::string& target,
                std::string& error) const;

    // Local time of a FILETIME (the epoch when the value is before 1970 or cannot be converted).
    static std::tm LocalTime(FileTime time);
    // Local time of a Unix time.
    static std::tm LocalTime(std::time_t time);

    const std::string& Root() const { return m_root; }

private:
    std::string m_root;
};
