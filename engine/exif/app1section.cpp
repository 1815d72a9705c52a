#include "exif/app1section.h"

#include <algorithm>
#include <cstring>

#include "exif/byteorder.h"

namespace {

constexpr size_t kTiffStart = 8;        // record: 2 length bytes, "Exif", 0, 0
constexpr int32_t kMaxElementCount = 20000;
constexpr size_t kMaxDirectories = 64;  // a real block has five at most
constexpr int kMaxDepth = 4;            // IFD0 -> EXIF -> Interoperability is depth 2
// A 64 KiB block cannot hold more elements than this without overlapping values; more means
// a crafted block whose entries all point at the same bytes. Entries past it are left out.
constexpr size_t kMaxValueSlots = 131072;

uint32_t SubDirectoryId(uint16_t tag) {
    switch (tag) {
        case kTagExifPointer: return kIfdExif;
        case kTagGpsPointer: return kIfdGps;
        case kTagInteropPointer: return kIfdInterop;
        default: return 0;
    }
}

}  // namespace

// Reads the directory chains of one TIFF structure into a section.
class CTiffParser {
public:
    CTiffParser(const exif::CByteView& tiff, CAPP1Section& section) : m_tiff(tiff), m_section(section) {}

    // Parses the chain starting at `offset`, giving its first directory `id`.
    void ParseChain(uint32_t offset, uint32_t id, int depth) {
        while (offset != 0) {
            if (m_section.m_directories.size() >= kMaxDirectories) return;
            // A directory seen before means the chain loops (or two pointers share it).
            if (std::find(m_visited.begin(), m_visited.end(), offset) != m_visited.end()) return;
            if (!m_tiff.Has(offset, 2)) return;
            m_visited.push_back(offset);

            CIFD directory(id);
            const uint32_t count = m_tiff.U16(offset);
            bool complete = true;
            for (uint32_t i = 0; i < count; ++i) {
                const uint64_t at = uint64_t{offset} + 2 + 12ull * i;
                if (!m_tiff.Has(at, 12)) {
                    complete = false;  // directory runs past the block: keep what fitted
                    break;
                }
                ReadEntry(static_cast<size_t>(at), directory, depth);
            }
            m_section.m_directories.push_back(std::move(directory));
            if (count == 0 || !complete) return;
            const uint64_t next = uint64_t{offset} + 2 + 12ull * count;
            if (!m_tiff.Has(next, 4)) return;
            offset = m_tiff.U32(static_cast<size_t>(next));
            if (id == kIfd0) id = kIfd1;
        }
    }

private:
    // Reads one 12-byte entry into `directory`. An entry whose count or value offset cannot
    // be right is left out on its own: the other entries of the directory, its sub-directories
    // and the rest of the chain (orientation, date, thumbnail) are still read.
    void ReadEntry(size_t at, CIFD& directory, int depth) {
        const uint16_t tag = m_tiff.U16(at);
        const uint16_t type = m_tiff.U16(at + 2);
        const int32_t count = static_cast<int32_t>(m_tiff.U32(at + 4));
        if (count < 0) return;

        const int elementSize = TiffElementSize(type);
        const uint64_t byteSize = uint64_t(count) * uint64_t(elementSize);
        const uint64_t valueAt = byteSize < 5 ? at + 8 : m_tiff.U32(at + 8);
        const bool fits = m_tiff.Has(valueAt, byteSize);
        // A count above 20000 is only believed when its value fits the block: camera maker
        // notes often exceed 20000 bytes.
        if (count > kMaxElementCount && !fits) return;
        if (elementSize == 0 || count == 0) {
            directory.Entries().emplace_back(tag, type, count, m_tiff.Order());
            return;
        }
        if (!fits) return;
        if (m_slots + static_cast<size_t>(count) > kMaxValueSlots) return;
        m_slots += static_cast<size_t>(count);

        CIFDEntry entry(tag, type, count, m_tiff.Order());
        std::vector<TIFDENTRY_TYPE>& values = entry.Values();
        const size_t base = static_cast<size_t>(valueAt);
        const size_t n = static_cast<size_t>(count);
        // One tight loop per element size: maker notes make byte values the bulk of a block.
        switch (elementSize) {
            case 1: {
                const uint8_t* p = m_tiff.Data() + base;
                for (size_t i = 0; i < n; ++i) values[i].first = p[i];
                break;
            }
            case 2:
                for (size_t i = 0; i < n; ++i) values[i].first = m_tiff.U16(base + 2 * i);
                break;
            case 4:
                for (size_t i = 0; i < n; ++i) values[i].first = m_tiff.U32(base + 4 * i);
                break;
            default:
                for (size_t i = 0; i < n; ++i) {
                    const size_t p = base + 8 * i;
                    if (type == kTiffDouble) {
                        const uint64_t v = m_tiff.U64(p);
                        values[i].first = static_cast<uint32_t>(v);
                        values[i].second = static_cast<uint32_t>(v >> 32);
                    } else {
                        values[i].first = m_tiff.U32(p);
                        values[i].second = m_tiff.U32(p + 4);
                    }
                }
        }
        directory.Entries().push_back(std::move(entry));

        const uint32_t subId = SubDirectoryId(tag);
        uint32_t target = 0;
        if (subId != 0 && depth < kMaxDepth && directory.Entries().back().FirstInteger(target))
            ParseChain(target, subId, depth + 1);
    }

