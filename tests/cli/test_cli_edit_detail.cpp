// lumaret-cli edit with the detail operations, on generated PPM pictures.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "cli_fixture.h"

namespace fs = std::filesystem;
using clitest::Rgb;

namespace {

class CliEditDetailTest : public clitest::CliFolderTest {
protected:
    template <class Colour>
    fs::path MakePpm(int w, int h, Colour colour) {
        return Write("in.ppm", clitest::PpmBytes(w, h, colour));
    }
    std::string Samples(const fs::path& path) { return clitest::PpmSamples(clitest::Slurp(path)); }
};

}  // namespace

TEST_F(CliEditDetailTest, FlatPicturesSurviveSharpenShadowsAndHighlights) {
    // Sharpening leaves any flat picture alone; the shadow and highlight curves keep
    // black and white in place.
    const struct {
        Rgb colour;
        std::vector<std::string> op;
    } cases[] = {{{90, 140, 200}, {"--sharpen", "500:2:0"}},
                 {{0, 0, 0}, {"--shadows", "40:30:50:-50"}},
                 {{255, 255, 255}, {"--highlights", "10:3:90:-100"}}};
    for (const auto& c : cases) {
        const fs::path in = MakePpm(40, 30, [&](int, int) { return c.colour; });
        const fs::path out = dir / "out.ppm";
        std::vector<std::string> args{in.string(), out.string()};
        args.insert(args.end(), c.op.begin(), c.op.end());
        const auto result = Edit(args);
        ASSERT_EQ(result.status, 0) << result.err;
        EXPECT_TRUE(Samples(out) == Samples(in)) << c.op[0] << " " << c.op[1];
    }
}

TEST_F(CliEditDetailTest, IrFilmGivesGrey) {
    const fs::path in = MakePpm(30, 20, [](int x, int y) { return Rgb{x * 8, y * 12, 255 - x * 8}; });
    const fs::path out = dir / "out.ppm";
    const auto result = Edit({in.string(), out.string(), "--ir-film", "-55:20:0:20:50"});
    ASSERT_EQ(result.status, 0) << result.err;
    const std::string s = Samples(out);
    ASSERT_EQ(s.size(), 30u * 20 * 3);
    for (size_t i = 0; i < s.size(); i += 3) {
        ASSERT_EQ(s[i], s[i + 1]);
        ASSERT_EQ(s[i], s[i + 2]);
    }
}

TEST_F(CliEditDetailTest, RedEyeDarkensThePupilAndRepeats) {
    auto eye = [](int x, int y) {
        for (int cx : {40, 110}) {
            const int d2 = (x - cx) * (x - cx) + (y - 40) * (y - 40);
            if (d2 <= 36) return Rgb{215, 45, 50};
            if (d2 <= 144) return Rgb{70, 55, 40};
        }
        return Rgb{205, 165, 145};
    };
    const fs::path in = MakePpm(150, 80, eye);
    const fs::path out = dir / "out.ppm";
    const auto result = Edit({in.string(), out.string(), "--red-eye", "40:40", "--red-eye", "110:40:0", "--red-eye", "5:5"});
    ASSERT_EQ(result.status, 0) << result.err;
    EXPECT_NE(result.err.find("no red pupil found at 5:5"), std::string::npos);
    const std::string s = Samples(out);
    auto red = [&](int x, int y) { return static_cast<uint8_t>(s[(static_cast<size_t>(y) * 150 + x) * 3]); };
    EXPECT_LT(red(40, 40), 60);
    EXPECT_LT(red(110, 40), red(40, 40));  // brightness 0 darkens more
    EXPECT_EQ(red(75, 10), 205);
}

TEST_F(CliEditDetailTest, BadValuesAreUsageErrors) {
    const fs::path in = MakePpm(10, 10, [](int, int) { return Rgb{1, 2, 3}; });
    const fs::path out = dir / "out.ppm";
    for (const std::vector<std::string>& op : std::vector<std::vector<std::string>>{
             {"--sharpen", "180:0.7"},
             {"--sharpen", "180:200:0"},
             {"--shadows", "40:30:50:x"},
             {"--highlights", "40:0:50:0"},
             {"--ir-film", "-55:20:0:20:101"},
             {"--red-eye", "10:3"},
             {"--red-eye", "3:3:11"},
             {"--red-eye"}}) {
        std::vector<std::string> args{in.string(), out.string()};
        args.insert(args.end(), op.begin(), op.end());
        const auto result = Edit(args);
        EXPECT_EQ(result.status, 2) << op[0] << " " << (op.size() > 1 ? op[1] : "");
        EXPECT_FALSE(fs::exists(out));
    }
}
