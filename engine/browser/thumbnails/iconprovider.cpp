#include "browser/thumbnails/iconprovider.h"

#include <cstring>

namespace {

struct Bgr {
    uint8_t b, g, r;
};

constexpr Bgr kWindow{255, 255, 255};
constexpr Bgr kOutline{64, 64, 64};
constexpr Bgr kFolderBody{64, 200, 240};
constexpr Bgr kFolderTab{40, 170, 220};
constexpr Bgr kPage{250, 250, 250};
constexpr Bgr kFold{200, 200, 200};
constexpr Bgr kTextLine{150, 150, 150};

void Put(uint8_t* pixels, int x, int y, Bgr c) {
    uint8_t* p = pixels + y * IIconProvider::kIconSize * 3 + x * 3;
    p[0] = c.b;
    p[1] = c.g;
    p[2] = c.r;
}

// Fills the rectangle [x0, x1] x [y0, y1] with `fill` and draws its border in `border`.
void Box(uint8_t* pixels, int x0, int y0, int x1, int y1, Bgr fill, Bgr border) {
    for (int y = y0; y <= y1; ++y)
        for (int x = x0; x <= x1; ++x)
            Put(pixels, x, y, (x == x0 || x == x1 || y == y0 || y == y1) ? border : fill);
}

void DrawFolder(uint8_t* pixels) {
    Box(pixels, 3, 6, 14, 10, kFolderTab, kOutline);
    Box(pixels, 2, 9, 29, 26, kFolderBody, kOutline);
}

void DrawPage(uint8_t* pixels) {
    constexpr int left = 7, right = 24, top = 3, bottom = 28, fold = 6;
    for (int y = top; y <= bottom; ++y) {
        for (int x = left; x <= right; ++x) {
            const int fromCorner = (x - (right - fold)) - (y - top);  // > 0: cut off by the fold
            if (fromCorner > 0) continue;
            const bool edge = x == left || y == bottom || y == top || x == right || fromCorner == 0;
            Put(pixels, x, y, edge ? kOutline : kPage);
        }
    }
    for (int y = top + 1; y < top + fold; ++y)  // the folded-over corner
        for (int x = right - fold + 1; x < right - fold + 1 + (y - top); ++x) Put(pixels, x, y, kFold);
    for (int y = top + 10; y <= bottom - 4; y += 4)
        for (int x = left + 3; x <= right - 3; ++x) Put(pixels, x, y, kTextLine);
}

}  // namespace

void CSimpleIconProvider::DrawIcon(const std::string& path, bool folder, uint8_t* pixels) {
    (void)path;  // every file gets the same page
    for (size_t i = 0; i < kIconBytes; i += 3) {
        pixels[i] = kWindow.b;
        pixels[i + 1] = kWindow.g;
        pixels[i + 2] = kWindow.r;
    }
    if (folder)
        DrawFolder(pixels);
    else
        DrawPage(pixels);
}
