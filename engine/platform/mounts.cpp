#include "platform/mounts.h"

#include <sys/statvfs.h>

#include <filesystem>
#include <fstream>
#include <sstream>

namespace platform {
namespace {

// mountinfo writes space, tab, newline and backslash in names as \ooo octal escapes.
std::string Unescape(const std::string& field) {
    std::string out;
    out.reserve(field.size());
    for (size_t i = 0; i < field.size(); ++i) {
        if (field[i] == '\\' && i + 3 < field.size()) {
            const char a = field[i + 1], b = field[i + 2], c = field[i + 3];
            if (a >= '0' && a <= '3' && b >= '0' && b <= '7' && c >= '0' && c <= '7') {
                out.push_back(static_cast<char>((a - '0') * 64 + (b - '0') * 8 + (c - '0')));
                i += 3;
                continue;
            }
        }
        out.push_back(field[i]);
    }
    return out;
}

bool ParseDevice(const std::string& field, unsigned& major, unsigned& minor) {
    const size_t colon = field.find(':');
    if (colon == std::string::npos || colon == 0 || colon + 1 >= field.size()) return false;
    try {
        size_t used = 0;
        const unsigned long a = std::stoul(field.substr(0, colon), &used);
        if (used != colon) return false;
        const unsigned long b = std::stoul(field.substr(colon + 1), &used);
        if (used != field.size() - colon - 1) return false;
        major = static_cast<unsigned>(a);
        minor = static_cast<unsigned>(b);
        return true;
    } catch (...) {
        return false;
    }
}

}  // namespace

std::vector<MountEntry> ParseMountInfo(const std::string& text) {
    std::vector<MountEntry> mounts;
    std::istringstream lines(text);
    std::string line;
    while (std::getline(lines, line)) {
        std::istringstream words(line);
        std::vector<std::string> fields;
        std::string word;
        while (words >> word) fields.push_back(word);
        // id parent major:minor root mount-point options [optional...] - type source super
        if (fields.size() < 10) continue;
        size_t dash = 6;
        while (dash < fields.size() && fields[dash] != "-") ++dash;
        if (dash + 2 >= fields.size()) continue;
        MountEntry entry;
        if (!ParseDevice(fields[2], entry.major, entry.minor)) continue;
        entry.mountPoint = Unescape(fields[4]);
        if (entry.mountPoint.empty() || entry.mountPoint[0] != '/') continue;
        entry.fsType = fields[dash + 1];
        entry.source = Unescape(fields[dash + 2]);
        mounts.push_back(std::move(entry));
    }
    return mounts;
}

std::vector<MountEntry> ReadMountTable() {
    std::ifstream in("/proc/self/mountinfo");
    if (!in) return {};
    std::stringstream text;
    text << in.rdbuf();
    return ParseMountInfo(text.str());
}

bool PathHasPrefix(const std::string& path, const std::string& prefix) {
    if (prefix.empty()) return false;
    if (prefix == "/") return !path.empty() && path[0] == '/';
    if (path.compare(0, prefix.size(), prefix) != 0) return false;
    return path.size() == prefix.size() || path[prefix.size()] == '/';
}

const MountEntry* FindMount(const std::vector<MountEntry>& mounts, const std::string& path) {
    const MountEntry* best = nullptr;
    for (const MountEntry& m : mounts) {
        if (!PathHasPrefix(path, m.mountPoint)) continue;
        if (!best || m.mountPoint.size() >= best->mountPoint.size()) best = &m;
    }
    return best;
}

std::string ResolvePath(const std::string& path) {
    namespace fs = std::filesystem;
    std::error_code ec;
    fs::path p = fs::absolute(fs::path(path.empty() ? "." : path), ec);
    if (ec) p = fs::path(path);
    fs::path resolved = fs::weakly_canonical(p, ec);
    if (ec) resolved = p.lexically_normal();
    std::string out = resolved.string();
    while (out.size() > 1 && out.back() == '/') out.pop_back();
    return out;
}

std::optional<uint64_t> FreeSpace(const std::string& path) {
    struct statvfs info {};
    if (statvfs(path.c_str(), &info) != 0) return std::nullopt;
    return static_cast<uint64_t>(info.f_bavail) * static_cast<uint64_t>(info.f_frsize);
}

}  // namespace platform
