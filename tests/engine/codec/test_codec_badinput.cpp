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

void ExpectRefused(const std::string& path) {
    int w = -1, h = -1, c = -1;
    EXPECT_EQ(getJPEGFileInfo(path.c_str(), &w, &h, &c), 0);
    EXPECT_EQ(w, 0);
    EXPECT_EQ(h, 0);
    EXPECT_EQ(c, 0);
    std::vector<uint8_t> dest(4096, kSentinel);
    EXPECT_EQ(readJPEGfile(dest.data(), 1), kJpegReadFailed);
    EXPECT_EQ(std::count(dest.begin(), dest.end(), kSentinel), 4096);
}

TEST(CodecBadInput, FilesThatAreNotJpegAreRefused) {
    ScratchDir dir;
    const std::vector<uint8_t> good = EncodeJpeg(MakePhotoLike(64, 48, 1));
    const size_t sos = FindMarker(good, 0xDA);
    ASSERT_NE(sos, std::string::npos);
    const std::string text = "Shopping list:\n- milk\n- bread\n";
    struct Case {
        const char* name;
        std::vector<uint8_t> bytes;
    } cases[] = {
        {"empty.jpg", {}},
        {"text.jpg", std::vector<uint8_t>(text.begin(), text.end())},
        {"soi-only.jpg", {0xFF, 0xD8}},
        {"soi-eoi.jpg", {0xFF, 0xD8, 0xFF, 0xD9}},
        {"header-cut.jpg", std::vector<uint8_t>(good.begin(), good.begin() + static_cast<long>(sos) - 30)},
        {"soi-then-noise.jpg", [] {
             std::vector<uint8_t> b{0xFF, 0xD8};
             for (int i = 0; i < 3000; ++i) b.push_back(static_cast<uint8_t>(i * 151 + 7));
             return b;
         }()},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string path = dir.File(c.name);
        ASSERT_TRUE(WriteFileBytes(path, c.bytes));
        ExpectRefused(path);
    }
    ExpectRefused(dir.File("missing.jpg"));
    ExpectRefused(dir.File(""));  // a folder
    EXPECT_EQ(getJPEGFileInfo(nullptr, nullptr, nullptr, nullptr), 0);
}

// Frame headers with impossible sizes are refused before any pixel memory is asked for.
TEST(CodecBadInput, ForgedPictureSizesAreRefused) {
    ScratchDir dir;
    const std::vector<uint8_t> good = EncodeJpeg(MakePhotoLike(64, 48, 1));
    const size_t sof = FindMarker(good, 0xC0);
    ASSERT_NE(sof, std::string::npos);
    // SOF0: FF C0, length (2), precision (1), height (2), width (2).
    for (auto [height, width] : {std::pair{0xFFFF, 0xFFFF}, std::pair{0xFFFF, 64}, std::pair{48, 0xFFDD},
                                 std::pair{0, 64}, std::pair{48, 0}}) {
        SCOPED_TRACE(std::to_string(width) + "x" + std::to_string(height));
        std::vector<uint8_t> forged = good;
        forged[sof + 5] = static_cast<uint8_t>(height >> 8);
        forged[sof + 6] = static_cast<uint8_t>(height);
        forged[sof + 7] = static_cast<uint8_t>(width >> 8);
        forged[sof + 8] = static_cast<uint8_t>(width);
        const std::string path = dir.File("forged.jpg");
        ASSERT_TRUE(WriteFileBytes(path, forged));
        ExpectRefused(path);
    }
}

// A file cut in the middle of its picture data opens like libjpeg's own tool opens it:
// what is there is decoded, the rest is filled with grey, and the result says so.
TEST(CodecBadInput, TruncatedFileDecodesWhatIsThere) {
    ScratchDir dir;
    for (bool progressive : {false, true}) {
        SCOPED_TRACE(progressive ? "progressive" : "baseline");
        const std::vector<uint8_t> full =
            EncodeJpeg(MakePhotoLike(160, 128, 21), {90, JCS_YCbCr, 2, 2, progressive, 0});
        const size_t firstScan = FindMarker(full, 0xDA);
        const size_t cut = firstScan + (full.size() - firstScan) * 6 / 10;
        const std::vector<uint8_t> truncated(full.begin(), full.begin() + static_cast<long>(cut));
        const std::string path = dir.File("cut.jpg");
        ASSERT_TRUE(WriteFileBytes(path, truncated));

        for (int divisor : {1, 4}) {
            SCOPED_TRACE(divisor);
            const CodecDecode d = DecodeWithCodec(path, divisor);
            ASSERT_NE(d.info, 0);
            EXPECT_EQ(d.result, kJpegReadRepaired);
            EXPECT_TRUE(d.GuardIntact());
            int warnings = 0;
            const Picture reference = DecodeJpeg(truncated, divisor, &warnings);
            EXPECT_GT(warnings, 0);
            EXPECT_EQ(CountDifferences(d, reference), 0);
        }
        if (!progressive) {
            // The top rows are intact and the bottom row is plain grey.
            const CodecDecode d = DecodeWithCodec(path, 1);
            const Picture whole = DecodeJpeg(full);
            for (int y = 0; y < 32; ++y) {
                for (int x = 0; x < 160; ++x) {
                    for (int c = 0; c < 3; ++c) ASSERT_EQ(d.Pixel(x, y)[c], whole.Pixel(x, y)[2 - c]);
                }
            }
            for (int x = 0; x < 160; ++x) {
                for (int c = 0; c < 3; ++c) ASSERT_EQ(d.Pixel(x, 127)[c], 128);
            }
        }
    }
}

