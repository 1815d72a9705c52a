// lumaret-cli decode and encode, run as a user would.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "cli_run.h"
#include "codec/jpegcodec.h"
#include "codec_fixtures.h"

using namespace codectest;
using clitest::Slurp;

namespace {

clitest::CliResult RunIn(const ScratchDir& dir, const std::vector<std::string>& args) {
    return clitest::RunCli(LUMARET_CLI, args, dir.File(""));
}

// The binary PPM file of a red-green-blue picture.
std::string Ppm(const Picture& p) {
    return "P6\n" + std::to_string(p.width) + " " + std::to_string(p.height) + "\n255\n" +
           std::string(p.samples.begin(), p.samples.end());
}

int Lines(const std::string& text) { return static_cast<int>(std::count(text.begin(), text.end(), '\n')); }

// decode gives exactly libjpeg-turbo's own decoding at every scale (camera files are
// compared through the codec's own sweep of the test data).
TEST(CliCodec, DecodeIsByteIdenticalToLibjpeg) {
    ScratchDir dir;
    const Picture rgb = MakePhotoLike(203, 151, 31);
    const std::vector<uint8_t> files[] = {EncodeJpeg(rgb), EncodeJpeg(rgb, {80, JCS_YCbCr, 1, 1, true}),
                                          EncodeJpeg(MakePhotoLike(203, 151, 31, 1), {90, JCS_GRAYSCALE})};
    for (const std::vector<uint8_t>& jpeg : files) {
        ASSERT_TRUE(WriteFileBytes(dir.File("in.jpg"), jpeg));
        for (int scale : {1, 2, 4, 8}) {
            SCOPED_TRACE("file " + std::to_string(&jpeg - files) + " at 1/" + std::to_string(scale));
            std::filesystem::remove(dir.File("out.ppm"));
            const auto run =
                    RunIn(dir, {"decode", dir.File("in.jpg"), dir.File("out.ppm"), "--scale", std::to_string(scale)});
            ASSERT_EQ(run.status, 0) << run.err;
            EXPECT_TRUE(Slurp(dir.File("out.ppm")) == Ppm(DecodeJpeg(jpeg, scale)));
        }
    }
}

TEST(CliCodec, DecodeOfDamagedFileWarnsButSucceeds) {
    ScratchDir dir;
    const std::vector<uint8_t> full = EncodeJpeg(MakePhotoLike(120, 90, 4));
    const std::vector<uint8_t> cut(full.begin(), full.begin() + static_cast<long>(full.size() * 2 / 3));
    ASSERT_TRUE(WriteFileBytes(dir.File("cut.jpg"), cut));
    const auto run = RunIn(dir, {"decode", dir.File("cut.jpg"), dir.File("cut.ppm")});
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(Lines(run.err), 1);
    EXPECT_NE(run.err.find("warning"), std::string::npos) << run.err;
    EXPECT_TRUE(Slurp(dir.File("cut.ppm")) == Ppm(DecodeJpeg(cut)));
}

TEST(CliCodec, EncodeWritesWhatTheCodecWrites) {
    ScratchDir dir;
    const Picture picture = MakePhotoLike(99, 66, 8);
    const std::string ppm = Ppm(picture);
    ASSERT_TRUE(WriteFileBytes(dir.File("in.ppm"), {ppm.begin(), ppm.end()}));
    const std::vector<uint8_t> bgr = ToBgrRows(picture);
    for (int quality : {90, 40}) {
        SCOPED_TRACE(quality);
        std::vector<std::string> args = {"encode", dir.File("in.ppm"), dir.File("cli.jpg")};
        if (quality != 90) args.insert(args.end(), {"--quality", std::to_string(quality)});
        const auto run = RunIn(dir, args);
        ASSERT_EQ(run.status, 0) << run.err;
        ASSERT_NE(writeJPEGfile(dir.File("direct.jpg").c_str(), 99, 66, bgr.data(), quality), 0);
        EXPECT_EQ(ReadFileBytes(dir.File("cli.jpg")), ReadFileBytes(dir.File("direct.jpg")));
    }
}

// Unreadable input is named in one line; wrong arguments get the usage; nothing is written.
TEST(CliCodec, RefusalsSayWhyAndWriteNothing) {
    ScratchDir dir;
    std::vector<uint8_t> huge = EncodeJpeg(MakePhotoLike(16, 16, 1));
    const uint8_t sofMarker[] = {0xFF, 0xC0};
    const auto sof = std::search(huge.begin(), huge.end(), sofMarker, sofMarker + 2);
    std::fill(sof + 5, sof + 9, 0xFF);  // 65535 x 65535
    ASSERT_TRUE(WriteFileBytes(dir.File("empty.jpg"), {}));
    ASSERT_TRUE(WriteFileBytes(dir.File("text.jpg"), {'n', 'o', 't', '\n'}));
    ASSERT_TRUE(WriteFileBytes(dir.File("huge.jpg"), huge));
    ASSERT_TRUE(WriteFileBytes(dir.File("in.jpg"), EncodeJpeg(MakePhotoLike(8, 8, 1))));
    const std::string in = dir.File("in.jpg"), out = dir.File("out.ppm");
    const struct {
        std::vector<std::string> args;
        std::string says;
    } cases[] = {
        {{"decode", dir.File("empty.jpg"), out}, "empty.jpg"},
        {{"decode", dir.File("text.jpg"), out}, "text.jpg"},
        {{"decode", dir.File("huge.jpg"), out}, "huge.jpg"},
        {{"decode", dir.File("missing.jpg"), out}, "missing.jpg"},
        {{"encode", in, out}, "in.jpg is not a binary PPM"},
        {{"decode", in}, "usage"},
        {{"decode", in, out, "--scale", "3"}, "usage"},
        {{"encode", in, out, "--quality", "101"}, "usage"},
        {{"encode", in, out, "--quality", "9x"}, "usage"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.args[1] + " " + c.args.back());
        const auto run = RunIn(dir, c.args);
        EXPECT_EQ(run.status, 2);
        EXPECT_NE(run.err.find(c.says), std::string::npos) << run.err;
        EXPECT_TRUE(c.says == "usage" || Lines(run.err) == 1) << run.err;
        EXPECT_FALSE(std::filesystem::exists(out));
    }
}

}  // namespace
