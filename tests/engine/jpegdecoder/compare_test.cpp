// CJPEGDecoder against libjpeg-turbo (accurate integer transform) on generated images.
#include <gtest/gtest.h>

#include "core/memorymanager.h"
#include "decoder_test_util.h"

using namespace dectest;
using refjpeg::Space;

namespace {

struct Case {
    const char* name;
    int width, height;
    Space input, jpegSpace;
    int hSamp, vSamp;
    int restart;
    bool progressive;
    bool optimize = false;
    int quality = 85;
};

void PrintTo(const Case& c, std::ostream* os) { *os << c.name; }

class CompareWithLibjpeg : public ::testing::TestWithParam<Case> {};

// The filters and the table-based colour conversion are the ones libjpeg-turbo uses for
// 2x1 and 2x2 (fancy upsampling) and the transform is the same integer method, so the
// output is expected to be identical. For 1x2 the chroma rows are repeated, which is
// libjpeg-turbo's plain (non-fancy) upsampling. Images at least 5 pixels wide: below that
// (chroma rows of 1 or 2 samples) libjpeg-turbo drops to plain replication while this
// decoder keeps the triangle filter.
TEST_P(CompareWithLibjpeg, MatchesExactly) {
    const Case& c = GetParam();
    int channels = c.input == Space::Grey ? 1 : (c.input == Space::CMYK ? 4 : 3);
    refjpeg::Image source = MakeImage(c.width, c.height, channels, 7u + c.width);
    refjpeg::EncodeOptions options;
    options.input = c.input;
    options.jpegSpace = c.jpegSpace;
    options.hSamp = c.hSamp;
    options.vSamp = c.vSamp;
    options.restartInterval = c.restart;
    options.progressive = c.progressive;
    options.optimize = c.optimize;
    options.quality = c.quality;
    std::vector<uint8_t> jpeg = refjpeg::Encode(source, options);
    ASSERT_FALSE(jpeg.empty());

    bool cmyk = c.input == Space::CMYK;
    refjpeg::DecodeOptions ref;
    ref.output = cmyk ? Space::CMYK : Space::BGR;
    ref.fancyUpsampling = !(c.hSamp == 1 && c.vSamp == 2);
    refjpeg::Decoded expected = refjpeg::Decode(jpeg, ref);
    ASSERT_TRUE(expected.ok) << expected.message;
    ASSERT_EQ(expected.warnings, 0);

    Result own = DecodeOwn(jpeg, cmyk ? jpegdec::kColorCMYK : jpegdec::kColorBGR, cmyk ? 4 : 3);
    ASSERT_EQ(own.status, jpegdec::kOk);
    EXPECT_EQ(own.width, c.width);
    EXPECT_EQ(own.height, c.height);
    EXPECT_EQ(own.stride, (c.width * (cmyk ? 4 : 3) + 3) & ~3);
    EXPECT_EQ(MaxDifference(own.image, expected.image), 0);
}

const Case kCases[] = {
    {"baseline444", 173, 97, Space::RGB, Space::YCbCr, 1, 1, 0, false},
    {"baseline422", 173, 97, Space::RGB, Space::YCbCr, 2, 1, 0, false},
    {"baseline422even", 160, 120, Space::RGB, Space::YCbCr, 2, 1, 0, false},
    {"baseline420", 173, 97, Space::RGB, Space::YCbCr, 2, 2, 0, false},
    {"baseline420even", 160, 120, Space::RGB, Space::YCbCr, 2, 2, 0, false},
    {"baseline420tiny", 1, 1, Space::RGB, Space::YCbCr, 2, 2, 0, false},
    {"baseline420narrow", 5, 45, Space::RGB, Space::YCbCr, 2, 2, 0, false},
    {"baseline420flat", 50, 2, Space::RGB, Space::YCbCr, 2, 2, 0, false},
    {"baseline1x2", 173, 97, Space::RGB, Space::YCbCr, 1, 2, 0, false},
    {"grey", 173, 97, Space::Grey, Space::Grey, 1, 1, 0, false},
    {"restart420", 173, 97, Space::RGB, Space::YCbCr, 2, 2, 3, false},
    {"restart444every", 64, 40, Space::RGB, Space::YCbCr, 1, 1, 1, false},
    {"restartGrey", 100, 30, Space::Grey, Space::Grey, 1, 1, 5, false},
    {"progressive420", 173, 97, Space::RGB, Space::YCbCr, 2, 2, 0, true},
    {"progressive422", 173, 97, Space::RGB, Space::YCbCr, 2, 1, 0, true},
    {"progressive444", 173, 97, Space::RGB, Space::YCbCr, 1, 1, 0, true},
    {"progressive1x2", 173, 97, Space::RGB, Space::YCbCr, 1, 2, 0, true},
    {"progressiveGrey", 173, 97, Space::Grey, Space::Grey, 1, 1, 0, true},
    {"progressiveRestart", 173, 97, Space::RGB, Space::YCbCr, 2, 2, 2, true},
    {"optimized420", 173, 97, Space::RGB, Space::YCbCr, 2, 2, 0, false, true},
    {"quality100", 96, 64, Space::RGB, Space::YCbCr, 2, 2, 0, false, false, 100},
    {"quality100progressive", 96, 64, Space::RGB, Space::YCbCr, 2, 2, 0, true, false, 100},
    {"quality5", 96, 64, Space::RGB, Space::YCbCr, 2, 2, 0, false, false, 5},
    {"adobeRgb", 173, 97, Space::RGB, Space::RGB, 1, 1, 0, false},
    {"adobeRgbProgressive", 173, 97, Space::RGB, Space::RGB, 1, 1, 0, true},
    {"cmyk", 61, 37, Space::CMYK, Space::CMYK, 1, 1, 0, false},
    {"ycck", 61, 37, Space::CMYK, Space::YCCK, 2, 2, 0, false},
    {"ycckProgressive", 61, 37, Space::CMYK, Space::YCCK, 2, 2, 0, true},
};

INSTANTIATE_TEST_SUITE_P(Generated, CompareWithLibjpeg, ::testing::ValuesIn(kCases),
                         [](const auto& info) { return std::string(info.param.name); });

std::vector<uint8_t> EncodeSample(int w, int h, int hs, int vs, bool progressive) {
    refjpeg::EncodeOptions options;
    options.hSamp = hs;
    options.vSamp = vs;
    options.progressive = progressive;
    options.quality = 90;
    return refjpeg::Encode(MakeImage(w, h, 3, 99), options);
}

TEST(JpegDecoder, ThumbnailSizedFourTwoTwoHasStandardStride) {
    Result r = DecodeOwn(EncodeSample(160, 120, 2, 1, false));
    ASSERT_EQ(r.status, jpegdec::kOk);
    EXPECT_EQ(r.width, 160);
    EXPECT_EQ(r.height, 120);
    EXPECT_EQ(r.components, 3);
    EXPECT_EQ(r.precision, 8);
    EXPECT_EQ(r.colorSpace, jpegdec::kColorYCbCr);
    EXPECT_EQ(r.sampling, jpegdec::kSampling422);
    EXPECT_EQ(r.stride, 480);
}

TEST(JpegDecoder, ReportsSamplingClasses) {
    EXPECT_EQ(DecodeOwn(EncodeSample(32, 32, 1, 1, false)).sampling, jpegdec::kSampling444);
    EXPECT_EQ(DecodeOwn(EncodeSample(32, 32, 1, 2, false)).sampling, jpegdec::kSampling1x2);
    EXPECT_EQ(DecodeOwn(EncodeSample(32, 32, 2, 2, false)).sampling, jpegdec::kSampling420);
    EXPECT_EQ(DecodeOwn(EncodeSample(32, 32, 2, 1, true)).sampling, jpegdec::kSampling422);
}

TEST(JpegDecoder, ProgressiveDecodesLikeItsSequentialEquivalent) {
    for (auto [hs, vs] : {std::pair{2, 2}, std::pair{2, 1}, std::pair{1, 1}}) {
        Result sequential = DecodeOwn(EncodeSample(150, 101, hs, vs, false));
        Result progressive = DecodeOwn(EncodeSample(150, 101, hs, vs, true));
        ASSERT_EQ(sequential.status, jpegdec::kOk);
        ASSERT_EQ(progressive.status, jpegdec::kOk);
        EXPECT_EQ(progressive.image.pixels, sequential.image.pixels) << hs << "x" << vs;
    }
}

// Several sequential scans go through the whole-image coefficient buffer.
TEST(JpegDecoder, SequentialImagesWithSeveralScans) {
    for (int layout : {1, 2}) {
        for (auto [hs, vs] : {std::pair{2, 2}, std::pair{1, 1}}) {
            refjpeg::EncodeOptions options;
            options.hSamp = hs;
            options.vSamp = vs;
            options.scanLayout = layout;
            options.restartInterval = layout == 2 ? 4 : 0;
            std::vector<uint8_t> jpeg = refjpeg::Encode(MakeImage(131, 77, 3, 4), options);
            ASSERT_FALSE(jpeg.empty());
            refjpeg::Decoded expected = refjpeg::Decode(jpeg, {Space::BGR, true});
            ASSERT_TRUE(expected.ok) << expected.message;
            Result own = DecodeOwn(jpeg);
            ASSERT_EQ(own.status, jpegdec::kOk) << layout;
            EXPECT_EQ(MaxDifference(own.image, expected.image), 0) << layout << " " << hs;
        }
    }
}

TEST(JpegDecoder, RgbOutputIsBgrReversed) {
    std::vector<uint8_t> jpeg = EncodeSample(45, 33, 2, 2, false);
    Result bgr = DecodeOwn(jpeg);
    Result rgb = DecodeOwn(jpeg, jpegdec::kColorRGB, 3);
    ASSERT_EQ(rgb.status, jpegdec::kOk);
    for (size_t i = 0; i < bgr.image.pixels.size(); i += 3) {
        ASSERT_EQ(rgb.image.pixels[i], bgr.image.pixels[i + 2]);
        ASSERT_EQ(rgb.image.pixels[i + 1], bgr.image.pixels[i + 1]);
        ASSERT_EQ(rgb.image.pixels[i + 2], bgr.image.pixels[i]);
    }
}

TEST(JpegDecoder, GreyToGreyAndGreyToBgr) {
    refjpeg::EncodeOptions options;
    options.input = options.jpegSpace = Space::Grey;
    std::vector<uint8_t> jpeg = refjpeg::Encode(MakeImage(70, 41, 1, 5), options);
    refjpeg::Decoded expected = refjpeg::Decode(jpeg, {Space::Grey, true});
    Result grey = DecodeOwn(jpeg, jpegdec::kColorGrey, 1);
    ASSERT_EQ(grey.status, jpegdec::kOk);
    EXPECT_EQ(grey.colorSpace, jpegdec::kColorGrey);
    EXPECT_EQ(MaxDifference(grey.image, expected.image), 0);
    Result bgr = DecodeOwn(jpeg);
    ASSERT_EQ(bgr.status, jpegdec::kOk);
    for (size_t i = 0; i < grey.image.pixels.size(); ++i)
        ASSERT_EQ(bgr.image.pixels[3 * i + 1], grey.image.pixels[i]);
}

// The 4:2:2 output keeps chroma at half width: every sample must equal libjpeg-turbo's
// component planes, which checks the transform bit for bit.
TEST(JpegDecoder, YCbCr422OutputInterleavesThePlanes) {
    std::vector<uint8_t> jpeg = EncodeSample(77, 29, 2, 1, false);
    std::vector<refjpeg::Image> planes = refjpeg::DecodeRawPlanes(jpeg);
    ASSERT_EQ(planes.size(), 3u);
    Result r = DecodeOwn(jpeg, jpegdec::kColorYCbCr, 2, jpegdec::kSampling422);
    ASSERT_EQ(r.status, jpegdec::kOk);
    for (int y = 0; y < 29; ++y) {
        const uint8_t* row = r.raw.data() + static_cast<size_t>(y) * r.stride;
        for (int i = 0; i < 39; ++i) {
            ASSERT_EQ(row[4 * i + 1], planes[1].At(i, y)[0]);
            ASSERT_EQ(row[4 * i + 3], planes[2].At(i, y)[0]);
            ASSERT_EQ(row[4 * i], planes[0].At(2 * i, y)[0]);
            if (2 * i + 1 < 77) {
                ASSERT_EQ(row[4 * i + 2], planes[0].At(2 * i + 1, y)[0]);
            }
        }
    }
    // Other pairings with a YCbCr output do not exist.
    EXPECT_EQ(DecodeOwn(EncodeSample(32, 32, 2, 2, false), jpegdec::kColorYCbCr, 2,
                        jpegdec::kSampling422).status,
              jpegdec::kUnsupported);
}

TEST(JpegDecoder, UnsupportedUpsamplingAndConversionsAreRefused) {
    // 4:1:1 has no filter.
    EXPECT_EQ(DecodeOwn(EncodeSample(64, 16, 4, 1, false)).status, jpegdec::kUnsupported);
    refjpeg::EncodeOptions cmyk;
    cmyk.input = cmyk.jpegSpace = Space::CMYK;
    cmyk.hSamp = cmyk.vSamp = 1;
    std::vector<uint8_t> jpeg = refjpeg::Encode(MakeImage(16, 16, 4, 3), cmyk);
    Result r = DecodeOwn(jpeg);
    EXPECT_EQ(r.colorSpace, jpegdec::kColorCMYK);
    EXPECT_EQ(r.status, jpegdec::kUnsupported);
    // Wrong precision or channel count of the destination.
    EXPECT_EQ(DecodeOwn(EncodeSample(16, 16, 2, 2, false), jpegdec::kColorBGR, 4).status,
              jpegdec::kUnsupported);
}

TEST(JpegDecoder, ReuseAfterCleanGivesTheSameImageAndReleasesBuffers) {
    CMemoryManager::Options options;
    options.reaperPeriod = std::chrono::milliseconds(0);
    CMemoryManager allocator(options);
    CJPEGDecoder decoder(&allocator);
    std::vector<uint8_t> first = EncodeSample(120, 90, 2, 2, true);
    std::vector<uint8_t> second = EncodeSample(64, 48, 1, 1, false);
    Result a = DecodeOwn(first, jpegdec::kColorBGR, 3, 0, &decoder);
    Result b = DecodeOwn(second, jpegdec::kColorBGR, 3, 0, &decoder);
    uint64_t allocations = allocator.SystemAllocations();
    Result a2 = DecodeOwn(first, jpegdec::kColorBGR, 3, 0, &decoder);
    Result b2 = DecodeOwn(second, jpegdec::kColorBGR, 3, 0, &decoder);
    ASSERT_EQ(a.status, jpegdec::kOk);
    ASSERT_EQ(b.status, jpegdec::kOk);
    EXPECT_EQ(a2.image.pixels, a.image.pixels);
    EXPECT_EQ(b2.image.pixels, b.image.pixels);
    EXPECT_EQ(a.image.pixels, DecodeOwn(first).image.pixels);
    // Clean gave every block back, so the second round reused them all.
    EXPECT_EQ(allocator.SystemAllocations(), allocations);
}

TEST(JpegDecoder, KeepsTheFirstApp1Payload) {
    std::vector<uint8_t> jpeg = EncodeSample(16, 16, 1, 1, false);
    const uint8_t app1[] = {0xFF, 0xE1, 0x00, 0x08, 'E', 'x', 'i', 'f', 0, 0};
    jpeg.insert(jpeg.begin() + 2, std::begin(app1), std::end(app1));
    CJPEGDecoder decoder;
    decoder.SetSource(jpeg.data(), jpeg.size());
    int w, h, n, p, cs, s;
    ASSERT_EQ(decoder.ReadHeader(w, h, n, p, cs, s), jpegdec::kOk);
    EXPECT_EQ(decoder.App1(), (std::vector<uint8_t>{'E', 'x', 'i', 'f', 0, 0}));
}

}  // namespace
