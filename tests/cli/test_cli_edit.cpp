// lumaret-cli edit: operation chains on PPM and JPEG pictures, and the EXIF of the result.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "cli_fixture.h"
#include "exif/exif.h"
#include "../engine/editor/editor_fixtures.h"

namespace fs = std::filesystem;
using clitest::Slurp;

namespace {

class CliEditTest : public clitest::CliFolderTest {
protected:
    // A w x h PPM whose pixels all differ, so any misplaced pixel shows.
    fs::path MakePpm(int w, int h) {
        return Write("in.ppm", clitest::PpmBytes(w, h, [w](int x, int y) {
                         const int i = y * w + x;
                         return clitest::Rgb{i * 7 & 255, i / 3 & 255, (255 - i) & 255};
                     }));
    }
    std::string PpmHeader(const fs::path& path) {
        const std::string all = Slurp(path);
        return all.substr(0, all.find("255\n"));
    }
};

}  // namespace

TEST_F(CliEditTest, LosslessChainsOnPpmGiveTheirIdentities) {
    const fs::path in = MakePpm(7, 5);
    const fs::path out = dir / "out.ppm";
    for (std::vector<std::string> ops : std::vector<std::vector<std::string>>{
                 {"--flip", "h", "--flip", "h"},
                 {"--rotate", "90", "--rotate", "-90"},
                 {"--rotate", "-90", "--undo"},
                 {"--resize", "7", "5", "--method", "nearest"}}) {
        ops.insert(ops.begin(), {in.string(), out.string()});
        const auto r = Edit(ops);
        ASSERT_EQ(r.status, 0) << r.err;
        EXPECT_EQ(Slurp(out), Slurp(in)) << ops[2];
    }
}

TEST_F(CliEditTest, SizesFollowTheOperations) {
    const fs::path in = MakePpm(5, 3);
    const fs::path out = dir / "out.ppm";
    ASSERT_EQ(Edit({in, out, "--rotate", "-90"}).status, 0);
    EXPECT_EQ(PpmHeader(out), "P6\n3 5\n");
    ASSERT_EQ(Edit({in, out, "--crop", "1", "1", "4", "3"}).status, 0);
    EXPECT_EQ(PpmHeader(out), "P6\n3 2\n");
    ASSERT_EQ(Edit({in, out, "--resize", "10", "6", "--method", "lanczos", "--flip", "v"}).status, 0);
    EXPECT_EQ(PpmHeader(out), "P6\n10 6\n");
    ASSERT_EQ(Edit({in, out, "--straighten", "10", "--crop-auto"}).status, 0);
    EXPECT_EQ(PpmHeader(out).substr(0, 3), "P6\n");
}

TEST_F(CliEditTest, RefusesBadArgumentsBeforeTouchingAnything) {
    const fs::path in = MakePpm(5, 3);
    const fs::path out = dir / "out.ppm";
    EXPECT_EQ(Edit({in}).status, 2);
    EXPECT_EQ(Edit({in, out, "--spin", "3"}).status, 2);
    EXPECT_EQ(Edit({in, out, "--crop", "0", "0", "6", "3"}).status, 2);  // wider than the image
    EXPECT_EQ(Edit({in, out, "--resize", "0", "3"}).status, 2);
    EXPECT_EQ(Edit({in, out, "--quality", "101"}).status, 2);
    EXPECT_EQ(Edit({in, out, "--undo"}).status, 2);  // nothing to undo
    EXPECT_FALSE(fs::exists(out));
    const auto r = Edit({Write("text.jpg", "no"), out});
    EXPECT_EQ(r.status, 2);
    EXPECT_NE(r.err.find("text.jpg"), std::string::npos);
}

TEST_F(CliEditTest, JpegOutputCarriesExifUprightAtItsNewSize) {
    const fs::path in = dir / "turned.jpg";
    editortest::WriteQuadrantJpeg(in, 40, 20, 6);
    const fs::path out = dir / "out.jpg";
    ASSERT_EQ(Edit({in, out, "--resize", "10", "20", "--quality", "80"}).status, 0);
    CExif exif(out);
    ASSERT_EQ(exif.Read(), 0);
    EXPECT_EQ(exif.GetOrientation(), 1);
    uint32_t x = 0, y = 0;
    ASSERT_TRUE(exif.Section().FindEntry(kTagPixelXDimension));
    exif.Section().FindEntry(kTagPixelXDimension)->FirstInteger(x);
    exif.Section().FindEntry(kTagPixelYDimension)->FirstInteger(y);
    EXPECT_EQ(x, 10u);
    EXPECT_EQ(y, 20u);

    ASSERT_EQ(Edit({in, out, "--strip-exif"}).status, 0);
    CExif stripped(out);
    stripped.Read();
    EXPECT_FALSE(stripped.HasExif());
}

TEST_F(CliEditTest, RealCameraFileKeepsItsMakerDataThroughAChain) {
    const fs::path in = fs::path(LUMARET_TESTDATA_DIR) / "jpeg/exif-py/jpg/tests/Xiaomi_Mi_9T_KeyError.jpg";
    if (!fs::exists(in)) GTEST_SKIP() << "test data not found at " << in;
    const fs::path out = dir / "out.jpg";
    const auto r = Edit({in, out, "--flip", "h", "--resize", "600", "800", "--rotate", "1.5"});
    ASSERT_EQ(r.status, 0) << r.err;
    CExif original(in), edited(out);
    ASSERT_EQ(original.Read(), 0);
    ASSERT_EQ(edited.Read(), 0);
    EXPECT_EQ(original.GetOrientation(), 6);
    EXPECT_EQ(edited.GetOrientation(), 1);
    EXPECT_EQ(edited.GetDateTaken(), original.GetDateTaken());
    int w = 0, h = 0, c = 0;
    edited.GetImageSize(w, h, c);
    // 600 x 800 turned by 1.5 degrees spans a slightly larger canvas.
    EXPECT_GT(w, 600);
    EXPECT_GT(h, 800);
    uint32_t x = 0;
    ASSERT_TRUE(edited.Section().FindEntry(kTagPixelXDimension));
    edited.Section().FindEntry(kTagPixelXDimension)->FirstInteger(x);
    EXPECT_EQ(x, uint32_t(w));
    ASSERT_TRUE(edited.Section().FindEntry(0x110));  // the camera model survives
}
