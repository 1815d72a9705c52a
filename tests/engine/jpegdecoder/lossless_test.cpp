// The lossless process: decoding must give back exactly the samples that went in.
#include <gtest/gtest.h>

#include "decoder_test_util.h"
#include "lossless_writer.h"

using namespace dectest;
using codectest::MakePhotoLike;

namespace {

// What the decoder must give back: the samples with the dropped low bits zero, as BGR.
Picture Expected(Picture e, int pointTransform) {
    for (auto& v : e.samples) v = static_cast<uint8_t>((v >> pointTransform) << pointTransform);
    if (e.components == 3)
        for (size_t i = 0; i < e.samples.size(); i += 3) std::swap(e.samples[i], e.samples[i + 2]);
    return e;
}

TEST(JpegDecoderLossless, EveryPredictorAndScanLayoutReproducesTheSamples) {
    const Picture grey = MakePhotoLike(37, 23, 3, 1);
    for (int predictor = 1; predictor <= 7; ++predictor) {
        const Result r = DecodeOwn(EncodeLossless(grey, {predictor}), jpegdec::kColorGrey, 1);
        ASSERT_EQ(r.status, jpegdec::kOk) << predictor;
        EXPECT_EQ(MaxDifference(r.image, Expected(grey, 0)), 0) << predictor;
    }
    const Picture rgb = MakePhotoLike(29, 17, 8);
    Result r = DecodeOwn(EncodeLossless(rgb, {4, 0, true}));
    ASSERT_EQ(r.status, jpegdec::kOk);
    EXPECT_EQ(r.colorSpace, jpegdec::kColorRGB);
    EXPECT_EQ(MaxDifference(r.image, Expected(rgb, 0)), 0);
    r = DecodeOwn(EncodeLossless(rgb, {6, 2, true, false}));  // one scan per component, point transform 2
    ASSERT_EQ(r.status, jpegdec::kOk);
    EXPECT_EQ(MaxDifference(r.image, Expected(rgb, 2)), 0);
}

// Restart intervals of whole rows work; one that ends inside a row is not handled.
TEST(JpegDecoderLossless, RestartIntervalsOfWholeRows) {
    const Picture grey = MakePhotoLike(31, 20, 4, 1);
    const Result r = DecodeOwn(EncodeLossless(grey, {7, 0, false, true, 31 * 3}), jpegdec::kColorGrey, 1);
    ASSERT_EQ(r.status, jpegdec::kOk);
    EXPECT_EQ(MaxDifference(r.image, Expected(grey, 0)), 0);
    EXPECT_EQ(DecodeOwn(EncodeLossless(grey, {7, 0, false, true, 40}), jpegdec::kColorGrey, 1).status, jpegdec::kUnsupported);
}

TEST(JpegDecoderLossless, TruncationAndBadPointTransform) {
    std::vector<uint8_t> jpeg = EncodeLossless(MakePhotoLike(16, 16, 5, 1), LosslessOptions{});
    for (size_t n = 0; n < jpeg.size(); ++n) {
        const std::vector<uint8_t> prefix(jpeg.begin(), jpeg.begin() + static_cast<long>(n));
        ASSERT_EQ(DecodeOwn(prefix, jpegdec::kColorGrey, 1).status, jpegdec::kTruncated) << n;
    }
    jpeg[static_cast<size_t>(FindMarker(jpeg, 0xDA)) + 9] = 0x08;  // no bits of an 8-bit sample left
    EXPECT_EQ(DecodeOwn(jpeg, jpegdec::kColorGrey, 1).status, jpegdec::kBadScanHeader);
}

}  // namespace
