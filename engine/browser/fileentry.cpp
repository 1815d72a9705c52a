#include "browser/fileentry.h"

#include <cstring>

namespace {

// Seconds from 1601-01-01 to 1970-01-01.
constexpr int64_t kEpochDifference = 11644473600LL;

void Put16(uint8_t* p, uint16_t v) {
    p[0] = static_cast<uint8_t>(v);
    p[1] = static_cast<uint8_t>(v >> 8);
}
void Put32(uint8_t* p, uint32_t v) {
    for (int i = 0; i < 4; ++i) p[i] = static_cast<uint8_t>(v >> (8 * i));
}
uint16_t Get16(const uint8_t* p) { return static_cast<uint16_t>(p[0] | (p[1] << 8)); }
uint32_t Get32(const uint8_t* p) {
    return static_cast<uint32_t>(p[0]) | (static_cast<uint32_t>(p[1]) << 8) |
           (static_cast<uint32_t>(p[2]) << 16) | (static_cast<uint32_t>(p[3]) << 24);
}

char Lower(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

}  // namespace

FileTime FileTime::FromUnix(int64_t seconds, uint32_t nanoseconds) {
    if (seconds < -kEpochDifference) return FileTime{};
    const uint64_t ticks = static_cast<uint64_t>(seconds + kEpochDifference) * 10000000ULL + nanoseconds / 100;
    return FromTicks(ticks);
}

void WriteEntryRecord(const FileEntry& e, uint8_t* out) {
    std::memcpy(out + 0, e.path, FileEntry::kPathBytes);
    Put32(out + 260, e.size);
    out[264] = e.thumbWidth;
    out[265] = e.thumbHeight;
    out[266] = e.padding[0];
    out[267] = e.padding[1];
    Put32(out + 268, e.date.low);
    Put32(out + 272, e.date.high);
    Put16(out + 276, e.imageWidth);
    Put16(out + 278, e.imageHeight);
    out[280] = e.bitsPerPixel;
    std::memcpy(out + 281, e.pixels, FileEntry::kPixelBytes);
    Put32(out + 51764, e.flags);
}

void ReadEntryRecord(const uint8_t* in, FileEntry& e) {
    std::memcpy(e.path, in + 0, FileEntry::kPathBytes);
    e.path[FileEntry::kPathBytes - 1] = '\0';
    e.size = Get32(in + 260);
    e.thumbWidth = in[264];
    e.thumbHeight = in[265];
    e.padding[0] = in[266];
    e.padding[1] = in[267];
    e.date.low = Get32(in + 268);
    e.date.high = Get32(in + 272);
    e.imageWidth = Get16(in + 276);
    e.imageHeight = Get16(in + 278);
    e.bitsPerPixel = in[280];
    std::memcpy(e.pixels, in + 281, FileEntry::kPixelBytes);
    e.flags = Get32(in + 51764);
}

bool RecordLooksValid(const uint8_t* in) {
    const void* nul = std::memchr(in, 0, FileEntry::kPathBytes);
    if (!nul || nul == in) return false;
    return in[264] <= FileEntry::kMaxThumbnail && in[265] <= FileEntry::kMaxThumbnail;
}

bool SetEntryPath(FileEntry& entry, const std::string& path) {
    const size_t room = FileEntry::kPathBytes - 1;
    const size_t n = path.size() < room ? path.size() : room;
    std::memcpy(entry.path, path.data(), n);
    std::memset(entry.path + n, 0, FileEntry::kPathBytes - n);
    return path.size() <= room;
}

size_t EntryPathLength(const FileEntry& entry) { return strnlen(entry.path, FileEntry::kPathBytes); }

bool IsJpegName(std::string_view name) {
    auto endsWith = [&](std::string_view suffix) {
        return name.size() >= suffix.size() &&
               CompareNoCase(name.substr(name.size() - suffix.size()), suffix) == 0;
    };
    return endsWith(".jpg") || endsWith(".jpeg");
}

int CompareNoCase(std::string_view a, std::string_view b) {
    const size_t n = a.size() < b.size() ? a.size() : b.size();
    for (size_t i = 0; i < n; ++i) {
        const unsigned char x = static_cast<unsigned char>(Lower(a[i]));
        const unsigned char y = static_cast<unsigned char>(Lower(b[i]));
        if (x != y) return x < y ? -1 : 1;
    }
    if (a.size() == b.size()) return 0;
    return a.size() < b.size() ? -1 : 1;
}
