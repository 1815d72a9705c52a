// The lossless process: decoding must give back exactly the samples that went in.
#include <gtest/gtest.h>

#include "decoder_test_util.h"
#include "lossless_writer.h"

using namespace dectest;

namespace {

// What the decoder must give back: the samples with the dropped low bits zero, as BGR.
refjpeg::Image Expected(const refjpeg::Image& image, int pointTransform) {
    refjpeg::Image e = image;
    for (auto& v : e.pixels) v = static_cast<uint8_t>((v >> pointTransform) << pointTransform);
    if (e.channels == 3)
        for (size_t i = 0; i < e.pixels.size(); i += 3) std::swap(e.pixels[i], e.pixels[i + 2]);
    return e;
}

TEST(JpegDecoderLossless, EveryPredictorReproducesTheSamples) {
    refjpeg::Image grey = MakeImage(37, 23, 1, 3);
    for (int predictor = 1; predictor <= 7; ++predictor) {
        LosslessOptions o;
        o.predictor = predictor;
        Result r = DecodeOwn(EncodeLossless(grey, o), jpegdec::kColorGrey, 1);
        ASSERT_EQ(r.status, jpegdec::kOk) << predictor;
        EXPECT_EQ(MaxDifference(r.image, Expected(grey, 0)), 0) << predictor;
    }
}

TEST(JpegDecoderLossless, ColourInterleavedAndPerComponentScans) {
    refjpeg::Image rgb = MakeImage(29, 17, 3, 8);
    LosslessOptions o;
    o.adobeRgb = true;
    o.predictor = 4;
    Result r = DecodeOwn(EncodeLossless(rgb, o));
    ASSERT_EQ(r.status, jpegdec::kOk);
    EXPECT_EQ(r.colorSpace, jpegdec::kColorRGB);
    EXPECT_EQ(MaxDifference(r.image, Expected(rgb, 0)), 0);

    o.interleaved = false;
    o.predictor = 6;
    o.pointTransform = 2;
    r = DecodeOwn(EncodeLossless(rgb, o));
    ASSERT_EQ(r.status, jpegdec::kOk);
    EXPECT_EQ(MaxDifference(r.image, Expected(rgb, 2)), 0);
}

TEST(JpegDecoderLossless, RestartIntervalsOfWholeRows) {
    refjpeg::Image grey = MakeImage(31, 20, 1, 4);
    LosslessOptions o;
    o.predictor = 7;
    o.restartInterval = 31 * 3;
    Result r = DecodeOwn(EncodeLossless(grey, o), jpegdec::kColorGrey, 1);
    ASSERT_EQ(r.status, jpegdec::kOk);
    EXPECT_EQ(MaxDifference(r.image, Expected(grey, 0)), 0);
    // An interval that ends inside a row is not handled.
    o.restartInterval = 40;
    EXPECT_EQ(DecodeOwn(EncodeLossless(grey, o), jpegdec::kColorGrey, 1).status,
              jpegdec::kUnsupported);
}

TEST(JpegDecoderLossless, TruncationAndBadPointTransform) {
    refjpeg::Image grey = MakeImage(16, 16, 1, 5);
    std::vector<uint8_t> jpeg = EncodeLossless(grey, LosslessOptions{});
    for (size_t n = 0; n < jpeg.size(); ++n) {
        std::vector<uint8_t> prefix(jpeg.begin(), jpeg.begin() + static_cast<long>(n));
        ASSERT_EQ(DecodeOwn(prefix, jpegdec::kColorGrey, 1).status, jpegdec::kTruncated) << n;
    }
    // A point transform of 8 leaves no bits of an 8-bit sample.
    long sos = FindMarker(jpeg, 0xDA);
    jpeg[static_cast<size_t>(sos) + 9] = 0x08;
    EXPECT_EQ(DecodeOwn(jpeg, jpegdec::kColorGrey, 1).status, jpegdec::kBadScanHeader);
}

}  // namespace
