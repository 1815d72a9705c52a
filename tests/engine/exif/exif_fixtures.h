#pragma once
// Hand-built EXIF blocks and JPEG heads for the tests, written independently of the
// program's own writer (values are laid out after all directories, at odd offsets too).
#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "tempdir.h"

namespace fixture {

struct Entry {
    uint16_t tag;
    uint16_t type;
    uint32_t count;
    std::vector<uint32_t> values;  // one per element; rationals take two (numerator, denominator)
    std::string text;              // ASCII/UNDEFINED bytes when values is empty
};

inline Entry Ascii(uint16_t tag, const std::string& s) { return {tag, 2, uint32_t(s.size() + 1), {}, s + '\0'}; }
inline Entry Short(uint16_t tag, std::vector<uint32_t> v) { return {tag, 3, uint32_t(v.size()), v, {}}; }
inline Entry Long(uint16_t tag, std::vector<uint32_t> v) { return {tag, 4, uint32_t(v.size()), v, {}}; }
inline Entry Rational(uint16_t tag, std::vector<uint32_t> v, uint16_t type = 5) {
    return {tag, type, uint32_t(v.size() / 2), v, {}};
}
inline Entry Undefined(uint16_t tag, const std::string& s) { return {tag, 7, uint32_t(s.size()), {}, s}; }

struct Block {
    bool motorola = false;
    std::vector<Entry> ifd0, exif, gps, interop, ifd1;
    std::vector<uint8_t> thumbnail;
};

// Bytes in one byte order that grow as they are written.
struct Writer {
    explicit Writer(bool motorola) : mm(motorola) {}
    bool mm;
    std::vector<uint8_t> bytes;

