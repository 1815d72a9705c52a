// Writing a CAPP1Section back as an EXIF record, always in Intel byte order.
#include <array>
#include <cstring>

#include "exif/app1section.h"
#include "exif/byteorder.h"

namespace {

constexpr std::array<uint32_t, 5> kWrittenIds = {kIfd0, kIfdExif, kIfdGps, kIfdInterop, kIfd1};
constexpr size_t kTiffStart = 8;

enum class Special { None, ExifPointer, GpsPointer, InteropPointer, ThumbOffset, ThumbLength };

struct OutEntry {
    const CIFDEntry* entry;  // null for a pointer the rebuild adds itself
    Special special;
    uint16_t tag;
};

struct OutDirectory {
    uint32_t id = 0;
    const CIFD* from = nullptr;
    std::vector<OutEntry> entries;
    uint32_t offset = 0;  // from the TIFF header
};

size_t Even(size_t n) { return (n + 1) & ~size_t{1}; }

// Which directory a pointer tag may live in, so a rebuilt block can never point in a circle.
Special PointerKind(uint32_t directoryId, uint16_t tag) {
    if (directoryId == kIfd0 && tag == kTagExifPointer) return Special::ExifPointer;
    if (directoryId == kIfd0 && tag == kTagGpsPointer) return Special::GpsPointer;
    if (directoryId == kIfdExif && tag == kTagInteropPointer) return Special::InteropPointer;
    return Special::None;
}

bool IsPointerTag(uint16_t tag) {
    return tag == kTagExifPointer || tag == kTagGpsPointer || tag == kTagInteropPointer;
}

void WriteValues(std::vector<uint8_t>& out, size_t at, const CIFDEntry& e) {
    const int size = e.ElementSize();
    for (const TIFDENTRY_TYPE& v : e.Values()) {
        switch (size) {
            case 1: out[at] = static_cast<uint8_t>(v.first); break;
            case 2: exif::PutU16LE(out, at, static_cast<uint16_t>(v.first)); break;
            case 4: exif::PutU32LE(out, at, v.first); break;
            default:
                if (e.Type() == kTiffDouble) {
                    exif::PutU64LE(out, at, uint64_t{v.second} << 32 | v.first);
                } else {
                    exif::PutU32LE(out, at, v.first);
                    exif::PutU32LE(out, at + 4, v.second);
                }
        }
        at += static_cast<size_t>(size);
    }
}

}  // namespace

std::vector<uint8_t> CAPP1Section::Rebuild() const {
    std::vector<uint8_t> block = Rebuild(true);
    if (block.empty() && !m_thumbnail.empty()) block = Rebuild(false);
    return block;
}

