// lumaret-cli decode and encode, run as a user would.
#include <gtest/gtest.h>

#include <sys/wait.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "codec/jpegcodec.h"
#include "codec_fixtures.h"

using namespace codectest;

namespace {

struct CliRun {
    int status = -1;
    std::string err;  // what it printed on stderr
};

std::string Quote(const std::string& arg) {
    std::string quoted = "'";
    for (char c : arg) quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return quoted + "'";
}

CliRun RunCli(const ScratchDir& dir, const std::vector<std::string>& args) {
    std::string command = Quote(LUMARET_CLI);
    for (const std::string& arg : args) command += " " + Quote(arg);
    const std::string errPath = dir.File("stderr.txt");
    command += " >/dev/null 2>" + Quote(errPath);
    const int raw = std::system(command.c_str());
    CliRun run;
    run.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
    const std::vector<uint8_t> err = ReadFileBytes(errPath);
    run.err.assign(err.begin(), err.end());
    return run;
}

// Pixels of a binary PPM file as red-green-blue; empty picture when it is not one.
Picture ReadPpmFile(const std::string& path) {
    const std::vector<uint8_t> bytes = ReadFileBytes(path);
    Picture picture;
    int maxval = 0, consumed = 0;
    const std::string head(bytes.begin(), bytes.begin() + static_cast<long>(std::min<size_t>(bytes.size(), 64)));
    if (std::sscanf(head.c_str(), "P6 %d %d %d%n", &picture.width, &picture.height, &maxval, &consumed) != 3 ||
        maxval != 255) {
        return {};
    }
    const size_t start = static_cast<size_t>(consumed) + 1;  // one white-space byte ends the header
    const size_t size = static_cast<size_t>(picture.width) * picture.height * 3;
    if (bytes.size() != start + size) return {};
    picture.samples.assign(bytes.begin() + static_cast<long>(start), bytes.end());
    return picture;
}

int Lines(const std::string& text) { return static_cast<int>(std::count(text.begin(), text.end(), '\n')); }

// decode gives exactly libjpeg-turbo's own decoding at the same scale.
void ExpectDecodeMatchesLibjpeg(const ScratchDir& dir, const std::string& jpegPath) {
    const std::vector<uint8_t> jpeg = ReadFileBytes(jpegPath);
    for (int scale : {1, 2, 4, 8}) {
        SCOPED_TRACE(jpegPath + " at 1/" + std::to_string(scale));
        const std::string out = dir.File("out.ppm");
        std::filesystem::remove(out);
        const CliRun run = RunCli(dir, {"decode", jpegPath, out, "--scale", std::to_string(scale)});
        ASSERT_EQ(run.status, 0) << run.err;
        const Picture reference = DecodeJpeg(jpeg, scale);
        const Picture got = ReadPpmFile(out);
        ASSERT_EQ(got.width, reference.width);
        ASSERT_EQ(got.height, reference.height);
        ASSERT_EQ(reference.components, 3);
        EXPECT_TRUE(got.samples == reference.samples);
    }
}

TEST(CliCodec, DecodeIsByteIdenticalToLibjpegOnGeneratedFiles) {
    ScratchDir dir;
    const Picture rgb = MakePhotoLike(203, 151, 31);
    Picture grey{rgb.width, rgb.height, 1, {}};
    for (size_t i = 0; i < rgb.samples.size(); i += 3) grey.samples.push_back(rgb.samples[i]);
    const std::vector<std::pair<std::string, std::vector<uint8_t>>> files = {
        {"baseline.jpg", EncodeJpeg(rgb)},
        {"progressive444.jpg", EncodeJpeg(rgb, {80, JCS_YCbCr, 1, 1, true, 0})},
        {"grey.jpg", EncodeJpeg(grey, {90, JCS_GRAYSCALE, 1, 1, false, 0})},
    };
    for (const auto& [name, bytes] : files) {
        ASSERT_TRUE(WriteFileBytes(dir.File(name), bytes));
        ExpectDecodeMatchesLibjpeg(dir, dir.File(name));
    }
}

TEST(CliCodec, DecodeIsByteIdenticalToLibjpegOnCameraFiles) {
    const std::string data = std::string(LUMARET_TESTDATA_DIR) + "/jpeg/";
    if (!std::filesystem::exists(data)) GTEST_SKIP() << "no test data";
    ScratchDir dir;
    for (const char* name : {"exiftool/Canon.jpg", "exiftool/Nikon.jpg", "exif-py/jpg/Sony_DSLR-A200.jpg",
                             "pillow/hopper.jpg", "pillow/icc_profile_big.jpg", "pillow/hopper_gray.jpg",
                             "pillow/hopper_16bit_qtables.jpg"}) {
        ExpectDecodeMatchesLibjpeg(dir, data + name);
    }
}

TEST(CliCodec, DecodeOfDamagedFileWarnsButSucceeds) {
    ScratchDir dir;
    const std::vector<uint8_t> full = EncodeJpeg(MakePhotoLike(120, 90, 4));
    const std::vector<uint8_t> cut(full.begin(), full.begin() + static_cast<long>(full.size() * 2 / 3));
    ASSERT_TRUE(WriteFileBytes(dir.File("cut.jpg"), cut));
    const CliRun run = RunCli(dir, {"decode", dir.File("cut.jpg"), dir.File("cut.ppm")});
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(Lines(run.err), 1);
    EXPECT_NE(run.err.find("warning"), std::string::npos) << run.err;
    EXPECT_TRUE(ReadPpmFile(dir.File("cut.ppm")).samples == DecodeJpeg(cut).samples);
}

TEST(CliCodec, DecodeOfUnreadableFileFailsWithOneLine) {
    ScratchDir dir;
    std::vector<uint8_t> huge = EncodeJpeg(MakePhotoLike(16, 16, 1));
    for (size_t i = 0; i + 8 < huge.size(); ++i) {
        if (huge[i] == 0xFF && huge[i + 1] == 0xC0) {
            for (size_t k = 5; k < 9; ++k) huge[i + k] = 0xFF;  // 65535 x 65535
            break;
        }
    }
    const std::string text = "not a picture\n";
    ASSERT_TRUE(WriteFileBytes(dir.File("empty.jpg"), {}));
    ASSERT_TRUE(WriteFileBytes(dir.File("text.jpg"), std::vector<uint8_t>(text.begin(), text.end())));
    ASSERT_TRUE(WriteFileBytes(dir.File("huge.jpg"), huge));
    for (const char* name : {"empty.jpg", "text.jpg", "huge.jpg", "missing.jpg"}) {
        SCOPED_TRACE(name);
        const CliRun run = RunCli(dir, {"decode", dir.File(name), dir.File("out.ppm")});
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
        const CliRun run = RunCli(dir, args);
        ASSERT_EQ(run.status, 0) << run.err;
        ASSERT_NE(writeJPEGfile(dir.File("direct.jpg").c_str(), 99, 66, bgr.data(), quality), 0);
        EXPECT_EQ(ReadFileBytes(dir.File("cli.jpg")), ReadFileBytes(dir.File("direct.jpg")));
        const Picture back = DecodeJpeg(ReadFileBytes(dir.File("cli.jpg")));
        ASSERT_EQ(back.samples.size(), picture.samples.size());
        EXPECT_GT(Psnr(back.samples.data(), picture.samples.data(), picture.samples.size()), 25.0);
    }
}

TEST(CliCodec, BadArgumentsGiveUsage) {
    ScratchDir dir;
    ASSERT_TRUE(WriteFileBytes(dir.File("in.jpg"), EncodeJpeg(MakePhotoLike(8, 8, 1))));
    const std::string in = dir.File("in.jpg"), out = dir.File("out.ppm");
    const std::vector<std::vector<std::string>> cases = {
        {"decode"},
        {"decode", in},
        {"decode", in, out, "extra"},
        {"decode", in, out, "--scale"},
        {"decode", in, out, "--scale", "3"},
        {"decode", in, out, "--scale", "16"},
        {"decode", in, out, "--scale", "two"},
        {"decode", in, out, "--fast"},
        {"encode", in},
        {"encode", in, out, "--quality", "0"},
        {"encode", in, out, "--quality", "101"},
        {"encode", in, out, "--quality", "9x"},
        {"encode", in, out, "--quality"},
        {"encode", in, out, "-q", "50"},
    };
    for (const auto& args : cases) {
        std::string joined;
        for (const auto& a : args) joined += a + " ";
        SCOPED_TRACE(joined);
        const CliRun run = RunCli(dir, args);
        EXPECT_EQ(run.status, 2);
        EXPECT_NE(run.err.find("usage"), std::string::npos) << run.err;
    }
    // A PPM that is not one.
    const CliRun run = RunCli(dir, {"encode", in, dir.File("x.jpg")});
    EXPECT_EQ(run.status, 2);
    EXPECT_FALSE(std::filesystem::exists(dir.File("x.jpg")));
}

}  // namespace
