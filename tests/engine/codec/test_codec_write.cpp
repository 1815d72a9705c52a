// Encoding: round trips, identity with libjpeg, quality, and failures that leave no file.
#include <gtest/gtest.h>

#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <filesystem>
#include <string>
#include <tuple>
#include <vector>

#include "codec/jpegcodec.h"
#include "codec_test_util.h"

using namespace codectest;

namespace {

// writeJPEGfile of `picture` at `quality`, with noise in the row padding the encoder must
// skip; the file's bytes, empty on failure.
std::vector<uint8_t> Encode(const ScratchDir& dir, const Picture& picture, int quality) {
    const std::string path = dir.File("out.jpg");
    const std::vector<uint8_t> bgr = ToBgrRows(picture, 0xA7);
    if (!writeJPEGfile(path.c_str(), picture.width, picture.height, bgr.data(), quality)) return {};
    return ReadFileBytes(path);
}

TEST(CodecWrite, RoundTripGetsBetterAndLargerWithQuality) {
    ScratchDir dir;
    const Picture picture = MakePhotoLike(333, 201, 11);
    const std::vector<uint8_t> original = ToBgrRows(picture);
    double previousPsnr = 0;
    size_t previousSize = 0;
    for (int quality : {50, 90, 100}) {
        SCOPED_TRACE(quality);
        const std::vector<uint8_t> jpeg = Encode(dir, picture, quality);
        const CodecDecode d = DecodeWithCodec(dir.File("out.jpg"), 1);
        ASSERT_EQ(d.result, kJpegReadOk);
        const double psnr = Psnr(d.buffer.data(), original.data(), original.size());
        EXPECT_GT(psnr, 28.0);
        EXPECT_GT(psnr, previousPsnr);
        EXPECT_GT(jpeg.size(), previousSize);
        previousPsnr = psnr;
        previousSize = jpeg.size();
    }
}

// The component writes what libjpeg writes with its standard settings (baseline, 4:2:0)
// for the same pixels, replacing whatever was at the path; quality is clamped to 1..100.
TEST(CodecWrite, SameBytesAsLibjpegStandardSettings) {
    ScratchDir dir;
    ASSERT_TRUE(WriteFileBytes(dir.File("out.jpg"), std::vector<uint8_t>(500000, 0x55)));
    for (auto [width, height, quality] : {std::tuple{333, 201, 90}, std::tuple{17, 9, 75}, std::tuple{640, 1, 100}}) {
        SCOPED_TRACE(std::to_string(width) + "x" + std::to_string(height));
        const Picture picture = MakePhotoLike(width, height, 12);
        EXPECT_EQ(Encode(dir, picture, quality), EncodeJpeg(picture, {quality}));
    }
    const Picture picture = MakePhotoLike(64, 64, 5);
    EXPECT_EQ(Encode(dir, picture, -20), EncodeJpeg(picture, {1}));
    EXPECT_EQ(Encode(dir, picture, 250), EncodeJpeg(picture, {100}));
}

TEST(CodecWrite, BadArgumentsTouchNothing) {
    ScratchDir dir;
    const std::string path = dir.File("keep.jpg");
    const std::vector<uint8_t> original(1000, 0x42);
    ASSERT_TRUE(WriteFileBytes(path, original));
    const std::vector<uint8_t> bgr(64 * 64 * 3, 0);
    EXPECT_EQ(writeJPEGfile(path.c_str(), 0, 10, bgr.data(), 90), 0);
    EXPECT_EQ(writeJPEGfile(path.c_str(), 10, -1, bgr.data(), 90), 0);
    EXPECT_EQ(writeJPEGfile(path.c_str(), 70000, 1, bgr.data(), 90), 0);
    EXPECT_EQ(writeJPEGfile(path.c_str(), 10, 10, nullptr, 90), 0);
    EXPECT_EQ(writeJPEGfile(nullptr, 10, 10, bgr.data(), 90), 0);
    EXPECT_EQ(ReadFileBytes(path), original);
    EXPECT_EQ(writeJPEGfile(dir.File("no/such.jpg").c_str(), 10, 10, bgr.data(), 90), 0);
    std::filesystem::create_directory(dir.File("folder"));
    EXPECT_EQ(writeJPEGfile(dir.File("folder").c_str(), 10, 10, bgr.data(), 90), 0);
    EXPECT_TRUE(std::filesystem::is_directory(dir.File("folder")));
}

// A write that fails half-way (here: the file size limit) reports failure and leaves no
// partial file behind. Runs in a child process so that the limit binds nothing else.
TEST(CodecWrite, FailedWriteRemovesPartialFile) {
    ScratchDir dir;
    const std::string path = dir.File("partial.jpg");
    const std::vector<uint8_t> bgr = ToBgrRows(MakePhotoLike(800, 600, 9));
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        std::signal(SIGXFSZ, SIG_IGN);
        rlimit limit{16384, 16384};
        setrlimit(RLIMIT_FSIZE, &limit);
        const int result = writeJPEGfile(path.c_str(), 800, 600, bgr.data(), 95);
        _exit((result != 0 ? 1 : 0) | (std::filesystem::exists(path) ? 2 : 0));
    }
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status) & 1, 0) << "write reported success";
    EXPECT_EQ(WEXITSTATUS(status) & 2, 0) << "partial file left behind";
}

}  // namespace