    void Grow(size_t n) { bytes.resize(std::max(bytes.size(), n)); }
    void Int(size_t at, uint32_t v, size_t size) {
        Grow(at + size);
        for (size_t i = 0; i < size; ++i) bytes[at + (mm ? size - 1 - i : i)] = uint8_t(v >> (8 * i));
    }
    void U16(size_t at, uint32_t v) { Int(at, v, 2); }
    void U32(size_t at, uint32_t v) { Int(at, v, 4); }
    void Raw(size_t at, const void* data, size_t n) {
        Grow(at + n);
        if (n) std::memcpy(&bytes[at], data, n);
    }
};

inline size_t ElementSize(uint16_t type) {
    static const uint8_t kSizes[13] = {1, 1, 1, 2, 4, 8, 1, 1, 2, 4, 8, 4, 8};
    return type < 13 ? kSizes[type] : 1;
}

// The TIFF structure of `block` (pointer entries to non-empty sub-directories are added).
inline std::vector<uint8_t> BuildTiff(const Block& block, size_t* thumbnailOffset = nullptr) {
    Writer w(block.motorola);
    w.Raw(0, block.motorola ? "MM" : "II", 2);
    w.U16(2, 42);
    w.U32(4, 8);
    std::vector<Entry> dirs[5] = {block.ifd0, block.exif, block.gps, block.interop, block.ifd1};
    if (!block.exif.empty()) dirs[0].push_back(Long(0x8769, {0}));
    if (!block.gps.empty()) dirs[0].push_back(Long(0x8825, {0}));
    if (!block.interop.empty()) dirs[1].push_back(Long(0xA005, {0}));
    if (!block.thumbnail.empty()) {
        dirs[4].push_back(Long(0x201, {0}));
        dirs[4].push_back(Long(0x202, {uint32_t(block.thumbnail.size())}));
    }
    // Directories first, one after the other from offset 8; values after all of them.
    size_t offsets[5] = {}, pos = 8;
    for (int d = 0; d < 5; ++d) {
        offsets[d] = dirs[d].empty() ? 0 : pos;
        pos += dirs[d].empty() ? 0 : 2 + 12 * dirs[d].size() + 4;
    }
    for (Entry& e : dirs[0])
        if (e.tag == 0x8769 || e.tag == 0x8825) e.values[0] = uint32_t(offsets[e.tag == 0x8769 ? 1 : 2]);
    for (Entry& e : dirs[1])
        if (e.tag == 0xA005) e.values[0] = uint32_t(offsets[3]);
    size_t valuePos = pos + 1;  // odd on purpose: readers must not assume alignment
    for (int d = 0; d < 5; ++d) {
        if (dirs[d].empty()) continue;
        w.U16(offsets[d], uint32_t(dirs[d].size()));
        for (size_t k = 0; k < dirs[d].size(); ++k) {
            Entry& e = dirs[d][k];
            const size_t at = offsets[d] + 2 + 12 * k;
            if (d == 4 && e.tag == 0x201) {
                valuePos += valuePos & 1;  // keep the thumbnail itself simple to find
                e.values[0] = uint32_t(valuePos);
                if (thumbnailOffset) *thumbnailOffset = valuePos;
                w.Raw(valuePos, block.thumbnail.data(), block.thumbnail.size());
                valuePos += block.thumbnail.size() + 1;
            }
            w.U16(at, e.tag);
            w.U16(at + 2, e.type);
            w.U32(at + 4, e.count);
            const size_t size = ElementSize(e.type);
            size_t valueAt = at + 8;
            if (size * e.count > 4) {
                valueAt = valuePos;
                w.U32(at + 8, uint32_t(valuePos));
                valuePos += size * e.count + 1;
            }
            w.Grow(at + 12);
            for (size_t i = 0; i < e.count; ++i) {
                const size_t to = valueAt + i * size;
                if (e.values.empty()) {
                    w.Raw(to, &e.text[i], 1);
                } else if (size == 8) {
                    w.U32(to, e.values[2 * i]);
                    w.U32(to + 4, e.values[2 * i + 1]);
                } else {
                    w.Int(to, e.values[i], size);
                }
            }
        }
        w.U32(offsets[d] + 2 + 12 * dirs[d].size(), d == 0 && !dirs[4].empty() ? uint32_t(offsets[4]) : 0);
    }
    return w.bytes;
}

// An APP1 record (2 length bytes, "Exif", 0, 0, TIFF) around a TIFF structure.
inline std::vector<uint8_t> Record(const std::vector<uint8_t>& tiff) {
    // Sized once and filled: GCC 12 warns falsely about an insert into the short header here.
    std::vector<uint8_t> r(8 + tiff.size(), 0);
    std::memcpy(r.data() + 2, "Exif", 4);
    std::copy(tiff.begin(), tiff.end(), r.begin() + 8);
    r[0] = uint8_t(r.size() >> 8);
    r[1] = uint8_t(r.size());
    return r;
}

// The APP1 payload ("Exif", 0, 0, TIFF) of a block.
inline std::vector<uint8_t> Payload(const Block& block, size_t* thumbnailOffset = nullptr) {
    std::vector<uint8_t> r = Record(BuildTiff(block, thumbnailOffset));
    return std::vector<uint8_t>(r.begin() + 2, r.end());
}

inline void AddSegment(std::vector<uint8_t>& jpeg, uint8_t marker, const std::vector<uint8_t>& payload) {
    const size_t length = payload.size() + 2;
    jpeg.insert(jpeg.end(), {0xFF, marker, uint8_t(length >> 8), uint8_t(length)});
    jpeg.insert(jpeg.end(), payload.begin(), payload.end());
}

// A JPEG head: SOI, the given APP1 payload (when not empty), a DQT, an SOF0 of
// width x height x 3, an SOS and a few entropy bytes, EOI. Not decodable; enough to scan.
inline std::vector<uint8_t> Jpeg(const std::vector<uint8_t>& app1Payload, int width = 640, int height = 480) {
    std::vector<uint8_t> j = {0xFF, 0xD8};
    if (!app1Payload.empty()) AddSegment(j, 0xE1, app1Payload);
    std::vector<uint8_t> dqt(65, 0);
    for (int i = 1; i < 65; ++i) dqt[i] = uint8_t(i);
    AddSegment(j, 0xDB, dqt);
    AddSegment(j, 0xC0, {8, uint8_t(height >> 8), uint8_t(height), uint8_t(width >> 8), uint8_t(width), 3,
                         1, 0x22, 0, 2, 0x11, 1, 3, 0x11, 1});
    AddSegment(j, 0xDA, {3, 1, 0, 2, 0x11, 3, 0x11, 0, 63, 0});
    j.insert(j.end(), {0x12, 0x34, 0xFF, 0x00, 0x56, 0xFF, 0xD9});
    return j;
}

// The frame kinds: every SOFn marker with a sample precision it may carry.
struct FrameKind {
    uint8_t marker;
    uint8_t precision;
};
inline const std::vector<FrameKind>& FrameKinds() {
    static const std::vector<FrameKind> kinds = {
        {0xC0, 8},  {0xC1, 12}, {0xC2, 12}, {0xC3, 16}, {0xC5, 8},  {0xC6, 12}, {0xC7, 16},
        {0xC9, 8},  {0xCA, 12}, {0xCB, 16}, {0xCD, 8},  {0xCE, 12}, {0xCF, 16}};
    return kinds;
}

// A JPEG head with one frame header of the given kind (no tables: enough to read its size)
// after an EXIF block whose pixel dimensions say 1 x 1, then an SOS and EOI.
inline std::vector<uint8_t> FrameJpeg(uint8_t marker, uint8_t precision, int width, int height, int components) {
    std::vector<uint8_t> j = {0xFF, 0xD8};
    Block b;
    b.exif = {Long(0xA002, {1}), Long(0xA003, {1})};
    AddSegment(j, 0xE1, Payload(b));
    std::vector<uint8_t> frame = {precision, uint8_t(height >> 8), uint8_t(height), uint8_t(width >> 8), uint8_t(width),
                                  uint8_t(components)};
    for (int c = 1; c <= components; ++c) frame.insert(frame.end(), {uint8_t(c), 0x11, 0});
    AddSegment(j, marker, frame);
    AddSegment(j, 0xDA, {1, 1, 0, 1, 0, 0});
    j.insert(j.end(), {0x00, 0x00, 0xFF, 0xD9});
    return j;
}

inline void WriteFile(const std::filesystem::path& path, const std::vector<uint8_t>& bytes) {
    std::ofstream(path, std::ios::binary | std::ios::trunc).write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
}

inline std::vector<uint8_t> ReadFile(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), {});
}

using testsupport::TempDir;

}  // namespace fixture
