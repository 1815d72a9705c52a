#include "geometry/orient.h"

#include <algorithm>
#include <cstring>

namespace geometry {

namespace {

inline void CopyPixel(uint8_t* d, const uint8_t* s) {
    d[0] = s[0];
    d[1] = s[1];
    d[2] = s[2];
}

// Quarter turn of a band: source column x becomes destination row x (clockwise) or
// w - 1 - x (anticlockwise), and the band's rows a short run of that row. Each run is
// written in one go while the band, just decoded, is still in cache.
void TurnBand(const ImagePlane& src, const ImagePlane& dst, bool clockwise, int32_t y0, int32_t y1) {
    const int32_t w = src.width, h = src.height;
    const int32_t n = y1 - y0;
    if (n <= 0) return;
    // Clockwise: src(x, y) lands at dst(h - 1 - y, x), so the run starts with the band's
    // last row; anticlockwise at dst(y, w - 1 - x), starting with its first.
    const int32_t firstColumn = clockwise ? h - y1 : y0;
    const ptrdiff_t step = clockwise ? -static_cast<ptrdiff_t>(src.stride) : src.stride;
    const uint8_t* start = src.Row(clockwise ? y1 - 1 : y0);
    for (int32_t x = 0; x < w; ++x) {
        uint8_t* d = dst.Row(clockwise ? x : w - 1 - x) + static_cast<ptrdiff_t>(firstColumn) * 3;
        const uint8_t* s = start + static_cast<ptrdiff_t>(x) * 3;
        int32_t i = 0;
        // Pixels move as 4 bytes, the fourth overwritten by the next pixel of the run; the
        // last pixel of a run moves as 3 (the next column may already be written), and so
        // does the last column read (its fourth byte may lie past the picture).
        if (x + 1 < w) {
            for (; i + 1 < n; ++i, d += 3, s += step) std::memcpy(d, s, 4);
        }
        for (; i < n; ++i, d += 3, s += step) CopyPixel(d, s);
    }
}

}  // namespace

bool IsUprightingOrientation(int orientation) {
    return orientation == 2 || orientation == 3 || orientation == 4 || orientation == 6 || orientation == 8;
}

ImageSize OrientedSize(int32_t w, int32_t h, int orientation) {
    if (orientation == 6 || orientation == 8) return {h, w};
    return {w, h};
}

bool OrientRows(const ImagePlane& src, const ImagePlane& dst, int orientation, int32_t y0, int32_t y1) {
    const ImageSize size = OrientedSize(src.width, src.height, orientation);
    if (!src.IsValid() || src.channels != 3 || src.stride < src.width * 3 ||
        !IsPlaneOfSize(dst, size.width, size.height) || y0 < 0 || y1 > src.height || y0 > y1) {
        return false;
    }
    const int32_t w = src.width, h = src.height;
    const size_t rowBytes = static_cast<size_t>(w) * 3;
    switch (orientation) {
        case 2:
        case 3:
            for (int32_t y = y0; y < y1; ++y) {
                const uint8_t* s = src.Row(y) + rowBytes - 3;
                uint8_t* d = dst.Row(orientation == 2 ? y : h - 1 - y);
                for (int32_t x = 0; x < w; ++x, d += 3, s -= 3) CopyPixel(d, s);
            }
            break;
        case 4:
            for (int32_t y = y0; y < y1; ++y) std::memcpy(dst.Row(h - 1 - y), src.Row(y), rowBytes);
            break;
        case 6:
        case 8:
            TurnBand(src, dst, orientation == 6, y0, y1);
            break;
        default:
            for (int32_t y = y0; y < y1; ++y) std::memcpy(dst.Row(y), src.Row(y), rowBytes);
            break;
    }
    return true;
}

}  // namespace geometry
