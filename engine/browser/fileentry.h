#pragma once
// FileEntry: the fixed-size record of one file or folder shown by the browser. The same
// 51768 bytes are a record of the thumbnail database, so the layout is fixed; records go
// to and from disk field by field (WriteEntryRecord / ReadEntryRecord), never as a dump.
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <type_traits>

// A FILETIME: 100-ns ticks since 1601-01-01 UTC, as two 32-bit halves (4-byte aligned).
struct FileTime {
    uint32_t low;
    uint32_t high;

    uint64_t Ticks() const { return (static_cast<uint64_t>(high) << 32) | low; }
    static FileTime FromTicks(uint64_t ticks) {
        return FileTime{static_cast<uint32_t>(ticks), static_cast<uint32_t>(ticks >> 32)};
    }
    // Ticks of a Unix time (seconds and nanoseconds since 1970-01-01 UTC); times before
    // 1601 give 0.
    static FileTime FromUnix(int64_t seconds, uint32_t nanoseconds);
};

// Entry flag bits.
constexpr uint32_t kEntrySelected = 0x001;
constexpr uint32_t kEntryThumbnailReady = 0x002;
constexpr uint32_t kEntryGone = 0x004;
constexpr uint32_t kEntrySeen = 0x008;
constexpr uint32_t kEntryJpeg = 0x020;
constexpr uint32_t kEntryFiltered = 0x040;
constexpr uint32_t kEntryDownloaded = 0x080;
constexpr uint32_t kEntryFolder = 0x100;
constexpr uint32_t kEntryJpegAlso = 0x200;  // always set together with kEntryJpeg
constexpr uint32_t kEntryJpegFlags = kEntryJpeg | kEntryJpegAlso;

struct FileEntry {
    static constexpr size_t kPathBytes = 260;     // path with its terminating NUL
    static constexpr size_t kPixelBytes = 51483;  // room for 131 x 131 x 3
    static constexpr size_t kRecordBytes = 51768;
    static constexpr int kMaxThumbnail = 130;

    char path[kPathBytes];
    uint32_t size;            // file size, low 32 bits; 0 for folders found by a scan
    uint8_t thumbWidth;
    uint8_t thumbHeight;
    uint8_t padding[2];
    FileTime date;            // creation time, later the EXIF date taken
    uint16_t imageWidth;
    uint16_t imageHeight;
    uint8_t bitsPerPixel;
    uint8_t pixels[kPixelBytes];  // rows of (thumbWidth * 3 + 3) & ~3 bytes, BGR, top first
    uint32_t flags;

    bool Has(uint32_t bit) const { return (flags & bit) != 0; }
    bool IsFolder() const { return (flags & kEntryFolder) != 0; }
    bool IsJpeg() const { return (flags & kEntryJpeg) != 0; }
};

static_assert(std::is_standard_layout_v<FileEntry> && std::is_trivial_v<FileEntry>);
static_assert(sizeof(FileEntry) == FileEntry::kRecordBytes);
static_assert(offsetof(FileEntry, path) == 0);
static_assert(offsetof(FileEntry, size) == 260);
static_assert(offsetof(FileEntry, thumbWidth) == 264);
static_assert(offsetof(FileEntry, thumbHeight) == 265);
static_assert(offsetof(FileEntry, padding) == 266);
static_assert(offsetof(FileEntry, date) == 268);
static_assert(offsetof(FileEntry, imageWidth) == 276);
static_assert(offsetof(FileEntry, imageHeight) == 278);
static_assert(offsetof(FileEntry, bitsPerPixel) == 280);
static_assert(offsetof(FileEntry, pixels) == 281);
static_assert(offsetof(FileEntry, flags) == 51764);

// Sets flag bits of an entry atomically: the window thread (selection) and the workers
// (seen, gone, thumbnail ready) change the same flag word.
inline void SetEntryFlags(FileEntry& entry, uint32_t bits) { std::atomic_ref<uint32_t>(entry.flags).fetch_or(bits); }
// Clears flag bits of an entry atomically.
inline void ClearEntryFlags(FileEntry& entry, uint32_t bits) { std::atomic_ref<uint32_t>(entry.flags).fetch_and(~bits); }

// Writes the entry as its 51768-byte record, little-endian, field by field.
void WriteEntryRecord(const FileEntry& entry, uint8_t* out);
// Reads a 51768-byte record into `entry`; the path is NUL-terminated afterwards whatever
// the bytes held (check RecordLooksValid first when the bytes are untrusted).
void ReadEntryRecord(const uint8_t* in, FileEntry& entry);
// True when a record read from disk is possible: a non-empty NUL-terminated path and a
// thumbnail of at most 130 x 130 pixels.
bool RecordLooksValid(const uint8_t* in);

// Stores `path` in the record. Paths of 260 bytes or more are cut to their first 259 bytes;
// returns false then (the caller keeps the full path elsewhere).
bool SetEntryPath(FileEntry& entry, const std::string& path);
// Length of the path held in the record.
size_t EntryPathLength(const FileEntry& entry);

// True for names ending in ".jpg" or ".jpeg", in any case.
bool IsJpegName(std::string_view name);
// Case-insensitive comparison of 8-bit texts (ASCII letters folded), like strcasecmp.
int CompareNoCase(std::string_view a, std::string_view b);
