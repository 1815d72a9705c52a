// Carrying an EXIF block into a freshly encoded file and writing it back safely.
#include <gtest/gtest.h>

#include <sys/stat.h>

#include "codec/jpegcodec.h"
#include "core/imageplane.h"
#include "exif/exif.h"
#include "exif_fixtures.h"

using namespace fixture;
namespace fs = std::filesystem;

namespace {

// A 64 x 48 picture with a deterministic pattern, encoded by the codec component.
void EncodePicture(const fs::path& path) {
    const int w = 64, h = 48, stride = ImagePlane::StrideFor(w);
    std::vector<uint8_t> pixels(size_t(stride) * h);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            for (int c = 0; c < 3; ++c) pixels[size_t(y) * stride + x * 3 + c] = uint8_t((x * 4 + y * 3 + c * 70) & 255);
    ASSERT_NE(writeJPEGfile(path.c_str(), w, h, pixels.data(), 90), 0);
}

std::vector<uint8_t> Decode(const fs::path& path) {
    int w = 0, h = 0, c = 0;
    if (!getJPEGFileInfo(path.c_str(), &w, &h, &c)) return {};
    std::vector<uint8_t> pixels(size_t(ImagePlane::StrideFor(w)) * h);
    if (readJPEGfile(pixels.data(), 1) != kJpegReadOk) return {};
    return pixels;
}

// A camera file: SOI, APP1 EXIF (Motorola order, orientation 6, the camera's software when
// given, GPS, thumbnail), XMP, COM, APP2, DQT, SOF0, SOS.
std::vector<uint8_t> CameraHead(const std::vector<uint8_t>& thumbnail, const std::string& software = {}) {
    Block b;
    b.motorola = true;
    b.ifd0 = {Ascii(0x10F, "Vendor"), Short(0x112, {6})};
    if (!software.empty()) b.ifd0.push_back(Ascii(kTagSoftware, software));
    b.exif = {Ascii(0x9003, "2019:08:07 06:05:04")};
    b.gps = {Rational(0x2, {51, 1, 28, 1, 3842, 100})};
    b.ifd1 = {Short(0x103, {6})};
    b.thumbnail = thumbnail;
    std::vector<uint8_t> j = {0xFF, 0xD8};
    AddSegment(j, 0xE1, Payload(b));
    const std::string xmp = "http://ns.adobe.com/xap/1.0/";
    AddSegment(j, 0xE1, std::vector<uint8_t>(xmp.begin(), xmp.end()));
    AddSegment(j, 0xFE, {'c', 'o', 'm'});
    AddSegment(j, 0xE2, {'I', 'C', 'C', '_', 'P'});
    std::vector<uint8_t> rest = Jpeg({});
    j.insert(j.end(), rest.begin() + 2, rest.end());
    return j;
}

std::vector<uint8_t> Markers(const CExif& exif) {
    std::vector<uint8_t> m;
    for (const CJpegSegment& s : exif.Segments()) m.push_back(s.marker);
    return m;
}

}  // namespace

TEST(ExifSave, CopiesTheBlockIntoAFreshFileAsSaveAsDoes) {
    TempDir dir;
    const fs::path camera = dir / "camera.jpg", saved = dir / "saved.jpg";
    std::vector<uint8_t> thumb(500, 0x5A);
    WriteFile(camera, CameraHead(thumb, "Firmware 1.0.2"));
    EncodePicture(saved);
    const std::vector<uint8_t> pixelsBefore = Decode(saved);
    ASSERT_FALSE(pixelsBefore.empty());

    CExif document(camera.string());
    ASSERT_EQ(document.Read(), 0);
    ASSERT_EQ(document.GetOrientation(), 6);
    document.ResetOrientation();  // the editor has applied it to the pixels

    CExif target(saved.string());
    ASSERT_TRUE(target.CopyExifFrom(document));
    ASSERT_TRUE(target.WriteFile());

    CExif result(saved.string());
    ASSERT_EQ(result.Read(), 0);
    const std::vector<uint8_t> markers = Markers(result);
    // APP2 just before the EXIF block, which replaced APP0; no XMP, no comment.
    ASSERT_GE(markers.size(), 4u);
    EXPECT_EQ((std::vector<uint8_t>{0xD8, 0xE2, 0xE1}), std::vector<uint8_t>(markers.begin(), markers.begin() + 3));
    EXPECT_EQ(std::count_if(markers.begin(), markers.end(), [](uint8_t m) { return m >= 0xE0; }), 2);
    EXPECT_EQ(result.Section().ByteOrder(), 1);
    EXPECT_EQ(result.GetOrientation(), 1);
    EXPECT_EQ(result.GetDateTaken().value_or(""), "2019:08:07 06:05:04");
    const CIFDEntry* lat = result.Section().FindDirectory(kIfdGps)->Find(0x2);
    ASSERT_TRUE(lat && lat->Count() == 3 && lat->Values()[2].first == 3842u);
    // Our name replaces the camera's in its place, in the written copy only.
    EXPECT_EQ(document.Section().FindEntry(kTagSoftware)->Count(), 15);
    const CIFD& ifd0 = result.Section().Directories()[0];
    ASSERT_EQ(ifd0.Entries().size(), document.Section().Directories()[0].Entries().size());
    ASSERT_EQ(ifd0.Entries()[2].Tag(), kTagSoftware);
    std::string software;
    for (const auto& v : ifd0.Entries()[2].Values()) software.push_back(char(v.first));
    EXPECT_EQ(software, std::string("Lumaret for Windows") + '\0');
    ASSERT_EQ(result.GetThumbnailSize(), thumb.size());  // found again through 0x201/0x202
    EXPECT_TRUE(std::equal(thumb.begin(), thumb.end(), result.GetThumbnail()));
    EXPECT_EQ(Decode(saved), pixelsBefore);

    EXPECT_EQ(std::distance(fs::directory_iterator(dir.Path()), fs::directory_iterator()), 2);  // nothing left beside
}

