// Parsing EXIF blocks in both byte orders and rebuilding them in Intel order.
#include <gtest/gtest.h>

#include "exif/byteorder.h"
#include "exif/exif.h"
#include "exif_fixtures.h"

using namespace fixture;

namespace {

Block CameraBlock(bool motorola) {
    Block b;
    b.motorola = motorola;
    b.ifd0 = {Ascii(0x10F, "Canon"), Ascii(0x110, "EOS 5D"), Short(0x112, {6}),
              Rational(0x11A, {72, 1}), Ascii(0x132, "2021:03:04 05:06:07")};
    b.exif = {Rational(0x829A, {1, 250}), Rational(0x829D, {28, 10}), Ascii(0x9003, "2021:03:04 05:06:07"),
              Rational(0x9204, {0xFFFFFFFF, 3}, 10), Undefined(0x9000, "0220"), Short(0xA002, {4000}),
              Long(0xA003, {3000}), Short(0x102, {8, 8, 8})};
    b.gps = {Ascii(0x1, "N"), Rational(0x2, {47, 1, 30, 1, 1234, 100})};
    b.interop = {Ascii(0x1, "R98")};
    b.ifd1 = {Short(0x103, {6}), Short(0x112, {1})};
    for (int i = 0; i < 300; ++i) b.thumbnail.push_back(uint8_t(i * 7));
    b.thumbnail[0] = 0xFF;
    b.thumbnail[1] = 0xD8;
    return b;
}

CExif ReadBytes(const std::vector<uint8_t>& jpeg) {
    CExif exif;
    exif.ReadMemory(jpeg.data(), jpeg.size());
    return exif;
}

// Tag, type, count and values of each entry; directory and thumbnail offsets, which move
// in a rebuilt layout, are left out.
std::vector<std::vector<uint32_t>> Describe(const CIFD& ifd, size_t skip = 0) {
    std::vector<std::vector<uint32_t>> out;
    for (size_t i = skip; i < ifd.Entries().size(); ++i) {
        const CIFDEntry& e = ifd.Entries()[i];
        std::vector<uint32_t> d = {e.Tag(), e.Type(), uint32_t(e.Count())};
        const bool moves = e.Tag() == kTagExifPointer || e.Tag() == kTagGpsPointer ||
                           e.Tag() == kTagInteropPointer || e.Tag() == kTagThumbnailOffset;
        for (const TIFDENTRY_TYPE& v : e.Values()) d.insert(d.end(), {moves ? 0 : v.first, moves ? 0 : v.second});
        out.push_back(d);
    }
    return out;
}

class ByteOrderTest : public testing::TestWithParam<bool> {};

}  // namespace

TEST_P(ByteOrderTest, ParsesEveryDirectoryAndTheThumbnail) {
    const Block block = CameraBlock(GetParam());
    size_t thumbOffset = 0;
    CExif exif = ReadBytes(Jpeg(Payload(block, &thumbOffset)));

    ASSERT_TRUE(exif.IsLoaded());
    ASSERT_TRUE(exif.HasExif());
    const CAPP1Section& s = exif.Section();
    EXPECT_EQ(s.ByteOrder(), GetParam() ? 2 : 1);
    ASSERT_EQ(s.Directories().size(), 5u);
    const uint32_t ids[] = {kIfd0, kIfdExif, kIfdGps, kIfdInterop, kIfd1};
    for (size_t i = 0; i < 5; ++i) EXPECT_EQ(s.Directories()[i].Id(), ids[i]);

    EXPECT_EQ(exif.GetOrientation(), 6);  // IFD0's, not IFD1's 1
    EXPECT_EQ(exif.GetDateTaken().value_or(""), "2021:03:04 05:06:07");
    const CIFDEntry* lat = s.FindDirectory(kIfdGps)->Find(0x2);
    ASSERT_NE(lat, nullptr);
    ASSERT_EQ(lat->Count(), 3);
    EXPECT_EQ(lat->Values()[2].first, 1234u);
    EXPECT_EQ(lat->Values()[2].second, 100u);
    ASSERT_NE(s.FindEntry(0x9204), nullptr);
    EXPECT_EQ(static_cast<int32_t>(s.FindEntry(0x9204)->Values()[0].first), -1);
    ASSERT_NE(s.FindEntry(0x102), nullptr);
    EXPECT_EQ(s.FindEntry(0x102)->Values()[2].first, 8u);  // three SHORTs: out of line

    ASSERT_EQ(exif.GetThumbnailSize(), block.thumbnail.size());
    EXPECT_TRUE(std::equal(block.thumbnail.begin(), block.thumbnail.end(), exif.GetThumbnail()));
    EXPECT_EQ(s.ThumbnailOffset(), thumbOffset);

    int w, h, c;
    exif.GetImageSize(w, h, c);
    EXPECT_EQ((std::vector<int>{640, 480, 3}), (std::vector<int>{w, h, c}));
}