    const exif::CByteView& m_tiff;
    CAPP1Section& m_section;
    std::vector<uint32_t> m_visited;
    size_t m_slots = 0;
};

void CAPP1Section::Clear() {
    m_byteOrder = 0;
    m_directories.clear();
    m_thumbnail.clear();
    m_thumbnailOffset = 0;
}

void CAPP1Section::Parse(const uint8_t* record, size_t size) {
    Clear();
    if (record == nullptr || size < kTiffStart + 8) return;
    const uint8_t* tiffBytes = record + kTiffStart;
    const size_t tiffSize = size - kTiffStart;
    int order = 0;
    if (tiffBytes[0] == 'I' && tiffBytes[1] == 'I') order = exif::kIntel;
    else if (tiffBytes[0] == 'M' && tiffBytes[1] == 'M') order = exif::kMotorola;
    else return;
    m_byteOrder = order;

    exif::CByteView tiff(tiffBytes, tiffSize, order);
    CTiffParser parser(tiff, *this);
    parser.ParseChain(tiff.U32(4), kIfd0, 0);
    std::stable_sort(m_directories.begin(), m_directories.end(),
                     [](const CIFD& a, const CIFD& b) { return a.Id() < b.Id(); });

    const CIFD* ifd1 = FindDirectory(kIfd1);
    if (ifd1 == nullptr) return;
    const CIFDEntry* offsetEntry = ifd1->Find(kTagThumbnailOffset);
    const CIFDEntry* lengthEntry = ifd1->Find(kTagThumbnailLength);
    uint32_t offset = 0, length = 0;
    if (offsetEntry && lengthEntry && offsetEntry->FirstInteger(offset) && lengthEntry->FirstInteger(length) &&
        offset > 0 && length > 0 && tiff.Has(offset, length)) {
        m_thumbnail.assign(tiffBytes + offset, tiffBytes + offset + length);
        m_thumbnailOffset = offset;
    }
}

const CIFD* CAPP1Section::FindDirectory(uint32_t id) const {
    for (const CIFD& d : m_directories)
        if (d.Id() == id) return &d;
    return nullptr;
}

CIFD& CAPP1Section::Directory(uint32_t id) {
    auto at = m_directories.begin();
    while (at != m_directories.end() && at->Id() < id) ++at;
    if (at != m_directories.end() && at->Id() == id) return *at;
    return *m_directories.insert(at, CIFD(id));
}

const CIFDEntry* CAPP1Section::FindEntry(uint16_t tag) const {
    for (const CIFD& d : m_directories)
        if (const CIFDEntry* e = d.Find(tag)) return e;
    return nullptr;
}

CIFDEntry* CAPP1Section::FindEntry(uint16_t tag) {
    for (CIFD& d : m_directories)
        if (CIFDEntry* e = d.Find(tag)) return e;
    return nullptr;
}
