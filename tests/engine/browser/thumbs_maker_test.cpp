// CThumbnailMaker: embedded thumbnails, scaled decoding, orientation, fitting into the box,
// the placeholder, and the pixel helpers behind them.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <ctime>
#include <functional>
#include <vector>

#include "browser/fileentry.h"
#include "browser/thumbnails/thumbimage.h"
#include "browser/thumbnails/thumbnailmaker.h"
#include "browser_test_util.h"
#include "geometry/rotate.h"
#include "thumbs_fixtures.h"

using namespace browsertest;
using namespace thumbstest;

namespace {

std::string ShippedPlaceholder() { return std::string(LUMARET_SOURCE_DIR) + "/data/exception_1.dat"; }

struct Made {
    int result = -1;
    int32_t width = 0, height = 0;
    std::vector<uint8_t> pixels = std::vector<uint8_t>(FileEntry::kPixelBytes, 0xEE);
    CThumbnailMaker::Source source = CThumbnailMaker::Source::None;
    int32_t imageWidth = 0, imageHeight = 0, bits = 0;

    // Colour of the thumbnail at (x, y).
    Bgr At(int32_t x, int32_t y) const {
        const uint8_t* p = pixels.data() + y * ImagePlane::StrideFor(width) + x * 3;
        return {p[0], p[1], p[2]};
    }
};

Made Make(const std::string& path, const std::string& placeholder = ShippedPlaceholder()) {
    CThumbnailMaker maker(placeholder);
    Made m;
    m.result = maker.MakeThumbnail(path, 130, 130, m.width, m.height, m.pixels.data(), m.pixels.size());
    m.source = maker.LastSource();
    m.imageWidth = maker.ImageWidth();
    m.imageHeight = maker.ImageHeight();
    m.bits = maker.BitsPerPixel();
    return m;
}

// Checks the centre of each quadrant of the thumbnail against the quadrant colours at the
// given indexes (top-left, top-right, bottom-left, bottom-right).
void ExpectQuadrants(const Made& m, int tl, int tr, int bl, int br) {
    const int expected[4] = {tl, tr, bl, br};
    for (int q = 0; q < 4; ++q) {
        const Bgr want = kQuadrants[expected[q]], got = m.At(m.width * (q % 2 ? 3 : 1) / 4, m.height * (q / 2 ? 3 : 1) / 4);
        EXPECT_LE(std::max({std::abs(want.b - got.b), std::abs(want.g - got.g), std::abs(want.r - got.r)}), 14) << "quadrant " << q;
    }
}

TEST(ThumbsMaker, ScaleAndFitRules) {
    for (auto [side, scale] : {std::pair{199, 1}, {200, 2}, {599, 2}, {600, 4}, {999, 4}, {1000, 8}})
        EXPECT_EQ(scale, CThumbnailMaker::DecodeScaleFor(side)) << side;
    auto fit = [](int32_t w, int32_t h) {
        const thumbs::FitSize s = thumbs::FitInto(w, h, 130, 130);
        return std::make_pair(s.width, s.height);
    };
    EXPECT_EQ(std::make_pair(130, 87), fit(375, 250));  // 3000 x 2000 at 1/8
    EXPECT_EQ(std::make_pair(98, 130), fit(120, 160));  // a 160 x 120 thumbnail turned upright
    EXPECT_EQ(std::make_pair(130, 65), fit(199, 100));  // small pictures grow to the box
    EXPECT_EQ(std::make_pair(130, 1), fit(60000, 2));   // no side collapses to 0
    EXPECT_EQ(std::make_pair(0, 0), fit(0, 10));
}

// Each case: where the thumbnail comes from, its size, the picture's own size, and where
// each corner's colour ends up once turned upright.
TEST(ThumbsMaker, ThumbnailsComeFromTheRightSourceTurnedUpright) {
    TempDir dir;
    const std::string path = dir / "p.jpg";
    const Picture thumb = MakeQuadrants(160, 120);
    const std::vector<uint8_t> brokenThumb = {0xFF, 0xD8, 0xFF, 0xC0, 0x00, 0x11, 0x08, 0x7F, 0xFF, 0x7F, 0xFF, 0x03};
    using Source = CThumbnailMaker::Source;
    const struct {
        const char* name;
        std::function<bool()> write;
        Source source;
        std::vector<int32_t> sizes;  // thumbnail width and height, image width and height
        int corners[4];
    } cases[] = {
        {"large picture, 1/8 scale", [&] { return WriteCameraFile(path, MakeQuadrants(3000, 2000), nullptr); },
         Source::Decoded, {130, 87, 3000, 2000}, {0, 1, 2, 3}},
        {"embedded thumbnail, a quarter turn clockwise",
         [&] { return WriteCameraFile(path, MakeTextured(640, 480, 3), &thumb, 6, "2006:05:04 12:34:56"); },
         Source::Embedded, {98, 130, 640, 480}, {2, 0, 3, 1}},
        {"decoded at 1/2, a quarter turn counter-clockwise", [&] { return WriteCameraFile(path, MakeQuadrants(300, 200), nullptr, 8); },
         Source::Decoded, {87, 130, 300, 200}, {1, 3, 0, 2}},
        {"decoded, a half turn", [&] { return WriteCameraFile(path, MakeQuadrants(300, 200), nullptr, 3); },
         Source::Decoded, {130, 87, 300, 200}, {3, 2, 1, 0}},
        {"broken embedded thumbnail",
         [&] { return WriteBytes(path, WithExif(EncodeJpeg(MakeQuadrants(120, 90), path), 0, {}, brokenThumb)); },
         Source::Decoded, {130, 98, 120, 90}, {0, 1, 2, 3}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        ASSERT_TRUE(c.write());
        const Made m = Make(path);
        EXPECT_EQ(CThumbnailMaker::kMade, m.result);
        EXPECT_EQ(c.source, m.source);
        EXPECT_EQ(c.sizes, (std::vector<int32_t>{m.width, m.height, m.imageWidth, m.imageHeight}));
        EXPECT_EQ(24, m.bits);
        ExpectQuadrants(m, c.corners[0], c.corners[1], c.corners[2], c.corners[3]);
        // Rows are padded to 4 bytes and nothing past the thumbnail is left over from before.
        if (m.width == 130 && m.height == 87) {
            EXPECT_EQ(0xEE, m.pixels[ImagePlane::BytesFor(130, 130)]);
            EXPECT_EQ(0, m.pixels[ImagePlane::BytesFor(130, 87)]);
        }
    }
}

TEST(ThumbsMaker, UnreadableImagesGetThePlaceholderAndMissingFilesAreRetried) {
    TempDir dir;
    WriteText(dir / "text.jpg", "this is not a picture");
    const Made m = Make(dir / "text.jpg");
    EXPECT_EQ(CThumbnailMaker::kUnreadableImage, m.result);
    EXPECT_EQ(CThumbnailMaker::Source::Placeholder, m.source);
    EXPECT_EQ(128 * 86, m.width * m.height);
    const std::vector<uint8_t> shipped = ReadBytes(ShippedPlaceholder());
    EXPECT_TRUE(std::equal(shipped.begin(), shipped.end(), m.pixels.begin()));

    const Made none = Make(dir / "text.jpg", dir / "no-such-placeholder.dat");
    EXPECT_EQ(CThumbnailMaker::kUnreadableImage, none.result);
    EXPECT_EQ(0, none.width);

    // A picture whose data stops early is not made into a thumbnail of garbage.
    std::vector<uint8_t> cut = EncodeJpeg(MakeTextured(400, 300, 9), dir / "cut.jpg");
    cut.resize(300);
    ASSERT_TRUE(WriteBytes(dir / "cut.jpg", cut));
    const Made truncated = Make(dir / "cut.jpg");
    EXPECT_EQ(CThumbnailMaker::kUnreadableImage, truncated.result);
    EXPECT_EQ(CThumbnailMaker::Source::Placeholder, truncated.source);

    EXPECT_EQ(CThumbnailMaker::kCannotOpen, Make(dir / "missing.jpg").result);
}

TEST(ThumbsMaker, OrientPixelsMatchesTheGeometryTurnsAndMirrors) {
    Picture src = MakeTextured(7, 5, 11);
    auto blank = [](int32_t w, int32_t h) { return Picture{w, h, std::vector<uint8_t>(ImagePlane::BytesFor(w, h))}; };
    auto oriented = [&](int orientation) {
        Picture out = thumbs::OrientationSwapsSides(orientation) ? blank(5, 7) : blank(7, 5);
        EXPECT_TRUE(thumbs::OrientPixels(src.Plane(), out.Plane(), orientation));
        return out;
    };
    auto turned = [&](Picture& from, float angle) {
        const geometry::ImageSize size = geometry::RotatedSize(from.width, from.height, angle);
        Picture out = blank(size.width, size.height);
        EXPECT_TRUE(geometry::RotateImage(from.Plane(), out.Plane(), angle, 1));
        return out;
    };
    auto mirrored = [&](Picture& from, bool leftRight) {
        Picture out = blank(from.width, from.height);
        EXPECT_TRUE(leftRight ? geometry::MirrorLeftRight(from.Plane(), out.Plane()) : geometry::MirrorTopBottom(from.Plane(), out.Plane()));
        return out;
    };
    EXPECT_EQ(src.rows, oriented(1).rows);
    EXPECT_EQ(src.rows, oriented(9).rows);  // values without a transform copy
    EXPECT_EQ(mirrored(src, true).rows, oriented(2).rows);
    EXPECT_EQ(turned(src, 180).rows, oriented(3).rows);
    EXPECT_EQ(mirrored(src, false).rows, oriented(4).rows);
    Picture clockwise = turned(src, -90);
    EXPECT_EQ(clockwise.rows, oriented(6).rows);
    EXPECT_EQ(turned(src, 90).rows, oriented(8).rows);
    EXPECT_EQ(mirrored(clockwise, true).rows, oriented(5).rows);   // transpose
    EXPECT_EQ(mirrored(clockwise, false).rows, oriented(7).rows);  // transverse

    Picture wrong = blank(7, 5);
    EXPECT_FALSE(thumbs::OrientPixels(src.Plane(), wrong.Plane(), 6));
}

TEST(ThumbsMaker, ExifDatesAreReadAsLocalTime) {
    const std::optional<FileTime> date = thumbs::ParseExifDate("2006:05:04 12:34:56");
    ASSERT_TRUE(date);
    const std::time_t seconds = static_cast<std::time_t>(date->Ticks() / 10000000ULL - 11644473600ULL);
    std::tm local{};
    ASSERT_TRUE(localtime_r(&seconds, &local));
    char text[32];
    std::strftime(text, sizeof text, "%Y:%m:%d %H:%M:%S", &local);
    EXPECT_STREQ("2006:05:04 12:34:56", text);
    for (const char* bad : {"0000:00:00 00:00:00", "2006:02:30 10:00:00", "2006:05:04 24:00:00", "2006:05:04",
                            "2006:05:04 12:34:56 extra"})
        EXPECT_FALSE(thumbs::ParseExifDate(bad)) << bad;
}

}  // namespace
