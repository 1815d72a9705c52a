// Decoding: sizes at every divisor, identity with libjpeg's own output, the open/read rules.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "codec/jpegcodec.h"
#include "codec_test_util.h"

using namespace codectest;

namespace {

// Odd sizes make every divisor round up and every stride carry padding. The comparison
// reverses the channels, so it pins the blue-green-red order too.
TEST(CodecRead, MatchesLibjpegWithCeilSizesAndStride) {
    struct Kind {
        const char* name;
        EncodeOptions options;
        int components;
    };
    const Kind kinds[] = {
        {"baseline420", {}, 3},
        {"baseline422", {75, JCS_YCbCr, 2, 1}, 3},
        {"progressive444", {85, JCS_YCbCr, 1, 1, true}, 3},
        {"restarts420", {90, JCS_YCbCr, 2, 2, false, 1}, 3},
        {"rgbColourSpace", {90, JCS_RGB, 1, 1}, 3},
        {"greyscale", {90, JCS_GRAYSCALE, 1, 1}, 1},
    };
    ScratchDir dir;
    const std::string path = dir.File("picture.jpg");
    for (const Kind& kind : kinds) {
        const std::vector<uint8_t> jpeg = EncodeJpeg(MakePhotoLike(101, 77, 7, kind.components), kind.options);
        ASSERT_TRUE(WriteFileBytes(path, jpeg));
        for (int divisor : {0, 1, 2, 4, 8}) {
            SCOPED_TRACE(std::string(kind.name) + " 1/" + std::to_string(divisor));
            const CodecDecode d = DecodeWithCodec(path, divisor);
            ASSERT_NE(d.info, 0);
            EXPECT_EQ(d.width, 101);
            EXPECT_EQ(d.height, 77);
            EXPECT_EQ(d.components, kind.components);
            EXPECT_EQ(d.result, kJpegReadOk);
            EXPECT_TRUE(d.GuardIntact());
            EXPECT_EQ(CountDifferences(d, DecodeJpeg(jpeg, std::max(divisor, 1))), 0);
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
        ASSERT_TRUE(WriteFileBytes(path, EncodeJpeg(cmyk, {95, space, 1, 1})));
        const CodecDecode d = DecodeWithCodec(path, 1);
        ASSERT_EQ(d.result, kJpegReadOk);
        EXPECT_EQ(d.components, 4);
        EXPECT_TRUE(d.GuardIntact());
        std::vector<uint8_t> got;
        for (int y = 0; y < 48; ++y) got.insert(got.end(), d.Pixel(0, y), d.Pixel(0, y) + 64 * 3);
        EXPECT_GT(Psnr(got.data(), expectedBgr.data(), got.size()), 32.0);
        const CodecDecode eighth = DecodeWithCodec(path, 8);
        EXPECT_EQ(eighth.result, kJpegReadOk);
        EXPECT_EQ(eighth.outWidth, 8);
        EXPECT_TRUE(eighth.GuardIntact());
    }
}

// A read needs a file opened on this thread, a known divisor and a destination; it
// consumes the file, and a later (even failed) open replaces an earlier one.
TEST(CodecRead, ReadUsesTheLastOpenedFileOnce) {
    ScratchDir dir;
    const std::string first = dir.File("first.jpg"), second = dir.File("second.jpg");
    ASSERT_TRUE(WriteFileBytes(first, EncodeJpeg(MakePhotoLike(16, 16, 1))));
    ASSERT_TRUE(WriteFileBytes(second, EncodeJpeg(MakePhotoLike(20, 10, 2))));
    std::vector<uint8_t> dest(16 * 48, kSentinel);
    EXPECT_EQ(readJPEGfile(dest.data(), 1), kJpegReadFailed);
    for (int divisor : {3, 16, -1}) {
        ASSERT_NE(getJPEGFileInfo(first.c_str(), nullptr, nullptr, nullptr), 0);
        EXPECT_EQ(readJPEGfile(dest.data(), divisor), kJpegReadFailed) << divisor;
    }
    ASSERT_NE(getJPEGFileInfo(first.c_str(), nullptr, nullptr, nullptr), 0);
    EXPECT_EQ(readJPEGfile(nullptr, 1), kJpegReadFailed);
    EXPECT_EQ(std::count(dest.begin(), dest.end(), kSentinel), static_cast<long>(dest.size()));

    ASSERT_NE(getJPEGFileInfo(first.c_str(), nullptr, nullptr, nullptr), 0);
    const CodecDecode d = DecodeWithCodec(second, 1);
    EXPECT_EQ(d.result, kJpegReadOk);
    EXPECT_EQ(CountDifferences(d, DecodeJpeg(ReadFileBytes(second))), 0);
    EXPECT_EQ(readJPEGfile(dest.data(), 1), kJpegReadFailed);

    ASSERT_NE(getJPEGFileInfo(first.c_str(), nullptr, nullptr, nullptr), 0);
    int w = -1, h = -1, c = -1;
    EXPECT_EQ(getJPEGFileInfo(dir.File("missing.jpg").c_str(), &w, &h, &c), 0);
    EXPECT_EQ(w + h + c, 0);
    EXPECT_EQ(readJPEGfile(dest.data(), 1), kJpegReadFailed);
}

// Row progress rises to the picture's height, a row is reported only once it is in place,
// and the pixels are those of a plain read, for colour and CMYK files at every scale.
TEST(CodecRead, RowProgressReportsFinishedRowsOnly) {
    ScratchDir dir;
    const std::string colour = dir.File("colour.jpg"), cmyk = dir.File("cmyk.jpg");
    ASSERT_TRUE(WriteFileBytes(colour, EncodeJpeg(MakePhotoLike(70, 90, 3))));
    const Picture rgb = MakePhotoLike(40, 37, 4);
    Picture ink{40, 37, 4, {}};
    for (size_t i = 0; i < rgb.samples.size(); i += 3)
        ink.samples.insert(ink.samples.end(), {rgb.samples[i], rgb.samples[i + 1], rgb.samples[i + 2], 200});
    ASSERT_TRUE(WriteFileBytes(cmyk, EncodeJpeg(ink, {90, JCS_CMYK, 1, 1})));
    for (const std::string& path : {colour, cmyk}) {
        for (int divisor : {1, 4}) {
            SCOPED_TRACE(path + " / " + std::to_string(divisor));
            const CodecDecode plain = DecodeWithCodec(path, divisor);
            std::vector<uint8_t> dest(plain.buffer.size(), kSentinel);
            std::vector<int> reports;
            bool rowsInPlace = true;
            ASSERT_NE(getJPEGFileInfo(path.c_str(), nullptr, nullptr, nullptr), 0);
            const int result = readJPEGfile(dest.data(), divisor, [&](int rows) {
                reports.push_back(rows);
                // The last reported row is already written: it no longer holds the sentinel.
                const uint8_t* row = dest.data() + plain.stride * static_cast<size_t>(rows - 1);
                rowsInPlace = rowsInPlace && std::count(row, row + plain.outWidth * 3, kSentinel) < plain.outWidth * 3;
            });
            EXPECT_EQ(result, plain.result);
            EXPECT_EQ(dest, plain.buffer);
            ASSERT_FALSE(reports.empty());
            EXPECT_TRUE(std::is_sorted(reports.begin(), reports.end()));
            EXPECT_EQ(reports.back(), plain.outHeight);
            EXPECT_TRUE(rowsInPlace);
        }
    }
}

}  // namespace
