#pragma once
// Hand-built EXIF blocks and JPEG heads for the tests, written independently of the
// program's own writer (values are laid out after all directories, at odd offsets too).
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

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

class Writer {
public:
    explicit Writer(bool motorola) : m_mm(motorola) {}
    std::vector<uint8_t> bytes;

    void U16(size_t at, uint32_t v) {
        Grow(at + 2);
        bytes[at + (m_mm ? 0 : 1)] = uint8_t(v >> 8);
        bytes[at + (m_mm ? 1 : 0)] = uint8_t(v);
    }
    void U32(size_t at, uint32_t v) {
        Grow(at + 4);
        for (int i = 0; i < 4; ++i) bytes[at + (m_mm ? 3 - i : i)] = uint8_t(v >> (8 * i));
    }
    void Raw(size_t at, const void* data, size_t n) {
        Grow(at + n);
        if (n) std::memcpy(&bytes[at], data, n);
    }
    void Grow(size_t n) {
        if (bytes.size() < n) bytes.resize(n);
    }
    // Writes one element of `e` at `at`.
    void Element(size_t at, const Entry& e, size_t i) {
        switch (e.type) {
            case 3: case 8: U16(at, e.values[i]); break;
            case 4: case 9: U32(at, e.values[i]); break;
            case 5: case 10: U32(at, e.values[2 * i]); U32(at + 4, e.values[2 * i + 1]); break;
            default:
                Grow(at + 1);
                bytes[at] = e.values.empty() ? uint8_t(e.text[i]) : uint8_t(e.values[i]);
        }
    }

private:
    bool m_mm;
};

inline size_t ElementSize(uint16_t type) {
    switch (type) {
        case 3: case 8: return 2;
        case 4: case 9: case 11: return 4;
        case 5: case 10: case 12: return 8;
        default: return 1;
    }
}

// The TIFF structure of `block` (pointer entries to non-empty sub-directories are added).
inline std::vector<uint8_t> BuildTiff(const Block& block, size_t* thumbnailOffset = nullptr) {
    Writer w(block.motorola);
    w.Raw(0, block.motorola ? "MM" : "II", 2);
    w.U16(2, 42);
    std::vector<Entry> ifd0 = block.ifd0, exif = block.exif, ifd1 = block.ifd1;
    if (!block.exif.empty()) ifd0.push_back(Long(0x8769, {0}));
    if (!block.gps.empty()) ifd0.push_back(Long(0x8825, {0}));
    if (!block.interop.empty()) exif.push_back(Long(0xA005, {0}));
    if (!block.thumbnail.empty()) {
        ifd1.push_back(Long(0x201, {0}));
        ifd1.push_back(Long(0x202, {uint32_t(block.thumbnail.size())}));
    }
    struct Dir { std::vector<Entry>* entries; size_t offset = 0; };
    Dir dirs[5] = {{&ifd0}, {&exif}, {const_cast<std::vector<Entry>*>(&block.gps)},
                   {const_cast<std::vector<Entry>*>(&block.interop)}, {&ifd1}};
    // Directories first, one after the other from offset 8; values after all of them.
    size_t pos = 8;
    for (Dir& d : dirs) {
        if (d.entries->empty()) continue;
        d.offset = pos;
        pos += 2 + 12 * d.entries->size() + 4;
    }
    size_t valuePos = pos + 1;  // odd on purpose: readers must not assume alignment
    auto patch = [&](std::vector<Entry>& list, uint16_t tag, uint32_t v) {
        for (Entry& e : list) if (e.tag == tag) e.values[0] = v;
    };
    patch(ifd0, 0x8769, uint32_t(dirs[1].offset));
    patch(ifd0, 0x8825, uint32_t(dirs[2].offset));
    patch(exif, 0xA005, uint32_t(dirs[3].offset));
    w.U32(4, 8);
    for (Dir& d : dirs) {
        if (d.entries->empty()) continue;
        size_t at = d.offset;
        w.U16(at, uint32_t(d.entries->size()));
        at += 2;
        for (Entry& e : *d.entries) {
            if (e.tag == 0x201 && &d == &dirs[4]) {
                valuePos += valuePos & 1;  // keep the thumbnail itself simple to find
                e.values[0] = uint32_t(valuePos);
                if (thumbnailOffset) *thumbnailOffset = valuePos;
                w.Raw(valuePos, block.thumbnail.data(), block.thumbnail.size());
                valuePos += block.thumbnail.size() + 1;
            }
            w.U16(at, e.tag);
            w.U16(at + 2, e.type);
            w.U32(at + 4, e.count);
            const size_t size = ElementSize(e.type) * e.count;
            size_t valueAt = at + 8;
            if (size > 4) {
                valueAt = valuePos;
                w.U32(at + 8, uint32_t(valuePos));
                valuePos += size + 1;
            }
            w.Grow(at + 12);
            for (size_t i = 0; i < e.count; ++i) w.Element(valueAt + i * ElementSize(e.type), e, i);
            at += 12;
        }
        const bool linkIfd1 = &d == &dirs[0] && !ifd1.empty();
        w.U32(at, linkIfd1 ? uint32_t(dirs[4].offset) : 0);
    }
    return w.bytes;
}

// An APP1 record (2 length bytes, "Exif", 0, 0, TIFF) around a TIFF structure.
inline std::vector<uint8_t> Record(const std::vector<uint8_t>& tiff) {
    std::vector<uint8_t> r = {0, 0, 'E', 'x', 'i', 'f', 0, 0};
    r.insert(r.end(), tiff.begin(), tiff.end());
    r[0] = uint8_t(r.size() >> 8);
    r[1] = uint8_t(r.size());
    return r;
}

inline void AddSegment(std::vector<uint8_t>& jpeg, uint8_t marker, const std::vector<uint8_t>& payload) {
    jpeg.push_back(0xFF);
    jpeg.push_back(marker);
    const size_t length = payload.size() + 2;
    jpeg.push_back(uint8_t(length >> 8));
    jpeg.push_back(uint8_t(length));
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
    const uint8_t data[] = {0x12, 0x34, 0xFF, 0x00, 0x56, 0xFF, 0xD9};
    j.insert(j.end(), data, data + sizeof data);
    return j;
}

// The APP1 payload ("Exif", 0, 0, TIFF) of a block.
inline std::vector<uint8_t> Payload(const Block& block) {
    std::vector<uint8_t> r = Record(BuildTiff(block));
    return std::vector<uint8_t>(r.begin() + 2, r.end());
}

inline void WriteFile(const std::filesystem::path& path, const std::vector<uint8_t>& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
}

inline std::vector<uint8_t> ReadFile(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), {});
}

// A fresh empty folder for one test, removed with the object.
class TempDir {
public:
    TempDir() {
        std::string tmpl = (std::filesystem::temp_directory_path() / "lumaret-exif-XXXXXX").string();
        m_path = mkdtemp(tmpl.data());
    }
    ~TempDir() {
        std::error_code ec;
        std::filesystem::remove_all(m_path, ec);
    }
    const std::filesystem::path& Path() const { return m_path; }
    std::filesystem::path operator/(const std::string& name) const { return m_path / name; }

private:
    std::filesystem::path m_path;
};

}  // namespace fixture
