// CJPEGDecoder against libjpeg-turbo (accurate integer transform) on generated images.
#include <gtest/gtest.h>

#include "core/memorymanager.h"
#include "decoder_test_util.h"

using namespace dectest;
using codectest::DecodeJpeg;
using codectest::EncodeJpeg;
using codectest::EncodeOptions;
using codectest::MakePhotoLike;

namespace {

std::vector<uint8_t> EncodeSample(int w, int h, int hs, int vs, bool progressive = false) {
    return EncodeJpeg(MakePhotoLike(w, h, 99), {90, JCS_YCbCr, hs, vs, progressive});
}

EncodeOptions Options(int quality, J_COLOR_SPACE space, int h, int v, bool progressive = false, int restart = 0,
                      std::vector<jpeg_scan_info> scans = {}) {
    EncodeOptions o(quality, space, h, v, progressive);
    o.restartInterval = restart;
    o.scans = std::move(scans);
    return o;
}

// The upsampling filters, the colour conversion tables and the integer transform are
// libjpeg-turbo's (fancy upsampling for 2x1 and 2x2, plain for 1x2), so the output must be
// identical. Below 5 pixels wide libjpeg-turbo replicates chroma where this decoder still
// filters, so narrower images are not compared.
TEST(JpegDecoderCompare, MatchesLibjpegExactly) {
    const std::vector<jpeg_scan_info> perComponent = {{1, {0}, 0, 63, 0, 0}, {1, {1}, 0, 63, 0, 0}, {1, {2}, 0, 63, 0, 0}};
    const std::vector<jpeg_scan_info> lumaThenChroma = {{1, {0}, 0, 63, 0, 0}, {2, {1, 2}, 0, 63, 0, 0}};
    EncodeOptions optimized = Options(85, JCS_YCbCr, 2, 2);
    optimized.optimize = true;
    const struct {
        const char* name;
        int width, height;
        EncodeOptions options;
    } cases[] = {
        {"baseline444", 173, 97, Options(85, JCS_YCbCr, 1, 1)},
        {"baseline422", 173, 97, Options(85, JCS_YCbCr, 2, 1)},
        {"baseline422even", 160, 120, Options(85, JCS_YCbCr, 2, 1)},
        {"baseline420", 173, 97, Options(85, JCS_YCbCr, 2, 2)},
        {"baseline420tiny", 1, 1, Options(85, JCS_YCbCr, 2, 2)},
        {"baseline420narrow", 5, 45, Options(85, JCS_YCbCr, 2, 2)},
        {"baseline1x2", 173, 97, Options(85, JCS_YCbCr, 1, 2)},
        {"grey", 173, 97, Options(85, JCS_GRAYSCALE, 1, 1)},
        {"restart420", 173, 97, Options(85, JCS_YCbCr, 2, 2, false, 3)},
        {"restart444every", 64, 40, Options(85, JCS_YCbCr, 1, 1, false, 1)},
        {"progressive420", 173, 97, Options(85, JCS_YCbCr, 2, 2, true)},
        {"progressive1x2", 173, 97, Options(85, JCS_YCbCr, 1, 2, true)},
        {"progressive422restart", 173, 97, Options(85, JCS_YCbCr, 2, 1, true, 2)},
        {"progressiveGrey", 173, 97, Options(85, JCS_GRAYSCALE, 1, 1, true)},
        {"optimized420", 173, 97, optimized},
        {"quality100progressive", 96, 64, Options(100, JCS_YCbCr, 2, 2, true)},
        {"quality5", 96, 64, Options(5, JCS_YCbCr, 2, 2)},
        {"adobeRgb", 173, 97, Options(85, JCS_RGB, 1, 1)},
        {"cmyk", 61, 37, Options(85, JCS_CMYK, 1, 1)},
        {"ycckProgressive", 61, 37, Options(85, JCS_YCCK, 2, 2, true)},
        // Several sequential scans go through the whole-image coefficient buffer.
        {"scanPerComponent444", 131, 77, Options(85, JCS_YCbCr, 1, 1, false, 0, perComponent)},
        {"scanPerComponent420", 131, 77, Options(85, JCS_YCbCr, 2, 2, false, 0, perComponent)},
        {"lumaThenChroma444", 131, 77, Options(85, JCS_YCbCr, 1, 1, false, 4, lumaThenChroma)},
        {"lumaThenChroma420", 131, 77, Options(85, JCS_YCbCr, 2, 2, false, 4, lumaThenChroma)},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const J_COLOR_SPACE space = c.options.fileColorSpace;
        const bool cmyk = space == JCS_CMYK || space == JCS_YCCK, plain = c.options.lumaH == 1 && c.options.lumaV == 2;
        const int components = cmyk ? 4 : space == JCS_GRAYSCALE ? 1 : 3;
        const std::vector<uint8_t> jpeg = EncodeJpeg(MakePhotoLike(c.width, c.height, 7u + c.width, components), c.options);
        ASSERT_FALSE(jpeg.empty());
        int warnings = -1;
        const Picture expected = DecodeJpeg(jpeg, 1, &warnings, cmyk ? JCS_CMYK : JCS_EXT_BGR, !plain);
        ASSERT_EQ(warnings, 0);
        const Result own = DecodeOwn(jpeg, cmyk ? jpegdec::kColorCMYK : jpegdec::kColorBGR, cmyk ? 4 : 3);
        ASSERT_EQ(own.status, jpegdec::kOk);
        EXPECT_EQ(MaxDifference(own.image, expected), 0);
    }
}

TEST(JpegDecoder, ReportsTheFrameAndProgressiveEqualsSequential) {
    const Result r = DecodeOwn(EncodeSample(160, 120, 2, 1));
    EXPECT_EQ(r.precision, 8);
    EXPECT_EQ(r.colorSpace, jpegdec::kColorYCbCr);
    const std::pair<std::pair<int, int>, int> classes[] = {
        {{1, 1}, jpegdec::kSampling444}, {{1, 2}, jpegdec::kSampling1x2}, {{2, 2}, jpegdec::kSampling420}, {{2, 1}, jpegdec::kSampling422}};
    for (const auto& [factors, sampling] : classes) {
        const Result sequential = DecodeOwn(EncodeSample(150, 101, factors.first, factors.second));
        const Result progressive = DecodeOwn(EncodeSample(150, 101, factors.first, factors.second, true));
        EXPECT_EQ(sequential.sampling, sampling);
        EXPECT_EQ(progressive.sampling, sampling);
        EXPECT_EQ(progressive.image.samples, sequential.image.samples) << sampling;
    }
}

TEST(JpegDecoder, RgbAndGreyOutputs) {
    const std::vector<uint8_t> jpeg = EncodeSample(45, 33, 2, 2);
    const Result bgr = DecodeOwn(jpeg), rgb = DecodeOwn(jpeg, jpegdec::kColorRGB, 3);
    ASSERT_TRUE(bgr.status == jpegdec::kOk && rgb.status == jpegdec::kOk);
    Picture swapped = bgr.image;
    for (size_t i = 0; i < swapped.samples.size(); i += 3) std::swap(swapped.samples[i], swapped.samples[i + 2]);
    EXPECT_EQ(rgb.image.samples, swapped.samples);
    const std::vector<uint8_t> grey = EncodeJpeg(MakePhotoLike(70, 41, 5, 1), {85, JCS_GRAYSCALE, 1, 1});
    const Result own = DecodeOwn(grey, jpegdec::kColorGrey, 1);
    ASSERT_EQ(own.status, jpegdec::kOk);
    EXPECT_EQ(MaxDifference(own.image, DecodeJpeg(grey, 1, nullptr, JCS_GRAYSCALE)), 0);
}

// The 4:2:2 output keeps chroma at half width: every sample must equal libjpeg-turbo's
// component samples (plain upsampling repeats each chroma sample over its two pixels).
TEST(JpegDecoder, YCbCr422OutputInterleavesThePlanes) {
    const std::vector<uint8_t> jpeg = EncodeSample(77, 29, 2, 1);
    const Picture planes = DecodeJpeg(jpeg, 1, nullptr, JCS_YCbCr, false);
    const Result r = DecodeOwn(jpeg, jpegdec::kColorYCbCr, 2, jpegdec::kSampling422);
    ASSERT_EQ(r.status, jpegdec::kOk);
    for (int y = 0; y < 29; ++y) {
        const uint8_t* row = r.raw.data() + static_cast<size_t>(y) * r.stride;
        for (int i = 0; i < 39; ++i) {
            ASSERT_EQ(row[4 * i], planes.Pixel(2 * i, y)[0]);
            ASSERT_EQ(row[4 * i + 1], planes.Pixel(2 * i, y)[1]);
            ASSERT_EQ(row[4 * i + 3], planes.Pixel(2 * i, y)[2]);
            if (2 * i + 1 < 77) {
                ASSERT_EQ(row[4 * i + 2], planes.Pixel(2 * i + 1, y)[0]);
            }
        }
    }
}

TEST(JpegDecoder, UnsupportedUpsamplingAndConversionsAreRefused) {
    EXPECT_EQ(DecodeOwn(EncodeSample(64, 16, 4, 1)).status, jpegdec::kUnsupported);  // 4:1:1 has no filter
    EXPECT_EQ(DecodeOwn(EncodeSample(32, 32, 2, 2), jpegdec::kColorYCbCr, 2, jpegdec::kSampling422).status,
              jpegdec::kUnsupported);  // YCbCr output of another sampling
    EXPECT_EQ(DecodeOwn(EncodeSample(16, 16, 2, 2), jpegdec::kColorBGR, 4).status, jpegdec::kUnsupported);
    const Result cmyk = DecodeOwn(EncodeJpeg(MakePhotoLike(16, 16, 3, 4), {85, JCS_CMYK, 1, 1}));
    EXPECT_EQ(cmyk.colorSpace, jpegdec::kColorCMYK);
    EXPECT_EQ(cmyk.status, jpegdec::kUnsupported);
}

// Clean gives every block back, so a second round reuses them all.
TEST(JpegDecoder, ReuseAfterCleanGivesTheSameImageAndReleasesBuffers) {
    CMemoryManager::Options options;
    options.reaperPeriod = std::chrono::milliseconds(0);
    CMemoryManager allocator(options);
    CJPEGDecoder decoder(&allocator);
    const std::vector<uint8_t> first = EncodeSample(120, 90, 2, 2, true), second = EncodeSample(64, 48, 1, 1);
    const Result a = DecodeOwn(first, jpegdec::kColorBGR, 3, 0, &decoder);
    const Result b = DecodeOwn(second, jpegdec::kColorBGR, 3, 0, &decoder);
    const uint64_t allocations = allocator.SystemAllocations();
    EXPECT_EQ(DecodeOwn(first, jpegdec::kColorBGR, 3, 0, &decoder).image.samples, a.image.samples);
    EXPECT_EQ(DecodeOwn(second, jpegdec::kColorBGR, 3, 0, &decoder).image.samples, b.image.samples);
    EXPECT_EQ(a.image.samples, DecodeOwn(first).image.samples);
    EXPECT_EQ(allocator.SystemAllocations(), allocations);

    // A decode that stopped part way (inside a progressive scan, with an end-of-band run or
    // predictors pending) leaves no state behind for the next image.
    for (size_t keep : {first.size() / 3, first.size() * 2 / 3, first.size() - 40}) {
        const std::vector<uint8_t> cut(first.begin(), first.begin() + long(keep));
        EXPECT_NE(DecodeOwn(cut, jpegdec::kColorBGR, 3, 0, &decoder).status, jpegdec::kOk) << keep;
        EXPECT_EQ(DecodeOwn(second, jpegdec::kColorBGR, 3, 0, &decoder).image.samples, b.image.samples) << keep;
    }
}

TEST(JpegDecoder, KeepsTheFirstApp1Payload) {
    std::vector<uint8_t> jpeg = EncodeSample(16, 16, 1, 1);
    const uint8_t app1[] = {0xFF, 0xE1, 0x00, 0x08, 'E', 'x', 'i', 'f', 0, 0};
    jpeg.insert(jpeg.begin() + 2, std::begin(app1), std::end(app1));
    CJPEGDecoder decoder;
    decoder.SetSource(jpeg.data(), jpeg.size());
    int w, h, n, p, cs, s;
    ASSERT_EQ(decoder.ReadHeader(w, h, n, p, cs, s), jpegdec::kOk);
    EXPECT_EQ(decoder.App1(), (std::vector<uint8_t>{'E', 'x', 'i', 'f', 0, 0}));
}

}  // namespace
