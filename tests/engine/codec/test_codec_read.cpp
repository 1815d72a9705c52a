// Decoding: sizes at every divisor, pixel layout, and identity with libjpeg's own output.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "codec/jpegcodec.h"
#include "codec_test_util.h"

using namespace codectest;

namespace {

struct FileKind {
    const char* name;
    EncodeOptions options;
    int components;  // samples per pixel of the source picture
};

Picture Grey(const Picture& rgb) {
    Picture grey{rgb.width, rgb.height, 1, {}};
    for (size_t i = 0; i + 2 < rgb.samples.size(); i += 3) grey.samples.push_back(rgb.samples[i + 1]);
    return grey;
}

const FileKind kKinds[] = {
    {"baseline420", {}, 3},
    {"baseline444", {90, JCS_YCbCr, 1, 1, false, 0}, 3},
    {"baseline422", {75, JCS_YCbCr, 2, 1, false, 0}, 3},
    {"progressive420", {85, JCS_YCbCr, 2, 2, true, 0}, 3},
    {"restarts420", {90, JCS_YCbCr, 2, 2, false, 1}, 3},
    {"rgbColourSpace", {90, JCS_RGB, 1, 1, false, 0}, 3},
    {"greyscale", {90, JCS_GRAYSCALE, 1, 1, false, 0}, 1},
};

class CodecReadTest : public ::testing::TestWithParam<std::tuple<FileKind, int>> {};

// Odd sizes make every divisor round up and every stride carry padding.
TEST_P(CodecReadTest, MatchesLibjpegWithCeilSizesAndStride) {
    const auto& [kind, divisor] = GetParam();
    ScratchDir dir;
    const Picture rgb = MakePhotoLike(101, 77, 7);
    const std::vector<uint8_t> jpeg = EncodeJpeg(kind.components == 1 ? Grey(rgb) : rgb, kind.options);
    ASSERT_FALSE(jpeg.empty());
    const std::string path = dir.File("picture.jpg");
    ASSERT_TRUE(WriteFileBytes(path, jpeg));

    const CodecDecode d = DecodeWithCodec(path, divisor);
    ASSERT_NE(d.info, 0);
    EXPECT_EQ(d.width, 101);
    EXPECT_EQ(d.height, 77);
    EXPECT_EQ(d.components, kind.components);
    const int scale = divisor <= 1 ? 1 : divisor;
    EXPECT_EQ(d.outWidth, (101 + scale - 1) / scale);
    EXPECT_EQ(d.outHeight, (77 + scale - 1) / scale);
    EXPECT_EQ(d.result, kJpegReadOk);
    EXPECT_TRUE(d.GuardIntact());

    const Picture reference = DecodeJpeg(jpeg, scale);
    ASSERT_EQ(reference.width, d.outWidth);
    ASSERT_EQ(reference.height, d.outHeight);
    EXPECT_EQ(CountDifferences(d, reference), 0);
    if (kind.components == 1) {
        for (int y = 0; y < d.outHeight; ++y) {
            for (int x = 0; x < d.outWidth; ++x) {
                const uint8_t* p = d.Pixel(x, y);
                ASSERT_TRUE(p[0] == p[1] && p[1] == p[2]) << x << "," << y;
            }
        }
    }
}

INSTANTIATE_TEST_SUITE_P(AllKinds, CodecReadTest,
                         ::testing::Combine(::testing::ValuesIn(kKinds), ::testing::Values(0, 1, 2, 4, 8)),
                         [](const auto& info) {
                             return std::string(std::get<0>(info.param).name) + "_div" +
                                    std::to_string(std::get<1>(info.param));
                         });

TEST(CodecRead, PixelsAreBlueGreenRed) {
    ScratchDir dir;
    Picture red{48, 32, 3, {}};
    for (int i = 0; i < 48 * 32; ++i) red.samples.insert(red.samples.end(), {255, 0, 0});
    const std::string path = dir.File("red.jpg");
    ASSERT_TRUE(WriteFileBytes(path, EncodeJpeg(red)));
    const CodecDecode d = DecodeWithCodec(path, 1);
    ASSERT_EQ(d.result, kJpegReadOk);
    for (int y = 0; y < 32; ++y) {
        for (int x = 0; x < 48; ++x) {
            const uint8_t* p = d.Pixel(x, y);
            ASSERT_LT(p[0], 10) << "blue at " << x << "," << y;
            ASSERT_LT(p[1], 10) << "green at " << x << "," << y;
            ASSERT_GT(p[2], 245) << "red at " << x << "," << y;
        }
    }
}

// Adobe CMYK files store inverted ink (255 = none): with no black ink the colour channels
// are red, green and blue themselves; half black ink halves them.
TEST(CodecRead, CmykAndYcckBecomeBlueGreenRed) {
    ScratchDir dir;
    const Picture rgb = MakePhotoLike(64, 48, 3);
    Picture cmyk{64, 48, 4, {}};
    std::vector<uint8_t> expectedBgr;
    for (int y = 0; y < 48; ++y) {
        for (int x = 0; x < 64; ++x) {
            const uint8_t* p = rgb.Pixel(x, y);
            const uint8_t k = y < 24 ? 255 : 128;
            cmyk.samples.insert(cmyk.samples.end(), {p[0], p[1], p[2], k});
            for (int c = 2; c >= 0; --c) expectedBgr.push_back(static_cast<uint8_t>((p[c] * k + 127) / 255));
        }
    }
    for (J_COLOR_SPACE space : {JCS_CMYK, JCS_YCCK}) {
        SCOPED_TRACE(space == JCS_CMYK ? "CMYK" : "YCCK");
        const std::string path = dir.File("ink.jpg");
        ASSERT_TRUE(WriteFileBytes(path, EncodeJpeg(cmyk, {95, space, 1, 1, false, 0})));
        const CodecDecode d = DecodeWithCodec(path, 1);
        ASSERT_NE(d.info, 0);
        EXPECT_EQ(d.components, 4);
        ASSERT_EQ(d.result, kJpegReadOk);
        EXPECT_TRUE(d.GuardIntact());
        std::vector<uint8_t> got;
        for (int y = 0; y < 48; ++y) got.insert(got.end(), d.Pixel(0, y), d.Pixel(0, y) + 64 * 3);
        EXPECT_GT(Psnr(got.data(), expectedBgr.data(), got.size()), 32.0);

        // Scaled reads of four-component files give the scaled size too.
        const CodecDecode eighth = DecodeWithCodec(path, 8);
        EXPECT_EQ(eighth.result, kJpegReadOk);
        EXPECT_EQ(eighth.outWidth, 8);
        EXPECT_EQ(eighth.outHeight, 6);
        EXPECT_TRUE(eighth.GuardIntact());
    }
}

TEST(CodecRead, ReadWithoutOpenOrBadDivisorFails) {
    ScratchDir dir;
    const std::string path = dir.File("small.jpg");
    ASSERT_TRUE(WriteFileBytes(path, EncodeJpeg(MakePhotoLike(16, 16, 1))));
    std::vector<uint8_t> dest(16 * 48, kSentinel);

    EXPECT_EQ(readJPEGfile(dest.data(), 1), kJpegReadFailed);  // nothing opened on this thread

    int w = 0, h = 0, c = 0;
    for (int divisor : {3, 16, -1}) {
        ASSERT_NE(getJPEGFileInfo(path.c_str(), &w, &h, &c), 0);
        EXPECT_EQ(readJPEGfile(dest.data(), divisor), kJpegReadFailed) << divisor;
    }
    ASSERT_NE(getJPEGFileInfo(path.c_str(), &w, &h, &c), 0);
    EXPECT_EQ(readJPEGfile(nullptr, 1), kJpegReadFailed);
    EXPECT_EQ(std::count(dest.begin(), dest.end(), kSentinel), static_cast<long>(dest.size()));

    // A read consumes the opened file; a second read has nothing to decode.
    ASSERT_NE(getJPEGFileInfo(path.c_str(), nullptr, nullptr, nullptr), 0);
    EXPECT_EQ(readJPEGfile(dest.data(), 1), kJpegReadOk);
    EXPECT_EQ(readJPEGfile(dest.data(), 1), kJpegReadFailed);
}

TEST(CodecRead, LaterOpenReplacesEarlierOne) {
    ScratchDir dir;
    const std::string first = dir.File("first.jpg"), second = dir.File("second.jpg");
    ASSERT_TRUE(WriteFileBytes(first, EncodeJpeg(MakePhotoLike(40, 30, 1))));
    ASSERT_TRUE(WriteFileBytes(second, EncodeJpeg(MakePhotoLike(20, 10, 2))));
    int w = 0, h = 0, c = 0;
    ASSERT_NE(getJPEGFileInfo(first.c_str(), &w, &h, &c), 0);
    const CodecDecode d = DecodeWithCodec(second, 1);
    EXPECT_EQ(d.result, kJpegReadOk);
    EXPECT_EQ(CountDifferences(d, DecodeJpeg(ReadFileBytes(second))), 0);

    // A failed open forgets the earlier file too.
    ASSERT_NE(getJPEGFileInfo(first.c_str(), &w, &h, &c), 0);
    EXPECT_EQ(getJPEGFileInfo(dir.File("missing.jpg").c_str(), &w, &h, &c), 0);
    EXPECT_EQ(w, 0);
    std::vector<uint8_t> dest(40 * 3 * 30, 0);
    EXPECT_EQ(readJPEGfile(dest.data(), 1), kJpegReadFailed);
}

}  // namespace
