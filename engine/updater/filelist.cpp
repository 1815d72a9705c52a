#include "updater/filelist.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <system_error>

#include "platform/safewrite.h"

namespace updater {
namespace {

std::string_view Trim(std::string_view text) {
    const auto isBlank = [](char c) { return c == ' ' || c == '\t' || c == '\v' || c == '\f'; };
    while (!text.empty() && isBlank(text.front())) text.remove_prefix(1);
    while (!text.empty() && isBlank(text.back())) text.remove_suffix(1);
    return text;
}

// atoi-like: optional sign, leading digits, saturated to 32 bits.
uint32_t LeadingNumber(std::string_view text) {
    text = Trim(text);
    bool negative = false;
    if (!text.empty() && (text.front() == '-' || text.front() == '+')) {
        negative = text.front() == '-';
        text.remove_prefix(1);
    }
    uint64_t value = 0;
    for (char c : text) {
        if (c < '0' || c > '9') break;
        value = std::min<uint64_t>(value * 10 + uint64_t(c - '0'), 0xFFFFFFFFull);
    }
    return negative ? uint32_t(-int64_t(value)) : uint32_t(value);
}

bool IsHex(std::string_view text, size_t length) {
    return text.size() == length &&
           std::all_of(text.begin(), text.end(), [](char c) { return std::isxdigit(static_cast<unsigned char>(c)); });
}

std::string Cased(std::string_view text, bool upper) {
    std::string out(text);
    for (char& c : out) c = static_cast<char>(upper ? std::toupper(static_cast<unsigned char>(c))
                                                    : std::tolower(static_cast<unsigned char>(c)));
    return out;
}

std::vector<std::string_view> Split(std::string_view text, char separator) {
    std::vector<std::string_view> parts;
    size_t start = 0;
    for (;;) {
        const size_t end = text.find(separator, start);
        parts.push_back(text.substr(start, end == std::string_view::npos ? std::string_view::npos : end - start));
        if (end == std::string_view::npos) return parts;
        start = end + 1;
    }
}

}  // namespace

uint32_t ParseVersionText(std::string_view text) {
    const size_t dot = text.find('.');
    if (dot == std::string_view::npos) return PackVersion(1, LeadingNumber(text));
    return PackVersion(LeadingNumber(text.substr(0, dot)), LeadingNumber(text.substr(dot + 1)));
}

std::string VersionText(uint32_t version) {
    return std::to_string(version >> 16) + "." + std::to_string(version & 0xFFFF);
}

uint32_t ReadProgramVersion(const std::filesystem::path& folder) {
    const std::string path = (folder / "data" / "version.info").string();
    platform::UniqueFd fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC));
    if (!fd.IsOpen()) return PackVersion(1, 0);
    char buffer[64];
    size_t size = 0;
    while (size < sizeof buffer) {
        const ssize_t n = ::read(fd.Get(), buffer + size, sizeof buffer - size);
        if (n <= 0) break;
        size += static_cast<size_t>(n);
    }
    const std::string_view text(buffer, size);
    // Text without a dot counts as 1.0 here (unlike a list entry's version).
    if (text.find('.') == std::string_view::npos) return PackVersion(1, 0);
    return ParseVersionText(text);
}

bool WriteProgramVersion(const std::filesystem::path& folder, uint32_t version, std::string& error) {
    const std::string text = VersionText(version);
    std::error_code ignored;
    std::filesystem::create_directories(folder / "data", ignored);
    return platform::ReplaceFileWithBytes((folder / "data" / "version.info").string(),
                                          {reinterpret_cast<const uint8_t*>(text.data()), text.size()}, error);
}

std::optional<std::string> NormaliseRelativePath(std::string_view path) {
    std::string text(Trim(path));
    std::replace(text.begin(), text.end(), '\\', '/');
    if (text.empty() || text.front() == '/') return std::nullopt;
    for (std::string_view part : Split(text, '/')) {
        if (part.empty() || part == "." || part == "..") return std::nullopt;
        if (std::any_of(part.begin(), part.end(), [](char c) { return static_cast<unsigned char>(c) < 0x20; }))
            return std::nullopt;
    }
    return text;
}