TEST_P(ByteOrderTest, RebuildKeepsEveryValueInIntelOrder) {
    CExif exif = ReadBytes(Jpeg(Payload(CameraBlock(GetParam()))));
    std::vector<uint8_t> rebuilt = exif.Section().Rebuild();
    ASSERT_FALSE(rebuilt.empty());
    EXPECT_EQ(size_t(rebuilt[0] << 8 | rebuilt[1]), rebuilt.size());
    EXPECT_EQ(rebuilt[8], 'I');
    EXPECT_EQ(rebuilt[9], 'I');

    CAPP1Section again;
    again.Parse(rebuilt.data(), rebuilt.size());
    EXPECT_EQ(again.ByteOrder(), 1);
    ASSERT_EQ(again.Directories().size(), 5u);
    // IFD0 gains the Software entry in front; everything else is unchanged.
    EXPECT_EQ(again.Directories()[0].Entries().at(0).Tag(), kTagSoftware);
    for (size_t d = 0; d < 5; ++d)
        EXPECT_EQ(Describe(exif.Section().Directories()[d]), Describe(again.Directories()[d], d == 0 ? 1 : 0)) << d;
    EXPECT_EQ(again.Thumbnail(), exif.Section().Thumbnail());

    // Every directory and every out-of-line value starts at an even offset.
    exif::CByteView tiff(rebuilt.data() + 8, rebuilt.size() - 8, exif::kIntel);
    std::vector<uint32_t> dirOffsets = {tiff.U32(4)};
    for (size_t i = 0; i < dirOffsets.size(); ++i) {
        const uint32_t off = dirOffsets[i];
        EXPECT_EQ(off % 2, 0u);
        const uint16_t n = tiff.U16(off);
        for (uint16_t k = 0; k < n; ++k) {
            const size_t at = off + 2 + 12u * k;
            const uint16_t tag = tiff.U16(at);
            const uint32_t bytes = tiff.U32(at + 4) * uint32_t(TiffElementSize(tiff.U16(at + 2)));
            if (tag == kTagExifPointer || tag == kTagGpsPointer || tag == kTagInteropPointer) {
                dirOffsets.push_back(tiff.U32(at + 8));
            } else if (bytes > 4 || tag == kTagThumbnailOffset) {
                EXPECT_EQ(tiff.U32(at + 8) % 2, 0u) << "tag " << tag;
            }
        }
        const uint32_t next = tiff.U32(off + 2 + 12u * n);
        if (next) dirOffsets.push_back(next);
    }
    EXPECT_EQ(dirOffsets.size(), 5u);
}

INSTANTIATE_TEST_SUITE_P(BothOrders, ByteOrderTest, testing::Values(false, true),
                         [](const auto& info) { return info.param ? "Motorola" : "Intel"; });

