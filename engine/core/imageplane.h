#pragma once
// ImagePlane: the plain descriptor every pixel routine reads and writes.
#include <cstddef>
#include <cstdint>

// Pixels are 3 bytes in the order blue, green, red (one byte for grey planes),
// rows top first, each row padded to a multiple of 4 bytes.
struct ImagePlane {
    uint8_t* data = nullptr;
    int32_t width = 0;
    int32_t height = 0;
    int32_t channels = 3;
    int32_t stride = 0;

    // Row stride in bytes for a plane of this width: (width * channels + 3) & ~3.
    static constexpr int32_t StrideFor(int32_t width, int32_t channels = 3) {
        return (width * channels + 3) & ~3;
    }
    // Bytes needed for a plane of this size, computed without overflow (0 for bad sizes).
    static constexpr size_t BytesFor(int32_t width, int32_t height, int32_t channels = 3) {
        if (width <= 0 || height <= 0 || channels <= 0) return 0;
        return ((static_cast<size_t>(width) * static_cast<size_t>(channels) + 3) & ~size_t{3}) *
               static_cast<size_t>(height);
    }
    // A plane describing `data` with the standard stride.
    static ImagePlane Make(uint8_t* data, int32_t width, int32_t height, int32_t channels = 3) {
        return ImagePlane{data, width, height, channels, StrideFor(width, channels)};
    }

    uint8_t* Row(int32_t y) const { return data + static_cast<ptrdiff_t>(y) * stride; }
    size_t SizeInBytes() const { return static_cast<size_t>(stride) * static_cast<size_t>(height); }
    bool IsValid() const { return data != nullptr && width > 0 && height > 0; }
};