// An error found only while decoding (after the header was accepted) fails the read and
// leaves the destination as it was.
TEST(CodecBadInput, ErrorAfterHeaderLeavesDestinationAlone) {
    ScratchDir dir;
    std::vector<uint8_t> bytes = EncodeJpeg(MakePhotoLike(96, 64, 3), {90, JCS_YCbCr, 2, 2, true, 0});
    const size_t secondScan = FindMarker(bytes, 0xDA, 1);
    ASSERT_NE(secondScan, std::string::npos);
    // SOS: FF DA, length, Ns, Ns x (id, tables), Ss, Se, Ah/Al. Al 14 is out of range.
    const size_t components = bytes[secondScan + 4];
    bytes[secondScan + 5 + 2 * components + 2] = 0x0E;
    const std::string path = dir.File("badscan.jpg");
    ASSERT_TRUE(WriteFileBytes(path, bytes));
    for (int divisor : {1, 8}) {
        const CodecDecode d = DecodeWithCodec(path, divisor);
        ASSERT_NE(d.info, 0);
        EXPECT_EQ(d.result, kJpegReadFailed);
        EXPECT_EQ(std::count(d.buffer.begin(), d.buffer.end(), kSentinel), static_cast<long>(d.buffer.size()));
    }
}

// A progressive file made of thousands of tiny scans is refused instead of keeping a
// thumbnail worker busy for a long time.
TEST(CodecBadInput, EndlessScanFileIsRefused) {
    std::vector<jpeg_scan_info> script;
    script.push_back({3, {0, 1, 2, 0}, 0, 0, 0, 0});
    for (int component = 0; component < 3; ++component) {
        for (int k = 1; k < 64; ++k) {
            script.push_back({1, {component, 0, 0, 0}, k, k, 0, 10});
            for (int al = 9; al >= 0; --al) script.push_back({1, {component, 0, 0, 0}, k, k, al + 1, al});
        }
    }
    ASSERT_GT(script.size(), 2000u);
    const Picture picture = MakePhotoLike(16, 16, 1);
    jpeg_compress_struct cinfo{};
    detail::Error err{};
    detail::Init(err);
    cinfo.err = &err.pub;
    unsigned char* buffer = nullptr;
    unsigned long size = 0;
    jpeg_create_compress(&cinfo);
    const bool encoded = detail::Guarded(err, [&] {
        jpeg_mem_dest(&cinfo, &buffer, &size);
        cinfo.image_width = cinfo.image_height = 16;
        cinfo.input_components = 3;
        cinfo.in_color_space = JCS_RGB;
        jpeg_set_defaults(&cinfo);
        cinfo.scan_info = script.data();
        cinfo.num_scans = static_cast<int>(script.size());
        jpeg_start_compress(&cinfo, TRUE);
        for (int y = 0; y < 16; ++y) {
            JSAMPROW row = const_cast<JSAMPROW>(picture.Pixel(0, y));
            jpeg_write_scanlines(&cinfo, &row, 1);
        }
        jpeg_finish_compress(&cinfo);
    });
    jpeg_destroy_compress(&cinfo);
    ASSERT_TRUE(encoded);
    const std::vector<uint8_t> bytes(buffer, buffer + size);
    std::free(buffer);

    ScratchDir dir;
    const std::string path = dir.File("scans.jpg");
    ASSERT_TRUE(WriteFileBytes(path, bytes));
    const CodecDecode d = DecodeWithCodec(path, 1);
    ASSERT_NE(d.info, 0);
    EXPECT_EQ(d.result, kJpegReadFailed);
}

}  // namespace
