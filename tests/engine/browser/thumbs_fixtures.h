#pragma once
// Camera-like JPEG files for the thumbnail tests and benchmarks: a generated picture, an
// EXIF block (orientation, date taken, an embedded JPEG thumbnail) built by the EXIF tests'
// own writer, and the codec component's encoder for the JPEG data.
#include <unistd.h>

#include <cstdint>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "../exif/exif_fixtures.h"
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
            d[0] = c.b, d[1] = c.g, d[2] = c.r;
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

// JPEG bytes with an EXIF segment right after the start-of-image marker; a zero
// orientation, an empty date ("YYYY:MM:DD HH:MM:SS") or thumbnail is left out.
inline std::vector<uint8_t> WithExif(const std::vector<uint8_t>& jpeg, int orientation, const std::string& dateTaken,
                                     const std::vector<uint8_t>& thumbnail) {
    if (jpeg.size() < 2) return jpeg;
    fixture::Block block;
    block.ifd0 = {fixture::Ascii(0x10F, "Camera")};
    if (orientation) block.ifd0.push_back(fixture::Short(0x112, {uint32_t(orientation)}));
    if (!dateTaken.empty()) block.exif = {fixture::Ascii(0x9003, dateTaken)};
    block.thumbnail = thumbnail;
    std::vector<uint8_t> out(jpeg.begin(), jpeg.begin() + 2);
    fixture::AddSegment(out, 0xE1, fixture::Payload(block));
    out.insert(out.end(), jpeg.begin() + 2, jpeg.end());
    return out;
}

// Writes a camera-like file: `main` as the picture, `thumbnail` (when not null) embedded.
// Without orientation, date and thumbnail the file has no EXIF block.
inline bool WriteCameraFile(const std::string& path, const Picture& main, const Picture* thumbnail,
                            int orientation = 0, const std::string& dateTaken = {}) {
    const std::vector<uint8_t> thumb = thumbnail ? EncodeJpeg(*thumbnail, path, 85) : std::vector<uint8_t>{};
    const std::vector<uint8_t> jpeg = EncodeJpeg(main, path);
    if (jpeg.empty()) return false;
    return WriteBytes(path, orientation || !dateTaken.empty() || thumbnail ? WithExif(jpeg, orientation, dateTaken, thumb) : jpeg);
}

}  // namespace thumbstest
