// lumaret-cli edit with the detail operations, on generated PPM pictures.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "cli_run.h"

namespace fs = std::filesystem;
using clitest::RunCli;
using clitest::Slurp;

namespace {

struct Rgb {
    int r, g, b;
};

class CliEditDetailTest : public ::testing::Test {
protected:
    void SetUp() override {
        dir = fs::temp_directory_path() /
              (std::string("lumaret_cli_detail_") + ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(dir);
        fs::create_directories(dir);
    }
    void TearDown() override { fs::remove_all(dir); }
    clitest::CliResult Edit(std::vector<std::string> args) {
        args.insert(args.begin(), "edit");
        return RunCli(LUMARET_CLI, args, dir);
    }
    // Writes a w x h PPM whose pixel (x, y) is colour(x, y).
    template <class Colour>
    fs::path MakePpm(const std::string& name, int w, int h, Colour colour) {
        std::string bytes = "P6\n" + std::to_string(w) + " " + std::to_string(h) + "\n255\n";
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x) {
                const Rgb c = colour(x, y);
                bytes += char(c.r);
                bytes += char(c.g);
                bytes += char(c.b);
            }
        const fs::path path = dir / name;
        std::ofstream(path, std::ios::binary) << bytes;
        return path;
    }
    // The samples (red, green, blue order) of a PPM written by the tool.
    std::string Samples(const fs::path& path) {
        const std::string all = Slurp(path);
        return all.substr(all.find("255\n") + 4);
    }
    fs::path dir;
};

}  // namespace

TEST_F(CliEditDetailTest, FlatPicturesSurviveSharpenShadowsAndHighlights) {
    // Sharpening leaves any flat picture alone; the shadow and highlight curves keep
    // black and white in place.
    const struct {
        Rgb colour;
        std::vector<std::string> op;
    } cases[] = {{{90, 140, 200}, {"--sharpen", "500:2:0"}},   {{0, 0, 0}, {"--shadows", "40:30:50:-50"}},
                 {{255, 255, 255}, {"--shadows", "40:30:50:50"}}, {{0, 0, 0}, {"--highlights", "40:30:50:0"}},
                 {{255, 255, 255}, {"--highlights", "10:3:90:-100"}}};
    for (const auto& c : cases) {
        const fs::path in = MakePpm("flat.ppm", 40, 30, [&](int, int) { return c.colour; });
        const fs::path out = dir / "out.ppm";
        std::vector<std::string> args{in.string(), out.string()};
        args.insert(args.end(), c.op.begin(), c.op.end());
        const auto result = Edit(args);
        ASSERT_EQ(result.status, 0) << result.err;
        EXPECT_TRUE(Samples(out) == Samples(in)) << c.op[0] << " " << c.op[1];
    }
}

TEST_F(CliEditDetailTest, IrFilmGivesGrey) {
    const fs::path in = MakePpm("in.ppm", 30, 20, [](int x, int y) { return Rgb{x * 8, y * 12, 255 - x * 8}; });
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
    const fs::path in = MakePpm("eyes.ppm", 150, 80, eye);
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
    const fs::path in = MakePpm("in.ppm", 10, 10, [](int, int) { return Rgb{1, 2, 3}; });
    const fs::path out = dir / "out.ppm";
    for (const std::vector<std::string>& op : std::vector<std::vector<std::string>>{
             {"--sharpen", "180:0.7"},
             {"--sharpen", "0:0.7:0"},
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
