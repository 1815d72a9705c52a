#include "ppm.h"

#include <cctype>
#include <cstdio>
#include <memory>
#include <vector>

#include "platform/safewrite.h"

namespace cli {

namespace {
struct FileCloser {
    void operator()(FILE* f) const { if (f) std::fclose(f); }
};
using File = std::unique_ptr<FILE, FileCloser>;

// Reads one header number, skipping white space and '#' comments.
bool ReadHeaderNumber(FILE* f, long& value) {
    int c = std::fgetc(f);
    for (;;) {
        while (c != EOF && std::isspace(c)) c = std::fgetc(f);
        if (c != '#') break;
        while (c != EOF && c != '\n') c = std::fgetc(f);
    }
    if (c == EOF || !std::isdigit(c)) return false;
    value = 0;
    while (c != EOF && std::isdigit(c)) {
        value = value * 10 + (c - '0');
        if (value > 1000000) return false;
        c = std::fgetc(f);
    }
    // Exactly one white-space byte ends the header's last number.
    return c != EOF && std::isspace(c);
}
}  // namespace

bool WritePpm(const std::string& path, const ImagePlane& plane, std::string& error) {
    return platform::ReplaceFile(path, [&](int fd) {
        const std::string header = "P6\n" + std::to_string(plane.width) + " " + std::to_string(plane.height) + "\n255\n";
        if (!platform::WriteAll(fd, header.data(), header.size())) return false;
        std::vector<uint8_t> row(static_cast<size_t>(plane.width) * 3);
        for (int32_t y = 0; y < plane.height; ++y) {
            const uint8_t* src = plane.Row(y);
            for (int32_t x = 0; x < plane.width; ++x) {
                row[x * 3 + 0] = src[x * 3 + 2];
                row[x * 3 + 1] = src[x * 3 + 1];
                row[x * 3 + 2] = src[x * 3 + 0];
            }
            if (!platform::WriteAll(fd, row.data(), row.size())) return false;
        }
        return true;
    }, error);
}

bool WritePpm(const std::string& path, const ImagePlane& plane) {
    std::string error;
    return WritePpm(path, plane, error);
}

bool ReadPpm(const std::string& path, CImageBuffer& image, std::string& error) {
    File f(std::fopen(path.c_str(), "rb"));
    if (!f) {
        error = "cannot open " + path;
        return false;
    }
    long width = 0, height = 0, maxval = 0;
    if (std::fgetc(f.get()) != 'P' || std::fgetc(f.get()) != '6' ||
        !ReadHeaderNumber(f.get(), width) || !ReadHeaderNumber(f.get(), height) ||
        !ReadHeaderNumber(f.get(), maxval) || width <= 0 || height <= 0 || maxval != 255) {
        error = path + " is not a binary PPM file with 8-bit samples";
        return false;
    }
    if (!image.Create(static_cast<int32_t>(width), static_cast<int32_t>(height))) {
        error = "not enough memory for " + path;
        return false;
    }
    ImagePlane plane = image.Plane();
    std::vector<uint8_t> row(static_cast<size_t>(width) * 3);
    for (int32_t y = 0; y < plane.height; ++y) {
        if (std::fread(row.data(), 1, row.size(), f.get()) != row.size()) {
            error = path + " is truncated";
            return false;
        }
        uint8_t* dst = plane.Row(y);
        for (int32_t x = 0; x < plane.width; ++x) {
            dst[x * 3 + 0] = row[x * 3 + 2];
            dst[x * 3 + 1] = row[x * 3 + 1];
            dst[x * 3 + 2] = row[x * 3 + 0];
        }
    }
    return true;
}

}  // namespace cli
