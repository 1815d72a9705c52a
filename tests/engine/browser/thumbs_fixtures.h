#pragma once
// Camera-like JPEG files for the thumbnail tests and benchmarks: a generated picture, an
// EXIF APP1 block built here byte by byte (orientation, date taken, an embedded JPEG
// thumbnail) and the codec component's encoder for the JPEG data.
#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "codec/jpegcodec.h"
#include "core/imageplane.h"

namespace thumbstest {

// A BGR picture with padded rows.
struct Picture {
    int32_t width = 0;
    int32_t height = 0;
    std::vector<uint8_t> rows;

    int32_t Stride() const { return ImagePlane::StrideFor(width); }
    ImagePlane Plane() { return ImagePlane::Make(rows.data(), width, height); }
    const uint8_t* Pixel(int32_t x, int32_t y) const { return rows.data() + y * Stride() + x * 3; }
};

struct Bgr {
    uint8_t b, g, r;
};

// Four flat quadrants (top-left, top-right, bottom-left, bottom-right) of distinct colours,
// so that a turned or mirrored thumbnail shows where each corner went.
inline const Bgr kQuadrants[4] = {{30, 30, 220}, {30, 220, 30}, {220, 30, 30}, {220, 220, 220}};

inline Picture MakeQuadrants(int32_t width, int32_t height) {
    Picture p{width, height, std::vector<uint8_t>(ImagePlane::BytesFor(width, height))};
    for (int32_t y = 0; y < height; ++y)
        for (int32_t x = 0; x < width; ++x) {
            const Bgr c = kQuadrants[(y >= height / 2 ? 2 : 0) + (x >= width / 2 ? 1 : 0)];
            uint8_t* d = p.rows.data() + y * p.Stride() + x * 3;
            d[0] = c.b;
            d[1] = c.g;
            d[2] = c.r;
        }
    return p;
}

// A smooth picture with a little deterministic texture (for realistic file sizes).
inline Picture MakeTextured(int32_t width, int32_t height, uint32_t seed) {
    Picture p{width, height, std::vector<uint8_t>(ImagePlane::BytesFor(width, height))};
    uint32_t noise = seed * 2654435761u + 1;
    for (int32_t y = 0; y < height; ++y) {
        uint8_t* d = p.rows.data() + y * p.Stride();
        for (int32_t x = 0; x < width; ++x, d += 3) {
            noise = noise * 1664525u + 1013904223u;
            const int j = static_cast<int>(noise >> 28);
            d[0] = static_cast<uint8_t>((x * 255 / width + j + seed) & 255);
            d[1] = static_cast<uint8_t>((y * 255 / height + j) & 255);
            d[2] = static_cast<uint8_t>(((x + y) * 127 / (width + height) + 64 + j) & 255);
        }
    }
    return p;
}

inline std::vector<uint8_t> ReadBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

inline bool WriteBytes(const std::string& path, const std::vector<uint8_t>& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    return static_cast<bool>(out);
}

// The picture encoded as JPEG bytes (through a scratch file next to `scratchPath`).
inline std::vector<uint8_t> EncodeJpeg(const Picture& picture, const std::string& scratchPath, int quality = 90) {
    const std::string temp = scratchPath + ".encoding";
    if (!writeJPEGfile(temp.c_str(), picture.width, picture.height, picture.rows.data(), quality)) return {};
    std::vector<uint8_t> bytes = ReadBytes(temp);
    ::unlink(temp.c_str());
    return bytes;
}

// What goes into the EXIF block; zero or empty fields are left out.
struct ExifContent {
    int orientation = 0;
    std::string dateTaken;           // "YYYY:MM:DD HH:MM:SS"
    std::vector<uint8_t> thumbnail;  // JPEG bytes
};

// An APP1 segment (marker included) holding a little-endian TIFF structure.
inline std::vector<uint8_t> BuildExifSegment(const ExifContent& content) {
    std::vector<uint8_t> t;
    auto u16 = [&t](size_t at, uint32_t v) {
        if (t.size() < at + 2) t.resize(at + 2);
        t[at] = uint8_t(v);
        t[at + 1] = uint8_t(v >> 8);
    };
    auto u32 = [&t](size_t at, uint32_t v) {
        if (t.size() < at + 4) t.resize(at + 4);
        for (int i = 0; i < 4; ++i) t[at + i] = uint8_t(v >> (8 * i));
    };
    auto entry = [&](size_t at, uint16_t tag, uint16_t type, uint32_t count, uint32_t value) {
        u16(at, tag);
        u16(at + 2, type);
        u32(at + 4, count);
        u32(at + 8, value);
    };
    t = {'I', 'I', 42, 0};
    u32(4, 8);
    const bool date = !content.dateTaken.empty();
    const bool thumb = !content.thumbnail.empty();
    const uint16_t ifd0Count = uint16_t((content.orientation ? 1 : 0) + (date ? 1 : 0));
    const size_t ifd0 = 8, exifIfd = ifd0 + 2 + 12 * ifd0Count + 4, ifd1 = exifIfd + (date ? 2 + 12 + 4 : 0);
    size_t values = ifd1 + (thumb ? 2 + 24 + 4 : 0);
    u16(ifd0, ifd0Count);
    size_t at = ifd0 + 2;
    if (content.orientation) {
        entry(at, 0x0112, 3, 1, uint32_t(content.orientation));
        at += 12;
    }
    if (date) {
        entry(at, 0x8769, 4, 1, uint32_t(exifIfd));
        at += 12;
    }
    u32(at, thumb ? uint32_t(ifd1) : 0);
    if (date) {
        u16(exifIfd, 1);
        entry(exifIfd + 2, 0x9003, 2, 20, uint32_t(values));
        u32(exifIfd + 14, 0);
        std::string text = content.dateTaken;
        text.resize(20, '\0');
        t.resize(values + 20);
        std::memcpy(&t[values], text.data(), 20);
        values += 20;
    }
    if (thumb) {
        u16(ifd1, 2);
        entry(ifd1 + 2, 0x0201, 4, 1, uint32_t(values));
        entry(ifd1 + 14, 0x0202, 4, 1, uint32_t(content.thumbnail.size()));
        u32(ifd1 + 26, 0);
        t.resize(values);
        t.insert(t.end(), content.thumbnail.begin(), content.thumbnail.end());
    }
    static const uint8_t kHead[10] = {0xFF, 0xE1, 0, 0, 'E', 'x', 'i', 'f', 0, 0};
    std::vector<uint8_t> segment(sizeof kHead + t.size());
    std::memcpy(segment.data(), kHead, sizeof kHead);
    std::memcpy(segment.data() + sizeof kHead, t.data(), t.size());
    const size_t length = segment.size() - 2;
    segment[2] = uint8_t(length >> 8);
    segment[3] = uint8_t(length);
    return segment;
}

// JPEG bytes with the EXIF segment put right after the start-of-image marker.
inline std::vector<uint8_t> WithExif(const std::vector<uint8_t>& jpeg, const ExifContent& content) {
    if (jpeg.size() < 2) return jpeg;
    std::vector<uint8_t> out(jpeg.begin(), jpeg.begin() + 2);
    const std::vector<uint8_t> segment = BuildExifSegment(content);
    out.insert(out.end(), segment.begin(), segment.end());
    out.insert(out.end(), jpeg.begin() + 2, jpeg.end());
    return out;
}

// Writes a camera-like file: `main` as the picture, `thumbnail` (when not empty) embedded.
inline bool WriteCameraFile(const std::string& path, const Picture& main, const Picture* thumbnail,
                            int orientation = 0, const std::string& dateTaken = {}) {
    ExifContent content;
    content.orientation = orientation;
    content.dateTaken = dateTaken;
    if (thumbnail) content.thumbnail = EncodeJpeg(*thumbnail, path, 85);
    const std::vector<uint8_t> jpeg = EncodeJpeg(main, path);
    if (jpeg.empty()) return false;
    return WriteBytes(path, content.orientation || !content.dateTaken.empty() || !content.thumbnail.empty()
                                ? WithExif(jpeg, content)
                                : jpeg);
}

}  // namespace thumbstest
