#include "download/shortcutexpander.h"

#include <sys/stat.h>

#include <cerrno>
#include <cstring>
#include <string_view>
#include <vector>

namespace {

// Conversions glibc's strftime knows; others are kept as literal text so that formatting
// never fails and never depends on what the C library does with an unknown one.
constexpr std::string_view kConversions = "aAbBcCdDeFgGhHIjklmMnpPrRsStTuUVwWxXyYzZ";

std::string FormatOne(char conversion, const std::tm& time) {
    if (kConversions.find(conversion) == std::string_view::npos) return std::string(1, conversion);
    const char format[3] = {'%', conversion, '\0'};
    char text[256];
    // 0 is also what an empty result (such as %p in some locales) gives; both mean "nothing".
    const size_t n = std::strftime(text, sizeof text, format, &time);
    return std::string(text, n);
}

std::vector<std::string> SplitLevels(const std::string& path) {
    std::vector<std::string> levels;
    size_t start = 0;
    while (start <= path.size()) {
        size_t end = path.find('/', start);
        if (end == std::string::npos) end = path.size();
        std::string level = path.substr(start, end - start);
        if (!level.empty() && level != "." && level != "..") levels.push_back(std::move(level));
        start = end + 1;
    }
    return levels;
}

bool MakeFolder(const std::string& path, std::string& error) {
    if (::mkdir(path.c_str(), 0777) == 0) return true;
    const int err = errno;
    struct stat st {};
    if (::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode)) return true;
    error = "cannot create folder '" + path + "': " + std::strerror(err);
    return false;
}

}  // namespace

std::string CShortcutExpander::FormatPattern(const std::string& pattern, const std::tm& time) {
    std::string text;
    if (pattern.find('%') == std::string::npos) {
        text = pattern;
    } else {
        size_t pos = 0;
        const size_t first = pattern.find('%');
        text = pattern.substr(0, first);
        pos = first;
        while (pos < pattern.size()) {
            // pattern[pos] is '%'; the piece runs to the next '%' (empty pieces are skipped).
            const size_t next = pattern.find('%', pos + 1);
            const size_t end = next == std::string::npos ? pattern.size() : next;
            if (end > pos + 1) {
                text += FormatOne(pattern[pos + 1], time);
                text.append(pattern, pos + 2, end - pos - 2);
            }
            pos = end;
        }
    }
    for (char& c : text)
        if (c == '\\') c = '/';
    std::string joined;
    for (const std::string& level : SplitLevels(text)) {
        if (!joined.empty()) joined += '/';
        joined += level;
    }
    return joined;
}

bool CShortcutExpander::Expand(const std::string& fileName, const std::string& pattern, const std::tm& time,
                               std::string& target, std::string& error) const {
    const std::string root = m_root.empty() ? std::string(".") : m_root;
    const bool absolute = root.front() == '/';
    // The root's own levels may climb ("../photos"); only the pattern's are kept below it.
    std::vector<std::string> levels;
    for (size_t start = 0; start <= root.size();) {
        size_t end = root.find('/', start);
        if (end == std::string::npos) end = root.size();
        if (end > start && root.compare(start, end - start, ".") != 0) levels.push_back(root.substr(start, end - start));
        start = end + 1;
    }
    for (std::string& level : SplitLevels(FormatPattern(pattern, time))) levels.push_back(std::move(level));
    // Folders are made one level at a time from the top, so a missing root is made too.
    std::string path;
    for (const std::string& level : levels) {
        if (absolute || !path.empty()) path += '/';
        path += level;
        if (level != ".." && !MakeFolder(path, error)) return false;
    }
    const size_t slash = fileName.find_last_of('/');
    const std::string name = slash == std::string::npos ? fileName : fileName.substr(slash + 1);
    if (name.empty() || name == "." || name == "..") {
        error = "no file name";
        return false;
    }
    target = (path.empty() ? std::string(".") : path) + "/" + name;
    return true;
}

std::tm CShortcutExpander::LocalTime(std::time_t time) {
    std::tm local{};
    if (!localtime_r(&time, &local)) {
        const std::time_t zero = 0;
        localtime_r(&zero, &local);
    }
    return local;
}

std::tm CShortcutExpander::LocalTime(FileTime time) {
    constexpr uint64_t kTicksPerSecond = 10000000ULL, kEpochDifference = 11644473600ULL;
    const uint64_t seconds = time.Ticks() / kTicksPerSecond;
    return LocalTime(static_cast<std::time_t>(seconds < kEpochDifference ? 0 : seconds - kEpochDifference));
}
