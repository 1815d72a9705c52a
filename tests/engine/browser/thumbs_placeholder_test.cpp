// The placeholder picture shipped as data/exception_1.dat is made by the routine below;
// the test keeps the shipped file and the routine in step. To remake the file run
//   test_browser --gtest_also_run_disabled_tests --gtest_filter='*WriteShippedPlaceholder*'
#include <gtest/gtest.h>

#include <cstdint>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace {

constexpr int kWidth = 128, kHeight = 86;

struct Colour {
    uint8_t b, g, r;
};

// A grey card with a framed little landscape torn apart by a jagged crack.
std::vector<uint8_t> MakePlaceholder() {
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

std::string ShippedPath() { return std::string(LUMARET_SOURCE_DIR) + "/data/exception_1.dat"; }

TEST(ThumbsPlaceholder, ShippedFileIsTheGeneratedPicture) {
    std::ifstream in(ShippedPath(), std::ios::binary);
    ASSERT_TRUE(in) << ShippedPath();
    const std::vector<uint8_t> shipped{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    ASSERT_EQ(33024u, MakePlaceholder().size());
    EXPECT_EQ(MakePlaceholder(), shipped);
}

TEST(ThumbsPlaceholder, DISABLED_WriteShippedPlaceholder) {
    const std::vector<uint8_t> made = MakePlaceholder();
    std::ofstream out(ShippedPath(), std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(made.data()), static_cast<std::streamsize>(made.size()));
    ASSERT_TRUE(out);
}

}  // namespace
