#pragma once
// Pictures for the editor tests: quadrant images encoded as JPEG, with an EXIF block of
// our own making spliced in after the SOI marker.
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "codec/jpegcodec.h"
#include "core/imagebuffer.h"

namespace editortest {

// Four flat quadrants (BGR): top-left red, top-right green, bottom-left blue, bottom-right
// white. Flat areas survive JPEG coding well enough to tell where each corner went.
inline void FillQuadrants(const ImagePlane& plane) {
    for (int32_t y = 0; y < plane.height; ++y)
        for (int32_t x = 0; x < plane.width; ++x) {
            uint8_t* p = plane.Row(y) + x * 3;
            const bool right = x >= plane.width / 2, bottom = y >= plane.height / 2;
            uint8_t b = 0, g = 0, r = 0;
            if (!right && !bottom) r = 255;
            else if (right && !bottom) g = 255;
            else if (!right && bottom) b = 255;
            else b = g = r = 255;
            p[0] = b, p[1] = g, p[2] = r;
        }
}

enum class Colour { Red, Green, Blue, White, Other };

inline Colour ColourAt(const ImagePlane& plane, int32_t x, int32_t y) {
    const uint8_t* p = plane.Row(y) + x * 3;
    auto hi = [](uint8_t v) { return v > 200; };
    auto lo = [](uint8_t v) { return v < 60; };
    if (hi(p[2]) && lo(p[1]) && lo(p[0])) return Colour::Red;
    if (lo(p[2]) && hi(p[1]) && lo(p[0])) return Colour::Green;
    if (lo(p[2]) && lo(p[1]) && hi(p[0])) return Colour::Blue;
    if (hi(p[2]) && hi(p[1]) && hi(p[0])) return Colour::White;
    return Colour::Other;
}

inline std::vector<uint8_t> ReadBytes(const std::filesystem::path& path) {
    std::ifstream f(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(f), std::istreambuf_iterator<char>()};
}

inline void WriteBytes(const std::filesystem::path& path, const std::vector<uint8_t>& bytes) {
    std::ofstream f(path, std::ios::binary | std::ios::trunc);
    f.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

// An Intel-order EXIF record: IFD0 with Orientation and a pointer to an Exif directory
// holding PixelXDimension, PixelYDimension (LONG) and DateTimeOriginal.
inline std::vector<uint8_t> ExifRecord(uint16_t orientation, uint32_t pixelX, uint32_t pixelY) {
    std::vector<uint8_t> t;
    auto u16 = [&](uint32_t v) { t.push_back(uint8_t(v)); t.push_back(uint8_t(v >> 8)); };
    auto u32 = [&](uint32_t v) { u16(v & 0xFFFF); u16(v >> 16); };
    auto entry = [&](uint16_t tag, uint16_t type, uint32_t count, uint32_t value) {
        u16(tag), u16(type), u32(count), u32(value);
    };
    // The record's "Exif" header, then the TIFF header; offsets count from the latter.
    t = {'E', 'x', 'i', 'f', 0, 0, 'I', 'I', 42, 0};
    u32(8);
    // IFD0 at 8: 2 entries, next 0 -> ends at 8 + 2 + 24 + 4 = 38.
    u16(2);
    entry(0x112, 3, 1, orientation);
    entry(0x8769, 4, 1, 38);
    u32(0);
    // Exif IFD at 38: 3 entries, ends at 38 + 2 + 36 + 4 = 80; the date text follows.
    u16(3);
    entry(0x9003, 2, 20, 80);
    entry(0xA002, 4, 1, pixelX);
    entry(0xA003, 4, 1, pixelY);
    u32(0);
    for (char c : std::string("2024:05:17 10:11:12")) t.push_back(uint8_t(c));
    t.push_back(0);
    return t;
}

// Puts an EXIF block with `orientation` and a w x h pixel size right after SOI of a JPEG file.
inline void InsertExifOrientation(const std::filesystem::path& path, int32_t w, int32_t h, int orientation) {
    std::vector<uint8_t> jpeg = ReadBytes(path);
    const std::vector<uint8_t> record = ExifRecord(uint16_t(orientation), uint32_t(w), uint32_t(h));
    const size_t length = record.size() + 2;
    std::vector<uint8_t> segment = {0xFF, 0xE1, uint8_t(length >> 8), uint8_t(length)};
    segment.insert(segment.end(), record.begin(), record.end());
    jpeg.insert(jpeg.begin() + 2, segment.begin(), segment.end());
    WriteBytes(path, jpeg);
}

// Writes a quadrant picture of w x h as JPEG; with orientation > 0 an EXIF block follows SOI.
inline void WriteQuadrantJpeg(const std::filesystem::path& path, int32_t w, int32_t h, int orientation) {
    CImageBuffer pixels;
    pixels.Create(w, h);
    FillQuadrants(pixels.Plane());
    writeJPEGfile(path.c_str(), w, h, pixels.Data(), 95);
    if (orientation > 0) InsertExifOrientation(path, w, h, orientation);
}

}  // namespace editortest
