#pragma once
// The update list: one entry per file the server offers, and the program version it belongs to.
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace updater {

// Bits of FileListEntry::flags.
enum EntryFlag : uint32_t {
    kLocalExists = 1,    // the local file was found and fingerprinted
    kMustDownload = 2,   // the local file is missing or differs
    kNoOverwrite = 4,    // never replace an existing local file
    kNoDefer = 8,        // copy into place at once instead of at exit
};

struct FileListEntry {
    std::string name;         // remote name below update/, also the name below the staging folder
    std::string localPath;    // relative to the program folder, with "/" separators
    std::string fingerprint;  // 32 uppercase hexadecimal digits
    std::string sha256;       // 64 lowercase hexadecimal digits, or empty when the list gives none
    uint32_t flags = 0;
    uint32_t version = 0;     // packed major.minor
};

// A program version packed as major << 16 | minor.
constexpr uint32_t PackVersion(uint32_t major, uint32_t minor) { return (major & 0xFFFF) << 16 | (minor & 0xFFFF); }

// "major.minor" packed; text without a dot is major 1, minor = the number. Numbers are read
// like atoi (leading digits, anything else 0).
uint32_t ParseVersionText(std::string_view text);
// "%d.%d" of the two halves.
std::string VersionText(uint32_t version);

// The version in `folder`/data/version.info (first 64 bytes); 1.0 when the file is missing.
uint32_t ReadProgramVersion(const std::filesystem::path& folder);
// Replaces `folder`/data/version.info with the version text; false with `error` on failure.
bool WriteProgramVersion(const std::filesystem::path& folder, uint32_t version, std::string& error);

// Why a list was refused (the entry's line number is in the message).
struct ListError {
    std::string message;
};

// Parses the list text. Lines end with CR and/or LF; empty lines and lines starting with "#"
// are skipped; fields are split at "|" and trimmed. Every entry must have a usable name and
// local path (relative, no "..", no empty part) and a 32-digit fingerprint; an optional sixth
// field is a SHA-256 of the file. Any bad line refuses the whole list.
std::optional<std::vector<FileListEntry>> ParseFileList(std::string_view text, ListError& error);

// A relative path made of plain names ("a/b.txt"), with "\" taken as "/"; nullopt for an empty,
// absolute or ".."/"." path or one with an empty part or a control character.
std::optional<std::string> NormaliseRelativePath(std::string_view path);

// True when `relative` inside `folder` stays inside it once every symbolic link on the way that
// exists is followed.
bool StaysInsideFolder(const std::filesystem::path& folder, const std::string& relative);

}  // namespace updater