bool StaysInsideFolder(const std::filesystem::path& folder, const std::string& relative) {
    namespace fs = std::filesystem;
    std::error_code error;
    const fs::path root = fs::canonical(folder, error);
    if (error) return false;
    // Walks the path part by part, following every link (also one whose target does not exist
    // yet, which weakly_canonical would leave unfollowed).
    std::vector<fs::path> rest;
    for (const fs::path& part : fs::path(relative)) rest.push_back(part);
    std::reverse(rest.begin(), rest.end());
    fs::path current = root;
    int links = 0;
    while (!rest.empty()) {
        const fs::path part = rest.back();
        rest.pop_back();
        if (part.empty() || part == ".") continue;
        if (part == "..") {
            current = current.parent_path();
            continue;
        }
        if (part == "/") {
            current = "/";
            continue;
        }
        const fs::path next = current / part;
        if (!fs::is_symlink(next, error)) {
            current = next;
            continue;
        }
        if (++links > 40) return false;
        const fs::path target = fs::read_symlink(next, error);
        if (error) return false;
        std::vector<fs::path> parts;
        for (const fs::path& p : target) parts.push_back(p);
        rest.insert(rest.end(), parts.rbegin(), parts.rend());
    }
    const auto mismatch = std::mismatch(root.begin(), root.end(), current.begin(), current.end());
    return mismatch.first == root.end() && mismatch.second != current.end();
}

std::optional<std::vector<FileListEntry>> ParseFileList(std::string_view text, ListError& error) {
    std::vector<FileListEntry> entries;
    size_t lineNumber = 0;
    size_t start = 0;
    while (start < text.size()) {
        size_t end = text.find_first_of("\r\n", start);
        if (end == std::string_view::npos) end = text.size();
        const std::string_view line = text.substr(start, end - start);
        // CR LF counts as one line end for the numbering; empty lines are skipped anyway.
        if (end < text.size() && text[end] == '\r' && end + 1 < text.size() && text[end + 1] == '\n') ++end;
        start = end + 1;
        ++lineNumber;
        if (line.empty() || line.front() == '#') continue;

        const auto fail = [&](const std::string& why) {
            error.message = "line " + std::to_string(lineNumber) + ": " + why;
            return std::nullopt;
        };
        const std::vector<std::string_view> fields = Split(line, '|');
        if (fields.size() < 4 || fields.size() > 6) return fail("expected 4 to 6 fields separated by '|'");

        FileListEntry entry;
        const auto name = NormaliseRelativePath(fields[0]);
        if (!name) return fail("the file name '" + std::string(Trim(fields[0])) + "' is not a plain relative path");
        const auto local = NormaliseRelativePath(fields[1]);
        if (!local) return fail("the local path '" + std::string(Trim(fields[1])) + "' is outside the program folder");
        entry.name = *name;
        entry.localPath = *local;
        entry.version = ParseVersionText(Trim(fields[2]));
        const std::string_view fingerprint = Trim(fields[3]);
        if (!IsHex(fingerprint, 32)) return fail("the fingerprint is not 32 hexadecimal digits");
        entry.fingerprint = Cased(fingerprint, true);
        if (fields.size() >= 5) {
            for (std::string_view option : Split(Trim(fields[4]), ' ')) {
                const std::string word = Cased(Trim(option), true);
                if (word == "NOOVERWRITE") entry.flags |= kNoOverwrite;
                else if (word == "NODEFFER") entry.flags |= kNoDefer;
            }
        }
        if (fields.size() == 6 && !Trim(fields[5]).empty()) {
            const std::string_view sha = Trim(fields[5]);
            if (!IsHex(sha, 64)) return fail("the SHA-256 is not 64 hexadecimal digits");
            entry.sha256 = Cased(sha, false);
        }
        entries.push_back(std::move(entry));
    }
    return entries;
}

}  // namespace updater
