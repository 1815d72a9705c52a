// CJPEGDecoder on damaged, hostile and unsupported input: every case must end with its
// status code, without reading or writing outside the buffers (run under ASan too).
#include <gtest/gtest.h>

#include <array>
#include <random>

#include "decoder_test_util.h"

using namespace dectest;

namespace {

std::vector<uint8_t> Sample(int w, int h, int hs, int vs, bool progressive, int restart = 0, bool grey = false) {
    codectest::EncodeOptions options(85, grey ? JCS_GRAYSCALE : JCS_YCbCr, hs, vs, progressive);
    options.restartInterval = restart;
    return codectest::EncodeJpeg(codectest::MakePhotoLike(w, h, 11, grey ? 1 : 3), options);
}

// Inserts a marker segment (or a bare marker when `payload` is null) at `pos`.
std::vector<uint8_t> Insert(std::vector<uint8_t> jpeg, size_t pos, int marker, const std::vector<uint8_t>* payload) {
    std::vector<uint8_t> segment = {0xFF, uint8_t(marker)};
    if (payload) segment.insert(segment.end(), {uint8_t((payload->size() + 2) >> 8), uint8_t(payload->size() + 2)});
    if (payload) segment.insert(segment.end(), payload->begin(), payload->end());
    jpeg.insert(jpeg.begin() + long(pos), segment.begin(), segment.end());
    return jpeg;
}

size_t SegmentLength(const std::vector<uint8_t>& jpeg, long at) { return size_t(jpeg[at + 2] << 8 | jpeg[at + 3]); }

// Replaces the payload of the first segment with this marker.
std::vector<uint8_t> Replace(const std::vector<uint8_t>& jpeg, int marker, const std::vector<uint8_t>& payload) {
    const long at = FindMarker(jpeg, marker);
    std::vector<uint8_t> out = Insert(std::vector<uint8_t>(jpeg.begin(), jpeg.begin() + at), size_t(at), marker, &payload);
    out.insert(out.end(), jpeg.begin() + at + 2 + long(SegmentLength(jpeg, at)), jpeg.end());
    return out;
}

std::vector<uint8_t> Payload(const std::vector<uint8_t>& jpeg, int marker) {
    const long at = FindMarker(jpeg, marker);
    return {jpeg.begin() + at + 4, jpeg.begin() + at + 2 + long(SegmentLength(jpeg, at))};
}

int Status(const std::vector<uint8_t>& jpeg) { return DecodeOwn(jpeg).status; }

constexpr int kSOF0 = 0xC0, kDHT = 0xC4, kDQT = 0xDB, kSOS = 0xDA;

TEST(JpegDecoderBadInput, EveryPrefixEndsAsTruncated) {
    for (const auto& jpeg : {Sample(40, 24, 2, 2, false, 2), Sample(40, 24, 2, 1, true), Sample(24, 16, 1, 1, false, 0, true)}) {
        ASSERT_EQ(Status(jpeg), jpegdec::kOk);
        for (size_t n = 0; n < jpeg.size(); ++n) {
            // A copy of exactly n bytes so that ASan sees any read past the end.
            const std::vector<uint8_t> prefix(jpeg.begin(), jpeg.begin() + long(n));
            ASSERT_EQ(Status(prefix), jpegdec::kTruncated) << "prefix " << n;
        }
    }
    EXPECT_EQ(Status({0xFF, 0xD8, 0xFF, 0xD9}), jpegdec::kTruncated);
    EXPECT_EQ(Status({1, 2, 3, 0xFF, 0x00, 4}), jpegdec::kTruncated);
}

// Damaged marker segments, one case each: tables, frame and scan headers, missing pieces.
TEST(JpegDecoderBadInput, DamagedSegmentsGiveTheirStatus) {
    const std::vector<uint8_t> jpeg = Sample(32, 32, 2, 2, false, 1);
    const std::vector<uint8_t> scan = Payload(jpeg, kSOS);  // 03 01 00 02 11 03 11 00 3F 00
    auto insert = [&](int marker, const std::vector<uint8_t>& payload) { return Insert(jpeg, 2, marker, &payload); };
    auto huffman = [&](int classAndId, std::vector<int> counts, int symbols) {
        counts.resize(16, 0);
        std::vector<uint8_t> p = {uint8_t(classAndId)};
        for (int i = 0; i < 16 + symbols; ++i) p.push_back(uint8_t(i < 16 ? counts[size_t(i)] : i - 16));
        return insert(kDHT, p);
    };
    auto quant = [&](uint8_t head, size_t size) {
        std::vector<uint8_t> p(size, 1);
        p[0] = head;
        return insert(kDQT, p);
    };
    using Comps = std::vector<std::array<int, 3>>;
    auto frame = [&](int precision, int h, int w, const Comps& comps, int extra = 0) {
        std::vector<uint8_t> p = {uint8_t(precision), uint8_t(h >> 8), uint8_t(h), uint8_t(w >> 8), uint8_t(w), uint8_t(comps.size())};
        for (auto [id, hv, q] : comps) p.insert(p.end(), {uint8_t(id), uint8_t(hv), uint8_t(q)});
        p.resize(p.size() + size_t(extra));
        return Replace(jpeg, kSOF0, p);
    };
    auto scanWith = [&](size_t at, uint8_t value) {
        std::vector<uint8_t> p = scan;
        p[at] = value;
        return Replace(jpeg, kSOS, p);
    };
    auto renamed = [&](int marker, uint8_t to) {
        std::vector<uint8_t> out = jpeg;
        out[size_t(FindMarker(jpeg, marker)) + 1] = to;
        return out;
    };
    const Comps yuv = {{1, 0x22, 0}, {2, 0x11, 1}, {3, 0x11, 1}};
    std::vector<uint8_t> noRestarts, noCode = jpeg;
    for (size_t i = 0; i < jpeg.size(); ++i) {
        if (jpeg[i] == 0xFF && i + 1 < jpeg.size() && jpeg[i + 1] >= 0xD0 && jpeg[i + 1] <= 0xD7) ++i;
        else noRestarts.push_back(jpeg[i]);
    }
    const size_t data = static_cast<size_t>(FindMarker(jpeg, kSOS)) + 2 + scan.size() + 2;
    for (size_t i = 0; i < 16; i += 2) noCode[data + i] = 0xFF, noCode[data + i + 1] = 0x00;  // all-ones bits: no code
    const std::vector<uint8_t> sof = Payload(jpeg, kSOF0);
    const std::pair<std::vector<uint8_t>, int> cases[] = {
        {Insert(jpeg, 2, 0xD8, nullptr), jpegdec::kOk},  // an extra start marker is ignored
        {Insert(jpeg, static_cast<size_t>(FindMarker(jpeg, kSOF0)), kSOF0, &sof), jpegdec::kFailed},  // a second frame
        {huffman(0x00, {0, 3}, 3), jpegdec::kOk},
        {huffman(0x00, {2}, 2), jpegdec::kBadHuffmanTable},  // two 1-bit codes: the all-ones code is not allowed
        {huffman(0x00, {0, 5}, 5), jpegdec::kBadHuffmanTable},
        {huffman(0x00, {0, 2, 3}, 3), jpegdec::kBadHuffmanTable},  // symbols missing from the segment
        {huffman(0x20, {1}, 1), jpegdec::kBadHuffmanTable},        // class 2
        {huffman(0x04, {1}, 1), jpegdec::kBadHuffmanTable},        // table id 4
        {huffman(0x10, {0, 0, 0, 0, 0, 0, 0, 0, 255, 2}, 257), jpegdec::kBadHuffmanTable},
        {insert(kDHT, {0x00, 1, 0, 0}), jpegdec::kBadHuffmanTable},  // shorter than the 16 counts
        {quant(0x20, 65), jpegdec::kBadQuantTable},                   // precision 2
        {quant(0x04, 65), jpegdec::kBadQuantTable},                   // table id 4
        {quant(0x10, 100), jpegdec::kBadQuantTable},                  // 16-bit entries need 128 bytes
        {frame(8, 32, 32, yuv), jpegdec::kOk},
        {frame(12, 32, 32, yuv), jpegdec::kUnsupported},
        {frame(8, 32, 0, yuv), jpegdec::kFailed},
        {frame(8, 0, 32, yuv), jpegdec::kUnsupported},
        {frame(8, 32, 32, {}), jpegdec::kBadFrameComponents},
        {frame(8, 32, 32, {{1, 0x22, 0}, {2, 0x11, 1}, {3, 0x11, 1}, {4, 0x11, 0}, {5, 0x11, 0}}), jpegdec::kBadFrameComponents},
        {frame(8, 32, 32, {{1, 0x02, 0}, {2, 0x11, 1}, {3, 0x11, 1}}), jpegdec::kBadFrameComponents},
        {frame(8, 32, 32, {{1, 0x52, 0}, {2, 0x11, 1}, {3, 0x11, 1}}), jpegdec::kBadFrameComponents},
        {frame(8, 32, 32, {{1, 0x22, 0}, {2, 0x11, 4}, {3, 0x11, 1}}), jpegdec::kBadFrameComponents},
        {frame(8, 32, 32, yuv, 1), jpegdec::kBadFrameLength},
        {frame(8, 65535, 65535, yuv), jpegdec::kOutOfMemory},  // refused before anything is allocated
        {renamed(kSOF0, 0xC9), jpegdec::kUnsupported},           // arithmetic coding
        {renamed(kSOF0, 0xC5), jpegdec::kUnsupported},           // hierarchical
        {scanWith(3, 9), jpegdec::kBadScanComponent},
        {scanWith(2, 0x40), jpegdec::kBadScanHeader},
        {Replace(jpeg, kSOS, {0, 0, 63, 0}), jpegdec::kBadScanHeader},
        {Replace(jpeg, kSOS, std::vector<uint8_t>(scan.begin(), scan.end() - 1)), jpegdec::kBadScanHeader},
        {renamed(kDHT, 0xFE), jpegdec::kFailed},  // the tables become comments
        {renamed(kDQT, 0xFE), jpegdec::kFailed},
        {noRestarts, jpegdec::kFailed},  // the data reaches the end marker at the first restart
        {noCode, jpegdec::kFailed},
    };
    int index = 0;
    for (const auto& [bytes, status] : cases) EXPECT_EQ(Status(bytes), status) << "case " << index++;
    EXPECT_EQ(DecodeOwn(cases[0].first).image.samples, DecodeOwn(jpeg).image.samples);

    EXPECT_EQ(Status(Replace(Sample(16, 16, 1, 1, false, 0, true), kSOF0, {8, 0, 16, 0, 16, 1, 1, 0x22, 0})),
              jpegdec::kBadGreySampling);
    const std::vector<uint8_t> progressive = Sample(16, 16, 1, 1, true);
    std::vector<uint8_t> dcWithAc = Payload(progressive, kSOS);
    dcWithAc[dcWithAc.size() - 2] = 5;  // Se of a DC scan must be 0
    EXPECT_EQ(Status(Replace(progressive, kSOS, dcWithAc)), jpegdec::kBadScanHeader);
    CJPEGDecoder decoder;
    decoder.SetMaxPixels(1023);
    decoder.SetSource(jpeg.data(), jpeg.size());
    int w, h, n, p, cs, s;
    EXPECT_EQ(decoder.ReadHeader(w, h, n, p, cs, s), jpegdec::kOutOfMemory);
}

TEST(JpegDecoderBadInput, CorruptEntropyDataNeverEscapesTheBuffers) {
    std::mt19937 random(1234);
    for (const auto& jpeg : {Sample(48, 40, 2, 2, false, 3), Sample(48, 40, 2, 1, true), Sample(40, 40, 1, 2, true)}) {
        const auto sos = static_cast<size_t>(FindMarker(jpeg, kSOS));
        for (int round = 0; round < 150; ++round) {
            std::vector<uint8_t> damaged = jpeg;
            std::uniform_int_distribution<size_t> where(sos, jpeg.size() - 1);
            for (int k = 0; k < 1 + round % 6; ++k) damaged[where(random)] = static_cast<uint8_t>(random());
            const int status = Status(damaged);
            EXPECT_TRUE(status <= 0 && status >= jpegdec::kBadGreySampling) << status;
        }
    }
}

TEST(JpegDecoderBadInput, DestinationMustMatchTheFrame) {
    const std::vector<uint8_t> jpeg = Sample(20, 10, 2, 2, false);
    CJPEGDecoder decoder;
    decoder.SetSource(jpeg.data(), jpeg.size());
    int w, h, n, p, cs, s;
    ASSERT_EQ(decoder.ReadHeader(w, h, n, p, cs, s), jpegdec::kOk);
    std::vector<uint8_t> buffer(64 * 10);
    struct Destination {
        uint8_t* data;
        int width, stride, precision, status;
    };
    for (const Destination& d : {Destination{buffer.data(), 21, 64, 8, jpegdec::kFailed}, {buffer.data(), 20, 59, 8, jpegdec::kFailed},
                                 {nullptr, 20, 60, 8, jpegdec::kFailed}, {buffer.data(), 20, 60, 16, jpegdec::kUnsupported},
                                 {buffer.data(), 20, 60, 8, jpegdec::kOk}}) {
        decoder.SetDestination(d.data, d.width, 10, d.stride, d.precision, 3, jpegdec::kColorBGR, 0);
        EXPECT_EQ(decoder.Decode(), d.status) << d.width << " " << d.stride;
    }
}

}  // namespace