TEST(ExifQueries, DefaultsAndImageSizeFallbacks) {
    CExif plain = ReadBytes(Jpeg({}, 123, 45));
    EXPECT_TRUE(plain.IsLoaded() && !plain.HasExif());
    EXPECT_EQ(plain.GetOrientation(), 1);
    EXPECT_TRUE(plain.Section().Rebuild().empty());
    int w, h, c;
    plain.GetImageSize(w, h, c);
    EXPECT_EQ((std::vector<int>{123, 45, 3}), (std::vector<int>{w, h, c}));

    // Without a frame header the EXIF pixel dimensions (SHORT and LONG) serve.
    std::vector<uint8_t> jpeg = {0xFF, 0xD8};
    AddSegment(jpeg, 0xE1, Payload(CameraBlock(true)));
    AddSegment(jpeg, 0xDA, {1, 1, 0, 0, 63, 0});
    ReadBytes(jpeg).GetImageSize(w, h, c);
    EXPECT_EQ((std::vector<int>{4000, 3000, -1}), (std::vector<int>{w, h, c}));

    CExif missing("/nonexistent/lumaret/none.jpg");
    EXPECT_EQ(missing.Read(), -1);
    missing.GetImageSize(w, h, c);
    EXPECT_EQ(w, -1);
}

TEST(ExifQueries, DateCountedWithoutItsZeroKeepsItsLastDigit) {
    Block b;
    b.motorola = true;
    b.exif = {Entry{0x9003, 2, 19, {}, "2002:05:01 09:47:23"}};
    const CExif exif = ReadBytes(Jpeg(Payload(b)));
    EXPECT_EQ(exif.GetDateTaken().value_or("none"), "2002:05:01 09:47:23");
    // A save writes the value back as it was stored.
    const std::vector<uint8_t> rebuilt = exif.Section().Rebuild();
    const CExif saved = ReadBytes(Jpeg(std::vector<uint8_t>(rebuilt.begin() + 2, rebuilt.end())));
    EXPECT_EQ(saved.Section().FindEntry(0x9003)->Count(), 19);
    EXPECT_EQ(saved.GetDateTaken().value_or("none"), "2002:05:01 09:47:23");
}

TEST(ExifQueries, ImageSizeFromEveryFrameKind) {
    for (const FrameKind& kind : FrameKinds()) {
        SCOPED_TRACE(testing::Message() << std::hex << int(kind.marker));
        const int width = 1000 + kind.marker, height = 2000 - kind.marker, components = kind.marker & 1 ? 1 : 3;
        std::vector<uint8_t> jpeg = FrameJpeg(kind.marker, kind.precision, width, height, components);
        // Segments with frame-like payloads that are not frames (DHT, JPG, DAC) come first.
        for (uint8_t notFrame : {0xC4, 0xC8, 0xCC})
            jpeg.insert(jpeg.begin() + 2, {0xFF, notFrame, 0, 8, 8, 0, 7, 0, 9, 1});
        int w, h, c;
        ReadBytes(jpeg).GetImageSize(w, h, c);
        EXPECT_EQ((std::vector<int>{width, height, components}), (std::vector<int>{w, h, c}));
    }
}

TEST(ExifScan, KeepsOnlyTheSegmentsItUnderstands) {
    std::vector<uint8_t> jpeg = {0xFF, 0xD8};
    AddSegment(jpeg, 0xE0, {'J', 'F', 'I', 'F', 0, 1, 1, 0, 0, 1, 0, 1, 0, 0});
    AddSegment(jpeg, 0xE1, Payload(CameraBlock(false)));
    const std::string xmp = "http://ns.adobe.com/xap/1.0/";
    AddSegment(jpeg, 0xE1, std::vector<uint8_t>(xmp.begin(), xmp.end()));
    AddSegment(jpeg, 0xFE, {'h', 'i'});
    AddSegment(jpeg, 0xE2, {'I', 'C', 'C'});
    AddSegment(jpeg, 0xED, {'8', 'B', 'I', 'M'});
    std::vector<uint8_t> rest = Jpeg({});
    jpeg.insert(jpeg.end(), rest.begin() + 2, rest.end());

    CExif exif = ReadBytes(jpeg);
    std::vector<uint8_t> markers;
    for (const CJpegSegment& s : exif.Segments()) markers.push_back(s.marker);
    EXPECT_EQ(markers, (std::vector<uint8_t>{0xD8, 0xE0, 0xE1, 0xE2, 0xDB, 0xC0, 0xDA}));
    EXPECT_TRUE(exif.HasApp0());
    EXPECT_TRUE(exif.HasApp2());
    // The entropy-coded data starts right after the SOS segment.
    EXPECT_EQ(exif.EntropyDataPosition(), jpeg.size() - 7);
}
