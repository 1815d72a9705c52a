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

void ExpectSameEntries(const CIFD& a, const CIFD& b) {
    ASSERT_EQ(a.Entries().size(), b.Entries().size());
    for (size_t i = 0; i < a.Entries().size(); ++i) {
        const CIFDEntry& x = a.Entries()[i];
        const CIFDEntry& y = b.Entries()[i];
        SCOPED_TRACE(testing::Message() << "tag 0x" << std::hex << x.Tag());
        EXPECT_EQ(x.Tag(), y.Tag());
        EXPECT_EQ(x.Type(), y.Type());
        EXPECT_EQ(x.Count(), y.Count());
        ASSERT_EQ(x.Values().size(), y.Values().size());
        if (x.Tag() == kTagExifPointer || x.Tag() == kTagGpsPointer || x.Tag() == kTagInteropPointer)
            continue;  // directory offsets move in the rebuilt layout
        for (size_t k = 0; k < x.Values().size(); ++k) {
            EXPECT_EQ(x.Values()[k].first, y.Values()[k].first);
            EXPECT_EQ(x.Values()[k].second, y.Values()[k].second);
        }
    }
}

class ByteOrderTest : public testing::TestWithParam<bool> {};

}  // namespace

TEST_P(ByteOrderTest, ParsesEveryDirectoryAndTheThumbnail) {
    const Block block = CameraBlock(GetParam());
    size_t thumbOffset = 0;
    std::vector<uint8_t> record = Record(BuildTiff(block, &thumbOffset));
    CExif exif = ReadBytes(Jpeg(std::vector<uint8_t>(record.begin() + 2, record.end())));

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
    const CIFD& ifd0 = again.Directories()[0];
    ASSERT_GE(ifd0.Entries().size(), 1u);
    EXPECT_EQ(ifd0.Entries()[0].Tag(), kTagSoftware);
    CIFD withoutSoftware(kIfd0);
    withoutSoftware.Entries().assign(ifd0.Entries().begin() + 1, ifd0.Entries().end());
    ExpectSameEntries(exif.Section().Directories()[0], withoutSoftware);
    for (size_t d = 1; d < 5; ++d) {
        SCOPED_TRACE(d);
        const CIFD& original = exif.Section().Directories()[d];
        const CIFD& copy = again.Directories()[d];
        if (original.Id() != kIfd1) {
            ExpectSameEntries(original, copy);
            continue;
        }
        // IFD1's thumbnail pointer moves; its length and the bytes stay.
        ASSERT_EQ(original.Entries().size(), copy.Entries().size());
        EXPECT_EQ(copy.Find(kTagThumbnailLength)->Value(0), original.Find(kTagThumbnailLength)->Value(0));
    }
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

TEST(ExifRebuild, SoftwareStampAndOrientationResetReachOnlyTheRebuiltBlock) {
    Block b = CameraBlock(false);
    b.ifd0.push_back(Ascii(0x131, "Firmware 1.0.2"));
    CExif exif = ReadBytes(Jpeg(Payload(b)));
    exif.ResetOrientation();
    EXPECT_EQ(exif.GetOrientation(), 1);
    // The file itself keeps saying what wrote it ...
    const CIFDEntry* software = exif.Section().FindEntry(kTagSoftware);
    ASSERT_NE(software, nullptr);
    EXPECT_EQ(software->Count(), 15);

    // ... and the written copy says it is ours, in place (not as a second entry).
    std::vector<uint8_t> rebuilt = exif.Section().Rebuild();
    CAPP1Section again;
    again.Parse(rebuilt.data(), rebuilt.size());
    const CIFD& ifd0 = again.Directories()[0];
    ASSERT_EQ(ifd0.Entries().size(), exif.Section().Directories()[0].Entries().size());
    const CIFDEntry* stamped = ifd0.Find(kTagSoftware);
    ASSERT_NE(stamped, nullptr);
    EXPECT_EQ(stamped->Count(), 20);
    std::string text;
    for (const auto& v : stamped->Values()) text.push_back(char(v.first));
    EXPECT_EQ(text, std::string("Lumaret for Windows") + '\0');
    EXPECT_EQ(again.FindEntry(kTagOrientation)->Value(0), 1u);
}

TEST(ExifQueries, DefaultsWithoutExif) {
    CExif exif = ReadBytes(Jpeg({}, 123, 45));
    EXPECT_TRUE(exif.IsLoaded() && !exif.HasExif());
    EXPECT_EQ(exif.GetOrientation(), 1);
    int w, h, c;
    exif.GetImageSize(w, h, c);
    EXPECT_EQ(w * 1000 + h, 123045);
    EXPECT_TRUE(exif.Section().Rebuild().empty());

    CExif missing("/nonexistent/lumaret/none.jpg");
    EXPECT_EQ(missing.Read(), -1);
    missing.GetImageSize(w, h, c);
    EXPECT_EQ(w, -1);
}

TEST(ExifQueries, ImageSizeFallsBackToPixelDimensions) {
    // SOI, APP1, SOS: no frame header at all.
    std::vector<uint8_t> jpeg = {0xFF, 0xD8};
    AddSegment(jpeg, 0xE1, Payload(CameraBlock(true)));
    AddSegment(jpeg, 0xDA, {1, 1, 0, 0, 63, 0});
    CExif exif = ReadBytes(jpeg);
    int w, h, c;
    exif.GetImageSize(w, h, c);
    EXPECT_EQ(w, 4000);  // stored as SHORT
    EXPECT_EQ(h, 3000);  // stored as LONG
    EXPECT_EQ(c, -1);
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
