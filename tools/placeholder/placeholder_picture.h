#pragma once
// The placeholder picture shown for files whose thumbnail cannot be made: a grey card with a
// framed little landscape torn apart by a jagged crack, 128 x 86 pixels, BGR rows without
// padding. data/exception_1.dat is this picture; tools/placeholder remakes it.
#include <cstdint>
#include <vector>

namespace placeholder {

constexpr int kWidth = 128, kHeight = 86;

struct Colour {
    uint8_t b, g, r;
};

// A grey card with a framed little landscape torn apart by a jagged crack.
inline std::vector<uint8_t> MakePlaceholder() {
    const Colour card{200, 200, 200}, edge{150, 150, 150}, frame{90, 90, 90}, sky{235, 215, 190},
        hill{110, 160, 120}, sun{80, 200, 245};
    std::vector<uint8_t> p(size_t(kWidth) * 3 * kHeight);
    auto put = [&p](int x, int y, Colour c) {
        uint8_t* d = p.data() + (y * kWidth + x) * 3;
        d[0] = c.b, d[1] = c.g, d[2] = c.r;
    };
    const int left = 40, right = 87, top = 19, bottom = 66;
    for (int y = 0; y < kHeight; ++y)
        for (int x = 0; x < kWidth; ++x) {
            Colour c = (x == 0 || y == 0 || x == kWidth - 1 || y == kHeight - 1) ? edge : card;
            if (x >= left && x <= right && y >= top && y <= bottom) {
                c = sky;
                if (y > bottom - 4 - (x - left) / 2 && y > bottom - 4 - (right - x)) c = hill;
                if ((x - 74) * (x - 74) + (y - 30) * (y - 30) <= 25) c = sun;
                if (x == left || x == right || y == top || y == bottom) c = frame;
            }
            put(x, y, c);
        }
    // The crack: a zigzag from the top edge to the bottom edge of the frame, in card grey.
    for (int y = top - 2; y <= bottom + 2; ++y) {
        const int phase = (y - top) % 12, centre = 59 + (phase < 6 ? phase : 12 - phase);
        for (int x = centre - 1; x <= centre + 1; ++x) put(x, y, card);
    }
    return p;
}

}  // namespace placeholder