TEST(ExifSave, TooLargeBlockDropsTheThumbnailThenTheBlock) {
    TempDir dir;
    const fs::path camera = dir / "camera.jpg", saved = dir / "saved.jpg";
    // A camera block that fills its segment to the last byte: with our Software entry added
    // it no longer fits, so the copy loses its thumbnail and keeps the rest.
    std::vector<uint8_t> bigThumb(1000, 0x11);
    auto segmentLength = [](const std::vector<uint8_t>& head) { return size_t(head[4] << 8 | head[5]); };
    for (int i = 0; i < 4 && segmentLength(CameraHead(bigThumb)) != 65535; ++i)
        bigThumb.resize(bigThumb.size() + 65535 - segmentLength(CameraHead(bigThumb)), 0x11);
    WriteFile(camera, CameraHead(bigThumb));
    CExif document(camera.string());
    ASSERT_EQ(document.Read(), 0);
    ASSERT_EQ(document.ExifSegment()->length, 65535);
    ASSERT_EQ(document.GetThumbnailSize(), bigThumb.size());

    EncodePicture(saved);
    CExif target(saved.string());
    ASSERT_TRUE(target.CopyExifFrom(document));
    ASSERT_TRUE(target.WriteFile());
    CExif result(saved.string());
    ASSERT_EQ(result.Read(), 0);
    EXPECT_TRUE(result.HasExif());
    EXPECT_EQ(result.Section().FindEntry(kTagThumbnailOffset), nullptr);
    EXPECT_EQ(result.GetDateTaken().value_or(""), "2019:08:07 06:05:04");

    // A block that cannot fit even without its thumbnail: the file keeps its JFIF header and
    // gets no EXIF block, and it still decodes.
    CExif huge(camera.string());
    ASSERT_EQ(huge.Read(), 0);
    CIFD& ifd0 = huge.Section().Directories()[0];
    CIFDEntry note(0x927C, kTiffUndefined, 20000, 1);
    for (int i = 0; i < 4; ++i) ifd0.Entries().push_back(note);
    EncodePicture(saved);
    const std::vector<uint8_t> pixels = Decode(saved);
    CExif second(saved.string());
    EXPECT_TRUE(second.CopyExifFrom(huge));  // the APP2 segment still goes over
    ASSERT_TRUE(second.WriteFile());
    CExif check(saved.string());
    ASSERT_EQ(check.Read(), 0);
    EXPECT_FALSE(check.HasExif());
    EXPECT_EQ(Markers(check)[1], 0xE0);
    EXPECT_EQ(Decode(saved), pixels);
}

TEST(ExifSave, NothingToCopyOrNowhereToPutIt) {
    TempDir dir;
    const fs::path plainA = dir / "a.jpg", plainB = dir / "b.jpg", camera = dir / "camera.jpg";
    EncodePicture(plainA);
    EncodePicture(plainB);
    CExif a(plainA.string()), b(plainB.string());
    EXPECT_FALSE(b.CopyExifFrom(a));  // source without EXIF or APP2

    // A destination without APP0 is left as it is.
    WriteFile(camera, CameraHead({}));
    CExif source(camera.string()), destination(camera.string());
    EXPECT_FALSE(destination.CopyExifFrom(source));
}

TEST(ExifSave, WriteFileNeverHarmsTheOriginal) {
    TempDir dir;
    const fs::path path = dir / "p.jpg";
    EncodePicture(path);
    const std::vector<uint8_t> original = ReadFile(path);

    CExif notRead(path.string());
    EXPECT_FALSE(notRead.WriteFile());

    // No SOS found: the rest of the file cannot be located, so nothing is written.
    std::vector<uint8_t> head(original.begin(), original.begin() + 20);
    WriteFile(path, head);
    CExif cut(path.string());
    ASSERT_EQ(cut.Read(), 0);
    EXPECT_FALSE(cut.WriteFile());
    EXPECT_EQ(ReadFile(path), head);

    // The file vanished between reading and writing: false, and no stray file appears.
    WriteFile(path, original);
    CExif gone(path.string());
    ASSERT_EQ(gone.Read(), 0);
    fs::remove(path);
    EXPECT_FALSE(gone.WriteFile());
    EXPECT_TRUE(fs::is_empty(dir.Path()));

    // A successful rewrite keeps the file's permissions and can be repeated.
    WriteFile(path, original);
    chmod(path.c_str(), 0640);
    CExif again(path.string());
    ASSERT_EQ(again.Read(), 0);
    ASSERT_TRUE(again.WriteFile());
    ASSERT_TRUE(again.WriteFile());
    EXPECT_EQ(ReadFile(path), original);
    struct stat st {};
    ASSERT_EQ(stat(path.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0640u);
}

TEST(ExifSave, SecondSoiIsNotWrittenBack) {
    TempDir dir;
    const fs::path path = dir / "p.jpg";
    EncodePicture(path);
    const std::vector<uint8_t> original = ReadFile(path);
    std::vector<uint8_t> bytes = original;
    bytes.insert(bytes.begin() + 2, {0xFF, 0xD8});
    WriteFile(path, bytes);
    CExif exif(path.string());
    ASSERT_EQ(exif.Read(), 0);
    ASSERT_TRUE(exif.WriteFile());
    // Every segment of an encoder's file is kept, so only the extra SOI goes.
    EXPECT_EQ(ReadFile(path), original);
}
