// lumaret-cli decode and encode, run as a user would.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "cli_run.h"
#include "codec/jpegcodec.h"
#include "codec_fixtures.h"

using namespace codectest;

namespace {

clitest::CliResult RunIn(const ScratchDir& dir, const std::vector<std::string>& args) {
    return clitest::RunCli(LUMARET_CLI, args, dir.File(""));
}

// Pixels of a binary PPM file as red-green-blue; empty picture when it is not one.
Picture ReadPpmFile(const std::string& path) {
    const std::vector<uint8_t> bytes = ReadFileBytes(path);
    Picture picture;
    int maxval = 0, consumed = 0;
    const std::string head(bytes.begin(), bytes.begin() + static_cast<long>(std::min<size_t>(bytes.size(), 64)));
    if (std::sscanf(head.c_str(), "P6 %d %d %d%n", &picture.width, &picture.height, &maxval, &consumed) != 3 ||
        maxval != 255 || bytes.size() != consumed + 1 + static_cast<size_t>(picture.width) * picture.height * 3)
        return {};
    picture.samples.assign(bytes.begin() + consumed + 1, bytes.end());  // one white-space byte ends the header
    return picture;
}

int Lines(const std::string& text) { return static_cast<int>(std::count(text.begin(), text.end(), '\n')); }

// decode gives exactly libjpeg-turbo's own decoding at every scale (camera files are
// compared through the codec's own sweep of the test data).
TEST(CliCodec, DecodeIsByteIdenticalToLibjpeg) {
    ScratchDir dir;
    const Picture rgb = MakePhotoLike(203, 151, 31);
    ASSERT_TRUE(WriteFileBytes(dir.File("baseline.jpg"), EncodeJpeg(rgb)));
    ASSERT_TRUE(WriteFileBytes(dir.File("progressive.jpg"), EncodeJpeg(rgb, {80, JCS_YCbCr, 1, 1, true})));
    ASSERT_TRUE(WriteFileBytes(dir.File("grey.jpg"), EncodeJpeg(MakePhotoLike(203, 151, 31, 1), {90, JCS_GRAYSCALE})));
    for (const std::string& jpegPath : {dir.File("baseline.jpg"), dir.File("progressive.jpg"), dir.File("grey.jpg")}) {
        const std::vector<uint8_t> jpeg = ReadFileBytes(jpegPath);
        for (int scale : {1, 2, 4, 8}) {
            SCOPED_TRACE(jpegPath + " at 1/" + std::to_string(scale));
            std::filesystem::remove(dir.File("out.ppm"));
            const auto run = RunIn(dir, {"decode", jpegPath, dir.File("out.ppm"), "--scale", std::to_string(scale)});
            ASSERT_EQ(run.status, 0) << run.err;
            const Picture reference = DecodeJpeg(jpeg, scale);
            const Picture got = ReadPpmFile(dir.File("out.ppm"));
            ASSERT_EQ(got.width, reference.width);
            ASSERT_EQ(got.height, reference.height);
            EXPECT_TRUE(got.samples == reference.samples);
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
    EXPECT_TRUE(ReadPpmFile(dir.File("cut.ppm")).samples == DecodeJpeg(cut).samples);
}

TEST(CliCodec, DecodeOfUnreadableFileFailsWithOneLine) {
    ScratchDir dir;
    std::vector<uint8_t> huge = EncodeJpeg(MakePhotoLike(16, 16, 1));
    const uint8_t sofMarker[] = {0xFF, 0xC0};
    const auto sof = std::search(huge.begin(), huge.end(), sofMarker, sofMarker + 2);
    std::fill(sof + 5, sof + 9, 0xFF);  // 65535 x 65535
    ASSERT_TRUE(WriteFileBytes(dir.File("empty.jpg"), {}));
    ASSERT_TRUE(WriteFileBytes(dir.File("text.jpg"), {'n', 'o', 't', '\n'}));
    ASSERT_TRUE(WriteFileBytes(dir.File("huge.jpg"), huge));
    for (const char* name : {"empty.jpg", "text.jpg", "huge.jpg", "missing.jpg"}) {
        SCOPED_TRACE(name);
        const auto run = RunIn(dir, {"decode", dir.File(name), dir.File("out.ppm")});
        EXPECT_EQ(run.status, 2);
        EXPECT_EQ(Lines(run.err), 1) << run.err;
        EXPECT_NE(run.err.find(name), std::string::npos) << run.err;
        EXPECT_FALSE(std::filesystem::exists(dir.File("out.ppm")));
    }
}

TEST(CliCodec, EncodeWritesWhatTheCodecWrites) {
    ScratchDir dir;
    const Picture picture = MakePhotoLike(99, 66, 8);
    std::string ppm = "P6\n99 66\n255\n";
    ppm.append(picture.samples.begin(), picture.samples.end());
    ASSERT_TRUE(WriteFileBytes(dir.File("in.ppm"), std::vector<uint8_t>(ppm.begin(), ppm.end())));
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

TEST(CliCodec, BadArgumentsGiveUsage) {
    ScratchDir dir;
    ASSERT_TRUE(WriteFileBytes(dir.File("in.jpg"), EncodeJpeg(MakePhotoLike(8, 8, 1))));
    const std::string in = dir.File("in.jpg"), out = dir.File("out.ppm");
    const std::vector<std::vector<std::string>> cases = {
        {"decode", in},
        {"decode", in, out, "--scale", "3"},
        {"encode", in, out, "--quality", "101"},
        {"encode", in, out, "--quality", "9x"},
    };
    for (const auto& args : cases) {
        SCOPED_TRACE(args.back());
        const auto run = RunIn(dir, args);
        EXPECT_EQ(run.status, 2);
        EXPECT_NE(run.err.find("usage"), std::string::npos) << run.err;
    }
    const auto run = RunIn(dir, {"encode", in, dir.File("x.jpg")});  // a PPM that is not one
    EXPECT_EQ(run.status, 2);
    EXPECT_FALSE(std::filesystem::exists(dir.File("x.jpg")));
}

}  // namespace