std::vector<uint8_t> CAPP1Section::Rebuild(bool withThumbnail) const {
    if (m_byteOrder == 0) return {};
    const bool thumbnail = withThumbnail && !m_thumbnail.empty();

    // Only the first directory of each id is reachable from the header; later ones in a
    // chain are not written.
    std::array<const CIFD*, 5> source{};
    for (size_t k = 0; k < kWrittenIds.size(); ++k) source[k] = FindDirectory(kWrittenIds[k]);

    // IFD0 always exists in the output and carries this program's Software entry first.
    CIFD ifd0 = source[0] ? *source[0] : CIFD(kIfd0);
    if (CIFDEntry* software = ifd0.Find(kTagSoftware)) {
        software->SetText(kSoftwareText);
    } else {
        CIFDEntry entry(kTagSoftware, kTiffAscii, 0, 1);
        entry.SetText(kSoftwareText);
        ifd0.Entries().insert(ifd0.Entries().begin(), std::move(entry));
    }
    source[0] = &ifd0;

    // A sub-directory is written only when its parent is; the Interoperability directory
    // hangs off the EXIF directory.
    if (source[1] == nullptr) source[3] = nullptr;

    std::vector<OutDirectory> dirs;
    std::array<int, 5> indexOf{-1, -1, -1, -1, -1};
    for (size_t k = 0; k < source.size(); ++k) {
        if (source[k] == nullptr) continue;
        indexOf[k] = static_cast<int>(dirs.size());
        dirs.push_back(OutDirectory{kWrittenIds[k], source[k], {}, 0});
    }
    auto present = [&](size_t k) { return indexOf[k] >= 0; };

    for (OutDirectory& dir : dirs) {
        bool hasPointer[3] = {false, false, false};
        for (const CIFDEntry& e : dir.from->Entries()) {
            if (e.ElementSize() == 0) continue;  // unknown type: its size cannot be known
            if (IsPointerTag(e.Tag())) {
                const Special kind = PointerKind(dir.id, e.Tag());
                const size_t target = kind == Special::ExifPointer ? 1 : kind == Special::GpsPointer ? 2 : 3;
                if (kind != Special::None && present(target) && !hasPointer[target - 1]) {
                    dir.entries.push_back({&e, kind, e.Tag()});
                    hasPointer[target - 1] = true;
                }
                continue;
            }
            if (dir.id == kIfd1 && (e.Tag() == kTagThumbnailOffset || e.Tag() == kTagThumbnailLength)) {
                if (thumbnail)
                    dir.entries.push_back(
                        {&e, e.Tag() == kTagThumbnailOffset ? Special::ThumbOffset : Special::ThumbLength, e.Tag()});
                continue;
            }
            dir.entries.push_back({&e, Special::None, e.Tag()});
        }
        // A directory that survived while its parent's pointer did not is linked again.
        if (dir.id == kIfd0 && present(1) && !hasPointer[0])
            dir.entries.push_back({nullptr, Special::ExifPointer, kTagExifPointer});
        if (dir.id == kIfd0 && present(2) && !hasPointer[1])
            dir.entries.push_back({nullptr, Special::GpsPointer, kTagGpsPointer});
        if (dir.id == kIfdExif && present(3) && !hasPointer[2])
            dir.entries.push_back({nullptr, Special::InteropPointer, kTagInteropPointer});
    }

    // Lay out: each directory at an even offset, its out-of-line values after it.
    size_t pos = 8;
    for (OutDirectory& dir : dirs) {
        pos = Even(pos);
        dir.offset = static_cast<uint32_t>(pos);
        pos += 2 + 12 * dir.entries.size() + 4;
        for (const OutEntry& o : dir.entries)
            if (o.special == Special::None && o.entry->ByteSize() > 4) pos = Even(pos) + o.entry->ByteSize();
        if (kTiffStart + pos > kMaxSegmentBytes) return {};
    }
    pos = Even(pos);
    const size_t thumbOffset = pos;
    if (thumbnail) pos += m_thumbnail.size();
    const size_t total = kTiffStart + pos;
    if (total > kMaxSegmentBytes) return {};

    std::vector<uint8_t> out(total, 0);
    out[0] = static_cast<uint8_t>(total >> 8);
    out[1] = static_cast<uint8_t>(total);
    std::memcpy(&out[2], "Exif\0\0", 6);
    const size_t t = kTiffStart;  // every offset below counts from here
    out[t] = 'I';
    out[t + 1] = 'I';
    exif::PutU16LE(out, t + 2, 42);
    exif::PutU32LE(out, t + 4, 8);

    auto offsetOf = [&](size_t k) { return dirs[static_cast<size_t>(indexOf[k])].offset; };
    for (const OutDirectory& dir : dirs) {
        size_t at = t + dir.offset;
        exif::PutU16LE(out, at, static_cast<uint16_t>(dir.entries.size()));
        at += 2;
        size_t valuePos = dir.offset + 2 + 12 * dir.entries.size() + 4;
        for (const OutEntry& o : dir.entries) {
            exif::PutU16LE(out, at, o.tag);
            if (o.special != Special::None) {
                uint32_t value = 0;
                switch (o.special) {
                    case Special::ExifPointer: value = offsetOf(1); break;
                    case Special::GpsPointer: value = offsetOf(2); break;
                    case Special::InteropPointer: value = offsetOf(3); break;
                    case Special::ThumbOffset: value = static_cast<uint32_t>(thumbOffset); break;
                    case Special::ThumbLength: value = static_cast<uint32_t>(m_thumbnail.size()); break;
                    case Special::None: break;
                }
                exif::PutU16LE(out, at + 2, kTiffLong);
                exif::PutU32LE(out, at + 4, 1);
                exif::PutU32LE(out, at + 8, value);
            } else {
                const CIFDEntry& e = *o.entry;
                exif::PutU16LE(out, at + 2, e.Type());
                exif::PutU32LE(out, at + 4, static_cast<uint32_t>(e.Count()));
                if (e.ByteSize() < 5) {
                    WriteValues(out, at + 8, e);
                } else {
                    valuePos = Even(valuePos);
                    exif::PutU32LE(out, at + 8, static_cast<uint32_t>(valuePos));
                    WriteValues(out, t + valuePos, e);
                    valuePos += e.ByteSize();
                }
            }
            at += 12;
        }
        // Only IFD0 links on, to IFD1; every other chain ends here.
        const uint32_t next = (dir.id == kIfd0 && present(4)) ? offsetOf(4) : 0;
        exif::PutU32LE(out, at, next);
    }
    if (thumbnail) std::memcpy(&out[t + thumbOffset], m_thumbnail.data(), m_thumbnail.size());
    return out;
}
