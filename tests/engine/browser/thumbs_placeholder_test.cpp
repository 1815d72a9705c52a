// The placeholder picture shipped as data/exception_1.dat must be the one the generator in
// tools/placeholder makes (run lumaret-make-placeholder data/exception_1.dat to remake it).
#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "../../../tools/placeholder/placeholder_picture.h"

namespace {

TEST(ThumbsPlaceholder, ShippedFileIsTheGeneratedPicture) {
    const std::string shipped = std::string(LUMARET_SOURCE_DIR) + "/data/exception_1.dat";
    std::ifstream in(shipped, std::ios::binary);
    ASSERT_TRUE(in) << shipped;
    const std::vector<uint8_t> bytes{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    ASSERT_EQ(33024u, placeholder::MakePlaceholder().size());
    EXPECT_EQ(placeholder::MakePlaceholder(), bytes);
}

}  // namespace
