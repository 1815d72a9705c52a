// CJPEGDecoder on damaged, hostile and unsupported input: every case must end with its
// status code, without reading or writing outside the buffers (run under ASan too).
#include <gtest/gtest.h>

#include <random>

#include "decoder_test_util.h"

using namespace dectest;
using refjpeg::Space;

namespace {

std::vector<uint8_t> Sample(int w, int h, int hs, int vs, bool progressive, int restart = 0,
                            Space space = Space::YCbCr) {
    refjpeg::EncodeOptions options;
    options.input = space == Space::Grey ? Space::Grey : Space::RGB;
    options.jpegSpace = space;
    options.hSamp = hs;
    options.vSamp = vs;
    options.progressive = progressive;
    options.restartInterval = restart;
    return refjpeg::Encode(MakeImage(w, h, space == Space::Grey ? 1 : 3, 11), options);
}

// Inserts a marker segment (or a bare marker when `payload` is null) at `pos`.
std::vector<uint8_t> Insert(std::vector<uint8_t> jpeg, size_t pos, int marker,
                            const std::vector<uint8_t>* payload) {
    std::vector<uint8_t> segment = {0xFF, static_cast<uint8_t>(marker)};
    if (payload) {
        size_t length = payload->size() + 2;
        segment.push_back(static_cast<uint8_t>(length >> 8));
        segment.push_back(static_cast<uint8_t>(length));
        segment.insert(segment.end(), payload->begin(), payload->end());
    }
    jpeg.insert(jpeg.begin() + static_cast<long>(pos), segment.begin(), segment.end());
    return jpeg;
}

// Replaces the payload of the first segment with this marker.
std::vector<uint8_t> Replace(const std::vector<uint8_t>& jpeg, int marker,
                             const std::vector<uint8_t>& payload) {
    long at = FindMarker(jpeg, marker);
    if (at < 0) return {};
    size_t old = static_cast<size_t>((jpeg[at + 2] << 8) | jpeg[at + 3]);
    std::vector<uint8_t> out(jpeg.begin(), jpeg.begin() + at);
    out = Insert(out, out.size(), marker, &payload);
    out.insert(out.end(), jpeg.begin() + at + 2 + static_cast<long>(old), jpeg.end());
    return out;
}

std::vector<uint8_t> Payload(const std::vector<uint8_t>& jpeg, int marker) {
    long at = FindMarker(jpeg, marker);
    size_t length = static_cast<size_t>((jpeg[at + 2] << 8) | jpeg[at + 3]);
    return {jpeg.begin() + at + 4, jpeg.begin() + at + 2 + static_cast<long>(length)};
}

int HeaderStatus(const std::vector<uint8_t>& jpeg) { return DecodeOwn(jpeg).status; }

constexpr int kSOF0 = 0xC0, kDHT = 0xC4, kDQT = 0xDB;

TEST(JpegDecoderBadInput, EveryPrefixEndsAsTruncated) {
    const std::vector<uint8_t> files[] = {
        Sample(40, 24, 2, 2, false, 2),
        Sample(40, 24, 2, 1, true),
        Sample(24, 16, 1, 1, false, 0, Space::Grey),
    };
    for (const auto& jpeg : files) {
        ASSERT_EQ(DecodeOwn(jpeg).status, jpegdec::kOk);
        for (size_t n = 0; n < jpeg.size(); ++n) {
            // A copy of exactly n bytes so that ASan sees any read past the end.
            std::vector<uint8_t> prefix(jpeg.begin(), jpeg.begin() + static_cast<long>(n));
            ASSERT_EQ(DecodeOwn(prefix).status, jpegdec::kTruncated) << "prefix " << n;
        }
    }
}

TEST(JpegDecoderBadInput, ProgressiveScanCutInTheMiddle) {
    std::vector<uint8_t> jpeg = Sample(120, 80, 2, 2, true);
    // Cut halfway into the third scan's entropy-coded data.
    size_t sos = 0;
    for (int seen = 0, i = 0; i + 1 < static_cast<int>(jpeg.size()); ++i) {
        if (jpeg[i] == 0xFF && jpeg[i + 1] == 0xDA && ++seen == 3) {
            sos = static_cast<size_t>(i);
            break;
        }
    }
    ASSERT_GT(sos, 0u);
    size_t next = sos + 2;
    while (!(jpeg[next] == 0xFF && jpeg[next + 1] != 0x00)) ++next;
    std::vector<uint8_t> cut(jpeg.begin(), jpeg.begin() + static_cast<long>((sos + next) / 2 + 4));
    EXPECT_EQ(DecodeOwn(cut).status, jpegdec::kTruncated);
    // With an end marker glued on, the scan still runs out of data.
    cut.push_back(0xFF);
    cut.push_back(0xD9);
    EXPECT_EQ(DecodeOwn(cut).status, jpegdec::kTruncated);
}

TEST(JpegDecoderBadInput, ExtraStartMarkersAreIgnoredButASecondFrameIsNot) {
    std::vector<uint8_t> jpeg = Sample(33, 20, 2, 2, false);
    Result plain = DecodeOwn(jpeg);
    Result doubled = DecodeOwn(Insert(jpeg, 2, 0xD8, nullptr));
    ASSERT_EQ(doubled.status, jpegdec::kOk);
    EXPECT_EQ(doubled.image.pixels, plain.image.pixels);
    long sof = FindMarker(jpeg, kSOF0);
    EXPECT_EQ(DecodeOwn(Insert(jpeg, static_cast<size_t>(sof), 0xD8, nullptr)).status, jpegdec::kOk);
    std::vector<uint8_t> frame = Payload(jpeg, kSOF0);
    EXPECT_EQ(HeaderStatus(Insert(jpeg, static_cast<size_t>(sof), kSOF0, &frame)), jpegdec::kFailed);
}

TEST(JpegDecoderBadInput, InvalidHuffmanTableSegments) {
    std::vector<uint8_t> jpeg = Sample(16, 16, 1, 1, false);
    auto table = [](int classAndId, std::vector<int> counts, int symbols) {
        std::vector<uint8_t> p = {static_cast<uint8_t>(classAndId)};
        counts.resize(16, 0);
        for (int c : counts) p.push_back(static_cast<uint8_t>(c));
        for (int i = 0; i < symbols; ++i) p.push_back(static_cast<uint8_t>(i));
        return p;
    };
    const std::vector<uint8_t> bad[] = {
        table(0x00, {2}, 2),        // two 1-bit codes: the all-ones code is not allowed
        table(0x00, {0, 5}, 5),     // five 2-bit codes
        table(0x00, {0, 2, 3}, 3),  // symbols missing from the segment
        table(0x20, {1}, 1),        // class 2
        table(0x04, {1}, 1),        // table id 4
        {0x00, 1, 0, 0},            // shorter than the 16 counts
    };
    for (const auto& payload : bad)
        EXPECT_EQ(HeaderStatus(Insert(jpeg, 2, kDHT, &payload)), jpegdec::kBadHuffmanTable);
    std::vector<uint8_t> tooMany = table(0x10, {0, 0, 0, 0, 0, 0, 0, 0, 255, 2}, 257);
    EXPECT_EQ(HeaderStatus(Insert(jpeg, 2, kDHT, &tooMany)), jpegdec::kBadHuffmanTable);
    std::vector<uint8_t> good = table(0x00, {0, 3}, 3);
    EXPECT_EQ(HeaderStatus(Insert(jpeg, 2, kDHT, &good)), jpegdec::kOk);
}

TEST(JpegDecoderBadInput, InvalidQuantisationTableSegments) {
    std::vector<uint8_t> jpeg = Sample(16, 16, 1, 1, false);
    std::vector<uint8_t> precision2(65, 1);
    precision2[0] = 0x20;
    std::vector<uint8_t> id4(65, 1);
    id4[0] = 0x04;
    std::vector<uint8_t> shortTable(40, 1);
    shortTable[0] = 0x00;
    std::vector<uint8_t> short16(100, 1);
    short16[0] = 0x10;
    for (const auto* payload : {&precision2, &id4, &shortTable, &short16})
        EXPECT_EQ(HeaderStatus(Insert(jpeg, 2, kDQT, payload)), jpegdec::kBadQuantTable);
}

TEST(JpegDecoderBadInput, InvalidFrameHeaders) {
    std::vector<uint8_t> colour = Sample(16, 16, 2, 2, false);
    std::vector<uint8_t> grey = Sample(16, 16, 1, 1, false, 0, Space::Grey);
    auto frame = [](int precision, int h, int w, std::vector<std::array<int, 3>> comps) {
        std::vector<uint8_t> p = {static_cast<uint8_t>(precision), static_cast<uint8_t>(h >> 8),
                                  static_cast<uint8_t>(h), static_cast<uint8_t>(w >> 8),
                                  static_cast<uint8_t>(w), static_cast<uint8_t>(comps.size())};
        for (auto [id, hv, q] : comps) {
            p.push_back(static_cast<uint8_t>(id));
            p.push_back(static_cast<uint8_t>(hv));
            p.push_back(static_cast<uint8_t>(q));
        }
        return p;
    };
    const std::vector<std::array<int, 3>> yuv = {{1, 0x22, 0}, {2, 0x11, 1}, {3, 0x11, 1}};
    EXPECT_EQ(HeaderStatus(Replace(colour, kSOF0, frame(8, 16, 16, yuv))), jpegdec::kOk);
    EXPECT_EQ(HeaderStatus(Replace(colour, kSOF0, frame(12, 16, 16, yuv))), jpegdec::kUnsupported);
    EXPECT_EQ(HeaderStatus(Replace(colour, kSOF0, frame(8, 16, 0, yuv))), jpegdec::kFailed);
    EXPECT_EQ(HeaderStatus(Replace(colour, kSOF0, frame(8, 0, 16, yuv))), jpegdec::kUnsupported);
    EXPECT_EQ(HeaderStatus(Replace(colour, kSOF0, frame(8, 16, 16, {}))),
              jpegdec::kBadFrameComponents);
    auto five = yuv;
    five.push_back({4, 0x11, 0});
    five.push_back({5, 0x11, 0});
    EXPECT_EQ(HeaderStatus(Replace(colour, kSOF0, frame(8, 16, 16, five))),
              jpegdec::kBadFrameComponents);
    for (int hv : {0x02, 0x20, 0x52, 0x25}) {
        auto comps = yuv;
        comps[0][1] = hv;
        EXPECT_EQ(HeaderStatus(Replace(colour, kSOF0, frame(8, 16, 16, comps))),
                  jpegdec::kBadFrameComponents)
            << hv;
    }
    auto badQuant = yuv;
    badQuant[1][2] = 4;
    EXPECT_EQ(HeaderStatus(Replace(colour, kSOF0, frame(8, 16, 16, badQuant))),
              jpegdec::kBadFrameComponents);
    std::vector<uint8_t> longer = frame(8, 16, 16, yuv);
    longer.push_back(0);
    EXPECT_EQ(HeaderStatus(Replace(colour, kSOF0, longer)), jpegdec::kBadFrameLength);
    EXPECT_EQ(HeaderStatus(Replace(grey, kSOF0, frame(8, 16, 16, {{1, 0x22, 0}}))),
              jpegdec::kBadGreySampling);
    // 65535 x 65535 is refused before anything is allocated.
    EXPECT_EQ(HeaderStatus(Replace(colour, kSOF0, frame(8, 65535, 65535, yuv))),
              jpegdec::kOutOfMemory);
}

TEST(JpegDecoderBadInput, UnsupportedProcessesAndLimits) {
    std::vector<uint8_t> jpeg = Sample(16, 16, 2, 2, false);
    long sof = FindMarker(jpeg, kSOF0);
    for (int marker : {0xC9, 0xCA, 0xC5, 0xCD}) {
        std::vector<uint8_t> other = jpeg;
        other[static_cast<size_t>(sof) + 1] = static_cast<uint8_t>(marker);
        EXPECT_EQ(HeaderStatus(other), jpegdec::kUnsupported) << marker;
    }
    CJPEGDecoder decoder;
    decoder.SetMaxPixels(255);
    decoder.SetSource(jpeg.data(), jpeg.size());
    int w, h, n, p, cs, s;
    EXPECT_EQ(decoder.ReadHeader(w, h, n, p, cs, s), jpegdec::kOutOfMemory);
}

TEST(JpegDecoderBadInput, InvalidScanHeaders) {
    std::vector<uint8_t> jpeg = Sample(16, 16, 1, 1, false);
    std::vector<uint8_t> scan = Payload(jpeg, 0xDA);  // 03 01 00 02 11 03 11 00 3F 00
    auto withScan = [&](const std::vector<uint8_t>& payload) { return Replace(jpeg, 0xDA, payload); };
    // Header checks happen when the scan is reached, so ReadHeader still succeeds.
    std::vector<uint8_t> unknownId = scan;
    unknownId[3] = 9;
    EXPECT_EQ(DecodeOwn(withScan(unknownId)).status, jpegdec::kBadScanComponent);
    std::vector<uint8_t> badTable = scan;
    badTable[2] = 0x40;
    EXPECT_EQ(DecodeOwn(withScan(badTable)).status, jpegdec::kBadScanHeader);
    std::vector<uint8_t> zero = {0, 0, 63, 0};
    EXPECT_EQ(DecodeOwn(withScan(zero)).status, jpegdec::kBadScanHeader);
    std::vector<uint8_t> shortScan(scan.begin(), scan.end() - 1);
    EXPECT_EQ(DecodeOwn(withScan(shortScan)).status, jpegdec::kBadScanHeader);

    std::vector<uint8_t> progressive = Sample(16, 16, 1, 1, true);
    std::vector<uint8_t> first = Payload(progressive, 0xDA);
    std::vector<uint8_t> dcWithAc = first;
    dcWithAc[dcWithAc.size() - 2] = 5;  // Se of a DC scan must be 0
    EXPECT_EQ(DecodeOwn(Replace(progressive, 0xDA, dcWithAc)).status, jpegdec::kBadScanHeader);
}

TEST(JpegDecoderBadInput, MissingTablesAndMarkers) {
    std::vector<uint8_t> jpeg = Sample(32, 32, 2, 2, false, 1);
    auto renamed = [&](int from) {
        std::vector<uint8_t> out = jpeg;
        out[static_cast<size_t>(FindMarker(jpeg, from)) + 1] = 0xFE;  // now a comment
        return out;
    };
    EXPECT_EQ(DecodeOwn(renamed(kDHT)).status, jpegdec::kFailed);
    EXPECT_EQ(DecodeOwn(renamed(kDQT)).status, jpegdec::kFailed);
    // Without its restart markers the data reaches the end marker at the first restart.
    std::vector<uint8_t> noRestarts;
    for (size_t i = 0; i < jpeg.size(); ++i) {
        if (jpeg[i] == 0xFF && i + 1 < jpeg.size() && jpeg[i + 1] >= 0xD0 && jpeg[i + 1] <= 0xD7) {
            ++i;
            continue;
        }
        noRestarts.push_back(jpeg[i]);
    }
    EXPECT_EQ(DecodeOwn(noRestarts).status, jpegdec::kFailed);
    EXPECT_EQ(DecodeOwn({0xFF, 0xD8, 0xFF, 0xD9}).status, jpegdec::kTruncated);
    EXPECT_EQ(DecodeOwn({}).status, jpegdec::kTruncated);
    EXPECT_EQ(DecodeOwn({1, 2, 3, 0xFF, 0x00, 4}).status, jpegdec::kTruncated);
}

TEST(JpegDecoderBadInput, BitsThatAreNoCodeFail) {
    std::vector<uint8_t> jpeg = Sample(32, 32, 2, 2, false);
    long sos = FindMarker(jpeg, 0xDA);
    size_t data = static_cast<size_t>(sos) + 2 + ((jpeg[sos + 2] << 8) | jpeg[sos + 3]);
    // Stuffed 0xFF bytes: all-ones bits, never a valid code.
    for (size_t i = 0; i < 16; i += 2) {
        jpeg[data + i] = 0xFF;
        jpeg[data + i + 1] = 0x00;
    }
    EXPECT_EQ(DecodeOwn(jpeg).status, jpegdec::kFailed);
}

TEST(JpegDecoderBadInput, CorruptEntropyDataNeverEscapesTheBuffers) {
    std::mt19937 random(1234);
    const std::vector<uint8_t> files[] = {Sample(48, 40, 2, 2, false, 3), Sample(48, 40, 2, 1, true),
                                          Sample(40, 40, 1, 2, true, 0)};
    for (const auto& jpeg : files) {
        long sos = FindMarker(jpeg, 0xDA);
        for (int round = 0; round < 150; ++round) {
            std::vector<uint8_t> damaged = jpeg;
            std::uniform_int_distribution<size_t> where(static_cast<size_t>(sos), jpeg.size() - 1);
            for (int k = 0; k < 1 + round % 6; ++k)
                damaged[where(random)] = static_cast<uint8_t>(random());
            int status = DecodeOwn(damaged).status;
            EXPECT_TRUE(status <= 0 && status >= jpegdec::kBadGreySampling) << status;
        }
    }
}

TEST(JpegDecoderBadInput, DestinationMustMatchTheFrame) {
    std::vector<uint8_t> jpeg = Sample(20, 10, 2, 2, false);
    CJPEGDecoder decoder;
    decoder.SetSource(jpeg.data(), jpeg.size());
    int w, h, n, p, cs, s;
    ASSERT_EQ(decoder.ReadHeader(w, h, n, p, cs, s), jpegdec::kOk);
    std::vector<uint8_t> buffer(64 * 10);
    decoder.SetDestination(buffer.data(), 21, 10, 64, 8, 3, jpegdec::kColorBGR, 0);
    EXPECT_EQ(decoder.Decode(), jpegdec::kFailed);
    decoder.SetDestination(buffer.data(), 20, 10, 59, 8, 3, jpegdec::kColorBGR, 0);
    EXPECT_EQ(decoder.Decode(), jpegdec::kFailed);
    decoder.SetDestination(nullptr, 20, 10, 60, 8, 3, jpegdec::kColorBGR, 0);
    EXPECT_EQ(decoder.Decode(), jpegdec::kFailed);
    decoder.SetDestination(buffer.data(), 20, 10, 60, 16, 3, jpegdec::kColorBGR, 0);
    EXPECT_EQ(decoder.Decode(), jpegdec::kUnsupported);
    decoder.SetDestination(buffer.data(), 20, 10, 60, 8, 3, jpegdec::kColorBGR, 0);
    EXPECT_EQ(decoder.Decode(), jpegdec::kOk);
}

}  // namespace
