// Damaged, forged and foreign files: refused or repaired, never a crash.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "codec/jpegcodec.h"
#include "codec_test_util.h"

using namespace codectest;

namespace {

// Position of the n-th (0-based) marker `code` (0xFF code) in JPEG bytes, or npos.
size_t FindMarker(const std::vector<uint8_t>& bytes, uint8_t code, int n = 0) {
    for (size_t i = 0; i + 1 < bytes.size(); ++i) {
        if (bytes[i] == 0xFF && bytes[i + 1] == code && n-- == 0) return i;
    }
    return std::string::npos;
}

// Frame headers with impossible sizes are refused before any pixel memory is asked for.
std::vector<uint8_t> WithSize(std::vector<uint8_t> jpeg, int width, int height) {
    const size_t sof = FindMarker(jpeg, 0xC0);  // FF C0, length, precision, height, width
    jpeg[sof + 5] = static_cast<uint8_t>(height >> 8);
    jpeg[sof + 6] = static_cast<uint8_t>(height);
    jpeg[sof + 7] = static_cast<uint8_t>(width >> 8);
    jpeg[sof + 8] = static_cast<uint8_t>(width);
    return jpeg;
}

TEST(CodecBadInput, FilesThatAreNotUsableJpegsAreRefused) {
    ScratchDir dir;
    const std::vector<uint8_t> good = EncodeJpeg(MakePhotoLike(64, 48, 1));
    std::vector<uint8_t> noise{0xFF, 0xD8};
    for (int i = 0; i < 3000; ++i) noise.push_back(static_cast<uint8_t>(i * 151 + 7));
    const std::vector<std::vector<uint8_t>> cases = {
        {},
        {'S', 'h', 'o', 'p', 'p', 'i', 'n', 'g', '\n'},
        {0xFF, 0xD8},
        {0xFF, 0xD8, 0xFF, 0xD9},
        std::vector<uint8_t>(good.begin(), good.begin() + static_cast<long>(FindMarker(good, 0xDA)) - 30),
        noise,
        WithSize(good, 0xFFFF, 0xFFFF),
        WithSize(good, 64, 0xFFFF),
        WithSize(good, 0xFFDD, 48),
        WithSize(good, 64, 0),
        WithSize(good, 0, 48),
    };
    std::vector<std::string> paths = {dir.File("missing.jpg"), dir.File("")};  // and a folder
    for (size_t i = 0; i < cases.size(); ++i) {
        paths.push_back(dir.File("case" + std::to_string(i) + ".jpg"));
        ASSERT_TRUE(WriteFileBytes(paths.back(), cases[i]));
    }
    for (const std::string& path : paths) {
        SCOPED_TRACE(path);
        int w = -1, h = -1, c = -1;
        EXPECT_EQ(getJPEGFileInfo(path.c_str(), &w, &h, &c), 0);
        EXPECT_EQ(w + h + c, 0);
        std::vector<uint8_t> dest(4096, kSentinel);
        EXPECT_EQ(readJPEGfile(dest.data(), 1), kJpegReadFailed);
        EXPECT_EQ(std::count(dest.begin(), dest.end(), kSentinel), 4096);
    }
    EXPECT_EQ(getJPEGFileInfo(nullptr, nullptr, nullptr, nullptr), 0);
}

// A file cut in the middle of its picture data opens like libjpeg's own tool opens it:
// what is there is decoded, the rest is filled with grey, and the result says so.
TEST(CodecBadInput, TruncatedFileDecodesWhatIsThere) {
    ScratchDir dir;
    for (bool progressive : {false, true}) {
        SCOPED_TRACE(progressive ? "progressive" : "baseline");
        const std::vector<uint8_t> full = EncodeJpeg(MakePhotoLike(160, 128, 21), {90, JCS_YCbCr, 2, 2, progressive});
        const size_t firstScan = FindMarker(full, 0xDA);
        const std::vector<uint8_t> cut(full.begin(), full.begin() + static_cast<long>(firstScan + (full.size() - firstScan) * 6 / 10));
        ASSERT_TRUE(WriteFileBytes(dir.File("cut.jpg"), cut));
        for (int divisor : {1, 4}) {
            const CodecDecode d = DecodeWithCodec(dir.File("cut.jpg"), divisor);
            EXPECT_EQ(d.result, kJpegReadRepaired);
            EXPECT_TRUE(d.GuardIntact());
            int warnings = 0;
            const Picture reference = DecodeJpeg(cut, divisor, &warnings);
            EXPECT_GT(warnings, 0);
            EXPECT_EQ(CountDifferences(d, reference), 0);
        }
    }
}

// An error found only while decoding (after the header was accepted) fails the read and
// leaves the destination as it was.
TEST(CodecBadInput, ErrorAfterHeaderLeavesDestinationAlone) {
    ScratchDir dir;
    std::vector<uint8_t> bytes = EncodeJpeg(MakePhotoLike(96, 64, 3), {90, JCS_YCbCr, 2, 2, true});
    const size_t secondScan = FindMarker(bytes, 0xDA, 1);
    // SOS: FF DA, length, Ns, Ns x (id, tables), Ss, Se, Ah/Al. Al 14 is out of range.
    bytes[secondScan + 5 + 2 * bytes[secondScan + 4] + 2] = 0x0E;
    ASSERT_TRUE(WriteFileBytes(dir.File("badscan.jpg"), bytes));
    for (int divisor : {1, 8}) {
        const CodecDecode d = DecodeWithCodec(dir.File("badscan.jpg"), divisor);
        ASSERT_NE(d.info, 0);
        EXPECT_EQ(d.result, kJpegReadFailed);
        EXPECT_EQ(std::count(d.buffer.begin(), d.buffer.end(), kSentinel), static_cast<long>(d.buffer.size()));
    }
}

// A progressive file made of thousands of tiny scans is refused instead of keeping a
// thumbnail worker busy for a long time.
TEST(CodecBadInput, EndlessScanFileIsRefused) {
    EncodeOptions options;
    options.scans.push_back({3, {0, 1, 2, 0}, 0, 0, 0, 0});
    for (int component = 0; component < 3; ++component) {
        for (int k = 1; k < 64; ++k) {
            options.scans.push_back({1, {component, 0, 0, 0}, k, k, 0, 10});
            for (int al = 9; al >= 0; --al) options.scans.push_back({1, {component, 0, 0, 0}, k, k, al + 1, al});
        }
    }
    ASSERT_GT(options.scans.size(), 2000u);
    ScratchDir dir;
    ASSERT_TRUE(WriteFileBytes(dir.File("scans.jpg"), EncodeJpeg(MakePhotoLike(16, 16, 1), options)));
    const CodecDecode d = DecodeWithCodec(dir.File("scans.jpg"), 1);
    ASSERT_NE(d.info, 0);
    EXPECT_EQ(d.result, kJpegReadFailed);
}

}  // namespace
