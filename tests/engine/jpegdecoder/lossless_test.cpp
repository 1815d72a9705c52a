// The lossless process: decoding must give back exactly the samples that went in.
#include <gtest/gtest.h>

#include "decoder_test_util.h"

using namespace dectest;
using codectest::MakePhotoLike;

namespace {

struct LosslessOptions {
    int predictor = 1;
    int pointTransform = 0;
    bool adobeRgb = false;    // three planes stored as RGB (no colour conversion on output)
    bool interleaved = true;  // one scan for all components, else one scan per component
    int restartInterval = 0;  // in MCUs
};

// A lossless (SOF3) file with 1x1 sampling (the installed libjpeg-turbo cannot write one).
// Its one Huffman table gives categories 0..14 the 4-bit codes 0000..1110 and 15, 16 the
// codes 111100, 111101.
std::vector<uint8_t> EncodeLossless(const Picture& image, const LosslessOptions& o) {
    const int n = image.components, w = image.width, h = image.height;
    std::vector<uint8_t> out = {0xFF, 0xD8};
    auto segment = [&out](int marker, const std::vector<uint8_t>& p) {
        out.insert(out.end(), {0xFF, uint8_t(marker), uint8_t((p.size() + 2) >> 8), uint8_t(p.size() + 2)});
        out.insert(out.end(), p.begin(), p.end());
    };
    if (o.adobeRgb) segment(0xEE, {'A', 'd', 'o', 'b', 'e', 0, 100, 0, 0, 0, 0, 0});
    std::vector<uint8_t> frame = {8, uint8_t(h >> 8), uint8_t(h), uint8_t(w >> 8), uint8_t(w), uint8_t(n)};
    for (int c = 0; c < n; ++c) frame.insert(frame.end(), {uint8_t(c + 1), 0x11, 0});
    segment(0xC3, frame);
    std::vector<uint8_t> table = {0, 0, 0, 0, 15, 0, 2, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0};
    for (int s = 0; s <= 16; ++s) table.push_back(uint8_t(s));
    segment(0xC4, table);
    if (o.restartInterval) segment(0xDD, {uint8_t(o.restartInterval >> 8), uint8_t(o.restartInterval)});

    unsigned byte = 0, used = 0;
    auto put = [&](uint32_t bits, int length) {
        for (int i = length - 1; i >= 0; --i) {
            byte = (byte << 1 | (bits >> i & 1)) & 0xFF;
            if (++used < 8) continue;
            out.push_back(uint8_t(byte));
            if (byte == 0xFF) out.push_back(0);
            byte = used = 0;
        }
    };
    auto flush = [&] { while (used) put(1, 1); };  // pads with one bits
    auto sample = [&](int x, int y, int c) { return image.Pixel(x, y)[c] >> o.pointTransform; };
    const int perScan = o.interleaved ? n : 1;
    for (int first = 0; first < n; first += perScan) {
        std::vector<uint8_t> header = {uint8_t(perScan)};
        for (int c = first; c < first + perScan; ++c) header.insert(header.end(), {uint8_t(c + 1), 0});
        header.insert(header.end(), {uint8_t(o.predictor), 0, uint8_t(o.pointTransform)});
        segment(0xDA, header);
        int mcu = 0, restarts = 0, firstRow = 0;
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x, ++mcu) {
                if (o.restartInterval && mcu > 0 && mcu % o.restartInterval == 0) {
                    flush();
                    out.insert(out.end(), {0xFF, uint8_t(0xD0 + (restarts++ & 7))});
                    firstRow = y;
                }
                for (int c = first; c < first + perScan; ++c) {
                    const int a = x ? sample(x - 1, y, c) : 0, b = y ? sample(x, y - 1, c) : 0;
                    const int d = x && y ? sample(x - 1, y - 1, c) : 0;
                    const int predicted[8] = {0, a, b, d, a + b - d, a + ((b - d) >> 1), b + ((a - d) >> 1), (a + b) >> 1};
                    const int prediction =
                        y == firstRow ? (x ? a : 1 << (7 - o.pointTransform)) : (x ? predicted[o.predictor] : b);
                    const int diff = sample(x, y, c) - prediction;
                    int category = 0;
                    while ((1 << category) <= std::abs(diff)) ++category;
                    if (category < 15) put(uint32_t(category), 4);
                    else put(uint32_t(0x3C + category - 15), 6);
                    if (category) put(uint32_t(diff < 0 ? diff + (1 << category) - 1 : diff) & ((1u << category) - 1), category);
                }
            }
        flush();
    }
    out.insert(out.end(), {0xFF, 0xD9});
    return out;
}

// What the decoder must give back: the samples with the dropped low bits zero, as BGR.
Picture Expected(Picture e, int pointTransform) {
    for (auto& v : e.samples) v = static_cast<uint8_t>((v >> pointTransform) << pointTransform);
    if (e.components == 3)
        for (size_t i = 0; i < e.samples.size(); i += 3) std::swap(e.samples[i], e.samples[i + 2]);
    return e;
}

TEST(JpegDecoderLossless, EveryPredictorScanLayoutAndRestartReproducesTheSamples) {
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

    // Restart intervals of whole rows work; one that ends inside a row is not handled.
    const Picture narrow = MakePhotoLike(31, 20, 4, 1);
    r = DecodeOwn(EncodeLossless(narrow, {7, 0, false, true, 31 * 3}), jpegdec::kColorGrey, 1);
    ASSERT_EQ(r.status, jpegdec::kOk);
    EXPECT_EQ(MaxDifference(r.image, Expected(narrow, 0)), 0);
    EXPECT_EQ(DecodeOwn(EncodeLossless(narrow, {7, 0, false, true, 40}), jpegdec::kColorGrey, 1).status,
              jpegdec::kUnsupported);
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
