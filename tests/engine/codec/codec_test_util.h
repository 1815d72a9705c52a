#pragma once
// Shared pieces of the codec tests: decoding through the component into a guarded buffer
// and comparing with libjpeg's own output.
#include <cstdint>
#include <string>
#include <vector>

#include "codec/jpegcodec.h"
#include "codec_fixtures.h"

namespace codectest {

// Bytes past the end of the destination that a decode must leave alone.
constexpr size_t kGuardBytes = 256;
constexpr uint8_t kSentinel = 0xA5;

struct CodecDecode {
    int info = 0;  // getJPEGFileInfo result
    int width = 0, height = 0, components = 0;
    int outWidth = 0, outHeight = 0;
    size_t stride = 0;
    int result = kJpegReadFailed;
    std::vector<uint8_t> buffer;  // stride * outHeight bytes, then kGuardBytes of guard

    const uint8_t* Pixel(int x, int y) const { return buffer.data() + stride * y + x * 3; }
    // True when nothing was written past the last row.
    bool GuardIntact() const {
        for (size_t i = stride * outHeight; i < buffer.size(); ++i) {
            if (buffer[i] != kSentinel) return false;
        }
        return true;
    }
};

// getJPEGFileInfo then readJPEGfile into a buffer sized exactly by the stride rule and
// pre-filled with kSentinel.
inline CodecDecode DecodeWithCodec(const std::string& path, int divisor) {
    CodecDecode d;
    d.info = getJPEGFileInfo(path.c_str(), &d.width, &d.height, &d.components);
    if (!d.info) return d;
    const int scale = divisor <= 1 ? 1 : divisor;
    d.outWidth = (d.width + scale - 1) / scale;
    d.outHeight = (d.height + scale - 1) / scale;
    d.stride = (static_cast<size_t>(d.outWidth) * 3 + 3) & ~size_t{3};
    d.buffer.assign(d.stride * d.outHeight + kGuardBytes, kSentinel);
    d.result = readJPEGfile(d.buffer.data(), divisor);
    return d;
}

// Number of samples where the blue-green-red decode differs from a red-green-blue
// reference picture of the same size; -1 when the sizes differ.
inline long CountDifferences(const CodecDecode& d, const Picture& reference) {
    if (reference.width != d.outWidth || reference.height != d.outHeight) return -1;
    long differences = 0;
    for (int y = 0; y < d.outHeight; ++y) {
        for (int x = 0; x < d.outWidth; ++x) {
            const uint8_t* got = d.Pixel(x, y);
            const uint8_t* want = reference.Pixel(x, y);
            for (int c = 0; c < 3; ++c) {
                differences += got[c] != want[2 - c];
            }
        }
    }
    return differences;
}

}  // namespace codectest
